# The HTML tokenizer: Qt-free and free of the formatter's layout, so that other readers of markup (the
# archive's resource scanner) can use it too.
add_library(inkwell_htmltokenizer STATIC
    htmlscanner.cpp
    htmltokenizer.cpp)
target_include_directories(inkwell_htmltokenizer PUBLIC ${PROJECT_SOURCE_DIR})
target_link_libraries(inkwell_htmltokenizer PRIVATE inkwell_core)

# The HTML formatter (the printer, the open-tag record) and the script re-indenter it uses: Qt-free, linked
# by the program, the inkwell-format tool, the tests, the fuzzer and the benchmark.
add_library(inkwell_formatter STATIC
    htmlformatter.cpp
    htmlprinter.cpp
    opentagrecord.cpp
    scriptreindent.cpp)
target_include_directories(inkwell_formatter PUBLIC ${PROJECT_SOURCE_DIR})
target_link_libraries(inkwell_formatter PUBLIC inkwell_htmltokenizer PRIVATE inkwell_core)

# The printer calls into the tokenizer and the open-tag record once or twice per token; compiled apart,
# those calls cost a tenth of the formatter's speed. Link-time optimisation inlines them again where GCC
# offers it (the clang sanitizer build goes without).
include(CheckIPOSupported)
check_ipo_supported(RESULT inkwell_formatter_ipo LANGUAGES CXX)
if(inkwell_formatter_ipo AND CMAKE_CXX_COMPILER_ID STREQUAL "GNU")
    set_property(TARGET inkwell_htmltokenizer inkwell_formatter PROPERTY INTERPROCEDURAL_OPTIMIZATION TRUE)
endif()
