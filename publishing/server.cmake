# The page server, its gzip answers and the page URL: Qt-free, linked by the program and the tests.
add_library(inkwell_publishing STATIC
    answer.cpp
    answerwriter.cpp
    contenttype.cpp
    gzipencoder.cpp
    httprequest.cpp
    pageserver.cpp
    pageurl.cpp
    requesthandler.cpp
    requesthost.cpp
    requestpath.cpp)
target_include_directories(inkwell_publishing PUBLIC ${PROJECT_SOURCE_DIR})
target_link_libraries(inkwell_publishing PUBLIC inkwell_kit inkwell_core Threads::Threads PRIVATE ZLIB::ZLIB)
