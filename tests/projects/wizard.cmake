if(INKWELL_GUI)
    inkwell_add_test(wizard_test GUI SOURCES wizard_test.cpp LIBS inkwell_wizard inkwell_documents inkwell_messageboxes Qt6::Test)
endif()
