#include "platform/ui/Application.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <set>
#include <sstream>
#include <thread>

#include "platform/base/LibraryEnvironment.h"
#include "platform/runtime/MainLoopTestScope.h"
#include "platform/storage/AtomicFile.h"
#include "platform/storage/Bundle.h"
#include "platform/testing/TempDir.h"
#include "platform/ui/MainThread.h"
#include "platform/ui/Screen.h"
#include "platform/ui/Window.h"

using namespace platform::ui;

namespace {

class Delegate : public ApplicationDelegate {
  public:
    std::vector<std::string>& log;
    explicit Delegate(std::vector<std::string>& l) : log(l) {}
    bool applicationDidFinishLaunching(Application&) override {
        log.push_back("d:launched");
        return true;
    }
    void applicationDidBecomeActive(Application&) override { log.push_back("d:active"); }
    void applicationWillResignActive(Application&) override { log.push_back("d:resign"); }
    void applicationDidEnterBackground(Application&) override { log.push_back("d:background"); }
    void applicationWillEnterForeground(Application&) override { log.push_back("d:foreground"); }
    void applicationWillTerminate(Application&) override { log.push_back("d:terminate"); }
    void applicationDidReceiveMemoryWarning(Application&) override { log.push_back("d:memory"); }
    bool applicationHandleOpenURL(Application&, const std::string& url) override {
        log.push_back("d:open " + url);
        return true;
    }
};

class ApplicationTest : public ::testing::Test {
  protected:
    ApplicationTest() {
        app.reset();
        app.setDelegate(delegate);
        for (const char* n :
             {kDidFinishLaunchingNotification, kDidBecomeActiveNotification,
              kWillResignActiveNotification, kDidEnterBackgroundNotification,
              kWillEnterForegroundNotification, kWillTerminateNotification,
              kDidReceiveMemoryWarningNotification, kDidChangeStatusBarOrientationNotification})
            tokens.push_back(observeNotification(n, [this, n] { log.push_back(n); }));
    }
    ~ApplicationTest() override { app.reset(); }

    platform::MainLoopTestScope loop;
    Application& app = Application::shared();
    std::vector<std::string> log;
    std::shared_ptr<Delegate> delegate = std::make_shared<Delegate>(log);
    std::vector<std::shared_ptr<void>> tokens;
};

using Log = std::vector<std::string>;

}  // namespace

TEST_F(ApplicationTest, LifeCycleCallsTheDelegateBeforeEachNotification) {
    EXPECT_EQ(app.applicationState(), ApplicationState::Inactive);
    app.finishLaunching();
    app.becomeActive();
    app.becomeActive();  // already active: nothing
    app.enterBackground();
    EXPECT_EQ(app.applicationState(), ApplicationState::Background);
    app.enterForeground();
    EXPECT_EQ(app.applicationState(), ApplicationState::Active);
    app.receiveMemoryWarning();
    app.terminate();
    EXPECT_EQ(log, (Log{"d:launched", kDidFinishLaunchingNotification, "d:active",
                        kDidBecomeActiveNotification, "d:resign", kWillResignActiveNotification,
                        "d:background", kDidEnterBackgroundNotification, "d:foreground",
                        kWillEnterForegroundNotification, "d:active", kDidBecomeActiveNotification,
                        "d:memory", kDidReceiveMemoryWarningNotification, "d:terminate",
                        kWillTerminateNotification}));

    // A token dropped stops its observer.
    log.clear();
    tokens.clear();
    app.resignActive();
    EXPECT_EQ(log, (Log{"d:resign"}));
}

TEST_F(ApplicationTest, OpenUrlUsesAnArgumentVectorAndRoutesOwnSchemes) {
    std::vector<std::vector<std::string>> spawned;
    app.setDesktopOpener([&](const std::vector<std::string>& argv) {
        spawned.push_back(argv);
        return true;
    });
    app.setOwnURLSchemes({"movuroute"});

    const std::string tricky = "https://example.com/a?b=1&c=$(reboot);echo|x";
    EXPECT_TRUE(app.openURL(tricky));
    ASSERT_EQ(spawned.size(), 1u);
    EXPECT_EQ(spawned[0], (std::vector<std::string>{"xdg-open", tricky}));

    EXPECT_TRUE(app.openURL("movuroute://x/startTitle"));
    EXPECT_TRUE(log.empty());  // the app hears of it on a later turn
    loop.runUntilIdle();
    EXPECT_EQ(log, (Log{"d:open movuroute://x/startTitle"}));
    EXPECT_EQ(spawned.size(), 1u);

    // Other schemes, option-like text and control characters are refused.
    EXPECT_FALSE(app.openURL("file:///etc/passwd"));
    EXPECT_FALSE(app.openURL("--help"));
    EXPECT_FALSE(app.openURL("http://a b"));
    EXPECT_FALSE(app.openURL("http://a\nb"));
    EXPECT_FALSE(app.openURL(""));
    EXPECT_EQ(spawned.size(), 1u);
    EXPECT_EQ(app.openedURLs(), (Log{tricky, "movuroute://x/startTitle"}));

    EXPECT_TRUE(app.canOpenURL("HTTP://example.com"));
    EXPECT_TRUE(app.canOpenURL("movuroute:"));
    EXPECT_FALSE(app.canOpenURL("itms-apps://x"));

    // A failed spawn is no success and is not recorded.
    app.setDesktopOpener([](const std::vector<std::string>&) { return false; });
    EXPECT_FALSE(app.openURL("http://example.com"));
    EXPECT_EQ(app.openedURLs().size(), 2u);
}

TEST_F(ApplicationTest, OpenWithDesktopHandsOnAnySchemeButLocalFiles) {
    std::vector<std::vector<std::string>> spawned;
    app.setDesktopOpener([&](const std::vector<std::string>& argv) {
        spawned.push_back(argv);
        return true;
    });
    const std::string mail = "mailto:a@example.com?subject=Hi%20there&body=x%26y";
    EXPECT_TRUE(app.openWithDesktop(mail));
    EXPECT_TRUE(app.openWithDesktop("sms:+15551234,+15555678?body=hello"));
    ASSERT_EQ(spawned.size(), 2u);
    EXPECT_EQ(spawned[0], (std::vector<std::string>{"xdg-open", mail}));
    // openURL's own rules are unchanged by it.
    EXPECT_FALSE(app.canOpenURL(mail));
    EXPECT_FALSE(app.openURL(mail));

    for (const char* refused :
         {"file:///etc/passwd", "FILE:/x", "--help", "no-scheme", "", "mailto:a b", "sms:1\n2"})
        EXPECT_FALSE(app.openWithDesktop(refused)) << refused;
    EXPECT_EQ(spawned.size(), 2u);
    EXPECT_EQ(app.openedURLs().size(), 2u);

    app.setDesktopOpener([](const std::vector<std::string>&) { return false; });
    EXPECT_FALSE(app.openWithDesktop(mail));
    EXPECT_EQ(app.openedURLs().size(), 2u);
}

// Libraries open files without close-on-exec; the desktop's opener, and the browser it starts,
// must not hold them. Nor does it get what the program set for its own libraries (the web
// engine's accessibility and renderer choices), only the user's environment.
TEST_F(ApplicationTest, TheDesktopOpenerInheritsOnlyTheStandardDescriptorsAndTheUsersVariables) {
    namespace fs = std::filesystem;
    platform::testing::TempDir dir;
    fs::create_symlink(MOVU_LIST_DESCRIPTORS, dir / "xdg-open");
    const char* path = std::getenv("PATH");
    platform::testing::ScopedEnv searched("PATH",
                                          dir.path().string() + ":" + (path ? path : "/usr/bin"));
    const fs::path list = dir / "descriptors";
    platform::testing::ScopedEnv listed("MOVU_DESCRIPTOR_LIST", list.string());
    platform::setLibraryEnvironment("MOVU_FOR_OUR_LIBRARIES_ONLY", "1");

    // Left open the way such a library leaves them: no close-on-exec.
    std::vector<int> leftOpen{::open("/dev/urandom", O_RDONLY), ::open("/proc/meminfo", O_RDONLY),
                              ::open(dir.path().c_str(), O_RDONLY | O_DIRECTORY)};
    int pipeEnds[2] = {-1, -1};
    ASSERT_EQ(::pipe(pipeEnds), 0);
    leftOpen.insert(leftOpen.end(), pipeEnds, pipeEnds + 2);
    for (int fd : leftOpen) ASSERT_GE(fd, 0);

    const std::string url = "https://example.com/landing?x=1";
    const bool opened = app.openURL(url);
    for (int fd : leftOpen) ::close(fd);
    ASSERT_TRUE(opened);
    // The opener is a child process: its list appears when it has run, however slow the machine.
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(60);
    while (!fs::exists(list) && std::chrono::steady_clock::now() < deadline)
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    auto text = platform::AtomicFile::read(list);
    ASSERT_TRUE(text) << "the stand-in opener never wrote its list";

    std::vector<std::string> descriptors;
    std::istringstream lines(*text);
    std::string line;
    bool gotURL = false;
    std::set<std::string> variables;
    while (std::getline(lines, line)) {
        if (line.rfind("argument ", 0) == 0)
            gotURL = gotURL || line == "argument " + url;
        else if (line.rfind("variable ", 0) == 0)
            variables.insert(line.substr(9));
        else
            descriptors.push_back(line.substr(0, line.find(' ')));
    }
    ::unsetenv("MOVU_FOR_OUR_LIBRARIES_ONLY");
    EXPECT_TRUE(gotURL) << *text;
    EXPECT_TRUE(variables.count("MOVU_DESCRIPTOR_LIST")) << *text;
    EXPECT_FALSE(variables.count("MOVU_FOR_OUR_LIBRARIES_ONLY")) << *text;
    std::sort(descriptors.begin(), descriptors.end());
    EXPECT_EQ(descriptors, (Log{"0", "1", "2"})) << *text;
    EXPECT_EQ(app.openedURLs(), (Log{url}));
}

TEST_F(ApplicationTest, StatusBarScreenAndKeyWindow) {
    Screen::mainScreen().reset();
    EXPECT_EQ(Screen::mainScreen().bounds(), (platform::Rect{0, 0, 320, 480}));
    EXPECT_EQ(Screen::mainScreen().applicationFrame(), (platform::Rect{0, 20, 320, 460}));
    app.setStatusBarHidden(true);
    EXPECT_EQ(Screen::mainScreen().applicationFrame(), (platform::Rect{0, 0, 320, 480}));
    Screen::mainScreen().setScale(2);
    Screen::mainScreen().setSize({480, 320});
    EXPECT_EQ(Screen::mainScreen().scale(), 2);
    EXPECT_EQ(Screen::mainScreen().bounds().size, (platform::Size{480, 320}));
    Screen::mainScreen().reset();

    app.setStatusBarOrientation(3);
    app.setStatusBarOrientation(3);
    app.setStatusBarOrientation(9);  // not an orientation
    EXPECT_EQ(app.statusBarOrientation(), 3);
    EXPECT_EQ(log, (Log{kDidChangeStatusBarOrientationNotification}));

    auto w = Window::create({0, 0, 320, 480});
    EXPECT_FALSE(w->isKeyWindow());
    w->makeKeyAndVisible();
    EXPECT_TRUE(w->isKeyWindow());
    EXPECT_EQ(app.keyWindow(), w);
    app.setIdleTimerDisabled(true);
    EXPECT_TRUE(app.isIdleTimerDisabled());
    EXPECT_EQ(app.supportedInterfaceOrientationsForWindow(w.get()), 1u << 1);
}

TEST_F(ApplicationTest, ABundleThatDeclaresNoStatusBarLaunchesWithoutOne) {
    namespace fs = std::filesystem;
    const fs::path folder =
        fs::temp_directory_path() / ("movu-status-bar-" + std::to_string(::getpid()));
    auto bundle = [&](const std::string& name, const char* hidden) {
        const fs::path path = folder / name;
        fs::create_directories(path);
        std::ofstream(path / "Info.plist")
            << "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<plist version=\"1.0\"><dict>"
            << "<key>UIStatusBarHidden</key><" << hidden << "/></dict></plist>\n";
        platform::Bundle::setMainBundlePath(path);
    };
    Screen::mainScreen().reset();
    bundle("shown", "false");
    app.finishLaunching();
    EXPECT_FALSE(app.isStatusBarHidden());
    EXPECT_EQ(Screen::mainScreen().applicationFrame(), (platform::Rect{0, 20, 320, 460}));

    app.reset();
    bundle("hidden", "true");
    app.finishLaunching();
    EXPECT_TRUE(app.isStatusBarHidden());
    EXPECT_EQ(Screen::mainScreen().applicationFrame(), Screen::mainScreen().bounds());
    platform::Bundle::setMainBundlePath(std::nullopt);
    fs::remove_all(folder);
}

TEST_F(ApplicationTest, BackgroundTasksRunUntilEndedOrExpired) {
    int expired = 0;
    auto a = app.beginBackgroundTask([&] { ++expired; });
    Application::BackgroundTaskId b = 0;
    b = app.beginBackgroundTask([&] {
        ++expired;
        app.endBackgroundTask(b);  // ending itself inside the handler is fine
    });
    EXPECT_NE(a, Application::kBackgroundTaskInvalid);
    EXPECT_NE(a, b);
    EXPECT_EQ(app.backgroundTaskCount(), 2u);
    app.endBackgroundTask(a);
    app.endBackgroundTask(Application::kBackgroundTaskInvalid);
    app.endBackgroundTask(12345);
    EXPECT_EQ(app.backgroundTaskCount(), 1u);
    app.expireBackgroundTasks();
    EXPECT_EQ(expired, 1);
    EXPECT_EQ(app.backgroundTaskCount(), 0u);
}
