#include "app/screens/GameOverView.h"

#include "app/screens/ShellAlerts.h"
#include "appbase/JTLevelInfo.h"
#include "appbase/JTLevelManager.h"
#include "online/AnnounceManager.h"
#include "online/DuRezSupport.h"
#include "scores/LevelScoreElem.h"
#include "scores/LevelScores.h"
#include "util/LogMessage.h"

namespace app {

namespace {
// Where the other games and more levels pages live at the web service.
constexpr int32_t kJumpOtherGames = 3;
constexpr int32_t kJumpMoreLevels = 7;
}  // namespace

GameOverView::GameOverView(std::string nibName) : ViewControllerBase(std::move(nibName)) {
    outlet("currentScoreLabel", currentScoreLabel_);
    outlet("nextLevelButton", nextLevelButton_);
    outlet("nextLevelButtonIcon", nextLevelButtonIcon_);
    outlet("moreLevelsButton", moreLevelsButton_);
    outlet("moreLevelsButtonIcon", moreLevelsButtonIcon_);
    outlet("contentView", contentView_);
    outlet("announceAltanativeView", announceAltanativeView_);
    action("onReplayBtn", [this](platform::ui::Control*) { onReplayBtn(); });
    action("onNextLevelBtn", [this](platform::ui::Control*) { onNextLevelBtn(); });
    action("onBackToTitleBtn", [this](platform::ui::Control*) { onBackToTitleBtn(); });
    action("onSubmitScoreBtn", [this](platform::ui::Control*) { onSubmitScoreBtn(); });
    action("onOtherGamesBtn", [this](platform::ui::Control*) { onOtherGamesBtn(); });
    action("onMoreLevelsBtn", [this](platform::ui::Control*) { onMoreLevelsBtn(); });
}

void GameOverView::setup() {
    ViewControllerBase::setup();
    // The viewer points back at us without owning us; we own it.
    scoresViewer_ =
        scores::ScoresViewer::create(std::static_pointer_cast<GameOverView>(shared_from_this()));
}

void GameOverView::setAppCore(std::weak_ptr<GameOverViewCore> core) {
    AppCoreOrientation::setAppCore(core);
    gameOverCore_ = std::move(core);
}

std::shared_ptr<JTAppBase::LevelInfo> GameOverView::levelInfo() const {
    auto scores = scoresViewer_ ? scoresViewer_->levelScores() : nullptr;
    return scores ? scores->levelInfo() : nullptr;
}

void GameOverView::startWithLevelScores(
    const std::shared_ptr<scores::LevelScores>& scores,
    const std::shared_ptr<scores::LevelScoreElem>& currentScore) {
    view();
    if (scoresViewer_) {
        scoresViewer_->startWithLevelScores(scores);
        scoresViewer_->setCurrentScore(currentScore);
        scoresViewer_->updateView();
    }
    if (currentScoreLabel_) {
        // Without a recorded score there is nothing true to show.
        currentScoreLabel_->setText(currentScore ? std::to_string(currentScore->score()) + " pts."
                                                 : "-----");
    }
    startAsRootView();
    showPendingMessages();
}

void GameOverView::showPendingMessages() {
    auto c = core();
    auto context = c ? c->appContext() : nullptr;
    auto manager = context ? context->getLevelManager() : nullptr;
    if (!manager) return;
    auto messages = manager->takePendingMessages();
    if (!messages) return;
    // Title, message, title, message ...; a lone title at the end still gets its alert.
    for (size_t i = 0; i < messages->size(); i += 2) {
        ShowSimpleAlert((*messages)[i], i + 1 < messages->size() ? (*messages)[i + 1] : "");
    }
}

void GameOverView::viewWillAppear(bool animated) {
    ViewControllerBase::viewWillAppear(animated);
    auto c = core();
    if (contentView_) {
        const bool landscape = c && c->landscape();
        online::AnnounceManager::sharedAnnounceManager().showBannerOn(
            contentView_, announceAltanativeView_,
            landscape ? platform::Point{480, 160} : platform::Point{160, 480}, landscape ? 1 : 0,
            landscape ? 0 : 1);
    }
    if (auto ads = c ? c->duRezSupport() : nullptr)
        ads->showInViewController(shared_from_this(), contentView_);

    auto context = c ? c->appContext() : nullptr;
    auto manager = context ? context->getLevelManager() : nullptr;
    if (!manager) return;
    const bool titleSwitch = manager->canDownloadLevels();
    if (!manager->showsDlLevelsOnGameOver() && !titleSwitch) return;
    const bool hasNext = nextLevelId() != 0;
    if (nextLevelButton_) nextLevelButton_->setHidden(!hasNext);
    if (nextLevelButtonIcon_) nextLevelButtonIcon_->setHidden(!hasNext);
    const bool hideMore = hasNext || !titleSwitch;
    if (moreLevelsButton_) moreLevelsButton_->setHidden(hideMore);
    if (moreLevelsButtonIcon_) moreLevelsButtonIcon_->setHidden(hideMore);
}

void GameOverView::viewWillDisappear(bool animated) {
    online::AnnounceManager::sharedAnnounceManager().closeBanner();
    if (auto c = core(); c && c->duRezSupport()) c->duRezSupport()->close();
    ViewControllerBase::viewWillDisappear(animated);
}

int32_t GameOverView::nextLevelId() {
    auto c = core();
    auto context = c ? c->appContext() : nullptr;
    auto manager = context ? context->getLevelManager() : nullptr;
    if (!manager) return 0;
    auto next = manager->getNextLevelInfo(context->getLevelInfo());
    return next ? next->getId() : 0;
}

bool GameOverView::webSubmitScore(const scores::LevelScoreElem& score, int32_t levelId,
                                  const scores::LevelScoreElem* highScore, bool useHs) {
    auto c = core();
    if (!c) return false;
    auto webScore = [](const scores::LevelScoreElem& e) {
        return WebScore{e.score(), e.date() ? e.date()->secondsSince1970 : 0.0};
    };
    std::optional<WebScore> high;
    if (highScore) high = webScore(*highScore);
    return c->webSubmitScore(webScore(score), levelId, high, useHs);
}

void GameOverView::onReplayBtn() {
    auto keep = shared_from_this();
    stop();
    if (auto c = core()) c->startGameView();
}

void GameOverView::onNextLevelBtn() {
    // With no next level, starting "level 0" would leave the player on a broken level.
    const int32_t next = nextLevelId();
    if (next == 0) return;
    auto keep = shared_from_this();
    stop();
    auto c = core();
    if (!c) return;
    c->setCurrentLevelId(next);
    c->saveSettings();
    c->startGameView();
}

void GameOverView::onBackToTitleBtn() {
    auto keep = shared_from_this();
    stop();
    auto c = core();
    if (!c) return;
    c->startTitleView();
    c->transitionAnimation(platform::ui::AnimationTransition::FlipFromLeft, 0.5);
}

void GameOverView::onSubmitScoreBtn() {
    auto current = scoresViewer_ ? scoresViewer_->currentScore() : nullptr;
    auto level = levelInfo();
    if (!current || !level) return;
    auto previous = scoresViewer_->levelScores()->previousHighScore();
    webSubmitScore(*current, level->webLevelId(), previous.get(), false);
}

void GameOverView::onOtherGamesBtn() {
    if (auto c = core()) c->webJump(kJumpOtherGames, 0);
}

void GameOverView::onMoreLevelsBtn() {
    auto c = core();
    if (!c) return;
    auto level = levelInfo();
    if (!level) level = c->currentLevelInfo();
    c->webJump(kJumpMoreLevels, level ? level->webLevelId() : 0);
}

}  // namespace app
