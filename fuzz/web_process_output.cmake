movu_fuzz(web_process_output ${CMAKE_CURRENT_SOURCE_DIR}/web_process_output.cpp DEPS platform_web)
