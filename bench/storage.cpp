// Property-list (binary and XML) and JSON round trips of a document of about 1 MB, the size of
// a large announcement list or a full preferences file with the SDK's records.

#include <benchmark/benchmark.h>

#include <string>

#include "platform/storage/Json.h"
#include "platform/storage/PropertyList.h"

using namespace platform;

namespace {

// Records of mixed types, as server settings and score tables look; about 1 MB as JSON.
const Value& document() {
    static const Value doc = [] {
        Value::Array records;
        for (int i = 0; records.size() < 4200; ++i) {
            records.push_back(Value::dictionary({
                {"id", i},
                {"title", "Level " + std::to_string(i) + " \u2013 road with burgers \U0001F354"},
                {"url",
                 "https://example.invalid/iphone/cmd/jump?gid=1023&lid=" + std::to_string(i)},
                {"score", i * 37.25},
                {"enabled", i % 3 == 0},
                {"tags", Value::array({"normal", "obstacles", std::to_string(i % 17)})},
                {"limits", Value::dictionary({{"min", -i}, {"max", i * 1000}})},
            }));
        }
        return Value::dictionary({{"version", 4097}, {"records", Value(std::move(records))}});
    }();
    return doc;
}

void roundTripPlist(benchmark::State& state, PropertyListFormat format) {
    const Value& doc = document();
    std::size_t bytes = 0;
    for (auto _ : state) {
        auto text = PropertyList::serialize(doc, format);
        auto back = PropertyList::parse(*text);
        bytes = text->size();
        benchmark::DoNotOptimize(back);
    }
    state.counters["docBytes"] = static_cast<double>(bytes);
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * bytes));
}

void BM_BinaryPlistRoundTrip(benchmark::State& s) {
    roundTripPlist(s, PropertyListFormat::Binary);
}
void BM_XmlPlistRoundTrip(benchmark::State& s) {
    roundTripPlist(s, PropertyListFormat::Xml);
}

void BM_BinaryPlistParse(benchmark::State& state) {
    const std::string text = *PropertyList::serialize(document(), PropertyListFormat::Binary);
    for (auto _ : state) benchmark::DoNotOptimize(PropertyList::parse(text));
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * text.size()));
}

void BM_XmlPlistParse(benchmark::State& state) {
    const std::string text = *PropertyList::serialize(document(), PropertyListFormat::Xml);
    for (auto _ : state) benchmark::DoNotOptimize(PropertyList::parse(text));
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * text.size()));
}

// One flat list of 50 000 texts: large lists once took time quadratic in their length.
void BM_BinaryPlistParseFlatList(benchmark::State& state) {
    Value::Array items;
    for (int i = 0; i < 50000; ++i) items.push_back(Value("entry " + std::to_string(i)));
    const std::string text =
        *PropertyList::serialize(Value(std::move(items)), PropertyListFormat::Binary);
    for (auto _ : state) benchmark::DoNotOptimize(PropertyList::parse(text));
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * text.size()));
}

void BM_JsonRoundTrip(benchmark::State& state) {
    const Value& doc = document();
    std::size_t bytes = 0;
    for (auto _ : state) {
        auto text = Json::write(doc);
        auto back = Json::parse(*text);
        bytes = text->size();
        benchmark::DoNotOptimize(back);
    }
    state.counters["docBytes"] = static_cast<double>(bytes);
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * bytes));
}

void BM_JsonParse(benchmark::State& state) {
    const std::string text = *Json::write(document());
    for (auto _ : state) benchmark::DoNotOptimize(Json::parse(text));
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * text.size()));
}

void BM_JsonWritePretty(benchmark::State& state) {
    const Value& doc = document();
    std::size_t bytes = 0;
    for (auto _ : state) {
        auto text = Json::write(doc, Json::kWritingPrettyPrinted);
        bytes = text->size();
        benchmark::DoNotOptimize(text);
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * bytes));
}

}  // namespace

BENCHMARK(BM_BinaryPlistRoundTrip)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_XmlPlistRoundTrip)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_BinaryPlistParse)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_XmlPlistParse)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_BinaryPlistParseFlatList)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_JsonRoundTrip)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_JsonParse)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_JsonWritePretty)->Unit(benchmark::kMillisecond);

BENCHMARK_MAIN();
