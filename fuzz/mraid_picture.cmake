movu_fuzz(mraid_picture ${CMAKE_CURRENT_SOURCE_DIR}/mraid_picture.cpp
  DEPS ads_fullscreen ads_web ads_foundation platform_gfx platform_base
  SEEDS ${CMAKE_SOURCE_DIR}/fuzz/corpus/picture ${CMAKE_SOURCE_DIR}/fuzz/corpus/png
        ${CMAKE_SOURCE_DIR}/fuzz/regressions/ads_native_picture)
