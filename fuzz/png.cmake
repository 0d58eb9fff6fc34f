movu_fuzz(png ${CMAKE_CURRENT_SOURCE_DIR}/png.cpp DEPS platform_gfx
  SEEDS ${CMAKE_SOURCE_DIR}/assets)
