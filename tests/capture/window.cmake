inkwell_add_test(capture_drawing_test GUI
    SOURCES overlaypainter_test.cpp qtapplicationenv.cpp
    LIBS inkwell_capture_gui)
inkwell_add_test(capture_window_test GUI
    SOURCES capturewindow_test.cpp qtapplicationenv.cpp
    LIBS inkwell_capture_gui Qt6::Test)
