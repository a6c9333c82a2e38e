# The web archive builder: scanners, URL resolution, the local-file rule and MIME writing on their own, the builder over
# a site in memory, the fetcher against canned answers, and the builder over a real page server
# with the archive read back by Python's email package and shown by headless Chromium.
inkwell_add_test(archivescan_test
    SOURCES cssresourcescanner_test.cpp htmlresourcescanner_test.cpp urlresolver_test.cpp mimewriter_test.cpp
        localfilepolicy_test.cpp
    LIBS inkwell_archive)

inkwell_add_test(archivebuilder_test
    SOURCES archivebuilder_test.cpp archivebuilder_memory_test.cpp archivelocalfiles_test.cpp curlfetcher_test.cpp
        inkwellmht_test.cpp
    LIBS inkwell_archive inkwell_publishing)
add_dependencies(archivebuilder_test inkwell-mht)

inkwell_add_fuzzer(archivescan_fuzzer
    SOURCES archivescan_fuzzer.cpp
    LIBS inkwell_archive
    CORPUS ${PROJECT_SOURCE_DIR}/tests/data/archive/fuzz)
