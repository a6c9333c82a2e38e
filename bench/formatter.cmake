# formatHtml throughput on 1, 10 and 50 MB pages made from the real-page fixtures, and the peer
# comparison with tidy and Prettier on the same files: run bench/formatter_peers.py.
add_executable(inkwell_formatter_bench formatter_bench.cpp)
target_link_libraries(inkwell_formatter_bench PRIVATE inkwell_formatter inkwell_testsupport benchmark::benchmark)
target_include_directories(inkwell_formatter_bench PRIVATE ${PROJECT_SOURCE_DIR})
target_compile_definitions(inkwell_formatter_bench PRIVATE INKWELL_TEST_DATA="${PROJECT_SOURCE_DIR}/tests/data")
