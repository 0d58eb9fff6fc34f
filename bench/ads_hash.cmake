movu_bench(bench_ads_hash ${CMAKE_CURRENT_SOURCE_DIR}/ads_hash.cpp DEPS ads_foundation)
