inkwell_add_test(codeeditor_test GUI
    SOURCES codeeditor_test.cpp guitestmain.cpp
    LIBS inkwell_codeeditor)
