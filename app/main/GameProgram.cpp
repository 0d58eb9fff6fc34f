#include "app/main/GameProgram.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <limits>

#include <SDL.h>

#include "ads/Ads.h"
#include "app/appcore/MyAppCore.h"
#include "app/gameview/GameViewBase.h"
#include "appbase/JTAppContext.h"
#include "appbase/JTLevelManager.h"
#include "appbase/Random.h"
#include "online/AnnounceManager.h"
#include "platform/base/LogSink.h"
#include "platform/base/NamedDisplay.h"
#include "platform/device/Accelerometer.h"
#include "platform/device/TiltScript.h"
#include "platform/gfx/GLES1.h"
#include "platform/gfx/HeadlessContext.h"
#include "platform/gfx/Image.h"
#include "platform/gfx/WindowContext.h"
#include "platform/runtime/Clock.h"
#include "platform/runtime/MainLoop.h"
#include "platform/runtime/ManualClock.h"
#include "platform/services/gst/GstMediaPlayerBackend.h"
#include "platform/storage/AppPaths.h"
#include "platform/storage/Bundle.h"
#include "platform/ui/Application.h"
#include "platform/ui/Compositor.h"
#include "platform/ui/FrameLoop.h"
#include "platform/ui/InterfaceLoader.h"
#include "platform/ui/Screen.h"
#include "platform/ui/TouchInput.h"
#include "platform/ui/ViewClasses.h"
#include "platform/ui/Window.h"
#include "platform/web/WebEngine.h"
#include "sound/SoundObj.h"
#include "util/LogMessage.h"

namespace app {

namespace {

constexpr int kPointsWide = 320;
constexpr int kPointsHigh = 480;

// A context the app core can share: the concrete ones are made unique.
template <typename T>
std::shared_ptr<platform::gfx::GLContext> shared(std::unique_ptr<T> context) {
    return std::shared_ptr<platform::gfx::GLContext>(std::move(context));
}

constexpr double kInfinity = std::numeric_limits<double>::infinity();
// The longest single sleep: SDL counts its wait in whole milliseconds of an int.
constexpr double kLongestSleepSeconds = 3600;

double wallNow() {
    return std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

// The largest whole scale at which the window still fits the display, at least 1.
double scaleForDisplay() {
    SDL_Rect usable{};
    if (SDL_GetDisplayUsableBounds(0, &usable) != 0) return 1;
    int s = std::min(usable.w / kPointsWide, usable.h / kPointsHigh);
    return s >= 2 ? 2 : 1;
}

// SDL falls back to drivers that show nothing when no display answers: the game would play,
// unseen and without end. Only a user who asked for such a driver gets one.
bool hasDisplay() {
    const char* chosen = std::getenv("SDL_VIDEODRIVER");
    if (chosen && *chosen) return true;
    const char* driver = SDL_GetCurrentVideoDriver();
    if (!driver) return false;
    std::string name(driver);
    return name != "offscreen" && name != "dummy" && name != "evdev";
}

// SDL quietly takes a driver that shows nothing when the display turns it away, so a refusal
// is told by the driver it took (NamedDisplay.h says why a named display is asked again).
bool initVideoWithDisplay() {
    constexpr Uint32 kSystems = SDL_INIT_VIDEO | SDL_INIT_GAMECONTROLLER | SDL_INIT_EVENTS;
    const auto asking = platform::askNamedDisplay([] {
        if (SDL_Init(kSystems) != 0) return platform::DisplayAnswer::Failed;
        if (hasDisplay()) return platform::DisplayAnswer::Opened;
        SDL_Quit();
        return platform::DisplayAnswer::Refused;
    });
    switch (asking.answer) {
        case platform::DisplayAnswer::Opened:
            return true;
        case platform::DisplayAnswer::Failed:
            std::fprintf(stderr, "movuroute: SDL: %s (try --headless)\n", SDL_GetError());
            return false;
        case platform::DisplayAnswer::Refused:
            break;
    }
    if (const auto display = platform::namedDisplay()) {
        std::fprintf(stderr,
                     "movuroute: cannot open a window on the display %s (tried %d times); "
                     "use --headless\n",
                     display->c_str(), asking.attempts);
    } else {
        std::fprintf(stderr,
                     "movuroute: no display to open a window on (DISPLAY and "
                     "WAYLAND_DISPLAY are unset); use --headless\n");
    }
    return false;
}

// For the start-up benchmark: with MOVUROUTE_FRAME_LOG set, the steady-clock time of every
// frame of the first two seconds, one line each, so a run's first frame and its stalls can
// be read from outside.
void logFrame() {
    static std::FILE* log = [] {
        const char* path = std::getenv("MOVUROUTE_FRAME_LOG");
        return path && *path ? std::fopen(path, "w") : nullptr;
    }();
    static double first = -1;
    if (!log) return;
    const double now = wallNow();
    if (first < 0) first = now;
    if (now - first > 2.0) return;
    std::fprintf(log, "%.6f\n", now);
    std::fflush(log);
}

}  // namespace

GameProgram::GameProgram(ProgramOptions options, HeadlessContextMaker makeHeadless)
    : options_(std::move(options)), makeHeadless_(std::move(makeHeadless)) {}

GameProgram::~GameProgram() {
    shutDown();
}

int GameProgram::run() {
    if (!setUp()) {
        shutDown();
        return setUpStatus_;
    }
    loop();
    platform::LogSink::writeDetail("GameProgram: " + std::to_string(stats_.frames) +
                                   " frames; the longest turn of the loop took " +
                                   std::to_string(stats_.longestTurnSeconds) + " s");
    int status = pictureFailed_ ? 1 : 0;
    if (!options_.screenshot.empty()) {
        drawWindow();
        if (!savePicture(options_.screenshot)) status = 1;
    }
    platform::ui::Application::shared().terminate();
    shutDown();
    return status;
}

bool GameProgram::savePicture(const std::string& file) {
    auto image = readFrame();
    std::string error;
    if (!image || !image->savePng(file, &error)) {
        std::fprintf(stderr, "movuroute: cannot write %s: %s\n", file.c_str(),
                     image ? error.c_str() : "no frame");
        return false;
    }
    return true;
}

bool GameProgram::setUp() {
    setUpStatus_ = 1;
    if (!options_.home.empty()) platform::AppPaths::setHomeOverride(options_.home);
    // Settings and scores go to Documents at the end of a game: a home that cannot hold it
    // must fail now, with its reason, not after a game whose score is then lost.
    std::string homeError;
    if (!platform::AppPaths::ensureDirectory(platform::AppPaths::documents(), 0755, &homeError)) {
        std::fprintf(stderr, "movuroute: cannot keep files in %s: %s\n",
                     platform::AppPaths::home().c_str(), homeError.c_str());
        return false;
    }
    if (options_.seed) JTAppBase::Random::seed(*options_.seed);
    auto byTick = [](const auto& a, const auto& b) { return a.tick < b.tick; };
    std::stable_sort(options_.screenshotsAt.begin(), options_.screenshotsAt.end(), byTick);
    std::stable_sort(options_.tapsAt.begin(), options_.tapsAt.end(), byTick);
    windowed_ = !options_.headless;

    std::shared_ptr<platform::TiltScript> tilt;
    if (!options_.tilt.empty()) {
        std::string error;
        tilt = platform::TiltScript::parse(options_.tilt, &error);
        if (!tilt) {
            std::fprintf(stderr, "movuroute: %s\n", error.c_str());
            return false;
        }
    }

    double scale = options_.scale;
    std::string error;
    if (windowed_) {
        if (!initVideoWithDisplay()) return false;
        if (scale <= 0) scale = scaleForDisplay();
        context_ = shared(
            platform::gfx::WindowContext::create("Movuroute", int(std::lround(kPointsWide * scale)),
                                                 int(std::lround(kPointsHigh * scale)), &error));
    } else {
        if (scale <= 0) scale = 1;
        // The game's web service is not for unattended runs unless someone points it
        // somewhere on purpose; the discard port refuses at once.
        setenv("MOVUROUTE_WEB_URL", "http://127.0.0.1:9", 0);
        // Nor is the ad server: the SDK core page fails at once, and the game runs without ads.
        setenv("MOVUROUTE_AD_SERVER", "http://127.0.0.1:9", 0);
        // Ticks are stepped so a run replays exactly, but dates still start from today: the
        // scores a headless run stores must carry a true date.
        const double today = platform::Clock::wallSeconds();
        platform::Clock::installManual()->setWallSeconds(today);
        const int width = int(std::lround(kPointsWide * scale));
        const int height = int(std::lround(kPointsHigh * scale));
        context_ = makeHeadless_
                       ? makeHeadless_(width, height, &error)
                       : shared(platform::gfx::HeadlessContext::create(width, height, &error));
    }
    if (!context_) {
        std::fprintf(stderr, "movuroute: no GL ES 1 context: %s\n", error.c_str());
        return false;
    }
    context_->makeCurrent();

    platform::MainLoop::main().claim();
    platform::ui::Screen::mainScreen().setScale(scale);
    auto bundle = platform::Bundle::mainBundle();
    platform::ui::InterfaceLoader::setSearchDirectory((bundle->bundlePath() / "ui").string());
    platform::ui::registerViewClasses();

    appCore_ = MyAppCore::create(context_);
    window_ = platform::ui::Window::create(platform::ui::Screen::mainScreen().bounds());
    appCore_->screens().setWindow(window_);
    compositor_ = std::make_unique<platform::ui::Compositor>();
    frames_ = std::make_unique<platform::ui::FrameLoop>(
        *window_, *compositor_, [this] { drawWindow(); }, kFrameSeconds);

    auto& accelerometer = platform::Accelerometer::shared();
    if (tilt) accelerometer.setScript(tilt);
    // Headless runs tap through it too (--tap-at).
    touchInput_ = std::make_unique<platform::ui::TouchInput>(window_);
    if (windowed_) {
        installSleeper();
        int w = 0, h = 0;
        SDL_GetWindowSize(static_cast<platform::gfx::WindowContext&>(*context_).window(), &w, &h);
        touchInput_->setViewportSize(w, h);
        accelerometer.setWindowWidth(w);
    }

    auto& app = platform::ui::Application::shared();
    app.setDelegate(appCore_);
    // Web views asked for while launching wait for WebKit until the first frame is up.
    platform::web::WebEngine::deferUntilFirstFrame();
    // An ad's video plays through GStreamer. Only the factory is set here: GStreamer itself
    // starts when the first ad asks for a player, so a run without video ads never loads it.
    platform::services::GstMediaPlayerBackend::install();
    // The ads library starts up when the application has finished launching: its rooms must
    // have registered and it must be listening before that happens.
    ads::load();
    app.finishLaunching();
    app.becomeActive();

    if (options_.startLevel) {
        auto context = appCore_->appContext();
        auto manager = context ? context->getLevelManager() : nullptr;
        std::vector<int32_t> ids = manager ? manager->getLevelIds() : std::vector<int32_t>{};
        if (std::find(ids.begin(), ids.end(), *options_.startLevel) == ids.end()) {
            std::string known;
            for (int32_t id : ids) known += (known.empty() ? "" : ", ") + std::to_string(id);
            std::fprintf(stderr, "movuroute: --start-level: no level %d (levels: %s)\n",
                         *options_.startLevel, known.c_str());
            setUpStatus_ = 2;
            return false;
        }
        // As START on the title does it: the title leaves before the game comes.
        appCore_->setCurrentLevelId(*options_.startLevel);
        appCore_->startGameViewFromTitle();
    }
    if (!windowed_) awaitServiceCheck();
    return true;
}

void GameProgram::awaitServiceCheck() {
    // The launch starts the web service check on a pool thread, and its answer reaches the
    // main loop whenever the thread is done: left alone it lands on a frame that depends on
    // how the machine schedules threads, and what it changes (the banner, the popup settings)
    // would come at a different moment in two runs of one seed. Headless, the manual clock
    // stands still until the answer is in, so it always lands before the first frame. The
    // check's own request time-out ends it; the turn count only keeps a run from hanging.
    auto& announce = online::AnnounceManager::sharedAnnounceManager();
    auto& mainLoop = platform::MainLoop::main();
    for (int turn = 0; announce.isDownloading() && turn < kServiceCheckTurns; ++turn)
        mainLoop.runOnce(0.1);
    if (announce.isDownloading())
        std::fprintf(stderr, "movuroute: the service check is still running; frames may vary\n");
}

std::shared_ptr<GameViewBase> GameProgram::gameView() const {
    if (!appCore_) return nullptr;
    return std::dynamic_pointer_cast<GameViewBase>(
        appCore_->currentOrientationDependedInfo().gameView);
}

void GameProgram::installSleeper() {
    wakeEvent_ = SDL_RegisterEvents(1);
    if (wakeEvent_ == std::uint32_t(-1)) return;  // the loop then sleeps on its own, as headless
    const std::uint32_t type = wakeEvent_;
    platform::MainLoop::Sleeper sleeper;
    sleeper.sleep = [](double seconds) {
        // Rounded up: waking a little early would only find nothing due and sleep again.
        const double ms = std::ceil(std::min(seconds, kLongestSleepSeconds) * 1000.0);
        SDL_WaitEventTimeout(nullptr, int(ms));
    };
    sleeper.interrupt = [type] {
        SDL_Event e{};
        e.type = type;
        SDL_PushEvent(&e);
    };
    platform::MainLoop::main().setSleeper(std::move(sleeper));
}

double GameProgram::endTime(double started) const {
    double end = kInfinity;
    if (options_.seconds) end = started + *options_.seconds;
    if (options_.ticks)
        end = std::min(end, started + double(*options_.ticks) * kNominalTickSeconds + 1.0);
    if (!windowed_ && !options_.seconds && !options_.ticks) end = started + 10.0;
    return end;
}

double GameProgram::nextMomentTime(double started) const {
    double next = kInfinity;
    if (tapToLift_) return platform::Clock::monotonic();
    if (nextScreenshot_ < options_.screenshotsAt.size())
        next = double(options_.screenshotsAt[nextScreenshot_].tick) * kNominalTickSeconds;
    if (nextTap_ < options_.tapsAt.size())
        next = std::min(next, double(options_.tapsAt[nextTap_].tick) * kNominalTickSeconds);
    return started + next;
}

bool GameProgram::finished(double started) const {
    if (quit_) return true;
    double elapsed = platform::Clock::monotonic() - started;
    if (options_.seconds && elapsed >= *options_.seconds) return true;
    if (options_.ticks) {
        auto view = gameView();
        if (view && view->tickCount() >= *options_.ticks) return true;
        // No game, or one that ended early: as long as the ticks would have taken.
        if (elapsed >= double(*options_.ticks) * kNominalTickSeconds + 1.0) return true;
    }
    // A headless run always ends.
    if (!windowed_ && !options_.seconds && !options_.ticks && elapsed >= 10.0) return true;
    return false;
}

void GameProgram::loop() {
    auto& mainLoop = platform::MainLoop::main();
    const std::uint64_t sleepsBefore = mainLoop.sleepCount();
    double started = platform::Clock::monotonic();
    double wallStarted = wallNow();
    while (!finished(started)) {
        const double turnStarted = wallNow();
        const double sleptBefore = mainLoop.sleptSeconds();
        bool drew = false;
        if (windowed_) {
            if (!pumpEvents()) break;
            // A still window sleeps until an event, a timer, posted work or a change comes, or
            // the next moment or the run's end.
            const double until = std::min(endTime(started), nextMomentTime(started));
            drew = frames_->turn(until - platform::Clock::monotonic());
        } else {
            mainLoop.advance(kFrameSeconds);
            ++stats_.steps;
            if (frames_->frameWanted()) {
                frames_->draw();
                drew = true;
            }
        }
        runMoments(started, drew);
        if (!windowed_ && options_.realTime) paceToRealTime(wallStarted, started);
        const bool engineReady = platform::web::WebEngine::isReady();
        const double turn = wallNow() - turnStarted - (mainLoop.sleptSeconds() - sleptBefore);
        stats_.longestTurnSeconds = std::max(stats_.longestTurnSeconds, turn);
        // A turn long enough to be seen, and when; the web engine's start after the first
        // frame takes a turn or two of that, which are the program's, not a page's.
        if (turn >= kLongTurnSeconds) {
            platform::LogSink::writeDetail("GameProgram: a turn of the loop took " +
                                           std::to_string(turn) + " s at " +
                                           std::to_string(turnStarted - wallStarted) + " s" +
                                           (engineReady ? "" : " (the web engine starting)"));
        }
    }
    stats_.loopSeconds = wallNow() - wallStarted;
    stats_.wakeUps = long(mainLoop.sleepCount() - sleepsBefore);
    if (auto view = gameView()) stats_.ticks = view->tickCount();
}

void GameProgram::runMoments(double started, bool drewFrame) {
    const long tick = long((platform::Clock::monotonic() - started) / kNominalTickSeconds);
    // A tap lasts one frame: down on the frame of its tick, up on the next.
    if (tapToLift_ && touchInput_) {
        touchInput_->touchUp(kTapTouchId, *tapToLift_);
        tapToLift_.reset();
    }
    const auto& shots = options_.screenshotsAt;
    // A picture is of the window as it is now: drawn again if this turn drew nothing, since a
    // window's back buffer is not kept after it was shown.
    if (!drewFrame && nextScreenshot_ < shots.size() && shots[nextScreenshot_].tick <= tick)
        frames_->draw();
    for (; nextScreenshot_ < shots.size() && shots[nextScreenshot_].tick <= tick;
         ++nextScreenshot_) {
        if (!savePicture(shots[nextScreenshot_].file)) pictureFailed_ = true;
    }
    const auto& taps = options_.tapsAt;
    if (!tapToLift_ && nextTap_ < taps.size() && taps[nextTap_].tick <= tick && touchInput_) {
        touchInput_->touchDown(kTapTouchId, taps[nextTap_].point);
        tapToLift_ = taps[nextTap_].point;
        ++nextTap_;
    }
}

void GameProgram::paceToRealTime(double wallStarted, double started) {
    auto& mainLoop = platform::MainLoop::main();
    // Meanwhile the main loop turns: web pages and network answers arrive in real time.
    const double due = wallStarted + double(stats_.steps) * kFrameSeconds;
    for (double now = wallNow(); now < due; now = wallNow())
        mainLoop.runOnce(std::min(0.005, due - now));
    if (frames_->frameWanted()) return;
    // A still screen: nothing happens before the step of the next timer, moment or end, so
    // the loop sleeps until the step before it, or until work or a change arrives.
    const double now = platform::Clock::monotonic();
    const double next =
        std::min({mainLoop.nextFireDate(), nextMomentTime(started), endTime(started)});
    if (!(next > now)) return;
    const double idleSteps = std::ceil((next - now) / kFrameSeconds) - 1;
    if (!(idleSteps >= 1)) return;
    const long lastStep = stats_.steps + long(std::min(idleSteps, 1e9));
    const double until = wallStarted + double(lastStep) * kFrameSeconds;
    for (double wall = wallNow(); wall < until; wall = wallNow()) {
        if (mainLoop.runOnce(std::min(until - wall, kLongestSleepSeconds)) ||
            frames_->frameWanted())
            break;
    }
    // The steps the wall clock has passed, undrawn; the loop draws the next one if it shows
    // anything new.
    const long passed = std::min(lastStep, long((wallNow() - wallStarted) / kFrameSeconds));
    while (stats_.steps < passed && !frames_->frameWanted()) {
        mainLoop.advance(kFrameSeconds);
        ++stats_.steps;
    }
}

bool GameProgram::pumpEvents() {
    auto& app = platform::ui::Application::shared();
    auto& accelerometer = platform::Accelerometer::shared();
    SDL_Event e;
    while (SDL_PollEvent(&e)) {
        // The main loop's wake-up only ends a sleep; anything else may change the picture.
        if (wakeEvent_ != 0 && e.type == wakeEvent_) continue;
        if (frames_) frames_->noteInput();
        switch (e.type) {
            case SDL_QUIT:
                return false;
            case SDL_WINDOWEVENT:
                if (e.window.event == SDL_WINDOWEVENT_SIZE_CHANGED) {
                    if (touchInput_) touchInput_->setViewportSize(e.window.data1, e.window.data2);
                    accelerometer.setWindowWidth(e.window.data1);
                } else if (e.window.event == SDL_WINDOWEVENT_MINIMIZED) {
                    app.resignActive();
                    app.enterBackground();
                } else if (e.window.event == SDL_WINDOWEVENT_RESTORED &&
                           app.applicationState() == platform::ui::ApplicationState::Background) {
                    app.enterForeground();
                    app.becomeActive();
                }
                break;
            case SDL_KEYDOWN:
                if (!e.key.repeat && (e.key.keysym.scancode == SDL_SCANCODE_P ||
                                      e.key.keysym.scancode == SDL_SCANCODE_ESCAPE)) {
                    // The keyboard's pause button: the same countdown as a touch on it; on
                    // the pause screen the same key resumes.
                    auto view = gameView();
                    if (view && view->active()) {
                        if (view->pauseBtnEnable()) view->enterPause();
                    } else if (appCore_) {
                        appCore_->resumeFromPauseScreen();
                    }
                }
                break;
            default:
                break;
        }
        accelerometer.handleEvent(e);
        if (touchInput_) touchInput_->handleEvent(e);
    }
    return true;
}

void GameProgram::drawWindow() {
    if (!context_ || !window_ || !compositor_) return;
    context_->makeCurrent();
    compositor_->drawFrame(*window_, context_->width(), context_->height());
    if (windowed_) context_->present();
    ++stats_.frames;
    logFrame();
    if (stats_.frames == 1) platform::web::WebEngine::firstFrameDrawn();
}

std::optional<platform::gfx::Image> GameProgram::readFrame() {
    if (!context_) return std::nullopt;
    if (auto* headless = dynamic_cast<platform::gfx::HeadlessContext*>(context_.get()))
        return headless->readPixels();
    // A window: the frame just drawn is still in the back buffer.
    int w = context_->width(), h = context_->height();
    auto image = platform::gfx::Image::blank(w, h);
    std::vector<std::uint8_t> rows(size_t(w) * h * 4);
    auto& g = platform::gfx::gl();
    g.glPixelStorei(GL_PACK_ALIGNMENT, 1);
    g.glReadPixels(0, 0, w, h, GL_RGBA, GL_UNSIGNED_BYTE, rows.data());
    for (int y = 0; y < h; ++y) {
        const std::uint8_t* src = &rows[size_t(h - 1 - y) * w * 4];
        for (int x = 0; x < w; ++x)
            image.setPixel(x, y, src[x * 4], src[x * 4 + 1], src[x * 4 + 2], 255);
    }
    return image;
}

void GameProgram::shutDown() {
    auto& app = platform::ui::Application::shared();
    if (appCore_) {
        appCore_->stopAllViews();
        app.setDelegate({});
    }
    platform::Accelerometer::shared().reset();
    touchInput_.reset();
    // Views and textures let go of their GL objects while the context is still there, and the
    // app core's sounds while the engine is: nothing else holds the app core, so this is where
    // it and all it owns are destroyed.
    if (context_) context_->makeCurrent();
    frames_.reset();
    compositor_.reset();
    window_.reset();
    appCore_.reset();
    // The sound engine goes down with the program, at a known point; the engine would also go
    // down at exit ahead of the audio library, but a program that stops should stop its sound.
    sound::SoundObj::teardown();
    context_.reset();
    if (windowed_) {
        platform::MainLoop::main().setSleeper({});
        SDL_Quit();
    }
    windowed_ = false;
}

}  // namespace app
