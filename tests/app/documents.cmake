if(INKWELL_GUI)
    inkwell_add_test(documentcommands_test GUI SOURCES documentcommands_test.cpp LIBS inkwell_documents Qt6::Test)
endif()
