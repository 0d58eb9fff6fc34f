// Loaded by WebKit into every web process (not into the program): redirects the subresources
// the program intercepts to its own scheme, refuses a server's redirect to anything but a web
// address, tells the program whose document a navigation it let load only in a frame was (and
// cancels it when it was the page's own), and keeps the process under its memory limit and
// its budget of cores. WebKit cannot serve https itself from a custom handler, and only the
// web process sees each request, and the frame it is for, before it goes out, so the first
// three have to happen here; the others are here because only a thread
// of the process itself can look at it often enough and end it at once, whatever its pages'
// thread is doing. At start-up it also closes what the process would otherwise reach on its
// own: the game's standard error (its output goes to the program, which logs it within a
// budget), the session bus, the desktop's sound server until a page plays sound
// (HeldAudioSink.h), and the requests every page is refused anyway, answered in the page's
// own process. It also runs the program's own scripts in a page, which WebKitGTK's own way
// would run as the player's gestures. Built without sanitizers: the web process is not
// instrumented. It links GLib, GStreamer and WebKit only, never our libraries
// (ProcessWatch.h is header only).

#include <dirent.h>
#include <fcntl.h>
#include <gst/gst.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>
#include <webkit2/webkit-web-extension.h>

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "platform/web/FrameOnlyNavigations.h"
#include "platform/web/NavigationBudget.h"
#include "platform/web/ProcessWatch.h"
#include "platform/web/WebProcessExtensionProtocol.h"
#include "platform/web/WebViewTypes.h"
#include "platform/web/extension/HeldAudioSink.h"

namespace {

struct State {
    std::string token;
    std::set<std::string> names;
    guint32 memoryLimitMegabytes = 0;
    // The shortest wait between two looks at the memory.
    double memoryLookSeconds = 0;
    double busySeconds = 0;
    double busyWindowSeconds = 0;
    std::string reportAddress;
    // Whether this process's pages answer to the pages' navigation budget (the shared
    // context's).
    bool budgeted = false;
    WebKitWebExtension* extension = nullptr;
};

State& state() {
    static State* s = new State();
    return *s;
}

void setNames(GVariant* names) {
    state().names.clear();
    if (!names || !g_variant_is_of_type(names, G_VARIANT_TYPE_STRING_ARRAY)) return;
    GVariantIter iter;
    const char* name = nullptr;
    g_variant_iter_init(&iter, names);
    while (g_variant_iter_next(&iter, "&s", &name)) state().names.insert(name);
}

// The last path component of an http(s) URL, or "".
std::string lastComponent(const char* uri) {
    std::string text = uri ? uri : "";
    if (text.rfind("http://", 0) != 0 && text.rfind("https://", 0) != 0) return {};
    std::size_t end = text.find_first_of("?#");
    if (end != std::string::npos) text.resize(end);
    std::size_t slash = text.rfind('/');
    std::size_t hostStart = text.find("//") + 2;
    if (slash == std::string::npos || slash < hostStart) return {};
    return text.substr(slash + 1);
}

std::string escaped(const char* text) {
    char* e = g_uri_escape_string(text ? text : "", nullptr, FALSE);
    std::string result = e;
    g_free(e);
    return result;
}

bool isWebUri(const char* uri) {
    return uri && (g_ascii_strncasecmp(uri, "http:", 5) == 0 ||
                   g_ascii_strncasecmp(uri, "https:", 6) == 0);
}

// The addresses of the page's navigations the program let load only in a frame, kept on the
// page for as long as it lives.
platform::web::FrameOnlyRequests& frameOnlyRequests(WebKitWebPage* page) {
    static constexpr const char* kKey = "movuroute-frame-only";
    auto* requests =
        static_cast<platform::web::FrameOnlyRequests*>(g_object_get_data(G_OBJECT(page), kKey));
    if (!requests) {
        requests = new platform::web::FrameOnlyRequests();
        g_object_set_data_full(G_OBJECT(page), kKey, requests, [](gpointer data) {
            delete static_cast<platform::web::FrameOnlyRequests*>(data);
        });
    }
    return *requests;
}

// Whether the request is the first of a navigation the program let load only in a frame, and
// that navigation the page's own: the program hears whose it was, and the page's own is then
// sent, in place of its address, to one the program fails without asking the network.
bool holdsBackPageNavigation(WebKitWebPage* page, WebKitURIRequest* request, const char* uri,
                             SoupMessageHeaders* headers) {
    auto& requests = frameOnlyRequests(page);
    if (requests.empty() || !uri) return false;
    const char* destination =
        headers ? soup_message_headers_get_one(headers, "Sec-Fetch-Dest") : nullptr;
    const char* accept = headers ? soup_message_headers_get_one(headers, "Accept") : nullptr;
    const char* pageUri = webkit_web_page_get_uri(page);
    const auto target = platform::web::requestTarget(
        destination ? destination : "", accept ? accept : "", uri, pageUri ? pageUri : "");
    if (target == platform::web::RequestTarget::NotADocument) return false;
    const auto number = requests.take(uri);
    if (!number) return false;
    const bool pagesOwn = target == platform::web::RequestTarget::Page;
    // Sent before the request goes on, so the program hears it before the load's end.
    webkit_web_page_send_message_to_view(
        page,
        webkit_user_message_new(platform::web::kWebExtensionFrameOnlyTargetMessage,
                                g_variant_new(platform::web::kWebExtensionFrameOnlyTargetType,
                                              guint64(*number), gboolean(pagesOwn))),
        nullptr, nullptr, nullptr);
    if (!pagesOwn) return false;
    const std::string heldBack =
        std::string(platform::web::kWebExtensionHeldBackAddress) + "?t=" + state().token;
    webkit_uri_request_set_uri(request, heldBack.c_str());
    return true;
}

gboolean onSendRequest(WebKitWebPage* page, WebKitURIRequest* request,
                       WebKitURIResponse* redirectedFrom, gpointer) {
    const char* uri = webkit_uri_request_get_uri(request);
    // A server may send a request on to another web address only: a file, our own scheme or an
    // app's is no place an answer of the web may lead. TRUE cancels the request.
    if (redirectedFrom && !isWebUri(uri)) return TRUE;
    SoupMessageHeaders* headers = webkit_uri_request_get_http_headers(request);
    // A redirect continues a navigation already placed.
    if (!redirectedFrom && holdsBackPageNavigation(page, request, uri, headers)) return FALSE;
    if (state().names.empty() || state().token.empty()) return FALSE;
    std::string name = lastComponent(uri);
    if (name.empty() || !state().names.count(name)) return FALSE;
    const char* referer = nullptr;
    if (headers) referer = soup_message_headers_get_one(headers, "Referer");
    const char* pageAddress = webkit_web_page_get_uri(page);
    // Pages that send no Referer are still known by their own address.
    if (!referer || !*referer) referer = pageAddress;
    std::string target = std::string("movuroute-resource://intercept/?t=") + state().token +
                         "&u=" + escaped(uri) + "&r=" + escaped(referer) +
                         "&p=" + escaped(pageAddress);
    webkit_uri_request_set_uri(request, target.c_str());
    return FALSE;
}

void report(const char* what, double value);
void onPageAddressChanged(WebKitWebPage* page, GParamSpec*, gpointer);

// Whether the player has touched the page's current document, as the program said.
constexpr const char* kTappedKey = "movuroute-tapped";

bool tapped(WebKitWebPage* page) {
    return page && g_object_get_data(G_OBJECT(page), kTappedKey) != nullptr;
}
void setTapped(WebKitWebPage* page, bool tapped) {
    g_object_set_data(G_OBJECT(page), kTappedKey, tapped ? GINT_TO_POINTER(1) : nullptr);
}

// The page's budget of same-document navigations (WebProcessExtensionProtocol.h), kept with the
// page, whole again when the program loads a page in its view (as the program's budget of its
// navigations is), not when a page makes a new document of its own. Main thread only.
struct InPlaceBudget {
    platform::web::NavigationBudget budget{
        platform::web::kPageNavigationsPerSecond, platform::web::kPageNavigationBurst,
        platform::web::kPageFloodNavigations, platform::web::kPageFloodWindowSeconds};
    // A history change spent it already; the address change it makes is that one.
    bool spentAhead = false;
    // The program was told the page floods.
    bool reported = false;
};
constexpr const char* kInPlaceBudgetKey = "movuroute-in-place-budget";
constexpr gulong kEndedPageNavigationMicroseconds = 1000;

InPlaceBudget& renewInPlaceBudget(WebKitWebPage* page) {
    auto* budget = new InPlaceBudget();
    g_object_set_data_full(G_OBJECT(page), kInPlaceBudgetKey, budget,
                           [](gpointer made) { delete static_cast<InPlaceBudget*>(made); });
    return *budget;
}
InPlaceBudget& inPlaceBudget(WebKitWebPage* page) {
    auto* budget =
        static_cast<InPlaceBudget*>(g_object_get_data(G_OBJECT(page), kInPlaceBudgetKey));
    return budget ? *budget : renewInPlaceBudget(page);
}

// The page's main frame, where the program's scripts run. The engine deprecates its getter
// because a main frame may live in another process where sites are isolated; this API version
// keeps a page's frames in its process.
WebKitFrame* mainFrame(WebKitWebPage* page) {
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wdeprecated-declarations"
    return webkit_web_page_get_main_frame(page);
#pragma GCC diagnostic pop
}

// The bytes of an "ay" value, or nothing when it is none.
std::string_view bytesOf(GVariant* value) {
    if (!value || !g_variant_is_of_type(value, G_VARIANT_TYPE_BYTESTRING)) return {};
    gsize length = 0;
    const auto* bytes = static_cast<const char*>(g_variant_get_fixed_array(value, &length, 1));
    return bytes ? std::string_view(bytes, length) : std::string_view();
}

GVariant* bytesValue(std::string_view text) {
    return g_variant_new_fixed_array(G_VARIANT_TYPE_BYTE, text.data(), text.size(), 1);
}

// A string's length in characters as the page counts it, read without converting the string
// or running any code of the page's (a primitive string's length is its own and unforgeable).
std::optional<double> stringLength(JSCContext* context, JSCValue* string) {
    JSCValue* measure = jsc_context_evaluate(context, "(function (s) { return s.length; })", -1);
    std::optional<double> length;
    if (measure && jsc_value_is_function(measure)) {
        JSCValue* counted = jsc_value_function_call(measure, JSC_TYPE_VALUE, string, G_TYPE_NONE);
        if (counted && jsc_value_is_number(counted)) length = jsc_value_to_double(counted);
        if (counted) g_object_unref(counted);
    }
    if (measure) g_object_unref(measure);
    jsc_context_clear_exception(context);
    return length;
}

// What the program's scripts answer when they threw (a catch of ours around each): random, and
// never seen by any page, so no value a page returns can pass for it.
const std::string& thrownMarker() {
    static const std::string marker = [] {
        char text[64];
        std::snprintf(text, sizeof text, "movuroute-thrown-%08x%08x%08x", g_random_int(),
                      g_random_int(), g_random_int());
        return std::string(text);
    }();
    return marker;
}

// The script inside a catch of ours, which keeps its value (a try statement's value is its
// block's) and turns whatever it threw into the marker. The engine's own way with an exception
// that leaves a script evaluated through its API is to report it to its console, which turns
// the thrown value into text first: the page's own toString, getters or Proxy traps, run for us,
// as slow or as large as the page made them.
std::string caught(std::string_view script) {
    std::string wrapped = "try {\n";
    wrapped += script;
    wrapped += "\n} catch (e) { '" + thrownMarker() + "' }";
    return wrapped;
}

// One of the program's own scripts, run in the main frame's page world straight through the
// script engine: nothing of the engine's input handling is around it, so the page gains no
// activation from it, whatever it calls (WebProcessExtensionProtocol.h). Its value is the
// page's to make (each game event returns what the page's handler returns), so only what the
// program asked for is converted: a scalar, a string no longer than the longest asked for, and
// of an exception only a line of ours.
void runScript(WebKitWebPage* page, WebKitUserMessage* message) {
    GVariant* parameters = webkit_user_message_get_parameters(message);
    const bool understood =
        parameters &&
        g_variant_is_of_type(parameters, G_VARIANT_TYPE(platform::web::kWebExtensionRunScriptType));
    GVariant* code = understood ? g_variant_get_child_value(parameters, 0) : nullptr;
    guint32 longest = 0;
    if (understood) g_variant_get_child(parameters, 1, "u", &longest);
    gboolean ran = FALSE, scalar = FALSE;
    std::string text = "the page has no document";
    WebKitFrame* frame = mainFrame(page);
    if (JSCContext* context = frame ? webkit_frame_get_js_context(frame) : nullptr) {
        const std::string script = caught(bytesOf(code));
        JSCValue* value = jsc_context_evaluate(context, script.data(), gssize(script.size()));
        // A script of ours that does not parse is the only exception left to leave it.
        bool threw = jsc_context_get_exception(context) != nullptr;
        jsc_context_clear_exception(context);
        if (!threw && value && jsc_value_is_string(value) &&
            stringLength(context, value) == double(thrownMarker().size())) {
            char* text = jsc_value_to_string(value);
            threw = text && thrownMarker() == text;
            g_free(text);
        }
        if (threw) {
            text = platform::web::kWebExtensionScriptThrew;
        } else {
            ran = TRUE;
            text.clear();
            const bool string = value && jsc_value_is_string(value);
            if (longest > 0 && value &&
                (string || jsc_value_is_number(value) || jsc_value_is_boolean(value))) {
                const std::optional<double> length =
                    string ? stringLength(context, value) : std::optional<double>(0);
                if (!length || *length > double(longest)) {
                    ran = FALSE;
                    text = platform::web::kWebExtensionScriptValueTooLong;
                } else {
                    scalar = TRUE;
                    char* answer = jsc_value_to_string(value);
                    if (answer) text = answer;
                    g_free(answer);
                }
            }
        }
        if (value) g_object_unref(value);
        g_object_unref(context);
    }
    if (code) g_variant_unref(code);
    webkit_user_message_send_reply(
        message, webkit_user_message_new(platform::web::kWebExtensionRunScriptReply,
                                         g_variant_new("(bb@ay)", ran, scalar, bytesValue(text))));
}

// The program's word on its navigations for frames only, on the player's touches, and its own
// scripts (WebProcessExtensionProtocol.h).
gboolean onPageMessage(WebKitWebPage* page, WebKitUserMessage* message, gpointer) {
    const char* name = webkit_user_message_get_name(message);
    if (g_strcmp0(name, platform::web::kWebExtensionRunScriptMessage) == 0) {
        runScript(page, message);
        return TRUE;
    }
    if (g_strcmp0(name, platform::web::kWebExtensionTappedMessage) == 0) {
        setTapped(page, true);
        return TRUE;
    }
    if (g_strcmp0(name, platform::web::kWebExtensionForgetFrameOnlyMessage) == 0) {
        frameOnlyRequests(page).clear();
        renewInPlaceBudget(page);
        return TRUE;
    }
    if (g_strcmp0(name, platform::web::kWebExtensionFrameOnlyMessage) != 0) return FALSE;
    GVariant* parameters = webkit_user_message_get_parameters(message);
    if (parameters && g_variant_is_of_type(
                          parameters, G_VARIANT_TYPE(platform::web::kWebExtensionFrameOnlyType))) {
        guint64 number = 0;
        const char* url = nullptr;
        g_variant_get(parameters, "(t&s)", &number, &url);
        frameOnlyRequests(page).add(number, url ? url : "");
    }
    return TRUE;
}

void onPageCreated(WebKitWebExtension*, WebKitWebPage* page, gpointer) {
    g_signal_connect(page, "send-request", G_CALLBACK(onSendRequest), nullptr);
    g_signal_connect(page, "user-message-received", G_CALLBACK(onPageMessage), nullptr);
    g_signal_connect(page, "notify::uri", G_CALLBACK(onPageAddressChanged), nullptr);
    // So the program knows which process runs which of its views.
    report(platform::web::kWebExtensionReportPage, double(webkit_web_page_get_id(page)));
}

// Resident bytes, from /proc/self/statm kept open (read again from its start each time).
std::uint64_t residentBytes(int statm) {
    char text[128];
    const ssize_t length = pread(statm, text, sizeof text - 1, 0);
    if (length <= 0) return 0;
    text[length] = '\0';
    unsigned long size = 0, resident = 0;
    if (std::sscanf(text, "%lu %lu", &size, &resident) != 2) return 0;
    return std::uint64_t(resident) * std::uint64_t(sysconf(_SC_PAGESIZE));
}

std::uint64_t cpuNanoseconds() {
    timespec cpu{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &cpu);
    return std::uint64_t(cpu.tv_sec) * 1000000000u + std::uint64_t(cpu.tv_nsec);
}

// Every live thread of this process with the time it has waited for a core (the second field
// of its schedstat, in nanoseconds), its nice, and, for a thread of a lower priority than
// normal, the times it rested (from its status; the ledger asks no more of the others). Each
// thread's files stay open between looks, so a look costs a read a thread, and a second for
// one of low priority.
class ThreadWaits {
  public:
    std::vector<platform::web::BusyLedger::Thread> read() {
        std::vector<platform::web::BusyLedger::Thread> found;
        if (!tasks_) tasks_ = opendir("/proc/self/task");
        if (!tasks_) return found;
        rewinddir(tasks_);
        std::map<long, Files> open;
        while (dirent* entry = readdir(tasks_)) {
            char* end = nullptr;
            const long id = std::strtol(entry->d_name, &end, 10);
            if (end == entry->d_name || *end != '\0') continue;
            Files files;
            if (auto known = files_.find(id); known != files_.end()) {
                files = known->second;
                files_.erase(known);
            }
            platform::web::BusyLedger::Thread thread{id};
            // A file kept open may be an ended thread's whose id a new one took: opened again.
            for (int attempt = 0; attempt < 2; ++attempt) {
                if (files.schedstat < 0) files.schedstat = openFile(id, "schedstat");
                if (files.schedstat < 0 || readWait(files.schedstat, thread.waitingNanoseconds)) {
                    break;
                }
                files.close();
            }
            if (files.schedstat < 0) continue;
            errno = 0;
            const int nice = getpriority(PRIO_PROCESS, id_t(id));
            thread.nice = errno == 0 ? nice : 0;
            if (thread.nice > 0) {
                if (files.status < 0) files.status = openFile(id, "status");
                // Without its rests a thread counts its whole wait, as at normal priority.
                if (!readRests(files.status, thread.rests)) thread.nice = 0;
            }
            found.push_back(thread);
            open[id] = files;
        }
        for (auto& [id, files] : files_) files.close();
        files_ = std::move(open);
        return found;
    }

  private:
    struct Files {
        int schedstat = -1;
        int status = -1;
        void close() {
            for (int* fd : {&schedstat, &status}) {
                if (*fd >= 0) ::close(*fd);
                *fd = -1;
            }
        }
    };

    static int openFile(long id, const char* name) {
        char path[64];
        std::snprintf(path, sizeof path, "/proc/self/task/%ld/%s", id, name);
        return ::open(path, O_RDONLY | O_CLOEXEC);
    }
    static bool readWait(int fd, std::uint64_t& waiting) {
        char text[96];
        const ssize_t length = pread(fd, text, sizeof text - 1, 0);
        if (length <= 0) return false;
        text[length] = '\0';
        unsigned long long running = 0, waited = 0;
        if (std::sscanf(text, "%llu %llu", &running, &waited) != 2) return false;
        waiting = waited;
        return true;
    }
    static bool readRests(int fd, std::uint64_t& rests) {
        char text[4096];
        const ssize_t length = fd < 0 ? -1 : pread(fd, text, sizeof text, 0);
        if (length <= 0) return false;
        const auto count =
            platform::web::readVoluntarySwitches(std::string_view(text, std::size_t(length)));
        if (count) rests = *count;
        return count.has_value();
    }

    DIR* tasks_ = nullptr;
    std::map<long, Files> files_;
};

// Tells the program why this process is about to end: one datagram, never waited for. The
// program may not hear it (no address, a full queue); the process ends all the same.
void report(const char* what, double value) {
    sockaddr_un to;
    const socklen_t toLength = platform::web::abstractSocketAddress(state().reportAddress, to);
    if (!toLength) return;
    const int fd = socket(AF_UNIX, SOCK_DGRAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
    if (fd < 0) return;
    char text[256];
    const int length = std::snprintf(text, sizeof text, "%s %s %.0f %ld", state().token.c_str(),
                                     what, value, long(getpid()));
    if (length > 0 && std::size_t(length) < sizeof text) {
        (void)!sendto(fd, text, std::size_t(length), MSG_NOSIGNAL, reinterpret_cast<sockaddr*>(&to),
                      toLength);
    }
    close(fd);
}

[[noreturn]] void endThisProcess(const char* what, double value) {
    report(what, value);
    kill(getpid(), SIGKILL);
    for (;;) pause();
}

double secondsNow() {
    return double(g_get_monotonic_time()) / 1e6;
}

void sleepSeconds(double seconds) {
    g_usleep(gulong(seconds * 1e6));
}

// Threads of its own, which no page can hold up: WebKit's own memory check runs on the main
// thread every few seconds at best, so it notices a page that allocates fast late and one
// whose script never lets go not at all, and its responsiveness check never sees a script that
// lets go for a moment every few seconds, nor workers that spin beside an idle main thread.
// Asking the program or the page's thread first would let the process grow meanwhile: the
// watches end it themselves, and say why on the way.
//
// Memory: a look, then a wait until the process has used the CPU time its headroom would take
// at the fastest growth (a sleep on the process's CPU clock, which wakes only as the process
// works), never shorter than a hundredth of a second.
gpointer watchMemory(gpointer) {
    const std::uint64_t limit = std::uint64_t(state().memoryLimitMegabytes) << 20;
    const double perCpuSecond =
        platform::web::kFastestMemoryGrowthMegabytesPerCpuSecond * double(1 << 20);
    const int statm = open("/proc/self/statm", O_RDONLY | O_CLOEXEC);
    bool sleepsOnTheCpuClock = true;
    for (;;) {
        const std::uint64_t resident = residentBytes(statm);
        if (resident >= limit) {
            endThisProcess(platform::web::kWebExtensionReportMemory, double(resident >> 20));
        }
        const std::uint64_t worked = cpuNanoseconds();
        const double shortest = std::max(state().memoryLookSeconds, 0.001);
        if (!sleepsOnTheCpuClock) {
            sleepSeconds(shortest);
            continue;
        }
        // The shortest wait is CPU time too: a fixed wait of real time let a page allocating
        // on four cores take its whole margin between a look just under the limit and the
        // next, and more when the machine was slow to give this thread a core again.
        const std::uint64_t until =
            worked + std::uint64_t(1e9 * std::max(shortest, platform::web::cpuSecondsUntilNextLook(
                                                                limit - resident, perCpuSecond)));
        const timespec at{time_t(until / 1000000000u), long(until % 1000000000u)};
        int error;
        while ((error = clock_nanosleep(CLOCK_PROCESS_CPUTIME_ID, TIMER_ABSTIME, &at, nullptr)) ==
               EINTR) {
        }
        // A kernel that cannot sleep on it: every hundredth of a second, as always.
        if (error != 0) sleepsOnTheCpuClock = false;
    }
    return nullptr;
}

// The session bus, for the engine's media players (a desktop media player named on the bus for
// a muted autoplay video, and a bus connection per media element, made whether or not one
// plays): an address no bus has, so each element's attempt fails at once, without a
// connection and without GLib's autolaunch of a bus daemon when no address is set. Its one
// warning per element is dropped as a repeat on the way to the log (WebProcessOutput). The
// process's own environment only, before its first page: the game's, and what it opens on the
// desktop, keep the user's bus.
constexpr const char* kNoSessionBus = "disabled:";
// Mesa's shader cache, likewise: a page's WebGL compiles in this process, and Mesa keeps every
// program it compiled in the user's cache folder (600 programs from one page in 10 s were 1,739
// files, and it lets the folder grow to a gigabyte). Turned off here only, by replacing the
// value the game sets for it before main (the game's own programs are few and keep their
// cache).
constexpr std::pair<const char*, const char*> kShaderCacheOff{"MESA_SHADER_CACHE_DISABLE", "true"};
// The output channels an audio context may use, which the engine otherwise learns by asking
// the desktop's sound server for its devices as a page reads them: two, as a phone has.
constexpr std::pair<const char*, const char*> kAudioChannels{
    "WEBKIT_GST_MAX_NUMBER_OF_AUDIO_OUTPUT_CHANNELS", "2"};

// What every page is refused is answered in its own process, in the page's world, before any
// script of the page's realm runs: a person who says no to a print, a dialog or a confirmation
// answers at once, and so does this, where the engine's own path goes through the game's main
// thread and holds it for the round trip (two hundred print()s every 10 ms took a core of the
// game). The program's answers (PageSandbox) stay behind this for whatever reaches them. The
// page's built-ins are taken before it can change them, the command name is read once, and
// every realm (each frame's, each document's) gets its own copy, so there is no unrefused
// print() left to borrow from another.
//
// Speech is sound, and a page makes no sound before the player tapped it (the program's views
// refuse media and hold audio contexts until then): the engine speaks from this process,
// through the desktop's sound server, whatever the page's settings, so an untouched,
// preloaded ad spoke on the desktop. A page the player has not touched is refused here, before
// the engine hears of it: the utterance hears "error" with "not-allowed", a moment later, as a
// browser that forbids it answers, and never "start". Whether it was touched is the program's
// word (`tapped`, a function of ours the page cannot reach), not the engine's activation: the
// engine ran the game's own scripts as gestures, and no script of the page can make the
// program forward a touch. Once touched, every realm of the page speaks as before.
constexpr const char* kRefusalsScript = R"JS((function (tapped) {
  var define = Object.defineProperty, apply = Reflect.apply;
  var describe = Object.getOwnPropertyDescriptor;
  var toText = String, lower = String.prototype.toLowerCase;
  function answer(name, method) {
    define(window, name, {value: method, writable: true, enumerable: true, configurable: true});
  }
  function method(owner, name, body) {
    define(owner, name, {value: body, writable: true, enumerable: true, configurable: true});
  }
  answer('print', function print() {});
  answer('alert', function alert() {});
  answer('confirm', function confirm() { return false; });
  answer('prompt', function prompt() { return null; });
  var execute = Document.prototype.execCommand;
  method(Document.prototype, 'execCommand', function execCommand(command, showUI, value) {
    if (arguments.length === 0) return apply(execute, this, []);
    var name = toText(command);
    if (apply(lower, name, []) === 'print') return false;
    var given = [name, showUI, value];
    given.length = arguments.length > 3 ? 3 : arguments.length;
    return apply(execute, this, given);
  });
  if (!window.SpeechSynthesis) return;
  var speakAloud = SpeechSynthesis.prototype.speak;
  var Refusal = window.SpeechSynthesisErrorEvent, dispatch = EventTarget.prototype.dispatchEvent;
  var later = window.setTimeout;
  method(SpeechSynthesis.prototype, 'speak', function speak(utterance) {
    if (tapped()) return apply(speakAloud, this, arguments);
    // Made now, so what is no utterance fails here as it would have in speak().
    var refused = new Refusal('error', {utterance: utterance, error: 'not-allowed'});
    apply(later, window, [function () { apply(dispatch, utterance, [refused]); }, 0]);
  });
}))JS";

// ---- Overlong addresses: a block of its own, run after the refusals above. ----
//
// Every navigation of a page (each frame's address, each page message) goes to the program
// whole, before anything can judge it: the engine copies it across, parses it and keeps a
// record of it in the game's process, whose own bound (WebView::kMaxUrlLength) comes after
// all that. Twenty-megabyte messages five a second held 200 MB there and half a core. So an
// address longer than the program takes is refused here, where a script of the page hands it
// to the engine, and goes nowhere (the assignment or call is ignored; window.open answers
// null, as it always does for an ad): the frames' and embedded objects' addresses, links' and
// forms' targets, by property or by attribute (setAttribute, setAttributeNS, an attribute
// node's value, or the node set on the element), window.open, and the address history.pushState
// and replaceState give the document. What a script of ours cannot guard is bounded in the
// program before it copies anything: a document's own location (its
// properties and methods are unforgeable), markup the engine parses (innerHTML, document.write,
// the served page, a meta refresh), a link's address changed part by part, a form's fields in
// its address, a server's redirect. Only elements that navigate are judged: an image's data:
// address may be as long as it likes. A text is measured as the engine will send it: resolved
// against its base, each character percent-encoded as up to nine bytes.
std::string overlongAddressesScript() {
    return R"JS((function (mayChangeHistory) {
  var limit = )JS" +
           std::to_string(platform::web::kWebExtensionLongestAddress) + R"JS(;
  var define = Object.defineProperty, describe = Object.getOwnPropertyDescriptor;
  var apply = Reflect.apply, construct = Reflect.construct, toText = String;
  var lower = String.prototype.toLowerCase, slice = String.prototype.slice;
  var lastIndexOf = String.prototype.lastIndexOf, Address = URL;
  var hrefOf = describe(URL.prototype, 'href').get, baseOf = describe(Node.prototype, 'baseURI').get;
  var nodeTypeOf = describe(Node.prototype, 'nodeType').get;
  var localNameOf = describe(Element.prototype, 'localName').get;
  var attrNameOf = describe(Attr.prototype, 'localName').get;
  var ownerOf = describe(Attr.prototype, 'ownerElement').get;
  var valueOf = describe(Attr.prototype, 'value').get;
  var ownDocument = document;
  var navigating = Object.create(null);
  navigating.iframe = navigating.frame = navigating.embed = 'src';
  navigating.object = 'data';
  navigating.a = navigating.area = 'href';
  navigating.form = 'action';
  navigating.button = navigating.input = 'formaction';
  function tooLong(text, node) {
    if (text.length <= limit / 9) return false;
    if (text.length > limit) return true;
    try {
      var base = apply(baseOf, node || ownDocument, []);
      return apply(hrefOf, construct(Address, [text, base]), []).length > limit;
    } catch (e) { return false; }
  }
  // Whether the attribute of that name (a local name, or one with a prefix) sets where the
  // element navigates.
  function navigationName(name) {
    name = apply(lower, toText(name), []);
    return apply(slice, name, [apply(lastIndexOf, name, [':']) + 1]);
  }
  function navigates(element, name) {
    try {
      return navigating[apply(localNameOf, element, [])] === navigationName(name);
    } catch (e) { return false; }
  }
  function guardSetter(owner, name) {
    var described = owner && describe(owner, name);
    if (!described || !described.set) return;
    var set = described.set;
    described.set = function (value) {
      if (typeof value !== 'symbol') {
        value = toText(value);
        if (tooLong(value, this)) return;
      }
      apply(set, this, [value]);
    };
    define(owner, name, described);
  }
  function guardMethod(owner, name, judge) {
    var method = owner && owner[name];
    if (typeof method !== 'function') return;
    define(owner, name, {value: function () {
      var given = [];
      for (var i = 0; i < arguments.length; ++i) given[i] = arguments[i];
      if (judge(this, given) === false) return null;
      return apply(method, this, given);
    }, writable: true, enumerable: true, configurable: true});
  }
  // An attribute given as [name, value] at `at`. Only a navigation's value is made text here
  // (once, so what is judged is what is set); any other goes on as the page gave it.
  function attributeJudge(at) {
    return function (element, given) {
      if (given.length <= at + 1 || typeof given[at] === 'symbol' ||
          typeof given[at + 1] === 'symbol') return true;
      given[at] = toText(given[at]);
      if (!navigates(element, given[at])) return true;
      given[at + 1] = toText(given[at + 1]);
      return !tooLong(given[at + 1], element);
    };
  }
  function isAttribute(node) {
    try { return apply(nodeTypeOf, node, []) === 2; } catch (e) { return false; }
  }
  // Whether an attribute node's value sets where its element navigates: judged by its element,
  // or by its name alone while it has none.
  function navigationAttribute(attribute) {
    var element = apply(ownerOf, attribute, []), name = apply(attrNameOf, attribute, []);
    if (element) return navigates(element, name);
    name = navigationName(name);
    for (var tag in navigating) {
      if (navigating[tag] === name) return true;
    }
    return false;
  }
  function nodeJudge(element, given) {
    var attribute = given[0];
    if (!isAttribute(attribute)) return true;
    return !(navigates(element, apply(attrNameOf, attribute, [])) &&
             tooLong(apply(valueOf, attribute, []), element));
  }
  [['HTMLIFrameElement', 'src'], ['HTMLFrameElement', 'src'], ['HTMLEmbedElement', 'src'],
   ['HTMLObjectElement', 'data'], ['HTMLAnchorElement', 'href'], ['HTMLAreaElement', 'href'],
   ['HTMLFormElement', 'action'], ['HTMLButtonElement', 'formAction'],
   ['HTMLInputElement', 'formAction']].forEach(function (road) {
    var type = window[road[0]];
    if (type) guardSetter(type.prototype, road[1]);
  });
  guardMethod(Element.prototype, 'setAttribute', attributeJudge(0));
  guardMethod(Element.prototype, 'setAttributeNS', attributeJudge(1));
  guardMethod(Element.prototype, 'setAttributeNode', nodeJudge);
  guardMethod(Element.prototype, 'setAttributeNodeNS', nodeJudge);
  ['value', 'nodeValue', 'textContent'].forEach(function (name) {
    var owner = name === 'value' ? Attr.prototype : Node.prototype;
    // Attr's own value takes null as "null"; the node's two as nothing.
    var nullIsEmpty = name !== 'value';
    var described = describe(owner, name);
    if (!described || !described.set) return;
    var set = described.set;
    described.set = function (value) {
      if (typeof value !== 'symbol' && isAttribute(this) && navigationAttribute(this)) {
        value = value === null && nullIsEmpty ? '' : toText(value);
        var element = apply(ownerOf, this, []);
        if (tooLong(value, element)) return;
      }
      apply(set, this, [value]);
    };
    define(owner, name, described);
  });
  // An address given at `at`, against the document's base. Absent, undefined or null names
  // none (window.open's null is the short "null" in any case).
  function addressJudge(at) {
    return function (self, given) {
      if (given[at] === undefined || given[at] === null || typeof given[at] === 'symbol')
        return true;
      given[at] = toText(given[at]);
      return !tooLong(given[at], null);
    };
  }
  guardMethod(window, 'open', addressJudge(0));
  // A document's address changed in place: the engine hands the new one to the program with
  // the history entry it keeps there, and no navigation is asked for. Each change spends the
  // page's budget of them first (`mayChangeHistory`, ours), whatever it gives.
  function historyJudge(at) {
    var judge = addressJudge(at);
    return function (self, given) {
      if (!judge(self, given)) return false;
      // As long as the address may become: the document's, and what is given.
      var more = typeof given[at] === 'string' ? given[at].length : 0;
      return mayChangeHistory(location.href.length + more);
    };
  }
  guardMethod(History.prototype, 'pushState', historyJudge(2));
  guardMethod(History.prototype, 'replaceState', historyJudge(2));
}))JS";
}

// ---- End of the overlong addresses' block. ----

// Runs `script`, a function of one argument, in the realm with a function of ours that answers
// a boolean about the page (its id is the function's data) and takes no argument, or a number
// when `takesNumber`.
void runInRealm(JSCContext* context, const char* script, GCallback answer, guint64 pageId,
                bool takesNumber = false) {
    JSCValue* made = jsc_context_evaluate(context, script, -1);
    if (made && jsc_value_is_function(made)) {
        gpointer id = g_memdup2(&pageId, sizeof pageId);
        JSCValue* ours = takesNumber ? jsc_value_new_function(context, nullptr, answer, id, g_free,
                                                              G_TYPE_BOOLEAN, 1, G_TYPE_DOUBLE)
                                     : jsc_value_new_function(context, nullptr, answer, id, g_free,
                                                              G_TYPE_BOOLEAN, 0);
        if (JSCValue* done = jsc_value_function_call(made, JSC_TYPE_VALUE, ours, G_TYPE_NONE)) {
            g_object_unref(done);
        }
        g_object_unref(ours);
    }
    if (made) g_object_unref(made);
    jsc_context_clear_exception(context);
}

gboolean pageWasTapped(gpointer pageId) {
    const guint64 id = *static_cast<const guint64*>(pageId);
    return tapped(state().extension ? webkit_web_extension_get_page(state().extension, id)
                                    : nullptr);
}

// Tells the program at once, by the report socket (and by the ordered road too), that the page
// floods its same-document navigations; every later one is refused.
void reportFlood(WebKitWebPage* page) {
    InPlaceBudget& budget = inPlaceBudget(page);
    if (budget.reported) return;
    budget.reported = true;
    budget.budget.end();
    report(platform::web::kWebExtensionReportFlood, double(webkit_web_page_get_id(page)));
    webkit_web_page_send_message_to_view(
        page, webkit_user_message_new(platform::web::kWebExtensionPageFloodMessage, nullptr),
        nullptr, nullptr, nullptr);
}

// One same-document navigation of a budgeted page, spent now: whether it may go on. One that
// can be refused (a history change, before the engine hears of it) is refused past the budget,
// and the page ended once it floods; one that has happened already (a fragment, an address
// that changed) cannot be refused, so the first past the budget ends the page.
bool spendInPlace(WebKitWebPage* page, bool refusable, double addressBytes) {
    // Reported, and still navigating: the program's end of the page (its scripts off) is on its
    // way, but a page whose tasks follow each other without a pause kept this thread from the
    // program's messages for a hundred tasks and more, and sent thousands of navigations
    // meanwhile. Each one it makes now waits a millisecond, so the end overtakes it within its
    // task.
    if (inPlaceBudget(page).reported && !refusable) g_usleep(kEndedPageNavigationMicroseconds);
    const double cost =
        1 +
        std::floor(addressBytes / double(platform::web::kWebExtensionInPlaceBytesPerNavigation));
    switch (inPlaceBudget(page).budget.spend(secondsNow(), cost)) {
        case platform::web::NavigationBudget::Verdict::Ask:
            return true;
        case platform::web::NavigationBudget::Verdict::Drop:
            if (!refusable) reportFlood(page);
            return false;
        case platform::web::NavigationBudget::Verdict::End:
            reportFlood(page);
            return false;
    }
    return false;
}

WebKitWebPage* budgetedPage(gpointer pageId) {
    if (!state().budgeted || !state().extension) return nullptr;
    return webkit_web_extension_get_page(state().extension, *static_cast<const guint64*>(pageId));
}

// A history change of the page's (the guard in every realm asks before the engine hears of it):
// whether it may go on.
gboolean pageMayChangeHistory(gdouble addressBytes, gpointer pageId) {
    if (!state().budgeted) return TRUE;
    WebKitWebPage* page = budgetedPage(pageId);
    if (!page || !spendInPlace(page, true, addressBytes)) return FALSE;
    inPlaceBudget(page).spentAhead = true;
    return TRUE;
}

// A frame's fragment changed (its realm's first "hashchange" listener, ours), to an address of
// that length.
gboolean frameChangedInPlace(gdouble addressBytes, gpointer pageId) {
    if (WebKitWebPage* page = budgetedPage(pageId)) spendInPlace(page, false, addressBytes);
    return TRUE;
}

// The main frame's address changed: a fragment navigation, a history change (spent already by
// its guard), or a load's start, as it happens, before the page's script goes on.
void onPageAddressChanged(WebKitWebPage* page, GParamSpec*, gpointer) {
    if (!state().budgeted) return;
    if (std::exchange(inPlaceBudget(page).spentAhead, false)) return;
    const char* address = webkit_web_page_get_uri(page);
    spendInPlace(page, false, address ? double(std::strlen(address)) : 0);
}

// Each frame's fragment changes, heard before the page's own listeners (the frame's address
// changing is not announced the way the main frame's is).
constexpr const char* kFrameFragmentsScript = R"JS((function (changed) {
  addEventListener('hashchange', function () { changed(location.href.length); });
}))JS";

void onWindowObjectCleared(WebKitScriptWorld* world, WebKitWebPage* page, WebKitFrame* frame,
                           gpointer) {
    const guint64 id = webkit_web_page_get_id(page);
    // A new document of the page's own is untouched until the program says otherwise.
    if (webkit_frame_is_main_frame(frame)) setTapped(page, false);
    JSCContext* context = webkit_frame_get_js_context_for_script_world(frame, world);
    if (!context) return;
    runInRealm(context, kRefusalsScript, G_CALLBACK(pageWasTapped), id);
    if (!webkit_frame_is_main_frame(frame) && state().budgeted) {
        runInRealm(context, kFrameFragmentsScript, G_CALLBACK(frameChangedInPlace), id, true);
    }
    static const std::string overlongAddresses = overlongAddressesScript();
    runInRealm(context, overlongAddresses.c_str(), G_CALLBACK(pageMayChangeHistory), id, true);
    g_object_unref(context);
}

// GLib's messages of this process, one line each on the standard error (the program's stream),
// without the time stamp GLib's own writer puts in, so that a repeat is seen as one.
GLogWriterOutput writeToOutput(GLogLevelFlags level, const GLogField* fields, gsize count,
                               gpointer) {
    const char* domain = nullptr;
    std::string message;
    for (gsize i = 0; i < count; ++i) {
        const auto* text = static_cast<const char*>(fields[i].value);
        if (!text) continue;
        if (std::strcmp(fields[i].key, "GLIB_DOMAIN") == 0) domain = text;
        if (std::strcmp(fields[i].key, "MESSAGE") == 0) {
            message = fields[i].length < 0 ? std::string(text)
                                           : std::string(text, std::size_t(fields[i].length));
        }
    }
    const bool chatter =
        (level & (G_LOG_LEVEL_INFO | G_LOG_LEVEL_DEBUG)) != 0 && (level & G_LOG_FLAG_FATAL) == 0;
    if (chatter && g_log_writer_default_would_drop(level, domain)) return G_LOG_WRITER_HANDLED;
    const char* name = (level & G_LOG_LEVEL_ERROR)      ? "error"
                       : (level & G_LOG_LEVEL_CRITICAL) ? "critical"
                       : (level & G_LOG_LEVEL_WARNING)  ? "warning"
                       : (level & G_LOG_LEVEL_MESSAGE)  ? "message"
                       : (level & G_LOG_LEVEL_INFO)     ? "info"
                                                        : "debug";
    for (char& c : message) {
        if (c == '\n') c = ' ';
    }
    std::string line = std::string("GLib ") + name + " (" + (domain ? domain : "no domain") +
                       "): " + message + "\n";
    (void)!write(STDERR_FILENO, line.data(), line.size());
    return G_LOG_WRITER_HANDLED;
}

// Points the standard output and error at the program's output stream for this process, or at
// /dev/null when there is none: never at the game's own standard error, which the process
// inherited. Never waits on the program: a full stream loses what is written meanwhile.
void routeOutput() {
    const State& s = state();
    int fd = -1;
    sockaddr_un to;
    const socklen_t toLength =
        s.reportAddress.empty()
            ? 0
            : platform::web::abstractSocketAddress(
                  s.reportAddress + platform::web::kWebExtensionOutputSuffix, to);
    if (toLength && !s.token.empty()) {
        fd = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
        const std::string hello = s.token + "\n";
        if (fd >= 0 && (connect(fd, reinterpret_cast<sockaddr*>(&to), toLength) != 0 ||
                        write(fd, hello.data(), hello.size()) != ssize_t(hello.size()) ||
                        fcntl(fd, F_SETFL, fcntl(fd, F_GETFL) | O_NONBLOCK) != 0)) {
            close(fd);
            fd = -1;
        }
    }
    if (fd < 0) fd = open("/dev/null", O_WRONLY | O_CLOEXEC);
    if (fd < 0) return;
    dup2(fd, STDOUT_FILENO);
    dup2(fd, STDERR_FILENO);
    close(fd);
    g_log_set_writer_func(writeToOutput, nullptr, nullptr);
}

// Cores: the process's CPU time and its threads' waits (with their priorities and rests, which
// weigh a wait of a low-priority thread), every half second.
gpointer watchCores(gpointer) {
    platform::web::BusyLedger busy(state().busyWindowSeconds, state().busySeconds);
    ThreadWaits waits;
    for (;;) {
        const std::uint64_t worked = cpuNanoseconds();
        busy.look(secondsNow(), worked, waits.read());
        if (busy.overBudget()) {
            endThisProcess(platform::web::kWebExtensionReportBusy, busy.busySeconds());
        }
        sleepSeconds(0.5);
    }
    return nullptr;
}

gpointer watch(gpointer) {
    if (state().busyWindowSeconds > 0 && state().busySeconds > 0) {
        g_thread_unref(g_thread_new("movuroute-cores", watchCores, nullptr));
    }
    if (state().memoryLimitMegabytes > 0) watchMemory(nullptr);
    return nullptr;
}

gboolean onMessage(WebKitWebExtension*, WebKitUserMessage* message, gpointer) {
    if (g_strcmp0(webkit_user_message_get_name(message),
                  platform::web::kWebExtensionNamesMessage) == 0) {
        setNames(webkit_user_message_get_parameters(message));
    }
    return FALSE;
}

}  // namespace

extern "C" G_MODULE_EXPORT void webkit_web_extension_initialize_with_user_data(
    WebKitWebExtension* extension, GVariant* data) {
    if (data &&
        g_variant_is_of_type(data, G_VARIANT_TYPE(platform::web::kWebExtensionStartupType))) {
        const char* token = nullptr;
        GVariant* names = nullptr;
        guint32 megabytes = 0;
        const char* address = nullptr;
        State& s = state();
        gboolean budgeted = FALSE;
        g_variant_get(data, "(&s@asuddd&sb)", &token, &names, &megabytes, &s.memoryLookSeconds,
                      &s.busySeconds, &s.busyWindowSeconds, &address, &budgeted);
        s.budgeted = budgeted;
        s.token = token ? token : "";
        setNames(names);
        if (names) g_variant_unref(names);
        s.memoryLimitMegabytes = megabytes;
        s.reportAddress = address ? address : "";
    }
    state().extension = extension;
    routeOutput();
    // Other threads of the process may read the environment meanwhile. Replacing a variable
    // is one pointer; adding one (no bus known to the game) is the first growth of this
    // process's environment (WebKit's own start-up only replaces and removes), which copies
    // it to a new array and leaves the old one, never allocated by glibc, where it was.
    setenv("DBUS_SESSION_BUS_ADDRESS", kNoSessionBus, 1);
    setenv(kShaderCacheOff.first, kShaderCacheOff.second, 1);
    setenv(kAudioChannels.first, kAudioChannels.second, 1);
    // Before the engine's first media or audio context, which would start GStreamer itself
    // (HeldAudioSink.h). Without it the engine's own choice of sink stands.
    if (gst_init_check(nullptr, nullptr, nullptr)) platform::web::registerHeldAudioSink();
    g_signal_connect(webkit_script_world_get_default(), "window-object-cleared",
                     G_CALLBACK(onWindowObjectCleared), nullptr);
    if (state().memoryLimitMegabytes > 0 || state().busyWindowSeconds > 0) {
        g_thread_unref(g_thread_new("movuroute-watch", watch, nullptr));
    }
    g_signal_connect(extension, "page-created", G_CALLBACK(onPageCreated), nullptr);
    g_signal_connect(extension, "user-message-received", G_CALLBACK(onMessage), nullptr);
}
