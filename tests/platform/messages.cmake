if(INKWELL_GUI)
    inkwell_add_test(messageservice_test GUI SOURCES messageservice_test.cpp LIBS inkwell_messageboxes Qt6::Test)
endif()
# The texts of the boxes: reasons as Chinese sentences, and every text the program shows kept to
# the rule of its texts. Fetches from real loopback sockets and files.
inkwell_add_test(messagetexts_test SOURCES messagetexts_test.cpp LIBS inkwell_messageservice inkwell_archive inkwell_settings)
