movu_fuzz(store_transactions ${CMAKE_CURRENT_SOURCE_DIR}/store_transactions.cpp DEPS platform_services)
