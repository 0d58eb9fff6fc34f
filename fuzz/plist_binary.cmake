movu_fuzz(plist_binary ${CMAKE_CURRENT_SOURCE_DIR}/plist_binary.cpp DEPS platform_storage)
