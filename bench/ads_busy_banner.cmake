movu_bench(bench_ads_busy_banner ${CMAKE_CURRENT_SOURCE_DIR}/ads_busy_banner.cpp
  DEPS ads ads_testsupport platform_web platform_ui platform_gfx platform_testing platform_runtime)
