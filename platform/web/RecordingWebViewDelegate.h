#pragma once

// For tests: a WebView delegate that writes down every call as one line, in order
// ("should <url> <type>", "held <url> <type>", "start", "finish", "fail <code>",
// "size <w>x<h>", "ended <code>"), keeps the requests and errors (of failures and process
// ends), answers navigations with `allow` (with `frameOnly`, an allowed one may load only in a
// frame), and can let its view go inside a chosen call.

#include <memory>
#include <string>
#include <vector>

#include "platform/web/WebView.h"
#include "platform/web/WebViewDelegate.h"

namespace platform::web {

class RecordingWebViewDelegate : public WebViewDelegate {
  public:
    std::vector<std::string> calls;
    std::vector<UrlRequest> requests;
    std::vector<NavigationType> types;
    std::vector<Error> errors;
    std::vector<Size> sizes;
    bool allow = true;
    bool frameOnly = false;
    // When set, the view in *releaseIn is reset inside the call named `releaseOn` ("should",
    // "start", "finish", "fail", "size", "ended").
    std::shared_ptr<WebView>* releaseIn = nullptr;
    std::string releaseOn;

    int count(const std::string& prefix) const;

    NavigationPolicy webViewPolicyForNavigation(WebView&, const UrlRequest& request,
                                                NavigationType type) override;
    bool webViewShouldStartLoad(WebView&, const UrlRequest& request, NavigationType type) override;
    void webViewDidHoldBackNavigation(WebView&, const UrlRequest& request,
                                      NavigationType type) override;
    void webViewDidStartLoad(WebView&) override;
    void webViewDidFinishLoad(WebView&) override;
    void webViewDidFailLoad(WebView&, const Error& error) override;
    void webViewContentSizeDidChange(WebView&, Size size) override;
    void webViewWebProcessDidEnd(WebView&, const Error& error) override;

  private:
    void record(std::string call, const std::string& name);
    static std::string navigation(const UrlRequest& request, NavigationType type);
};

}  // namespace platform::web
