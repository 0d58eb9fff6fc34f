#include "platform/web/engine/WebKitRuntime.h"

#include <gtk/gtk.h>
#include <unistd.h>
#include <webkit2/webkit2.h>

#include <cstdlib>
#include <memory>
#include <random>

#include "platform/base/LogSink.h"
#include "platform/base/NamedDisplay.h"
#include "platform/net/Connection.h"
#include "platform/runtime/MainLoop.h"
#include "platform/web/ResourceInterceptor.h"
#include "platform/web/WebEngine.h"
#include "platform/web/WebProcessExtensionProtocol.h"
#include "platform/web/WebViewTypes.h"
#include "platform/web/engine/GLibPump.h"
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

// The engine's settings are chosen before main: setenv while another thread reads the
// environment (curl does on every transfer) can crash that thread, and before main there is no
// other one.
[[maybe_unused]] const bool engineSettingsChosen = [] {
    setenv("WEBKIT_DISABLE_COMPOSITING_MODE", "1", 0);
    setenv("NO_AT_BRIDGE", "1", 0);
    // Otherwise WebKit probes for its GPU renderer with an EGL display of its own and
    // terminates it again; Mesa hands every user in the process the same surfaceless display,
    // so that would take our headless GL context down with it.
    setenv("WEBKIT_DISABLE_DMABUF_RENDERER", "1", 0);
    return true;
}();

}  // namespace

bool WebKitRuntime::openDisplay() {
    static const bool opened = [] {
        // One refusal by a loaded X server must not leave the whole run without pages.
        const auto asking = askNamedDisplay([] {
            return gtk_init_check(nullptr, nullptr) ? DisplayAnswer::Opened
                                                    : DisplayAnswer::Refused;
        });
        if (asking.answer == DisplayAnswer::Opened) return true;
        LogSink::write("WebView: no display could be opened; every page load will fail");
        return false;
    }();
    return opened;
}

WebKitRuntime* WebKitRuntime::get() {
    static WebKitRuntime* runtime = openDisplay() ? new WebKitRuntime() : nullptr;
    return runtime;
}

WebKitRuntime::WebKitRuntime() : token_(randomToken()) {
    GLibPump::install();
    // Ephemeral, as webkit_web_context_new_ephemeral makes it, with the memory settings (which
    // can only be given when the context is made). WebKit lets go of caches from a third of
    // what a process may use and of all it can from half of it, looking every second; a
    // process that still grows past the limit is ended by our extension's watch, and, should
    // that fail, by WebKit at the ceiling.
    WebKitMemoryPressureSettings* memory = webkit_memory_pressure_settings_new();
    webkit_memory_pressure_settings_set_memory_limit(memory, kWebProcessMemoryEndMegabytes);
    webkit_memory_pressure_settings_set_kill_threshold(
        memory,
        static_cast<double>(kWebProcessMemoryLimitMegabytes) / kWebProcessMemoryEndMegabytes);
    webkit_memory_pressure_settings_set_poll_interval(memory, 1.0);
    WebKitWebsiteDataManager* data = webkit_website_data_manager_new_ephemeral();
    context_ = WEBKIT_WEB_CONTEXT(g_object_new(WEBKIT_TYPE_WEB_CONTEXT, "website-data-manager",
                                               data, "memory-pressure-settings", memory, nullptr));
    g_object_unref(data);
    webkit_memory_pressure_settings_free(memory);
    webkit_web_context_set_cache_model(context_, WEBKIT_CACHE_MODEL_DOCUMENT_VIEWER);
    confineContext(context_);

    std::string dir = extensionDirectory();
    hasExtension_ = !dir.empty();
    if (hasExtension_) {
        webkit_web_context_set_web_extensions_directory(context_, dir.c_str());
        webkit_web_context_set_web_extensions_initialization_user_data(context_, startupData());
    } else {
        LogSink::write(
            "WebView: web-process extension not found; subresources are not intercepted");
    }

    webkit_web_context_register_uri_scheme(
        context_, kScheme,
        [](WebKitURISchemeRequest* request, gpointer data) {
            auto* self = static_cast<WebKitRuntime*>(data);
            // Only what our extension redirected carries the token; a page that names the
            // scheme itself gets nothing.
            auto url = Url::parse(webkit_uri_scheme_request_get_uri(request));
            auto original = url ? url->queryValue("u") : std::nullopt;
            auto token = url ? url->queryValue("t") : std::nullopt;
            auto originalUrl = original ? Url::parse(*original) : std::nullopt;
            if (!token || *token != self->token_ || !originalUrl ||
                (originalUrl->scheme() != "http" && originalUrl->scheme() != "https")) {
                LogSink::write("WebView: a request for an intercepted resource was refused");
                finishWithError(request, "Not an intercepted resource");
                return;
            }
            ResourceInterceptor::Request asked{*originalUrl, url->queryValue("r").value_or(""),
                                               url->queryValue("p").value_or("")};
            std::string agent;
            if (WebKitWebView* view = webkit_uri_scheme_request_get_web_view(request)) {
                if (const char* ua =
                        webkit_settings_get_user_agent(webkit_web_view_get_settings(view))) {
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
        },
        this, nullptr);
    WebKitSecurityManager* security = webkit_web_context_get_security_manager(context_);
    // Pages served over https may load these, and scripts may fetch them.
    webkit_security_manager_register_uri_scheme_as_secure(security, kScheme);
    webkit_security_manager_register_uri_scheme_as_cors_enabled(security, kScheme);

    ResourceInterceptor::setNamesObserver([this] { sendNames(); });
}

WebKitWebView* WebKitRuntime::relatedView() {
    if (anchor_) return anchor_;
    // Never shown and never given a page of its own: it holds the web process every other
    // view is related to, so that process outlives the ad views and the next one starts in it.
    anchor_ = WEBKIT_WEB_VIEW(g_object_new(WEBKIT_TYPE_WEB_VIEW, "web-context", context_, nullptr));
    g_object_ref_sink(anchor_);
    confineView(anchor_);
    // After a crash of the shared process the next view gets a new anchor, and a new process.
    g_signal_connect(
        anchor_, "web-process-terminated",
        G_CALLBACK(+[](WebKitWebView*, WebKitWebProcessTerminationReason, gpointer data) {
            static_cast<WebKitRuntime*>(data)->dropAnchor();
        }),
        this);
    anchorLoaded_ = false;
    g_signal_connect(anchor_, "load-changed",
                     G_CALLBACK(+[](WebKitWebView*, WebKitLoadEvent event, gpointer data) {
                         if (event == WEBKIT_LOAD_FINISHED) {
                             static_cast<WebKitRuntime*>(data)->anchorLoaded_ = true;
                         }
                     }),
                     this);
    watchView(anchor_);
    // Its page, which starts the process, on a later turn: making the first view is work
    // enough for one.
    //
    // WebKit's own process takes a web process that names a file: URL outside the folders its
    // pages were loaded from for a compromised one and kills it, with every page it runs. A
    // server's redirect to a file: URL is named so, in the navigation's policy request, before
    // our extension or policy sees it. Based on the root folder, the anchor's blank page lets
    // the shared process name any file: URL, so such a redirect meets the engine's own rule in
    // the web process instead (a web page may not load a file), and is refused there; the page
    // and the process go on. The process reads nothing it could not before: it runs without a
    // sandbox, and what keeps pages from local files is that rule.
    MainLoop::main().post([this, anchor = anchor_] {
        if (anchor == anchor_) webkit_web_view_load_html(anchor, "", "file:///");
    });
    if (!probeSource_) {
        probeSource_ = g_timeout_add(
            1000,
            [](gpointer data) -> gboolean {
                auto* self = static_cast<WebKitRuntime*>(data);
                self->probe();
                if (self->anchor_ || !self->unresponsiveSince_.empty()) return G_SOURCE_CONTINUE;
                self->probeSource_ = 0;
                return G_SOURCE_REMOVE;
            },
            this);
    }
    return anchor_;
}

void WebKitRuntime::dropAnchor() {
    if (!anchor_) return;
    LogSink::write("WebView: the shared web process ended; the next view starts a new one");
    // Its handlers go with it, the watch's among them.
    stopWatchingView(anchor_);
    g_signal_handlers_disconnect_by_data(anchor_, this);
    WebKitWebView* old = anchor_;
    anchor_ = nullptr;
    // Not from inside the view's own signal.
    g_idle_add(
        [](gpointer view) -> gboolean {
            g_object_unref(view);
            return G_SOURCE_REMOVE;
        },
        old);
}

void WebKitRuntime::watchView(WebKitWebView* view) {
    if (!view || unresponsiveSince_.count(view)) return;
    unresponsiveSince_[view] = 0;
    g_signal_connect(view, "notify::is-web-process-responsive",
                     G_CALLBACK(+[](WebKitWebView* changed, GParamSpec*, gpointer data) {
                         static_cast<WebKitRuntime*>(data)->responsivenessChanged(changed);
                     }),
                     this);
    // The extension asks to have its process ended when it has gone over its memory limit.
    g_signal_connect(
        view, "user-message-received",
        G_CALLBACK(+[](WebKitWebView* asking, WebKitUserMessage* message, gpointer) -> gboolean {
            if (g_strcmp0(webkit_user_message_get_name(message), kWebExtensionMemoryMessage) != 0)
                return FALSE;
            LogSink::writef(
                "WebView: a web process went over its memory limit (%u MB); it is ended",
                kWebProcessMemoryEndMegabytes);
            // Not from inside the view's own signal.
            g_idle_add(
                [](gpointer view) -> gboolean {
                    webkit_web_view_terminate_web_process(WEBKIT_WEB_VIEW(view));
                    g_object_unref(view);
                    return G_SOURCE_REMOVE;
                },
                g_object_ref(asking));
            return TRUE;
        }),
        this);
    // A process that ended no longer counts against the view; its next one starts afresh.
    g_signal_connect(
        view, "web-process-terminated",
        G_CALLBACK(+[](WebKitWebView* ended, WebKitWebProcessTerminationReason, gpointer data) {
            auto& watched = static_cast<WebKitRuntime*>(data)->unresponsiveSince_;
            if (auto it = watched.find(ended); it != watched.end()) it->second = 0;
        }),
        this);
}

void WebKitRuntime::stopWatchingView(WebKitWebView* view) {
    if (unresponsiveSince_.erase(view) == 0) return;
    g_signal_handlers_disconnect_by_data(view, this);
}

void WebKitRuntime::responsivenessChanged(WebKitWebView* view) {
    auto it = unresponsiveSince_.find(view);
    if (it == unresponsiveSince_.end()) return;
    if (webkit_web_view_get_is_web_process_responsive(view)) {
        it->second = 0;
    } else if (it->second == 0) {
        it->second = g_get_monotonic_time();
    }
}

void WebKitRuntime::probe() {
    // WebKit only notices a process that does not answer when it waits for an answer; a stop
    // of the anchor's blank page is one it waits for, and changes nothing.
    if (anchor_ && anchorLoaded_) webkit_web_view_stop_loading(anchor_);
    const std::int64_t now = g_get_monotonic_time();
    const auto limit = static_cast<std::int64_t>(kWebProcessUnresponsiveSeconds * 1e6);
    for (auto& [view, since] : unresponsiveSince_) {
        if (since == 0 || now - since < limit) continue;
        since = 0;
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

GVariant* WebKitRuntime::startupData() const {
    return g_variant_new("(s@asu)", token_.c_str(), namesVariant(),
                         guint32{kWebProcessMemoryEndMegabytes});
}

void WebKitRuntime::sendNames() {
    if (!hasExtension_) return;
    // Web processes started later get the names with their start-up data.
    webkit_web_context_set_web_extensions_initialization_user_data(context_, startupData());
    webkit_web_context_send_message_to_all_extensions(
        context_, webkit_user_message_new(kWebExtensionNamesMessage, namesVariant()));
}

}  // namespace platform::web
