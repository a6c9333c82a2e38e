if(INKWELL_GUI)
    inkwell_add_test(messageservice_test GUI SOURCES messageservice_test.cpp LIBS inkwell_messageboxes Qt6::Test)
endif()
