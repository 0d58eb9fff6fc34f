movu_fuzz(store_catalogue ${CMAKE_CURRENT_SOURCE_DIR}/store_catalogue.cpp DEPS platform_services)
