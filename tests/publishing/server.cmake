# The page server, its gzip answers and the page URL.
inkwell_add_test(request_test
    SOURCES httprequest_test.cpp requestpath_test.cpp
    LIBS inkwell_server)
inkwell_add_test(gzipencoder_test
    SOURCES gzipencoder_test.cpp
    LIBS inkwell_server)
inkwell_add_test(pageurl_test
    SOURCES pageurl_test.cpp
    LIBS inkwell_server)
# Runs real servers on 127.0.0.1 and uses the curl program as an independent client.
inkwell_add_test(pageserver_test
    SOURCES pageserver_test.cpp
    LIBS inkwell_server)
# Files of gigabytes, files that change while they are sent, and a worker that runs out of memory;
# replaces the global operator new, so it is a program of its own.
inkwell_add_test(largefile_test
    SOURCES largefile_test.cpp
    LIBS inkwell_server ZLIB::ZLIB)
inkwell_add_fuzzer(request_fuzzer
    SOURCES request_fuzzer.cpp
    LIBS inkwell_server
    CORPUS ${PROJECT_SOURCE_DIR}/tests/data/server/fuzz)
