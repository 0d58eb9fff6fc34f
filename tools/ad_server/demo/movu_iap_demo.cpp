// movu_iap_demo: a purchase ad from the loopback ad server, bought (or not) through the ads
// library's default purchase flow at the store stand-in. It starts the ad server in this
// process, loads and presents the ad, and prints what the app's delegate, the ad and the server
// saw. Headless it follows a tap script and photographs the purchase sheet; with --window a
// person clicks. See README.md.

#include <SDL.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "ads/Ads.h"
#include "ads/foundation/GADRequest.h"
#include "ads/iap/GADDefaultInAppPurchase.h"
#include "ads/iap/GADDefaultInAppPurchaseDelegate.h"
#include "ads/iap/GADInAppPurchaseTransactionReporter.h"
#include "ads/slot/GADInterstitial.h"
#include "ads/slot/GADSlot.h"
#include "ads/web/GADAdView.h"
#include "platform/runtime/BrokenPipes.h"
#include "platform/runtime/MainLoop.h"
#include "platform/services/StoreCatalogue.h"
#include "platform/testing/RunMainLoopUntil.h"
#include "platform/testing/ScreenshotCamera.h"
#include "platform/ui/AlertView.h"
#include "platform/ui/Application.h"
#include "platform/ui/Screen.h"
#include "platform/ui/TouchInput.h"
#include "platform/ui/ViewController.h"
#include "platform/ui/Window.h"
#include "platform/web/WebView.h"
#include "tools/ad_server/AdServer.h"
#include "tools/ad_server/demo/DemoWindow.h"

namespace {

constexpr const char* kUnit = "ca-movu-offer";
constexpr double kStepSeconds = 30;

struct Options {
    std::vector<std::string> taps{"ad-buy", "sheet-buy"};
    bool finish = true;
    std::string product = "coins";
    std::string screenshots;  // empty: a new temporary folder, named when the run starts
    std::string home;         // empty: a temporary one, removed at the end
    bool window = false;
    double seconds = 0;  // --window: 0 runs until the window is closed
};

void usage() {
    std::fprintf(stderr,
                 "usage: movu_iap_demo [--taps STEP,...] [--no-finish] [--product ID] "
                 "[--screenshots DIR] [--home DIR] [--window [--seconds N]]\n"
                 "  steps: ad-buy (the ad's Buy link), sheet-buy, sheet-cancel, ad-close;\n"
                 "  --taps '' taps nothing (a later run on the same --home)\n");
}

bool parse(int argc, char** argv, Options& options) {
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        auto value = [&]() -> const char* { return i + 1 < argc ? argv[++i] : nullptr; };
        if (arg == "--no-finish") {
            options.finish = false;
        } else if (arg == "--window") {
            options.window = true;
            options.taps.clear();
        } else if (arg == "--seconds") {
            const char* v = value();
            if (!v) return false;
            options.seconds = std::atof(v);
        } else if (arg == "--taps" || arg == "--product" || arg == "--screenshots" ||
                   arg == "--home") {
            const char* v = value();
            if (!v) return false;
            if (arg == "--home") options.home = v;
            if (arg == "--product") options.product = v;
            if (arg == "--screenshots") options.screenshots = v;
            if (arg == "--taps") {
                options.taps.clear();
                std::stringstream list(v);
                for (std::string step; std::getline(list, step, ',');) {
                    if (step != "ad-buy" && step != "sheet-buy" && step != "sheet-cancel" &&
                        step != "ad-close")
                        return false;
                    options.taps.push_back(step);
                }
            }
        } else {
            return false;
        }
    }
    return true;
}

void say(const std::string& line) {
    std::printf("%s\n", line.c_str());
    std::fflush(stdout);
}

// The app's side of the default purchase flow: it delivers what was bought and finishes the
// transaction, unless told to leave it open.
class DemoBuyer : public ads::GADDefaultInAppPurchaseDelegate {
  public:
    explicit DemoBuyer(bool finish) : finish_(finish) {}
    void userDidPayForPurchase(const std::shared_ptr<ads::GADDefaultInAppPurchase>& p) override {
        auto transaction = p->paymentTransaction();
        say("app: paid for " + p->productID() + " x" + std::to_string(p->quantity()) +
            " (transaction " + (transaction ? transaction->transactionIdentifier() : "") + ")");
        if (!finish_) {
            say("app: leaves the transaction open (--no-finish)");
            return;
        }
        p->finishTransaction();
        say("app: delivered and finished the transaction");
    }

  private:
    const bool finish_;
};

class AdEvents : public ads::GADInterstitialDelegate {
  public:
    void interstitialDidReceiveAd(ads::GADInterstitial&) override { say("ad: received"); }
    void interstitialDidFailToReceiveAdWithError(ads::GADInterstitial&,
                                                 const platform::Error& error) override {
        say("ad: failed: " + error.localizedDescription());
    }
    void interstitialWillPresentScreen(ads::GADInterstitial&) override { say("ad: will present"); }
    void interstitialWillDismissScreen(ads::GADInterstitial&) override { say("ad: will dismiss"); }
    void interstitialDidDismissScreen(ads::GADInterstitial&) override {
        say("ad: did dismiss");
        dismissed = true;
    }
    bool dismissed = false;
};

// A finger on the middle of the page's element, through the window as a person's click in
// the window goes: the ad opens only what a touch of it asked for.
bool tapElement(const std::shared_ptr<platform::ui::Window>& window, ads::GADAdView& adView,
                const std::string& id) {
    const std::string middle = adView.stringByEvaluatingJavaScriptFromString(
        "(function () { var e = document.getElementById('" + id +
        "'); if (!e) return ''; var r = e.getBoundingClientRect();"
        " return (r.left + r.width / 2) + ' ' + (r.top + r.height / 2); })()");
    double x = 0, y = 0;
    if (std::sscanf(middle.c_str(), "%lf %lf", &x, &y) != 2) return false;
    const platform::Point point = adView.convertPointToView({x, y}, nullptr);
    platform::ui::TouchInput input{window};
    input.touchDown(1, point);
    input.touchUp(1, point);
    return true;
}

bool waitFor(const std::function<bool()>& condition) {
    return platform::testing::runMainLoopUntil(condition, kStepSeconds);
}

// Waits for the ad's web view to hand over a painted frame, as the window draws it.
bool adHasPainted(ads::GADInterstitial& interstitial) {
    auto adView = interstitial.slot() ? interstitial.slot()->adView() : nullptr;
    auto web = adView ? adView->webView() : nullptr;
    return web && waitFor([&] { return !web->paintedFrame().empty(); });
}

std::string sampleCatalogue() {
    return std::string(MOVU_AD_SERVER_DIR) + "/StoreProducts.json";
}

}  // namespace

int main(int argc, char** argv) {
    platform::ignoreBrokenPipes();
    Options options;
    if (!parse(argc, argv, options)) {
        usage();
        return 2;
    }
    // One given with --home keeps the purchases left open for the next run.
    const tools::adserver::DemoHome home("iap", options.home);
    if (!home.isReady()) return 1;
    if (!std::getenv("MOVUROUTE_STORE_PRODUCTS"))
        ::setenv("MOVUROUTE_STORE_PRODUCTS", sampleCatalogue().c_str(), 1);

    tools::adserver::AdServer server;
    if (!server.isRunning()) {
        std::fprintf(stderr, "movu_iap_demo: the ad server found no loopback port\n");
        return 1;
    }
    server.setScenario(kUnit, tools::adserver::AdScenario::purchase(options.product));
    ::setenv("MOVUROUTE_AD_SERVER", server.origin().c_str(), 1);
    server.log().setListener([](const tools::adserver::LoggedRequest& r) {
        if (r.kind == tools::adserver::RequestKind::PurchaseReport) {
            say("server: the ad's report: sku=" + r.param("sku") + " status=" + r.param("status"));
        } else if (r.kind == tools::adserver::RequestKind::Conversion) {
            say("server: conversion: sku=" + r.param("sku") + " price=" + r.param("price") +
                " currency_code=" + r.param("currency_code") + " quantity=" + r.param("quantity"));
        }
        platform::MainLoop::main().wake();
    });

    if (options.window) {
        if (SDL_Init(SDL_INIT_VIDEO | SDL_INIT_EVENTS) != 0) {
            std::fprintf(stderr, "movu_iap_demo: SDL: %s\n", SDL_GetError());
            return 1;
        }
        platform::ui::Screen::mainScreen().setScale(2);
    }
    auto& loop = platform::MainLoop::main();
    loop.claim();
    auto window = platform::ui::Window::create({0, 0, 320, 480});
    auto root = platform::ui::ViewController::create();
    window->setRootViewController(root);
    window->makeKeyWindow();
    const auto* product = platform::services::StoreCatalogue::shared()->product(options.product);
    say(std::string("store: ") + (product
                                      ? "sells " + product->localizedTitle + " at " +
                                            product->price.toString() + " " + product->currencyCode
                                      : "does not sell " + options.product));

    ads::load();
    tools::adserver::launchDemoApplication();
    auto buyer = std::make_shared<DemoBuyer>(options.finish);
    ads::GADDefaultInAppPurchase::enableDefaultPurchaseFlowWithDelegate(buyer);

    auto events = std::make_shared<AdEvents>();
    auto interstitial = ads::GADInterstitial::create(kUnit);
    interstitial->setDelegate(events);
    interstitial->loadRequest(ads::GADRequest::request());
    if (!waitFor([&] { return interstitial->isReady(); })) {
        std::fprintf(stderr, "movu_iap_demo: no ad (is there a display? try xvfb-run)\n");
        return 1;
    }
    say(std::string("reports: ") +
        (ads::GADInAppPurchaseTransactionReporter::sharedInstance()->isReportingEnabled() ? "on"
                                                                                          : "off"));
    interstitial->presentFromRootViewController(root);

    auto finish = [&](int status) {
        ads::GADDefaultInAppPurchase::disableDefaultPurchaseFlow();
        interstitial.reset();
        loop.runOnce(0);
        server.stop();
        if (options.window) SDL_Quit();
        return status;
    };
    if (options.window)
        return finish(tools::adserver::runDemoWindow("movu_iap_demo", window, options.seconds));
    int status = 0;
    if (options.screenshots.empty())
        options.screenshots = tools::adserver::temporaryScreenshotFolder("iap");
    std::string cameraError;
    platform::testing::ScreenshotCamera camera(options.screenshots, &cameraError);
    for (const auto& step : options.taps) {
        if (step == "ad-buy" || step == "ad-close") {
            auto adView = interstitial->slot()->adView();
            const std::string id = step == "ad-buy" ? "buy" : "close";
            // The page must be there, and its screen done coming up (a screen on its way takes
            // no touches), before its link can be tapped.
            bool ready =
                adView && waitFor([&] {
                    auto screen = root->presentedViewController();
                    return screen && screen->view()->isUserInteractionEnabled() &&
                           adView->stringByEvaluatingJavaScriptFromString(
                               "document.getElementById('" + id + "') ? 'yes' : ''") == "yes";
                });
            if (!ready) {
                say("demo: the ad shows no " + id + " link");
                status = 1;
                break;
            }
            say("tap: the ad's " + id + " link");
            if (!tapElement(window, *adView, id)) {
                say("demo: the ad's " + id + " link has no place on the screen");
                status = 1;
                break;
            }
            continue;
        }
        if (!waitFor([] { return platform::ui::AlertView::visibleAlert() != nullptr; })) {
            say("demo: no purchase sheet came up");
            status = 1;
            break;
        }
        auto sheet = platform::ui::AlertView::visibleAlert();
        say("sheet: " + sheet->title() + ": " + sheet->message());
        // The sheet comes up at the tap, before the ad's page has handed over a painted
        // frame (the first is fetched when someone asks for it): photographed then, the sheet
        // would stand over an empty screen, which no player sees once the window has drawn.
        if (camera.isReady() && !adHasPainted(*interstitial)) {
            say("demo: the ad's page has not painted; the photograph shows no ad");
        }
        if (camera.isReady()) {
            std::string error;
            camera.shoot(*window, "iap_demo_sheet.png", &error);
            say(error.empty() ? "demo: photographed the sheet into " + options.screenshots +
                                    "/iap_demo_sheet.png"
                              : "demo: no photograph: " + error);
        }
        const bool buy = step == "sheet-buy";
        say(std::string("tap: ") + (buy ? "Buy" : "Cancel"));
        sheet->tapButton(buy ? 1 : 0);
    }
    // Whatever the taps set off reaches the server and the screen: a purchase is reported as a
    // conversion, and once finished to the ad, which then closes; a cancelled one only to the
    // ad.
    const bool bought =
        std::find(options.taps.begin(), options.taps.end(), "sheet-buy") != options.taps.end();
    const bool cancelled =
        std::find(options.taps.begin(), options.taps.end(), "sheet-cancel") != options.taps.end();
    using tools::adserver::RequestKind;
    const bool settled =
        status != 0 || waitFor([&] {
            const bool reported = server.log().count(RequestKind::PurchaseReport) > 0;
            const bool converted = server.log().count(RequestKind::Conversion) > 0;
            if (bought) return converted && (!options.finish || (reported && events->dismissed));
            return !cancelled || reported;
        });
    if (!settled) {
        say("demo: the server did not hear what it should have");
        status = 1;
    }
    // A moment for anything else (there should be nothing) to show in the output.
    platform::testing::runMainLoopUntil([] { return false; }, 1);

    return finish(status);
}
