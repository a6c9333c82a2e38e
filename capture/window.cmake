# inkwell_capture_gui: the capture window, the overlay drawing, runCapture and the two
# capture commands. Qt only.
if(INKWELL_GUI)
    add_library(inkwell_capture_gui STATIC
        overlayfont.cpp
        overlaypainter.cpp
        panelbackground.cpp
        capturecursor.cpp
        infopanel.cpp
        capturewindow.cpp
        runcapture.cpp
        captureoutput.cpp
        capturecommand.cpp)
    target_include_directories(inkwell_capture_gui PUBLIC ${PROJECT_SOURCE_DIR})
    target_link_libraries(inkwell_capture_gui PUBLIC inkwell_capture inkwell_core Qt6::Widgets Qt6::Gui
        PRIVATE inkwell_messageboxes inkwell_editingcore inkwell_screenshotportal)
endif()
