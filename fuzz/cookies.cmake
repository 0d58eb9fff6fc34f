movu_fuzz(cookies ${CMAKE_CURRENT_SOURCE_DIR}/cookies.cpp DEPS platform_net)
