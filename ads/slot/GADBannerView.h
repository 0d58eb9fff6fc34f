#pragma once

// The public banner: a view the app places in its layout, gives an ad unit id, a root view
// controller and a delegate, and asks to load a request. It owns one ad slot and turns the
// slot's events into GADBannerViewDelegate calls on the main thread. It keeps the shown ad
// view as a subview, maps its ad size to its frame and back (frame, bounds and autoresizing
// changes all pass its size rule), lets the slot's timer reload only while it shows in a
// window, and records where it sits in the view tree (its ad key) for every request.
//
// Main thread only, except the slot's load results (any thread; they reach the delegate on the
// main loop) and viewHierarchyInformation (any thread but the ad-key queue).
//
// Who keeps whom: the app keeps the banner; the banner keeps its slot and the shown ad view;
// the slot holds the banner weakly. Delegates and the root view controller are weak. Once the
// banner is gone its slot is ended for good: no delegate call and no fetch follow.

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "ads/foundation/GADAdSize.h"
#include "platform/base/Error.h"
#include "platform/base/Value.h"
#include "platform/ui/View.h"

namespace platform::ui {
class ViewController;
class Window;
}  // namespace platform::ui

namespace ads {

class GADAd;
class GADAdView;
class GADBannerView;
class GADBannerViewSlot;
class GADRequest;
class GADSlot;
class GADViewHierarchyRecorder;

// Every call is optional: the defaults do nothing.
class GADBannerViewDelegate {
  public:
    virtual ~GADBannerViewDelegate() = default;
    virtual void adViewDidReceiveAd(GADBannerView& view) { (void)view; }
    // The error is a request error (domain "com.zivivu.ads").
    virtual void adViewDidFailToReceiveAdWithError(GADBannerView& view,
                                                   const platform::Error& error) {
        (void)view;
        (void)error;
    }
    virtual void adViewWillPresentScreen(GADBannerView& view) { (void)view; }
    virtual void adViewWillDismissScreen(GADBannerView& view) { (void)view; }
    virtual void adViewDidDismissScreen(GADBannerView& view) { (void)view; }
    virtual void adViewWillLeaveApplication(GADBannerView& view) { (void)view; }
};

// Purchases offered by an ad reach the app through this; the banner only keeps it.
class GADInAppPurchaseDelegate {
  public:
    virtual ~GADInAppPurchaseDelegate() = default;
};

class GADBannerView : public platform::ui::View {
  protected:
    // Subclasses (the publisher's banner) are made like the banner and then set up.
    struct Private {};

  public:
    static constexpr const char* kClassName = "GADBannerView";
    // What intrinsicContentSize answers for a dimension the banner leaves to its layout.
    static constexpr double kNoIntrinsicMetric = -1;

    // A banner of the size at the origin; nullptr (with a log line) for a size no placement
    // can show, or when no ad slot can be made.
    static std::shared_ptr<GADBannerView> create(const GADAdSize& adSize);
    // The size at that origin.
    static std::shared_ptr<GADBannerView> create(const GADAdSize& adSize, platform::Point origin);
    static std::shared_ptr<GADBannerView> create(platform::Rect frame, const GADAdSize& adSize);
    // The frame's size read as an ad size (a standard size when it matches one, else custom).
    static std::shared_ptr<GADBannerView> createWithFrame(platform::Rect frame);
    // A custom 0 x 0 banner, for a layout that sizes it later.
    static std::shared_ptr<GADBannerView> create();

    // Makes "GADBannerView" known to the class registry as a UIView, so interface files can
    // make one and the request signal finds banners by name. Every banner made calls it;
    // repeated calls change nothing.
    static void registerClass();

    GADBannerView(Private, platform::Rect frame);
    ~GADBannerView() override;

    const char* className() const override { return kClassName; }

    // Placement
    std::optional<std::string> adUnitID() const;
    void setAdUnitID(std::optional<std::string> adUnitID);
    std::shared_ptr<platform::ui::ViewController> rootViewController() const {
        return rootViewController_.lock();
    }
    // Handed to the ad view (it presents from it) and to a mediated banner shown inside.
    void setRootViewController(const std::shared_ptr<platform::ui::ViewController>& controller);
    std::shared_ptr<GADBannerViewDelegate> delegate() const { return delegate_.lock(); }
    void setDelegate(std::weak_ptr<GADBannerViewDelegate> delegate) {
        delegate_ = std::move(delegate);
    }
    std::shared_ptr<GADInAppPurchaseDelegate> inAppPurchaseDelegate() const {
        return inAppPurchaseDelegate_.lock();
    }
    void setInAppPurchaseDelegate(std::weak_ptr<GADInAppPurchaseDelegate> delegate) {
        inAppPurchaseDelegate_ = std::move(delegate);
    }

    // The size (zero before the slot has one). Setting it reloads when the whole-point size
    // changes to a size that is not fluid, or when only the kind of a zero size changes; an
    // invalid size is logged and ignored.
    GADAdSize adSize() const;
    void setAdSize(const GADAdSize& adSize);

    // Turned on, the banner loads once, with an empty request, on the next main-loop turn.
    bool autoloadEnabled() const { return autoloadEnabled_; }
    void setAutoloadEnabled(bool enabled);
    // nullptr loads with an empty request.
    void loadRequest(const std::shared_ptr<GADRequest>& request);

    // Read-outs of the slot.
    std::shared_ptr<GADAdView> adView() const;
    bool hasAutoRefreshed() const;
    // The shown view when a mediated network supplied it, else nullptr.
    std::shared_ptr<platform::ui::View> mediatedAdView() const;
    std::optional<std::string> adNetworkClassName() const;
    const std::shared_ptr<GADBannerViewSlot>& slot() const { return slot_; }

    // The shown ad view: the slot's, or a mediated network's; always a subview.
    const std::shared_ptr<platform::ui::View>& rootAdView() const { return rootAdView_; }
    void setRootAdView(const std::shared_ptr<platform::ui::View>& view);

    // The size the banner wants in a layout: its ad size in points (a fluid width is left to
    // the layout).
    platform::Size intrinsicContentSize() const;

    // A banner is either invisible or opaque: any alpha but 0 shows it fully.
    void setAlpha(double alpha) override;
    // A frame of another size than the ad size's, and every bounds change, set the ad size
    // from the new size.
    void setFrame(platform::Rect frame) override;
    void setBounds(platform::Rect bounds) override;
    void didMoveToWindow() override;

    // ---- What the slot asks of its banner ----

    // Refused (with a log line) until a root view controller is set: ads present from it.
    bool slotShouldLoadRequest();
    // Before the first ad always; afterwards only while the shown ad view is on screen: nothing
    // hidden up to a window that shows.
    bool slotShouldReloadCurrentRequest() const;
    // nullptr takes the ad view away.
    void slotDidReceiveAdView(const std::shared_ptr<platform::ui::View>& view);
    // A fluid banner takes the height its ad's content needs.
    void slotContentSizeDidChange(platform::Size size);
    // The banner in the interface's coordinates; zero outside a window.
    platform::Rect frameInInterface() const;
    std::optional<platform::Value> coordinatesOfContentInScreen() const;
    platform::ui::View& swipeToViewControllerView() { return *this; }
    bool slotShouldProcessAdResponse() const { return true; }
    // Main thread, at the start of every load attempt.
    void cacheViewHierarchyInformation();
    // Any thread but the ad-key queue: the latest record, seeing every one cached before.
    std::optional<platform::Value> viewHierarchyInformation() const;

    // Load results and screen events: any thread.
    void slotFinishedLoadingAdContent();
    void slotDidFailToLoadAdContentWithError(const platform::Error& error);
    void slotWillPresentScreen();
    void slotWillDismissScreen();
    void slotDidDismissScreen();
    void slotWillLeaveApplication();

    // ---- What the publisher's banner (ZORBannerView) adds to the slot's questions; a plain
    // banner answers "nothing", which the slot reads as "not implemented" ----
    virtual std::optional<std::vector<GADBoxedValue>> validAdSizes() const { return std::nullopt; }
    virtual void slotWillLoadAdWithRequest(GADSlot&) {}
    virtual std::optional<bool> slotShouldPreemptInProgressRequest(GADSlot&) {
        return std::nullopt;
    }
    virtual void slotDidReceiveAppEvent(const std::string&, const std::optional<std::string>&) {}
    virtual void slotWillResizeToAdSize(const GADAdSize&) {}
    virtual std::optional<bool> slotNotifyPublisherToRenderCustomRenderingAd(
        GADSlot&, const std::shared_ptr<GADAd>&, std::optional<platform::Error>&) {
        return std::nullopt;
    }
    // An announced size the valid sizes allow; reloads only when asked to.
    void slotSetAdSize(const GADAdSize& adSize, bool reload) { setAdSizeAndReload(adSize, reload); }

  protected:
    // A banner made by a subclass gets its slot and size here; false (with a log line) for a
    // size no placement can show or when no slot can be made.
    bool setUp(const GADAdSize& adSize);
    void setAdSizeAndReload(const GADAdSize& adSize, bool reload);

  private:
    std::weak_ptr<GADBannerView> weakBanner();
    // Runs a slot event on the main thread if the banner still lives then.
    void onMainThread(void (*event)(GADBannerView&));

    void commonInitWithAdSize(const GADAdSize& adSize);
    void setAdSizeFromExternalCGSize(platform::Size size);
    // Frame changes the banner makes itself: they must not feed back into its size rule.
    void setFrameQuietly(platform::Rect frame);

    bool hasLoadedAd_ = false;
    bool hasInitialized_ = false;
    bool autoloadEnabled_ = false;
    // Set while a frame change runs, during which View::setFrame passes through setBounds.
    bool settingFrame_ = false;
    std::weak_ptr<platform::ui::ViewController> rootViewController_;
    std::weak_ptr<GADBannerViewDelegate> delegate_;
    std::weak_ptr<GADInAppPurchaseDelegate> inAppPurchaseDelegate_;
    std::shared_ptr<platform::ui::View> rootAdView_;
    std::shared_ptr<GADBannerViewSlot> slot_;
    std::unique_ptr<GADViewHierarchyRecorder> viewHierarchy_;
};

// Whether changing a banner from `current` to `next` reloads its ad: sizes are compared in
// whole points (truncated).
bool GADBannerShouldReloadForAdSizeChange(const GADAdSize& current, const GADAdSize& next);

// Whether a view shows: neither it nor an ancestor is hidden, up to a window that is not.
bool GADViewIsVisibleInWindow(const platform::ui::View* view);

}  // namespace ads
