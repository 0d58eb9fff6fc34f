#pragma once

// Carries out the click-throughs of one ad web view. Whatever the user's tap or the page asks
// to open first passes the gate against automatic clicks (shouldPerformOpenAction: with
// autoClickProtected on, nothing opens unless the user has touched the ad view; a blocked
// open is reported to the SDK core page as "navigationBlocked"). A successful open is
// reported to the slot as one click (didOpen: the slot counts it and pings the ad's click
// URLs), so a click is counted and pinged exactly once, here.
//
// Web pages open outside the app: the reports come first (click, leaving the app, the
// statistic "pclb"), and the app is left on a later turn of the main loop
// (platform::ui::Application::openURL). Other apps' schemes, confirmations, composers, the
// in-app browser and the store sheet come with their screens; until then they open nothing.
//
// Main thread only. Each page delegate owns one opener; the opener holds the slot, the ad
// view, the view controller and its own delegate weakly.

#include <memory>
#include <optional>
#include <set>
#include <string>

#include "ads/web/GADOpenerProtocol.h"
#include "platform/base/Url.h"

namespace ads {

class GADSlot;

// Told after an open inside the app, or after leaving it. Nothing in the SDK sets one; a
// missing delegate is simply not told.
class GADOpenerDelegate {
  public:
    virtual ~GADOpenerDelegate() = default;
    virtual void didOpenInApplication() {}
    virtual void didLeaveApplication() {}
};

class GADOpener : public GADOpenerProtocol, public std::enable_shared_from_this<GADOpener> {
    struct Private {};

  public:
    static std::shared_ptr<GADOpener> create();
    explicit GADOpener(Private) {}
    GADOpener(const GADOpener&) = delete;
    GADOpener& operator=(const GADOpener&) = delete;

    // The gate: open only what the user asked for when auto-click protection is on.
    bool shouldPerformOpenAction();
    // YES when there is content and the controller to present from is still there.
    bool canOpenContent(bool hasContent) const;
    void didOpen();
    void didOpenInApp();
    void didOpenExternalApp();

    bool didOpenAnotherApplication() const { return didOpenAnotherApplication_; }
    void setDidOpenAnotherApplication(bool opened) { didOpenAnotherApplication_ = opened; }
    bool autoClickProtected() const { return autoClickProtected_; }
    void setAutoClickProtected(bool on) { autoClickProtected_ = on; }
    std::shared_ptr<platform::ui::ViewController> viewController() const {
        return viewController_.lock();
    }
    const std::optional<platform::Url>& referringURL() const { return referringURL_; }
    void setReferringURL(std::optional<platform::Url> url) { referringURL_ = std::move(url); }
    std::shared_ptr<GADAdView> adView() const { return adView_.lock(); }
    std::shared_ptr<GADSlot> slot() const { return slot_.lock(); }
    void setSlot(std::weak_ptr<GADSlot> slot) { slot_ = std::move(slot); }
    void setDelegate(std::weak_ptr<GADOpenerDelegate> delegate) { delegate_ = std::move(delegate); }
    const std::optional<std::string>& navigationURL() const { return navigationURL_; }
    const std::set<std::string>& allowedAppURLs() const { return allowedAppURLs_; }

    // GADOpenerProtocol
    void setNavigationURL(std::optional<std::string> url) override {
        navigationURL_ = std::move(url);
    }
    void setViewController(std::weak_ptr<platform::ui::ViewController> controller) override {
        viewController_ = std::move(controller);
    }
    void setAdView(std::weak_ptr<GADAdView> adView) override { adView_ = std::move(adView); }
    void clearSlot() override { slot_.reset(); }
    bool isSlotMRAIDEnabled() const override;
    // Opens web pages outside the app; other schemes wait for the confirmation screens.
    void openApp(const platform::Url& url) override;
    void openEmailComposer(const platform::Url&) override {}
    void openSmsComposer(const platform::Url&) override {}
    void openBrowserToURL(const platform::Url&, std::uint64_t) override {}

  private:
    std::set<std::string> allowedAppURLs_;
    bool didOpenAnotherApplication_ = false;
    bool autoClickProtected_ = false;
    std::weak_ptr<platform::ui::ViewController> viewController_;
    std::optional<platform::Url> referringURL_;
    std::weak_ptr<GADAdView> adView_;
    std::weak_ptr<GADSlot> slot_;
    std::weak_ptr<GADOpenerDelegate> delegate_;
    std::optional<std::string> navigationURL_;
};

}  // namespace ads
