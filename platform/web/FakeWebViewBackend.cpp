#include "platform/web/FakeWebViewBackend.h"

namespace platform::web {

FakeWebViewBackend::~FakeWebViewBackend() {
    page_->client_ = nullptr;
    page_->pending_.clear();
    page_->pendingSnapshots_.clear();
}

void FakeWebViewBackend::loadHtml(const std::string& html, const Url& baseUrl) {
    page_->loads_.push_back({html, baseUrl.absoluteString(), std::nullopt});
    page_->url_ = baseUrl.absoluteString();
    page_->loading_ = true;
}

void FakeWebViewBackend::loadRequest(const UrlRequest& request) {
    page_->loads_.push_back({{}, {}, request});
    page_->url_ = request.url().absoluteString();
    page_->loading_ = true;
}

void FakeWebViewBackend::stopLoading() {
    ++page_->stops_;
    page_->loading_ = false;
}

void FakeWebViewBackend::reload() {
    ++page_->reloads_;
    page_->loading_ = true;
}

void FakeWebViewBackend::evaluate(const std::string& script, std::size_t longestValue,
                                  ScriptCallback callback) {
    page_->evaluations_.push_back(script);
    page_->valuesAsked_.push_back(longestValue);
    page_->pending_.emplace_back(script, std::move(callback));
}

WebViewBackend::ScriptResult FakeWebViewBackend::evaluateSync(const std::string& script,
                                                              std::size_t longestValue, double) {
    page_->evaluations_.push_back(script);
    page_->valuesAsked_.push_back(longestValue);
    if (!page_->answer_) return {};
    return page_->answer_(script);
}

void FakeWebViewBackend::requestSnapshot(SnapshotCallback callback) {
    ++page_->snapshotRequests_;
    if (page_->holdSnapshots_) {
        page_->pendingSnapshots_.push_back(std::move(callback));
        return;
    }
    if (callback) callback(page_->snapshot_);
}

}  // namespace platform::web
