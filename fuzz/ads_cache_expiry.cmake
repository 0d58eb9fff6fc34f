movu_fuzz(ads_cache_expiry ${CMAKE_CURRENT_SOURCE_DIR}/ads_cache_expiry.cpp DEPS ads_foundation)
