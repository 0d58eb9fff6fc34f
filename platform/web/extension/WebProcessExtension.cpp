// Loaded by WebKit into every web process (not into the program): redirects the subresources
// the program intercepts to its own scheme, refuses a server's redirect to anything but a web
// address, and keeps the process under its memory limit. WebKit cannot serve https itself from
// a custom handler, and only the web process sees each request before it goes out, so the
// first two have to happen here; the third is here because only a thread of the process
// itself can look at its memory often enough. Built without sanitizers: the web process is not
// instrumented. It links GLib and WebKit only, never our libraries.

#include <signal.h>
#include <unistd.h>
#include <webkit2/webkit-web-extension.h>

#include <cstdint>
#include <cstdio>
#include <set>
#include <string>
#include <vector>

#include "platform/web/WebProcessExtensionProtocol.h"

namespace {

struct State {
    std::string token;
    std::set<std::string> names;
    guint32 memoryLimitMegabytes = 0;
    // The pages of this process, main thread only.
    std::vector<WebKitWebPage*> pages;
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

bool isWebUri(const char* uri) {
    return uri && (g_ascii_strncasecmp(uri, "http:", 5) == 0 ||
                   g_ascii_strncasecmp(uri, "https:", 6) == 0);
}

gboolean onSendRequest(WebKitWebPage* page, WebKitURIRequest* request,
                       WebKitURIResponse* redirectedFrom, gpointer) {
    const char* uri = webkit_uri_request_get_uri(request);
    // A server may send a request on to another web address only: a file, our own scheme or an
    // app's is no place an answer of the web may lead. TRUE cancels the request.
    if (redirectedFrom && !isWebUri(uri)) return TRUE;
    if (state().names.empty() || state().token.empty()) return FALSE;
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
    state().pages.push_back(page);
    g_object_weak_ref(
        G_OBJECT(page),
        [](gpointer, GObject* gone) {
            auto& pages = state().pages;
            for (auto it = pages.begin(); it != pages.end(); ++it) {
                if (G_OBJECT(*it) == gone) {
                    pages.erase(it);
                    break;
                }
            }
        },
        nullptr);
}

std::uint64_t residentBytes() {
    FILE* statm = std::fopen("/proc/self/statm", "r");
    if (!statm) return 0;
    unsigned long size = 0, resident = 0;
    const int read = std::fscanf(statm, "%lu %lu", &size, &resident);
    std::fclose(statm);
    return read == 2 ? std::uint64_t(resident) * std::uint64_t(sysconf(_SC_PAGESIZE)) : 0;
}

// Main thread: the program ends the process (and says why) when one of its views hears this.
gboolean askToBeEnded(gpointer) {
    if (!state().pages.empty()) {
        webkit_web_page_send_message_to_view(
            state().pages.front(),
            webkit_user_message_new(platform::web::kWebExtensionMemoryMessage,
                                    g_variant_new_uint32(state().memoryLimitMegabytes)),
            nullptr, nullptr, nullptr);
    }
    return G_SOURCE_REMOVE;
}

// A thread of its own, which no page can hold up: WebKit's own memory check runs on the main
// thread every second at best, so it notices a page that allocates fast a second or two late
// and one whose script never lets go not at all.
gpointer watchMemory(gpointer) {
    const std::uint64_t limit = std::uint64_t(state().memoryLimitMegabytes) << 20;
    for (;;) {
        g_usleep(50 * 1000);
        if (residentBytes() < limit) continue;
        g_main_context_invoke(nullptr, askToBeEnded, nullptr);
        // The main thread never got to it, or the program did not answer: the limit holds
        // anyway.
        g_usleep(500 * 1000);
        kill(getpid(), SIGKILL);
    }
    return nullptr;
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
    if (data && g_variant_is_of_type(data, G_VARIANT_TYPE("(sasu)"))) {
        const char* token = nullptr;
        GVariant* names = nullptr;
        guint32 megabytes = 0;
        g_variant_get(data, "(&s@asu)", &token, &names, &megabytes);
        state().token = token ? token : "";
        setNames(names);
        if (names) g_variant_unref(names);
        state().memoryLimitMegabytes = megabytes;
    }
    if (state().memoryLimitMegabytes > 0) {
        g_thread_unref(g_thread_new("movuroute-memory", watchMemory, nullptr));
    }
    g_signal_connect(extension, "page-created", G_CALLBACK(onPageCreated), nullptr);
    g_signal_connect(extension, "user-message-received", G_CALLBACK(onMessage), nullptr);
}
