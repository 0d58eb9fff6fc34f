// Launch and the application's life cycle.

#include "app/AppCoreBase.h"
#include "app/util/LogMessage.h"
#include "app/util/PlistFiles.h"
#include "online/AnnounceManager.h"
#include "platform/audio/AudioSession.h"
#include "platform/storage/Bundle.h"
#include "platform/ui/Screen.h"
#include "platform/ui/Window.h"

bool AppCoreBase::applicationDidFinishLaunching(platform::ui::Application&) {
    const char* caller = "-[AppCoreBase application:didFinishLaunchingWithOptions:]";
    platform::audio::AudioSession::shared().initialize();
    if (!window_)
        window_ = platform::ui::Window::create(platform::ui::Screen::mainScreen().bounds());
    window_->setFrame(platform::ui::Screen::mainScreen().bounds());
    setCurrentEAGLContext();
    start();
    auto& am = AnnounceManager::sharedAnnounceManager();
    am.setAppCore(shared_from_this());
    LogMessage(caller, 1, "bundle: " + platform::Bundle::mainBundle()->bundleIdentifier());
    LogMessage(caller, 1, "documents: " + DocumentsDirectoryPath());
    willResume();
    // A desktop always multitasks, so a URL never arrives with the launch: it comes through
    // the application's URL delivery like any other.
    window_->makeKeyAndVisible();
    am.requestInterstitialAd();
    return true;
}

void AppCoreBase::start() {
    updateInterfaceOrientation();
    startTitleView();
}

void AppCoreBase::willResume() {
    AnnounceManager::sharedAnnounceManager().startDownload();
}

void AppCoreBase::willSuspend() {
    AnnounceManager::sharedAnnounceManager().shutdown();
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
