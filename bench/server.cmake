# Page server load (wrk, beside nginx) and gzip speed (beside gzip -3); run bench/server_bench.sh.
add_executable(inkwell_serve server_serve.cpp)
target_link_libraries(inkwell_serve PRIVATE inkwell_publishing)

add_executable(inkwell_gzip_bench server_gzip_bench.cpp)
target_link_libraries(inkwell_gzip_bench PRIVATE inkwell_publishing benchmark::benchmark)
