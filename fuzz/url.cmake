movu_fuzz(url ${CMAKE_CURRENT_SOURCE_DIR}/url.cpp DEPS platform_base)
