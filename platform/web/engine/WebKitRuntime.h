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

#include <string>

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

    // The scheme intercepted subresources are redirected to.
    static constexpr const char* kScheme = "movuroute-resource";

  private:
    WebKitRuntime();
    void sendNames();
    void dropAnchor();

    WebKitWebContext* context_ = nullptr;
    WebKitWebView* anchor_ = nullptr;
    bool hasExtension_ = false;
    std::string token_;
};

}  // namespace platform::web
