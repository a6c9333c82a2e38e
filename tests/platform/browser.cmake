if(INKWELL_GUI)
    inkwell_add_test(browser_test GUI
        SOURCES browser_test.cpp
        LIBS inkwell_browser Qt6::Test)
endif()
