# Fragments and text search without Qt; the views with the real engine and editor component.
inkwell_add_test(editinglogic_test
    SOURCES editinglogic_test.cpp
    LIBS inkwell_editinglogic)
inkwell_add_test(pagehistory_test
    SOURCES pagehistory_test.cpp
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
    inkwell_add_test(designviewswitch_test GUI
        SOURCES designviewswitch_test.cpp
        LIBS inkwell_editing Qt6::Test)
endif()
