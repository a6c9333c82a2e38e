# The HTML formatter and the script re-indenter it uses: Qt-free, linked by the program, the
# inkwell-format tool, the tests, the fuzzer and the benchmark.
add_library(inkwell_formatter STATIC
    htmlformatter.cpp
    scriptreindent.cpp)
target_include_directories(inkwell_formatter PUBLIC ${PROJECT_SOURCE_DIR})
target_link_libraries(inkwell_formatter PRIVATE inkwell_kit)
if(INKWELL_FUZZ AND INKWELL_SANITIZE)
    # The fuzzer can only steer by coverage of the code it tests, which lives here, not in its own file.
    # The sanitizer runtime that every program then links supplies the coverage callbacks.
    target_compile_options(inkwell_formatter PRIVATE -fsanitize=fuzzer-no-link)
endif()
