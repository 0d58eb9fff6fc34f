movu_fuzz(ads_content_ranges ${CMAKE_CURRENT_SOURCE_DIR}/ads_content_ranges.cpp DEPS ads_foundation)
