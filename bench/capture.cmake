# Capture overlay drawing at 1920 x 1080: one full recomposition (frozen copy, frame,
# handles, info box) and one panel; run build/bench/inkwell_capture_bench.
if(INKWELL_GUI)
    add_executable(inkwell_capture_bench capture_bench.cpp)
    target_link_libraries(inkwell_capture_bench PRIVATE inkwell_capture_gui benchmark::benchmark)
endif()
