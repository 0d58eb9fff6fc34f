#include "platform/web/engine/WebKitRuntime.h"

#include <glib-unix.h>
#include <gtk/gtk.h>
#include <poll.h>
#include <signal.h>
#include <sys/eventfd.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>
#include <webkit2/webkit2.h>

#include <cerrno>
#include <cstddef>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <memory>
#include <random>
#include <string_view>
#include <thread>

#include "platform/base/LogSink.h"
#include "platform/base/NamedDisplay.h"
#include "platform/base/StringEscaping.h"
#include "platform/net/Connection.h"
#include "platform/runtime/MainLoop.h"
#include "platform/web/ProcessWatch.h"
#include "platform/web/ResourceInterceptor.h"
#include "platform/web/WebEngine.h"
#include "platform/web/WebProcessExtensionProtocol.h"
#include "platform/web/WebProcessOutput.h"
#include "platform/web/WebViewTypes.h"
#include "platform/web/engine/DisplayGuard.h"
#include "platform/web/engine/EngineLog.h"
#include "platform/web/engine/GLibPump.h"
#include "platform/web/engine/NetworkProcessWatch.h"
#include "platform/web/engine/PageSandbox.h"

namespace platform::web {

namespace {

std::string randomToken() {
    std::random_device device;
    std::string token;
    const char* digits = "0123456789abcdef";
    for (int i = 0; i < 32; ++i) token += digits[device() % 16];
    return token;
}

std::string extensionDirectory() {
    return findBesideProgram("MOVUROUTE_WEB_EXTENSION_DIR", "webext",
#ifdef MOVU_WEB_EXTENSION_DIR
                             MOVU_WEB_EXTENSION_DIR,
#else
                             "",
#endif
                             kWebExtensionFileName);
}

GVariant* namesVariant() {
    GVariantBuilder builder;
    g_variant_builder_init(&builder, G_VARIANT_TYPE_STRING_ARRAY);
    for (const auto& name : ResourceInterceptor::fileNames()) {
        g_variant_builder_add(&builder, "s", name.c_str());
    }
    return g_variant_builder_end(&builder);
}

void finishWithBytes(WebKitURISchemeRequest* request, const std::vector<std::uint8_t>& bytes,
                     const std::string& mimeType) {
    GBytes* data = g_bytes_new(bytes.data(), bytes.size());
    GInputStream* stream = g_memory_input_stream_new_from_bytes(data);
    webkit_uri_scheme_request_finish(request, stream, static_cast<gint64>(bytes.size()),
                                     mimeType.empty() ? nullptr : mimeType.c_str());
    g_object_unref(stream);
    g_bytes_unref(data);
}

void finishWithError(WebKitURISchemeRequest* request, const char* message) {
    GError* error = g_error_new_literal(G_IO_ERROR, G_IO_ERROR_FAILED, message);
    webkit_uri_scheme_request_finish_error(request, error);
    g_error_free(error);
}

// A declined resource: the page still gets the original, fetched here with the page's own
// agent and Referer.
void serveOriginal(WebKitURISchemeRequest* request, const Url& url, const std::string& referer,
                   const std::string& agent) {
    UrlRequest fetch(url);
    if (!referer.empty()) fetch.setValueForHttpHeaderField(referer, "Referer");
    if (!agent.empty()) fetch.setUserAgent(agent);
    g_object_ref(request);
    Connection::sendAsynchronousRequest(
        fetch,
        [request](const std::optional<UrlResponse>& response, const Connection::Bytes& body,
                  const std::optional<Error>& error) {
            if (error || !response || response->statusCode >= 400) {
                finishWithError(request, "The original resource could not be loaded");
            } else {
                finishWithBytes(request, body, response->mimeType);
            }
            g_object_unref(request);
        },
        16 * 1024 * 1024);
}

// What a page stores itself, which goes with its page (cookies and the HSTS list stay).
constexpr auto kStoredData = static_cast<WebKitWebsiteDataTypes>(
    WEBKIT_WEBSITE_DATA_OFFLINE_APPLICATION_CACHE | WEBKIT_WEBSITE_DATA_SESSION_STORAGE |
    WEBKIT_WEBSITE_DATA_LOCAL_STORAGE | WEBKIT_WEBSITE_DATA_INDEXEDDB_DATABASES |
    WEBKIT_WEBSITE_DATA_SERVICE_WORKER_REGISTRATIONS | WEBKIT_WEBSITE_DATA_DOM_CACHE);

// The site a view's page belongs to: the host of its address, "" for anything but the web.
std::string siteOf(WebKitWebView* view) {
    const char* uri = webkit_web_view_get_uri(view);
    auto url = uri ? Url::parse(uri) : std::nullopt;
    if (!url || (url->scheme() != "http" && url->scheme() != "https")) return {};
    return url->host();
}

// Whether the data WebKit files under `name` (a host or a registrable domain) is the site's.
bool belongsTo(const std::string& name, const std::string& site) {
    if (name == site) return true;
    return site.size() > name.size() &&
           site.compare(site.size() - name.size(), name.size(), name) == 0 &&
           site[site.size() - name.size() - 1] == '.';
}

const char* nameOf(WebViewContext which) {
    return which == WebViewContext::Service ? "service" : "shared";
}

// Network processes: WebKit lets go of caches from a third of the end and of all it can from
// half of it, and ends the process at one and a half times the end, should our watch fail.
// It looks at its own pace (every 30 s): each look reads the process's whole smaps, a few
// milliseconds of a core, and our watch, which ends the process before WebKit would, holds the
// bound meanwhile. Only taken before the first context is made.
void limitNetworkProcesses() {
    WebKitMemoryPressureSettings* network = webkit_memory_pressure_settings_new();
    webkit_memory_pressure_settings_set_memory_limit(network, kNetworkProcessMemoryEndMegabytes);
    webkit_memory_pressure_settings_set_kill_threshold(network, 1.5);
    webkit_website_data_manager_set_memory_pressure_settings(network);
    webkit_memory_pressure_settings_free(network);
}

}  // namespace

bool WebKitRuntime::openDisplay() {
    static const bool opened = [] {
        // What GTK and WebKit say from here on reaches our log, within its budget.
        installGLibLogWriter();
        // Tests ask for it: a GLib or GTK critical, or an object used as a type it is not, is a
        // fault of ours or of the engine's that would otherwise scroll by in the output of a
        // passing test.
        if (const char* fatal = std::getenv(kFatalCriticalsVariable); fatal && *fatal == '1') {
            const GLogLevelFlags mask =
                g_log_set_always_fatal(static_cast<GLogLevelFlags>(G_LOG_FATAL_MASK));
            g_log_set_always_fatal(static_cast<GLogLevelFlags>(mask | G_LOG_LEVEL_CRITICAL));
            makeTypeErrorsFatal();
        }
        // One refusal by a loaded X server must not leave the whole run without pages.
        const auto asking = askNamedDisplay([] {
            return gtk_init_check(nullptr, nullptr) ? DisplayAnswer::Opened
                                                    : DisplayAnswer::Refused;
        });
        if (asking.answer != DisplayAnswer::Opened) {
            LogSink::write("WebView: no display could be opened; every page load will fail");
            return false;
        }
        return guardDisplay();
    }();
    return opened;
}

WebKitRuntime* WebKitRuntime::get() {
    static WebKitRuntime* runtime = openDisplay() ? new WebKitRuntime() : nullptr;
    return runtime;
}

WebKitRuntime::WebKitRuntime() : token_(randomToken()) {
    GLibPump::install();
    for (WebViewContext which : {WebViewContext::Shared, WebViewContext::Service}) {
        slot(which).which = which;
    }
    limitNetworkProcesses();
    extensionDirectory_ = extensionDirectory();
    hasExtension_ = !extensionDirectory_.empty();
    if (!hasExtension_) {
        LogSink::write(
            "WebView: web-process extension not found; subresources are not intercepted");
    }
    openReportSocket();
    openOutputSocket();
    networkWatch_ = makeNetworkWatch();
    make(WebViewContext::Shared);
    networkWatch_->start();
    ResourceInterceptor::setNamesObserver([this] { sendNames(); });
}

std::unique_ptr<NetworkProcessWatch> WebKitRuntime::makeNetworkWatch() {
    NetworkProcessWatch::Handlers handlers;
    handlers.clearStoredData = [this](int owner) {
        LogSink::writef(
            "WebView: the %s context's network process holds more than %u MB; its "
            "stored data is cleared",
            nameOf(contexts_[owner].which), kNetworkProcessStoredDataMegabytes);
        clearStoredData(contexts_[owner]);
    };
    handlers.endPages = [this](int owner, unsigned megabytes) {
        LogSink::writef(
            "WebView: the %s context's network process went over its memory limit "
            "(%u MB of %u); the web processes of its pages are ended",
            nameOf(contexts_[owner].which), megabytes, kNetworkProcessMemoryEndMegabytes);
        clearStoredData(contexts_[owner]);
        endPages(contexts_[owner]);
    };
    handlers.ended = [this](int owner, unsigned megabytes) {
        LogSink::writef(
            "WebView: a network process (%s) went over its memory limit (%u MB of "
            "%u) and stayed there; it is ended",
            owner >= 0 ? nameOf(contexts_[owner].which) : "of no known context", megabytes,
            kNetworkProcessMemoryEndMegabytes);
    };
    return std::make_unique<NetworkProcessWatch>(std::move(handlers));
}

int WebKitRuntime::indexOf(WebViewContext which) {
    return which == WebViewContext::Service ? 1 : 0;
}

WebKitRuntime::Context& WebKitRuntime::slot(WebViewContext which) {
    return contexts_[indexOf(which)];
}

WebKitWebContext* WebKitRuntime::context(WebViewContext which) {
    Context& c = slot(which);
    return c.web ? c.web : make(which).web;
}

WebKitRuntime::Context& WebKitRuntime::make(WebViewContext which) {
    Context& made = slot(which);
    if (made.web) return made;
    // Ephemeral, as webkit_web_context_new_ephemeral makes it, with the memory settings (which
    // can only be given when the context is made). WebKit lets go of caches from a third of
    // what a process may use and of all it can from half of it, looking at its own pace (every
    // 30 s: each look reads the process's whole smaps, a few milliseconds of a core); a process
    // that grows past the limit is ended by our extension's watch, and, should that fail, by
    // WebKit at the ceiling.
    WebKitMemoryPressureSettings* memory = webkit_memory_pressure_settings_new();
    webkit_memory_pressure_settings_set_memory_limit(memory, kWebProcessMemoryEndMegabytes);
    webkit_memory_pressure_settings_set_kill_threshold(
        memory,
        static_cast<double>(kWebProcessMemoryLimitMegabytes) / kWebProcessMemoryEndMegabytes);
    // Its own data manager, and so its own network process and network session. WebKit starts
    // that process while the context is made, which tells the watch whose it is.
    const auto before = NetworkProcessWatch::networkProcesses();
    WebKitWebsiteDataManager* data = webkit_website_data_manager_new_ephemeral();
    made.web = WEBKIT_WEB_CONTEXT(g_object_new(WEBKIT_TYPE_WEB_CONTEXT, "website-data-manager",
                                               data, "memory-pressure-settings", memory, nullptr));
    g_object_unref(data);
    webkit_memory_pressure_settings_free(memory);
    networkWatch_->adopt(indexOf(which), before);
    WebKitWebContext* context = made.web;
    webkit_web_context_set_cache_model(context, WEBKIT_CACHE_MODEL_DOCUMENT_VIEWER);
    confineContext(context);

    if (hasExtension_) {
        webkit_web_context_set_web_extensions_directory(context, extensionDirectory_.c_str());
        webkit_web_context_set_web_extensions_initialization_user_data(context, startupData(which));
    }

    webkit_web_context_register_uri_scheme(context, kScheme, serveIntercepted, this, nullptr);
    WebKitSecurityManager* security = webkit_web_context_get_security_manager(context);
    // Pages served over https may load these, and scripts may fetch them.
    webkit_security_manager_register_uri_scheme_as_secure(security, kScheme);
    webkit_security_manager_register_uri_scheme_as_cors_enabled(security, kScheme);

    return made;
}

void WebKitRuntime::serveIntercepted(WebKitURISchemeRequest* request, void* data) {
    auto* self = static_cast<WebKitRuntime*>(data);
    // Only what our extension redirected carries the token; a page that names the
    // scheme itself gets nothing.
    auto url = Url::parse(webkit_uri_scheme_request_get_uri(request));
    // A page's own navigation our extension held back: its load fails, as a cancelled one.
    if (url && url->host() == kWebExtensionHeldBackHost && url->queryValue("t") == self->token_) {
        GError* error = g_error_new_literal(WEBKIT_NETWORK_ERROR, WEBKIT_NETWORK_ERROR_CANCELLED,
                                            "Held back for its owner");
        webkit_uri_scheme_request_finish_error(request, error);
        g_error_free(error);
        return;
    }
    auto original = url ? url->queryValue("u") : std::nullopt;
    auto token = url ? url->queryValue("t") : std::nullopt;
    auto originalUrl = original ? Url::parse(*original) : std::nullopt;
    if (!token || *token != self->token_ || !originalUrl ||
        (originalUrl->scheme() != "http" && originalUrl->scheme() != "https")) {
        // A page can name the scheme as often as it likes: each refusal is its line to spend.
        refusalLine(webkit_uri_scheme_request_get_web_view(request),
                    "WebView: a request for an intercepted resource was refused");
        finishWithError(request, "Not an intercepted resource");
        return;
    }
    ResourceInterceptor::Request asked{*originalUrl, url->queryValue("r").value_or(""),
                                       url->queryValue("p").value_or("")};
    std::string agent;
    if (WebKitWebView* view = webkit_uri_scheme_request_get_web_view(request)) {
        if (const char* ua = webkit_settings_get_user_agent(webkit_web_view_get_settings(view))) {
            agent = ua;
        }
    }
    g_object_ref(request);
    // Out of GLib's dispatch before any handler of ours runs.
    MainLoop::main().post([request, asked, agent] {
        ResourceInterceptor::dispatch(
            asked.url.lastPathComponent(), asked,
            [request, asked, agent](std::optional<ResourceInterceptor::Response> answer) {
                if (answer && answer->failed) {
                    finishWithError(request, "The resource could not be served");
                } else if (answer) {
                    finishWithBytes(request, answer->bytes, answer->mimeType);
                } else {
                    serveOriginal(request, asked.url, asked.referer, agent);
                }
                g_object_unref(request);
            });
    });
}

WebKitWebView* WebKitRuntime::relatedView(WebViewContext which) {
    Context& c = make(which);
    // A process that does not answer is on its way to being ended: a new view started in it
    // would wait for it and then lose its page. The old process keeps its views meanwhile.
    if (c.anchor && c.anchorLoaded && !webkit_web_view_get_is_web_process_responsive(c.anchor)) {
        LogSink::writef("WebView: the %s web process does not answer; new views start in a new one",
                        nameOf(which));
        dropAnchor(c, false);
    }
    if (c.anchor) return c.anchor;
    // Never shown and never given a page of its own: it holds the web process every other
    // view of its context is related to, so that process outlives the views and the next one
    // starts in it.
    WebKitSettings* settings = newSettings();
    c.anchor = WEBKIT_WEB_VIEW(
        g_object_new(WEBKIT_TYPE_WEB_VIEW, "web-context", c.web, "settings", settings, nullptr));
    g_object_unref(settings);
    g_object_ref_sink(c.anchor);
    // After a crash of the context's process the next view gets a new anchor, and a new
    // process.
    confineView(c.anchor);
    g_signal_connect(
        c.anchor, "web-process-terminated",
        G_CALLBACK(+[](WebKitWebView* anchor, WebKitWebProcessTerminationReason, gpointer data) {
            auto* self = static_cast<WebKitRuntime*>(data);
            if (Context* owner = self->contextOf(anchor)) self->dropAnchor(*owner);
        }),
        this);
    c.anchorStarted = false;
    c.anchorLoaded = false;
    c.anchorProcess = 0;
    g_signal_connect(c.anchor, "load-changed",
                     G_CALLBACK(+[](WebKitWebView* anchor, WebKitLoadEvent event, gpointer data) {
                         auto* self = static_cast<WebKitRuntime*>(data);
                         Context* owner = self->contextOf(anchor);
                         if (owner && event == WEBKIT_LOAD_FINISHED) owner->anchorLoaded = true;
                     }),
                     this);
    watchView(c.anchor);
    // Its page, which starts the process, on a later turn (at once when warming up, a turn of
    // its own): making the first view is work enough for one.
    //
    // WebKit's own process takes a web process that names a file: URL outside the folders its
    // pages were loaded from for a compromised one and kills it, with every page it runs. A
    // server's redirect to a file: URL is named so, in the navigation's policy request, before
    // our extension or policy sees it. Based on the root folder, the anchor's blank page lets
    // the shared process name any file: URL, so such a redirect meets the engine's own rule in
    // the web process instead (a web page may not load a file), and is refused there; the page
    // and the process go on. The process reads nothing it could not before: it runs without a
    // sandbox, and what keeps pages from local files is that rule.
    MainLoop::main().post([this, which, anchor = c.anchor] {
        if (anchor == slot(which).anchor) startAnchor(slot(which));
    });
    startProbe();
    return c.anchor;
}

void WebKitRuntime::warmUp(WebViewContext which) {
    relatedView(which);
    startAnchor(slot(which));
}

void WebKitRuntime::startAnchor(Context& context) {
    if (!context.anchor || context.anchorStarted) return;
    context.anchorStarted = true;
    webkit_web_view_load_html(context.anchor, "", "file:///");
}

WebKitRuntime::Context* WebKitRuntime::contextOf(WebKitWebView* view) {
    WebKitWebContext* web = webkit_web_view_get_context(view);
    for (Context& c : contexts_) {
        if (c.web && c.web == web) return &c;
    }
    return nullptr;
}

void WebKitRuntime::startProbe() {
    if (probeSource_) return;
    probeSource_ = g_timeout_add(
        1000,
        [](gpointer data) -> gboolean {
            auto* self = static_cast<WebKitRuntime*>(data);
            self->probe();
            const bool anchors = self->contexts_[0].anchor || self->contexts_[1].anchor;
            if (anchors || !self->watched_.empty()) return G_SOURCE_CONTINUE;
            self->probeSource_ = 0;
            return G_SOURCE_REMOVE;
        },
        this);
}

void WebKitRuntime::dropAnchor(Context& context, bool ended) {
    if (!context.anchor) return;
    if (ended) {
        LogSink::writef("WebView: the %s web process ended; the next view starts a new one",
                        nameOf(context.which));
    }
    // Its handlers go with it, the watch's among them.
    stopWatchingView(context.anchor);
    g_signal_handlers_disconnect_by_data(context.anchor, this);
    WebKitWebView* old = context.anchor;
    context.anchor = nullptr;
    // Not from inside the view's own signal.
    g_idle_add(
        [](gpointer view) -> gboolean {
            g_object_unref(view);
            return G_SOURCE_REMOVE;
        },
        old);
}

void WebKitRuntime::watchView(WebKitWebView* view) {
    if (!view || watched_.count(view)) return;
    watched_[view] = Watched{};
    g_signal_connect(view, "notify::is-web-process-responsive",
                     G_CALLBACK(+[](WebKitWebView* changed, GParamSpec*, gpointer data) {
                         static_cast<WebKitRuntime*>(data)->responsivenessChanged(changed);
                     }),
                     this);
    g_signal_connect(view, "load-changed",
                     G_CALLBACK(+[](WebKitWebView* loading, WebKitLoadEvent event, gpointer data) {
                         if (event == WEBKIT_LOAD_COMMITTED) {
                             static_cast<WebKitRuntime*>(data)->pageCommitted(loading);
                         }
                     }),
                     this);
    // A process that ended no longer counts against the view; its next one starts afresh.
    g_signal_connect(
        view, "web-process-terminated",
        G_CALLBACK(+[](WebKitWebView* ended, WebKitWebProcessTerminationReason, gpointer data) {
            auto& watched = static_cast<WebKitRuntime*>(data)->watched_;
            if (auto it = watched.find(ended); it != watched.end())
                it->second.unresponsiveSince = 0;
        }),
        this);
    startProbe();
}

void WebKitRuntime::onPageFlood(WebKitWebView* view, std::function<void()> handler) {
    if (auto it = watched_.find(view); it != watched_.end())
        it->second.pageFlood = std::move(handler);
}

void WebKitRuntime::stopWatchingView(WebKitWebView* view) {
    auto it = watched_.find(view);
    if (it == watched_.end()) return;
    const std::string site = it->second.site;
    watched_.erase(it);
    g_signal_handlers_disconnect_by_data(view, this);
    if (Context* owner = contextOf(view)) leaveSite(*owner, site, view);
}

void WebKitRuntime::responsivenessChanged(WebKitWebView* view) {
    auto it = watched_.find(view);
    if (it == watched_.end()) return;
    if (webkit_web_view_get_is_web_process_responsive(view)) {
        it->second.unresponsiveSince = 0;
    } else if (it->second.unresponsiveSince == 0) {
        it->second.unresponsiveSince = g_get_monotonic_time();
    }
}

void WebKitRuntime::pageCommitted(WebKitWebView* view) {
    auto it = watched_.find(view);
    if (it == watched_.end()) return;
    std::string site = siteOf(view);
    if (site == it->second.site) return;
    std::swap(site, it->second.site);
    // The view itself counts with its new page: leaving no page of the context shown, its
    // first commit cleared everything the context stored, as its new page began to store
    // (an IndexedDB the page opened at once was aborted under it).
    if (Context* owner = contextOf(view)) leaveSite(*owner, site, nullptr);
}

void WebKitRuntime::leaveSite(Context& context, const std::string& site, WebKitWebView* leaving) {
    if (!context.web) return;
    bool shown = false;
    bool anyPage = false;
    for (const auto& [view, watched] : watched_) {
        if (view == leaving || watched.site.empty() || contextOf(view) != &context) continue;
        anyPage = true;
        if (watched.site == site) shown = true;
    }
    if (!anyPage) {
        // Nothing of this context is on screen or waiting: whatever any frame stored goes.
        clearStoredData(context);
        return;
    }
    if (site.empty() || shown) return;
    WebKitWebsiteDataManager* manager = webkit_web_context_get_website_data_manager(context.web);
    auto* wanted = new std::string(site);
    webkit_website_data_manager_fetch(
        manager, kStoredData, nullptr,
        [](GObject* source, GAsyncResult* result, gpointer data) {
            std::unique_ptr<std::string> site(static_cast<std::string*>(data));
            auto* manager = WEBKIT_WEBSITE_DATA_MANAGER(source);
            GList* all = webkit_website_data_manager_fetch_finish(manager, result, nullptr);
            GList* ours = nullptr;
            for (GList* item = all; item; item = item->next) {
                auto* entry = static_cast<WebKitWebsiteData*>(item->data);
                const char* name = webkit_website_data_get_name(entry);
                if (name && belongsTo(name, *site)) ours = g_list_prepend(ours, entry);
            }
            if (ours) {
                webkit_website_data_manager_remove(manager, kStoredData, ours, nullptr, nullptr,
                                                   nullptr);
            }
            g_list_free(ours);
            g_list_free_full(all, reinterpret_cast<GDestroyNotify>(webkit_website_data_unref));
        },
        wanted);
}

void WebKitRuntime::clearStoredData(Context& context) {
    if (!context.web) return;
    webkit_website_data_manager_clear(webkit_web_context_get_website_data_manager(context.web),
                                      kStoredData, 0, nullptr, nullptr, nullptr);
}

void WebKitRuntime::endPages(Context& context) {
    // Every process of the context: the anchor's, and any a page was given of its own. Ending
    // may drop the anchor, and so change the map; a copy is walked.
    std::vector<WebKitWebView*> views;
    for (const auto& [view, watched] : watched_) {
        if (contextOf(view) == &context) views.push_back(g_object_ref(view));
    }
    for (WebKitWebView* view : views) {
        webkit_web_view_terminate_web_process(view);
        g_object_unref(view);
    }
}

void WebKitRuntime::probe() {
    // WebKit only notices a process that does not answer when it waits for an answer; a stop
    // of an anchor's blank page is one it waits for, and changes nothing.
    for (Context& c : contexts_) {
        if (c.anchor && c.anchorLoaded) webkit_web_view_stop_loading(c.anchor);
    }
    const std::int64_t now = g_get_monotonic_time();
    const auto limit = static_cast<std::int64_t>(kWebProcessUnresponsiveSeconds * 1e6);
    for (auto& [view, watched] : watched_) {
        if (watched.unresponsiveSince == 0 || now - watched.unresponsiveSince < limit) continue;
        watched.unresponsiveSince = 0;
        LogSink::writef("WebView: a web process has not answered for %.0f s; it is ended",
                        kWebProcessUnresponsiveSeconds);
        // One a turn: the other views of that process hear of its end meanwhile and no longer
        // count as waiting. Ending it may also drop the anchor, and so change the map.
        WebKitWebView* hung = view;
        g_object_ref(hung);
        webkit_web_view_terminate_web_process(hung);
        g_object_unref(hung);
        return;
    }
}

GVariant* WebKitRuntime::startupData(WebViewContext which) const {
    // The names go in as a value of their own ("@as"); the whole is kWebExtensionStartupType.
    const gboolean budgeted = which == WebViewContext::Shared;
    return g_variant_new("(s@asudddsb)", token_.c_str(), namesVariant(),
                         guint32{kWebProcessMemoryEndMegabytes}, kWebProcessMemoryLookSeconds,
                         kWebProcessBusySeconds, kWebProcessBusyWindowSeconds,
                         reportAddress_.c_str(), budgeted);
}

void WebKitRuntime::sendNames() {
    if (!hasExtension_) return;
    for (WebViewContext which : {WebViewContext::Shared, WebViewContext::Service}) {
        Context& c = slot(which);
        if (!c.web) continue;
        // Web processes started later get the names with their start-up data.
        webkit_web_context_set_web_extensions_initialization_user_data(c.web, startupData(which));
        webkit_web_context_send_message_to_all_extensions(
            c.web, webkit_user_message_new(kWebExtensionNamesMessage, namesVariant()));
    }
}

void WebKitRuntime::openReportSocket() {
    // Abstract, so nothing is left in the file system; named by a token of its own, since the
    // names of abstract sockets can be listed by anyone on the machine. The messages carry the
    // extension's token, which cannot.
    const std::string address = "movuroute-web-" + std::to_string(getpid()) + "-" + randomToken();
    sockaddr_un at;
    const socklen_t length = abstractSocketAddress(address, at);
    const int fd = length ? socket(AF_UNIX, SOCK_DGRAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0) : -1;
    if (fd < 0 || bind(fd, reinterpret_cast<sockaddr*>(&at), length) != 0) {
        if (fd >= 0) close(fd);
        LogSink::write(
            "WebView: no report socket; a web process that a watch ends is not "
            "told apart from a crash");
        return;
    }
    const int arrived = eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
    if (arrived < 0) {
        close(fd);
        LogSink::write(
            "WebView: no report socket; a web process that a watch ends is not "
            "told apart from a crash");
        return;
    }
    reportAddress_ = address;
    reportsArrived_ = arrived;
    g_unix_fd_add(
        arrived, G_IO_IN,
        [](gint, GIOCondition, gpointer data) -> gboolean {
            static_cast<WebKitRuntime*>(data)->readReports();
            return G_SOURCE_CONTINUE;
        },
        this);
    // Detached: it reads for as long as the process lives, as the runtime does.
    std::thread([this, fd, arrived] { receiveReports(fd, arrived); }).detach();
}

// The report socket's own thread: it never waits for the main thread, which may be in the middle
// of a batch of a flooding page's messages, or of work of ours.
void WebKitRuntime::receiveReports(int socket, int arrived) {
    char text[256];
    for (;;) {
        pollfd ready{socket, POLLIN, 0};
        if (poll(&ready, 1, -1) < 0 && errno != EINTR) return;
        for (;;) {
            const ssize_t length = recv(socket, text, sizeof text - 1, 0);
            if (length <= 0) break;
            auto report =
                readWebExtensionReport(std::string_view(text, std::size_t(length)), token_);
            if (!report) continue;
            // A page that floods its same-document navigations sends thousands a second, each
            // a message the game's process keeps until it has read it: its process stops where
            // it stands, its other pages too, until the main thread has ended the page
            // (handleReport lets it go on).
            if (report->what == kWebExtensionReportFlood) kill(pid_t(report->process), SIGSTOP);
            {
                std::lock_guard lock(reportsMutex_);
                arrivedReports_.push_back(std::move(*report));
            }
            const std::uint64_t one = 1;
            (void)!write(arrived, &one, sizeof one);
        }
    }
}

std::optional<WebExtensionReport> WebKitRuntime::nextReport() {
    std::lock_guard lock(reportsMutex_);
    if (arrivedReports_.empty()) return std::nullopt;
    WebExtensionReport report = std::move(arrivedReports_.front());
    arrivedReports_.pop_front();
    return report;
}

void WebKitRuntime::readReports() {
    std::uint64_t count = 0;
    if (reportsArrived_ >= 0) (void)!read(reportsArrived_, &count, sizeof count);
    for (auto& report : std::exchange(stashedReports_, {})) handleReport(report);
    while (auto report = nextReport()) handleReport(*report);
}

void WebKitRuntime::readFloodReportsNow() {
    while (auto report = nextReport()) {
        if (report->what == kWebExtensionReportFlood) {
            handleReport(*report);
            continue;
        }
        // The others wait for a turn of their own, outside the engine's signal we are in.
        stashedReports_.push_back(std::move(*report));
        if (stashedReports_.size() == 1) {
            g_idle_add_full(
                G_PRIORITY_DEFAULT,
                [](gpointer data) -> gboolean {
                    static_cast<WebKitRuntime*>(data)->readReports();
                    return G_SOURCE_REMOVE;
                },
                this, nullptr);
        }
    }
}

void WebKitRuntime::handleReport(const WebExtensionReport& report) {
    const std::string& what = report.what;
    const double value = report.value;
    const long process = report.process;
    if (what == kWebExtensionReportPage) {
        for (Context& c : contexts_) {
            if (c.anchor && double(webkit_web_view_get_page_id(c.anchor)) == value) {
                c.anchorProcess = process;
            }
        }
        return;
    }
    if (what == kWebExtensionReportFlood) {
        // The handler ends the page, its scripts first; a copy, should the watch change
        // meanwhile. Then the process, stopped as the report came, goes on, whoever's page it
        // was: what the page's process takes next is that its scripts are off.
        std::function<void()> handler;
        for (const auto& [view, watched] : watched_) {
            if (double(webkit_web_view_get_page_id(view)) == value) handler = watched.pageFlood;
        }
        if (handler) handler();
        kill(pid_t(process), SIGCONT);
        return;
    }
    // The process is ending itself. WebKit notices a moment later; a view made meanwhile
    // must not be related to the anchor that process runs, or its page waits for ever.
    for (Context& c : contexts_) {
        if (c.anchor && c.anchorProcess == process) dropAnchor(c);
    }
    if (what == kWebExtensionReportMemory) {
        LogSink::writef(
            "WebView: a web process went over its memory limit (%.0f MB of %u); "
            "it ended itself",
            value, kWebProcessMemoryEndMegabytes);
    } else if (what == kWebExtensionReportBusy) {
        LogSink::writef(
            "WebView: a web process kept its threads busy for %.0f s of the last "
            "%.0f s; it ended itself",
            value, kWebProcessBusyWindowSeconds);
    }
}

// One web process's output stream.
struct WebKitRuntime::Output {
    Output(std::string token, long process)
        : process(process),
          lines(std::move(token)),
          budget(kEngineLogLines,
                 "WebView: web process " + std::to_string(process) +
                     " has written as many lines as it may this minute; the rest are dropped.",
                 kEngineLogPeriodSeconds) {}
    long process;
    WebProcessOutput lines;
    LogBudget budget;
    // Reading it, or waiting to read it again after its budget ran out.
    guint reading = 0;
    guint resuming = 0;
};

void WebKitRuntime::openOutputSocket() {
    if (reportAddress_.empty()) return;
    const std::string address = reportAddress_ + kWebExtensionOutputSuffix;
    sockaddr_un at;
    const socklen_t length = abstractSocketAddress(address, at);
    const int fd = length ? socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0) : -1;
    if (fd < 0 || bind(fd, reinterpret_cast<sockaddr*>(&at), length) != 0 || listen(fd, 16) != 0) {
        if (fd >= 0) close(fd);
        // The extensions then write to /dev/null: nothing reaches the game's standard error.
        LogSink::write("WebView: no output socket; what the web processes write is dropped");
        return;
    }
    outputSocket_ = fd;
    g_unix_fd_add(
        fd, G_IO_IN,
        [](gint, GIOCondition, gpointer data) -> gboolean {
            static_cast<WebKitRuntime*>(data)->acceptOutputs();
            return G_SOURCE_CONTINUE;
        },
        this);
}

void WebKitRuntime::acceptOutputs() {
    for (;;) {
        const int fd = accept4(outputSocket_, nullptr, nullptr, SOCK_CLOEXEC | SOCK_NONBLOCK);
        if (fd < 0) return;
        // Anyone on the machine may connect to an abstract socket: only our own children's
        // streams are read (and only once they have said the token).
        ucred peer{};
        socklen_t size = sizeof peer;
        const long process =
            getsockopt(fd, SOL_SOCKET, SO_PEERCRED, &peer, &size) == 0 ? peer.pid : 0;
        std::ifstream statFile("/proc/" + std::to_string(process) + "/stat");
        std::string statLine;
        std::getline(statFile, statLine);
        const auto stat = readProcessStat(statLine);
        if (process <= 0 || !stat || stat->parent != long(getpid())) {
            close(fd);
            continue;
        }
        outputs_[fd] = std::make_unique<Output>(token_, process);
        watchOutput(fd);
    }
}

void WebKitRuntime::readOutput(int fd) {
    auto found = outputs_.find(fd);
    if (found == outputs_.end()) return;
    Output& output = *found->second;
    bool spent = false;
    auto log = [&](std::string_view line) {
        const bool written = output.budget.writeWith(
            [&] {
                return "WebView: web process " + std::to_string(output.process) + ": " +
                       logValue(line, kLogTextMaxBytes);
            },
            engineLogNow());
        if (!written) spent = true;
    };
    // At most this much a turn, so a process that writes without end shares the loop.
    char buffer[16384];
    for (int reads = 0; reads < 4 && !spent; ++reads) {
        const ssize_t length = recv(fd, buffer, sizeof buffer, 0);
        if (length < 0 && (errno == EAGAIN || errno == EWOULDBLOCK || errno == EINTR)) return;
        if (length <= 0) {
            output.lines.end(log);
            closeOutput(fd);
            return;
        }
        if (!output.lines.take(std::string_view(buffer, std::size_t(length)), log)) {
            closeOutput(fd);
            return;
        }
    }
    if (!spent) return;
    // Over its budget: unread until the period is over. Meanwhile the process's writes find
    // the stream full and are lost to it, at no cost to the game.
    g_source_remove(output.reading);
    output.reading = 0;
    struct Resume {
        WebKitRuntime* runtime;
        int fd;
    };
    output.resuming = g_timeout_add_seconds_full(
        G_PRIORITY_DEFAULT, guint(kEngineLogPeriodSeconds),
        [](gpointer data) -> gboolean {
            const auto* resume = static_cast<Resume*>(data);
            auto found = resume->runtime->outputs_.find(resume->fd);
            if (found != resume->runtime->outputs_.end()) {
                found->second->resuming = 0;
                resume->runtime->watchOutput(resume->fd);
            }
            return G_SOURCE_REMOVE;
        },
        new Resume{this, fd}, [](gpointer data) { delete static_cast<Resume*>(data); });
}

void WebKitRuntime::watchOutput(int fd) {
    auto found = outputs_.find(fd);
    if (found == outputs_.end()) return;
    found->second->reading = g_unix_fd_add(
        fd, GIOCondition(G_IO_IN | G_IO_HUP | G_IO_ERR),
        [](gint ready, GIOCondition, gpointer data) -> gboolean {
            static_cast<WebKitRuntime*>(data)->readOutput(ready);
            return G_SOURCE_CONTINUE;
        },
        this);
}

void WebKitRuntime::closeOutput(int fd) {
    auto found = outputs_.find(fd);
    if (found == outputs_.end()) return;
    if (found->second->reading) g_source_remove(found->second->reading);
    if (found->second->resuming) g_source_remove(found->second->resuming);
    outputs_.erase(found);
    close(fd);
}

}  // namespace platform::web
