#pragma once

// What every WebKit view of the process shares: GTK opened on the display, the GLib pump on the
// main loop, one ephemeral web context (nothing of the pages is written to disk) with our
// web-process extension and the resource interceptor's scheme, and one web process: every view
// is made related to a hidden anchor view with a blank page, so WebKit starts them all in the
// anchor's process instead of one process per view (its same-origin rules may still give a
// page a process of its own). Made on first use, on the main thread, and kept until the
// process ends (GTK cannot be closed again).
//
// The environment it sets unless the caller already did: WEBKIT_DISABLE_COMPOSITING_MODE=1
// (there is no GPU, and offscreen windows only show pages that paint without GL) and
// NO_AT_BRIDGE=1 (the accessibility bridge would look for a session bus that is not there) and
// WEBKIT_DISABLE_DMABUF_RENDERER=1 (its probe for a GPU renderer terminates the EGL display our
// headless GL shares).
//
// What one page may cost the others in the shared process is bounded (WebViewTypes.h): the
// runtime ends a process whose resident memory passes kWebProcessMemoryEndMegabytes (our
// extension in it watches, and asks), with WebKit's memory pressure settings releasing caches
// on the way and ending it at kWebProcessMemoryLimitMegabytes should that fail; and it ends one
// that has not answered for kWebProcessUnresponsiveSeconds after WebKit found it unresponsive
// (each second the anchor is asked to stop loading, which WebKit expects an answer to). Either
// way every view of that process hears that it ended, as after a crash.

#include <cstdint>
#include <map>
#include <string>

typedef struct _GVariant GVariant;
typedef struct _WebKitWebContext WebKitWebContext;
typedef struct _WebKitWebView WebKitWebView;

namespace platform::web {

class WebKitRuntime {
  public:
    // GTK on the display, once; false when no display can be opened (said once in the log).
    static bool openDisplay();
    // The runtime, or nullptr when no display can be opened.
    static WebKitRuntime* get();

    WebKitWebContext* context() const { return context_; }
    // The view every new view is related to, made (and its blank page started, which starts
    // the shared web process) on first use, and again after that process ended.
    WebKitWebView* relatedView();
    // Whether the web-process extension was found, so that interception works.
    bool hasExtension() const { return hasExtension_; }

    // The view's web process is ended once it has not answered for
    // kWebProcessUnresponsiveSeconds (of real time), or when our extension in it says it went
    // over its memory limit. A view is watched from its backend's start to its end.
    void watchView(WebKitWebView* view);
    void stopWatchingView(WebKitWebView* view);

    // The scheme intercepted subresources are redirected to.
    static constexpr const char* kScheme = "movuroute-resource";

  private:
    WebKitRuntime();
    // What the extension of every new web process starts with.
    GVariant* startupData() const;
    void sendNames();
    void dropAnchor();
    void responsivenessChanged(WebKitWebView* view);
    // Every second while there is an anchor or a watched view: has WebKit check the shared
    // process, and ends a process unresponsive for too long.
    void probe();

    WebKitWebContext* context_ = nullptr;
    WebKitWebView* anchor_ = nullptr;
    // The anchor's blank page has loaded: its process can be asked.
    bool anchorLoaded_ = false;
    bool hasExtension_ = false;
    std::string token_;
    // Watched views, each with the time (GLib's monotonic microseconds) since which its web
    // process has not answered, or 0.
    std::map<WebKitWebView*, std::int64_t> unresponsiveSince_;
    unsigned probeSource_ = 0;
};

}  // namespace platform::web
