movu_bench(bench_gameloop ${CMAKE_CURRENT_SOURCE_DIR}/gameloop.cpp DEPS app_main platform_runtime)
