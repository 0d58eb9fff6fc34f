#include "app/main/ProgramOptions.h"

#include <cerrno>
#include <climits>
#include <cmath>
#include <cstdlib>

namespace app {

namespace {

std::optional<long> wholeNumber(const std::string& text, long min, long max) {
    if (text.empty()) return std::nullopt;
    errno = 0;
    char* end = nullptr;
    long v = std::strtol(text.c_str(), &end, 10);
    if (errno != 0 || *end != '\0' || v < min || v > max) return std::nullopt;
    return v;
}

std::optional<double> finiteNumber(const std::string& text) {
    if (text.empty()) return std::nullopt;
    errno = 0;
    char* end = nullptr;
    double v = std::strtod(text.c_str(), &end);
    if (errno != 0 || *end != '\0' || !std::isfinite(v)) return std::nullopt;
    return v;
}

std::optional<double> positiveNumber(const std::string& text) {
    auto v = finiteNumber(text);
    if (!v || *v <= 0) return std::nullopt;
    return v;
}

// "TICK:REST": the tick (0 or more) and the rest, which must not be empty.
std::optional<std::pair<long, std::string>> tickAndRest(const std::string& text) {
    auto colon = text.find(':');
    if (colon == std::string::npos || colon + 1 >= text.size()) return std::nullopt;
    auto tick = wholeNumber(text.substr(0, colon), 0, LONG_MAX);
    if (!tick) return std::nullopt;
    return std::make_pair(*tick, text.substr(colon + 1));
}

}  // namespace

const char* ProgramOptions::usage() {
    return "usage: movuroute [options]\n"
           "  --headless         run without a window (headless EGL, stepped clock); ends\n"
           "                     after 10 seconds unless --ticks or --seconds says otherwise\n"
           "  --ticks N          end after N game ticks\n"
           "  --seconds S        end after S seconds\n"
           "  --tilt SCRIPT      feed the accelerometer: flat, a number in g, const:G,\n"
           "                     sine, sine:G:SECONDS, silent, or a file of samples: one\n"
           "                     per line, \"x y z\" (one reading each, in turn) or\n"
           "                     \"t x y z\" (from t seconds on), in g; # starts a comment\n"
           "  --seed N           fix the random sequence\n"
           "  --start-level ID   start that level at once: 1 (Normal) or 3 (Obstacles)\n"
           "  --screenshot FILE  write the last frame as PNG\n"
           "  --home DIR         keep settings, scores, caches and the keychain in DIR\n"
           "  --scale S          pixels per point (default: what fits the display)\n"
           "  --real-time        headless: pace the frames to real time, so pages, ads and\n"
           "                     the network finish within the run\n"
           "  --screenshot-at TICK:FILE\n"
           "                     write the frame at that tick (0.03 s of the run each) as\n"
           "                     PNG; repeatable\n"
           "  --tap-at TICK:X,Y  tap the window at point (X, Y) at that tick; repeatable\n"
           "  --help             this text\n"
           "Steer with the arrow keys or A/D, the mouse over the window, or by tilting a gamepad\n"
           "that has a motion sensor; P or Escape pauses.\n"
           "Files: settings, scores and caches in $MOVUROUTE_HOME, else\n"
           "$XDG_DATA_HOME/movuroute, else ~/.local/share/movuroute. The account id lives in\n"
           "the keychain file shared by the maker's programs: $MOVUROUTE_KEYCHAIN, else\n"
           "keychain in $MOVUROUTE_SHARED_HOME, else in DIR/Shared of --home, else in\n"
           "$XDG_DATA_HOME/zivivu-shared (~/.local/share/zivivu-shared).\n";
}

std::optional<ProgramOptions> ProgramOptions::parse(const std::vector<std::string>& args,
                                                    std::string* error) {
    ProgramOptions o;
    auto fail = [error](std::string text) -> std::optional<ProgramOptions> {
        if (error) *error = std::move(text);
        return std::nullopt;
    };
    for (size_t i = 0; i < args.size(); ++i) {
        const std::string& a = args[i];
        auto value = [&](std::string& out) {
            if (i + 1 >= args.size()) return false;
            out = args[++i];
            return true;
        };
        std::string v;
        if (a == "--help" || a == "-h") {
            o.help = true;
        } else if (a == "--headless") {
            o.headless = true;
        } else if (a == "--ticks") {
            if (!value(v)) return fail("--ticks needs a number");
            auto n = wholeNumber(v, 1, LONG_MAX);
            if (!n) return fail("--ticks: \"" + v + "\" is not a positive whole number");
            o.ticks = n;
        } else if (a == "--seconds") {
            if (!value(v)) return fail("--seconds needs a number");
            auto s = positiveNumber(v);
            if (!s) return fail("--seconds: \"" + v + "\" is not a positive number");
            o.seconds = s;
        } else if (a == "--tilt") {
            if (!value(o.tilt) || o.tilt.empty()) return fail("--tilt needs a script");
        } else if (a == "--seed") {
            if (!value(v)) return fail("--seed needs a number");
            auto n = wholeNumber(v, 0, UINT_MAX);
            if (!n)
                return fail("--seed: \"" + v + "\" is not a whole number 0.." +
                            std::to_string(UINT_MAX));
            o.seed = unsigned(*n);
        } else if (a == "--start-level") {
            if (!value(v)) return fail("--start-level needs a level id");
            auto n = wholeNumber(v, INT_MIN, INT_MAX);
            if (!n) return fail("--start-level: \"" + v + "\" is not a level id");
            o.startLevel = int(*n);
        } else if (a == "--screenshot") {
            if (!value(o.screenshot) || o.screenshot.empty())
                return fail("--screenshot needs a file name");
        } else if (a == "--home") {
            if (!value(o.home) || o.home.empty()) return fail("--home needs a folder");
        } else if (a == "--scale") {
            if (!value(v)) return fail("--scale needs a number");
            auto s = positiveNumber(v);
            if (!s || *s > 8) return fail("--scale: \"" + v + "\" is not a scale above 0 up to 8");
            o.scale = *s;
        } else if (a == "--real-time") {
            o.realTime = true;
        } else if (a == "--screenshot-at") {
            if (!value(v)) return fail("--screenshot-at needs TICK:FILE");
            auto parts = tickAndRest(v);
            if (!parts) return fail("--screenshot-at: \"" + v + "\" is not TICK:FILE");
            o.screenshotsAt.push_back({parts->first, parts->second});
        } else if (a == "--tap-at") {
            if (!value(v)) return fail("--tap-at needs TICK:X,Y");
            auto parts = tickAndRest(v);
            auto comma = parts ? parts->second.find(',') : std::string::npos;
            std::optional<double> x, y;
            if (comma != std::string::npos) {
                x = finiteNumber(parts->second.substr(0, comma));
                y = finiteNumber(parts->second.substr(comma + 1));
            }
            if (!x || !y) return fail("--tap-at: \"" + v + "\" is not TICK:X,Y");
            o.tapsAt.push_back({parts->first, platform::Point{*x, *y}});
        } else {
            return fail("unknown option \"" + a + "\"");
        }
    }
    return o;
}

}  // namespace app
