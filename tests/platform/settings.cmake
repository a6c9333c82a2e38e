inkwell_add_test(inifile_test SOURCES inifile_test.cpp LIBS inkwell_settings)
inkwell_add_test(instancelock_test SOURCES instancelock_test.cpp LIBS inkwell_settings)
inkwell_add_fuzzer(inifile_fuzzer SOURCES inifile_fuzzer.cpp LIBS inkwell_settings
    CORPUS ${PROJECT_SOURCE_DIR}/tests/data/ini-corpus)
