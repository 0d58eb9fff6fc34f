movu_bench(bench_payment_queue ${CMAKE_CURRENT_SOURCE_DIR}/payment_queue.cpp
  DEPS platform_services platform_storage platform_runtime)
