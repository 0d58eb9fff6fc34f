// Long mediation answers and what their attempts leave behind, as the main thread pays for
// them (build/release/bench/bench_ads_mediation [--nesting | --statistics N | --waterfall N]):
//   1. A banner whose mediation answer names 5,000 and then 20,000 networks, every one a
//      scripted adapter without an ad: wall time from the request to the banner's failure, and
//      the main thread's own CPU time over it. The answer is parsed, its networks asked (as many
//      as the waterfall takes of them) and the no-fill ping sent.
//   2. The adapter statistics alone: 5,000 and 20,000 attempts recorded, read back as the
//      pings read them and saved once; the main thread's time, then the saving queue's.
//   3. --nesting (needs a display: xvfb-run -a): on real WebKit against the loopback ad server,
//      a banner whose unit's answer names our own network for the same unit, and two units that
//      name each other: the inner requests made in 10 s of real time, and memory before and
//      after.
// Targets, read from what it prints: each waterfall of part 1 and each run of part 2 well under
// 1 s of main-thread time; in part 3 at most two inner requests per answer, and the banner's
// failure within a second instead of nested banners until a time-out.

#include <time.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

#include "ads/foundation/GADAdSize.h"
#include "ads/foundation/GADExtras.h"
#include "ads/foundation/GADRequest.h"
#include "ads/foundation/GADSlotStatistics.h"
#include "ads/fullscreen/GADFullScreenRoom.h"
#include "ads/mediation/GADMediationRoom.h"
#include "ads/slot/GADBannerView.h"
#include "ads/slot/GADSlotRoom.h"
#include "ads/testsupport/AdServerFixture.h"
#include "ads/testsupport/AdViewTestScope.h"
#include "ads/testsupport/AdsTestScope.h"
#include "ads/testsupport/SDKCoreTestScope.h"
#include "ads/testsupport/ScriptedAdapter.h"
#include "bench/ProcessMemory.h"
#include "platform/base/Value.h"
#include "platform/testing/RunMainLoopUntil.h"
#include "platform/ui/ViewController.h"
#include "platform/ui/Window.h"

namespace {

using platform::Value;
using tools::adserver::AdScenario;
using tools::adserver::RequestKind;

double wallSeconds() {
    return std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

double threadCPUSeconds() {
    timespec t{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return double(t.tv_sec) + double(t.tv_nsec) / 1e9;
}

// The longest a run may take before it counts as never finishing.
constexpr double kGiveUpSeconds = 300;

class Heard : public ads::GADBannerViewDelegate {
  public:
    void adViewDidReceiveAd(ads::GADBannerView&) override { ++received; }
    void adViewDidFailToReceiveAdWithError(ads::GADBannerView&, const platform::Error& e) override {
        ++failed;
        code = e.code;
    }
    int received = 0;
    int failed = 0;
    std::int64_t code = -1;
};

// A mediation answer of `count` networks of one adapter class, handed to the banner as its
// request's ad, as a test hands it one.
std::shared_ptr<ads::GADRequest> answerOf(std::size_t count, const std::string& adapter) {
    Value::Array networks;
    networks.reserve(count);
    for (std::size_t i = 0; i < count; ++i) {
        networks.push_back(Value::dictionary({{"id", Value(std::to_string(i + 1))},
                                              {"adapters", Value::array({adapter})},
                                              {"data", Value::dictionary({{"pubid", "p"}})}}));
    }
    const Value configuration = Value::dictionary({{"ad_type", Value("banner")},
                                                   {"qdata", Value("q")},
                                                   {"ad_networks", Value(std::move(networks))}});
    auto request = ads::GADRequest::request();
    request->registerAdNetworkExtras(ads::GADExtras::create(Value::Dictionary{
        {"_ad", Value::dictionary({{"ad_json", configuration}})},
        {"_adHeaders", Value::dictionary({{"x-rade-mediation", Value("1")},
                                          {"content-type", Value("application/json")}})}}));
    return request;
}

void waterfall(std::size_t count) {
    ads::testing::AdsTestScope scope;
    ads::testing::AdViewTestScope views;
    ads::testing::SDKCoreTestScope core;
    ads::testing::AdServerFixture server;
    ads::testing::ScriptedAdapter::Script empty;
    empty.answer = ads::testing::ScriptedAdapter::Answer::NoFill;
    auto adapter = ads::testing::ScriptedAdapter::registerClass(empty);
    auto request = answerOf(count, adapter->name());

    auto heard = std::make_shared<Heard>();
    auto controller = platform::ui::ViewController::create();
    auto banner = ads::GADBannerView::create(ads::kGADAdSizeBanner);
    banner->setAdUnitID("ca-movu-long-answer");
    banner->setRootViewController(controller);
    banner->setDelegate(heard);
    const double wall = wallSeconds();
    const double cpu = threadCPUSeconds();
    banner->loadRequest(request);
    const bool ended = platform::testing::runMainLoopUntil(
        [&] { return heard->failed + heard->received > 0; }, kGiveUpSeconds);
    const double wallTaken = wallSeconds() - wall;
    const double cpuTaken = threadCPUSeconds() - cpu;
    if (!ended) {
        std::printf("waterfall of %6zu networks: not over after %.0f s (%zu networks asked)\n",
                    count, kGiveUpSeconds, adapter->record().instances.size());
        return;
    }
    std::printf(
        "waterfall of %6zu networks: %8.3f s wall, %8.3f s main-thread CPU, %6zu networks "
        "asked, code %lld\n",
        count, wallTaken, cpuTaken, adapter->record().instances.size(),
        static_cast<long long>(heard->code));
    // The no-fill ping reaches the server.
    server.waitOnMainLoop(RequestKind::MediationPing, 1, 30);
}

void statistics(std::size_t count) {
    ads::testing::AdsTestScope scope;
    ads::GADSlotStatistics stats;
    stats.setIdentifier("ca-movu-statistics");
    const double wall = wallSeconds();
    const double cpu = threadCPUSeconds();
    for (std::size_t i = 0; i < count; ++i) {
        stats.startTimingAdapter();
        stats.endTimingAdapterWithExitCode(ads::GADAdapterExitCode::NoFill);
    }
    const auto codes = stats.adapterExitCodesParameter();
    const auto durations = stats.adapterDurationsParameter();
    stats.savePersistentStatistics();
    const double mainWall = wallSeconds() - wall;
    const double mainCPU = threadCPUSeconds() - cpu;
    const double queued = wallSeconds();
    stats.waitForSaves();
    const double queueWall = wallSeconds() - queued;
    std::printf(
        "statistics of %6zu attempts: main thread %8.3f s wall, %8.3f s CPU; saving after it "
        "%8.3f s (%zu bytes of codes)\n",
        count, mainWall, mainCPU, queueWall, codes ? codes->size() : 0);
    (void)durations;
}

// Part 3: real WebKit, the loopback server's answers naming our own network.
void nesting() {
    ads::testing::AdsTestScope scope;
    ads::testing::AdServerFixture ads;
    ads::testing::SDKCoreTestScope core;
    auto window = platform::ui::Window::create({0, 0, 320, 480});
    auto controller = platform::ui::ViewController::create();
    struct Case {
        const char* name;
        const char* unit;
        std::vector<std::pair<const char*, AdScenario>> scenarios;
    };
    const Case cases[] = {
        {"an answer naming its own unit",
         "ca-movu-self",
         {{"ca-movu-self", AdScenario::mediation()}}},
        {"two units naming each other",
         "ca-movu-cycle-a",
         {{"ca-movu-cycle-a", AdScenario::mediation().withMediationPubId("ca-movu-cycle-b")},
          {"ca-movu-cycle-b", AdScenario::mediation().withMediationPubId("ca-movu-cycle-a")}}},
    };
    // The ads of one unit's answer: the banner's own request and the inner ones.
    const auto adRequests = [&] {
        std::size_t count = 0;
        for (const auto& call : ads.log().of(RequestKind::CoreCall))
            count += call.function == "RADE_getAd";
        return count;
    };
    // A plain banner first, so the web engine's start is not counted as growth.
    {
        ads.server().setScenario("ca-movu-plain", AdScenario::banner());
        auto heard = std::make_shared<Heard>();
        auto banner = ads::GADBannerView::create(ads::kGADAdSizeBanner, {0, 0});
        banner->setAdUnitID("ca-movu-plain");
        banner->setRootViewController(controller);
        banner->setDelegate(heard);
        window->addSubview(banner);
        banner->loadRequest(ads::GADRequest::request());
        ads.waitOnMainLoopUntil([&] { return heard->failed + heard->received > 0; }, 30);
        banner->removeFromSuperview();
    }
    for (const Case& c : cases) {
        for (const auto& [unit, scenario] : c.scenarios) ads.server().setScenario(unit, scenario);
        const auto before = bench::total(bench::processTreeMemory(getpid()));
        const std::size_t requestsBefore = adRequests();
        auto heard = std::make_shared<Heard>();
        auto banner = ads::GADBannerView::create(ads::kGADAdSizeBanner, {0, 430});
        banner->setAdUnitID(c.unit);
        banner->setRootViewController(controller);
        banner->setDelegate(heard);
        window->addSubview(banner);
        const double started = wallSeconds();
        banner->loadRequest(ads::GADRequest::request());
        double endedAt = 0;
        ads.waitOnMainLoopUntil(
            [&] {
                if (!endedAt && heard->failed + heard->received > 0) endedAt = wallSeconds();
                return false;
            },
            10);
        const std::size_t requests = adRequests() - requestsBefore;
        const auto after = bench::total(bench::processTreeMemory(getpid()));
        std::printf(
            "%s: %zu inner requests in 10 s (%.1f a second), banner %s; memory %+.1f MB RSS "
            "over all processes\n",
            c.name, requests ? requests - 1 : 0, (requests ? requests - 1 : 0) / 10.0,
            endedAt ? (heard->failed ? "failed" : "received an ad") : "still waiting",
            after.rssMB - before.rssMB);
        if (endedAt)
            std::printf("  the banner heard its outcome after %.2f s\n", endedAt - started);
        banner->removeFromSuperview();
        banner.reset();
        scope.runUntilIdle();
    }
}

}  // namespace

int main(int argc, char** argv) {
    // Each line as soon as it is measured: a run that never ends still shows the others.
    std::setvbuf(stdout, nullptr, _IOLBF, 0);
    const std::string part = argc > 1 ? argv[1] : "";
    ads::GADFullScreenRoom::load();
    ads::GADSlotRoom::load();
    ads::registerMediationClasses();
    if (part == "--nesting") {
        if (!std::getenv("DISPLAY")) {
            std::fprintf(stderr, "--nesting needs a display: run it under xvfb-run -a\n");
            return 1;
        }
        nesting();
        return 0;
    }
    // "--statistics N" or "--waterfall N" runs one measurement alone.
    const std::size_t count = argc > 2 ? std::strtoul(argv[2], nullptr, 10) : 0;
    if (part == "--statistics" && count > 0) {
        statistics(count);
        return 0;
    }
    if (part == "--waterfall" && count > 0) {
        waterfall(count);
        return 0;
    }
    if (!part.empty()) {
        std::fprintf(stderr,
                     "usage: bench_ads_mediation [--nesting | --statistics N | --waterfall N]\n");
        return 1;
    }
    for (std::size_t n : {5000u, 20000u}) statistics(n);
    for (std::size_t n : {5000u, 20000u}) waterfall(n);
    return 0;
}
