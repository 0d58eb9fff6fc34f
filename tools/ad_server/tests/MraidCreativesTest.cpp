#include "tools/ad_server/MraidCreatives.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string_view>

#include "tools/ad_server/AdScenario.h"
#include "tools/ad_server/MraidLayoutCreatives.h"

namespace tools::adserver {
namespace {

TEST(MraidCreativesTest, EachFeatureHasACreativeThatLoadsMraidAndLogsWhatItHears) {
    for (const char* feature :
         {"expand", "resize", "close", "orientation", "picture", "calendar", "custom-close"}) {
        auto html = mraidCreative(feature);
        ASSERT_TRUE(html) << feature;
        EXPECT_NE(html->find("<script src=\"mraid.js\""), std::string::npos);
        EXPECT_NE(html->find("addEventListener('error'"), std::string::npos);
        auto scenario = parseAdScenario(std::string("mraid-") + feature + ",size=320x50");
        ASSERT_TRUE(scenario) << feature;
        EXPECT_EQ(scenario->html, *html);
        EXPECT_EQ(scenario->adSize, "320x50");
    }
    EXPECT_FALSE(mraidCreative("teleport"));
    EXPECT_FALSE(parseAdScenario("mraid-teleport"));
}

TEST(MraidCreativesTest, TheRecordingCreativesListenBeforeMraidAndTheLateOneLoadsItOnlyWhenAsked) {
    auto record = mraidCreative("record");
    auto late = mraidCreative("record-late");
    ASSERT_TRUE(record && late);
    // Its own receiver comes first, so mraid.js hands it every message it gets.
    const auto receiver = record->find("window.RADE_ReceiveMessage = function");
    ASSERT_NE(receiver, std::string::npos);
    EXPECT_LT(receiver, record->find("<script src=\"mraid.js\""));
    for (const char* read : {"getState()", "getCurrentPosition()", "getDefaultPosition()",
                             "getMaxSize()", "isViewable()"}) {
        EXPECT_NE(record->find(read), std::string::npos) << read;
    }
    // The late one names no mraid.js for the SDK to serve: it fetches the server's own.
    EXPECT_EQ(late->find("mraid.js"), std::string::npos);
    EXPECT_NE(late->find(std::string("here('") + kMraidBannerPath + "')"), std::string::npos);
    EXPECT_NE(late->find("window.loadMraidNow"), std::string::npos);
    // The two-part expand's second page is the recording creative itself.
    auto second = mraidAsset("/mads/mraid/record.html");
    ASSERT_TRUE(second);
    EXPECT_EQ(second->body, *record);
    EXPECT_NE(record->find("/mads/mraid/record.html"), std::string::npos);
}

TEST(MraidCreativesTest, LayoutCreativesLoadMraidAndDrawNothingButTheirOwnBlocks) {
    for (const char* name : {"clear-move", "clear-expand", "overflow"}) {
        auto html = mraidCreative(name);
        ASSERT_TRUE(html) << name;
        EXPECT_EQ(html, mraidLayoutCreative(name));
        EXPECT_NE(html->find("<script src=\"mraid.js\""), std::string::npos);
        // What they hear is kept, never printed over the pixels a test compares.
        EXPECT_NE(html->find("window.lines.push"), std::string::npos);
        EXPECT_EQ(html->find("id=\"log\""), std::string::npos);
        auto scenario = parseAdScenario(std::string("mraid-") + name + ",size=320x50");
        ASSERT_TRUE(scenario) << name;
        EXPECT_EQ(scenario->html, *html);
    }
    EXPECT_NE(mraidCreative("clear-move")->find("background: transparent"), std::string::npos);
    EXPECT_FALSE(mraidLayoutCreative("expand"));
}

TEST(MraidCreativesTest, EarlyLayoutCreativesExpandFromTheirLoadEvent) {
    // The probe as found: mraid.js, a box, and the expand from the load event, nothing else.
    EXPECT_EQ(
        mraidCreative("load-expand"),
        "<script src=\"mraid.js\"></script>\n"
        "<div style=\"background:#a50;color:#fff;width:300px;height:40px\">load-expand "
        "probe</div>\n"
        "<script>window.addEventListener('load', function () { mraid.expand(); });</script>\n");
    const auto names = mraidCreativeNames();
    for (const char* name :
         {"load-expand", "busy-load-expand", "held-load-expand", "record-load-expand"}) {
        auto html = mraidCreative(name);
        ASSERT_TRUE(html) << name;
        EXPECT_NE(html->find("<script src=\"mraid.js\""), std::string::npos) << name;
        const auto load = html->find("window.addEventListener('load', function () {");
        ASSERT_NE(load, std::string::npos) << name;
        EXPECT_NE(html->find("mraid.expand();", load), std::string::npos) << name;
        // Only the held ones wait for the picture the server may hold.
        const bool held = std::string_view(name).find("held") != std::string_view::npos ||
                          std::string_view(name).find("record") != std::string_view::npos;
        EXPECT_EQ(html->find(kMraidHeldPicturePath) != std::string::npos, held) << name;
        EXPECT_NE(std::find(names.begin(), names.end(), name), names.end()) << name;
        auto scenario = parseAdScenario(std::string("mraid-") + name + ",size=320x50");
        ASSERT_TRUE(scenario) << name;
        EXPECT_EQ(scenario->html, *html);
    }
    EXPECT_NE(mraidCreative("busy-load-expand")->find("Date.now() + 6000"), std::string::npos);
    // The recording one records as the others do, its picture inside its body.
    auto record = mraidCreative("record-load-expand");
    EXPECT_NE(record->find("window.RADE_ReceiveMessage = function"), std::string::npos);
    EXPECT_LT(record->find(kMraidHeldPicturePath), record->find("</body>"));
    EXPECT_EQ(mraidAsset(kMraidHeldPicturePath)->body, mraidAsset("/mads/mraid/picture.png")->body);
}

TEST(MraidCreativesTest, ScriptsNameTheirPlacementAndPicturesAreWhatTheySay) {
    auto banner = mraidAsset(kMraidBannerPath);
    auto interstitial = mraidAsset(kMraidInterstitialPath);
    auto expanded = mraidAsset(kMraidExpandedBannerPath);
    ASSERT_TRUE(banner && interstitial && expanded);
    EXPECT_EQ(banner->body.rfind("window.MOVU_MRAID_PLACEMENT = 'inline';\n", 0), 0u);
    EXPECT_EQ(interstitial->body.rfind("window.MOVU_MRAID_PLACEMENT = 'interstitial';\n", 0), 0u);
    EXPECT_EQ(expanded->body, banner->body);
    EXPECT_NE(banner->body.find("RADE_ReceiveMessage"), std::string::npos);
    EXPECT_EQ(mraidAsset("/mads/mraid/picture.png")->body.substr(1, 3), "PNG");
    EXPECT_EQ(mraidAsset("/mads/mraid/picture.jpg")->body.substr(0, 2), "\xff\xd8");
    EXPECT_EQ(mraidAsset("/mads/mraid/oversized.png")->body.substr(1, 3), "PNG");
    EXPECT_EQ(mraidAsset("/mads/mraid/not-a-picture.png")->contentType.rfind("text/html", 0), 0u);
    EXPECT_FALSE(mraidAsset("/mads/mraid/other.png"));
    EXPECT_FALSE(mraidAsset("/mads/static/mad/sdk/native/mraid/v2/mraid.js"));
}

}  // namespace
}  // namespace tools::adserver
