movu_fuzz(ads_token ${CMAKE_CURRENT_SOURCE_DIR}/ads_token.cpp DEPS ads_foundation)
