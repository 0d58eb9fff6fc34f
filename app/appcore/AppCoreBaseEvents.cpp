// Launch and the application's life cycle.

#include "app/appcore/AppCoreBase.h"
#include "online/AnnounceManager.h"
#include "platform/audio/AudioSession.h"
#include "platform/storage/Bundle.h"
#include "platform/ui/Screen.h"
#include "platform/ui/Window.h"
#include "util/LogMessage.h"
#include "util/PlistFiles.h"

namespace app {

bool AppCoreBase::applicationDidFinishLaunching(platform::ui::Application&) {
    const char* caller = "-[AppCoreBase application:didFinishLaunchingWithOptions:]";
    platform::audio::AudioSession::shared().initialize();
    if (!screens_.window())
        screens_.setWindow(
            platform::ui::Window::create(platform::ui::Screen::mainScreen().bounds()));
    screens_.window()->setFrame(platform::ui::Screen::mainScreen().bounds());
    setCurrentEAGLContext();
    start();
    auto& am = online::AnnounceManager::sharedAnnounceManager();
    am.setAppCore(weak_from_this());
    util::LogMessage(caller, 1, "bundle: " + platform::Bundle::mainBundle()->bundleIdentifier());
    util::LogMessage(caller, 1, "documents: " + util::DocumentsDirectoryPath());
    willResume();
    // A desktop always multitasks, so a URL never arrives with the launch: it comes through
    // the application's URL delivery like any other.
    screens_.window()->makeKeyAndVisible();
    am.requestInterstitialAd();
    return true;
}

void AppCoreBase::start() {
    updateInterfaceOrientation();
    startTitleView();
}

void AppCoreBase::willResume() {
    online::AnnounceManager::sharedAnnounceManager().startDownload();
}

void AppCoreBase::willSuspend() {
    online::AnnounceManager::sharedAnnounceManager().shutdown();
}

void AppCoreBase::applicationWillEnterForeground(platform::ui::Application&) {
    inApplicationWillEnterForeground_ = true;
    willResume();
    inApplicationWillEnterForeground_ = false;
}

void AppCoreBase::applicationDidEnterBackground(platform::ui::Application&) {
    willSuspend();
}

void AppCoreBase::applicationWillTerminate(platform::ui::Application&) {
    willSuspend();
}

}  // namespace app
