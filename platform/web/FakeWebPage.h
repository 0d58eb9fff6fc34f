#pragma once

// The scripted engine behind WebViews made under a FakeWebViewScope: it records what the view
// asked (loads, evaluations, input, settings) and lets the test play the page's part (fire
// navigations of the page, of a frame or of a new window and read the answer, start, finish,
// fail, report a content size, answer scripts, show a picture). What it fires reaches the
// delegate the way WebKit's events do: checked, on a later main-loop turn. Unlike WebKit it
// knows whose each navigation is as it asks, so a navigation answered LoadInFrameOnly loads
// when it is a frame's and is handed back at once when it is the page's; one answered HandBack
// is handed back at once whoever's it is. Main thread only. A page outlives its view; once the
// view is gone, firing does nothing.

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/web/WebViewBackend.h"

namespace platform::web {

class FakeWebPage : public std::enable_shared_from_this<FakeWebPage> {
  public:
    using ScriptResult = WebViewBackend::ScriptResult;

    struct Load {
        // loadHTMLString: the HTML and the base URL; loadRequest: the request.
        std::string html;
        std::string baseUrl;
        std::optional<UrlRequest> request;
    };

    // A navigation fired by the test; answered once the delegate's turn came: whether it
    // loads, and whether it was handed back as the page's own (then it does not load).
    struct Navigation {
        std::optional<bool> answer;
        bool heldBack = false;
    };
    using Target = WebViewBackend::Target;

    explicit FakeWebPage(int width, int height) : width_(width), height_(height) {}

    // What the view asked.
    const std::vector<Load>& loads() const { return loads_; }
    const std::vector<std::string>& evaluations() const { return evaluations_; }
    // For each evaluation, the longest string value its caller takes (0: none).
    const std::vector<std::size_t>& valuesAsked() const { return valuesAsked_; }
    int stopCount() const { return stops_; }
    int reloadCount() const { return reloads_; }
    int backCount() const { return backs_; }
    int forwardCount() const { return forwards_; }
    const WebViewSettings& settings() const { return settings_; }
    int width() const { return width_; }
    int height() const { return height_; }
    const std::vector<WebMouseEvent>& mouseEvents() const { return mouse_; }
    const std::vector<WebScrollEvent>& scrollEvents() const { return scrolls_; }
    const std::vector<WebKeyEvent>& keyEvents() const { return keys_; }
    bool viewAlive() const { return client_ != nullptr; }

    // The page's part.
    // Of the page itself unless told otherwise; a new window's is the page's.
    std::shared_ptr<Navigation> fireNavigation(const std::string& url, NavigationType type,
                                               const HttpHeaders& headers = {},
                                               Target target = Target::Page);
    std::shared_ptr<Navigation> fireFrameNavigation(const std::string& url, NavigationType type) {
        return fireNavigation(url, type, {}, Target::Frame);
    }
    // A server's redirect of the navigation allowed last, to url.
    std::shared_ptr<Navigation> fireRedirect(const std::string& url, NavigationType type,
                                             const HttpHeaders& headers = {});
    void fireStart();
    void fireFinish();
    void fireFail(const Error& error);
    void fireContentSize(double width, double height);
    // The page's process ends: a load under way fails with kWebViewErrorWebProcessEnded, the
    // scripts waiting for an answer end with that error and the snapshots waiting get no
    // picture, then the view hears that the process ended.
    void fireWebProcessEnded();
    void setTitle(std::string title) { title_ = std::move(title); }
    void setCurrentUrl(std::string url) { url_ = std::move(url); }
    void setCanGoBack(bool can) { canGoBack_ = can; }
    void setCanGoForward(bool can) { canGoForward_ = can; }

    // Synchronous evaluations ask this (the default answers "" as a non-scalar). It may fire
    // events; the view delivers them after the evaluation returns.
    void setScriptAnswer(std::function<ScriptResult(const std::string& script)> answer) {
        answer_ = std::move(answer);
    }
    // Asynchronous evaluations wait until the test answers them, oldest first; answers
    // whether one was waiting.
    bool answerNextScript(ScriptResult result);
    std::size_t pendingScriptCount() const { return pending_.size(); }

    // What snapshot() answers (nothing by default) and what the view paints.
    void setSnapshot(std::optional<WebSnapshot> snapshot) { snapshot_ = std::move(snapshot); }
    // takeSnapshot() gets the picture setSnapshot() holds at the moment it asks (delivered on
    // the view's next main-loop turn), unless the test holds the answers back: then each
    // request waits until answerNextSnapshot(), oldest first, like a busy page. Letting go
    // of the hold leaves waiting requests waiting.
    void holdSnapshots(bool hold) { holdSnapshots_ = hold; }
    bool answerNextSnapshot(std::optional<WebSnapshot> picture);
    std::size_t pendingSnapshotCount() const { return pendingSnapshots_.size(); }
    // Asynchronous snapshots asked for so far.
    int snapshotRequestCount() const { return snapshotRequests_; }
    // The page paints: the frame counts as one asked for now, so it answers every fresh frame
    // the view asked for so far.
    void setPaintedFrame(WebSnapshot frame) {
        painted_ = std::move(frame);
        ++generation_;
        paintedNumber_ = ++frameRequests_;
    }
    // Fresh frames the view asked for (WebView::requestFreshFrame) so far.
    std::uint64_t freshFrameRequestCount() const { return freshRequests_; }

  private:
    friend class FakeWebViewBackend;

    std::shared_ptr<Navigation> fire(const WebViewBackend::RawRequest& raw, NavigationType type);

    WebViewBackend::Client* client_ = nullptr;
    int width_, height_;
    std::vector<Load> loads_;
    std::vector<std::string> evaluations_;
    std::vector<std::size_t> valuesAsked_;
    std::vector<std::pair<std::string, WebViewBackend::ScriptCallback>> pending_;
    int stops_ = 0, reloads_ = 0, backs_ = 0, forwards_ = 0;
    WebViewSettings settings_;
    std::string userAgent_ = "Mozilla/5.0 (X11; Linux x86_64) Movuroute-FakeWebView";
    std::string title_;
    std::string url_;
    bool loading_ = false;
    bool canGoBack_ = false, canGoForward_ = false;
    std::function<ScriptResult(const std::string&)> answer_;
    std::optional<WebSnapshot> snapshot_;
    bool holdSnapshots_ = false;
    int snapshotRequests_ = 0;
    std::vector<WebViewBackend::SnapshotCallback> pendingSnapshots_;
    WebSnapshot painted_;
    std::uint64_t generation_ = 0;
    std::uint64_t frameRequests_ = 0;
    std::uint64_t freshRequests_ = 0;
    std::uint64_t paintedNumber_ = 0;
    std::vector<WebMouseEvent> mouse_;
    std::vector<WebScrollEvent> scrolls_;
    std::vector<WebKeyEvent> keys_;
};

}  // namespace platform::web
