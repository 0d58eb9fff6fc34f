#pragma once

// The ad server's record of everything it was asked: page loads, the page's calls, ad requests
// with their parameters, pings and reports. Server threads append; tests read and wait. A wait
// blocks the calling thread, so a test whose SDK work needs the main loop polls count() from
// platform::testing::runMainLoopUntil instead (ads/testsupport's fixture does both).

#include <chrono>
#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <map>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace tools::adserver {

enum class RequestKind {
    PageLoad,           // the SDK core page
    CoreCall,           // the page handing one of its function calls to the server
    AdRequest,          // an ad URL: HTML (or mediation JSON) with "x-rade-" headers
    FetchedAdRequest,   // an ad URL the page fetches through native code; answers the ad object
    Impression,         // "x-rade-tracking-urls" / "impression_urls"
    ManualImpression,   // "x-rade-manual-tracking-urls"
    ClickTracking,      // "x-rade-click-tracking-urls" / "click_urls"
    Click,              // the creative's own link (the click URL the opener opens)
    Landing,            // where the click URL leads, its second page and its form
    Media,              // "/media/video.mp4": the video a creative downloads ahead
    CreativeEvent,      // an event the creative's script saw (onshow, onhide, ...)
    Passback,           // a script ad giving up
    MediationPing,      // pings named in a mediation answer
    Viewable,           // the core page's viewability ping ("viewable_url")
    NativePage,         // the native ads support page
    NativeImage,        // a native ad's picture ("/mads/native_image")
    PerformanceReport,  // "/csi"
    CrashReport,        // "/adpage/gen_204"
    BadAdReport,        // "/s/reportAd"
    TokenRequest,       // "/oauth2/v3/token"
    PurchaseReport,     // an in-app purchase ad's report of its outcome ("/iap/report")
    Conversion,         // a purchase reported as a conversion ("/adpage/conversion/")
    MraidAsset,         // our MRAID scripts and the pictures MRAID creatives store
    FileRedirect,       // an address answered with a redirect to a file: URL
    // What hostile creatives reach for besides the page.
    Attachment,  // "/mads/attachment": a file sent to be saved, not shown
    Unknown,     // anything else (answered 404)
    // Requests a hostile creative makes to hold the engine's connections.
    Slow,  // kSlowPath: held open until the server stops
    // Hostile core pages:
    LargeBody,     // "/mads/large_body?bytes=N": a body as large as asked, for a page's fetches
    WorkerScript,  // kBusyWorkerPath: a busy worker's script
    // Creatives' own documents:
    FramePage,  // kFramePagePath: a document a creative shows in a frame of its page
};

// Stable lower-case name, as the program prints it ("ad-request", "impression", ...).
std::string_view kindName(RequestKind kind);

struct LoggedRequest;
// One line for a person: number, kind, method, target (cut at `maxTarget` bytes), then what
// the server made of it. Control characters are shown as "?", so a request cannot write
// terminal escapes into the log.
std::string logLine(const LoggedRequest& request, std::size_t maxTarget = 160);

struct LoggedRequest {
    std::uint64_t sequence = 0;  // 1, 2, ... in arrival order
    RequestKind kind = RequestKind::Unknown;
    std::string method;
    std::string path;    // decoded, without the query
    std::string target;  // as sent, with the query
    // Query parameters, and form fields of url-encoded bodies, decoded; a repeated name keeps
    // every value.
    std::multimap<std::string, std::string> params;
    std::vector<std::pair<std::string, std::string>> headers;
    std::string body;
    // The ad unit ("slotname") the request belongs to, when known.
    std::string slotname;
    // The ad the request belongs to: every ad answered gets the next number, 1 first, and its
    // pings and clicks carry it. 0 when none.
    int ad = 0;
    // CoreCall only: the page function ("RADE_getAd", ...) and, for RADE_ReceiveMessage, the
    // event name.
    std::string function;
    std::string event;

    std::string param(const std::string& name) const;  // first value, empty when absent
    bool hasParam(const std::string& name) const;
    std::string header(std::string_view name) const;  // case-insensitive, empty when absent
};

class RequestLog {
  public:
    using Listener = std::function<void(const LoggedRequest&)>;

    RequestLog() = default;
    RequestLog(const RequestLog&) = delete;
    RequestLog& operator=(const RequestLog&) = delete;

    // Appends (setting the sequence number), wakes waiters, then tells the listener on the
    // calling thread outside the lock. Answers the stored entry's sequence number.
    std::uint64_t add(LoggedRequest request);

    // Called for every entry added after it is set (the program prints with it; the fixture
    // wakes the main loop with it). Set it before requests arrive.
    void setListener(Listener listener);

    std::vector<LoggedRequest> all() const;
    std::vector<LoggedRequest> of(RequestKind kind) const;
    std::size_t count(RequestKind kind) const;
    std::size_t size() const;
    std::optional<LoggedRequest> last(RequestKind kind) const;
    void clear();

    // Block until `count` entries of the kind (or matching the predicate) exist, or the limit
    // passes; answer whether they do.
    bool waitFor(RequestKind kind, std::size_t count,
                 std::chrono::milliseconds limit = std::chrono::seconds(10)) const;
    bool waitUntil(const std::function<bool(const std::vector<LoggedRequest>&)>& predicate,
                   std::chrono::milliseconds limit = std::chrono::seconds(10)) const;

  private:
    mutable std::mutex mutex_;
    mutable std::condition_variable changed_;
    std::vector<LoggedRequest> entries_;
    std::uint64_t nextSequence_ = 1;
    Listener listener_;
};

}  // namespace tools::adserver
