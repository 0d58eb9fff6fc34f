// Loaded by WebKit into every web process (not into the program): redirects the subresources
// the program intercepts to its own scheme. WebKit cannot serve https itself from a custom
// handler, and only the web process sees each request before it goes out, so the redirect has
// to happen here. Built without sanitizers: the web process is not instrumented. It links GLib
// and WebKit only, never our libraries.

#include <webkit2/webkit-web-extension.h>

#include <set>
#include <string>

#include "platform/web/WebProcessExtensionProtocol.h"

namespace {

struct State {
    std::string token;
    std::set<std::string> names;
};

State& state() {
    static State* s = new State();
    return *s;
}

void setNames(GVariant* names) {
    state().names.clear();
    if (!names || !g_variant_is_of_type(names, G_VARIANT_TYPE_STRING_ARRAY)) return;
    GVariantIter iter;
    const char* name = nullptr;
    g_variant_iter_init(&iter, names);
    while (g_variant_iter_next(&iter, "&s", &name)) state().names.insert(name);
}

// The last path component of an http(s) URL, or "".
std::string lastComponent(const char* uri) {
    std::string text = uri ? uri : "";
    if (text.rfind("http://", 0) != 0 && text.rfind("https://", 0) != 0) return {};
    std::size_t end = text.find_first_of("?#");
    if (end != std::string::npos) text.resize(end);
    std::size_t slash = text.rfind('/');
    std::size_t hostStart = text.find("//") + 2;
    if (slash == std::string::npos || slash < hostStart) return {};
    return text.substr(slash + 1);
}

std::string escaped(const char* text) {
    char* e = g_uri_escape_string(text ? text : "", nullptr, FALSE);
    std::string result = e;
    g_free(e);
    return result;
}

gboolean onSendRequest(WebKitWebPage* page, WebKitURIRequest* request, WebKitURIResponse*,
                       gpointer) {
    if (state().names.empty() || state().token.empty()) return FALSE;
    const char* uri = webkit_uri_request_get_uri(request);
    std::string name = lastComponent(uri);
    if (name.empty() || !state().names.count(name)) return FALSE;
    const char* referer = nullptr;
    if (SoupMessageHeaders* headers = webkit_uri_request_get_http_headers(request)) {
        referer = soup_message_headers_get_one(headers, "Referer");
    }
    const char* pageAddress = webkit_web_page_get_uri(page);
    // Pages that send no Referer are still known by their own address.
    if (!referer || !*referer) referer = pageAddress;
    std::string target = std::string("movuroute-resource://intercept/?t=") + state().token +
                         "&u=" + escaped(uri) + "&r=" + escaped(referer) +
                         "&p=" + escaped(pageAddress);
    webkit_uri_request_set_uri(request, target.c_str());
    return FALSE;
}

void onPageCreated(WebKitWebExtension*, WebKitWebPage* page, gpointer) {
    g_signal_connect(page, "send-request", G_CALLBACK(onSendRequest), nullptr);
}

gboolean onMessage(WebKitWebExtension*, WebKitUserMessage* message, gpointer) {
    if (g_strcmp0(webkit_user_message_get_name(message),
                  platform::web::kWebExtensionNamesMessage) == 0) {
        setNames(webkit_user_message_get_parameters(message));
    }
    return FALSE;
}

}  // namespace

extern "C" G_MODULE_EXPORT void webkit_web_extension_initialize_with_user_data(
    WebKitWebExtension* extension, GVariant* data) {
    if (data && g_variant_is_of_type(data, G_VARIANT_TYPE("(sas)"))) {
        const char* token = nullptr;
        GVariant* names = nullptr;
        g_variant_get(data, "(&s@as)", &token, &names);
        state().token = token ? token : "";
        setNames(names);
        if (names) g_variant_unref(names);
    }
    g_signal_connect(extension, "page-created", G_CALLBACK(onPageCreated), nullptr);
    g_signal_connect(extension, "user-message-received", G_CALLBACK(onMessage), nullptr);
}
