#pragma once

// The program around the app core: the application object, its window and GL context, the app
// delegate, and the loop that pumps input events, runs the main-loop queue and timers, and has
// the compositor draw the window.
//
// With a window the loop follows the real clock and draws at the display's pace. Headless, a
// manual clock steps one frame (1/60 s) at a time: timers fire at their exact times, a run is
// the same on every machine given a seed and a tilt script, and it takes as long as drawing
// takes, not as long as playing would.
//
// A frame is drawn only when the window would show something new (the compositor's
// needsFrame, or input): on a still screen the window's loop sleeps in SDL's event wait until
// an event, the next main-loop timer, posted work or a display change wakes it, and a
// real-time headless run sleeps the same way, taking the frames it slept through undrawn.

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "app/main/ProgramOptions.h"
#include "platform/base/Geometry.h"

namespace platform::gfx {
class GLContext;
class Image;
}  // namespace platform::gfx
namespace platform::ui {
class Window;
class Compositor;
class FrameLoop;
class TouchInput;
}  // namespace platform::ui

namespace app {

class MyAppCore;
class GameViewBase;

class GameProgram {
  public:
    static constexpr double kFrameSeconds = 1.0 / 60.0;
    // A turn of the loop this long is written down (MOVUROUTE_LOG_DETAIL=1): six frames missed.
    static constexpr double kLongTurnSeconds = 0.1;
    // The tick length a run counts when no game runs (for --ticks).
    static constexpr double kNominalTickSeconds = 0.03;
    // How many turns of the main loop (each a tenth of a second at most) a headless run
    // waits for the launch's service check: longer than the check's request time-outs.
    static constexpr int kServiceCheckTurns = 900;
    // The touch of --tap-at (the mouse is -1, fingers count from 0).
    static constexpr long kTapTouchId = 1000;

    // Makes the surface of a headless run; empty makes a HeadlessContext. Tests hand in their
    // own to watch what happens while the context still exists.
    using HeadlessContextMaker = std::function<std::shared_ptr<platform::gfx::GLContext>(
        int width, int height, std::string* error)>;

    explicit GameProgram(ProgramOptions options, HeadlessContextMaker makeHeadless = {});
    ~GameProgram();
    GameProgram(const GameProgram&) = delete;
    GameProgram& operator=(const GameProgram&) = delete;

    // Sets up, runs until the end condition or the window closes, shuts down. Answers the
    // exit status: 0; 1 when the program could not start or write its screenshot; 2 for a
    // --start-level the game does not have.
    int run();

    // What a run did (benchmarks, tests).
    struct Stats {
        long frames = 0;         // windows drawn
        long steps = 0;          // headless: frame steps of the manual clock
        long ticks = 0;          // game ticks of the last game view
        long wakeUps = 0;        // times the main loop slept and woke again
        double loopSeconds = 0;  // wall time spent in the loop
        // The longest turn of the loop, asleep time apart: how long the window went without a
        // frame while the main thread worked (a page's flood of the engine's messages, say).
        double longestTurnSeconds = 0;
    };
    const Stats& stats() const { return stats_; }

  private:
    bool setUp();
    void awaitServiceCheck();
    void loop();
    bool pumpEvents();
    void drawWindow();
    bool finished(double started) const;
    // Clock time at which the run ends on its own, or infinity.
    double endTime(double started) const;
    // Takes the pictures and makes the taps whose tick has come.
    void runMoments(double started, bool drewFrame);
    // Clock time of the next picture or tap, or infinity.
    double nextMomentTime(double started) const;
    // Waits, turning the main loop, until the real time of `steps` frames since the start. On
    // a still screen it waits on, up to the step before the next timer, moment or end, and
    // takes the steps passed meanwhile without drawing them.
    void paceToRealTime(double wallStarted, double started);
    // The window's loop sleeps in SDL's event wait, which main-loop work interrupts.
    void installSleeper();
    bool savePicture(const std::string& file);
    std::shared_ptr<GameViewBase> gameView() const;
    std::optional<platform::gfx::Image> readFrame();
    void shutDown();

    ProgramOptions options_;
    HeadlessContextMaker makeHeadless_;
    Stats stats_;
    std::shared_ptr<platform::gfx::GLContext> context_;
    bool windowed_ = false;
    std::shared_ptr<MyAppCore> appCore_;
    std::shared_ptr<platform::ui::Window> window_;
    std::unique_ptr<platform::ui::Compositor> compositor_;
    std::unique_ptr<platform::ui::FrameLoop> frames_;
    std::unique_ptr<platform::ui::TouchInput> touchInput_;
    bool quit_ = false;
    std::uint32_t wakeEvent_ = 0;
    std::size_t nextScreenshot_ = 0;
    std::size_t nextTap_ = 0;
    std::optional<platform::Point> tapToLift_;
    bool pictureFailed_ = false;
    int setUpStatus_ = 1;
};

}  // namespace app
