movu_fuzz(ads_video_messages ${CMAKE_CURRENT_SOURCE_DIR}/ads_video_messages.cpp
  DEPS ads_web ads_testsupport platform_services_testing)
