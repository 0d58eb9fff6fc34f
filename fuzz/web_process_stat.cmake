movu_fuzz(web_process_stat ${CMAKE_CURRENT_SOURCE_DIR}/web_process_stat.cpp DEPS platform_web)
