movu_fuzz(plist_xml ${CMAKE_CURRENT_SOURCE_DIR}/plist_xml.cpp DEPS platform_storage)
