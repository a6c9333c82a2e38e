# Open of a page from elsewhere through the real window: its pictures and style sheets come along.
if(INKWELL_GUI)
    inkwell_add_test(openedpage_test WINDOWS SOURCES openedpage_test.cpp
        LIBS inkwell_mainwindow inkwell_archive inkwell_server Qt6::Test)
    set_tests_properties(openedpage_test PROPERTIES TIMEOUT 300)
endif()
