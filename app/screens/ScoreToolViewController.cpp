#include "app/screens/ScoreToolViewController.h"

#include "appbase/JTLevelInfo.h"
#include "scores/LevelScoreElem.h"
#include "scores/LevelScores.h"

namespace app {

ScoreToolViewController::ScoreToolViewController(std::string nibName)
    : ToolViewControllerBase(std::move(nibName)) {
    outlet("scoreComponentsContainer", scoreComponentsContainer_);
    action("onClearRankingBtn", [this](platform::ui::Control*) { onClearRankingBtn(); });
    action("onHighScoreRankingBtn", [this](platform::ui::Control*) { onHighScoreRankingBtn(); });
}

void ScoreToolViewController::setup() {
    ToolViewControllerBase::setup();
    tabBarItem().imageName = kTabImage;
    tabBarItem().title = "Scores";
    auto self = std::static_pointer_cast<ScoreToolViewController>(shared_from_this());
    // The viewer and the sheet's delegate point back at us without owning us.
    scoresViewer_ =
        scores::ScoresViewer::create(std::static_pointer_cast<scores::ScoresViewerDelegate>(self));
    clearRankingActionDelegate_ =
        SimpleUIActionSheetDelegate::create(self, &ScoreToolViewController::onClearRankingAction);
}

namespace {
bool noName(const std::optional<std::string>& name) {
    return !name || name->empty();
}
}  // namespace

std::string ScoreToolViewController::titleForLevelName(const std::optional<std::string>& name) {
    return noName(name) ? "Scores" : *name;
}

std::string ScoreToolViewController::clearRankingQuestion(const std::optional<std::string>& name) {
    if (noName(name)) return "Are you sure to delete the local score ranking?";
    return "Are you sure to delete the local score ranking of\n" + *name + " ?";
}

std::shared_ptr<JTAppBase::LevelInfo> ScoreToolViewController::currentLevel() const {
    auto c = scoreCore();
    return c ? c->currentLevelInfo() : nullptr;
}

void ScoreToolViewController::viewWillAppear(bool animated) {
    ToolViewControllerBase::viewWillAppear(animated);
    auto level = currentLevel();
    setTitle(titleForLevelName(level ? level->name() : std::nullopt));
    if (!scoresViewer_) return;
    // Without a level the scores shown last time must go too: they belong to another level,
    // and "DELETE" would clear that level's ranking.
    auto c = scoreCore();
    scoresViewer_->startWithLevelScores(
        scores::OpenLevelScores(level, c ? c->scoreSigner() : scores::ScoreSigner{}));
    scoresViewer_->updateView();
}

void ScoreToolViewController::onClearRankingBtn() {
    auto level = currentLevel();
    auto sheet = platform::ui::ActionSheet::create(
        clearRankingQuestion(level ? level->name() : std::nullopt), clearRankingActionDelegate_,
        "Cancel", "DELETE");
    clearRankingSheet_ = sheet;
    sheet->showInView(sheetHostView());
}

void ScoreToolViewController::onClearRankingAction(std::int64_t buttonIndex) {
    if (buttonIndex != 0 || !scoresViewer_) return;
    auto scores = scoresViewer_->levelScores();
    if (!scores) return;
    // Only the high-score list goes; the recent scores stay.
    scores->clearHighScores();
    scores->save();
    scoresViewer_->updateView();
}

void ScoreToolViewController::onHighScoreRankingBtn() {
    auto c = scoreCore();
    if (!c) return;
    auto level = c->currentLevelInfo();
    c->webJump(kWebJumpRanking, level ? level->webLevelId() : 0);
}

std::shared_ptr<platform::ui::View> ScoreToolViewController::scoreComponentsContainer() {
    if (scoreComponentsContainer_) return scoreComponentsContainer_;
    return isViewLoaded() ? view() : nullptr;
}

bool ScoreToolViewController::webSubmitScore(const scores::LevelScoreElem& score, int32_t levelId,
                                             const scores::LevelScoreElem* highScore, bool useHs) {
    auto c = scoreCore();
    return c && c->webSubmitScore(score, levelId, highScore, useHs);
}

void ScoreToolViewController::setAppCore(std::weak_ptr<ScoreToolCore> core) {
    setToolsCore(core);
    scoreCore_ = std::move(core);
}

}  // namespace app
