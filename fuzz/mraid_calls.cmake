movu_fuzz(mraid_calls ${CMAKE_CURRENT_SOURCE_DIR}/mraid_calls.cpp
  DEPS ads_slot ads_fullscreen ads_web ads_foundation platform_services platform_base
  SEEDS ${CMAKE_SOURCE_DIR}/fuzz/corpus/mraid_calls)
