movu_fuzz(advertising_id ${CMAKE_CURRENT_SOURCE_DIR}/advertising_id.cpp DEPS platform_device)
