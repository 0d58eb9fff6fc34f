#pragma once

// The screen after a run: its score, the level's recent scores (with a submit button each),
// buttons to play again, go on, return to the title, submit the score and visit the maker's
// other games, the announcement banner, and the notices the run raised (a level unlocked ...),
// shown one alert after another. One screen per orientation is kept and refilled for every
// game over.

#include <cstdint>
#include <memory>
#include <string>

#include "app/screens/AppScreenSeams.h"
#include "app/screens/GameOverViewCore.h"
#include "app/screens/ViewControllerBase.h"
#include "platform/ui/Label.h"
#include "scores/ScoresViewer.h"

namespace JTAppBase {
class LevelInfo;
}

namespace app {

class GameOverView : public ViewControllerBase,
                     public GameOverScreen,
                     public scores::ScoresViewerDelegate {
  public:
    explicit GameOverView(std::string nibName = "GameOver_Portrait_Free");
    const char* className() const override { return "GameOverView"; }

    void setup() override;
    // Every screen's part of the app core and the game-over screen's own.
    void setAppCore(std::weak_ptr<GameOverViewCore> core);
    void startWithLevelScores(const std::shared_ptr<scores::LevelScores>& scores,
                              const std::shared_ptr<scores::LevelScoreElem>& currentScore) override;
    void viewWillAppear(bool animated) override;
    void viewWillDisappear(bool animated) override;
    // The id of the level after the one just played; 0 when there is none (always, in this
    // game).
    int32_t nextLevelId();
    // The level whose scores are shown.
    std::shared_ptr<JTAppBase::LevelInfo> levelInfo() const;

    // ScoresViewerDelegate
    std::shared_ptr<platform::ui::View> scoreComponentsContainer() override { return view(); }
    bool webSubmitScore(const scores::LevelScoreElem& score, int32_t levelId,
                        const scores::LevelScoreElem* highScore, bool useHs) override;

    const std::shared_ptr<scores::ScoresViewer>& scoresViewer() const { return scoresViewer_; }
    const std::shared_ptr<platform::ui::Label>& currentScoreLabel() const {
        return currentScoreLabel_;
    }
    const std::shared_ptr<platform::ui::View>& nextLevelButton() const { return nextLevelButton_; }
    const std::shared_ptr<platform::ui::View>& moreLevelsButton() const {
        return moreLevelsButton_;
    }
    const std::shared_ptr<platform::ui::View>& contentView() const { return contentView_; }
    const std::shared_ptr<platform::ui::View>& announceAltanativeView() const {
        return announceAltanativeView_;
    }

  private:
    // The interface's buttons, bound by name when the screen is made.
    void onReplayBtn();
    void onNextLevelBtn();
    void onBackToTitleBtn();
    void onSubmitScoreBtn();
    void onOtherGamesBtn();
    void onMoreLevelsBtn();

    std::weak_ptr<GameOverViewCore> gameOverCore_;
    std::shared_ptr<GameOverViewCore> core() const { return gameOverCore_.lock(); }
    void showPendingMessages();

    std::shared_ptr<platform::ui::Label> currentScoreLabel_;
    std::shared_ptr<scores::ScoresViewer> scoresViewer_;
    std::shared_ptr<platform::ui::View> nextLevelButton_;
    std::shared_ptr<platform::ui::View> nextLevelButtonIcon_;
    std::shared_ptr<platform::ui::View> moreLevelsButton_;
    std::shared_ptr<platform::ui::View> moreLevelsButtonIcon_;
    std::shared_ptr<platform::ui::View> contentView_;
    std::shared_ptr<platform::ui::View> announceAltanativeView_;
};

}  // namespace app
