movu_fuzz(net_content_range ${CMAKE_CURRENT_SOURCE_DIR}/net_content_range.cpp DEPS platform_net)
