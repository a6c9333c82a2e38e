# Text encodings of document files (iconv from the C library).
add_library(inkwell_encoding STATIC textencoding.cpp)
target_include_directories(inkwell_encoding PUBLIC ${PROJECT_SOURCE_DIR})
target_link_libraries(inkwell_encoding PUBLIC inkwell_kit)
