movu_bench(bench_idle ${CMAKE_CURRENT_SOURCE_DIR}/idle.cpp DEPS platform_testing)
if(TARGET bench_idle)
  target_compile_definitions(bench_idle PRIVATE MOVU_BINARY_DIR="${CMAKE_BINARY_DIR}"
                             MOVU_SOURCE_DIR="${CMAKE_SOURCE_DIR}")
  add_dependencies(bench_idle movuroute movu_ad_server)
endif()
