#include "ads/web/GADVideoPlayer.h"

#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <fstream>
#include <limits>
#include <regex>

#include "ads/foundation/GADLog.h"
#include "ads/testsupport/AdViewTestScope.h"
#include "ads/testsupport/AdsTestScope.h"
#include "ads/web/GADAdView.h"
#include "ads/web/GADAdViewVideoAdditions.h"
#include "ads/web/GADPageVideoBudget.h"
#include "ads/web/GADVideoPlayerGMSGHandler.h"
#include "platform/base/LogSink.h"
#include "platform/services/FakeMediaPlayerBackend.h"
#include "platform/testing/TempDir.h"

namespace ads {
namespace {

using platform::Rect;
using platform::Url;
using platform::services::MediaPlayerStatus;
using platform::services::testing::FakeMediaPlayerBackend;
using Lines = std::vector<std::string>;

class GADVideoPlayerTest : public ::testing::Test {
  protected:
    GADVideoPlayerTest() { FakeMediaPlayerBackend::installFactory(fake); }
    ~GADVideoPlayerTest() override {
        FakeMediaPlayerBackend::installFactory(nullptr);
        GADVideoPlayer::setPrecacheFolderProvider({});
    }

    // Sends "video" with the query's parameters and lets the page's events run.
    void video(const std::string& query) {
        auto url = Url::parse("gmsg://movuroute/video?" + query);
        ASSERT_TRUE(url);
        EXPECT_TRUE(
            handler->handleNotification(GADNotification::createWithNotificationURL(*url), view));
        scope.runUntilIdle();
    }

    // The "onVideoEvent" events the page got, each as its event name and other keys, and
    // forgets them.
    Lines events() {
        Lines found;
        auto& page = *views.web().pages().at(0);
        const auto& all = page.evaluations();
        static const std::regex pattern(R"(RADE_ReceiveMessage\('onVideoEvent', *(\{.*\})\);)");
        for (std::size_t i = seen_; i < all.size(); ++i) {
            std::smatch match;
            if (!std::regex_match(all[i], match, pattern)) continue;
            std::string text = match[1];
            std::string line;
            std::smatch field;
            static const std::regex keyValue(R"re("(\w+)":("[^"]*"|[-0-9.e+]+))re");
            for (auto it = std::sregex_iterator(text.begin(), text.end(), keyValue);
                 it != std::sregex_iterator(); ++it) {
                std::string key = (*it)[1], value = (*it)[2];
                if (key == "event") {
                    line = value.substr(1, value.size() - 2) + line;
                } else {
                    line += " " + key + "=" + value;
                }
            }
            found.push_back(line);
        }
        seen_ = all.size();
        return found;
    }

    GADAdViewVideoAdditions& additions() { return view->videoAdditions(); }

    testing::AdsTestScope scope;
    testing::AdViewTestScope views;
    std::shared_ptr<FakeMediaPlayerBackend> fake = FakeMediaPlayerBackend::create();
    std::shared_ptr<GADAdView> view = GADAdView::create({0, 0, 320, 50});
    std::shared_ptr<GADVideoPlayerGMSGHandler> handler = GADVideoPlayerGMSGHandler::create();
    std::size_t seen_ = 0;
};

TEST_F(GADVideoPlayerTest, NothingHappensBeforeThePageMakesAPlayer) {
    for (const char* query :
         {"action=play", "action=pause", "action=volume&volume=0.5", "action=muted&muted=true",
          "action=currentTime&time=1", "action=hide", "action=load", "action=unknown", "x=1"}) {
        video(query);
    }
    EXPECT_FALSE(view->hasVideoAdditions());
    EXPECT_TRUE(fake->items().empty());
    EXPECT_TRUE(events().empty());
    // Another action is not the handler's.
    auto other = Url::parse("gmsg://movuroute/videos?action=new");
    EXPECT_FALSE(
        handler->handleNotification(GADNotification::createWithNotificationURL(*other), view));
}

TEST_F(GADVideoPlayerTest, NewMakesOnePlayerWhosePictureLiesUnderThePage) {
    video("action=new&x=10&y=5&w=100&h=40");
    ASSERT_TRUE(additions().videoPlayer());
    auto player = additions().videoPlayer()->player();
    auto picture = additions().videoPlayerView();
    ASSERT_TRUE(picture);
    EXPECT_EQ(view->subviews().front(), picture);
    EXPECT_EQ(fake->items(), (std::vector<std::optional<Url>>{std::nullopt}));
    view->layoutIfNeeded();
    EXPECT_EQ(picture->frame(), (Rect{10, 5, 100, 40}));

    // A second "new" only moves the picture; three coordinates give the whole ad view.
    video("action=new&x=1&y=2&w=3");
    view->layoutIfNeeded();
    EXPECT_EQ(picture->frame(), (Rect{0, 0, 320, 50}));
    // Text reads its leading number; a frame that is not finite is the whole ad view too.
    video("action=position&x=inf&y=0&w=1&h=1");
    view->layoutIfNeeded();
    EXPECT_EQ(picture->frame(), (Rect{0, 0, 1, 1}));
    additions().setCachedVideoPlayerFrame({std::numeric_limits<double>::infinity(), 0, 1, 1});
    view->setNeedsLayout();
    view->layoutIfNeeded();
    EXPECT_EQ(picture->frame(), (Rect{0, 0, 320, 50}));
    EXPECT_EQ(additions().videoPlayer()->player(), player);
    EXPECT_EQ(fake->items().size(), 1u);

    video("action=hide");
    EXPECT_TRUE(picture->isHidden());
    video("action=show");
    EXPECT_FALSE(picture->isHidden());
    EXPECT_TRUE(events().empty());
}

TEST_F(GADVideoPlayerTest, ThePageHearsThePlayersProgress) {
    video("action=src&src=https%3A%2F%2Fads.test%2Fclip.webm");
    ASSERT_EQ(fake->items().size(), 1u);
    EXPECT_EQ(fake->items()[0]->absoluteString(), "https://ads.test/clip.webm");
    // The last track with a size wins; the duration alone is not enough.
    fake->becomeReady(2.5, {{320, 180}, {160, 90}, {0, 0}});
    EXPECT_TRUE(events().empty());
    fake->buffer(true, false);
    scope.runUntilIdle();
    EXPECT_EQ(events(),
              (Lines{R"(canplaythrough duration="2.500000" videoHeight=90.0 videoWidth=160.0)"}));

    video("action=play");
    scope.advance(0.5);
    EXPECT_EQ(events(), (Lines{"play", R"(timeupdate time="0.000000")",
                               R"(timeupdate time="0.250000")", R"(timeupdate time="0.500000")"}));
    video("action=currentTime&time=-4");
    additions().videoPlayer()->seekToTime(std::nan(""));
    scope.runUntilIdle();
    EXPECT_EQ(fake->seeks(), (std::vector<double>{0}));
    EXPECT_EQ(events(), (Lines{R"(timeupdate time="0.000000")"}));
    fake->playToEnd();
    scope.runUntilIdle();
    EXPECT_EQ(events(), (Lines{"ended", "pause", R"(timeupdate time="0.000000")"}));

    // A second source: the same player, no second "canplaythrough", the other events go on.
    video("action=src&src=https%3A%2F%2Fads.test%2Fother.webm");
    fake->becomeReady(3.0, {{160, 90}});
    fake->buffer(true, true);
    fake->fail();
    scope.runUntilIdle();
    EXPECT_EQ(fake->items().size(), 2u);
    EXPECT_EQ(events(), (Lines{"error"}));
}

TEST_F(GADVideoPlayerTest, CanPlayThroughNeedsAKnownDurationAndGivesMinusOneWithoutPictures) {
    video("action=src&src=http%3A%2F%2Fads.test%2Flive");
    fake->becomeReady(std::nullopt, {});
    fake->buffer(true, true);
    scope.runUntilIdle();
    EXPECT_TRUE(events().empty());
    fake->changeDuration(1.0);
    scope.runUntilIdle();
    EXPECT_EQ(events(),
              (Lines{R"(canplaythrough duration="1.000000" videoHeight=-1.0 videoWidth=-1.0)"}));
}

TEST_F(GADVideoPlayerTest, AFailedSourceThenAGoodOne) {
    video("action=src&src=http%3A%2F%2Fads.test%2Fmissing.ogg");
    fake->fail();
    scope.runUntilIdle();
    EXPECT_EQ(events(), (Lines{"error"}));
    video("action=src&src=http%3A%2F%2Fads.test%2Fclip.ogg");
    fake->becomeReady(2.0, {{160, 90}});
    fake->buffer(false, true);
    scope.runUntilIdle();
    EXPECT_EQ(additions().videoPlayer()->player()->status(), MediaPlayerStatus::ReadyToPlay);
    EXPECT_EQ(events(),
              (Lines{R"(canplaythrough duration="2.000000" videoHeight=90.0 videoWidth=160.0)"}));
}

TEST_F(GADVideoPlayerTest, VolumeAndMuteGoThroughTheMixWithoutThePlayersOwnSwitches) {
    fake = FakeMediaPlayerBackend::create({.ownVolume = false, .ownMute = false});
    FakeMediaPlayerBackend::installFactory(fake);
    video("action=new");
    video("action=volume&volume=1.5");
    EXPECT_TRUE(fake->mixes().empty());
    EXPECT_EQ(additions().videoPlayer()->volume(), 1.0f);
    video("action=volume&volume=0.5");
    video("action=volume&volume=1");
    video("action=muted&muted=true");
    video("action=muted&muted=false");
    video("action=muted");
    EXPECT_EQ(fake->mixes(),
              (std::vector<std::optional<float>>{0.5f, std::nullopt, 0.0f, std::nullopt}));
    EXPECT_FALSE(fake->volume());
}

TEST_F(GADVideoPlayerTest, VolumeAndMuteUseThePlayersOwnSwitches) {
    video("action=new");
    video("action=volume&volume=-1");
    EXPECT_FALSE(fake->volume());
    video("action=volume&volume=0.25");
    video("action=muted&muted=%20Yes");
    EXPECT_EQ(fake->volume(), 0.25f);
    EXPECT_EQ(fake->muted(), true);
    video("action=muted&muted=no");
    EXPECT_EQ(fake->muted(), false);
    EXPECT_TRUE(fake->mixes().empty());
}

TEST_F(GADVideoPlayerTest, OnlyWebAndPrecachedSourcesAreOpened) {
    platform::testing::TempDir temp;
    const std::filesystem::path precache = temp.path() / "precache";
    std::filesystem::create_directories(precache);
    std::ofstream(precache / "clip.ogg") << "ogg";
    std::ofstream(temp.path() / "outside.ogg") << "ogg";
    std::filesystem::create_symlink(temp.path() / "outside.ogg", precache / "link.ogg");
    GADVideoPlayer::setPrecacheFolderProvider([precache] { return precache.string(); });

    const auto file = [](const std::filesystem::path& p) {
        return Url::fileUrl(p.string()).absoluteString();
    };
    for (const std::string& bad :
         {file(temp.path() / "outside.ogg"), file(precache / "link.ogg"),
          file(precache / ".." / "outside.ogg"), file(precache), std::string("file:///dev/zero"),
          // Named by their place in the folder, as the precache handler names its files.
          std::string("file:///link.ogg"), std::string("file:///../outside.ogg"),
          std::string("file:///"), std::string("file:///missing.ogg"),
          std::string("data:video/ogg;base64,AAAA"), std::string("rtsp://ads.test/clip")}) {
        SCOPED_TRACE(bad);
        video("action=src&src=" + bad);
        EXPECT_EQ(fake->items().back(), std::nullopt);
        EXPECT_EQ(events(), (Lines{"error"}));
    }
    const auto real = std::filesystem::canonical(precache / "clip.ogg").string();
    for (const std::string& good : {file(precache / "clip.ogg"), std::string("file:///clip.ogg")}) {
        SCOPED_TRACE(good);
        video("action=src&src=" + good);
        ASSERT_TRUE(fake->items().back());
        EXPECT_EQ(fake->items().back()->path(), real);
        EXPECT_TRUE(events().empty());
    }
}

TEST_F(GADVideoPlayerTest, ANewPageStopsTheOldPagesVideo) {
    video("action=src&src=http%3A%2F%2Fads.test%2Fclip.ogg");
    fake->becomeReady(2.0, {{160, 90}});
    fake->buffer(true, true);
    fake->showFrame(platform::gfx::Image::blank(160, 90));
    video("action=play");
    events();
    view->loadHTMLString("<p>next ad</p>", Url::parse("https://ads.test/next"));
    scope.advance(1.0);
    auto player = additions().videoPlayer()->player();
    EXPECT_EQ(player->rate(), 0);
    EXPECT_FALSE(player->hasItem());
    EXPECT_FALSE(fake->playing());
    EXPECT_TRUE(additions().videoPlayerView()->shownFrame().empty());
    EXPECT_TRUE(events().empty());
    // The old item's late news reaches nobody; the next page's video is heard afresh.
    fake->playToEnd();
    video("action=src&src=http%3A%2F%2Fads.test%2Fnext.ogg");
    fake->becomeReady(1.0, {{160, 90}});
    fake->buffer(true, true);
    scope.runUntilIdle();
    EXPECT_EQ(events(),
              (Lines{R"(canplaythrough duration="1.000000" videoHeight=90.0 videoWidth=160.0)"}));
}

// A page that switches its source in a loop (as a hostile interstitial did, 20 times a second)
// gets its budget's sources and no more; its other actions still run until they too are spent.
// Each refusal is a line out of the page's one log budget: a thousand refusals are 100 lines
// and the dropped line, whatever else the page logged.
TEST_F(GADVideoPlayerTest, APagesSourcesAndActionsStopAtItsBudgetAndItsRefusalsSpendItsLogBudget) {
    platform::LogSink::Capture log;
    for (int i = 0; i < 20; ++i)
        video("action=src&src=http%3A%2F%2Fads.test%2Fclip.ogg%3Fn%3D" + std::to_string(i));
    ASSERT_EQ(fake->items().size(), GADPageVideoBudget::kMaxSourcesPerAd);
    EXPECT_EQ(fake->items().back()->absoluteString(), "http://ads.test/clip.ogg?n=7");
    video("action=play");
    EXPECT_TRUE(fake->playing());
    for (std::size_t i = 0; i < GADPageVideoBudget::kMaxActionsPerAd; ++i)
        video(i % 2 ? "action=play" : "action=pause");
    const bool playing = fake->playing();
    for (int i = 0; i < 1000; ++i) video(playing ? "action=pause" : "action=play");
    EXPECT_EQ(fake->playing(), playing);
    GADLogFlush();
    std::size_t refusals = 0;
    for (const auto& line : log.lines())
        refusals += line.starts_with(GADVideoPlayerGMSGHandler::kVideoActionRefusedText);
    EXPECT_EQ(refusals, platform::web::WebView::kPageLogLines);
    EXPECT_TRUE(log.contains(platform::web::WebView::kPageLogDroppedLine));
}

// The budget is the page's: the view's next page names its sources again, and a view that is
// gone leaves nothing kept.
TEST_F(GADVideoPlayerTest, ANewPageHasAVideoBudgetOfItsOwnAndAGoneViewKeepsNone) {
    for (int i = 0; i < 10; ++i) video("action=src&src=http%3A%2F%2Fads.test%2Fa.ogg");
    ASSERT_EQ(fake->items().size(), GADPageVideoBudget::kMaxSourcesPerAd);
    view->loadHTMLString("<p>next ad</p>", Url::parse("https://ads.test/next"));
    scope.advance(1.0);
    const std::size_t before = fake->items().size();
    video("action=src&src=http%3A%2F%2Fads.test%2Fb.ogg");
    EXPECT_EQ(fake->items().size(), before + 1);
    EXPECT_EQ(fake->items().back()->absoluteString(), "http://ads.test/b.ogg");

    GADPageVideoBudget budget;
    auto other = GADAdView::create({0, 0, 320, 50});
    EXPECT_TRUE(budget.admit(other, true));
    EXPECT_EQ(budget.adsKept(), 1u);
    other->removeFromSuperview();
    other.reset();
    EXPECT_TRUE(budget.admit(view, false));
    EXPECT_EQ(budget.adsKept(), 1u);
    EXPECT_FALSE(budget.admit(nullptr, false));
}

}  // namespace
}  // namespace ads
