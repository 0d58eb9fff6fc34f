movu_fuzz(mediation_config ${CMAKE_CURRENT_SOURCE_DIR}/mediation_config.cpp DEPS ads_mediation
  SEEDS ${CMAKE_SOURCE_DIR}/fuzz/corpus/json)
