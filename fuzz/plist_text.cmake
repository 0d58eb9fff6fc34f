movu_fuzz(plist_text ${CMAKE_CURRENT_SOURCE_DIR}/plist_text.cpp DEPS platform_storage)
