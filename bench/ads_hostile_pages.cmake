movu_bench(bench_ads_hostile_pages ${CMAKE_CURRENT_SOURCE_DIR}/ads_hostile_pages.cpp
  DEPS ads_web ads_fullscreen ad_server platform_web platform_ui platform_testing
       platform_runtime)
