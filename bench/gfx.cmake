movu_bench(bench_gfx ${CMAKE_CURRENT_SOURCE_DIR}/gfx.cpp DEPS app platform_gfx)
