movu_fuzz(crash_report ${CMAKE_CURRENT_SOURCE_DIR}/crash_report.cpp DEPS platform_runtime)
