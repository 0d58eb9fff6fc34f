#pragma once

// Where WebViews get their WebKit engine: a module (libmovuroute-webkit.so) that the program
// opens with dlopen the first time a web view needs it, so a run without web views never maps
// WebKit or GTK, and the program links neither. Everything WebKit-specific lives behind the
// module's one entry point, which answers a WebEngineModule. The module is never closed
// (RTLD_NODELETE): GTK cannot be shut down, and leak reports keep its symbol names.
//
// The module is found like the web-process extension: in $MOVUROUTE_WEB_ENGINE_DIR, else in
// `webengine/` beside the program, else in the build's own `webengine/` folder.
//
// Tests and tools get the engine at once, on the first WebView::create. The program first
// calls deferUntilFirstFrame(): views made before its first frame get a stand-in backend that
// keeps what they are told, and after firstFrameDrawn() the engine loads over a few main-loop
// turns (the libraries on a pool thread; then one turn each for the display, the web context,
// and each expected context's anchor view with its blank page), so no frame waits for all of
// it. The
// views then get their real backends and what they were told, in order; a waiting view's agent is
// "" unless one was set, and its loads get the engine's. A blocking script or a waiting snapshot on
// a waiting view opens the engine at once; an asynchronous snapshot waits for it like a script.
// Main thread only.

#include <memory>
#include <string>

#include "platform/web/WebViewBackend.h"

namespace platform::web {

struct WebEngineModule {
    static constexpr int kVersion = 3;
    int version = kVersion;
    // Opens the display; false without one (backends then fail every load at once).
    bool (*openDisplay)() = nullptr;
    // Makes the shared web context (after openDisplay()).
    bool (*start)() = nullptr;
    // Starts the context's web process with a blank page, so its first real page finds it up.
    void (*warmUp)(WebViewContext context) = nullptr;
    std::unique_ptr<WebViewBackend> (*makeBackend)(int width, int height,
                                                   WebViewContext context) = nullptr;
};

inline constexpr const char* kWebEngineEntryPoint = "movuroute_web_engine";
inline constexpr const char* kWebEngineFileName = "libmovuroute-webkit.so";

class WebEngine {
  public:
    static void deferUntilFirstFrame();
    static void firstFrameDrawn();

    // The engine's backend, or a stand-in while it loads (or that fails every load when the
    // module cannot be opened).
    static std::unique_ptr<WebViewBackend> makeBackend(
        int width, int height, WebViewContext context = WebViewContext::Shared);

    // The program will make views of `context` besides the shared ones (the ads SDK: its core
    // page): the warm-up starts that context's web process too, so the first page of it waits
    // for no process to start; at once when the engine is already up. Views of a context never
    // expected start its process when the first of them is made.
    static void expectContext(WebViewContext context);
    // Whether the module is open and started.
    static bool isReady();
};

// The folder that holds `fileName` for a file the program ships beside itself: $variable
// (only that, when set), else `folder` beside the program, else `buildFolder`; "" when none
// has it.
std::string findBesideProgram(const char* variable, const char* folder,
                              const std::string& buildFolder, const char* fileName);

}  // namespace platform::web
