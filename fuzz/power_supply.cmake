movu_fuzz(power_supply ${CMAKE_CURRENT_SOURCE_DIR}/power_supply.cpp DEPS platform_device)
