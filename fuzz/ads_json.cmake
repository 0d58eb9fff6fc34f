movu_fuzz(ads_json ${CMAKE_CURRENT_SOURCE_DIR}/ads_json.cpp DEPS ads_foundation
  SEEDS ${CMAKE_SOURCE_DIR}/fuzz/corpus/json)
