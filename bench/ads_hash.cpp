// MurmurHash3 as content hashing uses it: over a page's text at once, and over every shingle
// of it (each run of six consecutive words), which is the hot loop when a page is
// fingerprinted.

#include <benchmark/benchmark.h>

#include <cstdint>
#include <random>
#include <string>
#include <string_view>
#include <vector>

#include "ads/foundation/GADMurmurHash3.h"

using ads::GADMurmurHash3;

namespace {

// Text of page-like words (2 to 10 letters, some accented), the same every run.
std::string pageText(std::size_t bytes) {
    std::mt19937 random(42);
    std::uniform_int_distribution<int> length(2, 10);
    std::uniform_int_distribution<int> letter(0, 25);
    std::string text;
    while (text.size() < bytes) {
        const int n = length(random);
        for (int i = 0; i < n; ++i) text += static_cast<char>('a' + letter(random));
        if (letter(random) == 0) text += "\xC3\xA9";
        text += ' ';
    }
    text.resize(bytes);
    return text;
}

// Where each word starts and ends.
std::vector<std::string_view> words(const std::string& text) {
    std::vector<std::string_view> out;
    std::size_t start = 0;
    while (start < text.size()) {
        std::size_t end = text.find(' ', start);
        if (end == std::string::npos) end = text.size();
        if (end > start) out.emplace_back(text.data() + start, end - start);
        start = end + 1;
    }
    return out;
}

void BM_HashWholePage(benchmark::State& state) {
    const std::string text = pageText(static_cast<std::size_t>(state.range(0)));
    for (auto _ : state) {
        benchmark::DoNotOptimize(GADMurmurHash3(text.data(), text.size(), 0));
    }
    state.SetBytesProcessed(state.iterations() * state.range(0));
}
BENCHMARK(BM_HashWholePage)->Arg(4 << 10)->Arg(64 << 10)->Arg(1 << 20);

void BM_HashEveryShingle(benchmark::State& state) {
    constexpr std::size_t kShingleLength = 6;
    const std::string text = pageText(static_cast<std::size_t>(state.range(0)));
    const std::vector<std::string_view> all = words(text);
    const std::size_t shingles = all.size() >= kShingleLength ? all.size() - kShingleLength + 1 : 0;
    for (auto _ : state) {
        std::uint32_t combined = 0;
        for (std::size_t i = 0; i < shingles; ++i) {
            const char* begin = all[i].data();
            const char* end =
                all[i + kShingleLength - 1].data() + all[i + kShingleLength - 1].size();
            combined ^= GADMurmurHash3(begin, static_cast<std::uint64_t>(end - begin), 0);
        }
        benchmark::DoNotOptimize(combined);
    }
    state.SetItemsProcessed(state.iterations() * static_cast<std::int64_t>(shingles));
    state.counters["shingles"] = static_cast<double>(shingles);
}
BENCHMARK(BM_HashEveryShingle)->Arg(4 << 10)->Arg(64 << 10);

}  // namespace

BENCHMARK_MAIN();
