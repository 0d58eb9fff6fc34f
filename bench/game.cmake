movu_bench(bench_game ${CMAKE_CURRENT_SOURCE_DIR}/game.cpp DEPS game game_testsupport platform_gfx platform_gl_testing)
