movu_fuzz(precache_filename ${CMAKE_CURRENT_SOURCE_DIR}/precache_filename.cpp DEPS ads_web)
