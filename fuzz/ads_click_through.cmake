movu_fuzz(ads_click_through ${CMAKE_CURRENT_SOURCE_DIR}/ads_click_through.cpp
  DEPS ads_fullscreen ads_web ads_foundation platform_services platform_base)
