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
    // The view ended its page, which made frames or page messages without end (see
    // kPageNavigationsPerSecond) or asked for an address longer than a page may
    // (WebView::kMaxUrlLength); the view can load again.
    kWebViewErrorPageEnded = 4,
    // A script's string value was longer than its caller takes (WebView::kLongestScriptValue),
    // and was refused in the page's own process before anything converted it.
    kWebViewErrorScriptValueTooLong = 5,
};

// What a page may cost the other pages of its web process (every view may share one) before the
// process is ended and each of its views hears so (webViewWebProcessDidEnd).
//
// Hung: a process that has not answered for kWebProcessUnresponsiveSeconds after the engine
// noticed (which takes it three seconds without an answer).
//
// Memory: one whose resident memory passes kWebProcessMemoryEndMegabytes is ended by a watch
// inside it, which ends the process itself without waiting for the page's thread. A process
// takes memory only as fast as its threads run, so the watch looks again once the process has
// used the CPU time its headroom would take at the fastest growth (ProcessWatch.h), and
// never sooner than kWebProcessMemoryLookSeconds of the process's CPU time after its last look:
// a page that rests costs the watch next to nothing, and one that allocates on four cores is
// looked at every 2.5 ms near the limit. The resident memory sampled from outside stays under
// the end plus kWebProcessMemoryMarginMegabytes even while a page allocates as fast as it can
// (a hundredth of a CPU second at the fastest growth a page's threads reached here is a few
// tens of megabytes; the rest is room for a watch thread that a loaded machine schedules late;
// a wait of real time instead let four allocating threads take the whole margin).
// kWebProcessMemoryLimitMegabytes is the engine's own ceiling, should that watch fail. An ads
// process holds a few hundred megabytes at most, a busy landing page included; a gigabyte is
// well past that and well short of what makes a desktop swap.
//
// Cores: a process whose threads were runnable (running, or ready and waiting for a core) for
// more than kWebProcessBusySeconds between them within the last kWebProcessBusyWindowSeconds is
// ended. Honest pages sleep between frames: an animation or a video wakes its threads sixty
// times a second and lets them rest in between (a CSS animation: about a tenth of a core here,
// a third with its waits on two cores shared with six spinning threads), and even a heavy page
// load keeps one or two threads busy for a few seconds. A script that never rests, or rests
// 5 ms in 2.5 s, burns a thread all the time and is ended after the budget; four Web Workers
// that never rest burn it four times as fast, and eight that rest a third of each half second
// five times as fast. Waiting for a core counts, so a loaded machine does not let a spinning
// page last longer; but a thread of a lower priority than normal (the game started under nice)
// that rests now and then counts its wait in proportion to its scheduler weight, the wait its
// work would have had at normal priority, since beside normal-priority programs it waits by
// design (an animation at nice 15 waited for 82% of a core and ran 3%). A thread that never
// rests between two looks counts its whole wait at any priority (BusyLedger).
inline constexpr double kWebProcessUnresponsiveSeconds = 10;
inline constexpr unsigned kWebProcessMemoryEndMegabytes = 1024;
inline constexpr unsigned kWebProcessMemoryMarginMegabytes = 96;
inline constexpr unsigned kWebProcessMemoryLimitMegabytes = 1536;
inline constexpr double kWebProcessMemoryLookSeconds = 0.01;
inline constexpr double kWebProcessBusySeconds = 15;
inline constexpr double kWebProcessBusyWindowSeconds = 20;

// What one page of an ad or a landing page (the shared context) may ask of the program's main
// thread, where every navigation it starts is decided: each frame it adds (an empty one too),
// each page message (a frame's navigation), each link or script navigation, each window.open.
// WebKit does work of its own in the program for each of them, whatever the answer (it keeps a
// record of every frame's load until the page's process ends), so a page that adds 200 frames
// every 10 ms took the game 5-7 s of CPU every 10 s. A page may start kPageNavigationBurst at
// once and kPageNavigationsPerSecond after that; the rest are refused before anything of ours
// looks at them, with one line in the log. One that is refused kPageFloodNavigations times
// within kPageFloodWindowSeconds is flooding, and the view ends it: it loads an empty page in
// its place and tells its owner the page is gone (kWebViewErrorPageEnded). The ads' pages start a
// dozen navigations in a second at most (a creative loading, its MRAID calls, its reports).
// The program's own pages (the service context) answer to no such budget: the SDK core page
// may ask for hundreds of fetches at once.
inline constexpr double kPageNavigationsPerSecond = 50;
inline constexpr double kPageNavigationBurst = 100;
inline constexpr unsigned kPageFloodNavigations = 100;
inline constexpr double kPageFloodWindowSeconds = 10;

// Of those, what a page may send its owner as messages (navigations to the scheme the owner
// names, WebViewSettings::messageScheme; PageMessages.h), each of which the owner parses and
// acts on: kPageMessageBurst at once and kPageMessagesPerSecond after that. The rest are
// refused before anything of ours copies them, with one line in the page's log. An ad's page
// sends a few dozen messages as it loads (its MRAID calls, its reports: the burst of 80 in the
// tests arrives whole) and a few a second at most after that.
inline constexpr double kPageMessagesPerSecond = 10;
inline constexpr double kPageMessageBurst = 100;

// What the pages of one web context may keep in its network process, which holds their Blobs,
// their stored data (IndexedDB, local storage: the engine keeps an ephemeral context's in
// memory, with no quota) and their connections. Past kNetworkProcessStoredDataMegabytes of
// resident memory the context's stored data is cleared, as a quota's eviction would; past
// kNetworkProcessMemoryEndMegabytes its web processes are ended (what a page held goes with
// them), and a network process still over that a second later, or over the end plus
// kNetworkProcessMemoryMarginMegabytes at any time, is ended itself (the engine starts
// another). A watch of the program's own looks again once the network process has used the CPU
// time the headroom to the next of those levels would take at the fastest growth, never sooner
// than kNetworkProcessMemoryLookSeconds after its last look, and by the second's end while its
// pages are being ended. A network process holds under a hundred megabytes for ads that fetch
// their pictures and videos.
inline constexpr unsigned kNetworkProcessStoredDataMegabytes = 256;
inline constexpr unsigned kNetworkProcessMemoryEndMegabytes = 768;
inline constexpr unsigned kNetworkProcessMemoryMarginMegabytes = 256;
inline constexpr double kNetworkProcessEndGraceSeconds = 1;
inline constexpr double kNetworkProcessMemoryLookSeconds = 0.02;

// Which web context a view's pages run in, chosen when the view is made. Shared: every ad and
// landing page, in one web process. Service: the program's own pages (the SDK core page) in a
// context of their own (their own web process and network session), so a creative can neither
// hold up their requests behind its own nor take their process down with it.
enum class WebViewContext { Shared, Service };

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
    // The scheme of the page's messages to the view's owner ("" for none): navigations to it
    // spend the page's budget of messages (kPageMessagesPerSecond).
    std::string messageScheme;

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
