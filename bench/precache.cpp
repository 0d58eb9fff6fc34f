// An ad page's video fetched ahead: the body of a loopback answer streamed to a file, with an
// event posted to the page after every chunk. Targets: at least 50 MB/s on 2 cores, and the
// process's private memory the same whatever the size (the body is never held).
// Counters: bytes_per_second (MB/s of body), events/s, and the growth of private memory over
// the run (MB), which must not follow the size.

#include <benchmark/benchmark.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cstdlib>
#include <memory>
#include <string>

#include "ProcessMemory.h"
#include "ads/testsupport/AdViewTestScope.h"
#include "ads/testsupport/AdsTestScope.h"
#include "ads/web/GADAdView.h"
#include "ads/web/GADPrecacheGMSGHandler.h"
#include "platform/testing/RunMainLoopUntil.h"
#include "platform/testing/TestHttpServer.h"
#include "platform/web/FakeWebPage.h"

namespace {

// Serves `bytes` of a pattern in 64 KiB blocks, with its length.
void serveBody(platform::testing::TestHttpServer& server, std::size_t bytes) {
    server.get("/video.mp4", [bytes](const httplib::Request&, httplib::Response& res) {
        res.set_content_provider(
            bytes, "video/mp4", [bytes](std::size_t offset, std::size_t, httplib::DataSink& sink) {
                static const std::string block(64 * 1024, 'v');
                return sink.write(block.data(), std::min(block.size(), bytes - offset));
            });
    });
}

std::size_t eventsOf(const platform::web::FakeWebPage& page) {
    std::size_t count = 0;
    for (const auto& script : page.evaluations())
        count += script.find("'onPrecacheEvent'") != std::string::npos;
    return count;
}

bool finished(const platform::web::FakeWebPage& page) {
    const auto& all = page.evaluations();
    for (auto it = all.rbegin(); it != all.rend(); ++it) {
        if (it->find("'onPrecacheEvent'") == std::string::npos) continue;
        return it->find("precacheProgress") == std::string::npos;
    }
    return false;
}

// One ad page's handler downloading `url`, from its "precache" message to its end with the
// page.
struct Download {
    Download(ads::testing::AdViewTestScope& views, const std::string& url)
        : view(ads::GADAdView::create({0, 0, 320, 50})),
          page(views.web().lastPage()),
          handler(ads::GADPrecacheGMSGHandler::create()) {
        handler->handleNotification(
            ads::GADNotification::create("precache", {{"src", platform::Value(url)}}), view);
    }
    ~Download() {
        handler.reset();
        view->removeFromSuperview();
    }
    std::shared_ptr<ads::GADAdView> view;
    std::shared_ptr<platform::web::FakeWebPage> page;
    std::shared_ptr<ads::GADPrecacheGMSGHandler> handler;
};

// "bytesLoaded" of the last event the page heard.
std::int64_t lastBytesLoaded(const platform::web::FakeWebPage& page) {
    const auto& all = page.evaluations();
    for (auto it = all.rbegin(); it != all.rend(); ++it) {
        const auto at = it->find("\"bytesLoaded\":");
        if (it->find("'onPrecacheEvent'") == std::string::npos || at == std::string::npos) continue;
        return std::atoll(it->c_str() + at + 14);
    }
    return 0;
}

}  // namespace

static void BM_PrecacheFromLoopback(benchmark::State& state) {
    const auto bytes = static_cast<std::size_t>(state.range(0)) * 1024 * 1024;
    ads::testing::AdsTestScope scope;
    ads::testing::AdViewTestScope views;
    platform::testing::TestHttpServer server;
    serveBody(server, bytes);
    const double before = bench::processMemory(::getpid()).privateMB;
    double growth = 0;
    std::size_t events = 0;
    for (auto _ : state) {
        Download download(views, server.url("/video.mp4"));
        if (!platform::testing::runMainLoopUntil([&] { return finished(*download.page); }, 600)) {
            state.SkipWithError("the download did not end");
            break;
        }
        events += eventsOf(*download.page);
        growth = std::max(growth, bench::processMemory(::getpid()).privateMB - before);
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * bytes));
    state.counters["events/s"] =
        benchmark::Counter(static_cast<double>(events), benchmark::Counter::kIsRate);
    state.counters["private_growth_MB"] = growth;
}
BENCHMARK(BM_PrecacheFromLoopback)->Arg(10)->Arg(100)->Unit(benchmark::kMillisecond)->UseRealTime();

// A server that never stops sending, faster than the file is written: the download ends at the
// cap (100 MiB). Targets: what is read from the network stays at the cap, and the body bytes
// waiting for the file at the handler's window (1 MiB), so the process's memory does not grow
// with the difference between the network's speed and the disk's. Run alone under
// /usr/bin/time -v for the process's peak. Counters: server_sent_MB (written into the socket,
// kernel buffers included), read_MB and queued_peak_MB (the handler's own counts), file_MB
// (the size when it stopped), private_growth_MB.
static void BM_PrecacheEndlessBody(benchmark::State& state) {
    ads::testing::AdsTestScope scope;
    ads::testing::AdViewTestScope views;
    platform::testing::TestHttpServer server;
    auto sent = std::make_shared<std::atomic<std::int64_t>>(0);
    server.get("/endless.mp4", [sent](const httplib::Request&, httplib::Response& res) {
        res.set_chunked_content_provider("video/mp4", [sent](std::size_t, httplib::DataSink& sink) {
            static const std::string block(64 * 1024, 'v');
            if (!sink.write(block.data(), block.size())) return false;
            *sent += std::int64_t(block.size());
            return true;
        });
    });
    const double before = bench::processMemory(::getpid()).privateMB;
    double growth = 0;
    for (auto _ : state) {
        Download download(views, server.url("/endless.mp4"));
        if (!platform::testing::runMainLoopUntil(
                [&] {
                    growth = std::max(growth, bench::processMemory(::getpid()).privateMB - before);
                    return finished(*download.page);
                },
                600)) {
            state.SkipWithError("the download did not end");
            break;
        }
        state.counters["read_MB"] = double(download.handler->receivedBytes()) / 1e6;
        state.counters["queued_peak_MB"] = double(download.handler->peakQueuedBytes()) / 1e6;
        state.counters["file_MB"] = double(lastBytesLoaded(*download.page)) / 1e6;
    }
    state.counters["server_sent_MB"] = double(sent->load()) / 1e6;
    state.counters["private_growth_MB"] = growth;
}
BENCHMARK(BM_PrecacheEndlessBody)->Iterations(1)->Unit(benchmark::kMillisecond)->UseRealTime();

BENCHMARK_MAIN();
