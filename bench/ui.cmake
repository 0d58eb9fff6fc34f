movu_bench(bench_ui ${CMAKE_CURRENT_SOURCE_DIR}/ui.cpp DEPS platform_ui platform_gfx)
if(TARGET bench_ui)
  target_compile_definitions(bench_ui PRIVATE MOVU_SOURCE_DIR="${CMAKE_SOURCE_DIR}")
endif()
