#include "platform/web/WebEngine.h"

#include <dlfcn.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <vector>

#include <tuple>

#include "platform/base/Error.h"
#include "platform/base/LibraryEnvironment.h"
#include "platform/base/LogSink.h"
#include "platform/base/NamedDisplay.h"
#include "platform/base/StringEscaping.h"
#include "platform/base/Url.h"
#include "platform/net/Connection.h"
#include "platform/net/HttpHeaders.h"
#include "platform/net/UrlError.h"
#include "platform/net/UrlRequest.h"
#include "platform/runtime/GlobalQueue.h"
#include "platform/runtime/MainLoop.h"
#include "platform/ui/MainThread.h"
#include "platform/web/ResourceInterceptor.h"

namespace platform::web {

namespace {

// What the module takes from the program. Named here, so every program with web views links it
// even when nothing else there calls it; a missing one would fail the module's dlopen.
[[gnu::used]] const auto kModuleNeeds = std::make_tuple(
    &Connection::sendAsynchronousRequest, &Error::make, &Error::withUnderlying,
    &Error::withUserInfo, &HttpHeaders::add, &LogSink::write, &LogSink::writef, &MainLoop::main,
    &MainLoop::post, &MainLoop::setPump, &MainLoop::wake, &Url::lastPathComponent,
    static_cast<std::optional<Url> (*)(std::string_view)>(&Url::parse), &Url::queryValue,
    &UrlRequest::setValueForHttpHeaderField, &makeUrlError, &ResourceInterceptor::dispatch,
    &ResourceInterceptor::fileNames, &ResourceInterceptor::setNamesObserver, &findBesideProgram,
    &ui::markDisplayChanged, &askNamedDisplay, &logValue);

// The engine's choices for its libraries, made before main, in the program: setenv while another
// thread reads the environment (curl does on every transfer) can crash that thread, and the
// engine's module is opened later, on a pool thread. Each only where the user has not chosen.
[[maybe_unused]] const bool engineEnvironmentChosen = [] {
    // No GPU, and offscreen windows only show pages painted without GL.
    setLibraryEnvironment("WEBKIT_DISABLE_COMPOSITING_MODE", "1");
    // WebKit probes for its GPU renderer with an EGL display of its own and terminates it
    // again; Mesa hands every user in the process the same surfaceless display, so that would
    // take our headless GL context down with it.
    setLibraryEnvironment("WEBKIT_DISABLE_DMABUF_RENDERER", "1");
    // Our views are offscreen, composited into a window of our own, so an accessibility tree of
    // theirs serves nobody: GTK's bridge stays off, the web processes get no accessibility bus
    // to connect to (and name themselves on), and the engine does not ask the session bus for
    // one, which starts the accessibility bus's daemons where none runs.
    setLibraryEnvironment("NO_AT_BRIDGE", "1");
    setLibraryEnvironment("WEBKIT_A11Y_BUS_ADDRESS", "");
    setLibraryEnvironment("AT_SPI_BUS_ADDRESS", "disabled:");
    // Mesa's default, said aloud: each web process then turns its shader cache off by replacing
    // this value, which other threads of that process can read meanwhile, instead of growing
    // its environment a second time (WebProcessExtension.cpp).
    setLibraryEnvironment("MESA_SHADER_CACHE_DISABLE", "false");
    return true;
}();

class DeferredBackend;

// Idle until a view wants the engine; Opening while the pool thread opens the module; Ready
// once it is started, warm and every waiting view has its backend; Failed without a module.
enum class Stage { Idle, Opening, Ready, Failed };

struct Engine {
    bool deferred = false;
    bool firstFrameDrawn = false;
    Stage stage = Stage::Idle;
    const WebEngineModule* module = nullptr;
    bool displayOpen = false;
    bool started = false;
    // The contexts to warm up, those the program expects before the shared one (the SDK core
    // page's: every first ad waits for its answer before its own page loads), and those warm.
    std::vector<WebViewContext> expected{WebViewContext::Shared};
    std::vector<WebViewContext> warm;
    std::vector<DeferredBackend*> waiting;
};

void openNow();

Engine& engine() {
    static Engine e;
    return e;
}

const WebEngineModule* openModule() {
    std::string dir = findBesideProgram("MOVUROUTE_WEB_ENGINE_DIR", "webengine",
#ifdef MOVU_WEB_ENGINE_DIR
                                        MOVU_WEB_ENGINE_DIR,
#else
                                        "",
#endif
                                        kWebEngineFileName);
    if (dir.empty()) {
        LogSink::write("WebView: the web engine module was not found; every page load will fail");
        return nullptr;
    }
    std::string path = (std::filesystem::path(dir) / kWebEngineFileName).string();
    // Never closed: GTK cannot be shut down, and a closed module's frames lose their names in
    // leak reports.
    void* handle = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL | RTLD_NODELETE);
    using Entry = const WebEngineModule* (*)();
    auto entry = handle ? reinterpret_cast<Entry>(dlsym(handle, kWebEngineEntryPoint)) : nullptr;
    const WebEngineModule* module = entry ? entry() : nullptr;
    if (!module || module->version != WebEngineModule::kVersion) {
        const char* why = dlerror();
        LogSink::write(std::string("WebView: the web engine module could not be opened: ") +
                       (why ? why : "no usable entry point"));
        return nullptr;
    }
    return module;
}

// Waits for the engine, keeping what its view tells it; then hands all of it, in order, to
// the real backend and forwards from then on. Without an engine every load fails.
class DeferredBackend final : public WebViewBackend {
  public:
    DeferredBackend(int width, int height, WebViewContext context)
        : width_(width), height_(height), context_(context) {}
    ~DeferredBackend() override { std::erase(engine().waiting, this); }

    void attach(std::unique_ptr<WebViewBackend> real) {
        real_ = std::move(real);
        unavailable_ = !real_;
        if (real_) {
            real_->setClient(client_);
            if (pageLog_) real_->setPageLog(pageLog_);
            if (settings_) real_->applySettings(*settings_);
            if (agent_) real_->setUserAgent(*agent_);
        }
        auto steps = std::move(steps_);
        steps_.clear();
        for (auto& step : steps) step(*this);
    }
    int width() const { return width_; }
    int height() const { return height_; }
    WebViewContext context() const { return context_; }

    void setClient(Client* client) override {
        client_ = client;
        if (real_) real_->setClient(client);
    }
    void setPageLog(std::shared_ptr<LogBudget> log) override {
        pageLog_ = log;
        if (real_) real_->setPageLog(std::move(log));
    }

    void loadHtml(const std::string& html, const Url& baseUrl) override {
        if (real_) return real_->loadHtml(html, baseUrl);
        if (unavailable_) return fail(baseUrl.absoluteString());
        later([html, baseUrl](WebViewBackend& b) { b.loadHtml(html, baseUrl); });
        loading_ = true;
    }
    void loadRequest(const UrlRequest& request) override {
        if (real_) return real_->loadRequest(request);
        if (unavailable_) return fail(request.url().absoluteString());
        // The WebView could not give it the engine's agent yet.
        later([request](WebViewBackend& b) {
            UrlRequest withAgent = request;
            if (withAgent.userAgent().empty()) withAgent.setUserAgent(b.userAgent());
            b.loadRequest(withAgent);
        });
        loading_ = true;
    }
    void stopLoading() override {
        if (real_) return real_->stopLoading();
        later([](WebViewBackend& b) { b.stopLoading(); });
        loading_ = false;
    }
    void reload() override {
        if (real_) return real_->reload();
        later([](WebViewBackend& b) { b.reload(); });
    }
    void goBack() override {
        if (real_) real_->goBack();
    }
    void goForward() override {
        if (real_) real_->goForward();
    }
    bool canGoBack() const override { return real_ && real_->canGoBack(); }
    bool canGoForward() const override { return real_ && real_->canGoForward(); }
    bool isLoading() const override { return real_ ? real_->isLoading() : loading_; }
    std::string currentUrl() const override { return real_ ? real_->currentUrl() : ""; }
    std::string title() const override { return real_ ? real_->title() : ""; }

    void applySettings(const WebViewSettings& settings) override {
        settings_ = settings;
        if (real_) real_->applySettings(settings);
    }
    // The engine's own agent is known once the engine is up: every view's first load asks
    // for it, and must not pull the engine in before the first frame.
    std::string userAgent() const override {
        if (real_) return real_->userAgent();
        return agent_ ? *agent_ : "";
    }
    void setUserAgent(const std::string& agent) override {
        agent_ = agent;
        if (real_) real_->setUserAgent(agent);
    }
    void setSize(int width, int height) override {
        width_ = width;
        height_ = height;
        if (real_) real_->setSize(width, height);
    }

    void evaluate(const std::string& script, std::size_t longestValue,
                  ScriptCallback callback) override {
        if (real_) return real_->evaluate(script, longestValue, std::move(callback));
        if (unavailable_) {
            if (callback) callback(unavailableResult());
            return;
        }
        later([script, longestValue, callback = std::move(callback)](WebViewBackend& b) mutable {
            b.evaluate(script, longestValue, std::move(callback));
        });
    }
    ScriptResult evaluateSync(const std::string& script, std::size_t longestValue,
                              double timeout) override {
        if (!real_ && !unavailable_) openNow();
        return real_ ? real_->evaluateSync(script, longestValue, timeout) : unavailableResult();
    }
    std::optional<WebSnapshot> snapshot(double timeout) override {
        if (!real_ && !unavailable_) openNow();
        return real_ ? real_->snapshot(timeout) : std::nullopt;
    }
    // Asked of the page once it is there, like a script; without an engine there is none.
    void requestSnapshot(SnapshotCallback callback) override {
        if (real_) return real_->requestSnapshot(std::move(callback));
        if (unavailable_) {
            if (callback) callback(std::nullopt);
            return;
        }
        later([callback = std::move(callback)](WebViewBackend& b) mutable {
            b.requestSnapshot(std::move(callback));
        });
    }
    const WebSnapshot& paintedFrame() override { return real_ ? real_->paintedFrame() : none_; }
    std::uint64_t paintedGeneration() const override {
        return real_ ? real_->paintedGeneration() : 0;
    }
    // Before the engine there is no page to draw: nothing fresher than nothing will come.
    std::uint64_t requestFreshFrame() override { return real_ ? real_->requestFreshFrame() : 0; }
    std::uint64_t paintedFrameNumber() const override {
        return real_ ? real_->paintedFrameNumber() : 0;
    }

    // Input for a page that is not there yet has nothing to reach.
    void sendMouse(const WebMouseEvent& event) override {
        if (real_) real_->sendMouse(event);
    }
    void sendScroll(const WebScrollEvent& event) override {
        if (real_) real_->sendScroll(event);
    }
    void sendKey(const WebKeyEvent& event) override {
        if (real_) real_->sendKey(event);
    }

  private:
    void later(std::function<void(WebViewBackend&)> step) { steps_.push_back(std::move(step)); }
    void fail(const std::string& url) {
        if (!client_) return;
        Error error = unavailableError();
        error.withUserInfo(Error::kUrlKey, Value(url));
        client_->backendDidFail(error);
    }
    static Error unavailableError() {
        return Error::make(kWebViewErrorDomain, kWebViewErrorNoDisplay,
                           "The web engine could not be loaded");
    }
    static ScriptResult unavailableResult() {
        ScriptResult result;
        result.error = unavailableError();
        return result;
    }

    std::unique_ptr<WebViewBackend> real_;
    bool unavailable_ = false;
    Client* client_ = nullptr;
    std::shared_ptr<LogBudget> pageLog_;
    std::vector<std::function<void(WebViewBackend&)>> steps_;
    std::optional<WebViewSettings> settings_;
    std::optional<std::string> agent_;
    bool loading_ = false;
    int width_, height_;
    WebViewContext context_;
    WebSnapshot none_;
};

// Every waiting view gets its engine (or learns there is none).
void attachWaiting() {
    Engine& e = engine();
    auto waiting = std::move(e.waiting);
    e.waiting.clear();
    for (DeferredBackend* backend : waiting) {
        backend->attach(e.module ? e.module->makeBackend(backend->width(), backend->height(),
                                                         backend->context())
                                 : nullptr);
    }
    e.stage = e.module ? Stage::Ready : Stage::Failed;
}

void opened(const WebEngineModule* module) {
    Engine& e = engine();
    if (module && module->openDisplay && module->start && module->warmUp && module->makeBackend) {
        e.module = module;
    } else {
        e.stage = Stage::Failed;
    }
}

// One of the module's start-up steps, once, whichever path comes to it first.
template <class Step>
void once(bool Engine::*done, Step WebEngineModule::*step) {
    Engine& e = engine();
    if (!e.module || e.*done) return;
    e.*done = true;
    (e.module->*step)();
}
void openDisplay() {
    once(&Engine::displayOpen, &WebEngineModule::openDisplay);
}
void startRuntime() {
    once(&Engine::started, &WebEngineModule::start);
}
// One context's process, once.
void warmUp(WebViewContext context) {
    Engine& e = engine();
    if (!e.module || !e.started || std::count(e.warm.begin(), e.warm.end(), context)) return;
    e.warm.push_back(context);
    e.module->warmUp(context);
}
void warmUpAll() {
    for (WebViewContext context : std::vector<WebViewContext>(engine().expected)) warmUp(context);
}

// The whole engine now, on this turn: a view that cannot wait (a synchronous call), or a
// program that never deferred.
void openNow() {
    Engine& e = engine();
    if (e.stage == Stage::Ready || e.stage == Stage::Failed) return;
    // Safe beside the pool thread's dlopen: the second call waits for the first.
    if (!e.module) opened(openModule());
    openDisplay();
    startRuntime();
    warmUpAll();
    attachWaiting();
}

// One expected context a turn, its anchor and the anchor's page; the waiting views on the turn
// after the last.
void warmUpInSteps(std::size_t next) {
    MainLoop::main().post([next] {
        Engine& e = engine();
        if (next < e.expected.size()) {
            warmUp(e.expected[next]);
            return warmUpInSteps(next + 1);
        }
        MainLoop::main().post([] {
            if (engine().stage == Stage::Opening) attachWaiting();
        });
    });
}

// After the first frame: one step per main-loop turn, the libraries off the main thread.
void openInSteps() {
    Engine& e = engine();
    if (e.stage != Stage::Idle) return;
    e.stage = Stage::Opening;
    GlobalQueue::async([] {
        const WebEngineModule* module = openModule();
        MainLoop::main().post([module] {
            Engine& e = engine();
            if (e.stage != Stage::Opening || e.module) return;
            opened(module);
            if (!e.module) return attachWaiting();
            MainLoop::main().post([] {
                openDisplay();
                MainLoop::main().post([] {
                    startRuntime();
                    warmUpInSteps(0);
                });
            });
        });
    });
}

}  // namespace

void WebEngine::deferUntilFirstFrame() {
    engine().deferred = true;
}

void WebEngine::firstFrameDrawn() {
    Engine& e = engine();
    if (e.firstFrameDrawn) return;
    e.firstFrameDrawn = true;
    if (!e.waiting.empty()) openInSteps();
}

std::unique_ptr<WebViewBackend> WebEngine::makeBackend(int width, int height,
                                                       WebViewContext context) {
    Engine& e = engine();
    if (!e.deferred) openNow();
    if (e.stage == Stage::Ready) return e.module->makeBackend(width, height, context);
    auto deferred = std::make_unique<DeferredBackend>(width, height, context);
    if (e.stage == Stage::Failed) {
        deferred->attach(nullptr);
        return deferred;
    }
    e.waiting.push_back(deferred.get());
    if (e.firstFrameDrawn) openInSteps();
    return deferred;
}

void WebEngine::expectContext(WebViewContext context) {
    Engine& e = engine();
    if (std::count(e.expected.begin(), e.expected.end(), context)) return;
    e.expected.insert(e.expected.end() - 1, context);
    // Up already: now. Still opening: its steps, or the waiting views' attachment, come to it.
    if (e.stage == Stage::Ready) warmUp(context);
}

bool WebEngine::isReady() {
    return engine().stage == Stage::Ready;
}

std::string findBesideProgram(const char* variable, const char* folder,
                              const std::string& buildFolder, const char* fileName) {
    namespace fs = std::filesystem;
    auto has = [fileName](const fs::path& dir) {
        std::error_code ec;
        return fs::exists(dir / fileName, ec);
    };
    if (const char* dir = std::getenv(variable); dir && *dir) {
        return has(dir) ? dir : std::string();
    }
    std::error_code ec;
    fs::path exe = fs::read_symlink("/proc/self/exe", ec);
    if (!ec && has(exe.parent_path() / folder)) return (exe.parent_path() / folder).string();
    if (!buildFolder.empty() && has(buildFolder)) return buildFolder;
    return {};
}

}  // namespace platform::web
