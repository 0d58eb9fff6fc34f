// The game-over screen's ad banner: which kind shows for each "durezEnable", where, when a new
// one is made, and what happens when the platform's banner fails.

#include "online/DuRezSupport.h"

#include <gtest/gtest.h>

#include "AnnounceTestSupport.h"
#include "ads/foundation/GADAdType.h"
#include "ads/slot/GADBannerViewSlot.h"
#include "platform/base/LogSink.h"
#include "platform/ui/ViewController.h"

namespace {

using online::DuRezSupport;
using platform::Rect;
using platform::Value;
using platform::services::SystemAdBannerView;
using platform::ui::View;

// The ads library's side of one banner: records its loads; the test answers for the server.
class ScriptedBannerSlot : public ads::GADBannerViewSlot {
  public:
    void setBanner(std::weak_ptr<ads::GADBannerView> banner) override { banner_ = banner; }
    void setReloadable(bool) override {}
    std::optional<std::string> adUnitID() const override { return adUnitID_; }
    void setAdUnitID(std::optional<std::string> id) override { adUnitID_ = std::move(id); }
    std::optional<ads::GADAdType> adType() const override { return adType_; }
    void setAdTypeAndReloadRequest(const ads::GADAdType& type, bool) override { adType_ = type; }
    void loadRequest(const std::shared_ptr<ads::GADRequest>&) override { ++loads; }
    std::shared_ptr<ads::GADAdView> adView() const override { return nullptr; }
    bool hasAutoRefreshed() const override { return false; }
    bool isMediating() const override { return false; }
    std::optional<std::string> adNetworkClassName() const override { return std::nullopt; }
    void bannerDidMoveToWindow(platform::ui::Window*) override {}
    void scheduleAdReloadTimer() override {}
    void endActiveViewReporting() override {}
    void cancelPendingAndFutureActions() override {}

    std::weak_ptr<ads::GADBannerView> banner_;
    std::optional<std::string> adUnitID_;
    std::optional<ads::GADAdType> adType_;
    int loads = 0;
};

class DuRezSupportTest : public ::testing::Test {
  protected:
    DuRezSupportTest() {
        scope.clock().setWallSeconds(1.8e9);
        am.resetForTesting();
        am.setAppCore(core);
        ads::GADBannerViewSlot::setMaker([this](Rect) {
            auto slot = std::make_shared<ScriptedBannerSlot>();
            slots.push_back(slot);
            return slot;
        });
        support->setDuRezBannerFactory([this] {
            auto banner = ads::GADBannerView::create(ads::kGADAdSizeBanner);
            banners.push_back(banner);
            return banner;
        });
        support->setIAdBannerFactory([this] {
            auto banner = SystemAdBannerView::create();
            iAds.push_back(banner);
            return banner;
        });
        support->setDuRezPublisherId("ca-movu-banner");
        owner->view()->addSubview(content);
    }
    ~DuRezSupportTest() override {
        support.reset();
        scope.runUntilIdle();
        ads::GADBannerViewSlot::setMaker(nullptr);
        am.resetForTesting();
    }

    void settings(const std::string& enable, Value::Dictionary more = {}) {
        more["durezEnable"] = Value(enable);
        am.setAmProperties(Value(std::move(more)));
    }
    void show() { support->showInViewController(owner, content); }
    // The server answers the latest banner's request with an ad.
    void answerAd() {
        slots.back()->banner_.lock()->slotFinishedLoadingAdContent();
        scope.runUntilIdle();
    }
    bool inContent(const std::shared_ptr<View>& v) const { return v && v->superview() == content; }
    int loads() const {
        int n = 0;
        for (auto& s : slots) n += s->loads;
        return n;
    }

    platform::MainLoopTestScope scope;
    online::AnnounceManager& am = online::AnnounceManager::sharedAnnounceManager();
    std::shared_ptr<announce_test::FakeCore> core = std::make_shared<announce_test::FakeCore>();
    std::shared_ptr<DuRezSupport> support = DuRezSupport::create();
    std::shared_ptr<platform::ui::ViewController> owner = platform::ui::ViewController::create();
    std::shared_ptr<View> content = View::create(Rect(0, 0, 320, 480));
    std::vector<std::shared_ptr<ScriptedBannerSlot>> slots;
    std::vector<std::shared_ptr<ads::GADBannerView>> banners;
    std::vector<std::shared_ptr<SystemAdBannerView>> iAds;
};

TEST_F(DuRezSupportTest, NoBannerIsMadeWithoutAKindThatMayShow) {
    // No settings at all, "durezEnable" 0, and 1 without an ad unit of our own.
    show();
    settings("0");
    show();
    settings("1");
    support->setDuRezPublisherId(std::nullopt);
    show();
    scope.runUntilIdle();
    EXPECT_TRUE(banners.empty());
    EXPECT_TRUE(iAds.empty());
    EXPECT_TRUE(content->subviews().empty());
    EXPECT_EQ(owner->view()->subviews().size(), 1u);
    EXPECT_FALSE(support->canShowDuRez());
    EXPECT_FALSE(support->canShowIAd());
}

TEST_F(DuRezSupportTest, OurBannerShowsAtTheTopLeftOnlyOnceItsAdArrived) {
    settings("1", {{"durezBannerAdPublisherId", Value("ca-movu-server-unit")}});
    show();
    ASSERT_EQ(banners.size(), 1u);
    auto banner = banners[0];
    EXPECT_EQ(support->adType(), DuRezSupport::AdType::DuRez);
    EXPECT_EQ(loads(), 1);
    EXPECT_EQ(banner->adUnitID(), "ca-movu-server-unit");
    EXPECT_EQ(banner->rootViewController(), owner);
    EXPECT_FALSE(inContent(banner)) << "no empty box before the ad is there";

    answerAd();
    EXPECT_TRUE(inContent(banner));
    EXPECT_EQ(banner->frame(), Rect(0, 0, 320, 50));
    EXPECT_TRUE(iAds.empty());

    support->close();
    EXPECT_EQ(banner->superview(), nullptr);
    EXPECT_EQ(support->duRezAd(), banner) << "kept for the next showing";

    // Without a server setting the app's own ad unit is asked.
    settings("1", {{"durezRefreshInterval", Value("0")}});
    show();
    ASSERT_EQ(banners.size(), 2u);
    EXPECT_EQ(banners[1]->adUnitID(), "ca-movu-banner");
}

TEST_F(DuRezSupportTest, ShowingsWithinTheRefreshIntervalReuseTheBanner) {
    settings("1");
    show();
    answerAd();
    support->close();

    scope.advance(59);
    show();
    EXPECT_EQ(banners.size(), 1u);
    EXPECT_EQ(loads(), 1) << "no new request within 60 s of the ad";
    EXPECT_TRUE(inContent(banners[0]));
    support->close();

    scope.advance(1);
    show();
    ASSERT_EQ(banners.size(), 2u);
    EXPECT_EQ(loads(), 2);
    EXPECT_EQ(support->duRezAd(), banners[1]);
    EXPECT_EQ(banners[0]->delegate(), nullptr) << "the old banner hears nothing more";
    EXPECT_FALSE(inContent(banners[0]));
    EXPECT_FALSE(inContent(banners[1]));
    answerAd();
    EXPECT_TRUE(inContent(banners[1]));

    // The server's interval counts instead of 60 s; a clock set back refreshes as well.
    support->close();
    settings("1", {{"durezRefreshInterval", Value("10")}});
    scope.advance(10);
    show();
    EXPECT_EQ(banners.size(), 3u);
    answerAd();
    support->close();
    scope.clock().setWallSeconds(1.7e9);
    show();
    EXPECT_EQ(banners.size(), 4u);
}

TEST_F(DuRezSupportTest, LateAdsAndFailures) {
    settings("1");
    // An ad that arrives after the screen closed still lands in the content view kept.
    show();
    support->close();
    answerAd();
    EXPECT_TRUE(inContent(banners[0]));

    // A failure takes our banner off and the next showing asks for a new one, since no ad
    // ever counted for the interval.
    settings("1", {{"durezRefreshInterval", Value("0")}});
    show();
    ASSERT_EQ(banners.size(), 2u);
    answerAd();
    EXPECT_TRUE(support->visible());
    banners[1]->slotDidFailToLoadAdContentWithError(
        platform::Error::make("com.zivivu.ads", 1, "no fill"));
    scope.runUntilIdle();
    EXPECT_FALSE(support->durezReady());
    EXPECT_FALSE(inContent(banners[1]));
    EXPECT_FALSE(support->visible());
}

TEST_F(DuRezSupportTest, PlatformBannerOnlyShowsNothingWhenItFails) {
    settings("2");
    platform::LogSink::Capture log;
    show();
    ASSERT_EQ(iAds.size(), 1u);
    auto iAd = iAds[0];
    EXPECT_TRUE(support->canShowIAd());
    EXPECT_EQ(support->adType(), DuRezSupport::AdType::IAd);
    EXPECT_TRUE(iAd->isHidden());
    EXPECT_EQ(iAd->superview(), owner->view());
    EXPECT_EQ(iAd->currentContentSizeIdentifier(),
              platform::services::kSystemAdBannerContentSizeIdentifierPortrait);

    scope.runUntilIdle();
    EXPECT_TRUE(
        log.contains("iAd:bannerView:didFailToReceiveAdWithError: No ad provider on this system."));
    EXPECT_EQ(iAd->superview(), nullptr);
    EXPECT_EQ(support->iAdView(), nullptr);
    EXPECT_EQ(support->adType(), DuRezSupport::AdType::None);
    EXPECT_TRUE(banners.empty());
    EXPECT_TRUE(content->subviews().empty());

    // In landscape it asks for the landscape size; a platform that had an ad would show it.
    core->isLandscape = true;
    show();
    ASSERT_EQ(iAds.size(), 2u);
    EXPECT_EQ(iAds[1]->currentContentSizeIdentifier(),
              platform::services::kSystemAdBannerContentSizeIdentifierLandscape);
    support->bannerViewDidLoadAd(*iAds[1]);
    EXPECT_FALSE(iAds[1]->isHidden());
    EXPECT_TRUE(log.contains("iAd:bannerViewDidLoadAd"));

    // Larger values mean the platform's banner too; and it may be switched off.
    settings("7");
    EXPECT_TRUE(support->canShowIAd());
    EXPECT_FALSE(support->canShowDuRez());
    support->setUseIAd(false);
    EXPECT_FALSE(support->canShowIAd());
}

TEST_F(DuRezSupportTest, PlatformFailureFallsOverToOurBanner) {
    settings("3");
    // While the screen shows: our banner comes in the same showing.
    show();
    ASSERT_EQ(iAds.size(), 1u);
    EXPECT_TRUE(banners.empty()) << "the platform's banner goes first";
    scope.runUntilIdle();
    ASSERT_EQ(banners.size(), 1u);
    EXPECT_EQ(support->adType(), DuRezSupport::AdType::DuRez);
    EXPECT_TRUE(support->visible());
    answerAd();
    EXPECT_TRUE(inContent(banners[0]));
    EXPECT_EQ(iAds[0]->superview(), nullptr);
    support->close();

    // While hidden: nothing shows now, and the next refresh gives our banner the turn.
    settings("3", {{"durezRefreshInterval", Value("0")}});
    show();
    ASSERT_EQ(iAds.size(), 2u);
    support->close();
    scope.runUntilIdle();
    EXPECT_EQ(banners.size(), 1u);
    EXPECT_EQ(iAds[1]->superview(), nullptr);
    show();
    EXPECT_EQ(iAds.size(), 2u) << "no platform banner this turn";
    ASSERT_EQ(banners.size(), 2u);
    EXPECT_EQ(support->adType(), DuRezSupport::AdType::DuRez);
    // The turn after goes back to the platform's banner first.
    support->close();
    show();
    EXPECT_EQ(iAds.size(), 3u);
}

}  // namespace
