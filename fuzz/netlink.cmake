movu_fuzz(netlink ${CMAKE_CURRENT_SOURCE_DIR}/netlink.cpp DEPS platform_device)
