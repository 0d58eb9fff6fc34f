// A native ad view's work on the main thread: one layout pass of a content ad's container
// (lists lay out every frame while they scroll: the badge is placed and the stacking kept),
// before and after the impression, and a tap walked over ten registered asset views to the
// last one, with its click environment. All of it must stay far below a 16 ms frame: here
// (release build) a pass is about 0.3 us, the environment 6 us and the whole tap with its
// click message 17 us.

#include <benchmark/benchmark.h>

#include <memory>
#include <vector>

#include "ads/native/GADNativeAdViewPolicy.h"
#include "ads/native/GADNativeContentAd.h"
#include "ads/native/GADNativeContentAdView.h"
#include "platform/base/Value.h"
#include "platform/runtime/MainLoop.h"
#include "platform/ui/Application.h"
#include "platform/ui/Label.h"
#include "platform/ui/Window.h"

namespace {

using platform::Value;
using platform::ui::View;

// A content ad with a text badge, made from its ad object (nothing loads).
std::shared_ptr<ads::GADNativeContentAd> contentAd() {
    return ads::GADNativeContentAd::create(
        Value::dictionary({{"type", Value("native")},
                           {"template_id", Value(1)},
                           {"headline", Value("Headline")},
                           {"body", Value("Body")},
                           {"attribution", Value::dictionary({{"text", Value("Ad")}})}}),
        std::nullopt);
}

struct Screen {
    std::shared_ptr<platform::ui::Window> window = platform::ui::Window::create({0, 0, 320, 480});
    std::shared_ptr<ads::GADNativeContentAdView> container =
        ads::GADNativeContentAdView::create({0, 100, 320, 250});
    std::vector<std::shared_ptr<View>> views;

    Screen() {
        window->addSubview(container);
        for (int i = 0; i < 6; ++i) {
            views.push_back(platform::ui::Label::create({10, 10.0 + 35 * i, 300, 30}, "Asset"));
            container->addSubview(views.back());
        }
        container->setHeadlineView(views[0]);
        container->setBodyView(views[1]);
        container->setCallToActionView(views[2]);
        container->setAdvertiserView(views[3]);
        container->setImageView(views[4]);
        container->setLogoView(views[5]);
    }
};

// The application inactive: nothing shows, so every pass asks how much of the container shows
// (one monitor waits meanwhile).
void BM_ContainerLayoutPassWaitingForImpression(benchmark::State& state) {
    platform::MainLoop::main().claim();
    platform::ui::Application::shared().resignActive();
    Screen screen;
    auto ad = contentAd();
    screen.container->setNativeContentAd(ad);
    for (auto _ : state) {
        screen.container->setNeedsLayout();
        screen.container->layoutIfNeeded();
    }
    if (ad->hasRecordedImpression()) state.SkipWithError("the ad should not have shown");
}
BENCHMARK(BM_ContainerLayoutPassWaitingForImpression)->Unit(benchmark::kMicrosecond);

// After the impression: the badge and the stacking only.
void BM_ContainerLayoutPassAfterImpression(benchmark::State& state) {
    platform::MainLoop::main().claim();
    platform::ui::Application::shared().becomeActive();
    Screen screen;
    auto ad = contentAd();
    screen.container->setNativeContentAd(ad);
    screen.container->layoutIfNeeded();
    if (!ad->hasRecordedImpression()) state.SkipWithError("the ad should have shown");
    for (auto _ : state) {
        screen.container->setNeedsLayout();
        screen.container->layoutIfNeeded();
    }
}
BENCHMARK(BM_ContainerLayoutPassAfterImpression)->Unit(benchmark::kMicrosecond);

// Ten views in a column, each registered under its own name.
struct TenViews {
    std::shared_ptr<View> container = View::create({0, 0, 320, 480});
    std::shared_ptr<ads::GADNativeAdViewPolicy> policy =
        ads::GADNativeAdViewPolicy::create(container, "1007", "1008");
    std::vector<std::shared_ptr<View>> views;
    std::vector<std::weak_ptr<View>> fields = std::vector<std::weak_ptr<View>>(10);
    // In the middle of the last one.
    static constexpr platform::Point kLastView{150, 10 + 40 * 9 + 15};

    TenViews() {
        for (int i = 0; i < 10; ++i) {
            views.push_back(View::create({10, 10.0 + 40 * i, 300, 30}));
            container->addSubview(views.back());
            policy->replaceAssetWithName(std::to_string(1001 + i), views.back(), fields[i]);
        }
    }
};

// The tap lands on the last view, so the walk passes all. The ad has no slot, so the click
// stops after its message is written.
void BM_TapWalkOverTenRegisteredViews(benchmark::State& state) {
    platform::MainLoop::main().claim();
    TenViews ten;
    ten.policy->setNativeAd(contentAd());
    for (auto _ : state) ten.policy->handleTapAtPoint(TenViews::kLastView);
}
BENCHMARK(BM_TapWalkOverTenRegisteredViews)->Unit(benchmark::kMicrosecond);

// The environment alone: the walk's rectangles without the click message's JSON.
void BM_ClickEnvironmentOfTenRegisteredViews(benchmark::State& state) {
    platform::MainLoop::main().claim();
    TenViews ten;
    for (auto _ : state)
        benchmark::DoNotOptimize(
            ten.policy->tapHandlingEnvironmentWithTapLocation(TenViews::kLastView));
}
BENCHMARK(BM_ClickEnvironmentOfTenRegisteredViews)->Unit(benchmark::kMicrosecond);

}  // namespace

BENCHMARK_MAIN();
