# inkwell-format: the formatter as a command-line filter for users' own pipelines.
add_executable(inkwell-format inkwell-format/main.cpp)
target_link_libraries(inkwell-format PRIVATE inkwell_formatter inkwell_core)
