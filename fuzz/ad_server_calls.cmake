movu_fuzz(ad_server_calls ${CMAKE_CURRENT_SOURCE_DIR}/ad_server_calls.cpp DEPS ad_server platform_base)
