#pragma once

// What every WebKit view of the process shares: GTK opened on the display, the GLib pump on the
// main loop, and two web contexts, each ephemeral (nothing of the pages is written to disk),
// with our web-process extension and the resource interceptor's scheme, and each with one web
// process of its own: every view of a context is made related to that context's hidden anchor
// view with a blank page, so WebKit starts them all in the anchor's process instead of one
// process per view (its same-origin rules may still give a page a process of its own). The
// shared context runs every ad and landing page; the service context runs the program's own
// pages (WebViewContext::Service: the SDK core page), which so get their own web process and
// their own network session: no creative can hold up their requests behind its own (a
// session keeps only six connections to one host) or take their process down. It costs one
// more web process and one more network process (measured: about 165 MB and 63 MB resident,
// 41 MB and 14 MB proportional, the rest the libraries every engine process maps; started at
// the engine's warm-up when the program expects it, else with the first service view). Made on
// first use, on the main thread, and kept until the process ends (GTK cannot be closed again).
//
// The environment the engine's libraries need is chosen before main, in the program
// (WebEngine.cpp: no compositing, no GPU renderer probe, no accessibility bus), and kept from
// the programs the game starts for the user (LibraryEnvironment.h). The web processes' own
// session bus is closed by our extension, in their environment only.
//
// What the web processes write on their standard output and error (WebKit's warnings, GLib's
// messages, whatever a library there prints) reaches the log through the runtime: each
// process's extension points them at the runtime's output stream, and the runtime logs each
// distinct line once (WebProcessOutput), out of a budget per process of kEngineLogLines every
// kEngineLogPeriodSeconds. One web process serves many ads, and its lines do not say whose they
// are, so the budget is the process's, not an ad's. Over it, the runtime stops reading that
// process until the period is over, and what the process writes meanwhile is lost to it
// without costing either side.
//
// What one page may cost the others is bounded, in every context alike (WebViewTypes.h). In a
// web process, our extension ends the process itself once its resident memory passes
// kWebProcessMemoryEndMegabytes or its threads have been busy past the budget, and tells the
// runtime why (a datagram on the runtime's report socket, which it logs); WebKit's memory
// pressure settings release caches on the way and end it at kWebProcessMemoryLimitMegabytes
// should that fail. The runtime ends one that has not answered for
// kWebProcessUnresponsiveSeconds after WebKit found it unresponsive (each second the anchors
// are asked to stop loading, which WebKit expects an answer to). Each way every view of that
// process hears that it ended, as after a crash. The network processes are watched by
// NetworkProcessWatch: past kNetworkProcessStoredDataMegabytes the context's stored data is
// cleared, past kNetworkProcessMemoryEndMegabytes its views' web processes are ended (so the
// Blobs they held go), and a network process still over is ended too.
//
// Stored data (IndexedDB, local and session storage, caches, service workers; cookies stay):
// WebKit keeps an ephemeral context's in its network process's memory and applies no quota to
// it, so the runtime removes it when its page goes. A page is known by its site (the host of
// its main frame's address); one context serves many ads at once, often from the same host, so
// when a view leaves a site (it is let go, or loads a page of another site) that site's data
// is removed once no other watched view of the context shows a page of it, and all of the
// context's stored data goes once none of its views shows a page at all (which also takes what
// third-party frames stored). A site's data therefore lives as long as any ad from that site
// is up, and never longer than the last ad of its context.

#include <cstdint>
#include <deque>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "platform/web/WebProcessExtensionProtocol.h"
#include "platform/web/WebViewTypes.h"

typedef struct _GVariant GVariant;
typedef struct _WebKitWebContext WebKitWebContext;
typedef struct _WebKitURISchemeRequest WebKitURISchemeRequest;
typedef struct _WebKitWebView WebKitWebView;

namespace platform::web {

class NetworkProcessWatch;

class WebKitRuntime {
  public:
    // GTK on the display, once, with what it may do there guarded (DisplayGuard.h); false when
    // no display can be opened or guarded (said once in the log). With kFatalCriticalsVariable
    // set to "1" in the environment (every test's), each GLib or GTK critical of the process,
    // and each of GObject's type errors (an invalid cast, which GLib only warns of), aborts it
    // from then on: the message, then the abort where it was raised.
    static bool openDisplay();
    static constexpr const char* kFatalCriticalsVariable = "MOVUROUTE_FATAL_CRITICALS";
    // The runtime, or nullptr when no display can be opened.
    static WebKitRuntime* get();

    // The context, made on first use.
    WebKitWebContext* context(WebViewContext which);
    // The view every new view of that context is related to, made (and its blank page started,
    // which starts the context's web process) on first use, and again after that process ended.
    // It has PageSandbox's newSettings(), which a related view needs too to share its process.
    WebKitWebView* relatedView(WebViewContext which = WebViewContext::Shared);
    // Starts the context's web process now: its anchor, and the anchor's blank page at once
    // rather than on a later turn (the engine's warm-up is a turn of its own).
    void warmUp(WebViewContext which);
    // Whether the web-process extension was found, so that interception works.
    bool hasExtension() const { return hasExtension_; }

    // A view is watched from its backend's start to its end: its web process is ended once it
    // has not answered for kWebProcessUnresponsiveSeconds (of real time), and its page's site
    // is followed for the stored data (see above).
    void watchView(WebKitWebView* view);
    void stopWatchingView(WebKitWebView* view);
    // What to do when the extension reports that the watched view's page floods its
    // same-document navigations (WebProcessExtensionProtocol.h): called on the main thread, as
    // soon as the report is read, ahead of anything the page sent the engine before it.
    void onPageFlood(WebKitWebView* view, std::function<void()> handler);
    // Reads the report socket now, from inside the engine's dispatch of the messages pages
    // sent: a flood report is acted on at once (the rest wait for a turn of their own). The
    // engine hands the program a batch of up to 600 messages at a time, and a flooding page
    // sends thousands meanwhile; its end must not wait for the batch to be over.
    void readFloodReportsNow();

    // The scheme intercepted subresources are redirected to.
    static constexpr const char* kScheme = "movuroute-resource";

  private:
    struct Context {
        WebViewContext which = WebViewContext::Shared;
        WebKitWebContext* web = nullptr;
        WebKitWebView* anchor = nullptr;
        // The anchor's blank page was asked for, and has loaded: its process can be asked.
        bool anchorStarted = false;
        bool anchorLoaded = false;
        // The anchor's web process, once its extension has said so; 0 before.
        long anchorProcess = 0;
    };
    struct Watched {
        // GLib's monotonic microseconds since which its web process has not answered, or 0.
        std::int64_t unresponsiveSince = 0;
        // The host of the page it shows; "" for none (blank, a file, not loaded yet).
        std::string site;
        std::function<void()> pageFlood;
    };

    WebKitRuntime();
    // Where a context is kept in contexts_, and so the owner the network watch knows it by.
    static int indexOf(WebViewContext which);
    Context& slot(WebViewContext which);
    Context& make(WebViewContext which);
    Context* contextOf(WebKitWebView* view);
    // The watch of the network processes, whose judgements the runtime carries out on the
    // main loop.
    std::unique_ptr<NetworkProcessWatch> makeNetworkWatch();
    // A request on kScheme: what our extension redirected is served by the resource
    // interceptor (or fetched as it was); anything else is refused.
    static void serveIntercepted(WebKitURISchemeRequest* request, void* runtime);
    // What the extension of every new web process of that context starts with.
    GVariant* startupData(WebViewContext which) const;
    void sendNames();
    void openReportSocket();
    // Every report waiting, those read ahead first.
    void readReports();
    void receiveReports(int socket, int arrived);
    std::optional<WebExtensionReport> nextReport();
    void handleReport(const WebExtensionReport& report);
    // The web processes' output streams (see above).
    struct Output;
    void openOutputSocket();
    void acceptOutputs();
    void watchOutput(int fd);
    void readOutput(int fd);
    void closeOutput(int fd);
    // The anchor goes; the next view makes a new one, and so a new process. `ended`: because
    // its process ended.
    void dropAnchor(Context& context, bool ended = true);
    void startProbe();
    // The anchor's blank page, which starts its process, once.
    void startAnchor(Context& context);
    void responsivenessChanged(WebKitWebView* view);
    void pageCommitted(WebKitWebView* view);
    // A view no longer shows `site`: its data goes unless another view of the context shows
    // it; everything stored goes when no view of the context shows a page. `leaving`, a view
    // that goes, counts for neither; one that shows another page counts with it.
    void leaveSite(Context& context, const std::string& site, WebKitWebView* leaving);
    void clearStoredData(Context& context);
    void endPages(Context& context);
    // Every second while there is an anchor or a watched view: has WebKit check the processes,
    // and ends a process unresponsive for too long.
    void probe();

    Context contexts_[2];
    bool hasExtension_ = false;
    std::string extensionDirectory_;
    std::string token_;
    // The abstract socket name the extensions report on ("" when it could not be opened).
    std::string reportAddress_;
    // Told (an eventfd) each time the report socket's thread hands over a report.
    int reportsArrived_ = -1;
    std::mutex reportsMutex_;
    std::deque<WebExtensionReport> arrivedReports_;  // under reportsMutex_
    // Reports read ahead by readFloodReportsNow, waiting for readReports.
    std::vector<WebExtensionReport> stashedReports_;
    int outputSocket_ = -1;
    std::map<int, std::unique_ptr<Output>> outputs_;
    std::map<WebKitWebView*, Watched> watched_;
    unsigned probeSource_ = 0;
    std::unique_ptr<NetworkProcessWatch> networkWatch_;
};

}  // namespace platform::web
