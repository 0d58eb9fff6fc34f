#pragma once

// The WebKit engine of a WebView: one WebKitGTK view in its own offscreen GTK window, so it
// renders at its size without ever appearing on screen. Everything WebKit signals is reported
// to the client at once; the WebView delivers it later. Policy decisions wait, referenced, until
// the client answers. Without a display the backend exists but every load fails at once.

#include <memory>

#include "platform/web/WebViewBackend.h"

namespace platform::web {

std::unique_ptr<WebViewBackend> makeWebKitBackend(int width, int height, WebViewContext context);

}  // namespace platform::web
