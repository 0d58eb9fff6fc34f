#include "ads/web/GADVideoPlayer.h"

#include <gtest/gtest.h>

#include <algorithm>
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
#include "platform/ui/Application.h"
#include "platform/ui/Window.h"

namespace ads {
namespace {

using platform::Rect;
using platform::Url;
using platform::services::MediaPlayerStatus;
using platform::services::testing::FakeMediaPlayerBackend;
using Lines = std::vector<std::string>;

class GADVideoPlayerTest : public ::testing::Test {
  protected:
    // The ad shows: its view in the key window of the active application.
    GADVideoPlayerTest() {
        FakeMediaPlayerBackend::installFactory(fake);
        window->makeKeyWindow();
        platform::ui::Application::shared().becomeActive();
        window->addSubview(view);
    }
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

    // "error" events the page heard since the last look.
    std::size_t errors() {
        const Lines heard = events();
        return std::size_t(std::count(heard.begin(), heard.end(), "error"));
    }

    testing::AdsTestScope scope;
    testing::AdViewTestScope views;
    std::shared_ptr<FakeMediaPlayerBackend> fake = FakeMediaPlayerBackend::create();
    std::shared_ptr<platform::ui::Window> window = platform::ui::Window::create({0, 0, 320, 480});
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
// gets its first source and kMaxSwitchesPerAd more; the next is an "error" it hears, and the
// item it would have replaced goes too, so its "play" plays nothing old. A file it may not
// play in between does not make the next a fresh start. Its other actions still run until they
// too are spent, each refused one an "error"; each refusal is also a line out of the page's
// one log budget: a thousand refusals are 100 lines and the dropped line.
TEST_F(GADVideoPlayerTest, ANinthSwitchOfAnUnfinishedItemIsAnErrorAndLeavesNothingToPlay) {
    platform::LogSink::Capture log;
    const auto source = [](int n) {
        return "action=src&src=http%3A%2F%2Fads.test%2Fclip.ogg%3Fn%3D" + std::to_string(n);
    };
    video(source(0));
    for (std::size_t i = 1; i <= GADPageVideoBudget::kMaxSwitchesPerAd; ++i) {
        video("action=src&src=file%3A%2F%2F%2Fdev%2Fzero");
        video(source(int(i)));
    }
    ASSERT_EQ(errors(), GADPageVideoBudget::kMaxSwitchesPerAd);
    fake->becomeReady(2.0, {{160, 90}});
    video("action=play");
    events();
    ASSERT_TRUE(fake->playing());

    video(source(99));
    EXPECT_EQ(errors(), 1u);
    auto player = additions().videoPlayer()->player();
    EXPECT_FALSE(player->hasItem());
    EXPECT_EQ(fake->items().back(), std::nullopt);
    EXPECT_FALSE(fake->playing());
    std::size_t opened = 0;
    for (const auto& item : fake->items()) opened += item.has_value();
    EXPECT_EQ(opened, 1 + GADPageVideoBudget::kMaxSwitchesPerAd);
    // Its next "play" plays nothing in its place, and no "ended" comes of the old item.
    video("action=play");
    fake->playToEnd();
    scope.advance(1.0);
    EXPECT_FALSE(player->hasItem());
    const Lines heard = events();
    EXPECT_EQ(std::count(heard.begin(), heard.end(), "ended"), 0);

    for (std::size_t i = 0; i < GADPageVideoBudget::kMaxActionsPerAd; ++i)
        video(i % 2 ? "action=play" : "action=pause");
    events();
    const float rate = player->rate();
    for (int i = 0; i < 1000; ++i) video(rate != 0 ? "action=pause" : "action=play");
    EXPECT_EQ(player->rate(), rate);
    EXPECT_EQ(errors(), 1000u);
    GADLogFlush();
    std::size_t refusals = 0;
    for (const auto& line : log.lines())
        refusals += line.starts_with(GADVideoPlayerGMSGHandler::kVideoActionRefusedText);
    EXPECT_EQ(refusals, platform::web::WebView::kPageLogLines);
    EXPECT_TRUE(log.contains(platform::web::WebView::kPageLogDroppedLine));
}

// A playlist plays its clips to their ends, or moves on from one that fails (a wrapper's
// second file): none of that is a switch, so all of them play, up to the ad's sources in all;
// the next source after those is an error the page hears.
TEST_F(GADVideoPlayerTest, APlaylistOfClipsPlayedToTheirEndsPlaysEveryClip) {
    for (std::size_t i = 0; i < GADPageVideoBudget::kMaxSourcesPerAd; ++i) {
        video("action=src&src=http%3A%2F%2Fads.test%2Fclip" + std::to_string(i) + ".webm");
        video("action=play");
        ASSERT_EQ(fake->items().size(), i + 1);
        ASSERT_TRUE(fake->items().back());
        if (i % 8 == 7) {
            fake->fail();
        } else {
            fake->becomeReady(0.5, {{160, 90}});
            fake->playToEnd();
        }
        scope.runUntilIdle();
    }
    EXPECT_EQ(errors(), GADPageVideoBudget::kMaxSourcesPerAd / 8);
    video("action=src&src=http%3A%2F%2Fads.test%2Fone-more.webm");
    EXPECT_EQ(errors(), 1u);
    ASSERT_EQ(fake->items().size(), GADPageVideoBudget::kMaxSourcesPerAd + 1);
    EXPECT_EQ(fake->items().back(), std::nullopt);
}

// A preloaded ad that is not shown yet opens nothing of its video: its source and its "play"
// wait, and its page hears nothing of them (before, "play" and a time update as it loaded).
// Once it shows, the source is loaded and plays, and the page hears it start; when it leaves
// the screen the item's pipeline goes, and it is made again where it stood when the ad is back.
TEST_F(GADVideoPlayerTest, AnAdThatDoesNotShowLoadsNothingUntilItShows) {
    view->removeFromSuperview();
    auto placeholder = GADAdView::placeholderWindow();
    placeholder->addSubview(view);
    video("action=src&src=http%3A%2F%2Fads.test%2Fclip.webm");
    video("action=play");
    scope.advance(5.0);
    EXPECT_TRUE(fake->items().empty());
    EXPECT_FALSE(fake->playing());
    EXPECT_TRUE(events().empty());

    // Shown: the next look finds it.
    window->addSubview(view);
    scope.advance(GADVideoPlayer::kOnScreenCheckSeconds);
    ASSERT_EQ(fake->items().size(), 1u);
    EXPECT_EQ(fake->items()[0]->absoluteString(), "http://ads.test/clip.webm");
    EXPECT_TRUE(fake->playing());
    EXPECT_EQ(events(), (Lines{"play", R"(timeupdate time="0.000000")"}));
    fake->becomeReady(2.0, {{160, 90}});
    fake->buffer(true, true);
    scope.advance(0.5);

    // Hidden, faded out, or out of the key window: held, the pipeline gone.
    for (const auto& hide : std::vector<std::function<void(bool)>>{
             [&](bool hidden) { view->setHidden(hidden); },
             [&](bool hidden) { view->setAlpha(hidden ? 0 : 1); },
             [&](bool hidden) {
                 if (hidden) {
                     placeholder->addSubview(view);
                 } else {
                     window->addSubview(view);
                 }
             }}) {
        const std::size_t before = fake->items().size();
        hide(true);
        scope.advance(GADVideoPlayer::kOnScreenCheckSeconds);
        EXPECT_EQ(fake->items().size(), before + 1);
        EXPECT_EQ(fake->items().back(), std::nullopt);
        const double stood = additions().videoPlayer()->player()->currentTime();
        scope.advance(2.0);
        EXPECT_EQ(additions().videoPlayer()->player()->currentTime(), stood);
        hide(false);
        scope.advance(GADVideoPlayer::kOnScreenCheckSeconds);
        ASSERT_TRUE(fake->items().back());
        EXPECT_EQ(fake->items().back()->absoluteString(), "http://ads.test/clip.webm");
        EXPECT_EQ(fake->seeks().back(), stood);
        EXPECT_TRUE(fake->playing());
        fake->becomeReady(2.0, {{160, 90}});
        fake->buffer(true, true);
    }
    // The page heard one "canplaythrough", and nothing of the holds.
    Lines heard = events();
    std::erase_if(heard, [](const std::string& e) { return e.starts_with("timeupdate"); });
    EXPECT_EQ(heard,
              (Lines{R"(canplaythrough duration="2.000000" videoHeight=90.0 videoWidth=160.0)"}));
}

// Off screen the video does nothing the page could see, so the page hears nothing of it: a
// play asked for there is heard once the video starts on screen, with the time it starts from
// (a seek made off screen included); a video taken off screen after it started is no pause to
// the page, only no time running, and runs on from where it stood; a pause is heard only after
// a play was.
TEST_F(GADVideoPlayerTest, AHeldVideoTellsItsPageOnlyWhatItDoes) {
    const auto time = [](const char* seconds) {
        return std::string(R"(timeupdate time=")") + seconds + "\"";
    };
    view->removeFromSuperview();
    auto placeholder = GADAdView::placeholderWindow();
    const auto showAd = [&](bool shown) {
        (shown ? window : placeholder)->addSubview(view);
        scope.advance(GADVideoPlayer::kOnScreenCheckSeconds);
    };
    showAd(false);
    // Played and paused again off screen: nothing, and nothing once shown.
    video("action=src&src=http%3A%2F%2Fads.test%2Fclip.webm");
    video("action=play");
    video("action=pause");
    scope.advance(1.0);
    EXPECT_TRUE(events().empty());
    showAd(true);
    fake->becomeReady(10.0, {{160, 90}});
    fake->buffer(true, true);
    scope.advance(1.0);
    EXPECT_EQ(events(),
              (Lines{R"(canplaythrough duration="10.000000" videoHeight=90.0 videoWidth=160.0)"}));

    // Sought and played off screen: its start is heard once shown, from where it was sought.
    showAd(false);
    video("action=currentTime&time=2");
    video("action=play");
    scope.advance(1.0);
    EXPECT_TRUE(events().empty());
    showAd(true);
    EXPECT_EQ(events(), (Lines{"play", time("2.000000")}));
    scope.advance(0.5);
    EXPECT_EQ(events(), (Lines{time("2.250000"), time("2.500000")}));

    // Off screen while it plays: no pause, no time; back, on from where it stood, no new play.
    auto player = additions().videoPlayer()->player();
    showAd(false);
    events();
    const double stood = player->currentTime();
    scope.advance(2.0);
    EXPECT_TRUE(events().empty());
    showAd(true);
    scope.advance(0.5);
    char ticks[2][32];
    std::snprintf(ticks[0], sizeof ticks[0], "%.6f", stood + 0.25);
    std::snprintf(ticks[1], sizeof ticks[1], "%.6f", stood + 0.5);
    EXPECT_EQ(events(), (Lines{time(ticks[0]), time(ticks[1])}));

    // Paused off screen after a play it heard: "pause", with no time; played again there:
    // nothing until it starts on screen.
    showAd(false);
    events();
    video("action=pause");
    EXPECT_EQ(events(), (Lines{"pause"}));
    video("action=play");
    scope.advance(1.0);
    EXPECT_TRUE(events().empty());
    showAd(true);
    const Lines restarted = events();
    ASSERT_EQ(restarted.size(), 2u);
    EXPECT_EQ(restarted[0], "play");
    EXPECT_EQ(player->rate(), 1.0f);
    EXPECT_TRUE(fake->playing());
}

// An ad on its way to the screen (an interstitial's, between its presentation and "onshow")
// stands in the key window, yet its video waits until its page has run the event that tells
// it it shows: the page hears "play" after it. A new page's load drops a waiting arrival event
// with the rest, and the ad is up.
TEST_F(GADVideoPlayerTest, AnArrivingAdsVideoStartsOnlyOnceItsPageRanTheArrivalEvent) {
    auto& page = *views.web().pages().at(0);
    view->loadHTMLString("<p>ad</p>", Url::parse("https://ads.test/"));
    page.fireStart();
    page.fireFinish();
    scope.runUntilIdle();
    view->setArriving(true);
    video("action=src&src=http%3A%2F%2Fads.test%2Fclip.webm");
    video("action=play");
    scope.advance(1.0);
    EXPECT_TRUE(fake->items().empty());
    EXPECT_TRUE(events().empty());

    view->dispatchArrivalEvent("onshow");
    scope.advance(1.0);
    const auto onshow = std::find_if(page.evaluations().begin(), page.evaluations().end(),
                                     [](const std::string& script) {
                                         return script.starts_with("RADE_ReceiveMessage('onshow'");
                                     });
    ASSERT_NE(onshow, page.evaluations().end());
    // Sent, but not yet run by the page.
    EXPECT_TRUE(view->isArriving());
    EXPECT_TRUE(fake->items().empty());
    // Run: the video starts at once, not at its next look.
    while (page.answerNextScript({})) {
    }
    scope.runUntilIdle();
    EXPECT_FALSE(view->isArriving());
    EXPECT_EQ(fake->items().size(), 1u);
    EXPECT_TRUE(fake->playing());
    EXPECT_EQ(events(), (Lines{"play", R"(timeupdate time="0.000000")"}));

    view->loadHTMLString("<p>next</p>", Url::parse("https://ads.test/next"));
    view->setArriving(true);
    view->dispatchArrivalEvent("onshow");
    scope.advance(1.0);
    EXPECT_TRUE(view->isArriving());
    view->loadHTMLString("<p>other</p>", Url::parse("https://ads.test/other"));
    EXPECT_FALSE(view->isArriving());
}

// Past its actions a page's other refused actions are errors too, with a player or not.
TEST_F(GADVideoPlayerTest, ARefusedActionIsAnErrorThePageHearsWithOrWithoutAPlayer) {
    for (std::size_t i = 0; i < GADPageVideoBudget::kMaxActionsPerAd; ++i) video("action=load");
    EXPECT_EQ(errors(), 0u);
    video("action=new");
    video("action=src&src=http%3A%2F%2Fads.test%2Fclip.webm");
    EXPECT_EQ(errors(), 2u);
    EXPECT_FALSE(view->hasVideoAdditions());
    EXPECT_TRUE(fake->items().empty());
}

// The budget is the page's: the view's next page names its sources again, and a view that is
// gone leaves nothing kept.
TEST_F(GADVideoPlayerTest, ANewPageHasAVideoBudgetOfItsOwnAndAGoneViewKeepsNone) {
    for (int i = 0; i < 10; ++i) video("action=src&src=http%3A%2F%2Fads.test%2Fa.ogg");
    ASSERT_EQ(fake->items().size(), 1 + GADPageVideoBudget::kMaxSwitchesPerAd + 1);
    ASSERT_EQ(fake->items().back(), std::nullopt);
    view->loadHTMLString("<p>next ad</p>", Url::parse("https://ads.test/next"));
    scope.advance(1.0);
    const std::size_t before = fake->items().size();
    video("action=src&src=http%3A%2F%2Fads.test%2Fb.ogg");
    EXPECT_EQ(fake->items().size(), before + 1);
    EXPECT_EQ(fake->items().back()->absoluteString(), "http://ads.test/b.ogg");

    GADPageVideoBudget budget;
    auto other = GADAdView::create({0, 0, 320, 50});
    EXPECT_TRUE(budget.admit(other, GADPageVideoBudget::Kind::Source));
    EXPECT_EQ(budget.adsKept(), 1u);
    other->removeFromSuperview();
    other.reset();
    EXPECT_TRUE(budget.admit(view, GADPageVideoBudget::Kind::Action));
    EXPECT_EQ(budget.adsKept(), 1u);
    EXPECT_FALSE(budget.admit(nullptr, GADPageVideoBudget::Kind::Action));
}

}  // namespace
}  // namespace ads
