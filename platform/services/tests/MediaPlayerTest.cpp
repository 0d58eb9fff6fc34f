#include "platform/services/MediaPlayer.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "platform/runtime/MainLoopTestScope.h"
#include "platform/services/FakeMediaPlayerBackend.h"
#include "platform/services/MediaPlayerView.h"

namespace platform::services {
namespace {

using testing::FakeMediaPlayerBackend;

struct Journal : MediaPlayerObserver {
    std::vector<std::string> lines;
    void mediaPlayerDidChange(MediaPlayer& p, MediaPlayerChange c) override {
        switch (c) {
            case MediaPlayerChange::Status:
                lines.push_back("status " + std::to_string(int(p.status())));
                break;
            case MediaPlayerChange::Rate:
                lines.push_back(p.rate() != 0 ? "rate on" : "rate 0");
                break;
            case MediaPlayerChange::Duration:
                lines.push_back(p.duration() ? "duration" : "duration unknown");
                break;
            case MediaPlayerChange::PlaybackLikelyToKeepUp:
                lines.push_back(p.playbackLikelyToKeepUp() ? "keep up" : "no keep up");
                break;
            case MediaPlayerChange::PlaybackBufferFull:
                lines.push_back(p.playbackBufferFull() ? "full" : "not full");
                break;
        }
    }
    void mediaPlayerItemDidPlayToEnd(MediaPlayer&) override { lines.push_back("end"); }
    void mediaPlayerTimeDidTick(MediaPlayer&, double t) override {
        char text[32];
        std::snprintf(text, sizeof text, "tick %.2f", t);
        lines.push_back(text);
    }
};

class MediaPlayerTest : public ::testing::Test {
  protected:
    std::shared_ptr<MediaPlayer> make(FakeMediaPlayerBackend::Options options = {}) {
        fake = FakeMediaPlayerBackend::create(options);
        auto player = MediaPlayer::create(fake->makeBackend());
        player->setObserver(journal);
        return player;
    }

    MainLoopTestScope scope;
    std::shared_ptr<FakeMediaPlayerBackend> fake;
    std::shared_ptr<Journal> journal = std::make_shared<Journal>();
    const Url clip = *Url::parse("http://127.0.0.1/clip.ogg");
};

TEST_F(MediaPlayerTest, StatusFollowsTheItemsAndAGoodItemMendsAFailedPlayer) {
    auto player = make();
    EXPECT_EQ(player->status(), MediaPlayerStatus::Unknown);
    player->replaceCurrentItem(clip);
    fake->fail();
    EXPECT_EQ(player->status(), MediaPlayerStatus::Failed);
    player->replaceCurrentItem(clip);
    fake->becomeReady(2.0, {{160, 90}});
    EXPECT_EQ(player->status(), MediaPlayerStatus::ReadyToPlay);
    EXPECT_EQ(journal->lines, (std::vector<std::string>{"status 2", "duration", "status 1"}));
    EXPECT_EQ(player->videoSizes(), (std::vector<Size>{{160, 90}}));
    EXPECT_EQ(fake->items().size(), 2u);
}

TEST_F(MediaPlayerTest, ANewItemForgetsTheOldOnesFactsAndPictureButKeepsTheRate) {
    auto player = make();
    player->replaceCurrentItem(clip);
    fake->becomeReady(2.0, {{160, 90}});
    fake->buffer(true, true);
    fake->showFrame(gfx::Image::blank(4, 4));
    player->play();
    journal->lines.clear();
    player->replaceCurrentItem(std::nullopt);
    EXPECT_FALSE(player->duration());
    EXPECT_TRUE(player->videoSizes().empty());
    EXPECT_TRUE(player->currentFrame().empty());
    EXPECT_EQ(player->rate(), 1.0f);
    EXPECT_EQ(journal->lines,
              (std::vector<std::string>{"duration unknown", "no keep up", "not full"}));
    // Nothing about a dropped item reaches the player.
    fake->becomeReady(3.0);
    fake->playToEnd();
    EXPECT_FALSE(player->duration());
    EXPECT_EQ(player->status(), MediaPlayerStatus::ReadyToPlay);
}

TEST_F(MediaPlayerTest, TicksEveryQuarterSecondOfPlaybackAndAtStartStopAndSeek) {
    auto player = make();
    player->replaceCurrentItem(clip);
    fake->becomeReady(2.0);
    journal->lines.clear();
    player->play();
    scope.advance(0.6);
    player->seekToTime(1.5);
    scope.advance(0.3);
    player->pause();
    scope.advance(1.0);
    EXPECT_EQ(journal->lines,
              (std::vector<std::string>{"rate on", "tick 0.00", "tick 0.25", "tick 0.50",
                                        "tick 1.50", "tick 1.75", "rate 0", "tick 1.80"}));
}

TEST_F(MediaPlayerTest, TheEndIsToldBeforeTheRateDrops) {
    auto player = make();
    player->replaceCurrentItem(clip);
    fake->becomeReady(2.0);
    player->play();
    journal->lines.clear();
    fake->playToEnd();
    ASSERT_GE(journal->lines.size(), 2u);
    EXPECT_EQ(journal->lines[0], "end");
    EXPECT_EQ(journal->lines[1], "rate 0");
    EXPECT_FALSE(fake->playing());
}

TEST_F(MediaPlayerTest, BadNumbersChangeNothing) {
    auto player = make();
    player->replaceCurrentItem(clip);
    for (double bad : {std::nan(""), std::numeric_limits<double>::infinity()})
        player->seekToTime(bad);
    player->seekToTime(-3);
    EXPECT_EQ(fake->seeks(), (std::vector<double>{0}));
    for (float bad : {1.5f, -0.1f, std::nanf("")}) {
        player->setVolume(bad);
        player->setAudioMixVolume(bad);
    }
    EXPECT_FALSE(fake->volume());
    EXPECT_TRUE(fake->mixes().empty());
    EXPECT_EQ(player->volume(), 1.0f);
    player->setVolume(0.25f);
    player->setAudioMixVolume(0.5f);
    player->setAudioMixVolume(1.0f);
    EXPECT_EQ(fake->volume(), 0.25f);
    EXPECT_EQ(fake->mixes(), (std::vector<std::optional<float>>{0.5f, std::nullopt}));
}

// An ad that is not on screen: nothing of its item reaches the backend until it is let go, and
// what the page asks meanwhile (play, a seek) is kept for then. Held again, the item's pipeline
// goes and comes back where it stood, with nothing new told of the item.
TEST_F(MediaPlayerTest, AHeldPlayerGivesTheBackendNoItemAndResumesWhereItStoodWhenLetGo) {
    auto player = make();
    player->setHeld(true);
    player->replaceCurrentItem(clip);
    player->play();
    player->seekToTime(0.5);
    scope.advance(1.0);
    EXPECT_TRUE(fake->items().empty());
    EXPECT_TRUE(fake->seeks().empty());
    EXPECT_FALSE(fake->playing());
    EXPECT_EQ(player->currentTime(), 0.5);
    // Its rate and seeks are heard as ever; no time runs, so no ticks but those.
    EXPECT_EQ(journal->lines, (std::vector<std::string>{"rate on", "tick 0.00", "tick 0.50"}));

    journal->lines.clear();
    player->setHeld(false);
    EXPECT_EQ(fake->items(), (std::vector<std::optional<Url>>{clip}));
    EXPECT_EQ(fake->seeks(), (std::vector<double>{0.5}));
    EXPECT_TRUE(fake->playing());
    fake->becomeReady(2.0, {{160, 90}});
    fake->buffer(true, true);
    fake->showFrame(gfx::Image::blank(4, 4));
    scope.advance(0.5);
    EXPECT_EQ(journal->lines, (std::vector<std::string>{"duration", "status 1", "keep up", "full",
                                                        "tick 0.75", "tick 1.00"}));

    // Held again: the pipeline goes, what the item is stays, and nothing the backend still
    // says reaches the player until it is let go; then the item is loaded again where it was.
    journal->lines.clear();
    player->setHeld(true);
    EXPECT_EQ(fake->items().back(), std::nullopt);
    fake->fail();
    fake->playToEnd();
    scope.advance(1.0);
    EXPECT_TRUE(journal->lines.empty());
    EXPECT_EQ(player->status(), MediaPlayerStatus::ReadyToPlay);
    EXPECT_EQ(player->duration(), 2.0);
    EXPECT_FALSE(player->currentFrame().empty());
    player->setHeld(false);
    EXPECT_EQ(fake->items().back(), clip);
    EXPECT_EQ(fake->seeks().back(), 1.0);
    fake->becomeReady(2.0, {{160, 90}});
    fake->buffer(true, true);
    EXPECT_TRUE(journal->lines.empty());
    EXPECT_EQ(player->rate(), 1.0f);

    // A new item while held starts at its beginning when let go.
    player->setHeld(true);
    const std::size_t seeks = fake->seeks().size();
    player->replaceCurrentItem(*Url::parse("http://127.0.0.1/other.ogg"));
    player->setHeld(false);
    EXPECT_EQ(fake->items().back()->absoluteString(), "http://127.0.0.1/other.ogg");
    EXPECT_EQ(fake->seeks().size(), seeks);
}

TEST_F(MediaPlayerTest, WithoutABackendEveryItemFailsOnALaterTurn) {
    MediaPlayer::setBackendFactory({});
    auto player = MediaPlayer::create(clip);
    player->setObserver(journal);
    EXPECT_EQ(player->status(), MediaPlayerStatus::Unknown);
    scope.runUntilIdle();
    EXPECT_EQ(player->status(), MediaPlayerStatus::Failed);
}

TEST_F(MediaPlayerTest, TheBackendIsDetachedWhenThePlayerGoes) {
    auto player = make();
    player->replaceCurrentItem(clip);
    player->play();
    EXPECT_TRUE(fake->attached());
    const auto heardWhileAlive = journal->lines;
    player.reset();
    EXPECT_FALSE(fake->attached());
    fake->becomeReady(1.0);  // reaches nobody
    scope.advance(1.0);
    EXPECT_EQ(journal->lines, heardWhileAlive);
}

TEST_F(MediaPlayerTest, TheViewFitsTheNewestPictureAndLimitsItsSize) {
    auto player = make();
    auto view = MediaPlayerView::create(player, {{0, 0}, {320, 50}});
    EXPECT_EQ(fake->pictureLimit(), (std::pair<int, int>{320, 50}));
    view->setFrame({{0, 0}, {4000, 3000}});
    EXPECT_EQ(fake->pictureLimit(), (std::pair<int, int>{1920, 1080}));
    view->setFrame({{0, 0}, {320, 50}});
    EXPECT_EQ(view->pictureRect(), Rect{});
    player->replaceCurrentItem(clip);
    fake->showFrame(gfx::Image::blank(160, 90));
    // 160 x 90 into 320 x 50: 50 high, 88.9 wide, centred.
    const Rect r = view->pictureRect();
    EXPECT_NEAR(r.size.height, 50, 1e-9);
    EXPECT_NEAR(r.size.width, 160.0 * 50 / 90, 1e-9);
    EXPECT_NEAR(r.origin.x, (320 - r.size.width) / 2, 1e-9);
    EXPECT_EQ(view->shownFrame().width(), 160);
    player->replaceCurrentItem(std::nullopt);
    EXPECT_TRUE(view->shownFrame().empty());
}

}  // namespace
}  // namespace platform::services
