movu_fuzz(ads_iap_reports ${CMAKE_CURRENT_SOURCE_DIR}/ads_iap_reports.cpp DEPS ads_iap)
