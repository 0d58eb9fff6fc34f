#pragma once

// A fresh world for each app-core test: its own home folder and keychain file, a bundle of the
// test's making (or the real one), a manual clock with a drained main loop, and the shared
// application, alert, screen, sound and announcement state put back afterwards.

#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include "app/appcore/AppCoreScreenSeams.h"
#include "app/appcore/MyAppCore.h"
#include "app/appcore/ScreenFactory.h"
#include "app/gameview/AppGameView.h"
#include "app/screens/ViewControllerBase.h"
#include "appbase/JTAppContext.h"
#include "online/AnnounceManager.h"
#include "platform/runtime/MainLoopTestScope.h"
#include "platform/storage/AppPaths.h"
#include "platform/storage/Bundle.h"
#include "platform/storage/Keychain.h"
#include "platform/storage/SecureRandom.h"
#include "platform/testing/PlatformStateScope.h"
#include "platform/testing/TempDir.h"
#include "platform/ui/AlertView.h"
#include "platform/ui/Application.h"
#include "platform/ui/Screen.h"
#include "sound/SoundObj.h"

namespace appcore_test {

namespace fs = std::filesystem;

inline const fs::path kAssets = fs::path(MOVU_SOURCE_DIR) / "assets";

// The game view as the app core drives it, recording what it is told.
class FakeGameView : public app::AppGameView {
  public:
    std::vector<std::string> calls;
    bool started_ = false;
    JTAppBase::JTScenePtr scene_;
    platform::Point pauseBtn{300, 20};

    void start() override {
        calls.push_back("start");
        started_ = true;
    }
    void resume() override { calls.push_back("resume"); }
    bool started() const override { return started_; }
    platform::Point pauseBtnPosInView() override { return pauseBtn; }
    JTAppBase::JTScenePtr gameScene() const override { return scene_; }

    void gameOverWithScore(int32_t) override {}
    void setLevelInfo(std::shared_ptr<JTAppBase::LevelInfo>) override {}
    void startGameScene(const boost::intrusive_ptr<JTAppBase::JTScene>& scene) override {
        calls.push_back(scene ? "scene" : "no scene");
        scene_ = scene;
    }
    void stop() override {
        calls.push_back("stop");
        started_ = false;
    }
    void setPauseBtnPos(platform::Point p) override { pauseBtn = p; }
    int64_t interfaceOrientation() override { return 1; }
    std::shared_ptr<JTAppBase::ShellAppCore> appCore() override { return nullptr; }
    platform::Point convertPointFromRawView(platform::Point p) override { return p; }
    void setMultipleTouchEnabled(bool) override {}
    std::shared_ptr<JTAppBase::ShellTilt> accelerometerHelper() override { return nullptr; }
};

class TitleScreen : public app::ViewControllerBase {
  public:
    const char* className() const override { return "TitleScreen"; }
};

// The game's core with the title and game screens played by stand-ins when asked, and missing
// otherwise (as a factory answers while the program has no such screen).
class TestAppCore : public app::MyAppCore {
  public:
    TestAppCore() { setScreenFactory(std::make_unique<Screens>(*this)); }
    // What the game's own subclass sets, and its resource slots, are for tests to drive too.
    using AppCoreBase::cutEdgeImageAt;
    using AppCoreBase::loadImageAt;
    using AppCoreBase::loadSEAt;
    using AppCoreBase::setAccelerometerCalibrationType;
    using AppCoreBase::setDeviceTypeName;

    bool withTitle = false;
    bool withGameView = false;
    bool recordResources = false;
    int resourceLoads = 0;
    std::shared_ptr<FakeGameView> lastGameView;

    static std::shared_ptr<TestAppCore> make(
        bool title = false, bool gameView = false,
        std::shared_ptr<platform::gfx::GLContext> context = nullptr) {
        auto core = std::make_shared<TestAppCore>();
        core->withTitle = title;
        core->withGameView = gameView;
        core->recordResources = gameView;
        core->init(std::move(context));
        return core;
    }

    // The screens this core's factory makes; a test's core overrides what it needs.
    // programScreens makes the program's own.
    virtual std::shared_ptr<app::ViewControllerBase> makeTitleView() {
        if (!withTitle) return nullptr;
        return app::ViewControllerBase::make<TitleScreen>();
    }
    virtual std::shared_ptr<app::AppGameView> makeGameView() {
        if (!withGameView) return nullptr;
        lastGameView = std::make_shared<FakeGameView>();
        return lastGameView;
    }
    virtual std::shared_ptr<app::PauseView> makePauseView() {
        return programScreens.createPauseView(*this);
    }
    virtual std::shared_ptr<app::ViewControllerBase> makeGameOverView() { return nullptr; }
    virtual std::shared_ptr<app::SimpleSelectView> makeSimpleSelectView() {
        return programScreens.createSimpleSelectView(*this);
    }
    virtual std::vector<std::shared_ptr<app::ViewControllerBase>> makeToolsViewContents() {
        return {};
    }
    void loadResources() override {
        ++resourceLoads;
        if (!recordResources) app::MyAppCore::loadResources();
    }

    app::ScreenFactory programScreens;

  private:
    // Hands every screen to the hooks above.
    class Screens final : public app::ScreenFactory {
      public:
        explicit Screens(TestAppCore& core) : core_(core) {}
        std::shared_ptr<app::ViewControllerBase> createTitleView(app::AppCoreBase&) override {
            return core_.makeTitleView();
        }
        std::shared_ptr<app::AppGameView> createGameView(app::AppCoreBase&) override {
            return core_.makeGameView();
        }
        std::shared_ptr<app::PauseView> createPauseView(app::AppCoreBase&) override {
            return core_.makePauseView();
        }
        std::shared_ptr<app::ViewControllerBase> createGameOverView(app::AppCoreBase&) override {
            return core_.makeGameOverView();
        }
        std::shared_ptr<app::SimpleSelectView> createSimpleSelectView(app::AppCoreBase&) override {
            return core_.makeSimpleSelectView();
        }
        std::vector<std::shared_ptr<app::ViewControllerBase>> createToolsViewContents(
            app::AppCoreBase&) override {
            return core_.makeToolsViewContents();
        }

      private:
        TestAppCore& core_;  // owns this factory
    };
};

inline void writeFile(const fs::path& p, const std::string& bytes) {
    fs::create_directories(p.parent_path());
    std::ofstream(p, std::ios::binary) << bytes;
}

inline std::string infoPlist(const std::string& version, const std::string& webUrl) {
    return "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<plist version=\"1.0\"><dict>"
           "<key>CFBundleShortVersionString</key><string>" +
           version +
           "</string><key>CFBundleDisplayName</key><string>Movuroute</string>"
           "<key>CFBundleIdentifier</key><string>com.quorvel.movuroute</string>"
           "<key>NSHumanReadableCopyright</key><string>(c) test</string>"
           "<key>MovurouteWebServiceURL</key><string>" +
           webUrl + "</string></dict></plist>\n";
}

class AppCoreTest : public ::testing::Test {
  protected:
    // The home is a folder of its own beside the keychain and the bundle.
    platform::testing::TempHome home{"home"};
    const fs::path root = home.path();
    fs::path bundle;
    platform::MainLoopTestScope loop;
    platform::testing::PlatformStateScope platformState;
    std::vector<std::vector<std::string>> opened;

    AppCoreTest() {
        ::setenv("MOVUROUTE_KEYCHAIN", (root / "keychain").c_str(), 1);
        ::unsetenv("MOVUROUTE_WEB_URL");
        bundle = root / "bundle";
        useBundleVersion("1.0");
        resetShared();
        platform::ui::Application::shared().setDesktopOpener(
            [this](const std::vector<std::string>& argv) {
                opened.push_back(argv);
                return true;
            });
    }

    ~AppCoreTest() override {
        resetShared();
        platform::Bundle::setMainBundlePath(std::nullopt);
        ::unsetenv("MOVUROUTE_KEYCHAIN");
        ::unsetenv("MOVUROUTE_WEB_URL");
    }

    // The platform's own state is the scope's; these are the libraries above it.
    static void resetShared() {
        online::AnnounceManager::sharedAnnounceManager().resetForTesting();
        sound::SoundObj::resetClassState();
    }

    // A bundle holding only an Info.plist of the given version (pictures are added by tests).
    void useBundleVersion(const std::string& version,
                          const std::string& webUrl = "http://127.0.0.1:8642/movuroute") {
        writeFile(bundle / "Info.plist", infoPlist(version, webUrl));
        platform::Bundle::setMainBundlePath(bundle);
    }

    void copyAsset(const std::string& file) {
        fs::copy_file(kAssets / file, bundle / file, fs::copy_options::overwrite_existing);
    }

    fs::path settingsPath() const { return root / "home" / "Documents" / "settings.plist"; }

    static std::vector<std::string> alertTexts() {
        std::vector<std::string> out;
        if (auto a = platform::ui::AlertView::visibleAlert()) out = {a->title(), a->message()};
        return out;
    }
};

}  // namespace appcore_test
