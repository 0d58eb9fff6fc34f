// A full banner load on real WebKit against the loopback ad server in this process (run under a
// display: xvfb-run -a build/release/bench/bench_ad_load): from the banner's request to its
// "received" call, beside the raw cost of the same requests (the SDK core page, the core's
// calls, the ad's HTML: each URL fetched again with fetchSync in the same run), as a ratio. The
// first ad after launch (a new SDK core page too) is reported apart from the later ones (a new
// banner each time, the core page already up). Then the memory with two banners up: RSS, PSS
// and private memory of this process and of each web and network process it started. Targets:
// a banner at most 3x its raw fetches, the first ad at most 5x; at most 250 MB RSS and 120 MB
// private memory over all processes. With --warm the engine is started, and a page loaded, before
// the first ad, as when the program asks for its first ad some time after launch.

#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "ads/foundation/GADAdSize.h"
#include "ads/foundation/GADRequest.h"
#include "ads/slot/GADBannerView.h"
#include "ads/testsupport/AdServerFixture.h"
#include "ads/testsupport/AdsTestScope.h"
#include "ads/testsupport/SDKCoreTestScope.h"
#include "ads/web/GADWebRoom.h"
#include "bench/ProcessMemory.h"
#include "platform/net/FetchSync.h"
#include "platform/testing/RunMainLoopUntil.h"
#include "platform/ui/ViewController.h"
#include "platform/ui/Window.h"
#include "platform/web/WebView.h"

namespace {

using tools::adserver::LoggedRequest;
using tools::adserver::RequestKind;

constexpr const char* kUnit = "ca-movu-banner";
constexpr int kLaterLoads = 10;

double now() {
    return std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

class Delegate : public ads::GADBannerViewDelegate {
  public:
    void adViewDidReceiveAd(ads::GADBannerView&) override { ++received; }
    void adViewDidFailToReceiveAdWithError(ads::GADBannerView&, const platform::Error&) override {
        ++failed;
    }
    int received = 0;
    int failed = 0;
};

struct Load {
    double ms = 0;
    double rawMs = 0;
    std::shared_ptr<ads::GADBannerView> banner;
};

// The requests a load made that its page and ad need: fetched again, one after the other, on
// a worker thread (fetchSync blocks).
double rawFetches(const std::string& origin, const std::vector<LoggedRequest>& requests) {
    double total = 0;
    std::thread worker([&] {
        for (const auto& r : requests) {
            if (r.kind != RequestKind::PageLoad && r.kind != RequestKind::CoreCall &&
                r.kind != RequestKind::AdRequest)
                continue;
            auto request = platform::UrlRequest::withString(origin + r.target);
            if (!request) continue;
            request->setHttpMethod(r.method);
            for (const auto& [name, value] : r.headers) {
                if (name == "Content-Type" || name == "content-type")
                    request->setValueForHttpHeaderField(value, "Content-Type");
            }
            if (!r.body.empty()) request->setHttpBody(std::string_view(r.body));
            const double started = now();
            auto result = platform::fetchSync(*request);
            total += now() - started;
            if (!result.ok()) std::fprintf(stderr, "raw fetch failed: %s\n", r.target.c_str());
        }
    });
    worker.join();
    return total * 1000;
}

class Bench {
  public:
    Bench() {
        // The web room, as the program loads it at launch: the SDK core page's context starts
        // with the engine.
        ads::GADWebRoom::load();
        ads_.server().setScenario(kUnit, tools::adserver::AdScenario::banner());
        window_->setBackgroundColor(platform::Color::whiteColor());
    }

    // One banner from its request to the delegate's "received"; nullopt when it failed.
    std::optional<Load> load(double y) {
        auto delegate = std::make_shared<Delegate>();
        auto banner = ads::GADBannerView::create(ads::kGADAdSizeBanner, {0, y});
        banner->setAdUnitID(kUnit);
        banner->setRootViewController(controller_);
        banner->setDelegate(delegate);
        window_->addSubview(banner);
        const std::size_t before = ads_.log().size();
        const double started = now();
        banner->loadRequest(ads::GADRequest::request());
        ads_.waitOnMainLoopUntil([&] { return delegate->received + delegate->failed > 0; }, 30);
        const double ms = (now() - started) * 1000;
        if (delegate->received == 0) return std::nullopt;
        auto all = ads_.log().all();
        std::vector<LoggedRequest> made(all.begin() + static_cast<long>(before), all.end());
        return Load{ms, rawFetches(ads_.origin(), made), banner};
    }
    std::string origin() const { return ads_.origin(); }
    void settle() {
        ads_.waitOnMainLoopUntil([] { return false; }, 0.3);
    }

  private:
    ads::testing::AdsTestScope scope_;
    ads::testing::AdServerFixture ads_;
    ads::testing::SDKCoreTestScope core_;
    std::shared_ptr<platform::ui::Window> window_ = platform::ui::Window::create({0, 0, 320, 480});
    std::shared_ptr<platform::ui::ViewController> controller_ =
        platform::ui::ViewController::create();
};

double median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    return values.empty() ? 0 : values[values.size() / 2];
}

}  // namespace

// What the program has done by the time its first ad comes when the ad is asked for after
// launch: the engine is up and its web process warm (a page loaded, in a view since gone).
void warmTheEngine() {
    struct Finished : platform::web::WebViewDelegate {
        bool done = false;
        void webViewDidFinishLoad(platform::web::WebView&) override { done = true; }
    };
    auto delegate = std::make_shared<Finished>();
    auto view = platform::web::WebView::create({320, 50});
    view->setDelegate(delegate);
    view->loadHTMLString("<p></p>", *platform::Url::parse("about:blank"));
    platform::testing::runMainLoopUntil([&] { return delegate->done; }, 30);
}

int main(int argc, char** argv) {
    if (!std::getenv("DISPLAY")) {
        std::fprintf(stderr, "bench_ad_load needs a display: run it under xvfb-run -a\n");
        return 1;
    }
    Bench bench;
    const bool warm = argc > 1 && std::string(argv[1]) == "--warm";
    if (warm) warmTheEngine();
    // The fetcher's own one-time set-up is not part of any request's raw cost.
    std::thread([&] {
        platform::fetchSync(*platform::UrlRequest::withString(bench.origin() + "/"));
    }).join();
    auto first = bench.load(430);
    if (!first) {
        std::fprintf(stderr, "the first banner failed to load\n");
        return 1;
    }
    std::printf("%s %7.1f ms, raw fetches %5.2f ms, ratio %6.1fx\n",
                warm ? "first ad, engine warm " : "first ad after launch ", first->ms, first->rawMs,
                first->ms / first->rawMs);
    first->banner->removeFromSuperview();
    first.reset();
    bench.settle();

    std::vector<double> ms, raw, ratio;
    std::shared_ptr<ads::GADBannerView> previous;
    std::shared_ptr<ads::GADBannerView> last;
    for (int i = 0; i < kLaterLoads; ++i) {
        auto next = bench.load(i % 2 ? 0 : 430);
        if (!next) {
            std::fprintf(stderr, "a banner failed to load\n");
            return 1;
        }
        ms.push_back(next->ms);
        raw.push_back(next->rawMs);
        ratio.push_back(next->ms / next->rawMs);
        // The two banners last loaded stay up, as a game-over screen shows two.
        if (previous) previous->removeFromSuperview();
        previous = last;
        last = next->banner;
        bench.settle();
    }
    std::printf(
        "later ads (median of %d) %5.1f ms, raw fetches %5.2f ms, ratio %6.1fx (worst %.1fx)\n",
        kLaterLoads, median(ms), median(raw), median(ratio),
        *std::max_element(ratio.begin(), ratio.end()));

    auto processes = bench::processTreeMemory(getpid());
    processes.push_back(bench::total(processes));
    std::printf("memory with two banners up:\n");
    for (const auto& p : processes)
        std::printf("  %-20s %7d  RSS %7.1f MB  PSS %7.1f MB  private %7.1f MB\n", p.name.c_str(),
                    p.pid, p.rssMB, p.pssMB, p.privateMB);
    return 0;
}
