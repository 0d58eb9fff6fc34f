movu_fuzz(ads_codec ${CMAKE_CURRENT_SOURCE_DIR}/ads_codec.cpp DEPS ads_foundation)
