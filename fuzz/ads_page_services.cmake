movu_fuzz(ads_page_services ${CMAKE_CURRENT_SOURCE_DIR}/ads_page_services.cpp
          DEPS ads_fullscreen ads_web ads_foundation)
