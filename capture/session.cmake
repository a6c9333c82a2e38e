# inkwell_capture: the capture state machine, the overlay's layout rules and the BMP
# encoder. Qt-free, so it is built and tested in every configuration.
add_library(inkwell_capture STATIC
    capturerect.cpp
    capturesession.cpp
    infoboxlayout.cpp
    panellayout.cpp
    bmpencoder.cpp)
target_include_directories(inkwell_capture PUBLIC ${PROJECT_SOURCE_DIR})
