movu_fuzz(ads_instrument ${CMAKE_CURRENT_SOURCE_DIR}/ads_instrument.cpp
          DEPS ads_web ads_foundation)
