# The web archive builder: fetches a page and its resources (libcurl), finds the references
# (a tokenizer for HTML, a small scanner for CSS), keeps out local files the page only names, and
# writes a MIME multipart/related archive.
add_library(inkwell_archive STATIC
    archive/archivebuilder.cpp
    archive/cssresourcescanner.cpp
    archive/curlfetcher.cpp
    archive/htmlresourcescanner.cpp
    archive/localfilepolicy.cpp
    archive/localfilereader.cpp
    archive/mimewriter.cpp
    archive/urlresolver.cpp)
target_include_directories(inkwell_archive PUBLIC ${PROJECT_SOURCE_DIR})
target_link_libraries(inkwell_archive PUBLIC inkwell_kit PRIVATE inkwell_encoding CURL::libcurl)
