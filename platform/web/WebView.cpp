#include "platform/web/WebView.h"

#include <algorithm>
#include <cmath>

#include "platform/base/LogBudget.h"
#include "platform/base/Unicode.h"
#include "platform/runtime/MainLoop.h"
#include "platform/runtime/WeakCall.h"
#include "platform/web/WebEngine.h"
#include "platform/web/WebViewBackend.h"

namespace platform::web {

namespace {

WebView::BackendFactory& installedFactory() {
    static WebView::BackendFactory factory;
    return factory;
}

int pixels(double points) {
    if (!(points >= 1)) return 1;
    return static_cast<int>(std::lround(std::min(points, 16384.0)));
}

// The checks on values that come from the page (see WebView.h); what they refuse is the page's
// doing, and logged out of its budget.
std::string checkedScriptValue(std::string value, LogBudget& pageLog) {
    if (value.size() > WebView::kMaxScriptResultLength) {
        pageLog.writeWith([&] {
            return "WebView: script answer of " + std::to_string(value.size()) + " bytes refused";
        });
        return {};
    }
    if (!isValidUtf8(value)) {
        pageLog.write("WebView: script answer that is not UTF-8 refused");
        return {};
    }
    return value;
}

// A value the page's process refused for its length: the page's doing, one line of its budget.
void noteRefusedValue(const WebViewBackend::ScriptResult& result, LogBudget& pageLog) {
    if (result.error && result.error->is(kWebViewErrorDomain, kWebViewErrorScriptValueTooLong)) {
        pageLog.write("WebView: a script's value longer than its caller takes was refused");
    }
}

// Views live on the main thread only, so plain counts will do.
std::uint64_t& synchronousWaits() {
    static std::uint64_t count = 0;
    return count;
}
std::uint64_t& asynchronousSnapshots() {
    static std::uint64_t count = 0;
    return count;
}

}  // namespace

// The backend's client: turns what the engine reports into checked values and delegate calls
// on later main-loop turns.
class WebView::Events : public WebViewBackend::Client {
  public:
    explicit Events(WebView& view) : view_(view) {}

    void backendNavigation(const WebViewBackend::RawRequest& raw, NavigationType type,
                           std::function<void(NavigationPolicy)> decide) override {
        auto request = checked(raw, type);
        if (!request) {
            decide(NavigationPolicy::Refuse);
            return;
        }
        // Refuse when the view or its delegate's turn never comes, or its delegate has gone;
        // allow in a view never given one.
        struct Answer {
            std::function<void(NavigationPolicy)> decide;
            bool answered = false;
            ~Answer() {
                if (!answered && decide) decide(NavigationPolicy::Refuse);
            }
        };
        auto answer = std::make_shared<Answer>();
        answer->decide = std::move(decide);
        std::weak_ptr<WebView> weak = view_.weak_from_this();
        MainLoop::main().post(
            [weak, answer, request = std::move(*request), type, redirect = raw.redirect] {
                auto self = weak.lock();
                if (!self || self->orphaned_) return;
                NavigationPolicy policy =
                    self->driven_ ? NavigationPolicy::Refuse : NavigationPolicy::Load;
                if (auto delegate = self->delegate()) {
                    if (redirect) {
                        policy = delegate->webViewShouldFollowRedirect(*self, request, type)
                                     ? NavigationPolicy::Load
                                     : NavigationPolicy::Refuse;
                    } else {
                        policy = delegate->webViewPolicyForNavigation(*self, request, type);
                    }
                }
                answer->answered = true;
                answer->decide(policy);
                afterCallback(std::move(self));
            });
    }

    void backendHeldBackNavigation(const WebViewBackend::RawRequest& raw,
                                   NavigationType type) override {
        auto request = checked(raw, type);
        if (!request) return;
        view_.deliver([request = std::move(*request), type](WebView& v, WebViewDelegate& d) {
            d.webViewDidHoldBackNavigation(v, request, type);
        });
    }

    void backendDidStart() override {
        view_.deliver([](WebView& v, WebViewDelegate& d) { d.webViewDidStartLoad(v); });
    }
    void backendDidFinish() override {
        view_.deliver([](WebView& v, WebViewDelegate& d) { d.webViewDidFinishLoad(v); });
    }
    void backendDidFail(const Error& error) override {
        view_.deliver([error](WebView& v, WebViewDelegate& d) { d.webViewDidFailLoad(v, error); });
    }
    void backendContentSize(double width, double height) override {
        if (!(width >= 0 && height >= 0 && width <= kMaxContentExtent &&
              height <= kMaxContentExtent)) {
            view_.pageLog().write("WebView: content size out of range refused");
            return;
        }
        Size size{width, height};
        view_.deliver(
            [size](WebView& v, WebViewDelegate& d) { d.webViewContentSizeDidChange(v, size); });
    }
    void backendWebProcessEnded(const Error& error) override {
        view_.deliver(
            [error](WebView& v, WebViewDelegate& d) { d.webViewWebProcessDidEnd(v, error); });
    }

  private:
    // The request the engine reported, checked (WebView.h): nothing for an overlong or
    // malformed address, with a line in the page's log. An unknown type reads as Other.
    std::optional<UrlRequest> checked(const WebViewBackend::RawRequest& raw, NavigationType& type) {
        if (raw.url.size() > kMaxUrlLength) {
            view_.pageLog().writeWith([&] {
                return "WebView: navigation to a URL of " + std::to_string(raw.url.size()) +
                       " bytes refused";
            });
            return std::nullopt;
        }
        auto url = Url::parse(raw.url);
        if (!url || !url->hasScheme()) {
            view_.pageLog().write("WebView: navigation to a malformed URL refused");
            return std::nullopt;
        }
        const int code = static_cast<int>(type);
        if (code < 0 || code > static_cast<int>(NavigationType::Other))
            type = NavigationType::Other;
        UrlRequest request(*url);
        request.setHttpMethod(raw.method.empty() ? "GET" : raw.method);
        request.setAllHttpHeaderFields(raw.headers);
        if (request.userAgent().empty()) request.setUserAgent(view_.userAgent());
        return request;
    }

    WebView& view_;
};

std::shared_ptr<WebView> WebView::create(Size size, WebViewContext context) {
    const int width = pixels(size.width);
    const int height = pixels(size.height);
    std::unique_ptr<WebViewBackend> backend;
    if (auto& factory = installedFactory()) backend = factory(width, height);
    if (!backend) backend = WebEngine::makeBackend(width, height, context);
    return std::make_shared<WebView>(Private{},
                                     Size{static_cast<double>(width), static_cast<double>(height)},
                                     std::move(backend), context);
}

WebView::WebView(Private, Size size, std::unique_ptr<WebViewBackend> backend,
                 WebViewContext context)
    : events_(std::make_unique<Events>(*this)),
      backend_(std::move(backend)),
      pageLog_(std::make_shared<LogBudget>(kPageLogLines, kPageLogDroppedLine)),
      size_(size),
      context_(context) {
    backend_->setClient(events_.get());
    backend_->setPageLog(pageLog_);
    backend_->applySettings(settings_);
}

WebView::~WebView() {
    backend_->setClient(nullptr);
    // The backend goes first: it may still report while it winds down.
    backend_.reset();
}

WebView::BackendFactory WebView::setBackendFactory(BackendFactory factory) {
    auto previous = std::move(installedFactory());
    installedFactory() = std::move(factory);
    return previous;
}

void WebView::deliver(std::function<void(WebView&, WebViewDelegate&)> call) {
    MainLoop::main().post([weak = weak_from_this(), call = std::move(call)] {
        auto self = weak.lock();
        if (!self || self->orphaned_) return;
        if (auto delegate = self->delegate()) call(*self, *delegate);
        afterCallback(std::move(self));
    });
}

void WebView::afterCallback(std::shared_ptr<WebView> self) {
    // The caller dropped its last reference inside the call: hear nothing more, and die on the
    // next turn rather than inside the call that is still on the stack.
    if (self.use_count() > 1) return;
    self->orphaned_ = true;
    MainLoop::main().post([self = std::move(self)] {});
}

void WebView::loadHTMLString(const std::string& html, const Url& baseUrl) {
    pageLog_->renew();
    const Url base = baseUrl.absoluteString().empty() ? *Url::parse("about:blank") : baseUrl;
    backend_->loadHtml(html, base);
}

void WebView::loadRequest(const UrlRequest& request) {
    pageLog_->renew();
    UrlRequest copy = request;
    if (copy.userAgent().empty()) copy.setUserAgent(userAgent());
    backend_->loadRequest(copy);
}

void WebView::stopLoading() {
    backend_->stopLoading();
}
void WebView::reload() {
    backend_->reload();
}
void WebView::goBack() {
    backend_->goBack();
}
void WebView::goForward() {
    backend_->goForward();
}
bool WebView::canGoBack() const {
    return backend_->canGoBack();
}
bool WebView::canGoForward() const {
    return backend_->canGoForward();
}
bool WebView::isLoading() const {
    return backend_->isLoading();
}

std::optional<Url> WebView::url() const {
    std::string text = backend_->currentUrl();
    if (text.empty() || text.size() > kMaxUrlLength) return std::nullopt;
    return Url::parse(text);
}

std::string WebView::title() const {
    std::string title = backend_->title();
    if (title.size() > kMaxTitleLength || !isValidUtf8(title)) {
        pageLog_->writeWith([&] {
            return "WebView: page title of " + std::to_string(title.size()) + " bytes refused";
        });
        return {};
    }
    return title;
}

void WebView::setSettings(const WebViewSettings& settings) {
    settings_ = settings;
    backend_->applySettings(settings_);
}

std::string WebView::userAgent() const {
    return backend_->userAgent();
}

void WebView::setUserAgent(const std::string& agent) {
    backend_->setUserAgent(agent);
}

void WebView::setSize(Size size) {
    const int width = pixels(size.width);
    const int height = pixels(size.height);
    size_ = {static_cast<double>(width), static_cast<double>(height)};
    backend_->setSize(width, height);
}

void WebView::evaluateJavaScript(const std::string& script, ScriptCompletion completion,
                                 std::size_t longestValue) {
    if (!completion) return runJavaScript(script);
    std::weak_ptr<WebView> weak = weak_from_this();
    backend_->evaluate(script, std::min(longestValue, kMaxScriptResultLength),
                       [weak, completion = std::move(completion),
                        pageLog = pageLog_](WebViewBackend::ScriptResult result) {
                           noteRefusedValue(result, *pageLog);
                           std::string value =
                               result.scalar ? checkedScriptValue(std::move(result.value), *pageLog)
                                             : "";
                           MainLoop::main().post([weak, completion, value = std::move(value),
                                                  error = std::move(result.error)] {
                               auto self = weak.lock();
                               if (!self || self->orphaned_) return;
                               completion(value, error);
                               afterCallback(std::move(self));
                           });
                       });
}

void WebView::runJavaScript(const std::string& script, RunCompletion done) {
    std::weak_ptr<WebView> weak = weak_from_this();
    backend_->evaluate(script, 0,
                       [weak, done = std::move(done)](WebViewBackend::ScriptResult result) {
                           if (!done) return;
                           MainLoop::main().post([weak, done, error = std::move(result.error)] {
                               auto self = weak.lock();
                               if (!self || self->orphaned_) return;
                               done(error);
                               afterCallback(std::move(self));
                           });
                       });
}

std::string WebView::stringByEvaluatingJavaScriptFromString(const std::string& script,
                                                            double timeout,
                                                            std::size_t longestValue) {
    ++synchronousWaits();
    if (!(timeout > 0)) timeout = 0;
    auto keep = shared_from_this();
    auto result = backend_->evaluateSync(script, std::min(longestValue, kMaxScriptResultLength),
                                         std::min(timeout, 3600.0));
    noteRefusedValue(result, *pageLog_);
    if (result.error || !result.scalar) return {};
    return checkedScriptValue(std::move(result.value), *pageLog_);
}

void WebView::takeSnapshot(SnapshotCompletion completion) {
    if (!completion) return;
    ++asynchronousSnapshots();
    std::weak_ptr<WebView> weak = weak_from_this();
    backend_->requestSnapshot(
        [weak, completion = std::move(completion)](std::optional<WebSnapshot> picture) mutable {
            if (picture && picture->empty()) picture.reset();
            MainLoop::main().post(
                [weak, completion = std::move(completion), picture = std::move(picture)]() mutable {
                    auto self = weak.lock();
                    if (!self || self->orphaned_) return;
                    completion(std::move(picture));
                    afterCallback(std::move(self));
                });
        });
}

std::optional<WebSnapshot> WebView::snapshot(double timeout) {
    ++synchronousWaits();
    if (!(timeout > 0)) timeout = 0;
    auto keep = shared_from_this();
    return backend_->snapshot(std::min(timeout, 3600.0));
}

std::uint64_t WebView::synchronousWaitCount() {
    return synchronousWaits();
}

std::uint64_t WebView::asynchronousSnapshotCount() {
    return asynchronousSnapshots();
}

const WebSnapshot& WebView::paintedFrame() {
    return backend_->paintedFrame();
}

std::uint64_t WebView::paintedGeneration() const {
    return backend_->paintedGeneration();
}

std::uint64_t WebView::requestFreshFrame() {
    return backend_->requestFreshFrame();
}

std::uint64_t WebView::paintedFrameNumber() const {
    return backend_->paintedFrameNumber();
}

void WebView::sendMouseEvent(const WebMouseEvent& event) {
    backend_->sendMouse(event);
}
void WebView::sendScrollEvent(const WebScrollEvent& event) {
    backend_->sendScroll(event);
}
void WebView::sendKeyEvent(const WebKeyEvent& event) {
    backend_->sendKey(event);
}

std::uint32_t WebSnapshot::pixel(int x, int y) const {
    if (x < 0 || y < 0 || x >= width || y >= height) return 0;
    const std::size_t at = (static_cast<std::size_t>(y) * width + x) * 4;
    if (at + 3 >= rgba.size()) return 0;
    return static_cast<std::uint32_t>(rgba[at]) << 24 |
           static_cast<std::uint32_t>(rgba[at + 1]) << 16 |
           static_cast<std::uint32_t>(rgba[at + 2]) << 8 | rgba[at + 3];
}

}  // namespace platform::web
