movu_fuzz(http_date ${CMAKE_CURRENT_SOURCE_DIR}/http_date.cpp DEPS platform_net)
