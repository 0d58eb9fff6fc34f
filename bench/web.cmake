movu_bench(bench_web ${CMAKE_CURRENT_SOURCE_DIR}/web.cpp DEPS platform_web platform_testing platform_runtime)
