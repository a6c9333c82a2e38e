inkwell_add_test(capture_session_test
    SOURCES capturesession_test.cpp
    LIBS inkwell_capture)
inkwell_add_test(capture_layout_test
    SOURCES overlaylayout_test.cpp
    LIBS inkwell_capture)
inkwell_add_test(capture_bmp_test
    SOURCES bmpencoder_test.cpp
    LIBS inkwell_capture)
