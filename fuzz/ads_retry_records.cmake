movu_fuzz(ads_retry_records ${CMAKE_CURRENT_SOURCE_DIR}/ads_retry_records.cpp
          DEPS ads_foundation platform_storage)
