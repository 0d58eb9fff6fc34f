// URL loading costs: HTTP date handling (run for every cached response) and blocking fetches
// against a loopback server, small and large, to see the per-request overhead and the
// throughput of the transfer path.

#include <benchmark/benchmark.h>

#include "platform/net/Connection.h"
#include "platform/net/FetchSync.h"
#include "platform/net/HttpDate.h"
#include "platform/runtime/MainLoop.h"
#include "platform/testing/TestHttpServer.h"

namespace {

void BM_ParseHttpDate(benchmark::State& state) {
    const char* forms[] = {"Sun, 06 Nov 1994 08:49:37 GMT", "Sunday, 06-Nov-94 08:49:37 GMT",
                           "Sun Nov  6 08:49:37 1994"};
    std::size_t i = 0;
    for (auto _ : state) {
        benchmark::DoNotOptimize(platform::parseHttpDate(forms[i++ % 3]));
    }
}
BENCHMARK(BM_ParseHttpDate);

void BM_FormatHttpDate(benchmark::State& state) {
    double t = 784111777.0;
    for (auto _ : state) {
        benchmark::DoNotOptimize(platform::formatHttpDate(platform::Date{t}));
        t += 1;
    }
}
BENCHMARK(BM_FormatHttpDate);

void BM_FetchSyncLoopback(benchmark::State& state) {
    platform::testing::TestHttpServer server;
    const auto size = static_cast<std::size_t>(state.range(0));
    server.text("/body", std::string(size, 'x'), 200, "application/octet-stream");
    auto request = platform::UrlRequest::withString(server.url("/body")).value();
    for (auto _ : state) {
        auto result = platform::fetchSync(request);
        if (!result.ok() || result.body.size() != size) {
            state.SkipWithError("fetch failed");
            break;
        }
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * size));
}
BENCHMARK(BM_FetchSyncLoopback)->Arg(100)->Arg(1 << 20)->UseRealTime();

// The asynchronous path: worker thread, posts to the main loop, delegate calls.
void BM_ConnectionLoopback(benchmark::State& state) {
    platform::testing::TestHttpServer server;
    const auto size = static_cast<std::size_t>(state.range(0));
    server.text("/body", std::string(size, 'x'), 200, "application/octet-stream");
    auto request = platform::UrlRequest::withString(server.url("/body")).value();
    platform::MainLoop& loop = platform::MainLoop::main();
    loop.claim();
    for (auto _ : state) {
        bool done = false;
        std::size_t received = 0;
        platform::Connection::sendAsynchronousRequest(
            request, [&](const auto&, const platform::Connection::Bytes& body, const auto& error) {
                done = true;
                received = error ? 0 : body.size();
            });
        while (!done) loop.runOnce(1.0);
        if (received != size) {
            state.SkipWithError("load failed");
            break;
        }
    }
    loop.runUntilIdle();
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * size));
}
BENCHMARK(BM_ConnectionLoopback)->Arg(100)->Arg(1 << 20)->UseRealTime();

}  // namespace

BENCHMARK_MAIN();
