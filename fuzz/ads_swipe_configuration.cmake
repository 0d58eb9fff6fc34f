movu_fuzz(ads_swipe_configuration ${CMAKE_CURRENT_SOURCE_DIR}/ads_swipe_configuration.cpp
  DEPS ads_foundation)
