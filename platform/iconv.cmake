# Conversions between character encodings through the C library's iconv. Qt-free.
add_library(inkwell_iconv STATIC iconvconverter.cpp)
target_include_directories(inkwell_iconv PUBLIC ${PROJECT_SOURCE_DIR})
