movu_fuzz(ads_native_picture ${CMAKE_CURRENT_SOURCE_DIR}/ads_native_picture.cpp DEPS ads_native
  SEEDS ${CMAKE_SOURCE_DIR}/fuzz/corpus/picture ${CMAKE_SOURCE_DIR}/fuzz/corpus/png)
