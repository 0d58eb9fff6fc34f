movu_bench(bench_sound_engine ${CMAKE_CURRENT_SOURCE_DIR}/sound_engine.cpp DEPS sound)
if(TARGET bench_sound_engine)
  target_compile_definitions(bench_sound_engine PRIVATE MOVU_SOURCE_DIR="${CMAKE_SOURCE_DIR}")
endif()
