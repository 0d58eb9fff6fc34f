movu_bench(bench_ad_load ${CMAKE_CURRENT_SOURCE_DIR}/ad_load.cpp
  DEPS ads_slot ads_testsupport platform_web platform_net platform_testing platform_runtime)
