#pragma once

// The command line of movuroute.

#include <optional>
#include <string>
#include <vector>

#include "platform/base/Geometry.h"

namespace app {

struct ProgramOptions {
    bool help = false;
    // No window: headless EGL and a clock that steps one frame at a time, so a run is the
    // same on every machine and as fast as the machine draws.
    bool headless = false;
    std::optional<long> ticks;
    std::optional<double> seconds;
    std::string tilt;
    std::optional<unsigned> seed;
    std::optional<int> startLevel;
    std::string screenshot;
    std::string home;
    // Pixels per point; 0 picks one that fits the display.
    double scale = 0;
    // Headless: each frame waits for the real time it stands for, so pages, ads and the
    // network, which run in real time, finish within the run.
    bool realTime = false;
    // Moments of a run counted in ticks of its time (kNominalTickSeconds each, from the first
    // frame): pictures to take and taps to make then, each at most once, in order.
    struct ScreenshotAt {
        long tick = 0;
        std::string file;
    };
    struct TapAt {
        long tick = 0;
        platform::Point point;  // window points
    };
    std::vector<ScreenshotAt> screenshotsAt;
    std::vector<TapAt> tapsAt;

    // nullopt with the reason in *error for an unknown option or a bad value.
    static std::optional<ProgramOptions> parse(const std::vector<std::string>& args,
                                               std::string* error);
    static const char* usage();
};

}  // namespace app
