# Text encodings of document files (iconv from the C library).
add_library(inkwell_encoding STATIC textencoding.cpp)
target_include_directories(inkwell_encoding PUBLIC ${PROJECT_SOURCE_DIR})
target_link_libraries(inkwell_encoding PUBLIC inkwell_kit)
if(INKWELL_FUZZ)
    # Coverage feedback for the fuzzer has to come from the library, where the decoding happens.
    target_compile_options(inkwell_encoding PRIVATE -fsanitize=fuzzer-no-link)
    target_link_options(inkwell_encoding INTERFACE -fsanitize=fuzzer-no-link)
endif()
