movu_bench(bench_ads_render_check ${CMAKE_CURRENT_SOURCE_DIR}/ads_render_check.cpp
  DEPS ads_slot platform_web_testing platform_testing platform_runtime)
