movu_fuzz(web_frame_only ${CMAKE_CURRENT_SOURCE_DIR}/web_frame_only.cpp DEPS platform_web)
