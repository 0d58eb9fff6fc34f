movu_fuzz(level_download ${CMAKE_CURRENT_SOURCE_DIR}/level_download.cpp DEPS online appbase util platform_storage)
