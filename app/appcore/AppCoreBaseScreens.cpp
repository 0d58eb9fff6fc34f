// Switching between the screens; each orientation has its own cached set.

#include <cmath>

#include "app/appcore/AppCoreBase.h"
#include "app/appcore/AppCoreScreenSeams.h"
#include "app/appcore/ScreenFactory.h"
#include "app/gameview/AppGameView.h"
#include "app/screens/AppScreenSeams.h"
#include "app/screens/PauseView.h"
#include "app/screens/SimpleSelectView.h"
#include "app/screens/ViewControllerBase.h"
#include "app/textures/Texture2D.h"
#include "online/AnnounceManager.h"
#include "platform/ui/AlertView.h"
#include "platform/ui/Screen.h"
#include "platform/ui/Window.h"
#include "util/LogMessage.h"
#include "util/SystemVersion.h"

namespace app {

void AppCoreBase::setScreenFactory(std::unique_ptr<ScreenFactory> factory) {
    screenFactory_ = factory ? std::move(factory) : std::make_unique<ScreenFactory>();
}

std::shared_ptr<AppCoreScreenSeams> AppCoreBase::screenSeams() {
    if (!screenSeams_) screenSeams_ = std::make_shared<AppCoreScreenSeams>(weak_from_this());
    return screenSeams_;
}

std::weak_ptr<AppCoreScreens> AppCoreBase::screensFace() {
    return std::weak_ptr<AppCoreScreens>(screenSeams());
}

std::shared_ptr<ViewControllerBase> AppCoreBase::createTitleView() {
    return screenFactory_->createTitleView(*this);
}

std::shared_ptr<AppGameView> AppCoreBase::createGameView() {
    return screenFactory_->createGameView(*this);
}

std::shared_ptr<PauseView> AppCoreBase::createPauseView() {
    return screenFactory_->createPauseView(*this);
}

std::shared_ptr<ViewControllerBase> AppCoreBase::createGameOverView() {
    return screenFactory_->createGameOverView(*this);
}

std::shared_ptr<SimpleSelectView> AppCoreBase::createSimpleSelectView() {
    return screenFactory_->createSimpleSelectView(*this);
}

std::vector<std::shared_ptr<ViewControllerBase>> AppCoreBase::createToolsViewContents() {
    return screenFactory_->createToolsViewContents(*this);
}

void AppCoreBase::transitionAnimation(int kind, double duration) {
    transitionAnimation(static_cast<platform::ui::AnimationTransition>(kind), duration);
}

void AppCoreBase::transitionAnimation(platform::ui::AnimationTransition kind, double duration) {
    screens_.transition(kind, duration);
}

bool AppCoreBase::updateInterfaceOrientation() {
    int32_t layout = 0;  // the app's own, always portrait
    if (auto level = currentLevelInfo(); level && level->canvasLayout() >= 0) {
        layout = level->canvasLayout();
    }
    return screens_.turnToCanvasLayout(layout);
}

void AppCoreBase::startTitleView() {
    auto& info = currentOrientationDependedInfo();
    if (!info.titleView) {
        info.titleView = createTitleView();
        if (info.titleView) info.titleView->setAppCore(screensFace());
    }
    if (info.titleView) info.titleView->startAsRootView();
    resetGameView();
}

void AppCoreBase::startPauseView() {
    auto& info = currentOrientationDependedInfo();
    if (!info.pauseView) {
        info.pauseView = createPauseView();
        if (!info.pauseView) return;
        info.pauseView->setAppCore(screensFace());
    }
    if (info.gameView) info.pauseView->setResumeBtnPos(info.gameView->pauseBtnPosInView());
    info.pauseView->startAsRootView();
}

bool AppCoreBase::resumeFromPauseScreen() {
    auto& info = currentOrientationDependedInfo();
    // Only while the pause screen is the one shown: a key must not resume from the title or a
    // tool screen that happens to sit over a suspended game.
    if (!info.pauseView || rootViewController_ != info.pauseView) return false;
    info.pauseView->onResumeBtn();
    return true;
}

void AppCoreBase::resumeGameView() {
    auto& info = currentOrientationDependedInfo();
    if (info.gameView) info.gameView->resume();
    screens_.setRootViewController(nullptr);
    rootViewController_.reset();
}

void AppCoreBase::stopGameView() {
    if (auto& gv = currentOrientationDependedInfo().gameView) gv->stop();
}

JTAppBase::JTScenePtr AppCoreBase::currentGameScene() const {
    const auto& gv = screens_.current().gameView;
    return gv ? gv->gameScene() : nullptr;
}

std::shared_ptr<platform::ui::ViewController> AppCoreBase::rootViewController() const {
    return rootViewController_;
}

std::shared_ptr<ViewControllerBase> AppCoreBase::startDummyView() {
    auto dummy = ViewControllerBase::make<ViewControllerBase>();
    dummy->setAppCore(screensFace());
    auto view = dummy->view();
    view->setFrame(platform::ui::Screen::mainScreen().applicationFrame());
    view->setBackgroundColor(platform::Color::black());
    dummy->startAsRootView();
    return dummy;
}

void AppCoreBase::startGameOverViewWithLevelScores(
    std::shared_ptr<scores::LevelScores> scores,
    std::shared_ptr<scores::LevelScoreElem> currentScore) {
    auto dummy = startDummyView();
    std::weak_ptr<AppCoreBase> weak = weak_from_this();
    online::AnnounceManager::sharedAnnounceManager().showPopupAds(
        online::AnnounceManager::kContextGameOver, [weak, dummy, scores, currentScore]() {
            auto self = weak.lock();
            if (!self) return;
            dummy->stop();
            auto& info = self->currentOrientationDependedInfo();
            if (!info.gameOverView) {
                info.gameOverView = self->createGameOverView();
                if (!info.gameOverView) return;
                info.gameOverView->setAppCore(self->screensFace());
            }
            info.gameOverView->startAsRootView();
            if (auto screen = std::dynamic_pointer_cast<GameOverScreen>(info.gameOverView)) {
                screen->startWithLevelScores(scores, currentScore);
            }
            self->transitionAnimation(platform::ui::AnimationTransition::CurlDown, 0.5);
        });
}

int AppCoreBase::gameStartPopupContext() const {
    return !settingsFile_.loadedAtLaunch() && !startedGameAfterLaunchingApp_
               ? online::AnnounceManager::kContextFirstStart
               : online::AnnounceManager::kContextStartFromTitle;
}

void AppCoreBase::startGameViewFromTitle() {
    auto dummy = startDummyView();
    std::weak_ptr<AppCoreBase> weak = weak_from_this();
    online::AnnounceManager::sharedAnnounceManager().showPopupAds(gameStartPopupContext(),
                                                                  [weak, dummy]() {
                                                                      auto self = weak.lock();
                                                                      if (!self) return;
                                                                      dummy->stop();
                                                                      self->startGameView();
                                                                  });
}

void AppCoreBase::startGameView() {
    if (!resourceLoaded_) {
        if (!texIconPause_) texIconPause_ = newTextureWithName("icon_pause_mini");
        loadResources();
        resourceLoaded_ = true;
    }
    resetGameView();
    updateSoundSetting();
    auto& info = currentOrientationDependedInfo();
    if (!info.gameView) {
        info.gameView = createGameView();
        if (!info.gameView) {
            util::LogMessage("-[AppCoreBase startGameView]", 3, "no game view in this build");
            return;
        }
    }
    if (!appContext_) return;
    appContext_->setGameView(info.gameView);
    appContext_->startLevel(settings_.currentLevelId);
    // A level the game core does not know (a stale id from the settings file) sends it back
    // to the title on its own; starting the view then would cover the title with an empty
    // game, so that counts as a suppressed start too.
    auto level = appContext_->getLevelInfo();
    bool levelTaken = level && level->getId() == settings_.currentLevelId;
    if (appContext_->isStartSuppressed() || !levelTaken) {
        startTitleView();
        return;
    }
    info.gameView->start();
    screens_.setRootViewController(nullptr);
    rootViewController_.reset();
    startedGameAfterLaunchingApp_ = true;
}

void AppCoreBase::resetGameView() {
    auto& info = currentOrientationDependedInfo();
    if (info.gameView && info.gameView->gameScene()) info.gameView->startGameScene(nullptr);
    if (appContext_ && appContext_->getGameView()) {
        appContext_->setGameView(nullptr);
        checkLeaks();
    }
}

void AppCoreBase::startToolsView() {
    auto& info = currentOrientationDependedInfo();
    if (!info.toolsView) {
        auto contents = createToolsViewContents();
        if (contents.size() != 3) return;
        std::vector<std::shared_ptr<platform::ui::ViewController>> tabs;
        for (auto& vc : contents) {
            if (!vc) return;
            vc->setAppCore(screensFace());
            tabs.push_back(MyNavigationController::create(vc, screensFace()));
        }
        auto tools = MyTabBarController::create(screensFace());
        tools->setViewControllers(std::move(tabs));
        info.toolsView = tools;
    }
    screens_.setRootViewController(info.toolsView);
}

void AppCoreBase::stopToolsView() {
    auto& tools = currentOrientationDependedInfo().toolsView;
    if (tools && tools->isViewLoaded()) tools->view()->removeFromSuperview();
}

std::shared_ptr<SimpleSelectView> AppCoreBase::simpleSelectView() {
    auto& info = currentOrientationDependedInfo();
    if (!info.simpleSelectView) {
        info.simpleSelectView = createSimpleSelectView();
        if (info.simpleSelectView) info.simpleSelectView->setAppCore(screensFace());
    }
    return info.simpleSelectView;
}

void AppCoreBase::stopAllViews() {
    if (rootViewController_) {
        // What the screen presents (an interstitial over the game-over screen) is dismissed
        // first, so its view leaves the window the way it came instead of staying behind.
        if (rootViewController_->presentedViewController())
            rootViewController_->dismissViewController(false);
        rootViewController_->stop();
        screens_.setRootViewController(nullptr);
        rootViewController_.reset();
    }
    auto& info = currentOrientationDependedInfo();
    if (info.toolsView && info.toolsView->isViewLoaded()) stopToolsView();
    if (info.gameView && info.gameView->started()) info.gameView->stop();
    const auto& window = screens_.window();
    if (!window) return;
    // An alert (an announcement's pop-up) lives above the screens as if in a window of its
    // own: it is no screen's leftover and stays until it is answered.
    auto alert = platform::ui::AlertView::visibleAlert();
    auto alertView = alert ? alert->view() : nullptr;
    auto leftovers = window->subviews();
    for (auto& view : leftovers) {
        if (view == alertView) continue;
        util::LogMessage("-[AppCoreBase stopAllViews]", 3,
                         std::string("old subview exists: ") + view->className());
        view->removeFromSuperview();
    }
}

}  // namespace app
