inkwell_add_test(textencoding_test SOURCES textencoding_test.cpp LIBS inkwell_encoding)
inkwell_add_fuzzer(textencoding_fuzzer SOURCES textencoding_fuzzer.cpp LIBS inkwell_encoding
    CORPUS ${PROJECT_SOURCE_DIR}/tests/data/documents)
