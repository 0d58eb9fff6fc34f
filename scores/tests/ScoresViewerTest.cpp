#include <gtest/gtest.h>

#include <cstdlib>
#include <ctime>

#include "platform/base/LogSink.h"
#include "scores/LevelScoreElem.h"
#include "scores/LevelScores.h"
#include "scores/ScoresViewer.h"
#include "scores/tests/LevelScoresTestSupport.h"

using namespace scores;

using platform::Date;
using platform::ui::Button;
using platform::ui::Label;
using platform::ui::View;

namespace {

const platform::Color kYellow = platform::Color::rgba(1, 1, 0);
const platform::Color kWhite = platform::Color::whiteColor();

struct Submission {
    int32_t score;
    uint64_t date;
    int32_t levelId;
    bool withHighScore;
    bool useHs;
};

// A screen with the score slots the interface files give it.
class Screen : public ScoresViewerDelegate {
  public:
    Screen() : container(View::create({0, 0, 320, 480})) {}

    std::shared_ptr<View> scoreComponentsContainer() override { return container; }
    bool webSubmitScore(const LevelScoreElem& score, int32_t levelId,
                        const LevelScoreElem* highScore, bool useHs) override {
        submitted.push_back(
            {score.score(), score.dateNumber(), levelId, highScore != nullptr, useHs});
        return true;
    }

    template <typename T>
    std::shared_ptr<T> add(int tag) {
        auto v = std::make_shared<T>();
        v->setTag(tag);
        container->addSubview(v);
        return v;
    }

    std::shared_ptr<View> container;
    std::vector<Submission> submitted;
};

struct ScoresViewerFixture : scorestest::ScoresFixture {
    JTAppBase::JTLevelInfoPtr record = level(1);
    std::shared_ptr<LevelScores> scores = LevelScores::create(record->mirror(), signer);
    std::shared_ptr<Screen> screen = std::make_shared<Screen>();

    ScoresViewerFixture() { record->setWebLevelId(501); }
    std::shared_ptr<LevelScoreElem> run(int32_t points, double when) {
        auto e = LevelScoreElem::create(points, Date{when});
        scores->registerScore(e);
        return e;
    }
    // The three label and button slots, all present.
    void fullLayout() {
        for (int i = 0; i < 3; ++i) {
            labels.push_back(screen->add<Label>(2001 + i));
            buttons.push_back(screen->add<Button>(2101 + i));
        }
    }
    std::vector<std::shared_ptr<Label>> labels;
    std::vector<std::shared_ptr<Button>> buttons;
};

// Pins the local time zone for the date texts.
class ZoneScope {
  public:
    explicit ZoneScope(const char* tz) {
        if (const char* old = std::getenv("TZ")) old_ = old;
        ::setenv("TZ", tz, 1);
        ::tzset();
    }
    ~ZoneScope() {
        if (old_.empty()) {
            ::unsetenv("TZ");
        } else {
            ::setenv("TZ", old_.c_str(), 1);
        }
        ::tzset();
    }

  private:
    std::string old_;
};

}  // namespace

TEST_F(ScoresViewerFixture, ShowsRecentScoresNewestFirstWithTheRunJustEndedInYellow) {
    ZoneScope utc("UTC0");
    fullLayout();
    run(100, 1700000000);  // 2023-11-14 22:13:20 UTC
    auto current = run(250, 1700003600);

    auto viewer = ScoresViewer::create(screen);
    viewer->startWithLevelScores(scores);
    viewer->setCurrentScore(current);
    viewer->updateView();

    EXPECT_EQ(labels[0]->text(), "250 pts. (11/14 23:13)");
    EXPECT_EQ(labels[0]->textColor(), kYellow);
    EXPECT_EQ(labels[1]->text(), "100 pts. (11/14 22:13)");
    EXPECT_EQ(labels[1]->textColor(), kWhite);
    EXPECT_EQ(labels[2]->text(), "-----");
    EXPECT_EQ(labels[2]->textColor(), kWhite);
    EXPECT_FALSE(buttons[0]->isHidden());
    EXPECT_FALSE(buttons[1]->isHidden());
    EXPECT_TRUE(buttons[2]->isHidden());

    // An equal score read back from the file is another record: not highlighted.
    viewer->setCurrentScore(LevelScoreElem::create(250, Date{1700003600}));
    viewer->updateView();
    EXPECT_EQ(labels[0]->textColor(), kWhite);
}

TEST_F(ScoresViewerFixture, DatesAreLocalTime) {
    ZoneScope tokyo("JST-9");
    EXPECT_EQ(ScoresViewer::dateText(Date{1700000000}), "11/15 07:13");
    EXPECT_EQ(ScoresViewer::scoreText(nullptr), "-----");
}

TEST_F(ScoresViewerFixture, MissingOrMistypedSlotsAreSkippedSilently) {
    auto first = screen->add<Label>(2001);
    auto third = screen->add<Label>(2003);
    auto notAButton = screen->add<Label>(2102);  // a label where a button belongs
    auto button = screen->add<Button>(2101);
    run(1, 1700000000);
    run(2, 1700000000);
    run(3, 1700000000);

    auto viewer = ScoresViewer::create(screen);
    viewer->startWithLevelScores(scores);
    viewer->updateView();
    EXPECT_EQ(first->text(), "3 pts. (" + ScoresViewer::dateText(Date{1700000000}) + ")");
    EXPECT_EQ(third->text(), "1 pts. (" + ScoresViewer::dateText(Date{1700000000}) + ")");
    EXPECT_EQ(notAButton->text(), "");  // neither a label slot nor a button slot
    EXPECT_EQ(viewer->recentScoreLabels()[1], nullptr);
    EXPECT_EQ(viewer->recentScoreSubmitBtns()[1], nullptr);
    EXPECT_EQ(viewer->recentScoreSubmitBtns()[0], button);
}

TEST_F(ScoresViewerFixture, SubmitButtonSendsItsOwnScoreOnceWithoutHighScore) {
    fullLayout();
    run(100, 1700000000);
    run(250, 1700000100);
    auto viewer = ScoresViewer::create(screen);
    viewer->startWithLevelScores(scores);
    viewer->startWithLevelScores(scores);  // a screen shown again must not submit twice
    viewer->updateView();

    platform::LogSink::Capture log;
    buttons[1]->tap();
    ASSERT_EQ(screen->submitted.size(), 1u);
    const Submission& s = screen->submitted[0];
    EXPECT_EQ(s.score, 100);
    EXPECT_EQ(s.date, 1700000000u);
    EXPECT_EQ(s.levelId, 501);  // the level's id at the web service
    EXPECT_FALSE(s.withHighScore);
    EXPECT_FALSE(s.useHs);
    EXPECT_TRUE(log.contains("onSubmit"));

    // A slot without a score, or a button that is not a slot, submits nothing.
    viewer->onSubmitBtn(buttons[2].get());
    auto stranger = Button::create();
    viewer->onSubmitBtn(stranger.get());
    viewer->onSubmitBtn(nullptr);
    EXPECT_EQ(screen->submitted.size(), 1u);
}

TEST_F(ScoresViewerFixture, TheViewerNeverKeepsItsScreenAlive) {
    fullLayout();
    run(100, 1700000000);
    auto viewer = ScoresViewer::create(screen);
    viewer->startWithLevelScores(scores);
    viewer->updateView();

    std::weak_ptr<Screen> gone = screen;
    auto button = buttons[0];
    labels.clear();
    buttons.clear();
    screen.reset();
    EXPECT_TRUE(gone.expired());
    button->tap();  // the screen is gone: nothing to submit through, nothing breaks

    // Nor do the buttons keep the viewer alive.
    std::weak_ptr<ScoresViewer> viewerGone = viewer;
    viewer.reset();
    EXPECT_TRUE(viewerGone.expired());
    button->tap();
}
