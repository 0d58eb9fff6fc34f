#pragma once

// What the program and its web-process extension agree on. The extension gets, at start-up,
// the tuple kWebExtensionStartupType: (token, file names, memory limit in megabytes (0: none),
// shortest wait between two looks at the memory in seconds, busy seconds, busy window in
// seconds (0: no watch of the cores), report address, whether its pages answer to the pages'
// navigation budget (the shared context's do, the program's own do not))
// and later the message kWebExtensionNamesMessage carrying the new file names (an array of
// strings). It redirects every http(s) subresource whose last path component is one of the
// names to
//   movuroute-resource://intercept/?t=<token>&u=<original URL>&r=<Referer>
// (values percent-encoded), which the program serves (WebKitRuntime).
//
// Reports go to the program as datagrams on the report address (a Linux abstract Unix socket
// name, without the leading NUL), each "<token> <what> <value> <process id>": "page <id>" for
// every page the process makes (webkit_web_page_get_id), so the program knows which process
// runs which view; "flood <id>" for a page that went on past its budget of same-document
// navigations (below), which the program ends at once: this road is not queued behind the
// messages the page sent the engine meanwhile. The program stops the reporting process as the
// report arrives (SIGSTOP) and lets it go on once it has ended the page (SIGCONT). Once the
// process's resident memory passes the limit, or its threads have been busy past the budget
// (BusyLedger), the extension ends its own process at once, from a thread of its own; just
// before, it reports why: "memory <megabytes>" or "busy <seconds>". The program logs it and
// forgets the process at once (WebKit notices a moment later);
// the views of that process hear that it ended, as after a crash.
//
// Navigations for frames only (FrameOnlyNavigations.h): as the program lets such a navigation
// through, it sends the view's page kWebExtensionFrameOnlyMessage, "(ts)": its number and
// address, ahead of the answer on the same connection. The first document request of that
// address from the page then tells the program whose it was, kWebExtensionFrameOnlyTargetMessage,
// "(tb)": the number and whether it is the page's own, which the extension turns, before it is
// sent, into a request of kWebExtensionHeldBackAddress with "?t=<token>", which the program
// fails at once and silently; a frame's goes on. (WebKit puts an empty document in place of a page
// whose load is cancelled before its first request; a load that fails leaves the page as it was.)
// kWebExtensionForgetFrameOnlyMessage, without parameters, sent as the program loads a new page in
// the view, drops every address the page's extension still holds, and renews the page's budget
// of history changes (below).
//
// The program's own scripts: WebKitGTK runs every script its view is asked to evaluate as a
// user gesture (the page reads navigator.userActivation.isActive inside it, and hasBeenActive
// stays true after it), so a page the player never touched could speak, resume an
// AudioContext or play sound while it handled one of the game's events. The program sends
// them to the page instead, kWebExtensionRunScriptMessage, "(ayu)": the script's bytes and the
// longest value the program takes, in characters (UTF-16 code units, as the page counts a
// string's length), 0 when it takes none. The extension runs it in the main frame's page world,
// as the engine's own scripts run with no input at all, and replies kWebExtensionRunScriptReply,
// "(bbay)": whether it ran without an exception, whether its value is a string, number or
// boolean, and that value as text, or a short line of its own when there is no value to give.
// A script's value is whatever the page's functions inside it returned, so nothing of it is
// converted that the program did not ask for: no value at all when it takes none, a string's
// length measured before it is converted and the string refused past the longest asked for, and
// of an exception only that there was one (its name, message and the thrown value's conversion
// to text are the page's own code to run, and its text as long as the page likes).
// Same-document navigations: a page's fragment navigations (location.hash, a link to "#x") and
// history changes (history.pushState, replaceState) load nothing, yet the engine hands each new
// address to the program, whole: a fragment is navigated to at once, while the program's answer
// is still to come (so refusing it there changes nothing), and a history change asks nothing at
// all. A page that set location.hash to a new 100 KB text ten times a task, task after task,
// queued hundreds of megabytes in the program before the program had read enough of them to
// end it. So a budgeted page spends a budget in its own process on each of them, as large as
// the program's budget of its navigations (kPageNavigationsPerSecond, kPageNavigationBurst),
// each costing one navigation and one more for every kWebExtensionInPlaceBytesPerNavigation
// of its address (the engine copies the address into several messages for each, its policy
// question, the history entry and the change itself, and keeps the entries), at the moment
// the page makes it: its main frame's address changing (the page's "uri"), a frame's
// fragment changing ("hashchange", heard first in each frame's realm), and a history change,
// which is ignored there once the budget is spent (every call counts, the ones the engine
// itself would refuse past its own 100 in 10 s too). Once kPageFloodNavigations have gone over
// the budget within kPageFloodWindowSeconds the extension reports "flood" with the page's id,
// and sends the view kWebExtensionPageFloodMessage (the same word by the ordered road, for a
// program that has no report socket): the program ends the page as it ends a page that floods
// it with navigations, its scripts first. The budget is whole again when the program loads a
// page in the view (kWebExtensionForgetFrameOnlyMessage).
//
// Taps: as the program forwards the player's touch of a view to the engine, it sends the
// view's page kWebExtensionTappedMessage, without parameters, ahead of the touch on the same
// connection. Until then, what the page may do only once its player has touched it (speak) is
// refused in the page's own process. The page's next document starts untouched again.
//
// Output: the extension points its process's standard output and error (and GLib's messages,
// written there one line each, without time stamps) at a stream socket whose address is the
// report address followed by kWebExtensionOutputSuffix, and sends the token as the first line.
// The program reads it with WebProcessOutput and logs its lines out of a budget of that process
// (one web process serves many ads, and its lines do not say whose they are). A process that
// cannot connect writes to /dev/null instead: none writes into the game's standard error.

#include <sys/socket.h>
#include <sys/un.h>

#include <cerrno>
#include <climits>
#include <cmath>
#include <cstddef>
#include <cstdlib>
#include <cstring>
#include <optional>
#include <string>
#include <string_view>

namespace platform::web {

inline constexpr const char* kWebExtensionFileName = "libmovuroute-webext.so";
// The longest address a page's navigation may have, in bytes (WebView::kMaxUrlLength): the
// extension refuses a longer one where a script of the page hands it over, before the engine
// sends it to the program.
inline constexpr std::size_t kWebExtensionLongestAddress = 256 * 1024;
inline constexpr const char* kWebExtensionStartupType = "(sasudddsb)";
inline constexpr const char* kWebExtensionNamesMessage = "movuroute.resource-names";
inline constexpr const char* kWebExtensionReportMemory = "memory";
inline constexpr const char* kWebExtensionReportBusy = "busy";
inline constexpr const char* kWebExtensionReportPage = "page";
inline constexpr const char* kWebExtensionReportFlood = "flood";
inline constexpr const char* kWebExtensionOutputSuffix = "-output";
inline constexpr const char* kWebExtensionFrameOnlyMessage = "movuroute.frame-only";
inline constexpr const char* kWebExtensionFrameOnlyType = "(ts)";
inline constexpr const char* kWebExtensionFrameOnlyTargetMessage = "movuroute.frame-only-target";
inline constexpr const char* kWebExtensionFrameOnlyTargetType = "(tb)";
inline constexpr const char* kWebExtensionForgetFrameOnlyMessage = "movuroute.frame-only-forget";
inline constexpr const char* kWebExtensionHeldBackHost = "held-back";
inline constexpr const char* kWebExtensionHeldBackAddress = "movuroute-resource://held-back/";
inline constexpr const char* kWebExtensionRunScriptMessage = "movuroute.run-script";
inline constexpr const char* kWebExtensionRunScriptType = "(ayu)";
inline constexpr const char* kWebExtensionRunScriptReply = "movuroute.script-result";
inline constexpr const char* kWebExtensionRunScriptReplyType = "(bbay)";
// The extension's lines in a reply that carries no value (WebProcessExtensionProtocol.h).
inline constexpr const char* kWebExtensionScriptThrew = "the script threw an exception";
inline constexpr const char* kWebExtensionScriptValueTooLong =
    "the script's value is longer than was asked for";
inline constexpr const char* kWebExtensionTappedMessage = "movuroute.tapped";
inline constexpr const char* kWebExtensionPageFloodMessage = "movuroute.page-flood";
inline constexpr std::size_t kWebExtensionInPlaceBytesPerNavigation = 4096;

struct WebExtensionReport {
    std::string what;
    double value = 0;
    long process = 0;
};

// A report datagram as the program reads it: nothing unless it carries `token` and is one of
// the reports above with a finite, non-negative value and a process id. Anyone on the machine
// can send to the address; only the extension knows the token.
inline std::optional<WebExtensionReport> readWebExtensionReport(std::string_view datagram,
                                                                std::string_view token) {
    std::string_view fields[4];
    std::size_t count = 0;
    while (!datagram.empty()) {
        const std::size_t space = datagram.find(' ');
        const std::string_view field = datagram.substr(0, space);
        if (field.empty() || count == 4) return std::nullopt;
        fields[count++] = field;
        if (space == std::string_view::npos) break;
        datagram.remove_prefix(space + 1);
        if (datagram.empty()) return std::nullopt;
    }
    if (count != 4 || token.empty() || fields[0] != token) return std::nullopt;
    if (fields[1] != kWebExtensionReportMemory && fields[1] != kWebExtensionReportBusy &&
        fields[1] != kWebExtensionReportPage && fields[1] != kWebExtensionReportFlood) {
        return std::nullopt;
    }
    // Short numbers only: what the extension writes fits in 24 characters.
    if (fields[2].size() > 24 || fields[3].size() > 12) return std::nullopt;
    const std::string value(fields[2]), process(fields[3]);
    char* end = nullptr;
    errno = 0;
    const double number = std::strtod(value.c_str(), &end);
    if (errno != 0 || *end != '\0' || !std::isfinite(number) || number < 0) return std::nullopt;
    const long id = std::strtol(process.c_str(), &end, 10);
    if (errno != 0 || *end != '\0' || id <= 0 || id > INT_MAX) return std::nullopt;
    return WebExtensionReport{std::string(fields[1]), number, id};
}

// An abstract socket's address (a leading NUL, then the name, not NUL-terminated, so nothing
// is left in the file system), and its length; 0 when the name does not fit.
inline socklen_t abstractSocketAddress(std::string_view name, sockaddr_un& at) {
    at = sockaddr_un{};
    if (name.empty() || name.size() + 1 > sizeof at.sun_path) return 0;
    at.sun_family = AF_UNIX;
    std::memcpy(at.sun_path + 1, name.data(), name.size());
    return socklen_t(offsetof(sockaddr_un, sun_path) + 1 + name.size());
}

}  // namespace platform::web
