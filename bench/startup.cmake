movu_bench(bench_startup ${CMAKE_CURRENT_SOURCE_DIR}/startup.cpp DEPS ad_server platform_testing platform_runtime)
if(TARGET bench_startup)
  target_compile_definitions(bench_startup PRIVATE MOVU_SOURCE_DIR="${CMAKE_SOURCE_DIR}"
                             MOVU_BINARY_DIR="${CMAKE_BINARY_DIR}")
  add_dependencies(bench_startup movuroute)
endif()
