#pragma once

// The engine of a view made under a FakeWebViewScope: forwards everything to its FakeWebPage.

#include <memory>

#include "platform/web/FakeWebPage.h"
#include "platform/web/WebViewBackend.h"

namespace platform::web {

class FakeWebViewBackend : public WebViewBackend {
  public:
    explicit FakeWebViewBackend(std::shared_ptr<FakeWebPage> page) : page_(std::move(page)) {}
    ~FakeWebViewBackend() override;

    void setClient(Client* client) override { page_->client_ = client; }
    void loadHtml(const std::string& html, const Url& baseUrl) override;
    void loadRequest(const UrlRequest& request) override;
    void stopLoading() override;
    void reload() override;
    void goBack() override { ++page_->backs_; }
    void goForward() override { ++page_->forwards_; }
    bool canGoBack() const override { return page_->canGoBack_; }
    bool canGoForward() const override { return page_->canGoForward_; }
    bool isLoading() const override { return page_->loading_; }
    std::string currentUrl() const override { return page_->url_; }
    std::string title() const override { return page_->title_; }
    void applySettings(const WebViewSettings& settings) override { page_->settings_ = settings; }
    std::string userAgent() const override { return page_->userAgent_; }
    void setUserAgent(const std::string& agent) override { page_->userAgent_ = agent; }
    void setSize(int width, int height) override {
        page_->width_ = width;
        page_->height_ = height;
    }
    void evaluate(const std::string& script, std::size_t longestValue,
                  ScriptCallback callback) override;
    ScriptResult evaluateSync(const std::string& script, std::size_t longestValue,
                              double timeout) override;
    std::optional<WebSnapshot> snapshot(double) override { return page_->snapshot_; }
    void requestSnapshot(SnapshotCallback callback) override;
    const WebSnapshot& paintedFrame() override { return page_->painted_; }
    std::uint64_t paintedGeneration() const override { return page_->generation_; }
    std::uint64_t requestFreshFrame() override {
        ++page_->freshRequests_;
        return ++page_->frameRequests_;
    }
    std::uint64_t paintedFrameNumber() const override { return page_->paintedNumber_; }
    void sendMouse(const WebMouseEvent& event) override { page_->mouse_.push_back(event); }
    void sendScroll(const WebScrollEvent& event) override { page_->scrolls_.push_back(event); }
    void sendKey(const WebKeyEvent& event) override { page_->keys_.push_back(event); }

  private:
    std::shared_ptr<FakeWebPage> page_;
};

}  // namespace platform::web
