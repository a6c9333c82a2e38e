# Page server load (wrk and inkwell_load, beside nginx) and gzip speed (beside gzip -3); run
# bench/server_bench.sh BUILD_DIR.
add_executable(inkwell_serve server_serve.cpp)
target_link_libraries(inkwell_serve PRIVATE inkwell_server)

add_executable(inkwell_gzip_bench server_gzip_bench.cpp)
target_link_libraries(inkwell_gzip_bench PRIVATE inkwell_server benchmark::benchmark)

add_executable(inkwell_load server_load.cpp)
target_link_libraries(inkwell_load PRIVATE Threads::Threads)
