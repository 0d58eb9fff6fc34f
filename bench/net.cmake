movu_bench(bench_net ${CMAKE_CURRENT_SOURCE_DIR}/net.cpp DEPS platform_net platform_testing)
