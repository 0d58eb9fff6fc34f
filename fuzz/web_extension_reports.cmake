movu_fuzz(web_extension_reports ${CMAKE_CURRENT_SOURCE_DIR}/web_extension_reports.cpp DEPS platform_web)
