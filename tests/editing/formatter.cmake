# The HTML formatter: golden folders and the entry points, properties over real and generated pages,
# the script re-indenter, the command-line tool, and a libFuzzer target.
inkwell_add_test(htmlformatter_test
    SOURCES htmlformatter_test.cpp
    LIBS inkwell_formatter)
inkwell_add_test(htmlformatter_property_test
    SOURCES htmlformatter_property_test.cpp
    LIBS inkwell_formatter)
inkwell_add_test(scriptreindent_test
    SOURCES scriptreindent_test.cpp
    LIBS inkwell_formatter)
inkwell_add_test(htmlformatter_tool_test
    SOURCES htmlformatter_tool_test.cpp
    LIBS inkwell_formatter)
target_compile_definitions(htmlformatter_tool_test PRIVATE INKWELL_FORMAT_TOOL="$<TARGET_FILE:inkwell-format>")
add_dependencies(htmlformatter_tool_test inkwell-format)
inkwell_add_fuzzer(htmlformatter_fuzzer
    SOURCES htmlformatter_fuzzer.cpp
    LIBS inkwell_formatter
    CORPUS ${PROJECT_SOURCE_DIR}/tests/data/formatter/fuzz-corpus)
inkwell_add_test(editcarrier_test
    SOURCES editcarrier_test.cpp
    LIBS inkwell_codeedits inkwell_formatter)
inkwell_add_fuzzer(editcarrier_fuzzer
    SOURCES editcarrier_fuzzer.cpp
    LIBS inkwell_codeedits inkwell_formatter
    CORPUS ${PROJECT_SOURCE_DIR}/tests/data/editing/fuzz)
inkwell_add_test(elementplace_test
    SOURCES elementplace_test.cpp
    LIBS inkwell_codeedits inkwell_formatter)
