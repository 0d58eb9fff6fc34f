#pragma once

// A rewarded video network for demonstrations and integration tests, registered as
// "MovuDemoRewardedVideoAdapter" only by what links it and calls registerClass() (the reward
// demo and the tests; never the game). It needs no network of its own: set-up finishes on the
// next turn of the main loop, and an ad request fills on the next turn unless the credentials
// say "fill" "0". Presenting puts a full-screen "video" over the root controller: a bar that
// fills over the credentials' "duration" seconds (5 by default) under a countdown, a "Learn
// more" button (a click, leaving the app, and the credentials' "landing" URL through
// Application::openURL), and at the end the reward and a "Close" button.
//
// Main thread only, like every adapter.

#include <memory>
#include <optional>
#include <string>

#include "ads/mediation/GADMRewardBasedVideoAdNetworkAdapter.h"
#include "platform/ui/ViewController.h"

namespace platform {
class Timer;
}
namespace platform::ui {
class Button;
class Label;
class View;
}  // namespace platform::ui

namespace tools::adserver {

class DemoRewardedVideoAdapter;

// The screen a demo video plays on.
class DemoRewardedVideoController : public platform::ui::ViewController {
  public:
    static constexpr double kTick = 0.1;

    DemoRewardedVideoController(std::weak_ptr<DemoRewardedVideoAdapter> adapter, double seconds);
    ~DemoRewardedVideoController() override;
    const char* className() const override { return "MovuDemoRewardedVideoController"; }

    void loadView() override;
    void viewDidAppear(bool animated) override;

    // The share of the video played, 0 to 1.
    double progress() const;
    bool finished() const { return finished_; }
    const std::shared_ptr<platform::ui::Button>& learnMoreButton() const { return learnMore_; }
    const std::shared_ptr<platform::ui::Button>& closeButton() const { return close_; }
    const std::shared_ptr<platform::ui::Label>& countdownLabel() const { return countdown_; }

  private:
    void tick();
    void showProgress();

    std::weak_ptr<DemoRewardedVideoAdapter> adapter_;
    double seconds_;
    int ticks_ = 0;
    bool finished_ = false;
    std::shared_ptr<platform::Timer> timer_;
    std::shared_ptr<platform::ui::View> bar_;
    std::shared_ptr<platform::ui::View> fill_;
    std::shared_ptr<platform::ui::Label> countdown_;
    std::shared_ptr<platform::ui::Button> learnMore_;
    std::shared_ptr<platform::ui::Button> close_;
};

class DemoRewardedVideoAdapter : public ads::GADMRewardBasedVideoAdNetworkAdapter,
                                 public std::enable_shared_from_this<DemoRewardedVideoAdapter> {
  public:
    static constexpr const char* kClassName = "MovuDemoRewardedVideoAdapter";
    static constexpr double kDefaultSeconds = 5;
    // Registers the class once; later calls do nothing.
    static void registerClass();

    void initWithGADMAdNetworkConnector(
        std::weak_ptr<ads::GADMRewardBasedVideoAdNetworkConnectorProtocol> connector) override;
    void setUpWithUserID(const std::string& userID) override;
    void requestRewardBasedVideoAd() override;
    void presentRewardBasedVideoAdWithRootViewController(
        const std::shared_ptr<platform::ui::ViewController>& root) override;
    void stopBeingDelegate() override;

    // The video on screen, if any.
    std::shared_ptr<DemoRewardedVideoController> controller() const { return controller_.lock(); }

  private:
    friend class DemoRewardedVideoController;
    std::shared_ptr<ads::GADMRewardBasedVideoAdNetworkConnectorProtocol> connector() const;
    std::optional<std::string> credential(const std::string& key) const;
    // What the screen reports.
    void learnMore();
    void videoFinished();
    void closed();

    std::weak_ptr<ads::GADMRewardBasedVideoAdNetworkConnectorProtocol> connector_;
    std::weak_ptr<DemoRewardedVideoController> controller_;
    bool stopped_ = false;
};

}  // namespace tools::adserver
