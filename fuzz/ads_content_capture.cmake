movu_fuzz(ads_content_capture ${CMAKE_CURRENT_SOURCE_DIR}/ads_content_capture.cpp DEPS ads_foundation)
