movu_fuzz(ads_template ${CMAKE_CURRENT_SOURCE_DIR}/ads_template.cpp DEPS ads_foundation)
