movu_bench(bench_game_page_floods ${CMAKE_CURRENT_SOURCE_DIR}/game_page_floods.cpp DEPS platform_testing)
if(TARGET bench_game_page_floods)
  target_compile_definitions(bench_game_page_floods PRIVATE MOVU_BINARY_DIR="${CMAKE_BINARY_DIR}"
                             MOVU_SOURCE_DIR="${CMAKE_SOURCE_DIR}")
  add_dependencies(bench_game_page_floods movuroute movu_ad_server)
endif()
