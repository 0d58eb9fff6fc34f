movu_bench(bench_ads_mediation ${CMAKE_CURRENT_SOURCE_DIR}/ads_mediation.cpp
  DEPS ads_mediation ads_slot ads_fullscreen ads_testsupport platform_testing platform_runtime)
