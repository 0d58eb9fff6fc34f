movu_fuzz(ads_native_ad ${CMAKE_CURRENT_SOURCE_DIR}/ads_native_ad.cpp DEPS ads_native
  SEEDS ${CMAKE_SOURCE_DIR}/fuzz/corpus/json)
