movu_fuzz(ads_native_formats ${CMAKE_CURRENT_SOURCE_DIR}/ads_native_formats.cpp DEPS ads_native
  SEEDS ${CMAKE_SOURCE_DIR}/fuzz/corpus/json)
