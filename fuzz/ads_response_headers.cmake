movu_fuzz(ads_response_headers ${CMAKE_CURRENT_SOURCE_DIR}/ads_response_headers.cpp DEPS ads_foundation)
