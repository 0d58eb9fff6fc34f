movu_fuzz(json ${CMAKE_CURRENT_SOURCE_DIR}/json.cpp DEPS platform_storage)
