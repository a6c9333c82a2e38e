inkwell_add_test(appcore_test SOURCES appcore_test.cpp LIBS inkwell_appcore)
