movu_fuzz(video_picture_size ${CMAKE_CURRENT_SOURCE_DIR}/video_picture_size.cpp
  DEPS platform_services)
