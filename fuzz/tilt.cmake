movu_fuzz(tilt ${CMAKE_CURRENT_SOURCE_DIR}/tilt.cpp DEPS platform_device)
