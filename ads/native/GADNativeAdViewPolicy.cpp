#include "ads/native/GADNativeAdViewPolicy.h"

#include <algorithm>

#include "ads/foundation/GADRectUtilities.h"
#include "ads/foundation/GADViewAdditions.h"
#include "ads/native/GADNativeAd.h"
#include "ads/native/GADNativeAdAttribution.h"
#include "ads/native/GADNativeAdAttributionView.h"
#include "ads/native/GADNativeAdViewPolicyDelegate.h"
#include "ads/native/GADOverlayView.h"
#include "ads/slot/GADPushTransitionView.h"
#include "ads/web/GADAdViewTouchGestureRecognizer.h"
#include "platform/runtime/MainLoop.h"
#include "platform/runtime/ThreadChecker.h"
#include "platform/ui/Label.h"
#include "platform/ui/TapGestureRecognizer.h"

namespace ads {

using platform::Point;
using platform::Rect;
using platform::Value;
using platform::ui::View;

std::shared_ptr<GADNativeAdViewPolicy> GADNativeAdViewPolicy::create(
    const std::shared_ptr<View>& adView, const std::string& attributionIconAssetName,
    const std::string& attributionTextAssetName) {
    MOVU_CHECK_MAIN_THREAD();
    if (!adView || attributionIconAssetName.empty() || attributionTextAssetName.empty())
        return nullptr;
    auto policy = std::make_shared<GADNativeAdViewPolicy>(
        Private{}, adView, attributionIconAssetName, attributionTextAssetName);
    policy->addAttributionViewAndUserInteractionToAdView();
    return policy;
}

GADNativeAdViewPolicy::GADNativeAdViewPolicy(Private, const std::shared_ptr<View>& adView,
                                             std::string attributionIconAssetName,
                                             std::string attributionTextAssetName)
    : adView_(adView),
      attributionView_(GADNativeAdAttributionView::create()),
      attributionIconAssetName_(std::move(attributionIconAssetName)),
      attributionTextAssetName_(std::move(attributionTextAssetName)) {
    attributionView_->setHidden(true);
}

GADNativeAdViewPolicy::~GADNativeAdViewPolicy() {
    stopImpressionMonitoring();
}

void GADNativeAdViewPolicy::addAttributionViewAndUserInteractionToAdView() {
    auto adView = adView_.lock();
    if (!adView) return;
    adView->addSubview(attributionView_);
    // Pinned to the top-right corner however the container's size changes.
    attributionView_->setAutoresizingMask(platform::ui::AutoresizingFlexibleLeftMargin |
                                          platform::ui::AutoresizingFlexibleBottomMargin);
    placeAttributionView();
    adView->setUserInteractionEnabled(true);

    auto tap = platform::ui::TapGestureRecognizer::create(
        [weak = weak_from_this()](platform::ui::GestureRecognizer& recognizer) {
            auto self = weak.lock();
            if (!self || recognizer.state() != platform::ui::GestureState::Ended) return;
            auto container = self->adView_.lock();
            if (!container) return;
            self->handleTapAtPoint(recognizer.locationInView(container.get()));
        });
    adView->addGestureRecognizer(tap);
    adView->addGestureRecognizer(std::make_shared<GADAdViewTouchGestureRecognizer>([] {}));
}

void GADNativeAdViewPolicy::setNativeAd(const std::shared_ptr<GADNativeAd>& nativeAd) {
    MOVU_CHECK_MAIN_THREAD();
    if (nativeAd == nativeAd_) return;
    nativeAd_ = nativeAd;
    trackingReported_ = false;
    updateAttributionView();
    updateOverlay();
    orderViews();
}

void GADNativeAdViewPolicy::updateAttributionView() {
    auto source = std::dynamic_pointer_cast<GADNativeAdSourceAttributing>(nativeAd_);
    auto attribution = source ? source->attribution() : nullptr;
    if (attribution) attributionView_->setAttribution(attribution);
    const bool empty =
        !attribution || (attribution->icons().empty() && attribution->text().value_or("").empty());
    attributionView_->setHidden(empty);
    placeAttributionView();
}

void GADNativeAdViewPolicy::updateOverlay() {
    auto source = std::dynamic_pointer_cast<GADOverlayViewSource>(nativeAd_);
    std::shared_ptr<View> overlay = source ? source->overlayView() : nullptr;
    auto installed = overlayView_.lock();
    if (overlay == installed) return;
    if (installed) installed->removeFromSuperview();
    overlayView_ = overlay;
    // An ad without an overlay (a mediated ad) leaves the container without one.
    auto adView = adView_.lock();
    if (!overlay || !adView) return;
    adView->addSubview(overlay);
    gad_fillSuperview(*overlay);
}

void GADNativeAdViewPolicy::orderViews() {
    auto adView = adView_.lock();
    if (!adView) return;
    adView->bringSubviewToFront(attributionView_);
    if (auto overlay = overlayView_.lock(); overlay && overlay->superview() == adView)
        adView->bringSubviewToFront(overlay);
}

void GADNativeAdViewPolicy::placeAttributionView() {
    auto adView = adView_.lock();
    if (!adView) return;
    const platform::Size size = attributionView_->sizeThatFits({});
    attributionView_->setFrame(
        {adView->bounds().size.width - size.width, 0, size.width, size.height});
    // Taps and click environments read the badge's subviews before any drawing lays it out.
    attributionView_->layoutIfNeeded();
}

void GADNativeAdViewPolicy::replaceAssetWithName(const std::string& name,
                                                 const std::shared_ptr<View>& view,
                                                 std::weak_ptr<View>& field) {
    MOVU_CHECK_MAIN_THREAD();
    auto old = field.lock();
    if (old == view) return;
    field = view;
    std::erase_if(assetViewAssetNames_, [&old](const Asset& asset) {
        auto registered = asset.view.lock();
        return !registered || registered == old;
    });
    if (view && !name.empty()) assetViewAssetNames_.push_back({view, name});
}

std::vector<std::pair<std::shared_ptr<View>, std::string>> GADNativeAdViewPolicy::assetViews()
    const {
    std::vector<std::pair<std::shared_ptr<View>, std::string>> live;
    std::erase_if(assetViewAssetNames_, [&live](const Asset& asset) {
        auto view = asset.view.lock();
        if (!view) return true;
        live.emplace_back(std::move(view), asset.name);
        return false;
    });
    return live;
}

void GADNativeAdViewPolicy::adViewDidLayoutSubviews() {
    MOVU_CHECK_MAIN_THREAD();
    placeAttributionView();
    orderViews();
    if (nativeAd_ && !nativeAd_->hasRecordedImpression()) checkForImpression();
}

void GADNativeAdViewPolicy::adViewDidMoveToSuperview() {
    MOVU_CHECK_MAIN_THREAD();
    orderViews();
    if (nativeAd_ && !nativeAd_->hasRecordedImpression()) checkForImpression();
}

bool GADNativeAdViewPolicy::attributionShows() const {
    return !attributionView_->isHidden();
}

Rect GADNativeAdViewPolicy::rectInAdView(const View& view) const {
    auto adView = adView_.lock();
    if (!adView) return view.frame();
    return view.convertRectToView(view.bounds(), adView.get());
}

void GADNativeAdViewPolicy::handleTapAtPoint(Point point) {
    MOVU_CHECK_MAIN_THREAD();
    auto adView = adView_.lock();
    if (!adView || !nativeAd_) return;
    std::shared_ptr<View> view;
    std::string assetName;
    if (attributionShows() && attributionView_->frame().contains(point)) {
        const Point inBadge = attributionView_->convertPointFromView(point, adView.get());
        if (attributionView_->iconView()->frame().contains(inBadge)) {
            view = attributionView_->iconView();
            assetName = attributionIconAssetName_;
        } else {
            view = attributionView_->textView();
            assetName = attributionTextAssetName_;
        }
    }
    if (!view || assetName.empty()) {
        view = nullptr;
        for (auto& [asset, name] : assetViews()) {
            if (asset->isHidden() || !rectInAdView(*asset).contains(point)) continue;
            view = asset;
            assetName = name;
            break;
        }
    }
    if (!view || assetName.empty()) return;
    auto ad = nativeAd_;
    ad->performClickOnView(view, assetName, tapHandlingEnvironmentWithTapLocation(point));
}

Value::Dictionary GADNativeAdViewPolicy::tapHandlingEnvironmentWithTapLocation(Point point) {
    MOVU_CHECK_MAIN_THREAD();
    Value::Dictionary rectangles;
    for (const auto& [view, name] : assetViews())
        rectangles[name] = GADDictionaryFromCGRect(rectInAdView(*view));
    if (attributionShows()) {
        rectangles[attributionIconAssetName_] =
            GADDictionaryFromCGRect(rectInAdView(*attributionView_->iconView()));
        rectangles[attributionTextAssetName_] =
            GADDictionaryFromCGRect(rectInAdView(*attributionView_->textView()));
    }
    auto adView = adView_.lock();
    // Where the container shows in its window: its own bounds carried up, so a scrolled or
    // offset superview moves it as it moves on screen.
    const Rect shown = adView ? adView->convertRectToView(adView->bounds(), nullptr) : Rect{};
    return {
        {"click_point", Value::dictionary({{"x", Value(point.x)}, {"y", Value(point.y)}})},
        {"native_view_rectangle", GADDictionaryFromCGRect(shown)},
        {"view_rectangles", Value(std::move(rectangles))},
    };
}

void GADNativeAdViewPolicy::checkForImpression() {
    auto adView = adView_.lock();
    if (!adView) return;
    if (gad_visibleBounds(*adView) == Rect{})
        startImpressionMonitoring();
    else
        recordImpression();
    // However many layout passes come, the ad hears once that its view is tracked.
    if (trackingReported_) return;
    trackingReported_ = true;
    if (auto delegate = delegate_.lock())
        delegate->nativeAdViewPolicyDidStartTrackingView(*this, adView);
}

void GADNativeAdViewPolicy::startImpressionMonitoring() {
    if (impressionMonitor_) return;
    auto adView = adView_.lock();
    if (!adView) return;
    impressionMonitor_ = GADActiveViewMonitor::create(adView);
    if (!impressionMonitor_) return;
    impressionMonitor_->setDelegate(weak_from_this());
    impressionMonitor_->startMonitoring();
}

void GADNativeAdViewPolicy::stopImpressionMonitoring() {
    auto monitor = std::move(impressionMonitor_);
    impressionMonitor_ = nullptr;
    if (!monitor) return;
    monitor->setDelegate({});
    monitor->stopMonitoring();
    // The monitor may be telling us of its sample right now: it goes on a later turn.
    platform::MainLoop::main().post([monitor] {});
}

void GADNativeAdViewPolicy::activeViewMonitorDidRefresh(GADActiveViewMonitor& monitor) {
    MOVU_CHECK_MAIN_THREAD();
    if (&monitor != impressionMonitor_.get() || !monitor.monitoredViewVisible()) return;
    recordImpression();
}

void GADNativeAdViewPolicy::recordImpression() {
    stopImpressionMonitoring();
    if (auto ad = nativeAd_) ad->recordImpression();
}

}  // namespace ads
