#include "platform/ui/Application.h"

#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <thread>

#include "platform/base/LibraryEnvironment.h"
#include "platform/storage/Bundle.h"
#include "platform/ui/MainThread.h"
#include "platform/ui/UiLog.h"
#include "platform/ui/ViewController.h"
#include "platform/ui/Window.h"

extern char** environ;

namespace platform::ui {

Application& Application::shared() {
    static Application app;
    return app;
}

void Application::setStatusBarOrientation(int orientation, bool) {
    if (orientation < 1 || orientation > 4 || orientation == statusBarOrientation_) return;
    post(kWillChangeStatusBarOrientationNotification);
    statusBarOrientation_ = static_cast<InterfaceOrientation>(orientation);
    post(kDidChangeStatusBarOrientationNotification);
}

void Application::setDeviceOrientation(int orientation) {
    deviceOrientation_ = orientation >= 1 && orientation <= 4
                             ? static_cast<InterfaceOrientation>(orientation)
                             : OrientationUnknown;
}

void Application::attemptRotationToDeviceOrientation() {
    auto window = keyWindow();
    if (!window) return;
    auto top = window->rootViewController();
    while (top && top->presentedViewController()) top = top->presentedViewController();
    if (!top || !top->shouldAutorotate()) return;
    const unsigned mask = top->supportedInterfaceOrientations();
    const int device = deviceOrientation();
    if (mask & supportedInterfaceOrientationsForWindow(window.get()) & (1u << device)) {
        setStatusBarOrientation(device);
        return;
    }
    turnInterfaceForMask(mask, window.get());
}

bool Application::turnInterfaceForMask(unsigned mask, Window* window) {
    if (mask == 0 || (mask & (1u << statusBarOrientation_))) return false;
    const unsigned shared = mask & supportedInterfaceOrientationsForWindow(window);
    for (int orientation = OrientationPortrait; orientation <= OrientationLandscapeLeft;
         ++orientation) {
        if (shared & (1u << orientation)) {
            setStatusBarOrientation(orientation);
            return true;
        }
    }
    uiLog(LogLevel::Info, "Application",
          "the screen's orientations share none with the window; nothing turns");
    return false;
}

unsigned Application::supportedInterfaceOrientationsForWindow(Window* w) {
    if (auto d = delegate())
        if (unsigned mask = d->supportedInterfaceOrientationsForWindow(*this, w)) return mask;
    return supportedOrientations_;
}

namespace {
// The scheme in lower case, or empty when the text does not start with one.
std::string schemeOf(const std::string& url) {
    auto colon = url.find(':');
    if (colon == std::string::npos || colon == 0) return {};
    std::string s = url.substr(0, colon);
    if (!std::isalpha(static_cast<unsigned char>(s[0]))) return {};
    for (char& c : s) {
        if (!std::isalnum(static_cast<unsigned char>(c)) && c != '+' && c != '-' && c != '.')
            return {};
        c = char(std::tolower(static_cast<unsigned char>(c)));
    }
    return s;
}

// Control characters and blanks never belong in a URL; refusing them keeps the opener from
// seeing anything but one well-formed argument.
bool isClean(const std::string& url) {
    return std::none_of(url.begin(), url.end(), [](char c) {
        auto u = static_cast<unsigned char>(c);
        return u <= 0x20 || u == 0x7f;
    });
}

bool isWeb(const std::string& scheme) {
    return scheme == "http" || scheme == "https";
}
}  // namespace

bool Application::canOpenURL(const std::string& url) const {
    if (!isClean(url)) return false;
    auto scheme = schemeOf(url);
    return isWeb(scheme) || ownSchemes_.count(scheme) != 0;
}

bool Application::openURL(const std::string& url) {
    if (!isClean(url)) return false;
    auto scheme = schemeOf(url);
    if (ownSchemes_.count(scheme)) {
        openedURLs_.push_back(url);
        postToMain([this, url] {
            if (auto d = delegate()) d->applicationHandleOpenURL(*this, url);
        });
        return true;
    }
    if (!isWeb(scheme)) return false;
    std::vector<std::string> argv{"xdg-open", url};
    bool ok = opener_ ? opener_(argv) : spawnDesktopOpener(argv);
    if (ok) openedURLs_.push_back(url);
    return ok;
}

bool Application::openWithDesktop(const std::string& url) {
    if (!isClean(url)) return false;
    auto scheme = schemeOf(url);
    if (scheme.empty() || scheme == "file") return false;
    std::vector<std::string> argv{"xdg-open", url};
    bool ok = opener_ ? opener_(argv) : spawnDesktopOpener(argv);
    if (ok) openedURLs_.push_back(url);
    return ok;
}

bool Application::openFileWithDesktop(const std::string& path) {
    struct stat info {};
    if (path.empty() || path.front() != '/' || !isClean(path) || ::stat(path.c_str(), &info) != 0 ||
        !S_ISREG(info.st_mode)) {
        return false;
    }
    std::vector<std::string> argv{"xdg-open", path};
    bool ok = opener_ ? opener_(argv) : spawnDesktopOpener(argv);
    if (ok) openedURLs_.push_back("file://" + path);
    return ok;
}

bool Application::spawnDesktopOpener(const std::vector<std::string>& argv) {
    std::vector<char*> args;
    for (auto& a : argv) args.push_back(const_cast<char*>(a.c_str()));
    args.push_back(nullptr);
    // Libraries we link open files without close-on-exec (random devices, /proc and cgroup
    // files), and the opener starts the user's browser or calendar, which may live for hours:
    // it gets the standard three and nothing else of ours.
    posix_spawn_file_actions_t actions;
    if (posix_spawn_file_actions_init(&actions) != 0) {
        uiLog(LogLevel::Warn, "Application::openURL", "cannot start xdg-open");
        return false;
    }
    int rc = posix_spawn_file_actions_addclosefrom_np(&actions, STDERR_FILENO + 1);
    // The user's environment, not what the program set for its own libraries: the browser runs
    // with the accessibility and the renderer it would have had without the game.
    std::vector<std::string> variables = userProgramEnvironment();
    std::vector<char*> environment;
    for (auto& variable : variables) environment.push_back(variable.data());
    environment.push_back(nullptr);
    pid_t pid = 0;
    if (rc == 0)
        rc = posix_spawnp(&pid, args[0], &actions, nullptr, args.data(), environment.data());
    posix_spawn_file_actions_destroy(&actions);
    if (rc != 0) {
        uiLog(LogLevel::Warn, "Application::openURL", "cannot start xdg-open");
        return false;
    }
    // Reap the opener so it does not linger as a zombie; it returns as soon as it has handed
    // the URL to the browser.
    std::thread([pid] {
        int status = 0;
        waitpid(pid, &status, 0);
    }).detach();
    return true;
}

// ---- background tasks ----

Application::BackgroundTaskId Application::beginBackgroundTask(std::function<void()> handler) {
    BackgroundTaskId id = nextBackgroundTask_++;
    backgroundTasks_[id] = std::move(handler);
    return id;
}

void Application::endBackgroundTask(BackgroundTaskId id) {
    backgroundTasks_.erase(id);
}

void Application::expireBackgroundTasks() {
    // Handlers usually end their own task (and may begin others): take the list first.
    auto tasks = std::move(backgroundTasks_);
    backgroundTasks_.clear();
    for (auto& [id, handler] : tasks)
        if (handler) handler();
}

// ---- life cycle ----

void Application::post(const char* name) {
    postNotification(name);
}

bool Application::finishLaunching() {
    // As the phone did before the app's code ran: a bundle that declares no status bar (a
    // full-screen game) starts without one, so the application frame is the whole screen.
    if (Bundle::mainBundle()->objectForInfoDictionaryKey(kStatusBarHiddenKey).boolValue()) {
        statusBarHidden_ = true;
    }
    bool ok = true;
    if (auto d = delegate()) ok = d->applicationDidFinishLaunching(*this);
    post(kDidFinishLaunchingNotification);
    return ok;
}

void Application::becomeActive() {
    if (state_ == ApplicationState::Active) return;
    state_ = ApplicationState::Active;
    if (auto d = delegate()) d->applicationDidBecomeActive(*this);
    post(kDidBecomeActiveNotification);
}

void Application::resignActive() {
    if (state_ != ApplicationState::Active) return;
    state_ = ApplicationState::Inactive;
    if (auto d = delegate()) d->applicationWillResignActive(*this);
    post(kWillResignActiveNotification);
}

void Application::enterBackground() {
    if (state_ == ApplicationState::Background) return;
    resignActive();
    state_ = ApplicationState::Background;
    if (auto d = delegate()) d->applicationDidEnterBackground(*this);
    post(kDidEnterBackgroundNotification);
}

void Application::enterForeground() {
    if (state_ != ApplicationState::Background) return;
    state_ = ApplicationState::Inactive;
    if (auto d = delegate()) d->applicationWillEnterForeground(*this);
    post(kWillEnterForegroundNotification);
    becomeActive();
}

void Application::terminate() {
    if (auto d = delegate()) d->applicationWillTerminate(*this);
    post(kWillTerminateNotification);
}

void Application::receiveMemoryWarning() {
    if (auto d = delegate()) d->applicationDidReceiveMemoryWarning(*this);
    post(kDidReceiveMemoryWarningNotification);
}

void Application::reset() {
    *this = Application();
}

}  // namespace platform::ui
