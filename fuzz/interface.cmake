movu_fuzz(interface ${CMAKE_CURRENT_SOURCE_DIR}/interface.cpp DEPS platform_ui
  SEEDS ${CMAKE_SOURCE_DIR}/assets/ui)
