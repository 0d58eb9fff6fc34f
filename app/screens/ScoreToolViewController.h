#pragma once

// The scores tab: the current level's recent scores (each with a submit button), a button to
// clear the level's local ranking after asking, and one to open the level's web ranking.

#include <cstdint>
#include <memory>
#include <optional>
#include <string>

#include "app/screens/ScoreToolCore.h"
#include "app/screens/SimpleUIActionSheetDelegate.h"
#include "app/screens/ToolViewControllerBase.h"
#include "platform/ui/ActionSheet.h"
#include "scores/ScoresViewer.h"

namespace JTAppBase {
class LevelInfo;
}

namespace app {

class ScoreToolViewController : public ToolViewControllerBase, public scores::ScoresViewerDelegate {
  public:
    static constexpr const char* kTabImage = "icon_scores.png";
    // The web service's page of a level's ranking.
    static constexpr int32_t kWebJumpRanking = 4;

    explicit ScoreToolViewController(std::string nibName = "Scores_Portrait_Free");
    const char* className() const override { return "ScoreToolViewController"; }

    // Every screen's part of the app core, the tools' and this tab's own.
    void setAppCore(std::weak_ptr<ScoreToolCore> core);

    void setup() override;
    void viewWillAppear(bool animated) override;

    void onClearRankingAction(std::int64_t buttonIndex);

    // The navigation title for a level name: the name, or "Scores" without one.
    static std::string titleForLevelName(const std::optional<std::string>& name);
    // The clear-ranking question for a level name.
    static std::string clearRankingQuestion(const std::optional<std::string>& name);

    // ScoresViewerDelegate
    std::shared_ptr<platform::ui::View> scoreComponentsContainer() override;
    bool webSubmitScore(const scores::LevelScoreElem& score, int32_t levelId,
                        const scores::LevelScoreElem* highScore, bool useHs) override;

    const std::shared_ptr<scores::ScoresViewer>& scoresViewer() const { return scoresViewer_; }
    // The sheet last shown by the clear-ranking button (tests).
    std::shared_ptr<platform::ui::ActionSheet> clearRankingSheet() const {
        return clearRankingSheet_.lock();
    }

  private:
    // The interface's buttons, bound by name when the screen is made.
    void onClearRankingBtn();
    void onHighScoreRankingBtn();

    std::shared_ptr<ScoreToolCore> scoreCore() const { return scoreCore_.lock(); }
    std::weak_ptr<ScoreToolCore> scoreCore_;
    std::shared_ptr<JTAppBase::LevelInfo> currentLevel() const;

    std::shared_ptr<platform::ui::View> scoreComponentsContainer_;
    std::shared_ptr<scores::ScoresViewer> scoresViewer_;
    std::shared_ptr<SimpleUIActionSheetDelegate> clearRankingActionDelegate_;
    std::weak_ptr<platform::ui::ActionSheet> clearRankingSheet_;
};

}  // namespace app
