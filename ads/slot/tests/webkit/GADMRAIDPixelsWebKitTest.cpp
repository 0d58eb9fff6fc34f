// What an MRAID banner's transparent parts show, on real WebKit against our loopback ad
// server: the app beneath it as it is now, never pixels of an earlier layout of the ad (a
// button the creative moved away, the expanded page after a collapse, the banner's own picture
// under its transparent expanded page). An overflowing banner shows no scroll bar. Each check
// compares a screenshot of the ad's transparent region with one of the same region without the
// ad. A collapse shows the banner's own layout from its first frame back. Leaves
// <build>/screenshots/mraid_pixels_*.png for a person to look at. Needs a display: scripts/test
// runs these under xvfb-run.

#include <gtest/gtest.h>

#include <array>
#include <cstdlib>
#include <functional>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "ads/slot/tests/webkit/MRAIDWebKitTestBase.h"
#include "platform/testing/ScreenshotCamera.h"

namespace ads {
namespace {

using platform::Rect;
using platform::testing::ScreenshotCamera;

constexpr Rect kBannerFrame{0, 430, 320, 50};
// The creatives' button colour, as the page paints it.
constexpr std::uint32_t kButtonRed = 0xd02828ffu;
// The recording creative's colour in each state.
constexpr std::uint32_t kDefaultRed = 0xc00000ffu;
constexpr std::uint32_t kExpandedGreen = 0x00a000ffu;
constexpr std::uint32_t kResizedBlue = 0x0000c0ffu;

class GADMRAIDPixelsWebKitTest : public ads::testing::MRAIDWebKitTestBase {
  protected:
    static constexpr const char* kUnit = "ca-movu-mraid-pixels";

    void SetUp() override {
        MRAIDWebKitTestBase::SetUp();
        if (IsSkipped() || HasFatalFailure()) return;
        // One camera from the start: its GL context is current as the game's window context
        // is, and the banner's still picture, which a resize leaves in the banner's place, is
        // drawn with it.
        std::string cameraError;
        camera = std::make_unique<ScreenshotCamera>(std::string(MOVU_BINARY_DIR) + "/screenshots",
                                                    &cameraError);
        ASSERT_TRUE(camera->isReady()) << cameraError;
        // Stripes under the banner and above it: any pixel the ad keeps from before differs
        // from what lies beneath somewhere.
        for (int i = 0; i < 8; ++i) {
            auto stripe = platform::ui::View::create({i * 40.0, 0, 40, 480});
            stripe->setBackgroundColor(i % 2 ? platform::Color{0.94f, 0.82f, 0.13f, 1}
                                             : platform::Color{0.13f, 0.63f, 0.63f, 1});
            controller->view()->addSubview(stripe);
        }
    }

    void loadBanner(const std::string& creative) {
        loadBannerOf(kUnit, "mraid-" + creative + ",size=320x50", kBannerFrame.origin.y);
    }
    std::string state() {
        return adView()->stringByEvaluatingJavaScriptFromString(
            "window.mraid ? mraid.getState() : ''");
    }
    // Where the recording creative stood when it last heard its state change.
    std::string placeAtLastStateChange() {
        return adView()->stringByEvaluatingJavaScriptFromString(
            "(function () { var r = window.records.filter(function (r) { return r.event == "
            "'stateChange'; }).pop(); return r ? r.state + ' ' + JSON.stringify(r.current) : ''; "
            "})()");
    }
    std::string lines() {
        return adView()->stringByEvaluatingJavaScriptFromString(
            "window.lines ? window.lines.join('|') : ''");
    }
    bool waitForLine(const std::string& text) {
        return waitFor([&] { return lines().find(text) != std::string::npos; });
    }
    void press(int button) {
        adView()->stringByEvaluatingJavaScriptFromString(
            "document.getElementById('b" + std::to_string(button) + "').click(); 'ok'");
    }
    // Waits until the page's last painted frame has the given size and colour at a point.
    bool waitForPaint(int width, int height, int x, int y, std::uint32_t rgba) {
        const bool painted = waitFor([&] {
            const auto& frame = adView()->webView()->paintedFrame();
            return frame.width == width && frame.height == height && frame.pixel(x, y) == rgba;
        });
        const auto& frame = adView()->webView()->paintedFrame();
        if (!painted)
            ADD_FAILURE() << "painted " << frame.width << "x" << frame.height << ", " << std::hex
                          << frame.pixel(x, y) << " at " << std::dec << x << "," << y;
        return painted;
    }
    // The window as it is now without the ad: what its transparent parts must show.
    platform::gfx::Image shootBeneath(const std::string& name) {
        adView()->setHidden(true);
        auto image = shoot(name);
        adView()->setHidden(false);
        return image;
    }
    platform::gfx::Image shoot(const std::string& name) {
        std::string saveError;
        auto image = camera->shoot(*window, "mraid_pixels_" + name + ".png", &saveError);
        EXPECT_TRUE(saveError.empty()) << saveError;
        return image;
    }

    // The pixels of `region` (points) where `shot` differs from `beneath` by more than a
    // rounding's worth, leaving out the rectangles in `except` (what the ad draws there now):
    // one line per differing row, empty when the region shows what lies beneath.
    static std::string differences(const platform::gfx::Image& shot,
                                   const platform::gfx::Image& beneath, Rect region,
                                   const std::vector<Rect>& except = {}) {
        constexpr int s = ScreenshotCamera::kScale;
        std::ostringstream out;
        for (int y = int(region.minY()) * s; y < int(region.maxY()) * s; ++y) {
            int differing = 0, firstX = -1;
            for (int x = int(region.minX()) * s; x < int(region.maxX()) * s; ++x) {
                const platform::Point point{(x + 0.5) / s, (y + 0.5) / s};
                bool skipped = false;
                for (const Rect& r : except) skipped = skipped || r.contains(point);
                if (skipped) continue;
                const auto* a = shot.pixel(x, y);
                const auto* b = beneath.pixel(x, y);
                if (std::abs(a[0] - b[0]) > 6 || std::abs(a[1] - b[1]) > 6 ||
                    std::abs(a[2] - b[2]) > 6) {
                    if (differing++ == 0) firstX = x;
                }
            }
            if (differing) {
                const auto* a = shot.pixel(firstX, y);
                const auto* b = beneath.pixel(firstX, y);
                out << "row " << y / double(s) << ": " << differing << " pixels from x "
                    << firstX / double(s) << " (" << int(a[0]) << "," << int(a[1]) << ","
                    << int(a[2]) << " over " << int(b[0]) << "," << int(b[1]) << "," << int(b[2])
                    << ")\n";
            }
        }
        return out.str();
    }
    // How many pixels of `region` (points) are not `rgb`, give or take a rounding.
    static int pixelsOtherThan(const platform::gfx::Image& shot, std::array<int, 3> rgb,
                               Rect region) {
        constexpr int s = ScreenshotCamera::kScale;
        int other = 0;
        for (int y = int(region.minY()) * s; y < int(region.maxY()) * s; ++y) {
            for (int x = int(region.minX()) * s; x < int(region.maxX()) * s; ++x) {
                const auto* p = shot.pixel(x, y);
                other += std::abs(p[0] - rgb[0]) > 6 || std::abs(p[1] - rgb[1]) > 6 ||
                         std::abs(p[2] - rgb[2]) > 6;
            }
        }
        return other;
    }
    // A button's rectangle in the window, one point larger all round for its smoothed edge.
    static Rect buttonAt(double x, double y) { return {x - 1, y - 1, 94, 44}; }

    std::unique_ptr<ScreenshotCamera> camera;
};

TEST_F(GADMRAIDPixelsWebKitTest, AButtonTheCreativeMovedLeavesNothingBehind) {
    loadBanner("clear-move");
    ASSERT_TRUE(waitForLine("ready")) << lines();
    ASSERT_TRUE(waitForPaint(320, 50, 10, 10, kButtonRed));
    const auto beneath = shootBeneath("move_beneath");
    auto shot = shoot("move_before");
    EXPECT_EQ(differences(shot, beneath, kBannerFrame, {buttonAt(4, 434)}), "");

    press(0);
    ASSERT_TRUE(waitForLine("moved")) << lines();
    ASSERT_TRUE(waitForPaint(320, 50, 230, 10, kButtonRed));
    shot = shoot("move_after");
    EXPECT_EQ(ScreenshotCamera::rgb(shot, 230, 440), (std::array<int, 3>{0xd0, 0x28, 0x28}));
    EXPECT_EQ(differences(shot, beneath, kBannerFrame, {buttonAt(224, 434)}), "");
}

TEST_F(GADMRAIDPixelsWebKitTest, TheExpandedPageShowsNoBannerAndACollapseLeavesNoExpandedPage) {
    loadBanner("clear-expand");
    ASSERT_TRUE(waitForLine("ready")) << lines();
    ASSERT_TRUE(waitForPaint(320, 50, 10, 10, kButtonRed));
    const auto beneathBanner = shootBeneath("expand_beneath_banner");

    press(0);
    ASSERT_TRUE(waitForLine("stateChange expanded")) << lines();
    ASSERT_TRUE(waitForPaint(320, 480, 50, 200, 0x2850c8ffu));
    auto shot = shoot("expanded");
    const auto beneathExpanded = shootBeneath("expand_beneath_expanded");
    // Around its bar and panel the expanded page is transparent: where the banner's button
    // was too. The screen's own close button lies on the bar.
    EXPECT_EQ(differences(shot, beneathExpanded, {0, 0, 320, 99}, {{119, 0, 201, 51}}), "");
    EXPECT_EQ(differences(shot, beneathExpanded, {0, 401, 320, 79}), "");

    press(1);
    ASSERT_TRUE(waitForLine("stateChange default")) << lines();
    ASSERT_TRUE(waitFor(
        [&] { return adView()->convertRectToView(adView()->bounds(), nullptr) == kBannerFrame; }));
    // Back in the banner the creative lays itself out anew: nothing of the expanded page and
    // nothing of the banner it was shows through.
    ASSERT_TRUE(waitForPaint(320, 50, 230, 10, kButtonRed));
    shot = shoot("collapsed");
    EXPECT_EQ(differences(shot, beneathBanner, kBannerFrame, {buttonAt(224, 434)}), "");
}

TEST_F(GADMRAIDPixelsWebKitTest, AResizeOverTheBannersPlaceShowsTheAppThroughItNotTheBanner) {
    loadBanner("clear-expand");
    ASSERT_TRUE(waitForLine("ready")) << lines();
    // A second block at the right end of the banner, so its picture shows on both sides.
    adView()->stringByEvaluatingJavaScriptFromString(
        "document.body.insertAdjacentHTML('beforeend', '<div style=\"position: absolute; "
        "left: 224px; top: 4px; width: 92px; height: 42px; background: #d02828\"></div>'); "
        "'ok'");
    ASSERT_TRUE(waitForPaint(320, 50, 230, 10, kButtonRed));
    ASSERT_TRUE(waitForPaint(320, 50, 10, 10, kButtonRed));
    const auto beneath = shootBeneath("resize_beneath");

    // Over the left half of the banner's place and above it.
    adView()->stringByEvaluatingJavaScriptFromString(
        "mraid.setResizeProperties({width: 160, height: 100, offsetX: 0, offsetY: -50, "
        "customClosePosition: 'top-right', allowOffscreen: false}); mraid.resize(); 'ok'");
    ASSERT_TRUE(waitForLine("stateChange resized")) << lines();
    ASSERT_TRUE(waitForPaint(160, 100, 10, 10, kButtonRed));
    const Rect resized = adView()->convertRectToView(adView()->bounds(), nullptr);
    ASSERT_TRUE(resized.contains(Rect{0, 430, 160, 50})) << resized.minX() << "," << resized.minY();
    const auto shot = shoot("resized");
    // The banner's picture stays where the ad is not...
    EXPECT_EQ(ScreenshotCamera::rgb(shot, 270, 440), (std::array<int, 3>{0xd0, 0x28, 0x28}));
    // ...and where it is, the app shows through the ad's transparent parts, with no copy of
    // the banner's button. The close area of the resized ad is the screen's, not the page's.
    const Rect closeArea{resized.maxX() - 51, resized.minY(), 51, 51};
    EXPECT_EQ(differences(shot, beneath, resized,
                          {buttonAt(resized.minX() + 4, resized.minY() + 4), closeArea}),
              "");
}

// The player closes an expanded ad, then a resized one, while the program's clock stands still:
// whatever comes between the ad view's return to its banner and the page's own painting of its
// default layout comes with no timer or animation of ours in between. The page hears "default"
// there, at the banner's place, and every frame the banner shows from its first one back is
// the page's default layout, as it was before the ad left.
TEST_F(GADMRAIDPixelsWebKitTest, ACollapseShowsTheBannersOwnLayoutFromItsFirstFrameBack) {
    loadBanner("record");
    ASSERT_TRUE(waitFor([&] { return state() == "default"; })) << state();
    ASSERT_TRUE(waitForPaint(320, 50, 300, 45, kDefaultRed));
    const auto before = shoot("collapse_before");
    const std::string bannerPlace = adView()->stringByEvaluatingJavaScriptFromString(
        "JSON.stringify(place(mraid.getCurrentPosition()))");
    struct Change {
        const char* name;
        int button;
        int height;
        std::uint32_t colour;
    };
    for (const Change& change :
         {Change{"expanded", 0, 480, kExpandedGreen}, Change{"resized", 2, 250, kResizedBlue}}) {
        SCOPED_TRACE(change.name);
        // Each change is a touch of the player's.
        adView()->setTouched(true);
        press(change.button);
        ASSERT_TRUE(waitFor([&] { return state() == change.name; })) << state();
        ASSERT_TRUE(waitForPaint(320, change.height, 300, 45, change.colour));
        scope.advance(1);
        ASSERT_NE(adFrameInWindow(), kBannerFrame);

        press(1);
        int framesBack = 0;
        std::string wrong;
        bool heard = false;
        const bool painted = ads.waitOnMainLoopUntil(
            [&] {
                if (adView()->window() != window.get() || adFrameInWindow() != kBannerFrame)
                    return false;
                const auto shot = framesBack == 0
                                      ? shoot(std::string("collapse_first_frame_") + change.name)
                                      : camera->draw(*window);
                ++framesBack;
                const auto diff = differences(shot, before, kBannerFrame);
                if (!diff.empty() && wrong.empty())
                    wrong =
                        "frame " + std::to_string(framesBack) + " back:\n" + diff.substr(0, 400);
                heard = heard || state() == "default";
                return heard && !adView()->webContentView()->isHoldingFrame();
            },
            20);
        EXPECT_TRUE(painted) << framesBack << " frames back, heard " << heard << ", "
                             << placeAtLastStateChange();
        EXPECT_EQ(wrong, "");
        EXPECT_GE(framesBack, 1);
        EXPECT_EQ(placeAtLastStateChange(), "default " + bannerPlace);
        // The page's own frame from now on, still its default layout.
        EXPECT_EQ(differences(camera->draw(*window), before, kBannerFrame), "");
        scope.advance(1);
        ASSERT_TRUE(waitFor([&] { return !controller->presentedViewController(); }));
    }
}

TEST_F(GADMRAIDPixelsWebKitTest, AnOverflowingBannerShowsNoScrollBarsButStillScrolls) {
    loadBanner("overflow");
    ASSERT_TRUE(waitForLine("ready")) << lines();
    ASSERT_TRUE(waitForPaint(320, 50, 160, 40, 0x2a7a3affu));
    const auto shot = shoot("overflow");
    // The right and bottom edges, where a desktop page draws its bars, are the page's colour.
    const std::array<int, 3> green{0x2a, 0x7a, 0x3a};
    EXPECT_EQ(pixelsOtherThan(shot, green, {300, 430, 20, 50}), 0);
    EXPECT_EQ(pixelsOtherThan(shot, green, {0, 465, 320, 15}), 0);
    // The bars are gone, not the scrolling: the wheel still moves the page by its margin.
    adView()->webView()->sendScrollEvent({{160, 25}, 0, 120});
    ASSERT_TRUE(waitFor([&] {
        return adView()->stringByEvaluatingJavaScriptFromString("window.scrollY") == "8";
    })) << adView()->stringByEvaluatingJavaScriptFromString("window.scrollY");
}

}  // namespace
}  // namespace ads
