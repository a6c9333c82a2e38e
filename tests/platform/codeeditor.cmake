if(INKWELL_GUI)
    inkwell_add_test(codeeditor_test GUI
        SOURCES codeeditor_test.cpp
        LIBS inkwell_codeeditor)
endif()
