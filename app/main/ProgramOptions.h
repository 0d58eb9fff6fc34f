#pragma once

// The command line of movuroute.

#include <optional>
#include <string>
#include <vector>

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

    // nullopt with the reason in *error for an unknown option or a bad value.
    static std::optional<ProgramOptions> parse(const std::vector<std::string>& args,
                                               std::string* error);
    static const char* usage();
};

}  // namespace app
