#include "platform/web/FakeWebPage.h"

#include "platform/web/WebViewTypes.h"

namespace platform::web {

std::shared_ptr<FakeWebPage::Navigation> FakeWebPage::fireNavigation(const std::string& url,
                                                                     NavigationType type,
                                                                     const HttpHeaders& headers,
                                                                     Target target) {
    return fire(WebViewBackend::RawRequest{url, "GET", headers, false, target}, type);
}

std::shared_ptr<FakeWebPage::Navigation> FakeWebPage::fireRedirect(const std::string& url,
                                                                   NavigationType type,
                                                                   const HttpHeaders& headers) {
    return fire(WebViewBackend::RawRequest{url, "GET", headers, true, Target::Page}, type);
}

std::shared_ptr<FakeWebPage::Navigation> FakeWebPage::fire(const WebViewBackend::RawRequest& raw,
                                                           NavigationType type) {
    auto navigation = std::make_shared<Navigation>();
    if (!client_) return navigation;
    client_->backendNavigation(
        raw, type, [navigation, raw, type, page = weak_from_this()](NavigationPolicy policy) {
            const bool inFrame = raw.target == Target::Frame;
            navigation->answer = policy == NavigationPolicy::Load ||
                                 (policy == NavigationPolicy::LoadInFrameOnly && inFrame);
            const bool handedBack = policy == NavigationPolicy::HandBack ||
                                    (policy == NavigationPolicy::LoadInFrameOnly && !inFrame);
            if (!handedBack) return;
            navigation->heldBack = true;
            auto self = page.lock();
            if (self && self->client_) self->client_->backendHeldBackNavigation(raw, type);
        });
    return navigation;
}

void FakeWebPage::fireStart() {
    loading_ = true;
    if (client_) client_->backendDidStart();
}

void FakeWebPage::fireFinish() {
    loading_ = false;
    if (client_) client_->backendDidFinish();
}

void FakeWebPage::fireFail(const Error& error) {
    loading_ = false;
    if (client_) client_->backendDidFail(error);
}

void FakeWebPage::fireContentSize(double width, double height) {
    if (client_) client_->backendContentSize(width, height);
}

void FakeWebPage::fireWebProcessEnded() {
    Error error = Error::make(kWebViewErrorDomain, kWebViewErrorWebProcessEnded,
                              "The page's web process ended");
    error.withUserInfo(Error::kUrlKey, Value(url_));
    if (loading_) fireFail(error);
    // Scripts sent to the page end with the process's error, as the engine's do.
    auto pending = std::move(pending_);
    pending_.clear();
    for (auto& [script, callback] : pending) {
        if (callback) callback(ScriptResult{{}, error, false});
    }
    while (answerNextSnapshot(std::nullopt)) {
    }
    if (client_) client_->backendWebProcessEnded(error);
}

bool FakeWebPage::answerNextScript(ScriptResult result) {
    if (pending_.empty()) return false;
    auto callback = std::move(pending_.front().second);
    pending_.erase(pending_.begin());
    if (callback) callback(std::move(result));
    return true;
}

bool FakeWebPage::answerNextSnapshot(std::optional<WebSnapshot> picture) {
    if (pendingSnapshots_.empty()) return false;
    auto callback = std::move(pendingSnapshots_.front());
    pendingSnapshots_.erase(pendingSnapshots_.begin());
    if (callback) callback(std::move(picture));
    return true;
}

}  // namespace platform::web
