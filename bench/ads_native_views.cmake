movu_bench(bench_ads_native_views ${CMAKE_CURRENT_SOURCE_DIR}/ads_native_views.cpp
  DEPS ads_native platform_ui platform_runtime)
