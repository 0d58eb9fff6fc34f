#pragma once

// What a WebView tells the object that drives it. Every call comes on the main loop, never from
// inside a call into the view, and never while a synchronous evaluation or snapshot of that view
// is waiting: what arrives meanwhile is delivered, in order, after it returns.
//
// For one main-frame load the order is: webViewPolicyForNavigation (answered Load), then
// webViewDidStartLoad, then exactly one of webViewDidFinishLoad or webViewDidFailLoad; each
// server redirect on the way is asked with webViewShouldFollowRedirect (refused, the load ends
// there). A navigation that is refused, stopped (stopLoading) or superseded by another load ends
// without any of these, and so does one answered HandBack, or LoadInFrameOnly and the page's
// own: it is handed back with webViewDidHoldBackNavigation instead. Navigations of frames inside
// the page and window.open are asked too, but only the main frame reports start, finish and
// failure. All methods are optional. The delegate may release the view inside any of them; the view
// then dies on the next main-loop turn.

#include "platform/base/Error.h"
#include "platform/base/Geometry.h"
#include "platform/net/UrlRequest.h"

namespace platform::web {

class WebView;

// How a navigation came about. The values are the ones page-facing code stores and compares.
enum class NavigationType : int {
    LinkClicked = 0,
    FormSubmitted = 1,
    BackForward = 2,
    Reload = 3,
    FormResubmitted = 4,
    Other = 5,
};

// A delegate's answer to a navigation. The engine may learn whether a navigation is the page's
// own or one of its frames' only after it has been answered (WebKit asks before it knows), so
// a delegate that takes the two apart answers LoadInFrameOnly: a frame's navigation loads in
// its frame; the page's own, and a new window's (which would load in this view), loads nothing
// and asks for nothing on the network, and is handed back to the delegate
// (webViewDidHoldBackNavigation) on a later turn, a few moments later with WebKit. Where the
// engine cannot tell at all (WebKit places only what it asks the network for: http and https),
// the navigation is handed back, as the page's own. A delegate that knows a navigation for
// what it hands on whoever's it is (a link the user followed, in a frame or not) answers
// HandBack: nothing of it loads, in no frame, nothing is asked of the network, and it is
// handed back on a later turn, as the page's own is under LoadInFrameOnly; a frame keeps the
// document it showed.
enum class NavigationPolicy { Refuse, Load, LoadInFrameOnly, HandBack };

class WebViewDelegate {
  public:
    virtual ~WebViewDelegate() = default;

    // Asked before every navigation of the page and its frames, including window.open; what
    // the view does with the answer is above. By default the answer of webViewShouldStartLoad.
    virtual NavigationPolicy webViewPolicyForNavigation(WebView& view, const UrlRequest& request,
                                                        NavigationType type) {
        return webViewShouldStartLoad(view, request, type) ? NavigationPolicy::Load
                                                           : NavigationPolicy::Refuse;
    }
    // A navigation answered HandBack, or LoadInFrameOnly and the page's own (or a new
    // window's): nothing of it loaded, and the page is as it was. The request and type are the ones
    // it was asked with.
    virtual void webViewDidHoldBackNavigation(WebView&, const UrlRequest& request,
                                              NavigationType type) {
        (void)request;
        (void)type;
    }

    // The yes-or-no form of webViewPolicyForNavigation, for delegates that treat every
    // navigation alike: window.open, when allowed, loads in this view (there are no second
    // windows). The request carries the view's "User-Agent". Answering false refuses it
    // silently. Without a delegate every navigation is allowed, unless the view had one
    // that has gone (WebView::setDelegate).
    virtual bool webViewShouldStartLoad(WebView&, const UrlRequest& request, NavigationType type) {
        (void)request;
        (void)type;
        return true;
    }
    // A server's redirect of a navigation this delegate already allowed: the load would go on
    // to the request's URL. The type is the one the navigation started with; the redirect is no
    // new action of the user or the page. By default asked like any navigation.
    virtual bool webViewShouldFollowRedirect(WebView& view, const UrlRequest& request,
                                             NavigationType type) {
        return webViewShouldStartLoad(view, request, type);
    }
    virtual void webViewDidStartLoad(WebView&) {}
    virtual void webViewDidFinishLoad(WebView&) {}
    // The error carries the failing URL under Error::kUrlKey: network failures in
    // kUrlErrorDomain, the engine's own (no display, the page's process ended) in
    // kWebViewErrorDomain.
    virtual void webViewDidFailLoad(WebView&, const Error& error) { (void)error; }
    // The document's scroll size in points, whenever it changes.
    virtual void webViewContentSizeDidChange(WebView&, Size size) { (void)size; }
    // The process that ran the page ended (it crashed, went over its memory limit or stopped
    // answering and was ended), loaded or not: the page is gone and scripts sent to it get no
    // answer. A load under way has failed first (webViewDidFailLoad with the same error). The
    // view may load again, in a new process. The view also ends a page that floods it with
    // frames or page messages itself (kWebViewErrorPageEnded; see kPageNavigationsPerSecond):
    // the view shows an empty page from then on, and the page's process lives on.
    virtual void webViewWebProcessDidEnd(WebView&, const Error& error) { (void)error; }
};

}  // namespace platform::web
