if(MOVU_BENCH)
  find_package(PkgConfig REQUIRED)
  pkg_check_modules(MOVU_BENCH_GST REQUIRED IMPORTED_TARGET gstreamer-1.0)
endif()
movu_bench(bench_media_player ${CMAKE_CURRENT_SOURCE_DIR}/media_player.cpp
  DEPS platform_media_gst platform_gfx platform_ui platform_testing PkgConfig::MOVU_BENCH_GST)
