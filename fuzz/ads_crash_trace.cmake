movu_fuzz(ads_crash_trace ${CMAKE_CURRENT_SOURCE_DIR}/ads_crash_trace.cpp
          DEPS ads_foundation platform_runtime SEEDS ${CMAKE_CURRENT_SOURCE_DIR}/corpus/crash_report)
