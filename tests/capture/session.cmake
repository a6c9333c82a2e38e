inkwell_add_test(capturesession_test
    SOURCES capturesession_test.cpp
    LIBS inkwell_capture)
inkwell_add_test(overlaylayout_test
    SOURCES overlaylayout_test.cpp
    LIBS inkwell_capture)
inkwell_add_test(bmpencoder_test
    SOURCES bmpencoder_test.cpp
    LIBS inkwell_capture)
inkwell_add_fuzzer(capturesession_fuzzer
    SOURCES capturesession_fuzzer.cpp
    LIBS inkwell_capture
    CORPUS ${PROJECT_SOURCE_DIR}/tests/data/capture/fuzz)
