# The pictures come from the native tests' picture files (PictureBytes), which write JPEG.
find_package(PkgConfig REQUIRED)
pkg_check_modules(MOVU_BENCH_JPEG REQUIRED IMPORTED_TARGET libjpeg)
movu_bench(bench_ads_native_image ${CMAKE_CURRENT_SOURCE_DIR}/ads_native_image.cpp
  ${CMAKE_SOURCE_DIR}/ads/native/tests/PictureBytes.cpp
  DEPS ads_native platform_gfx PkgConfig::MOVU_BENCH_JPEG)
