movu_bench(bench_storage ${CMAKE_CURRENT_SOURCE_DIR}/storage.cpp DEPS platform_storage)
