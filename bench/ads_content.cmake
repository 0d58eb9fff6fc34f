movu_bench(bench_ads_content ${CMAKE_CURRENT_SOURCE_DIR}/ads_content.cpp
  DEPS ads_slot platform_runtime)
