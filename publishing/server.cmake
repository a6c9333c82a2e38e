# The page server, its gzip answers and the page URL: Qt-free, linked by the program and the tests.
add_library(inkwell_server STATIC
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
target_include_directories(inkwell_server PUBLIC ${PROJECT_SOURCE_DIR})
target_link_libraries(inkwell_server PUBLIC inkwell_core inkwell_document Threads::Threads PRIVATE ZLIB::ZLIB)
