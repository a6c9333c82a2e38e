# The UI-thread cost of one recovery copy of a 5 MB page in the real window; run
# build/bench/inkwell_recovery_bench under xvfb-run -a.
if(INKWELL_GUI)
    add_executable(inkwell_recovery_bench recovery_bench.cpp)
    target_link_libraries(inkwell_recovery_bench PRIVATE inkwell_mainwindow inkwell_testsupport Qt6::Test)
    target_compile_definitions(inkwell_recovery_bench PRIVATE
        INKWELL_SOURCE_DIR="${PROJECT_SOURCE_DIR}" INKWELL_BINARY_DIR="${PROJECT_BINARY_DIR}")
endif()
