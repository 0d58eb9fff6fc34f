#pragma once

// Plain values a WebView takes and gives: its settings, its pictures and the input it forwards.

#include <cstdint>
#include <string>
#include <vector>

#include "platform/base/Color.h"
#include "platform/base/Geometry.h"

namespace platform::web {

// Errors of the engine itself (network failures use kUrlErrorDomain).
inline constexpr const char* kWebViewErrorDomain = "MovurouteWebView";
enum WebViewErrorCode : std::int64_t {
    // No display could be opened, so no page can ever load in this process.
    kWebViewErrorNoDisplay = 1,
    // The process that ran the page crashed or was killed; the view can load again.
    kWebViewErrorWebProcessEnded = 2,
    // A URL the page (or the caller) gave was overlong or malformed.
    kWebViewErrorBadUrl = 3,
};

// What a page may cost the other pages of its web process (every view may share one) before the
// process is ended and each of its views hears so (webViewWebProcessDidEnd). A process that has
// not answered for kWebProcessUnresponsiveSeconds after the engine noticed (which takes it three
// seconds without an answer) has hung. One whose resident memory passes
// kWebProcessMemoryEndMegabytes is ended, within a twentieth of a second and what ending it
// takes; kWebProcessMemoryLimitMegabytes is the ceiling it stays under meanwhile, even while a
// page allocates as fast as it can. An ads process holds a few hundred megabytes at most, a
// busy landing page included; a gigabyte is well past that and well short of what makes a
// desktop swap.
inline constexpr double kWebProcessUnresponsiveSeconds = 10;
inline constexpr unsigned kWebProcessMemoryEndMegabytes = 1024;
inline constexpr unsigned kWebProcessMemoryLimitMegabytes = 1536;

struct WebViewSettings {
    // These change how the page behaves.
    bool scrollEnabled = true;
    // The desktop's permanent scroll bars; without them the page still scrolls.
    bool showsScrollBars = true;
    bool mediaPlaybackRequiresUserAction = true;
    bool opaque = true;
    // Shown where the page draws nothing; with opaque off, a clear colour lets the view tree
    // show through.
    Color backgroundColor = Color::whiteColor();

    // Recorded for the callers that set and read them; the engine has no counterpart (the
    // wheel events a page gets never overscroll, so there is no bounce to turn off).
    bool bounces = true;
    bool scalesPageToFit = false;
    bool allowsInlineMediaPlayback = false;
    bool mediaPlaybackAllowsAirPlay = true;
    bool scrollsToTop = true;
    bool clipsToBounds = false;
    unsigned dataDetectorTypes = 0;

    friend bool operator==(const WebViewSettings&, const WebViewSettings&) = default;
};

// A picture of the page: premultiplied RGBA, rows top to bottom, width * 4 bytes each.
struct WebSnapshot {
    int width = 0;
    int height = 0;
    std::vector<std::uint8_t> rgba;

    bool empty() const { return width <= 0 || height <= 0; }
    // The premultiplied pixel at (x, y), packed as 0xRRGGBBAA; 0 outside the picture.
    std::uint32_t pixel(int x, int y) const;
};

// Input forwarded to the page, in the view's points (origin top left).
struct WebMouseEvent {
    enum class Type { Down, Up, Move };
    Type type = Type::Move;
    Point location;
    // 1 primary, 2 middle, 3 secondary.
    int button = 1;
};

struct WebScrollEvent {
    Point location;
    // Points to scroll the page by (positive: content moves up / left, as a wheel turned
    // towards the user).
    double deltaX = 0;
    double deltaY = 0;
};

struct WebKeyEvent {
    bool down = true;
    // An X keysym (letters, digits, Return 0xff0d, BackSpace 0xff08, arrows 0xff51-0xff54, ...).
    unsigned keysym = 0;
    // Modifier bits: 1 shift, 4 control, 8 alt.
    unsigned modifiers = 0;
};

}  // namespace platform::web
