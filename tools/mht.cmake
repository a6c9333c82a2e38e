# inkwell-mht [--allow-local-files] URL OUTPUT: writes the web archive of a page from the command line.
add_executable(inkwell-mht inkwell-mht/main.cpp)
target_link_libraries(inkwell-mht PRIVATE inkwell_archive)
