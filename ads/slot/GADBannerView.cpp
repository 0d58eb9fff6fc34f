#include "ads/slot/GADBannerView.h"

#include <cmath>

#include "ads/foundation/GADAdType.h"
#include "ads/foundation/GADLog.h"
#include "ads/foundation/GADRectUtilities.h"
#include "ads/foundation/GADRunOnMainThread.h"
#include "ads/foundation/GADViewUtilities.h"
#include "ads/slot/GADBannerViewSlot.h"
#include "ads/slot/GADViewHierarchyRecorder.h"
#include "ads/web/GADAdView.h"
#include "platform/runtime/ClassRegistry.h"
#include "platform/runtime/MainLoop.h"
#include "platform/runtime/ThreadChecker.h"
#include "platform/runtime/WeakCall.h"
#include "platform/ui/Screen.h"
#include "platform/ui/ViewController.h"
#include "platform/ui/Window.h"

namespace ads {

using platform::Rect;
using platform::Size;
using platform::ui::View;

namespace {

bool isValidAdSize(const GADAdSize& adSize) {
    platform::Error error;
    if (GADAdSizeIsValidWithError(adSize, &error)) return true;
    GADLog("Unable to set adSize property. %s", error.localizedDescription().c_str());
    return false;
}

}  // namespace

// ---- creation ----

void GADBannerView::registerClass() {
    platform::ClassRegistry::shared().registerClass<View>(
        kClassName, "UIView", {}, []() -> std::shared_ptr<View> { return create(); });
}

std::shared_ptr<GADBannerView> GADBannerView::create(Rect frame, const GADAdSize& adSize) {
    registerClass();
    if (!isValidAdSize(adSize)) return nullptr;
    auto banner = std::make_shared<GADBannerView>(Private{}, frame);
    if (!banner->setUp(adSize)) return nullptr;
    return banner;
}

bool GADBannerView::setUp(const GADAdSize& adSize) {
    if (!isValidAdSize(adSize)) return false;
    slot_ = GADBannerViewSlot::make(bounds());
    if (!slot_) {
        GADLog("Unable to make an ad slot for %s.", className());
        return false;
    }
    commonInitWithAdSize(adSize);
    return true;
}

std::shared_ptr<GADBannerView> GADBannerView::create(const GADAdSize& adSize) {
    return create(Rect::zero(), adSize);
}

std::shared_ptr<GADBannerView> GADBannerView::create(const GADAdSize& adSize,
                                                     platform::Point origin) {
    auto banner = create(adSize);
    if (banner) {
        Rect frame = banner->frame();
        frame.origin = origin;
        banner->setFrame(frame);
    }
    return banner;
}

std::shared_ptr<GADBannerView> GADBannerView::createWithFrame(Rect frame) {
    return create(frame, GADAdSizeFromCGSize(frame.size));
}

std::shared_ptr<GADBannerView> GADBannerView::create() {
    return createWithFrame(Rect::zero());
}

GADBannerView::GADBannerView(Private, Rect frame) : View(frame) {}

GADBannerView::~GADBannerView() {
    if (!slot_) return;
    slot_->endActiveViewReporting();
    slot_->cancelPendingAndFutureActions();
}

void GADBannerView::commonInitWithAdSize(const GADAdSize& adSize) {
    slot_->setReloadable(true);
    slot_->setBanner(weakBanner());
    if (auto adView = slot_->adView()) {
        adView->configureAsBannerAdView();
        setRootAdView(adView);
    }
    setBackgroundColor(platform::Color::clear());
    setClipsToBounds(true);
    viewHierarchy_ = std::make_unique<GADViewHierarchyRecorder>();
    hasInitialized_ = true;
    setAdSizeAndReload(adSize, false);
}

std::weak_ptr<GADBannerView> GADBannerView::weakBanner() {
    // Slot events may come from another thread while the banner is going: then nobody hears.
    return std::static_pointer_cast<GADBannerView>(weak_from_this().lock());
}

// ---- placement ----

std::optional<std::string> GADBannerView::adUnitID() const {
    return slot_->adUnitID();
}

void GADBannerView::setAdUnitID(std::optional<std::string> adUnitID) {
    MOVU_CHECK_MAIN_THREAD();
    slot_->setAdUnitID(std::move(adUnitID));
}

void GADBannerView::setRootViewController(
    const std::shared_ptr<platform::ui::ViewController>& controller) {
    MOVU_CHECK_MAIN_THREAD();
    if (rootViewController_.lock() == controller) return;
    rootViewController_ = controller;
    if (auto adView = slot_->adView()) adView->setViewController(controller);
    if (auto mediated = std::dynamic_pointer_cast<GADBannerView>(rootAdView_)) {
        mediated->setRootViewController(controller);
    }
}

void GADBannerView::setAutoloadEnabled(bool enabled) {
    MOVU_CHECK_MAIN_THREAD();
    if (enabled == autoloadEnabled_) return;
    autoloadEnabled_ = enabled;
    if (!enabled) return;
    platform::MainLoop::main().post(platform::weakCall(
        weakBanner(), [](GADBannerView& banner) { banner.loadRequest(nullptr); }));
}

void GADBannerView::loadRequest(const std::shared_ptr<GADRequest>& request) {
    MOVU_CHECK_MAIN_THREAD();
    slot_->loadRequest(request);
}

std::shared_ptr<GADAdView> GADBannerView::adView() const {
    return slot_->adView();
}

bool GADBannerView::hasAutoRefreshed() const {
    return slot_->hasAutoRefreshed();
}

std::shared_ptr<View> GADBannerView::mediatedAdView() const {
    return slot_->isMediating() ? rootAdView_ : nullptr;
}

std::optional<std::string> GADBannerView::adNetworkClassName() const {
    return slot_->adNetworkClassName();
}

void GADBannerView::setRootAdView(const std::shared_ptr<View>& view) {
    if (view == rootAdView_) return;
    if (rootAdView_) rootAdView_->removeFromSuperview();
    rootAdView_ = view;
    if (view) addSubview(view);
}

// ---- size ----

GADAdSize GADBannerView::adSize() const {
    const auto adType = slot_ ? slot_->adType() : std::nullopt;
    return adType ? adType->adSize() : GADAdSize{};
}

bool GADBannerShouldReloadForAdSizeChange(const GADAdSize& current, const GADAdSize& next) {
    const double nextWidth = std::trunc(next.size.width);
    const double nextHeight = std::trunc(next.size.height);
    const bool sameWholePoints = std::trunc(current.size.width) == nextWidth &&
                                 std::trunc(current.size.height) == nextHeight;
    // A zero dimension is filled in by the device (smart banners) or the ad (fluid), so only
    // the kind of such a size tells whether the ad would look different.
    const bool zeroSizeChangesKind =
        (nextWidth == 0 || nextHeight == 0) && current.flags != next.flags;
    if (sameWholePoints) return zeroSizeChangesKind;
    if (!GADAdSizeIsFluid(next)) return true;
    return zeroSizeChangesKind;
}

void GADBannerView::setAdSize(const GADAdSize& adSize) {
    setAdSizeAndReload(adSize, GADBannerShouldReloadForAdSizeChange(this->adSize(), adSize));
    // Layouts size the banner from intrinsicContentSize; they run again on the next pass.
    if (auto parent = superview()) parent->setNeedsLayout();
}

void GADBannerView::setAdSizeAndReload(const GADAdSize& adSize, bool reload) {
    MOVU_CHECK_MAIN_THREAD();
    if (!hasInitialized_) return;
    if (const auto adType = slot_->adType();
        adType && GADAdSizeEqualToSize(adType->adSize(), adSize)) {
        return;
    }
    if (!isValidAdSize(adSize)) return;
    Rect frame = this->frame();
    frame.size = CGSizeFromGADAdSize(adSize);
    setFrameQuietly(frame);
    slot_->setAdTypeAndReloadRequest(GADAdType::bannerAdTypeForSize(adSize), reload);
}

void GADBannerView::setAdSizeFromExternalCGSize(Size size) {
    const GADAdSize current = adSize();
    if (GADAdSizeIsFluid(current)) {
        setAdSize(GADAdSizeFluidFromCGSize({size.width, current.size.height}));
    } else {
        setAdSize(GADAdSizeFromCGSize(size));
    }
}

Size GADBannerView::intrinsicContentSize() const {
    const GADAdSize current = adSize();
    Size size = CGSizeFromGADAdSize(current);
    if (GADAdSizeIsFluid(current)) size.width = kNoIntrinsicMetric;
    return size;
}

void GADBannerView::setAlpha(double alpha) {
    View::setAlpha(alpha == 0 ? 0.0 : 1.0);
}

void GADBannerView::setFrameQuietly(Rect frame) {
    const bool wasSettingFrame = settingFrame_;
    settingFrame_ = true;
    View::setFrame(frame);
    settingFrame_ = wasSettingFrame;
}

void GADBannerView::setFrame(Rect frame) {
    setFrameQuietly(frame);
    if (!hasInitialized_) return;
    const Size size = this->frame().size;
    if (size != CGSizeFromGADAdSize(adSize())) setAdSizeFromExternalCGSize(size);
}

void GADBannerView::setBounds(Rect bounds) {
    View::setBounds(bounds);
    if (settingFrame_ || !hasInitialized_) return;
    setAdSizeFromExternalCGSize(bounds.size);
}

void GADBannerView::didMoveToWindow() {
    slot_->bannerDidMoveToWindow(window());
}

// ---- the slot's side ----

bool GADViewIsVisibleInWindow(const View* view) {
    std::shared_ptr<const View> keep;
    for (const View* v = view; v; v = keep.get()) {
        if (v->isHidden()) return false;
        if (dynamic_cast<const platform::ui::Window*>(v)) return true;
        keep = v->superview();
    }
    return false;
}

bool GADBannerView::slotShouldLoadRequest() {
    if (rootViewController()) return true;
    GADLog("Must set the rootViewController property of %s before loading the ad.", className());
    return false;
}

bool GADBannerView::slotShouldReloadCurrentRequest() const {
    if (!hasLoadedAd_) return true;
    return GADViewIsVisibleInWindow(rootAdView_.get());
}

void GADBannerView::slotDidReceiveAdView(const std::shared_ptr<View>& view) {
    setRootAdView(view);
}

void GADBannerView::slotContentSizeDidChange(Size size) {
    if (GADAdSizeIsFluid(adSize())) setAdSize(GADAdSizeFluidFromCGSize(size));
}

Rect GADBannerView::frameInInterface() const {
    const platform::ui::Window* window = this->window();
    if (!window) return Rect::zero();
    return GADConvertRectToStatusBarOrientation(convertRectToView(bounds(), window));
}

std::optional<platform::Value> GADBannerView::coordinatesOfContentInScreen() const {
    const auto view = adView();
    if (!view) return std::nullopt;
    return GADViewUtilities::positionOfView(*view, platform::ui::Screen::mainScreen());
}

void GADBannerView::cacheViewHierarchyInformation() {
    viewHierarchy_->record(*this, className());
}

std::optional<platform::Value> GADBannerView::viewHierarchyInformation() const {
    return viewHierarchy_->latest();
}

void GADBannerView::onMainThread(void (*event)(GADBannerView&)) {
    GADRunOnMainThread(platform::weakCall(weakBanner(), event));
}

void GADBannerView::slotFinishedLoadingAdContent() {
    onMainThread([](GADBannerView& banner) {
        if (auto delegate = banner.delegate()) delegate->adViewDidReceiveAd(banner);
        banner.hasLoadedAd_ = true;
    });
}

void GADBannerView::slotDidFailToLoadAdContentWithError(const platform::Error& error) {
    GADRunOnMainThread(platform::weakCall(weakBanner(), [error](GADBannerView& banner) {
        if (auto delegate = banner.delegate()) {
            delegate->adViewDidFailToReceiveAdWithError(banner, error);
        }
        // A delegate that lets the banner go here ends its slot once this call returns, which
        // cancels this timer too.
        banner.slot_->scheduleAdReloadTimer();
    }));
}

void GADBannerView::slotWillPresentScreen() {
    onMainThread([](GADBannerView& banner) {
        if (auto delegate = banner.delegate()) delegate->adViewWillPresentScreen(banner);
    });
}

void GADBannerView::slotWillDismissScreen() {
    onMainThread([](GADBannerView& banner) {
        if (auto delegate = banner.delegate()) delegate->adViewWillDismissScreen(banner);
    });
}

void GADBannerView::slotDidDismissScreen() {
    onMainThread([](GADBannerView& banner) {
        if (auto delegate = banner.delegate()) delegate->adViewDidDismissScreen(banner);
    });
}

void GADBannerView::slotWillLeaveApplication() {
    onMainThread([](GADBannerView& banner) {
        if (auto delegate = banner.delegate()) delegate->adViewWillLeaveApplication(banner);
    });
}

}  // namespace ads
