movu_bench(bench_game_video_ad ${CMAKE_CURRENT_SOURCE_DIR}/game_video_ad.cpp DEPS platform_testing)
if(TARGET bench_game_video_ad)
  target_compile_definitions(bench_game_video_ad PRIVATE MOVU_BINARY_DIR="${CMAKE_BINARY_DIR}"
                             MOVU_SOURCE_DIR="${CMAKE_SOURCE_DIR}")
  add_dependencies(bench_game_video_ad movuroute movu_ad_server media_clip_files)
endif()
