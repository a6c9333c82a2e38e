if(INKWELL_GUI)
    inkwell_add_test(overlaypainter_test GUI
        SOURCES overlaypainter_test.cpp
        LIBS inkwell_capture_gui)
    inkwell_add_test(capturewindow_test GUI
        SOURCES capturewindow_test.cpp
        LIBS inkwell_capture_gui inkwell_messageboxes Qt6::Test)
    # The same window on a screen scaled by 2; scripts/test's 1280 x 800 Xvfb screen is then
    # 640 x 400 logical pixels.
    inkwell_add_test(capturehidpi_test GUI
        SOURCES capturehidpi_test.cpp
        LIBS inkwell_capture_gui inkwell_messageboxes Qt6::Test
        ENV QT_SCALE_FACTOR=2)
    # Capture through the screenshot portal: the test starts its own session bus and the fake
    # portal on it, and asks for the portal with INKWELL_CAPTURE_PORTAL=1.
    add_executable(capture_fake_portal fakeportal.cpp)
    target_link_libraries(capture_fake_portal PRIVATE Qt6::DBus)
    inkwell_add_test(captureportal_test GUI
        SOURCES captureportal_test.cpp
        LIBS inkwell_capture_gui inkwell_messageboxes Qt6::Test Qt6::DBus
        ENV INKWELL_CAPTURE_PORTAL=1)
    add_dependencies(captureportal_test capture_fake_portal)
    target_compile_definitions(captureportal_test PRIVATE
        INKWELL_FAKE_PORTAL="$<TARGET_FILE:capture_fake_portal>")
endif()
