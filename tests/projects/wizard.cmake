inkwell_add_test(wizard_test GUI SOURCES wizard_test.cpp LIBS inkwell_wizard Qt6::Test)
