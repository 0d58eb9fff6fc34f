movu_bench(bench_gmsg ${CMAKE_CURRENT_SOURCE_DIR}/gmsg.cpp DEPS ads_web platform_runtime)
