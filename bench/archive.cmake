# The web archive of a page nested a million deep and of the 10 MB corpus page, read from the disk.
add_executable(inkwell_archive_bench archive_bench.cpp)
target_link_libraries(inkwell_archive_bench PRIVATE inkwell_archive inkwell_testsupport benchmark::benchmark)
target_include_directories(inkwell_archive_bench PRIVATE ${PROJECT_SOURCE_DIR})
target_compile_definitions(inkwell_archive_bench PRIVATE INKWELL_TEST_DATA="${PROJECT_SOURCE_DIR}/tests/data")
