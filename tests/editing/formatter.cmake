# The HTML formatter: golden folders and the entry points, properties over real and generated pages,
# the script re-indenter, and a libFuzzer target.
inkwell_add_test(htmlformatter_test
    SOURCES htmlformatter_test.cpp
    LIBS inkwell_formatter)
inkwell_add_test(htmlformatter_property_test
    SOURCES htmlformatter_property_test.cpp
    LIBS inkwell_formatter)
inkwell_add_test(scriptreindent_test
    SOURCES scriptreindent_test.cpp
    LIBS inkwell_formatter)
inkwell_add_fuzzer(htmlformatter_fuzzer
    SOURCES htmlformatter_fuzzer.cpp
    LIBS inkwell_formatter
    CORPUS ${PROJECT_SOURCE_DIR}/tests/data/formatter/fuzz)
