movu_bench(bench_runtime ${CMAKE_CURRENT_SOURCE_DIR}/runtime.cpp DEPS platform_runtime)
