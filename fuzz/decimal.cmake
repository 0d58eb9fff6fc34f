movu_fuzz(decimal ${CMAKE_CURRENT_SOURCE_DIR}/decimal.cpp DEPS platform_base)
