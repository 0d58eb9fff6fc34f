movu_fuzz(web_page_values ${CMAKE_CURRENT_SOURCE_DIR}/web_page_values.cpp DEPS platform_web_testing)
