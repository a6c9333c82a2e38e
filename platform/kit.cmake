# The small kit every folder shares: errors as values, descriptors, whole-file reads, atomic writes
# and ASCII helpers. Qt-free.
add_library(inkwell_kit STATIC ascii.cpp atomicfile.cpp percentencoding.cpp readfile.cpp regularfile.cpp)
target_include_directories(inkwell_kit PUBLIC ${PROJECT_SOURCE_DIR})
