# Memory of the real main window for a large page and many trips through the code view; run
# bench/historymemory.py under xvfb-run.
if(INKWELL_GUI)
    add_executable(inkwell_historymemory_bench historymemory_bench.cpp)
    target_link_libraries(inkwell_historymemory_bench PRIVATE inkwell_mainwindow inkwell_testsupport Qt6::Test)
    target_compile_definitions(inkwell_historymemory_bench PRIVATE INKWELL_BINARY_DIR="${PROJECT_BINARY_DIR}")
endif()
