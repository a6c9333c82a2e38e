# Fragments and text search without Qt; the views with the real engine and editor component.
inkwell_add_test(editinglogic_test
    SOURCES editinglogic_test.cpp
    LIBS inkwell_editinglogic)
inkwell_add_test(pagehistory_test
    SOURCES pagehistory_test.cpp
    LIBS inkwell_editinglogic)
inkwell_add_test(objectattributes_test
    SOURCES objectattributes_test.cpp
    LIBS inkwell_editinglogic)
# The files an opened page brings into the document folder.
inkwell_add_test(openedpagefiles_test
    SOURCES openedpagefiles_test.cpp
    LIBS inkwell_openedpage)
if(INKWELL_GUI)
    inkwell_add_test(codeview_test GUI
        SOURCES codeview_test.cpp
        LIBS inkwell_editing Qt6::Test)
    inkwell_add_test(designview_test GUI
        SOURCES designview_test.cpp
        LIBS inkwell_editing Qt6::Test)
    # Tables, block formats and page properties edited in the page with the real engine.
    inkwell_add_test(tablecommands_test GUI
        SOURCES tablecommands_test.cpp
        LIBS inkwell_editing Qt6::Test)
    inkwell_add_test(pageformat_test GUI
        SOURCES pageformat_test.cpp
        LIBS inkwell_editing Qt6::Test)
    inkwell_add_test(designviewswitch_test GUI
        SOURCES designviewswitch_test.cpp
        LIBS inkwell_editing Qt6::Test)
endif()
