#pragma once

// A web page the program shows or drives: the view the ads SDK renders every page in. Create,
// use and release it on the main thread only.
//
// Loading: loadHTMLString and loadRequest ask the delegate first (webViewPolicyForNavigation), like
// every navigation the page makes later, then report start, finish or failure (see
// WebViewDelegate for the order and for what ends silently). A new load supersedes the one
// running; stopLoading ends it without a callback. A page of the shared context that starts
// navigations past its budget has the rest refused without asking, and one that floods is
// ended (kPageNavigationsPerSecond in WebViewTypes.h); so is one that asks for an address
// longer than kMaxUrlLength by a road its own process could not refuse. The page's messages
// (navigations to WebViewSettings::messageScheme) have a smaller budget of their own, past
// which they are refused (kPageMessagesPerSecond). Each load asked of the view renews them.
//
// Scripts: evaluateJavaScript answers on a later main-loop turn. stringByEvaluatingJavaScript-
// FromString waits for the answer, turning only the engine's own event loop meanwhile (no
// posted work, timers or other callbacks of ours run), and never longer than its time-out, even
// when the page loops forever. Everything the page does during that wait reaches the delegate
// after it returns.
//
// Pictures: takeSnapshot() asks the page for a fresh picture and answers on a later main-loop
// turn, however busy the page is; snapshot() asks the same and waits like a synchronous
// evaluation. paintedFrame() is the picture last painted, for drawing the view every frame.
// When the page repaints, paintedGeneration() moves on and the display is marked changed; the
// new picture of a page with a transparent background comes a little later (asking for it
// starts fetching it) and moves the generation again when it arrives.
//
// The two waiting calls hold the main thread, and with it every frame, for as long as a busy
// page takes to answer (up to their time-out): the program's own paths use the asynchronous
// calls. synchronousWaitCount() counts the waiting calls made in this process, so tests can
// show that a path made none.
//
// Lifetime: the caller keeps the view alive; the view holds its delegate weakly. Pending
// asynchronous answers and delegate calls are dropped once the view is gone. Releasing the view
// inside one of its own callbacks is safe: it dies on the next main-loop turn.
//
// Without a display (no X server) every load fails at once with kWebViewErrorNoDisplay, so a
// run without a display has no pages and no crash.
//
// Nothing the page hands back is trusted: navigation URLs longer than kMaxUrlLength or that do
// not parse are refused, script answers longer than kMaxScriptResultLength or not UTF-8 answer
// "", overlong or malformed titles read as "", each with a log line.

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "platform/base/Error.h"
#include "platform/base/Geometry.h"
#include "platform/base/LogBudget.h"
#include "platform/base/Url.h"
#include "platform/net/UrlRequest.h"
#include "platform/web/WebViewDelegate.h"
#include "platform/web/WebViewTypes.h"

namespace platform::web {

class WebViewBackend;

class WebView : public std::enable_shared_from_this<WebView> {
  public:
    static constexpr double kDefaultScriptTimeout = 1.0;
    static constexpr std::size_t kMaxUrlLength = 256 * 1024;
    static constexpr std::size_t kMaxScriptResultLength = 16 * 1024 * 1024;
    static constexpr std::size_t kMaxTitleLength = 4096;
    // Sizes the page may report, in points, beyond which a report is refused.
    static constexpr double kMaxContentExtent = 1e7;
    // The lines a page may cause in the log (pageLog()), and the line written once in place of
    // the rest. A page's diagnostics at start-up and at each interaction take a few dozen
    // lines; one past this is logging (or asking to be refused) in a loop.
    static constexpr std::uint32_t kPageLogLines = 100;
    static constexpr const char* kPageLogDroppedLine =
        "WebView: this page has caused as many log lines as a page may; the rest are dropped.";

    // A view of the given size in points (at least 1 x 1). The page's CSS pixels are points.
    // Its pages run in `context` for the view's whole life (WebViewTypes.h).
    static std::shared_ptr<WebView> create(Size size,
                                           WebViewContext context = WebViewContext::Shared);
    ~WebView();
    WebView(const WebView&) = delete;
    WebView& operator=(const WebView&) = delete;

    // A view that has had a delegate and has none now (its owner let go of it, and it lives on
    // for a moment, or another takes it over) refuses every navigation meanwhile: a page nobody
    // drives goes nowhere. A view never given one allows everything.
    void setDelegate(std::weak_ptr<WebViewDelegate> delegate) {
        driven_ = driven_ || !delegate.expired();
        delegate_ = std::move(delegate);
    }
    std::shared_ptr<WebViewDelegate> delegate() const { return delegate_.lock(); }

    // Loading. An empty base URL stands for "about:blank".
    void loadHTMLString(const std::string& html, const Url& baseUrl);
    void loadRequest(const UrlRequest& request);
    void stopLoading();
    void reload();
    void goBack();
    void goForward();
    bool canGoBack() const;
    bool canGoForward() const;
    bool isLoading() const;
    // The page's URL now (or the one being loaded); empty before the first load.
    std::optional<Url> url() const;
    std::string title() const;

    // Settings apply at once and stay for every later page.
    const WebViewSettings& settings() const { return settings_; }
    void setSettings(const WebViewSettings& settings);
    // The engine's own agent until one is set; every navigation request carries it.
    std::string userAgent() const;
    void setUserAgent(const std::string& agent);

    Size size() const { return size_; }
    void setSize(Size size);
    WebViewContext context() const { return context_; }

    // The page's share of the log: every line its page can cause spends it, whoever writes it
    // (the engine refusing what the page asked for, the checks on what it reports, its
    // owner's handlers of its messages). Each load asked of the view (loadHTMLString,
    // loadRequest; not the page's own navigations, nor reload) starts a new one. Any thread.
    LogBudget& pageLog() { return *pageLog_; }

    // Scripts. A script's value is whatever the page's functions inside it return, so a caller
    // takes one only when it uses it, and says how long a string it takes: `longestValue`
    // characters (UTF-16 code units, as the page counts), kLongestScriptValue unless it needs
    // more. A longer string is refused in the page's own process, before anything converts or
    // copies it (kWebViewErrorScriptValueTooLong, with a line out of the page's budget), and
    // of a script that threw, only that it did is told, never what it threw.
    static constexpr std::size_t kLongestScriptValue = 16 * 1024;
    // The completion gets the value as text ("" for anything but strings, numbers and
    // booleans) and, when the script failed, the error. Without a completion no value is
    // asked for.
    using ScriptCompletion =
        std::function<void(const std::string& value, const std::optional<Error>& error)>;
    void evaluateJavaScript(const std::string& script, ScriptCompletion completion = {},
                            std::size_t longestValue = kLongestScriptValue);
    // A script whose value nobody takes: `done` hears only whether it ran (the error when not).
    using RunCompletion = std::function<void(const std::optional<Error>& error)>;
    void runJavaScript(const std::string& script, RunCompletion done = {});
    // The value as text; "" for non-scalars, exceptions, a refused value and the time-out
    // (seconds of real time, not of the test clock). A `longestValue` of 0 takes none.
    std::string stringByEvaluatingJavaScriptFromString(
        const std::string& script, double timeout = kDefaultScriptTimeout,
        std::size_t longestValue = kLongestScriptValue);

    // Pictures, premultiplied RGBA at the view's pixel size. The completion hears nothing
    // (nullopt) when the page could not be pictured: none loaded yet, its process gone, no
    // display.
    using SnapshotCompletion = std::function<void(std::optional<WebSnapshot> picture)>;
    void takeSnapshot(SnapshotCompletion completion);
    std::optional<WebSnapshot> snapshot(double timeout = kDefaultScriptTimeout);
    const WebSnapshot& paintedFrame();
    std::uint64_t paintedGeneration() const;
    // Frames are numbered in the order they were asked for, and the painted frame never goes
    // back to one asked for before it. requestFreshFrame() asks for one now, drawn after
    // everything sent to the page so far (a script sent before has run), and answers its
    // number: paintedFrameNumber() reaches it once that frame, or a later one, is painted. The
    // engine may not have taken a new size yet: the frame has the size the page has then. A
    // transparent page's frames (every ad's) are each drawn when asked for, so none after the
    // fresh one shows less; an opaque page's are the engine's window as last drawn, which may
    // trail it by a repaint.
    std::uint64_t requestFreshFrame();
    std::uint64_t paintedFrameNumber() const;

    // What views have been asked so far in this process, for tests that show what a path did:
    // the synchronous evaluations and snapshots, and the snapshots asked without waiting.
    static std::uint64_t synchronousWaitCount();
    static std::uint64_t asynchronousSnapshotCount();

    // Input, in the view's points.
    void sendMouseEvent(const WebMouseEvent& event);
    void sendScrollEvent(const WebScrollEvent& event);
    void sendKeyEvent(const WebKeyEvent& event);

    // Which engine create() uses: WebKit unless a test installed another (FakeWebViewScope).
    using BackendFactory = std::function<std::unique_ptr<WebViewBackend>(int width, int height)>;

  private:
    struct Private {};
    friend class FakeWebViewScope;
    static BackendFactory setBackendFactory(BackendFactory factory);
    class Events;

  public:
    WebView(Private, Size size, std::unique_ptr<WebViewBackend> backend,
            WebViewContext context = WebViewContext::Shared);

  private:
    // Runs `call` with the delegate on a later main-loop turn, if both still live then.
    void deliver(std::function<void(WebView&, WebViewDelegate&)> call);
    static void afterCallback(std::shared_ptr<WebView> self);

    std::unique_ptr<Events> events_;
    std::unique_ptr<WebViewBackend> backend_;
    // Shared with the backend, whose engine may hold it a little longer than the view.
    std::shared_ptr<LogBudget> pageLog_;
    std::weak_ptr<WebViewDelegate> delegate_;
    WebViewSettings settings_;
    Size size_;
    WebViewContext context_;
    // Released by its caller inside a callback: waiting for its last turn, deaf meanwhile.
    bool orphaned_ = false;
    bool driven_ = false;
};

}  // namespace platform::web
