#pragma once

// The application delegate and the hub of the app shell: start-up, the player's settings, the
// device's account id and the web service commands, the screens (one cache per interface
// orientation) and the switching between them, the application's own URLs, the texture and
// sound tables the game core uses by index, and the game core's root object.
//
// Made with create() (MyAppCore::create() for the game), which runs the whole start-up:
// setup, setup2, loadSettings, and a save on the first launch or after a version change.
// Main thread only. The members are spread over source files by concern: AppCoreBase.cpp
// (start-up and accessors), ...Settings.cpp, ...Account.cpp, ...Resources.cpp,
// ...Screens.cpp, ...Urls.cpp and ...Events.cpp. The screens themselves are made by a
// ScreenFactory it owns.

#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "app/appcore/AccountId.h"
#include "app/appcore/DrawingResolution.h"
#include "app/appcore/OrientationDependedInfo.h"
#include "app/appcore/ResourceTables.h"
#include "app/appcore/ScreenSwitcher.h"
#include "app/appcore/SettingsRecord.h"
#include "app/appcore/WebServiceUrls.h"
#include "app/gameview/AccelerometerHelper.h"
#include "app/screens/WebScore.h"
#include "appbase/JTAppContext.h"
#include "appbase/JTLevelInfo.h"
#include "appbase/ShellInterfaces.h"
#include "online/AnnounceAppCore.h"
#include "platform/base/Value.h"
#include "platform/ui/AlertView.h"
#include "platform/ui/Application.h"
#include "scores/ScoreSigner.h"

namespace platform::gfx {
class GLContext;
}
namespace platform::ui {
class View;
class ViewController;
}  // namespace platform::ui

namespace online {
class DuRezSupport;
}
namespace scores {
class LevelScoreElem;
class LevelScores;
}  // namespace scores
namespace sound {
class SoundObj;
}
namespace app {

class AppCoreScreenSeams;
class AppCoreScreens;
class AppGameView;
class LevelDownloadUrlHandler;
class PauseView;
class ScreenFactory;
class SimpleSelectView;
class Texture2D;
class ViewControllerBase;

struct AppCoreBaseTestAccess;

class AppCoreBase : public JTAppBase::ShellAppCore,
                    public online::AnnounceAppCore,
                    public platform::ui::ApplicationDelegate,
                    public platform::ui::AlertViewDelegate,
                    public std::enable_shared_from_this<AppCoreBase> {
  public:
    static constexpr int kTextureCount = ResourceTables::kTextureCount;
    static constexpr int kSoundCount = ResourceTables::kSoundCount;
    static constexpr int kDeleteAridAlertTag = 1;
    static constexpr uint64_t kMaxPendingHandleOpenURL = 15;
    static constexpr double kHandleOpenURLRetryDelay = 0.2;
    // Our own banner ad unit: the default of the server's "durezBannerAdPublisherId".
    static constexpr const char* kBannerAdUnitId = "ca-movu-banner";

    using WebScore = app::WebScore;

    AppCoreBase();
    ~AppCoreBase() override;
    AppCoreBase(const AppCoreBase&) = delete;
    AppCoreBase& operator=(const AppCoreBase&) = delete;

    // ---- start-up ----
    // Settings, account id and screens; called once by create(). `context` is the GL ES 1
    // context every game view shares (the program's window or headless surface); without one
    // the app runs and only drawing is skipped.
    void init(std::shared_ptr<platform::gfx::GLContext> context = nullptr);
    virtual void setup();

    // ---- application events ----
    bool applicationDidFinishLaunching(platform::ui::Application& app) override;
    void applicationWillEnterForeground(platform::ui::Application& app) override;
    void applicationDidEnterBackground(platform::ui::Application& app) override;
    void applicationWillTerminate(platform::ui::Application& app) override;
    bool applicationHandleOpenURL(platform::ui::Application& app, const std::string& url) override;
    void alertViewClickedButtonAtIndex(platform::ui::AlertView& alert, int index) override;
    // Always true: the app's URLs are its own whatever their path.
    bool handleOpenURL(const std::string& url);
    void start();

    // ---- screens ----
    void startTitleView() override;
    void startPauseView();
    void resumeGameView();
    // The keyboard's way back from the pause screen (P or Escape): what its Resume button
    // does. False when the pause screen is not the one shown.
    bool resumeFromPauseScreen();
    void startGameOverViewWithLevelScores(std::shared_ptr<scores::LevelScores> scores,
                                          std::shared_ptr<scores::LevelScoreElem> currentScore);
    void startGameViewFromTitle();
    void startGameView();
    void startToolsView();
    void stopToolsView();
    std::shared_ptr<SimpleSelectView> simpleSelectView();
    void stopAllViews();
    void stopGameView();
    JTAppBase::JTScenePtr currentGameScene() const;

    // What the screens see of the app, one face each (made on first use).
    std::shared_ptr<AppCoreScreenSeams> screenSeams();

    // The screen records, the orientation and the window.
    ScreenSwitcher& screens() { return screens_; }
    const ScreenSwitcher& screens() const { return screens_; }
    std::string nibSuffixRotation() const { return screens_.nibSuffixRotation(); }
    bool landscape() const override { return screens_.landscape(); }
    // The game core names the transition by its number.
    void transitionAnimation(int kind, double duration) override;
    // Virtual so tests can watch the screen changes.
    virtual void transitionAnimation(platform::ui::AnimationTransition kind, double duration);
    bool updateInterfaceOrientation();
    platform::Size screenSize() const { return screens_.screenSize(); }
    OrientationDependedInfo& currentOrientationDependedInfo() { return screens_.current(); }

    // ---- game core services ----
    std::shared_ptr<JTAppBase::ShellTexture> texture(int index) override;
    JTAppBase::TextTextureFactory* textTextureFactory() override;
    std::shared_ptr<JTAppBase::ShellSound> sound(int index) override;
    std::shared_ptr<JTAppBase::ShellSound> music(int index) override;
    bool hasMusicResources() const { return false; }
    void stopLoopingEffects(bool loops, bool music) override;
    bool musicIsEnabled() override;
    int32_t currentLevelId() override { return settings_.currentLevelId; }
    void setCurrentLevelId(int32_t id) override;
    std::shared_ptr<JTAppBase::LevelInfo> currentLevelInfo();
    std::shared_ptr<JTAppBase::LevelInfo> levelInfoForId(int32_t id);
    bool isIPad() override;
    std::string appCopyrightString() const;
    void showSimpleAlert(const std::string& title, const std::string& message) override;

    // ---- resources ----
    void releaseResources();
    std::shared_ptr<Texture2D> texIconPause() const { return texIconPause_; }

    // ---- settings and drawing resolution ----
    virtual void serializeWith(platform::Value& dict, bool isSave);
    virtual void didLoadSettings();
    void saveSettings() override;
    void updateSoundSetting();
    // The drawing resolution (DrawingResolution) for this device and the player's setting.
    bool supportsContentsScale();
    void updateContentsScaleIndex();
    const DrawingResolution& drawingResolution() const { return resolution_; }
    float contentsScaleValue() override;

    // ---- neutral tilt ----
    void resetNeutralAcceleromterValueFor(platform::ui::InterfaceOrientation orientation);
    void setNeutralAcceleromterFor(platform::ui::InterfaceOrientation orientation, double x,
                                   double y, double z);
    NeutralAccelerometer neutralAccelerometerFor(platform::ui::InterfaceOrientation orientation);

    // ---- account id and web service ----
    std::string aridStr() const override;
    std::string tnParamStr() const override;
    bool webJump(int32_t tgt) { return webJump(tgt, 0); }
    bool webJump(int32_t tgt, int32_t levelId);
    bool webSubmitScore(const WebScore& score, int32_t levelId,
                        const std::optional<WebScore>& highScore, bool useHs);
    // The same from the stored score records (the high-score record may be missing).
    bool webSubmitScore(const scores::LevelScoreElem& score, int32_t levelId,
                        const scores::LevelScoreElem* highScore, bool useHs);
    // Signs the local score files with the web secret key.
    scores::ScoreSigner scoreSigner() const;
    std::string downloadLevelUrlWithLevelId(int32_t levelId, int64_t dh, int64_t tk) const;

    // ---- plain accessors ----
    std::shared_ptr<platform::ui::Window> window() const { return screens_.window(); }
    std::shared_ptr<platform::gfx::GLContext> eaglContext() const { return eaglContext_; }
    JTAppBase::JTAppContextPtr appContext() const { return appContext_; }
    // The screen at the root of the window; interstitials are presented from it.
    std::shared_ptr<platform::ui::ViewController> rootViewController() const override;
    void setRootViewController(std::shared_ptr<ViewControllerBase> vc) {
        rootViewController_ = std::move(vc);
    }
    platform::ui::InterfaceOrientation interfaceOrientation() const {
        return screens_.orientation();
    }
    void setLevelDownloadUrlHandler(std::shared_ptr<LevelDownloadUrlHandler> handler) {
        dlLevelsSupport_ = std::move(handler);
    }
    int32_t gameId() const override { return gameId_; }
    std::string appVersionString() const override { return appVersionString_; }
    std::string webSecretKey() const override { return webSecretKey_; }
    std::string iphoneWebUrl() const override { return iphoneWebUrl_; }
    bool levelManagerHasPendingMessages() const override;
    std::shared_ptr<online::DuRezSupport> duRezSupport() const { return duRezSupport_; }
    bool canShowIAd() const override;
    const std::string& appDisplayName() const { return appDisplayName_; }
    const platform::Value& infoDictionary() const { return infoDictionary_; }
    int32_t accelerometerCalibrationType() const { return accelerometerCalibrationType_; }
    // The player's settings as the file keeps them.
    SettingsRecord& settings() { return settings_; }
    const SettingsRecord& settings() const { return settings_; }

  protected:
    // For the game's subclass: its identity, its game core, its device and tilt, its
    // resources (loaded into the table's slots by loadResources) and, in tests, its screens.
    void setAccelerometerCalibrationType(int32_t t) { accelerometerCalibrationType_ = t; }
    void setDeviceTypeName(std::string name) { deviceTypeName_ = std::move(name); }
    virtual void loadResources() {}
    void loadImageAt(int slot, const std::string& name);
    void loadSEAt(int slot, const std::string& name);
    void cutEdgeImageAt(int slot);
    // Replaces the program's screen factory; nullptr restores it.
    void setScreenFactory(std::unique_ptr<ScreenFactory> factory);
    void setGameId(int32_t id) { gameId_ = id; }
    void setWebSecretKey(std::string key) { webSecretKey_ = std::move(key); }
    void setAppDisplayName(std::string name) { appDisplayName_ = std::move(name); }
    void setAppContext(JTAppBase::JTAppContextPtr context) { appContext_ = std::move(context); }

  private:
    class TextFactory;
    // The screens, made by the screen factory (ScreenFactory.h): nullptr for a screen this
    // program has no class for, and the operation that would show it then changes nothing.
    std::shared_ptr<ViewControllerBase> createTitleView();
    std::shared_ptr<AppGameView> createGameView();
    std::shared_ptr<PauseView> createPauseView();
    std::shared_ptr<ViewControllerBase> createGameOverView();
    std::shared_ptr<SimpleSelectView> createSimpleSelectView();
    // The score, settings and about tabs, in that order; empty when any of them is missing.
    std::vector<std::shared_ptr<ViewControllerBase>> createToolsViewContents();
    std::shared_ptr<ViewControllerBase> startDummyView();
    void setCurrentEAGLContext();
    // The face every screen shares.
    std::weak_ptr<AppCoreScreens> screensFace();
    // Steps of the launch and of going to and from the background, resource slots, and the
    // settings file and web addresses as the class itself builds them.
    void setup2();
    void willResume();
    void willSuspend();
    void resetGameView();
    void showAlertWithMessage(const std::string& message);
    void checkLeaks();
    void loadMusicAt(int slot, const std::string& name);
    void setSEVolumeAt(int slot, int32_t volume);
    void setMusicVolumeAt(int slot, int32_t volume);
    void loadSettings();
    std::string settingFileName() const;
    std::shared_ptr<Texture2D> newTextureWithName(const std::string& name);
    std::string webJumpUrl(int32_t tgt, int32_t levelId) const;
    std::string webSubmitScoreUrl(const WebScore& score, int32_t levelId,
                                  const std::optional<WebScore>& highScore, bool useHs);
    // The web service base from the bundle's Info.plist ("MovurouteWebServiceURL"), overridden
    // by $MOVUROUTE_WEB_URL.
    static std::string webServiceBaseUrl();
    int32_t authorization() const { return authorization_; }
    void setAuthorization(int32_t a) { authorization_ = a; }
    const std::string& deviceTypeName() const { return deviceTypeName_; }
    int32_t defaultLevelId() const { return defaultLevelId_; }
    void setSoundVolume(int32_t v) { settings_.soundVolume = v; }
    // Forwarders to the collaborators that hold these: callers outside use the collaborators.
    void applyInterfaceOrientation(platform::ui::InterfaceOrientation orientation,
                                   platform::ui::View& view) const {
        screens_.applyInterfaceOrientation(orientation, view);
    }
    OrientationDependedInfo& orientationDependedInfoFor(
        platform::ui::InterfaceOrientation orientation) {
        return screens_.recordFor(orientation);
    }
    static std::string keychainService();
    static std::optional<std::string> keychainAccessGroup();
    int32_t soundVolume() const { return settings_.soundVolume; }
    const std::optional<std::string>& bundleVersionOfLoadedSettings() const {
        return settings_.bundleVersion;
    }
    void loadOrCreateArid();
    bool deleteAridFromKeychain();
    // The web service's command URLs for this app core's identity and account id.
    WebServiceUrls webServiceUrls() const;
    static WebScore webScoreOf(const scores::LevelScoreElem& score);
    void deliverOpenURLAgainLater(const std::string& url);

    std::shared_ptr<platform::gfx::GLContext> eaglContext_;
    int32_t defaultLevelId_ = 0;
    std::string iphoneWebUrl_;
    std::string appDisplayName_;
    std::string webSecretKey_;
    std::string appVersionString_;
    platform::Value infoDictionary_;
    int32_t gameId_ = 0;
    int32_t authorization_ = 0;
    int32_t accelerometerCalibrationType_ = 0;
    std::shared_ptr<Texture2D> texIconPause_;
    AccountId accountId_;
    ScreenSwitcher screens_;
    DrawingResolution resolution_;
    std::string deviceTypeName_;
    // The record itself: a mirror could outlive its record and answer defaults.
    JTAppBase::JTLevelInfoPtr currentLevelInfoCache_;
    SettingsRecord settings_;
    SettingsFile settingsFile_;
    ResourceTables resources_;
    JTAppBase::JTAppContextPtr appContext_;
    uint32_t baseJtObjCount_ = 0;
    std::shared_ptr<online::DuRezSupport> duRezSupport_;
    std::shared_ptr<LevelDownloadUrlHandler> dlLevelsSupport_;
    // The launch and start bookkeeping below steers behaviour no caller can see without
    // waiting for an announcement server; tests read it through this one door.
    friend struct AppCoreBaseTestAccess;
    // The show opportunity of a start from the title: the first game after a launch without
    // saved settings is a player's very first and gets its own context.
    int gameStartPopupContext() const;
    bool resourceLoaded_ = false;
    std::shared_ptr<ViewControllerBase> rootViewController_;
    bool startedGameAfterLaunchingApp_ = false;
    uint64_t pendingHandleOpenURLCount_ = 0;
    bool inApplicationWillEnterForeground_ = false;
    std::unique_ptr<TextFactory> textFactory_;
    std::unique_ptr<ScreenFactory> screenFactory_;
    std::shared_ptr<AppCoreScreenSeams> screenSeams_;
};

}  // namespace app
