movu_fuzz(announce_list ${CMAKE_CURRENT_SOURCE_DIR}/announce_list.cpp DEPS online platform_storage)
