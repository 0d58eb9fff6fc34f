#include "platform/web/RecordingWebViewDelegate.h"

#include <cstdio>

namespace platform::web {

int RecordingWebViewDelegate::count(const std::string& prefix) const {
    int n = 0;
    for (const auto& call : calls) n += call.rfind(prefix, 0) == 0 ? 1 : 0;
    return n;
}

void RecordingWebViewDelegate::record(std::string call, const std::string& name) {
    calls.push_back(std::move(call));
    if (releaseIn && releaseOn == name) releaseIn->reset();
}

std::string RecordingWebViewDelegate::navigation(const UrlRequest& request, NavigationType type) {
    return request.url().absoluteString() + " " + std::to_string(static_cast<int>(type));
}

NavigationPolicy RecordingWebViewDelegate::webViewPolicyForNavigation(WebView& view,
                                                                      const UrlRequest& request,
                                                                      NavigationType type) {
    if (!webViewShouldStartLoad(view, request, type)) return NavigationPolicy::Refuse;
    return frameOnly ? NavigationPolicy::LoadInFrameOnly : NavigationPolicy::Load;
}

bool RecordingWebViewDelegate::webViewShouldStartLoad(WebView&, const UrlRequest& request,
                                                      NavigationType type) {
    requests.push_back(request);
    types.push_back(type);
    record("should " + navigation(request, type), "should");
    return allow;
}

void RecordingWebViewDelegate::webViewDidHoldBackNavigation(WebView&, const UrlRequest& request,
                                                            NavigationType type) {
    record("held " + navigation(request, type), "held");
}

void RecordingWebViewDelegate::webViewDidStartLoad(WebView&) {
    record("start", "start");
}

void RecordingWebViewDelegate::webViewDidFinishLoad(WebView&) {
    record("finish", "finish");
}

void RecordingWebViewDelegate::webViewDidFailLoad(WebView&, const Error& error) {
    errors.push_back(error);
    record("fail " + std::to_string(error.code), "fail");
}

void RecordingWebViewDelegate::webViewWebProcessDidEnd(WebView&, const Error& error) {
    errors.push_back(error);
    record("ended " + std::to_string(error.code), "ended");
}

void RecordingWebViewDelegate::webViewContentSizeDidChange(WebView&, Size size) {
    sizes.push_back(size);
    char text[64];
    snprintf(text, sizeof text, "size %gx%g", size.width, size.height);
    record(text, "size");
}

}  // namespace platform::web
