# The HTML formatter and the script re-indenter it uses: Qt-free, linked by the program, the
# inkwell-format tool, the tests, the fuzzer and the benchmark.
add_library(inkwell_formatter STATIC
    htmlformatter.cpp
    scriptreindent.cpp)
target_include_directories(inkwell_formatter PUBLIC ${PROJECT_SOURCE_DIR})
target_link_libraries(inkwell_formatter PRIVATE inkwell_kit)
