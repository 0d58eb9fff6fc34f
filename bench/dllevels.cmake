movu_bench(bench_dllevels ${CMAKE_CURRENT_SOURCE_DIR}/dllevels.cpp DEPS online util appbase platform_storage)
