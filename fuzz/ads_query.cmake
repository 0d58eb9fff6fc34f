movu_fuzz(ads_query ${CMAKE_CURRENT_SOURCE_DIR}/ads_query.cpp DEPS ads_foundation)
