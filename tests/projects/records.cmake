inkwell_add_test(projectrecords_test SOURCES records_test.cpp LIBS inkwell_projects)
inkwell_add_fuzzer(projecthistory_fuzzer SOURCES projecthistory_fuzzer.cpp LIBS inkwell_projects
    CORPUS ${PROJECT_SOURCE_DIR}/tests/data/projects/fuzz)
