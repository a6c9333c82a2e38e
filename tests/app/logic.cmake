inkwell_add_test(applogic_test SOURCES applogic_test.cpp LIBS inkwell_app)
