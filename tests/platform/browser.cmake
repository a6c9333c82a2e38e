inkwell_add_test(browser_test GUI
    SOURCES browser_test.cpp guitestmain.cpp
    LIBS inkwell_browser Qt6::Test)
