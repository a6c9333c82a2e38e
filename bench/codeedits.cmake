# carryEdits on a 5 MB page with one word changed, next to one formatting of the page.
add_executable(inkwell_codeedits_bench codeedits_bench.cpp)
target_link_libraries(inkwell_codeedits_bench PRIVATE inkwell_codeedits inkwell_testsupport benchmark::benchmark)
target_include_directories(inkwell_codeedits_bench PRIVATE ${PROJECT_SOURCE_DIR})
target_compile_definitions(inkwell_codeedits_bench PRIVATE INKWELL_TEST_DATA="${PROJECT_SOURCE_DIR}/tests/data")
