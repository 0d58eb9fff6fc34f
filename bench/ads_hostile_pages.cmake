movu_bench(bench_ads_hostile_pages ${CMAKE_CURRENT_SOURCE_DIR}/ads_hostile_pages.cpp
  DEPS ads_web ads_fullscreen ad_server platform_web platform_ui platform_testing
       platform_runtime platform_media_gst)
# The huge video is one of the clips tools/media_clips makes at build time.
if(TARGET bench_ads_hostile_pages)
  add_dependencies(bench_ads_hostile_pages media_clip_files)
  target_compile_definitions(bench_ads_hostile_pages PRIVATE
    MOVU_BINARY_DIR="${CMAKE_BINARY_DIR}")
endif()
