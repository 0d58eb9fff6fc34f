movu_bench(bench_ads_sdk_core ${CMAKE_CURRENT_SOURCE_DIR}/ads_sdk_core.cpp
  DEPS ads_web ad_server platform_web platform_testing platform_runtime)
