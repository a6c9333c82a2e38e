inkwell_add_test(capture_drawing_test GUI
    SOURCES overlaypainter_test.cpp qtapplicationenv.cpp
    LIBS inkwell_capture_gui)
inkwell_add_test(capture_window_test GUI
    SOURCES capturewindow_test.cpp qtapplicationenv.cpp
    LIBS inkwell_capture_gui Qt6::Test)
# The same window on a screen scaled by 2; scripts/test's 1280 x 800 Xvfb screen is then
# 640 x 400 logical pixels.
inkwell_add_test(capture_hidpi_test GUI
    SOURCES capturehidpi_test.cpp qtapplicationenv.cpp
    LIBS inkwell_capture_gui Qt6::Test
    ENV QT_SCALE_FACTOR=2)
