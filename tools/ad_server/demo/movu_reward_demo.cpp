// movu_reward_demo: the rewarded video ad from the loopback ad server, watched for coins. A
// window shows the coin count, "Load" and "Watch" buttons and every call the app's delegate
// hears; the video is the demo network's (DemoRewardedVideoAdapter). It starts the ad server in
// this process unless --server names one already running. Headless it presses the buttons
// itself and photographs the video half way and at its end. See README.md.

#include <SDL.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <deque>
#include <memory>
#include <optional>
#include <string>

#include "ads/Ads.h"
#include "ads/foundation/GADRequest.h"
#include "ads/mediation/GADAdReward.h"
#include "ads/mediation/GADRewardBasedVideoAd.h"
#include "platform/base/Decimal.h"
#include "platform/runtime/BrokenPipes.h"
#include "platform/runtime/MainLoop.h"
#include "platform/testing/RunMainLoopUntil.h"
#include "platform/testing/ScreenshotCamera.h"
#include "platform/ui/Application.h"
#include "platform/ui/Button.h"
#include "platform/ui/Label.h"
#include "platform/ui/Screen.h"
#include "platform/ui/ViewController.h"
#include "platform/ui/Window.h"
#include "tools/ad_server/AdServer.h"
#include "tools/ad_server/demo/DemoRewardedVideoAdapter.h"
#include "tools/ad_server/demo/DemoWindow.h"

namespace {

using platform::Color;
using platform::ui::Button;
using platform::ui::Label;
using tools::adserver::DemoRewardedVideoController;

constexpr double kStepSeconds = 30;
constexpr const char* kUserID = "demo-player";

struct Options {
    bool headless = false;
    std::string screenshots;  // empty: a new temporary folder, named when the run starts
    std::string server;       // empty: start one here
    double videoSeconds = 5;
    double seconds = 0;  // window: 0 runs until it is closed
};

void usage() {
    std::fprintf(stderr,
                 "usage: movu_reward_demo [--headless] [--screenshots DIR] [--server ORIGIN] "
                 "[--video-seconds N] [--seconds N]\n");
}

bool parse(int argc, char** argv, Options& options) {
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg == "--headless") {
            options.headless = true;
            continue;
        }
        if (i + 1 >= argc) return false;
        const std::string value = argv[++i];
        if (arg == "--screenshots") {
            options.screenshots = value;
        } else if (arg == "--server") {
            options.server = value;
        } else if (arg == "--video-seconds" || arg == "--seconds") {
            char* end = nullptr;
            const double number = std::strtod(value.c_str(), &end);
            if (end == value.c_str() || *end != '\0' || !(number >= 0) || number > 3600) {
                return false;
            }
            (arg == "--seconds" ? options.seconds : options.videoSeconds) = number;
        } else {
            return false;
        }
    }
    return options.videoSeconds > 0;
}

void say(const std::string& line) {
    std::printf("%s\n", line.c_str());
    std::fflush(stdout);
}

// The app: its screen with the coin count, the two buttons and the delegate's calls, and the
// coins the rewards bring.
class RewardApp : public ads::GADRewardBasedVideoAdDelegate {
  public:
    RewardApp() {
        auto view = root->view();
        view->setBackgroundColor(Color::white(0.96f));
        auto title = Label::create({20, 30, 280, 30}, "Rewarded video demo");
        title->setTextAlignment(platform::ui::TextAlignment::Center);
        view->addSubview(title);
        coinsLabel->setFont({30, true});
        coinsLabel->setTextAlignment(platform::ui::TextAlignment::Center);
        view->addSubview(coinsLabel);
        for (const auto& button : {loadButton, watchButton}) {
            button->setTitleColor(Color::whiteColor(), platform::ui::ControlStateNormal);
            button->setBackgroundColor(Color::rgba(0.2f, 0.45f, 0.85f));
            view->addSubview(button);
        }
        loadButton->setTitle("Load", platform::ui::ControlStateNormal);
        watchButton->setTitle("Watch", platform::ui::ControlStateNormal);
        loadButton->addTarget([this](platform::ui::Control*) { load(); },
                              platform::ui::ControlEventTouchUpInside);
        watchButton->addTarget([this](platform::ui::Control*) { watch(); },
                               platform::ui::ControlEventTouchUpInside);
        heardLabel->setNumberOfLines(0);
        heardLabel->setFont({13, false});
        view->addSubview(heardLabel);
        window->setRootViewController(root);
        window->makeKeyWindow();
        show();
    }

    void load() {
        hear("app: Load");
        ads::GADRewardBasedVideoAd::sharedInstance()->loadRequest(
            ads::GADRequest::request(), tools::adserver::kRewardedUnit, kUserID);
        show();
    }
    void watch() {
        hear("app: Watch");
        ads::GADRewardBasedVideoAd::sharedInstance()->presentFromRootViewController(root);
        show();
    }
    // The video on screen, if any.
    std::shared_ptr<DemoRewardedVideoController> video() const {
        return std::dynamic_pointer_cast<DemoRewardedVideoController>(
            root->presentedViewController());
    }
    bool heard(const std::string& call) const {
        for (const auto& line : all) {
            if (line == "ad: " + call) return true;
        }
        return false;
    }

    void rewardBasedVideoAdDidReceiveAd(ads::GADRewardBasedVideoAd&) override {
        hear("ad: received");
    }
    void rewardBasedVideoAdDidFailToLoadwithError(ads::GADRewardBasedVideoAd&,
                                                  const platform::Error& error) override {
        hear("ad: failed to load: " + std::to_string(error.code) + " " +
             error.localizedDescription());
    }
    void rewardBasedVideoAdDidOpen(ads::GADRewardBasedVideoAd&) override { hear("ad: opened"); }
    void rewardBasedVideoAdDidStartPlaying(ads::GADRewardBasedVideoAd&) override {
        hear("ad: started playing");
    }
    void rewardBasedVideoAdDidClose(ads::GADRewardBasedVideoAd&) override { hear("ad: closed"); }
    void rewardBasedVideoAdWillLeaveApplication(ads::GADRewardBasedVideoAd&) override {
        hear("ad: will leave the app");
    }
    void rewardBasedVideoAdDidRewardUserWithReward(
        ads::GADRewardBasedVideoAd&,
        const std::shared_ptr<const ads::GADAdReward>& reward) override {
        if (!reward) return hear("ad: rewarded the user with nothing");
        hear("ad: rewarded the user with " + reward->amount().toString() + " " + reward->type());
        if (reward->type() == "coins") coins = coins + reward->amount().toDouble();
        show();
    }

    std::shared_ptr<platform::ui::Window> window = platform::ui::Window::create({0, 0, 320, 480});
    std::shared_ptr<platform::ui::ViewController> root = platform::ui::ViewController::create();
    std::shared_ptr<Label> coinsLabel = Label::create({20, 80, 280, 50});
    std::shared_ptr<Button> loadButton =
        Button::create(platform::ui::ButtonType::Custom, {30, 150, 120, 44});
    std::shared_ptr<Button> watchButton =
        Button::create(platform::ui::ButtonType::Custom, {170, 150, 120, 44});
    std::shared_ptr<Label> heardLabel = Label::create({20, 215, 280, 250});
    double coins = 0;
    std::deque<std::string> all;

  private:
    void hear(const std::string& line) {
        say(line);
        all.push_back(line);
        show();
    }
    void show() {
        auto ad = ads::GADRewardBasedVideoAd::sharedInstance();
        coinsLabel->setText("Coins: " + platform::Decimal::fromDouble(coins)->toString());
        loadButton->setEnabled(!ad->isLoading());
        watchButton->setEnabled(ad->isReady());
        watchButton->setBackgroundColor(ad->isReady() ? Color::rgba(0.2f, 0.45f, 0.85f)
                                                      : Color::white(0.7f));
        std::string text;
        const std::size_t shown = 12;
        for (std::size_t i = all.size() > shown ? all.size() - shown : 0; i < all.size(); ++i) {
            text += all[i] + "\n";
        }
        heardLabel->setText(text);
    }
};

bool waitFor(const std::function<bool()>& condition) {
    return platform::testing::runMainLoopUntil(condition, kStepSeconds);
}

// Presses the buttons a person would and photographs the video half way and at its end.
int runHeadless(RewardApp& app, std::string screenshots) {
    if (screenshots.empty()) screenshots = tools::adserver::temporaryScreenshotFolder("reward");
    std::string cameraError;
    platform::testing::ScreenshotCamera camera(screenshots, &cameraError);
    if (!camera.isReady()) say("demo: no photographs: " + cameraError);
    auto shoot = [&](const std::string& name) {
        if (!camera.isReady()) return;
        std::string error;
        camera.shoot(*app.window, name, &error);
        say(error.empty() ? "demo: photographed " + screenshots + "/" + name
                          : "demo: no photograph: " + error);
    };
    say("tap: Load");
    app.loadButton->tap();
    if (!waitFor([&] { return app.heard("received") || app.heard("failed to load"); }) ||
        !app.heard("received")) {
        say("demo: no ad (is there a display? try xvfb-run)");
        return 1;
    }
    say("tap: Watch");
    app.watchButton->tap();
    auto video = app.video();
    if (!video) {
        say("demo: the video did not come up");
        return 1;
    }
    waitFor([&] { return video->progress() >= 0.5; });
    shoot("reward_playing.png");
    if (!waitFor([&] { return video->finished(); })) {
        say("demo: the video did not end");
        return 1;
    }
    shoot("reward_done.png");
    say("tap: Close");
    video->closeButton()->tap();
    if (!waitFor([&] { return app.heard("closed"); })) return 1;
    shoot("reward_demo.png");
    say("app: " + app.coinsLabel->text());
    return app.coins == 10 ? 0 : 1;
}

}  // namespace

int main(int argc, char** argv) {
    platform::ignoreBrokenPipes();
    Options options;
    if (!parse(argc, argv, options)) {
        usage();
        return 2;
    }
    const tools::adserver::DemoHome home("reward", {});
    if (!home.isReady()) return 1;

    std::optional<tools::adserver::AdServer> server;
    if (options.server.empty()) {
        server.emplace();
        if (!server->isRunning()) {
            std::fprintf(stderr, "movu_reward_demo: the ad server found no loopback port\n");
            return 1;
        }
        server->setScenario(tools::adserver::kRewardedUnit,
                            tools::adserver::AdScenario::rewarded(options.videoSeconds));
        options.server = server->origin();
        server->log().setListener([](const tools::adserver::LoggedRequest& r) {
            using tools::adserver::RequestKind;
            if (r.kind == RequestKind::AdRequest) {
                say("server: ad request for " + r.slotname + " (format " + r.param("format") +
                    ", user " + r.param("rbv_user_id") + ")");
            } else if (r.kind == RequestKind::MediationPing) {
                say("server: ping " + r.param("ping"));
            } else if (r.kind == RequestKind::Landing) {
                say("server: landing page");
            }
            platform::MainLoop::main().wake();
        });
    }
    ::setenv("MOVUROUTE_AD_SERVER", options.server.c_str(), 1);
    say("demo: ad server " + options.server);

    if (!options.headless) {
        if (SDL_Init(SDL_INIT_VIDEO | SDL_INIT_EVENTS) != 0) {
            std::fprintf(stderr, "movu_reward_demo: SDL: %s\n", SDL_GetError());
            return 1;
        }
        platform::ui::Screen::mainScreen().setScale(2);
    }
    auto& loop = platform::MainLoop::main();
    loop.claim();
    tools::adserver::DemoRewardedVideoAdapter::registerClass();
    ads::load();
    tools::adserver::launchDemoApplication();
    if (options.headless) {
        // "Learn more" is not pressed headless; a person's click opens the landing page.
        platform::ui::Application::shared().setDesktopOpener([](const auto&) { return true; });
    }

    auto app = std::make_shared<RewardApp>();
    ads::GADRewardBasedVideoAd::sharedInstance()->setDelegate(app);
    const int status = options.headless ? runHeadless(*app, options.screenshots)
                                        : tools::adserver::runDemoWindow(
                                              "movu_reward_demo", app->window, options.seconds);
    // A moment for the last pings to reach the server's output.
    if (server) platform::testing::runMainLoopUntil([] { return false; }, 1);
    ads::GADRewardBasedVideoAd::sharedInstance()->setDelegate({});
    app.reset();
    loop.runOnce(0);
    if (server) server->stop();
    if (!options.headless) SDL_Quit();
    return status;
}
