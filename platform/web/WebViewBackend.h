#pragma once

// The engine behind a WebView: WebKit in the program, a scripted fake in unit tests. A
// WebView owns exactly one backend and is its only client. The backend does what it is told
// and reports what the page does through its Client; it never calls the WebView's delegate,
// and it may report from inside its own event dispatch: the WebView checks every reported value
// and delivers it on a later main-loop turn. Main thread only.

#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "platform/base/Error.h"
#include "platform/base/LogBudget.h"
#include "platform/base/Url.h"
#include "platform/net/HttpHeaders.h"
#include "platform/net/UrlRequest.h"
#include "platform/web/WebViewDelegate.h"
#include "platform/web/WebViewTypes.h"

namespace platform::web {

class WebViewBackend {
  public:
    // Whose navigation a request is, as far as the engine knows when it asks: the page's own
    // (a new window's, which loads in this view, counts as the page's) or one of its frames'.
    // WebKit knows a new window then, and nothing else.
    enum class Target { Unknown, Page, Frame };

    // A request as the engine gives it, before anyone has checked the URL.
    struct RawRequest {
        std::string url;
        std::string method = "GET";
        HttpHeaders headers;
        // The server redirected a navigation that was already allowed to this URL.
        bool redirect = false;
        Target target = Target::Unknown;
    };

    // What the engine tells its WebView. Values come straight from the page and are not trusted.
    class Client {
      public:
        virtual ~Client() = default;
        // `decide` must be called exactly once, with the answer; a backend that goes away first
        // refuses on its own. A redirect is only ever answered Load or Refuse. The backend
        // carries out LoadInFrameOnly and HandBack (WebViewDelegate.h): a navigation answered
        // HandBack, one of the page's own, or one the engine cannot place, comes back through
        // backendHeldBackNavigation.
        virtual void backendNavigation(const RawRequest& request, NavigationType type,
                                       std::function<void(NavigationPolicy)> decide) = 0;
        // A navigation answered HandBack, or LoadInFrameOnly and the page's own: nothing of it
        // was loaded.
        virtual void backendHeldBackNavigation(const RawRequest& request, NavigationType type) = 0;
        virtual void backendDidStart() = 0;
        virtual void backendDidFinish() = 0;
        virtual void backendDidFail(const Error& error) = 0;
        virtual void backendContentSize(double width, double height) = 0;
        // The process that ran the page ended, or the backend ended a page that flooded it; a
        // load under way has been failed first. The error says why (kWebViewErrorWebProcessEnded,
        // kWebViewErrorPageEnded).
        virtual void backendWebProcessEnded(const Error& error) = 0;
    };

    // A script's answer: the value as text (only strings, numbers and booleans have one) or the
    // error that ended it (an exception, the page's process ending, the time-out).
    struct ScriptResult {
        std::string value;
        std::optional<Error> error;
        // Strings, numbers and booleans; anything else answers "".
        bool scalar = false;
    };
    using ScriptCallback = std::function<void(ScriptResult)>;
    using SnapshotCallback = std::function<void(std::optional<WebSnapshot>)>;

    virtual ~WebViewBackend() = default;

    virtual void setClient(Client* client) = 0;
    // The budget of log lines the view's page may cause: what the engine writes because of the
    // page (its refusals of the page's requests) spends it. Given once, before any load.
    virtual void setPageLog(std::shared_ptr<LogBudget>) {}

    virtual void loadHtml(const std::string& html, const Url& baseUrl) = 0;
    virtual void loadRequest(const UrlRequest& request) = 0;
    virtual void stopLoading() = 0;
    virtual void reload() = 0;
    virtual void goBack() = 0;
    virtual void goForward() = 0;
    virtual bool canGoBack() const = 0;
    virtual bool canGoForward() const = 0;
    virtual bool isLoading() const = 0;
    virtual std::string currentUrl() const = 0;
    virtual std::string title() const = 0;

    virtual void applySettings(const WebViewSettings& settings) = 0;
    virtual std::string userAgent() const = 0;
    virtual void setUserAgent(const std::string& agent) = 0;
    virtual void setSize(int width, int height) = 0;

    // Asynchronous: the callback runs later, possibly from inside the engine's dispatch, or
    // never when the backend goes away first. `longestValue` is the longest string value the
    // caller takes, in characters (UTF-16 code units); 0 when it takes no value at all. A
    // longer string is refused with an error before it is converted, where the engine allows.
    virtual void evaluate(const std::string& script, std::size_t longestValue,
                          ScriptCallback callback) = 0;
    // Synchronous: waits at most `timeout` seconds of real time (an error then).
    virtual ScriptResult evaluateSync(const std::string& script, std::size_t longestValue,
                                      double timeout) = 0;
    // Synchronous: the page as it looks now, or nothing after `timeout` seconds or on failure.
    virtual std::optional<WebSnapshot> snapshot(double timeout) = 0;
    // Asynchronous: the page as it looks when the engine gets to it, or nothing on failure
    // (no page, its process gone); called like evaluate's callback. Asking never waits, so
    // a busy page costs its caller nothing but the answer's delay.
    virtual void requestSnapshot(SnapshotCallback callback) = 0;
    // The picture last painted, without waiting for the page (cheap enough for every frame),
    // and a number that changes whenever it does. The number also moves on when the page has
    // repainted since; asking for the picture then may only start fetching the new one, which
    // moves the number again and marks the display changed when it arrives.
    virtual const WebSnapshot& paintedFrame() = 0;
    virtual std::uint64_t paintedGeneration() const = 0;
    // Frames are numbered in the order they were asked for; a frame that comes after a later
    // one is dropped, so the painted frame never goes back to an older picture.
    // requestFreshFrame asks for one now, after everything sent to the page so far (a script
    // sent before has run when it is drawn), and answers its number; paintedFrameNumber is the
    // painted frame's, 0 before any. (An opaque page's frames read the window's surface, which
    // may trail a fresh picture by a repaint.)
    virtual std::uint64_t requestFreshFrame() = 0;
    virtual std::uint64_t paintedFrameNumber() const = 0;

    virtual void sendMouse(const WebMouseEvent& event) = 0;
    virtual void sendScroll(const WebScrollEvent& event) = 0;
    virtual void sendKey(const WebKeyEvent& event) = 0;
};

}  // namespace platform::web
