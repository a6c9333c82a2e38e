# The lock that keeps a second program off the same run folder (flock). Qt-free.
add_library(inkwell_instancelock STATIC instancelock.cpp)
target_include_directories(inkwell_instancelock PUBLIC ${PROJECT_SOURCE_DIR})
target_link_libraries(inkwell_instancelock PUBLIC inkwell_core)
