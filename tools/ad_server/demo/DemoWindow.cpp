#include "tools/ad_server/demo/DemoWindow.h"

#include <SDL.h>
#include <stdlib.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "platform/gfx/WindowContext.h"
#include "platform/storage/AppPaths.h"
#include "platform/storage/LibraryFolders.h"
#include "platform/ui/Application.h"
#include "platform/ui/Compositor.h"
#include "platform/ui/FrameLoop.h"
#include "platform/ui/Screen.h"
#include "platform/ui/TouchInput.h"
#include "platform/ui/Window.h"

namespace tools::adserver {

int runDemoWindow(const char* title, const std::shared_ptr<platform::ui::Window>& shown,
                  double seconds) {
    platform::ui::Window& window = *shown;
    const double scale = platform::ui::Screen::mainScreen().scale();
    std::string error;
    auto context =
        platform::gfx::WindowContext::create(title, int(320 * scale), int(480 * scale), &error);
    if (!context) {
        std::fprintf(stderr, "%s: no window: %s\n", title, error.c_str());
        return 1;
    }
    platform::ui::Compositor compositor;
    platform::ui::FrameLoop frames(
        window, compositor,
        [&] {
            context->makeCurrent();
            compositor.drawFrame(window, context->width(), context->height());
            context->present();
        },
        1.0 / 60);
    platform::ui::TouchInput touches(shown);
    touches.setViewportSize(context->width(), context->height());
    const auto started = std::chrono::steady_clock::now();
    for (;;) {
        SDL_Event e;
        while (SDL_PollEvent(&e)) {
            if (e.type == SDL_QUIT) return 0;
            frames.noteInput();
            touches.handleEvent(e);
        }
        // Short sleeps: the loop has no way to hear SDL's events while it sleeps.
        frames.turn(0.02);
        const std::chrono::duration<double> ran = std::chrono::steady_clock::now() - started;
        if (seconds > 0 && ran.count() >= seconds) return 0;
    }
}

}  // namespace tools::adserver

namespace tools::adserver {

void launchDemoApplication() {
    auto& application = platform::ui::Application::shared();
    application.finishLaunching();
    application.becomeActive();
}

std::string temporaryScreenshotFolder(const std::string& demo) {
    std::string pattern = "/tmp/movu-" + demo + "-demo-screenshots-XXXXXX";
    if (!::mkdtemp(pattern.data())) {
        std::perror("demo: no folder for the photographs: mkdtemp");
        return {};
    }
    std::printf("demo: photographs go to %s\n", pattern.c_str());
    std::fflush(stdout);
    return pattern;
}

namespace {

// The temporary home, removed when the program exits. Not at the end of main: the libraries
// keep writing their caches there from threads of their own until their exit handlers stop
// them (Mesa's shader cache writer, which corrupted the heap when its folder went away under
// it). Handlers run in the reverse order of registration, and this one is registered before
// any library starts, so it runs after all of theirs, the preferences' last save among them.
std::filesystem::path& temporaryHome() {
    static auto* path = new std::filesystem::path;
    return *path;
}

void removeTemporaryHome() {
    std::error_code ignored;
    if (!temporaryHome().empty()) std::filesystem::remove_all(temporaryHome(), ignored);
}

}  // namespace

DemoHome::DemoHome(const std::string& demo, const std::string& given) {
    if (given.empty()) {
        std::string pattern = "/tmp/movu-" + demo + "-demo-XXXXXX";
        if (!::mkdtemp(pattern.data())) {
            std::perror(("movu_" + demo + "_demo: no home: mkdtemp").c_str());
            return;
        }
        path_ = pattern;
        temporaryHome() = path_;
        std::atexit(removeTemporaryHome);
    } else {
        path_ = given;
    }
    if (!platform::keepLibraryFilesIn(path_)) {
        std::fprintf(stderr,
                     "movu_%s_demo: cannot make %s; the libraries keep their caches in the "
                     "user's folders\n",
                     demo.c_str(), platform::libraryCacheFolder(path_).c_str());
    }
    platform::AppPaths::setHomeOverride(path_);
}

}  // namespace tools::adserver
