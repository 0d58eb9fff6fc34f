movu_fuzz(ads_sdk_core ${CMAKE_CURRENT_SOURCE_DIR}/ads_sdk_core.cpp
  DEPS ads_web ads_foundation platform_storage platform_base)
