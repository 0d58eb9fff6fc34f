if(MOVU_TESTS)
  movu_bench(bench_precache ${CMAKE_CURRENT_SOURCE_DIR}/precache.cpp
    DEPS ads_web ads_testsupport platform_testing)
endif()
