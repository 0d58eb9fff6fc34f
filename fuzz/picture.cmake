movu_fuzz(picture ${CMAKE_CURRENT_SOURCE_DIR}/picture.cpp DEPS platform_gfx
  SEEDS ${CMAKE_SOURCE_DIR}/fuzz/corpus/png)
