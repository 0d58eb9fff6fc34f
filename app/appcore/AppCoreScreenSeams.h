#pragma once

// What the screens ask of the app, answered where it is kept: the player's settings by the
// settings record, the orientation and the window by the screen switcher, the web service's
// pages by its command URLs with the account id; only screen changes, the level and the
// resources go back to the app core. One object with one face per screen: the screen factory
// hands the title, game-over and tool screens each only theirs, so no screen sees the app core.
//
// Main thread only. The app core keeps it; screens hold it weakly and it holds the app core
// weakly, so a screen that outlives the app core gets empty answers and its calls do nothing.

#include <memory>

#include "app/screens/AboutToolCore.h"
#include "app/screens/GameOverViewCore.h"
#include "app/screens/ScoreToolCore.h"
#include "app/screens/SettingsToolCore.h"
#include "app/screens/TitleViewCore.h"

namespace app {

class AppCoreBase;

class AppCoreScreenSeams final : public TitleViewCore,
                                 public GameOverViewCore,
                                 public AboutToolCore,
                                 public ScoreToolCore,
                                 public SettingsToolCore {
  public:
    explicit AppCoreScreenSeams(std::weak_ptr<AppCoreBase> core) : core_(std::move(core)) {}

    // Every screen
    std::shared_ptr<platform::ui::Window> window() const override;
    void setRootViewController(std::shared_ptr<ViewControllerBase> vc) override;
    platform::ui::InterfaceOrientation interfaceOrientation() const override;
    std::string soundVolumeString() const override;
    int toggleSoundVolume() override;
    void saveSettings() override;
    void updateSoundSetting() override;
    void startTitleView() override;
    void resumeGameView() override;
    void stopGameView() override;
    JTAppBase::JTScenePtr currentGameScene() const override;
    void transitionAnimation(platform::ui::AnimationTransition kind, double duration) override;
    void stopToolsView() override;

    // Title and game over
    JTAppBase::JTAppContextPtr appContext() const override;
    std::string appCopyrightString() const override;
    int32_t currentLevelId() override;
    void setCurrentLevelId(int32_t id) override;
    std::shared_ptr<JTAppBase::LevelInfo> currentLevelInfo() override;
    bool updateInterfaceOrientation() override;
    std::shared_ptr<SimpleSelectView> simpleSelectView() override;
    void startGameViewFromTitle() override;
    void startToolsView() override;
    bool webJump(int32_t tgt, int32_t levelId) override;
    bool landscape() const override;
    void startGameView() override;
    bool webSubmitScore(const WebScore& score, int32_t levelId,
                        const std::optional<WebScore>& highScore, bool useHs) override;
    std::shared_ptr<online::DuRezSupport> duRezSupport() const override;

    // Tools
    const std::string& appDisplayName() const override;
    std::string appVersionString() const override;
    std::string iphoneWebUrl() const override;
    scores::ScoreSigner scoreSigner() const override;
    bool webSubmitScore(const scores::LevelScoreElem& score, int32_t levelId,
                        const scores::LevelScoreElem* highScore, bool useHs) override;
    int32_t accelerometerCalibrationType() const override;
    bool hasMusicResources() const override;
    int32_t bgMusicMode() const override;
    void setBgMusicMode(int32_t mode) override;
    bool supportsContentsScale() override;
    int32_t contentsScaleIndexSetting() const override;
    void setContentsScaleIndexSetting(int32_t setting) override;
    void updateContentsScaleIndex() override;
    void releaseResources() override;
    NeutralAccelerometer neutralAccelerometerFor(
        platform::ui::InterfaceOrientation orientation) override;
    void setNeutralAcceleromterFor(platform::ui::InterfaceOrientation orientation, double x,
                                   double y, double z) override;
    void resetNeutralAcceleromterValueFor(platform::ui::InterfaceOrientation orientation) override;

  private:
    // The app core's answer, or the fallback once it is gone.
    template <typename R, typename F>
    R ask(R fallback, F&& question) const {
        auto core = core_.lock();
        return core ? question(*core) : fallback;
    }
    template <typename F>
    void tell(F&& order) const {
        if (auto core = core_.lock()) order(*core);
    }

    std::weak_ptr<AppCoreBase> core_;
};

}  // namespace app
