movu_fuzz(ads_device_texts ${CMAKE_CURRENT_SOURCE_DIR}/ads_device_texts.cpp DEPS ads_foundation)
