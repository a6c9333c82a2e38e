inkwell_add_test(capture_session_test
    SOURCES capturesession_test.cpp
    LIBS inkwell_capture)
inkwell_add_test(capture_layout_test
    SOURCES overlaylayout_test.cpp
    LIBS inkwell_capture)
inkwell_add_test(capture_bmp_test
    SOURCES bmpencoder_test.cpp
    LIBS inkwell_capture)
inkwell_add_fuzzer(capture_session_fuzz
    SOURCES capturesession_fuzz.cpp
    LIBS inkwell_capture
    CORPUS ${PROJECT_SOURCE_DIR}/tests/data/capture/session-corpus)
