movu_fuzz(ads_adsize ${CMAKE_CURRENT_SOURCE_DIR}/ads_adsize.cpp DEPS ads_foundation)
