movu_fuzz(ads_cached_file ${CMAKE_CURRENT_SOURCE_DIR}/ads_cached_file.cpp DEPS ads_foundation)
