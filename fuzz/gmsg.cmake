movu_fuzz(gmsg ${CMAKE_CURRENT_SOURCE_DIR}/gmsg.cpp DEPS ads_web ads_foundation platform_base)
