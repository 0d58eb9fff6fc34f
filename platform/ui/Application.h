#pragma once

// The one application object: its state, key window, status bar, idle timer, URL opening and the
// life-cycle notifications. The delegate hears of each change before the notification is posted:
// the app core's state is up to date when observers look at it.

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "platform/ui/InterfaceOrientation.h"

namespace platform::ui {

class Window;
class Application;

enum class ApplicationState { Active = 0, Inactive = 1, Background = 2 };

// Notification names, spelled as the ads SDK and the shell observe them.
inline constexpr const char* kDidFinishLaunchingNotification =
    "UIApplicationDidFinishLaunchingNotification";
inline constexpr const char* kDidBecomeActiveNotification =
    "UIApplicationDidBecomeActiveNotification";
inline constexpr const char* kWillResignActiveNotification =
    "UIApplicationWillResignActiveNotification";
inline constexpr const char* kDidEnterBackgroundNotification =
    "UIApplicationDidEnterBackgroundNotification";
inline constexpr const char* kWillEnterForegroundNotification =
    "UIApplicationWillEnterForegroundNotification";
inline constexpr const char* kWillTerminateNotification = "UIApplicationWillTerminateNotification";
inline constexpr const char* kDidReceiveMemoryWarningNotification =
    "UIApplicationDidReceiveMemoryWarningNotification";
inline constexpr const char* kWillChangeStatusBarOrientationNotification =
    "UIApplicationWillChangeStatusBarOrientationNotification";
inline constexpr const char* kDidChangeStatusBarOrientationNotification =
    "UIApplicationDidChangeStatusBarOrientationNotification";

class ApplicationDelegate {
  public:
    virtual ~ApplicationDelegate() = default;
    virtual bool applicationDidFinishLaunching(Application&) { return true; }
    virtual void applicationDidBecomeActive(Application&) {}
    virtual void applicationWillResignActive(Application&) {}
    virtual void applicationDidEnterBackground(Application&) {}
    virtual void applicationWillEnterForeground(Application&) {}
    virtual void applicationWillTerminate(Application&) {}
    virtual void applicationDidReceiveMemoryWarning(Application&) {}
    // The application's own URLs; answer whether it was handled.
    virtual bool applicationHandleOpenURL(Application&, const std::string& /*url*/) {
        return false;
    }
    // Orientations the window may take; nullopt-like 0 means "what the app declares".
    virtual unsigned supportedInterfaceOrientationsForWindow(Application&, Window*) { return 0; }
};

class Application {
  public:
    static Application& shared();

    ApplicationState applicationState() const { return state_; }
    std::shared_ptr<ApplicationDelegate> delegate() const { return delegate_.lock(); }
    void setDelegate(std::weak_ptr<ApplicationDelegate> d) { delegate_ = std::move(d); }

    std::shared_ptr<Window> keyWindow() const { return keyWindow_.lock(); }
    void setKeyWindow(std::weak_ptr<Window> w) { keyWindow_ = std::move(w); }

    // Status bar: shown (20 points at the top of the screen, outside the application frame)
    // unless hidden, from launch on when the bundle's Info.plist says kStatusBarHiddenKey.
    static constexpr const char* kStatusBarHiddenKey = "UIStatusBarHidden";
    InterfaceOrientation statusBarOrientation() const { return statusBarOrientation_; }
    // A value that is not one of the four orientations is refused.
    void setStatusBarOrientation(int orientation, bool animated = false);
    bool isStatusBarHidden() const { return statusBarHidden_; }
    void setStatusBarHidden(bool hidden) { statusBarHidden_ = hidden; }

    bool isIdleTimerDisabled() const { return idleTimerDisabled_; }
    void setIdleTimerDisabled(bool d) { idleTimerDisabled_ = d; }

    // The device's orientation: the interface's, unless a test holds the device in another
    // (setDeviceOrientation; 0 follows the interface again).
    InterfaceOrientation deviceOrientation() const {
        return deviceOrientation_ != OrientationUnknown ? deviceOrientation_
                                                        : statusBarOrientation_;
    }
    void setDeviceOrientation(int orientation);
    // The controller on top of the key window turns the interface to the device's orientation
    // when it and the window take it; otherwise the rule below.
    void attemptRotationToDeviceOrientation();
    // The presentation rule (docs/presentation.md): a controller on screen whose orientations
    // (mask) leave out the interface's turns it to the first orientation (portrait, upside
    // down, landscape right, landscape left) its mask and the window share; with none shared
    // nothing turns. The window keeps its shape. Answers whether the interface turned.
    bool turnInterfaceForMask(unsigned mask, Window* window);

    // Orientation mask the app declares (1 << orientation per orientation).
    unsigned supportedInterfaceOrientations() const { return supportedOrientations_; }
    void setSupportedInterfaceOrientations(unsigned mask) { supportedOrientations_ = mask; }
    unsigned supportedInterfaceOrientationsForWindow(Window* w);

    // URLs. http and https go to the desktop's opener (spawned with an argument vector, never
    // through a shell); the schemes the app registered go to the delegate on the next turn of
    // the main loop; anything else is refused.
    bool openURL(const std::string& url);
    bool canOpenURL(const std::string& url) const;
    void setOwnURLSchemes(std::set<std::string> schemes) { ownSchemes_ = std::move(schemes); }
    // Hands a URL of any scheme straight to the desktop's opener, the same way (for the mail
    // and text composers' mailto: and sms:, which the desktop's own programs take over).
    // Local files are never opened this way, and a URL without a scheme is refused. False
    // when refused or when the opener cannot start.
    bool openWithDesktop(const std::string& url);
    // Offers a file the app made (a calendar event, say) to the desktop's opener: an absolute
    // path of a regular file only. Recorded as its file: URL.
    bool openFileWithDesktop(const std::string& path);
    // Every URL that openURL or openWithDesktop handed on, in order.
    const std::vector<std::string>& openedURLs() const { return openedURLs_; }
    // Replaces the process spawn (tests): receives the argument vector.
    void setDesktopOpener(std::function<bool(const std::vector<std::string>&)> opener) {
        opener_ = std::move(opener);
    }

    // Background tasks. A desktop program is never suspended, so a task simply runs until it
    // is ended; expireBackgroundTasks() (tests, shutdown) calls the expiration handlers of the
    // tasks still open and ends them.
    using BackgroundTaskId = std::uint64_t;
    static constexpr BackgroundTaskId kBackgroundTaskInvalid = 0;
    BackgroundTaskId beginBackgroundTask(std::function<void()> expirationHandler = {});
    // Unknown or invalid ids are ignored.
    void endBackgroundTask(BackgroundTaskId id);
    std::size_t backgroundTaskCount() const { return backgroundTasks_.size(); }
    void expireBackgroundTasks();

    // Life cycle, driven by the host program. finishLaunching first takes the bundle's status
    // bar setting.
    bool finishLaunching();
    void becomeActive();
    void resignActive();
    void enterBackground();
    void enterForeground();
    void terminate();
    void receiveMemoryWarning();

    // Back to a fresh, inactive application (tests).
    void reset();

  private:
    void post(const char* name);
    static bool spawnDesktopOpener(const std::vector<std::string>& argv);

    ApplicationState state_ = ApplicationState::Inactive;
    std::weak_ptr<ApplicationDelegate> delegate_;
    std::weak_ptr<Window> keyWindow_;
    InterfaceOrientation statusBarOrientation_ = OrientationPortrait;
    InterfaceOrientation deviceOrientation_ = OrientationUnknown;
    bool statusBarHidden_ = false;
    bool idleTimerDisabled_ = false;
    unsigned supportedOrientations_ = 1u << 1;
    std::set<std::string> ownSchemes_;
    std::vector<std::string> openedURLs_;
    std::function<bool(const std::vector<std::string>&)> opener_;
    std::map<BackgroundTaskId, std::function<void()>> backgroundTasks_;
    BackgroundTaskId nextBackgroundTask_ = 1;
};

}  // namespace platform::ui
