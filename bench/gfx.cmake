movu_bench(bench_gfx ${CMAKE_CURRENT_SOURCE_DIR}/gfx.cpp DEPS app app_testsupport game platform_gfx platform_storage platform_testing)
if(TARGET bench_gfx)
  target_compile_definitions(bench_gfx PRIVATE MOVU_ASSETS_DIR="${CMAKE_SOURCE_DIR}/assets")
endif()
