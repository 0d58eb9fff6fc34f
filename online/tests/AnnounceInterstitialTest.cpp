// The interstitial between games: which opportunities show it, how often, how long a load may
// take, and that every opportunity ends exactly once whatever the ad answers.

#include "AnnounceTestSupport.h"
#include "platform/base/LogSink.h"

using namespace online;
using namespace announce_test;
using online::testing::ScriptedInterstitialAd;

namespace {

constexpr int kGameOver = AnnounceManager::kContextGameOver;
constexpr int kFromTitle = AnnounceManager::kContextStartFromTitle;
constexpr int kFirstStart = AnnounceManager::kContextFirstStart;

class AnnounceInterstitialTest : public AnnounceFixture {
  protected:
    AnnounceInterstitialTest() { settings("3", "0"); }

    void settings(const std::string& contextFlag, const std::string& interval) {
        am.setAmProperties(Value::dictionary({{"durezInterstitialAdPublisherId", "pub-1"},
                                              {"durezInterstitialAdContextFlag", contextFlag},
                                              {"durezInterstitialAdInterval", interval}}));
    }
    // Asks for an ad (unless one is loading) and lets it arrive.
    ScriptedInterstitialAd& readyAd() {
        am.requestInterstitialAd();
        ads.last().receive();
        return ads.last();
    }
    // Opens an opportunity; the counter tells how often its continuation has run.
    std::shared_ptr<int> open(int context) {
        auto runs = std::make_shared<int>(0);
        am.showPopupAds(context, [runs] { ++*runs; });
        return runs;
    }
    // A pop-up the next game's end would show.
    void popupWaits() {
        Value info = row({"PUAd", "", "21", "0", "News", "Hello", Value::array()});
        ASSERT_TRUE(platform::PropertyList::writeFile(cacheDir() / "status.plist",
                                                      Value::dictionary({{"popupAdInfo", info}})));
        am.loadState();
    }
};

}  // namespace

TEST_F(AnnounceInterstitialTest, TheContextFlagChoosesTheOpportunities) {
    // No ad unit: nothing is ever asked for, and every opportunity goes on at once.
    am.setAmProperties(Value::dictionary());
    am.requestInterstitialAd();
    EXPECT_EQ(ads.count(), 0u);
    EXPECT_EQ(am.istAdStatus(), "null");
    EXPECT_EQ(*open(kGameOver), 1);

    settings("3", "0");
    am.requestInterstitialAd();
    ASSERT_EQ(ads.count(), 1u);
    EXPECT_EQ(ads.last().adUnitId, "pub-1");
    EXPECT_EQ(ads.last().loads, 1);
    EXPECT_EQ(am.istAdStatus(), "istAd(ready=0 used=0 loading=1)");
    ads.last().receive();
    EXPECT_EQ(am.istAdStatus(), "istAd(ready=1 used=0 loading=0)");
    // A ready ad is kept.
    am.requestInterstitialAd();
    EXPECT_EQ(ads.count(), 1u);

    // Flag 3 leaves out the first start after a launch without settings.
    EXPECT_EQ(*open(kFirstStart), 1);
    EXPECT_EQ(ads.last().presentations, 0);

    auto fromTitle = open(kFromTitle);
    EXPECT_EQ(*fromTitle, 0);
    EXPECT_EQ(ads.last().presentations, 1);
    EXPECT_EQ(ads.last().presentedFrom, core->root);
    EXPECT_TRUE(am.interstitialAdPresenting());
    ads.last().dismiss();
    EXPECT_EQ(*fromTitle, 1);
    EXPECT_FALSE(am.interstitialAdPresenting());

    // The dismissal asked for the next ad, which shows at a game's end.
    ASSERT_EQ(ads.count(), 2u);
    ads.last().receive();
    auto gameOver = open(kGameOver);
    EXPECT_EQ(ads.last().presentations, 1);
    ads.last().dismiss();
    EXPECT_EQ(*gameOver, 1);

    // Flag 0: a ready ad stays unshown everywhere.
    settings("0", "0");
    auto& ad = readyAd();
    for (int context : {kGameOver, kFromTitle, kFirstStart}) EXPECT_EQ(*open(context), 1);
    EXPECT_EQ(ad.presentations, 0);
    EXPECT_EQ(am.istAdStatus(), "istAd(ready=1 used=0 loading=0)");
}

TEST_F(AnnounceInterstitialTest, TheIntervalCountsFromTheDismissal) {
    settings("1", "180");
    platform::LogSink::Capture log;
    auto& first = readyAd();
    auto shown = open(kGameOver);
    EXPECT_EQ(first.presentations, 1);
    scope.advance(20);
    first.dismiss();
    EXPECT_EQ(*shown, 1);

    auto& second = readyAd();
    scope.advance(179);
    EXPECT_EQ(*open(kGameOver), 1);
    EXPECT_EQ(second.presentations, 0);
    EXPECT_TRUE(log.contains("istAd: wait interval istAd(ready=1 used=0 loading=0)"));

    scope.advance(1);
    auto later = open(kGameOver);
    EXPECT_EQ(second.presentations, 1);
    EXPECT_EQ(*later, 0);
    second.dismiss();
    EXPECT_EQ(*later, 1);
}

TEST_F(AnnounceInterstitialTest, ALoadIsGivenUpAfterTenMinutesOrWhenTheClockWentBack) {
    platform::LogSink::Capture log;
    am.requestInterstitialAd();
    scope.advance(599);
    am.requestInterstitialAd();
    EXPECT_EQ(ads.count(), 1u);
    EXPECT_FALSE(log.contains("istAd: request timeout"));

    scope.advance(1);
    am.requestInterstitialAd();
    ASSERT_EQ(ads.count(), 2u);
    EXPECT_TRUE(log.contains("istAd: request timeout istAd(ready=0 used=0 loading=1)"));
    // The abandoned ad is let go: its late answer changes nothing.
    EXPECT_FALSE(ads.at(0).hasDelegate());
    ads.at(0).receive();
    EXPECT_EQ(am.istAdStatus(), "istAd(ready=0 used=0 loading=1)");

    log.clear();
    scope.clock().setWallSeconds(wallNow() - 30);
    am.requestInterstitialAd();
    EXPECT_EQ(ads.count(), 3u);
    EXPECT_TRUE(log.contains("istAd: request timeout"));
}

TEST_F(AnnounceInterstitialTest, PendingUnlockNoticesComeBeforeAnyAdOrPopup) {
    popupWaits();
    auto& ad = readyAd();
    core->pending = true;
    EXPECT_EQ(*open(kGameOver), 1);
    EXPECT_EQ(ad.presentations, 0);
    EXPECT_FALSE(platform::ui::AlertView::visibleAlert());
}

TEST_F(AnnounceInterstitialTest, AfterAShownAdTheNextIsRequestedBeforeThePopup) {
    popupWaits();
    auto& ad = readyAd();
    std::vector<std::string> order;
    ads.onMake = [&](const std::string&) {
        order.push_back(platform::ui::AlertView::visibleAlert() ? "request after popup"
                                                                : "request");
    };
    am.showPopupAds(kGameOver, [&] {
        order.push_back(platform::ui::AlertView::visibleAlert() ? "done after popup" : "done");
    });
    EXPECT_TRUE(order.empty());
    EXPECT_FALSE(platform::ui::AlertView::visibleAlert());
    ad.dismiss();
    EXPECT_EQ(order, (std::vector<std::string>{"request", "done after popup"}));
    EXPECT_EQ(am.popupAdDoneSerial(), 21);
}

TEST_F(AnnounceInterstitialTest, AFailedLoadLetsTheNextOpportunityGoOnAtOnce) {
    am.requestInterstitialAd();
    ads.last().fail(2, "no network");
    EXPECT_EQ(am.istAdStatus(), "null");
    EXPECT_FALSE(ads.last().hasDelegate());
    // The opportunity ends at once and asks again.
    EXPECT_EQ(*open(kGameOver), 1);
    ASSERT_EQ(ads.count(), 2u);
    EXPECT_EQ(am.istAdStatus(), "istAd(ready=0 used=0 loading=1)");
    scope.runUntilIdle();
}

TEST_F(AnnounceInterstitialTest, WithoutARootControllerTheAdStaysReady) {
    auto& ad = readyAd();
    auto root = core->root;
    core->root = nullptr;
    EXPECT_EQ(*open(kGameOver), 1);
    EXPECT_EQ(ad.presentations, 0);
    EXPECT_FALSE(am.interstitialAdPresenting());
    EXPECT_EQ(am.istAdStatus(), "istAd(ready=1 used=0 loading=0)");
    EXPECT_EQ(ads.count(), 1u);

    core->root = root;
    auto shown = open(kGameOver);
    EXPECT_EQ(ad.presentations, 1);
    ad.dismiss();
    EXPECT_EQ(*shown, 1);
}

TEST_F(AnnounceInterstitialTest, RefusedPresentationsAndOverlappingOpportunitiesEachEndOnce) {
    settings("3", "180");
    // Refused inside the call (nothing put on screen): over at once, and since nothing was
    // seen the interval does not hold the next ad back.
    auto& refused = readyAd();
    refused.refusalCode = 11;
    auto first = open(kGameOver);
    EXPECT_EQ(*first, 1);
    EXPECT_FALSE(am.interstitialAdPresenting());
    ASSERT_EQ(ads.count(), 2u);

    // A second opportunity while one waits for its dismissal shows nothing and goes on; the
    // waiting one still ends with its dismissal.
    auto& shown = readyAd();
    auto waiting = open(kGameOver);
    EXPECT_EQ(shown.presentations, 1);
    auto second = open(kFromTitle);
    EXPECT_EQ(*second, 1);
    EXPECT_EQ(*waiting, 0);
    shown.dismiss();
    EXPECT_EQ(*waiting, 1);
    shown.dismiss();
    EXPECT_EQ(*waiting, 1);
    EXPECT_EQ(*second, 1);

    // Refused later (the ad could not take the window's orientation): the same.
    scope.advance(180);
    auto& late = readyAd();
    auto third = open(kFromTitle);
    EXPECT_EQ(late.presentations, 1);
    late.fail(13, "orientation");
    EXPECT_EQ(*third, 1);
    EXPECT_FALSE(am.interstitialAdPresenting());
    late.dismiss();
    EXPECT_EQ(*third, 1);
    EXPECT_EQ(*first, 1);
    scope.runUntilIdle();
}
