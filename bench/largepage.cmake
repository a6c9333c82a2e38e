# The real main window on 1, 5 and 20 MB pages made from the real-page fixtures (open, code view, design
# view, save) beside the browser's own load of the same files; run bench/largepage_bench.py under xvfb-run.
if(INKWELL_GUI)
    add_executable(inkwell_largepage_bench largepage_bench.cpp)
    target_link_libraries(inkwell_largepage_bench PRIVATE inkwell_mainwindow inkwell_testsupport Qt6::Test)
    target_compile_definitions(inkwell_largepage_bench PRIVATE INKWELL_BINARY_DIR="${PROJECT_BINARY_DIR}")
endif()
