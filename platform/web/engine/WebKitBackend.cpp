#include "platform/web/engine/WebKitBackend.h"

#include <gtk/gtk.h>
#include <webkit2/webkit2.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <limits>
#include <map>
#include <utility>

#include "platform/base/LogSink.h"
#include "platform/net/UrlError.h"
#include "platform/ui/MainThread.h"
#include "platform/web/NavigationBudget.h"
#include "platform/web/PageMessages.h"
#include "platform/web/WebProcessExtensionProtocol.h"
#include "platform/web/WebView.h"
#include "platform/web/engine/FrameOnlyHolds.h"
#include "platform/web/engine/GLibWait.h"
#include "platform/web/engine/PageSandbox.h"
#include "platform/web/engine/WebKitRuntime.h"

namespace platform::web {

static_assert(WebView::kMaxUrlLength == kWebExtensionLongestAddress,
              "the page's own process refuses what the program would");

namespace {

// The isolated world our own page scripts run in: the page cannot see or call them.
constexpr const char* kWorld = "movuroute";
constexpr const char* kContentSizeHandler = "movuContentSize";

// Reports the document's scroll size whenever it changes.
constexpr const char* kContentSizeScript = R"JS((function() {
  var last = '';
  function report() {
    var d = document.documentElement;
    if (!d) return;
    var b = document.body;
    var w = Math.max(d.scrollWidth, b ? b.scrollWidth : 0);
    var h = Math.max(d.scrollHeight, b ? b.scrollHeight : 0);
    var key = w + 'x' + h;
    if (key === last) return;
    last = key;
    window.webkit.messageHandlers.movuContentSize.postMessage([w, h]);
  }
  function start() {
    if (typeof ResizeObserver !== 'undefined') {
      var o = new ResizeObserver(report);
      o.observe(document.documentElement);
      if (document.body) o.observe(document.body);
    }
    report();
  }
  if (document.readyState === 'loading') document.addEventListener('DOMContentLoaded', start);
  else start();
  window.addEventListener('load', report);
  window.addEventListener('resize', report);
})();)JS";

// The engine's own evaluation (without our extension): the value has crossed whole already, but
// nothing is converted that the caller did not ask for.
WebViewBackend::ScriptResult scriptResult(JSCValue* value, GError* error, bool wanted) {
    WebViewBackend::ScriptResult result;
    if (!value) {
        result.error = Error::make(kWebViewErrorDomain, 0,
                                   error && error->message ? error->message : "script failed");
        return result;
    }
    if (!wanted) return result;
    if (jsc_value_is_string(value) || jsc_value_is_number(value) || jsc_value_is_boolean(value)) {
        char* text = jsc_value_to_string(value);
        result.value = text ? text : "";
        result.scalar = true;
        g_free(text);
    }
    return result;
}

// Our extension's answer to one of the program's scripts (WebProcessExtensionProtocol.h).
WebViewBackend::ScriptResult scriptReply(WebKitUserMessage* reply, GError* error) {
    WebViewBackend::ScriptResult result;
    GVariant* answer = reply ? webkit_user_message_get_parameters(reply) : nullptr;
    if (!answer || !g_variant_is_of_type(answer, G_VARIANT_TYPE(kWebExtensionRunScriptReplyType))) {
        result.error = Error::make(kWebViewErrorDomain, 0,
                                   error && error->message ? error->message : "script failed");
        return result;
    }
    gboolean ran = FALSE, scalar = FALSE;
    GVariant* text = nullptr;
    g_variant_get(answer, "(bb@ay)", &ran, &scalar, &text);
    gsize length = 0;
    const auto* bytes = static_cast<const char*>(g_variant_get_fixed_array(text, &length, 1));
    std::string value = bytes ? std::string(bytes, length) : std::string();
    g_variant_unref(text);
    if (!ran) {
        const std::int64_t code = value == kWebExtensionScriptValueTooLong
                                      ? std::int64_t(kWebViewErrorScriptValueTooLong)
                                      : 0;
        result.error =
            Error::make(kWebViewErrorDomain, code, value.empty() ? "script failed" : value);
    } else if (scalar) {
        result.value = std::move(value);
        result.scalar = true;
    }
    return result;
}

// Cairo's ARGB32 (premultiplied, native-endian words) to premultiplied RGBA bytes.
WebSnapshot fromSurface(cairo_surface_t* surface) {
    WebSnapshot shot;
    if (!surface || cairo_surface_status(surface) != CAIRO_STATUS_SUCCESS) return shot;
    cairo_surface_t* image = surface;
    bool own = false;
    if (cairo_surface_get_type(surface) != CAIRO_SURFACE_TYPE_IMAGE ||
        cairo_image_surface_get_format(surface) != CAIRO_FORMAT_ARGB32) {
        double x1, y1, x2, y2;
        cairo_t* probe = cairo_create(surface);
        cairo_clip_extents(probe, &x1, &y1, &x2, &y2);
        cairo_destroy(probe);
        int w = static_cast<int>(x2 - x1), h = static_cast<int>(y2 - y1);
        if (w <= 0 || h <= 0) return shot;
        image = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, w, h);
        cairo_t* cr = cairo_create(image);
        cairo_set_source_surface(cr, surface, 0, 0);
        cairo_set_operator(cr, CAIRO_OPERATOR_SOURCE);
        cairo_paint(cr);
        cairo_destroy(cr);
        own = true;
    }
    cairo_surface_flush(image);
    const int width = cairo_image_surface_get_width(image);
    const int height = cairo_image_surface_get_height(image);
    const int stride = cairo_image_surface_get_stride(image);
    const unsigned char* data = cairo_image_surface_get_data(image);
    if (data && width > 0 && height > 0) {
        shot.width = width;
        shot.height = height;
        shot.rgba.resize(static_cast<std::size_t>(width) * height * 4);
        std::uint8_t* out = shot.rgba.data();
        for (int y = 0; y < height; ++y) {
            const auto* row = reinterpret_cast<const std::uint32_t*>(data + y * stride);
            for (int x = 0; x < width; ++x) {
                std::uint32_t p = row[x];
                *out++ = static_cast<std::uint8_t>(p >> 16);
                *out++ = static_cast<std::uint8_t>(p >> 8);
                *out++ = static_cast<std::uint8_t>(p);
                *out++ = static_cast<std::uint8_t>(p >> 24);
            }
        }
    }
    if (own) cairo_surface_destroy(image);
    return shot;
}

// A picture WebKit paints of a transparent page leaves out the view's background colour; a
// translucent one goes back under it here, as the view shows it.
void underlay(WebSnapshot& shot, const GdkRGBA& background) {
    if (!(background.alpha > 0)) return;
    const double a = std::clamp(background.alpha, 0.0, 1.0);
    const double under[4] = {background.red * a * 255, background.green * a * 255,
                             background.blue * a * 255, a * 255};
    for (std::size_t i = 0; i + 3 < shot.rgba.size(); i += 4) {
        const double rest = 1 - shot.rgba[i + 3] / 255.0;
        for (int c = 0; c < 4; ++c) {
            shot.rgba[i + c] = static_cast<std::uint8_t>(
                std::lround(std::min(255.0, shot.rgba[i + c] + under[c] * rest)));
        }
    }
}

std::int64_t urlErrorCode(const GError* error) {
    if (!error) return kUrlErrorUnknown;
    if (error->domain == WEBKIT_NETWORK_ERROR) {
        switch (error->code) {
            case WEBKIT_NETWORK_ERROR_UNKNOWN_PROTOCOL:
                return kUrlErrorUnsupportedURL;
            case WEBKIT_NETWORK_ERROR_FILE_DOES_NOT_EXIST:
                return -1100;  // the platform's "file does not exist"
            case WEBKIT_NETWORK_ERROR_TRANSPORT:
            case WEBKIT_NETWORK_ERROR_FAILED:
                return kUrlErrorCannotConnectToHost;
            default:
                return kUrlErrorUnknown;
        }
    }
    if (error->domain == G_IO_ERROR) {
        switch (error->code) {
            case G_IO_ERROR_CONNECTION_REFUSED:
            case G_IO_ERROR_HOST_UNREACHABLE:
                return kUrlErrorCannotConnectToHost;
            case G_IO_ERROR_NETWORK_UNREACHABLE:
                return kUrlErrorNotConnectedToInternet;
            case G_IO_ERROR_TIMED_OUT:
                return kUrlErrorTimedOut;
            case G_IO_ERROR_BROKEN_PIPE:
                return kUrlErrorNetworkConnectionLost;
            default:
                return kUrlErrorUnknown;
        }
    }
    if (error->domain == G_TLS_ERROR) return kUrlErrorSecureConnectionFailed;
    if (error->domain == G_RESOLVER_ERROR) return kUrlErrorCannotFindHost;
    return kUrlErrorUnknown;
}

bool isWebScheme(const std::string& url) {
    const auto colon = url.find(':');
    if (colon == std::string::npos) return false;
    std::string scheme = url.substr(0, colon);
    for (char& c : scheme) c = static_cast<char>(g_ascii_tolower(c));
    return scheme == "http" || scheme == "https";
}

const char* endedBecause(WebKitWebProcessTerminationReason reason) {
    switch (reason) {
        case WEBKIT_WEB_PROCESS_CRASHED:
            return "crashed";
        case WEBKIT_WEB_PROCESS_EXCEEDED_MEMORY_LIMIT:
            return "went over its memory limit";
        case WEBKIT_WEB_PROCESS_TERMINATED_BY_API:
            return "was ended";
    }
    return "ended";
}

bool isSilentFailure(const GError* error) {
    if (!error) return false;
    // Stopped or superseded loads, and navigations a policy answer ended, report nothing.
    return (error->domain == WEBKIT_NETWORK_ERROR &&
            error->code == WEBKIT_NETWORK_ERROR_CANCELLED) ||
           (error->domain == WEBKIT_POLICY_ERROR &&
            error->code == WEBKIT_POLICY_ERROR_FRAME_LOAD_INTERRUPTED_BY_POLICY_CHANGE);
}

WebViewBackend::RawRequest rawRequest(WebKitURIRequest* request) {
    WebViewBackend::RawRequest raw;
    if (!request) return raw;
    const char* uri = webkit_uri_request_get_uri(request);
    raw.url = uri ? uri : "";
    if (const char* method = webkit_uri_request_get_http_method(request)) raw.method = method;
    if (SoupMessageHeaders* headers = webkit_uri_request_get_http_headers(request)) {
        SoupMessageHeadersIter iter;
        soup_message_headers_iter_init(&iter, headers);
        const char* name = nullptr;
        const char* value = nullptr;
        while (soup_message_headers_iter_next(&iter, &name, &value)) {
            raw.headers.add(name ? name : "", value ? value : "");
        }
    }
    return raw;
}

class WebKitBackend final : public WebViewBackend, private FrameOnlyHolds::Host {
  public:
    WebKitBackend(int width, int height, WebViewContext context)
        : budgeted_(context == WebViewContext::Shared), width_(width), height_(height) {
        runtime_ = WebKitRuntime::get();
        if (!runtime_) return;
        contentManager_ = webkit_user_content_manager_new();
        // Related to its context's anchor: the page starts in that context's web process.
        WebKitSettings* settings = newSettings();
        view_ = WEBKIT_WEB_VIEW(g_object_new(WEBKIT_TYPE_WEB_VIEW, "related-view",
                                             runtime_->relatedView(context), "settings", settings,
                                             "user-content-manager", contentManager_, nullptr));
        g_object_unref(settings);
        g_object_ref_sink(view_);
        confineView(view_);
        window_ = gtk_offscreen_window_new();
        g_object_ref_sink(window_);
        gtk_window_set_default_size(GTK_WINDOW(window_), width, height);
        gtk_widget_set_size_request(GTK_WIDGET(view_), width, height);
        gtk_container_add(GTK_CONTAINER(window_), GTK_WIDGET(view_));
        gtk_widget_show_all(window_);

        g_signal_connect(view_, "decide-policy", G_CALLBACK(onDecidePolicy), this);
        g_signal_connect(view_, "create", G_CALLBACK(onCreate), this);
        g_signal_connect(view_, "load-changed", G_CALLBACK(onLoadChanged), this);
        g_signal_connect(view_, "load-failed", G_CALLBACK(onLoadFailed), this);
        g_signal_connect(view_, "web-process-terminated", G_CALLBACK(onProcessEnded), this);
        g_signal_connect(view_, "user-message-received", G_CALLBACK(onPageMessage), this);
        frameOnly_ =
            std::make_unique<FrameOnlyHolds>(view_, static_cast<FrameOnlyHolds::Host&>(*this));
        runtime_->watchView(view_);
        runtime_->onPageFlood(view_, [this] { pageFlooded(); });
        g_signal_connect(window_, "damage-event", G_CALLBACK(onDamage), this);

        g_signal_connect(contentManager_,
                         (std::string("script-message-received::") + kContentSizeHandler).c_str(),
                         G_CALLBACK(onContentSize), this);
        webkit_user_content_manager_register_script_message_handler_in_world(
            contentManager_, kContentSizeHandler, kWorld);
        WebKitUserScript* script = webkit_user_script_new_for_world(
            kContentSizeScript, WEBKIT_USER_CONTENT_INJECT_TOP_FRAME,
            WEBKIT_USER_SCRIPT_INJECT_AT_DOCUMENT_END, kWorld, nullptr, nullptr);
        webkit_user_content_manager_add_script(contentManager_, script);
        webkit_user_script_unref(script);
    }

    ~WebKitBackend() override {
        alive_.reset();
        client_ = nullptr;
        if (!view_) return;
        frameOnly_.reset();
        runtime_->stopWatchingView(view_);
        g_signal_handlers_disconnect_by_data(view_, this);
        g_signal_handlers_disconnect_by_data(window_, this);
        g_signal_handlers_disconnect_by_data(contentManager_, this);
        for (auto& [id, decision] : decisions_) {
            webkit_policy_decision_ignore(decision);
            g_object_unref(decision);
        }
        decisions_.clear();
        webkit_web_view_stop_loading(view_);
        gtk_widget_destroy(window_);
        g_object_unref(window_);
        g_object_unref(view_);
        g_object_unref(contentManager_);
    }

    void setClient(Client* client) override { client_ = client; }
    void setPageLog(std::shared_ptr<LogBudget> log) override {
        if (view_) platform::web::setPageLog(view_, std::move(log));
    }

    void loadHtml(const std::string& html, const Url& baseUrl) override {
        if (!view_) return failNoDisplay(baseUrl.absoluteString());
        runScriptsAgain();
        budget_.renew();
        messages_.renew();
        frameOnly_->forget();
        loadAsked_ = true;
        webkit_web_view_load_html(view_, html.c_str(), baseUrl.absoluteString().c_str());
    }

    void loadRequest(const UrlRequest& request) override {
        if (!view_) return failNoDisplay(request.url().absoluteString());
        if (request.httpMethod() != "GET") {
            LogSink::writef("WebView: %s loads are sent as GET", request.httpMethod().c_str());
        }
        WebKitURIRequest* r = webkit_uri_request_new(request.url().absoluteString().c_str());
        if (SoupMessageHeaders* headers = webkit_uri_request_get_http_headers(r)) {
            for (const auto& field : request.allHttpHeaderFields().fields()) {
                soup_message_headers_replace(headers, field.first.c_str(), field.second.c_str());
            }
        }
        runScriptsAgain();
        budget_.renew();
        messages_.renew();
        frameOnly_->forget();
        loadAsked_ = true;
        webkit_web_view_load_request(view_, r);
        g_object_unref(r);
    }

    void stopLoading() override {
        loadAsked_ = false;
        if (view_) webkit_web_view_stop_loading(view_);
    }
    void reload() override {
        if (view_) webkit_web_view_reload(view_);
    }
    void goBack() override {
        if (view_) webkit_web_view_go_back(view_);
    }
    void goForward() override {
        if (view_) webkit_web_view_go_forward(view_);
    }
    bool canGoBack() const override { return view_ && webkit_web_view_can_go_back(view_); }
    bool canGoForward() const override { return view_ && webkit_web_view_can_go_forward(view_); }
    // A load of the page's own that may be handed back is hidden (FrameOnlyHolds.h).
    bool isLoading() const override {
        return view_ && webkit_web_view_is_loading(view_) && !frameOnly_->hidesALoad();
    }
    std::string currentUrl() const override {
        if (!view_) return {};
        if (auto shown = frameOnly_->shownUrl()) return *shown;
        const char* uri = webkit_web_view_get_uri(view_);
        return uri ? uri : "";
    }
    std::string title() const override {
        const char* title = view_ ? webkit_web_view_get_title(view_) : nullptr;
        return title ? title : "";
    }

    void applySettings(const WebViewSettings& s) override {
        messages_.setScheme(s.messageScheme);
        if (!view_) return;
        WebKitSettings* settings = webkit_web_view_get_settings(view_);
        webkit_settings_set_media_playback_requires_user_gesture(settings,
                                                                 s.mediaPlaybackRequiresUserAction);
        webkit_settings_set_media_playback_allows_inline(settings, s.allowsInlineMediaPlayback);
        GdkRGBA background{s.backgroundColor.r, s.backgroundColor.g, s.backgroundColor.b,
                           s.opaque ? 1.0 : s.backgroundColor.a};
        webkit_web_view_set_background_color(view_, &background);
        background_ = background;
        const bool transparent = background.alpha < 1.0;
        if (transparent != transparent_) {
            // Frames come another way from now on: the next one is due at once.
            transparent_ = transparent;
            damaged_ = true;
            ui::markDisplayChanged();
        }
        webkit_user_content_manager_remove_all_style_sheets(contentManager_);
        // Bounces has no rule: the wheel events we send carry no fling that could overscroll,
        // and overscroll-behavior on the root element keeps WebKitGTK from scrolling the page
        // by wheel at all.
        if (!s.scrollEnabled) {
            addStyleSheet("html, body { overflow: hidden !important; }\n",
                          WEBKIT_USER_CONTENT_INJECT_TOP_FRAME);
        }
        // Hidden bars still scroll: only the desktop's permanent bars go, in every frame.
        if (!s.showsScrollBars) {
            addStyleSheet("::-webkit-scrollbar { display: none !important; }\n",
                          WEBKIT_USER_CONTENT_INJECT_ALL_FRAMES);
        }
    }

    std::string userAgent() const override {
        if (!view_) return {};
        const char* agent = webkit_settings_get_user_agent(webkit_web_view_get_settings(view_));
        return agent ? agent : "";
    }
    void setUserAgent(const std::string& agent) override {
        if (view_) {
            webkit_settings_set_user_agent(webkit_web_view_get_settings(view_),
                                           agent.empty() ? nullptr : agent.c_str());
        }
    }

    void setSize(int width, int height) override {
        width_ = width;
        height_ = height;
        if (!view_) return;
        gtk_widget_set_size_request(GTK_WIDGET(view_), width, height);
        gtk_window_resize(GTK_WINDOW(window_), width, height);
    }

    // The program's scripts go through our extension, which runs them with no gesture around
    // them: WebKitGTK's own evaluation always runs them as the player's gesture
    // (WebProcessExtensionProtocol.h). Without the extension they go the engine's way.
    void evaluate(const std::string& script, std::size_t longestValue,
                  ScriptCallback callback) override {
        if (!view_) {
            if (callback) callback(noDisplayResult());
            return;
        }
        auto* pending = new Pending<ScriptCallback>{alive_, std::move(callback)};
        if (runtime_->hasExtension()) {
            const auto longest = static_cast<guint32>(
                std::min<std::size_t>(longestValue, std::numeric_limits<guint32>::max()));
            webkit_web_view_send_message_to_page(
                view_,
                webkit_user_message_new(
                    kWebExtensionRunScriptMessage,
                    g_variant_new("(@ayu)",
                                  g_variant_new_fixed_array(G_VARIANT_TYPE_BYTE, script.data(),
                                                            script.size(), 1),
                                  longest)),
                nullptr,
                [](GObject* object, GAsyncResult* async, gpointer data) {
                    GError* error = nullptr;
                    WebKitUserMessage* reply = webkit_web_view_send_message_to_page_finish(
                        WEBKIT_WEB_VIEW(object), async, &error);
                    answerScript(data, scriptReply(reply, error));
                    if (reply) g_object_unref(reply);
                    if (error) g_error_free(error);
                },
                pending);
            return;
        }
        pending->wantsValue = longestValue > 0;
        webkit_web_view_evaluate_javascript(
            view_, script.c_str(), static_cast<gssize>(script.size()), nullptr, nullptr, nullptr,
            [](GObject* object, GAsyncResult* async, gpointer data) {
                GError* error = nullptr;
                JSCValue* value = webkit_web_view_evaluate_javascript_finish(
                    WEBKIT_WEB_VIEW(object), async, &error);
                const bool wanted = static_cast<Pending<ScriptCallback>*>(data)->wantsValue;
                answerScript(data, scriptResult(value, error, wanted));
                if (value) g_object_unref(value);
                if (error) g_error_free(error);
            },
            pending);
    }

    // A script's result to whoever asked for it (a Pending<ScriptCallback>), while the view
    // lives.
    static void answerScript(gpointer pending, ScriptResult result) {
        std::unique_ptr<Pending<ScriptCallback>> p(static_cast<Pending<ScriptCallback>*>(pending));
        if (!p->alive.expired() && p->callback) p->callback(std::move(result));
    }

    ScriptResult evaluateSync(const std::string& script, std::size_t longestValue,
                              double timeout) override {
        if (!view_) return noDisplayResult();
        auto answer = std::make_shared<std::optional<ScriptResult>>();
        evaluate(script, longestValue,
                 [answer](ScriptResult result) { *answer = std::move(result); });
        if (!waitForGLib([&] { return answer->has_value(); }, timeout)) {
            ScriptResult late;
            late.error = makeUrlError(kUrlErrorTimedOut, currentUrl());
            return late;
        }
        return std::move(**answer);
    }

    std::optional<WebSnapshot> snapshot(double timeout) override {
        if (!view_) return std::nullopt;
        auto answer = std::make_shared<std::optional<std::optional<WebSnapshot>>>();
        requestSnapshot([answer](std::optional<WebSnapshot> shot) { *answer = std::move(shot); });
        if (!waitForGLib([&] { return answer->has_value(); }, timeout)) return std::nullopt;
        return std::move(**answer);
    }

    void requestSnapshot(SnapshotCallback callback) override {
        if (!view_) {
            if (callback) callback(std::nullopt);
            return;
        }
        // The background goes under the picture as it is when the picture comes; a page asked
        // while opaque is pictured opaque.
        const bool transparent = transparent_;
        auto* pending = new Pending<SnapshotCallback>{
            alive_,
            [this, transparent, callback = std::move(callback)](std::optional<WebSnapshot> shot) {
                if (shot && transparent) underlay(*shot, background_);
                if (callback) callback(std::move(shot));
            }};
        webkit_web_view_get_snapshot(
            view_, WEBKIT_SNAPSHOT_REGION_VISIBLE,
            transparent ? WEBKIT_SNAPSHOT_OPTIONS_TRANSPARENT_BACKGROUND
                        : WEBKIT_SNAPSHOT_OPTIONS_NONE,
            nullptr,
            [](GObject* object, GAsyncResult* async, gpointer data) {
                std::unique_ptr<Pending<SnapshotCallback>> p(
                    static_cast<Pending<SnapshotCallback>*>(data));
                GError* error = nullptr;
                cairo_surface_t* surface =
                    webkit_web_view_get_snapshot_finish(WEBKIT_WEB_VIEW(object), async, &error);
                std::optional<WebSnapshot> shot;
                if (surface) {
                    shot = fromSurface(surface);
                    cairo_surface_destroy(surface);
                    if (shot->empty()) shot.reset();
                }
                if (error) g_error_free(error);
                if (!p->alive.expired()) p->callback(std::move(shot));
            },
            pending);
    }

    const WebSnapshot& paintedFrame() override {
        if (!view_ || !damaged_) return painted_;
        if (transparent_) {
            // WebKit adds each repainted rectangle of a page onto the picture it keeps, so
            // where a transparent page now paints nothing the old pixels stay (a moved
            // element, a larger earlier layout). A transparent page's frame is therefore a
            // picture the page paints afresh; it arrives later and counts as a new frame then.
            if (!repaintRequest_) {
                damaged_ = false;
                repaintRequest_ = requestFrame();
            }
            return painted_;
        }
        damaged_ = false;
        if (cairo_surface_t* surface =
                gtk_offscreen_window_get_surface(GTK_OFFSCREEN_WINDOW(window_))) {
            painted_ = fromSurface(surface);
            paintedNumber_ = ++frameCount_;
            ++generation_;
        }
        return painted_;
    }
    std::uint64_t paintedGeneration() const override { return generation_ + (damaged_ ? 1 : 0); }
    std::uint64_t requestFreshFrame() override {
        // Without a page nothing is drawn: the frame shown is as fresh as any will be.
        if (!view_) return paintedNumber_;
        return requestFrame();
    }
    std::uint64_t paintedFrameNumber() const override { return paintedNumber_; }

    void sendMouse(const WebMouseEvent& event) override {
        GdkWindow* window = view_ ? gtk_widget_get_window(GTK_WIDGET(view_)) : nullptr;
        if (!window) return;
        GdkEventType type = event.type == WebMouseEvent::Type::Down ? GDK_BUTTON_PRESS
                            : event.type == WebMouseEvent::Type::Up ? GDK_BUTTON_RELEASE
                                                                    : GDK_MOTION_NOTIFY;
        GdkEvent* e = gdk_event_new(type);
        const double x = event.location.x, y = event.location.y;
        const guint32 time = static_cast<guint32>(g_get_monotonic_time() / 1000);
        if (type == GDK_MOTION_NOTIFY) {
            e->motion.window = GDK_WINDOW(g_object_ref(window));
            e->motion.time = time;
            e->motion.x = e->motion.x_root = x;
            e->motion.y = e->motion.y_root = y;
            e->motion.state = buttonsDown_;
        } else {
            e->button.window = GDK_WINDOW(g_object_ref(window));
            e->button.time = time;
            e->button.x = e->button.x_root = x;
            e->button.y = e->button.y_root = y;
            e->button.button = static_cast<guint>(std::clamp(event.button, 1, 3));
            e->button.state = buttonsDown_;
            guint mask = GDK_BUTTON1_MASK << (e->button.button - 1);
            if (type == GDK_BUTTON_PRESS) {
                buttonsDown_ |= mask;
                focus();
                // Ahead of the touch, on the same connection: the page's process knows it
                // was touched before any handler of the touch runs.
                webkit_web_view_send_message_to_page(
                    view_, webkit_user_message_new(kWebExtensionTappedMessage, nullptr), nullptr,
                    nullptr, nullptr);
            } else {
                buttonsDown_ &= ~mask;
            }
        }
        dispatch(e, false);
    }

    void sendScroll(const WebScrollEvent& event) override {
        GdkWindow* window = view_ ? gtk_widget_get_window(GTK_WIDGET(view_)) : nullptr;
        if (!window) return;
        GdkEvent* e = gdk_event_new(GDK_SCROLL);
        e->scroll.window = GDK_WINDOW(g_object_ref(window));
        e->scroll.time = static_cast<guint32>(g_get_monotonic_time() / 1000);
        e->scroll.x = e->scroll.x_root = event.location.x;
        e->scroll.y = e->scroll.y_root = event.location.y;
        e->scroll.direction = GDK_SCROLL_SMOOTH;
        // WebKit scrolls a smooth delta of 1 by one line step of 40 pixels.
        e->scroll.delta_x = event.deltaX / 40.0;
        e->scroll.delta_y = event.deltaY / 40.0;
        dispatch(e, false);
    }

    void sendKey(const WebKeyEvent& event) override {
        GdkWindow* window = view_ ? gtk_widget_get_window(GTK_WIDGET(view_)) : nullptr;
        if (!window || event.keysym == 0) return;
        focus();
        GdkEvent* e = gdk_event_new(event.down ? GDK_KEY_PRESS : GDK_KEY_RELEASE);
        e->key.window = GDK_WINDOW(g_object_ref(window));
        e->key.time = static_cast<guint32>(g_get_monotonic_time() / 1000);
        e->key.keyval = event.keysym;
        e->key.state = event.modifiers & (GDK_SHIFT_MASK | GDK_CONTROL_MASK | GDK_MOD1_MASK);
        GdkKeymapKey* keys = nullptr;
        gint count = 0;
        if (gdk_keymap_get_entries_for_keyval(gdk_keymap_get_for_display(gdk_display_get_default()),
                                              event.keysym, &keys, &count) &&
            count > 0) {
            e->key.hardware_keycode = static_cast<guint16>(keys[0].keycode);
            e->key.group = static_cast<guint8>(keys[0].group);
        }
        g_free(keys);
        dispatch(e, true);
    }

  private:
    template <class T>
    struct Pending {
        std::weak_ptr<bool> alive;
        T callback;
        // A script's: whether its caller takes its value.
        bool wantsValue = false;
    };
    struct FrameRequest {
        WebKitBackend* backend;
        std::uint64_t number;
        // A transparent page's picture gets its background put back under it.
        bool transparent;
    };

    static ScriptResult noDisplayResult() {
        ScriptResult result;
        result.error = Error::make(kWebViewErrorDomain, kWebViewErrorNoDisplay,
                                   "No display is available for web views");
        return result;
    }

    void failNoDisplay(const std::string& url) {
        if (!client_) return;
        Error error = Error::make(kWebViewErrorDomain, kWebViewErrorNoDisplay,
                                  "No display is available for web views");
        error.withUserInfo(Error::kUrlKey, Value(url));
        client_->backendDidFail(error);
    }

    // Input goes to the focused page: the toplevel is told it has the focus, as a real window
    // would be when clicked.
    void focus() {
        if (focused_) return;
        focused_ = true;
        gtk_widget_grab_focus(GTK_WIDGET(view_));
        GdkEvent* e = gdk_event_new(GDK_FOCUS_CHANGE);
        e->focus_change.window =
            GDK_WINDOW(g_object_ref(gtk_widget_get_window(GTK_WIDGET(window_))));
        e->focus_change.in = TRUE;
        // To the page's widget, not the offscreen toplevel: GTK's toplevel focus handling
        // queries the X pointer, which an offscreen window does not have.
        gtk_widget_send_focus_change(GTK_WIDGET(view_), e);
        gdk_event_free(e);
    }

    void dispatch(GdkEvent* e, bool keyboard) {
        GdkSeat* seat = gdk_display_get_default_seat(gdk_display_get_default());
        GdkDevice* device =
            seat ? (keyboard ? gdk_seat_get_keyboard(seat) : gdk_seat_get_pointer(seat)) : nullptr;
        if (device) gdk_event_set_device(e, device);
        gtk_widget_event(GTK_WIDGET(view_), e);
        gdk_event_free(e);
    }

    static gboolean onDecidePolicy(WebKitWebView*, WebKitPolicyDecision* decision,
                                   WebKitPolicyDecisionType type, gpointer data) {
        auto* self = static_cast<WebKitBackend*>(data);
        if (type == WEBKIT_POLICY_DECISION_TYPE_RESPONSE) return FALSE;
        WebKitNavigationAction* action = webkit_navigation_policy_decision_get_navigation_action(
            WEBKIT_NAVIGATION_POLICY_DECISION(decision));
        WebKitURIRequest* request = webkit_navigation_action_get_request(action);
        const char* uri = request ? webkit_uri_request_get_uri(request) : nullptr;
        const bool newWindow = type == WEBKIT_POLICY_DECISION_TYPE_NEW_WINDOW_ACTION;
        // A page's same-document navigations come as fast as it likes, and the engine hands
        // them over in batches: its extension's word that it floods is read between two of them.
        if (self->budgeted_) self->runtime_->readFloodReportsNow();
        if (self->budget_.ended()) {
            // What is left of an ended page goes nowhere; the empty page in its place loads.
            if (!newWindow && g_strcmp0(uri, "about:blank") == 0) {
                webkit_policy_decision_use(decision);
            } else {
                webkit_policy_decision_ignore(decision);
            }
            return TRUE;
        }
        // A window.open or target link we allowed loads here and was asked already.
        if (!newWindow && !self->preapproved_.empty() && uri && self->preapproved_ == uri) {
            self->preapproved_.clear();
            webkit_policy_decision_use(decision);
            return TRUE;
        }
        if (!self->client_ || !self->withinBudget() || !self->withinMessageBounds(uri)) {
            webkit_policy_decision_ignore(decision);
            return TRUE;
        }
        RawRequest raw = rawRequest(request);
        raw.redirect = webkit_navigation_action_is_redirect(action);
        // A server may only send a page on to another web page. The client still hears of a
        // redirect elsewhere (it may hand an app's link to the desktop), but the engine never
        // follows it, whatever the client answers.
        const bool followable = !raw.redirect || isWebScheme(raw.url);
        const std::uint64_t id = ++self->nextDecision_;
        self->decisions_[id] = WEBKIT_POLICY_DECISION(g_object_ref(decision));
        auto type_ =
            static_cast<NavigationType>(webkit_navigation_action_get_navigation_type(action));
        std::weak_ptr<bool> alive = self->alive_;
        self->client_->backendNavigation(
            raw, type_,
            [self, alive, id, newWindow, followable, raw, type_](NavigationPolicy policy) {
                if (alive.expired()) return;
                const bool handsBack = policy == NavigationPolicy::LoadInFrameOnly ||
                                       policy == NavigationPolicy::HandBack;
                auto it = self->decisions_.find(id);
                if (it == self->decisions_.end()) {
                    // The page was ended first: it loads nothing any more, in no frame.
                    if (handsBack && self->budget_.ended()) self->handBack(raw, type_);
                    return;
                }
                WebKitPolicyDecision* d = it->second;
                self->decisions_.erase(it);
                // Whose it is only the web process can tell, once it is let through, by its
                // first request: an address WebKit loads without one (about:, data:) cannot be
                // placed, nor anything without our extension. A new window's would load here,
                // as the page's own.
                const bool placed = policy == NavigationPolicy::LoadInFrameOnly && followable &&
                                    !newWindow && isWebScheme(raw.url) &&
                                    self->runtime_->hasExtension();
                if (placed) self->frameOnly_->hold({raw, type_});
                const bool allow = (policy == NavigationPolicy::Load || placed) && followable;
                if (!allow) self->loadAsked_ = false;
                if (allow && !newWindow) {
                    webkit_policy_decision_use(d);
                } else {
                    webkit_policy_decision_ignore(d);
                    if (allow) self->loadHere(raw.url);
                }
                g_object_unref(d);
                // Ignored before it is handed back: a frame keeps the document it shows.
                if (handsBack && !placed) self->handBack(raw, type_);
            });
        return TRUE;
    }

    // window.open: the page gets no second window; when allowed the target loads here.
    static GtkWidget* onCreate(WebKitWebView*, WebKitNavigationAction* action, gpointer data) {
        auto* self = static_cast<WebKitBackend*>(data);
        if (!self->client_ || self->budget_.ended() || !self->withinBudget()) return nullptr;
        WebKitURIRequest* request = webkit_navigation_action_get_request(action);
        if (!self->withinMessageBounds(request ? webkit_uri_request_get_uri(request) : nullptr))
            return nullptr;
        RawRequest raw = rawRequest(request);
        if (raw.url.empty()) return nullptr;
        auto type =
            static_cast<NavigationType>(webkit_navigation_action_get_navigation_type(action));
        std::weak_ptr<bool> alive = self->alive_;
        auto decide = [self, alive, raw, type](NavigationPolicy policy) {
            if (alive.expired()) return;
            if (policy == NavigationPolicy::Load) self->loadHere(raw.url);
            // A new window's target would load here: the page's own.
            if (policy == NavigationPolicy::LoadInFrameOnly || policy == NavigationPolicy::HandBack)
                self->handBack(raw, type);
        };
        self->client_->backendNavigation(raw, type, std::move(decide));
        return nullptr;
    }

    void handBack(const RawRequest& raw, NavigationType type) {
        if (client_) client_->backendHeldBackNavigation(raw, type);
    }

    // FrameOnlyHolds::Host
    void frameOnlyHandedBack(const FrameOnlyHolds::Navigation& navigation) override {
        handBack(navigation.request, navigation.type);
    }
    void frameOnlyStartReleased() override {
        inLoad_ = true;
        if (client_) client_->backendDidStart();
    }

    void loadHere(const std::string& url) {
        preapproved_ = url;
        webkit_web_view_load_uri(view_, url.c_str());
    }

    // Spends the page's budget on one navigation it started (WebViewTypes.h): false when the
    // navigation is refused, and the page ended when it floods. Checked before the request is
    // copied, so a refusal costs next to nothing of ours.
    bool withinBudget() {
        if (!budgeted_) return true;
        switch (budget_.spend(static_cast<double>(g_get_monotonic_time()) / 1e6)) {
            case NavigationBudget::Verdict::Ask:
                return true;
            case NavigationBudget::Verdict::Drop:
                if (budget_.dropped() == 1) {
                    LogSink::write(
                        "WebView: a page started more frames, page messages and navigations than a "
                        "page may; the rest are refused");
                }
                return false;
            case NavigationBudget::Verdict::End:
                endPage(
                    "WebView: a page went on starting frames, page messages and navigations past "
                    "what a page may (" +
                    std::to_string(budget_.dropped()) + " refused); it was ended");
                return false;
        }
        return false;
    }

    // What the page's own process could not refuse is refused here, before anything of ours
    // copies it: an address longer than any page may ask for (WebView::kMaxUrlLength), and a
    // message past the page's budget of messages (PageMessages.h). Our extension refuses an
    // overlong address where a script of the page hands it over; one that reaches the program
    // came by a road no script of ours guards (a frame's own location, markup, a server's
    // redirect), and the engine has already copied it across and keeps a record of it, its
    // address included, for as long as the page lives: twenty-megabyte addresses five a second
    // held a gigabyte in 20 s. No page asks for one honestly, so a page of the shared context
    // is ended at its first, with its line; the program's own pages only have it refused.
    bool withinMessageBounds(const char* uri) {
        const std::size_t length = uri ? std::strlen(uri) : 0;
        if (length > WebView::kMaxUrlLength) {
            refusalLine(view_, ("WebView: navigation to a URL of " + std::to_string(length) +
                                " bytes refused")
                                   .c_str());
            if (budgeted_) {
                budget_.end();
                endPage("WebView: a page asked for a longer address than a page may; it was ended");
            }
            return false;
        }
        if (!budgeted_) return true;
        switch (messages_.spend(uri, static_cast<double>(g_get_monotonic_time()) / 1e6)) {
            case PageMessages::Verdict::Send:
                return true;
            case PageMessages::Verdict::RefuseFirst:
                refusalLine(view_,
                            "WebView: a page sent more page messages than a page may; the rest "
                            "are refused");
                return false;
            case PageMessages::Verdict::Refuse:
                return false;
        }
        return false;
    }

    // An empty page takes the ended page's place (a flood, or what no page asks honestly): its
    // scripts, timers and frames go with it, and nothing else stops them (WebKit lets an empty
    // frame load whatever it is answered). Its owner hears the page is gone, as if its process
    // had ended, and nothing more of it; the process lives on for the other views.
    //
    // The page must not outrun its end: the empty page's load waits for its policy behind
    // every message the page sent before it, and any same-document navigation of the page's
    // meanwhile (a fragment is navigated to without waiting for an answer) cancels that check,
    // so a page that set location.hash in a loop ran on for as long as it liked. So first its
    // scripts stop: the view's setting reaches the page's process before anything sent after
    // it, and from its next task on no timer, handler or callback of the page runs, so it
    // sends nothing more. The next load its owner asks for runs scripts again.
    void endPage(const std::string& why) {
        LogSink::write(why);
        if (view_) {
            webkit_settings_set_enable_javascript(webkit_web_view_get_settings(view_), FALSE);
            scriptsStopped_ = true;
        }
        for (auto& [id, decision] : decisions_) {
            webkit_policy_decision_ignore(decision);
            g_object_unref(decision);
        }
        decisions_.clear();
        preapproved_.clear();
        // Nothing of the page loads any more, in no frame: what waited to be placed is handed
        // back, as the page's own navigations are.
        const auto waiting = frameOnly_->takeAll();
        const bool wasLoading = inLoad_ || loadAsked_;
        inLoad_ = false;
        loadAsked_ = false;
        // Not from inside the engine's policy signal that asked: on its next turn.
        g_idle_add_full(
            G_PRIORITY_DEFAULT,
            [](gpointer data) -> gboolean {
                std::unique_ptr<Pending<WebKitBackend*>> p(
                    static_cast<Pending<WebKitBackend*>*>(data));
                if (!p->alive.expired() && p->callback->budget_.ended()) {
                    webkit_web_view_load_html(p->callback->view_, "", "about:blank");
                }
                return G_SOURCE_REMOVE;
            },
            new Pending<WebKitBackend*>{alive_, this}, nullptr);
        if (!client_) return;
        for (const auto& navigation : waiting) handBack(navigation.request, navigation.type);
        Error error = Error::make(kWebViewErrorDomain, kWebViewErrorPageEnded,
                                  "The page asked for more than a page may and was ended");
        error.withUserInfo(Error::kUrlKey, Value(currentUrl()));
        if (wasLoading) client_->backendDidFail(error);
        client_->backendWebProcessEnded(error);
    }

    void runScriptsAgain() {
        if (!std::exchange(scriptsStopped_, false)) return;
        webkit_settings_set_enable_javascript(webkit_web_view_get_settings(view_), TRUE);
    }

    // Our extension's word that the page went on with same-document navigations past its
    // budget there (WebProcessExtensionProtocol.h), by the report socket or by the engine's
    // road, whichever comes first: ended as a page that floods its navigations is.
    void pageFlooded() {
        if (!budgeted_ || budget_.ended()) return;
        budget_.end();
        endPage(
            "WebView: a page went on changing its address in place past what a page may; it was "
            "ended");
    }
    static gboolean onPageMessage(WebKitWebView*, WebKitUserMessage* message, gpointer data) {
        if (g_strcmp0(webkit_user_message_get_name(message), kWebExtensionPageFloodMessage) != 0)
            return FALSE;
        static_cast<WebKitBackend*>(data)->pageFlooded();
        return TRUE;
    }

    static void onLoadChanged(WebKitWebView*, WebKitLoadEvent event, gpointer data) {
        auto* self = static_cast<WebKitBackend*>(data);
        self->loadAsked_ = false;
        // The empty page that replaced an ended one is no load of its owner's.
        if (self->budget_.ended()) return;
        if (event == WEBKIT_LOAD_STARTED) {
            if (self->frameOnly_->pageLoadStarted()) return;
            self->inLoad_ = true;
            if (self->client_) self->client_->backendDidStart();
            return;
        }
        self->frameOnly_->pageLoadChanged();
        if (event == WEBKIT_LOAD_FINISHED && self->inLoad_) {
            self->inLoad_ = false;
            if (self->client_) self->client_->backendDidFinish();
        }
    }

    static gboolean onLoadFailed(WebKitWebView*, WebKitLoadEvent, gchar* uri, GError* error,
                                 gpointer data) {
        auto* self = static_cast<WebKitBackend*>(data);
        // The end of the page's own navigation, handed back before it asked for anything.
        if (!self->budget_.ended() && self->frameOnly_->pageLoadFailed()) {
            self->loadAsked_ = false;
            return TRUE;
        }
        const bool reported = self->inLoad_ && !self->budget_.ended();
        self->inLoad_ = false;
        self->loadAsked_ = false;
        if (reported && !isSilentFailure(error) && self->client_) {
            Error failure = makeUrlError(urlErrorCode(error), uri ? uri : "");
            if (error) {
                // The engine's own account, for logs and for telling causes apart.
                Error cause(g_quark_to_string(error->domain), error->code);
                if (error->message) {
                    failure.withUserInfo(Error::kLocalizedDescriptionKey, Value(error->message));
                    cause.withUserInfo(Error::kLocalizedDescriptionKey, Value(error->message));
                }
                failure.withUnderlying(cause);
            }
            self->client_->backendDidFail(failure);
        }
        // No error page: the caller decides what a failed load shows.
        return TRUE;
    }

    static void onProcessEnded(WebKitWebView*, WebKitWebProcessTerminationReason reason,
                               gpointer data) {
        auto* self = static_cast<WebKitBackend*>(data);
        LogSink::writef("WebView: the page's web process %s", endedBecause(reason));
        for (auto& [id, decision] : self->decisions_) g_object_unref(decision);
        self->decisions_.clear();
        self->frameOnly_->clear();
        // A load asked of a process that never got to start it (one that spun, say) fails too:
        // its caller would otherwise wait for it for ever.
        const bool wasLoading = self->inLoad_ || self->loadAsked_;
        self->inLoad_ = false;
        self->loadAsked_ = false;
        // The owner of an ended page has heard it is gone already.
        if (!self->client_ || self->budget_.ended()) return;
        Error error = Error::make(kWebViewErrorDomain, kWebViewErrorWebProcessEnded,
                                  std::string("The page's web process ") + endedBecause(reason));
        error.withUserInfo(Error::kUrlKey, Value(self->currentUrl()));
        if (wasLoading) self->client_->backendDidFail(error);
        // Loaded pages are gone too: their owners hear it, so none waits for an answer.
        self->client_->backendWebProcessEnded(error);
    }

    static gboolean onDamage(GtkWidget*, GdkEvent*, gpointer data) {
        static_cast<WebKitBackend*>(data)->damaged_ = true;
        // A window showing the page draws again; one that does not only compares a number.
        ui::markDisplayChanged();
        return FALSE;
    }

    // A picture of the page drawn after everything sent to it so far (the web process answers
    // in the order it is asked), numbered; it becomes the painted frame when it arrives.
    std::uint64_t requestFrame() {
        auto* pending = new Pending<FrameRequest>{alive_, {this, ++frameCount_, transparent_}};
        const std::uint64_t number = frameCount_;
        webkit_web_view_get_snapshot(
            view_, WEBKIT_SNAPSHOT_REGION_VISIBLE,
            transparent_ ? WEBKIT_SNAPSHOT_OPTIONS_TRANSPARENT_BACKGROUND
                         : WEBKIT_SNAPSHOT_OPTIONS_NONE,
            nullptr,
            [](GObject* object, GAsyncResult* async, gpointer data) {
                std::unique_ptr<Pending<FrameRequest>> p(static_cast<Pending<FrameRequest>*>(data));
                GError* error = nullptr;
                cairo_surface_t* surface =
                    webkit_web_view_get_snapshot_finish(WEBKIT_WEB_VIEW(object), async, &error);
                if (error) g_error_free(error);
                if (!p->alive.expired()) p->callback.backend->frameArrived(surface, p->callback);
                if (surface) cairo_surface_destroy(surface);
            },
            pending);
        return number;
    }

    void frameArrived(cairo_surface_t* surface, const FrameRequest& request) {
        if (request.number == repaintRequest_) repaintRequest_ = 0;
        // A page that cannot be pictured (none loaded yet, its process gone) keeps its last
        // frame; the next repaint asks again. A picture asked for before the one shown is older
        // than it.
        WebSnapshot shot = surface ? fromSurface(surface) : WebSnapshot{};
        if (shot.empty() || request.number < paintedNumber_) return;
        if (request.transparent) underlay(shot, background_);
        painted_ = std::move(shot);
        paintedNumber_ = request.number;
        ++generation_;
        ui::markDisplayChanged();
    }

    void addStyleSheet(const char* css, WebKitUserContentInjectedFrames frames) {
        WebKitUserStyleSheet* sheet = webkit_user_style_sheet_new(
            css, frames, WEBKIT_USER_STYLE_LEVEL_USER, nullptr, nullptr);
        webkit_user_content_manager_add_style_sheet(contentManager_, sheet);
        webkit_user_style_sheet_unref(sheet);
    }

    static void onContentSize(WebKitUserContentManager*, WebKitJavascriptResult* result,
                              gpointer data) {
        auto* self = static_cast<WebKitBackend*>(data);
        JSCValue* value = webkit_javascript_result_get_js_value(result);
        if (!value || !jsc_value_is_array(value) || !self->client_ || self->budget_.ended()) return;
        JSCValue* w = jsc_value_object_get_property_at_index(value, 0);
        JSCValue* h = jsc_value_object_get_property_at_index(value, 1);
        double width = jsc_value_is_number(w) ? jsc_value_to_double(w) : -1;
        double height = jsc_value_is_number(h) ? jsc_value_to_double(h) : -1;
        g_object_unref(w);
        g_object_unref(h);
        self->client_->backendContentSize(width, height);
    }

    // Pages of the shared context (ads, landing pages) answer to a budget; ours do not.
    const bool budgeted_;
    NavigationBudget budget_{kPageNavigationsPerSecond, kPageNavigationBurst, kPageFloodNavigations,
                             kPageFloodWindowSeconds};
    PageMessages messages_{kPageMessagesPerSecond, kPageMessageBurst};
    // The ended page's scripts were stopped (endPage), until the owner loads again.
    bool scriptsStopped_ = false;
    WebKitRuntime* runtime_ = nullptr;
    WebKitWebView* view_ = nullptr;
    GtkWidget* window_ = nullptr;
    WebKitUserContentManager* contentManager_ = nullptr;
    Client* client_ = nullptr;
    std::shared_ptr<bool> alive_ = std::make_shared<bool>(true);
    std::map<std::uint64_t, WebKitPolicyDecision*> decisions_;
    std::unique_ptr<FrameOnlyHolds> frameOnly_;
    std::uint64_t nextDecision_ = 0;
    std::string preapproved_;
    bool inLoad_ = false;
    // A load was asked for and its page has not started yet.
    bool loadAsked_ = false;
    bool transparent_ = false;
    GdkRGBA background_{1, 1, 1, 1};
    bool focused_ = false;
    bool damaged_ = true;
    // The picture asked for after the last repaint, until it arrives (0: none waits).
    std::uint64_t repaintRequest_ = 0;
    // Frames asked for so far, and the number of the one painted (0 before any).
    std::uint64_t frameCount_ = 0;
    std::uint64_t paintedNumber_ = 0;
    guint buttonsDown_ = 0;
    int width_, height_;
    WebSnapshot painted_;
    std::uint64_t generation_ = 0;
};

}  // namespace

std::unique_ptr<WebViewBackend> makeWebKitBackend(int width, int height, WebViewContext context) {
    return std::make_unique<WebKitBackend>(width, height, context);
}

}  // namespace platform::web
