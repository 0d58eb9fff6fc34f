movu_fuzz(sound ${CMAKE_CURRENT_SOURCE_DIR}/sound.cpp DEPS platform_audio
  SEEDS ${CMAKE_SOURCE_DIR}/assets)
