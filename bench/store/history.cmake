# Timings of the print history at scale (1.5 million rows).
add_executable(bench_store_history ${CMAKE_CURRENT_LIST_DIR}/history_bench.cpp)
target_link_libraries(bench_store_history PRIVATE store_grid benchmark::benchmark)
