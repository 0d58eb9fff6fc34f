#include "platform/web/engine/FrameOnlyHolds.h"

#include <webkit2/webkit2.h>

#include <utility>

#include "platform/web/WebProcessExtensionProtocol.h"

namespace platform::web {

namespace {

struct Pending {
    std::weak_ptr<bool> alive;
    FrameOnlyHolds* holds;
    std::uint64_t decision;
    std::uint64_t number;
};

}  // namespace

FrameOnlyHolds::FrameOnlyHolds(WebKitWebView* view, Host& host) : view_(view), host_(host) {
    g_signal_connect(view_, "user-message-received", G_CALLBACK(onMessage), this);
}

FrameOnlyHolds::~FrameOnlyHolds() {
    g_signal_handlers_disconnect_by_func(view_, reinterpret_cast<gpointer>(onMessage), this);
}

void FrameOnlyHolds::hold(std::uint64_t decision, Navigation navigation) {
    const std::string url = navigation.request.url;
    const std::uint64_t number = waiting_.add(std::move(navigation));
    webkit_web_view_send_message_to_page(
        view_,
        webkit_user_message_new(
            kWebExtensionFrameOnlyMessage,
            g_variant_new(kWebExtensionFrameOnlyType, guint64(number), url.c_str())),
        nullptr,
        [](GObject* object, GAsyncResult* result, gpointer data) {
            std::unique_ptr<Pending> pending(static_cast<Pending*>(data));
            GError* error = nullptr;
            WebKitUserMessage* reply = webkit_web_view_send_message_to_page_finish(
                WEBKIT_WEB_VIEW(object), result, &error);
            // An error of the message itself is no extension to handle it; any other, its
            // process going away.
            const Reply answer = reply && !error ? Reply::Kept
                                 : error && error->domain == WEBKIT_USER_MESSAGE_ERROR
                                     ? Reply::Unhandled
                                     : Reply::Lost;
            if (reply) g_object_unref(reply);
            if (error) g_error_free(error);
            if (!pending->alive.expired())
                pending->holds->answered(pending->decision, pending->number, answer);
        },
        new Pending{alive_, this, decision, number});
}

void FrameOnlyHolds::answered(std::uint64_t decision, std::uint64_t number, Reply reply) {
    // Forgotten meanwhile (a new page, or the page or its process ended): nothing goes through.
    if (!waiting_.contains(number)) {
        host_.frameOnlyDecided(decision, false);
        return;
    }
    host_.frameOnlyDecided(decision, reply == Reply::Kept);
    // No extension to tell a frame's document from the page's: nothing went through, since
    // the page's own would have asked for its address from inside the page, and the
    // navigation is handed back as the page's own is. With its process gone, it is forgotten.
    if (reply != Reply::Kept) settle(number, reply == Reply::Unhandled);
}

int FrameOnlyHolds::onMessage(WebKitWebView*, WebKitUserMessage* message, void* data) {
    if (g_strcmp0(webkit_user_message_get_name(message), kWebExtensionFrameOnlyTargetMessage) != 0)
        return FALSE;
    GVariant* parameters = webkit_user_message_get_parameters(message);
    if (parameters &&
        g_variant_is_of_type(parameters, G_VARIANT_TYPE(kWebExtensionFrameOnlyTargetType))) {
        guint64 number = 0;
        gboolean pagesOwn = FALSE;
        g_variant_get(parameters, kWebExtensionFrameOnlyTargetType, &number, &pagesOwn);
        static_cast<FrameOnlyHolds*>(data)->settle(number, pagesOwn);
    }
    return TRUE;
}

void FrameOnlyHolds::settle(std::uint64_t number, bool pagesOwn) {
    auto navigation = waiting_.settle(number, pagesOwn);
    if (navigation) {
        // The start held is this one's: only one load of the page's is under way at a time.
        if (start_) start_->handedBack = true;
        host_.frameOnlyHandedBack(*navigation);
        return;
    }
    // With none of ours left to be it, a start held was of a load of the page's after all.
    if (start_ && !start_->handedBack && waiting_.empty()) releaseStart();
}

bool FrameOnlyHolds::pageLoadStarted() {
    // A start held before has been superseded: that load reports nothing more.
    start_.reset();
    if (waiting_.empty()) return false;
    start_ = HeldStart{};
    return true;
}

void FrameOnlyHolds::pageLoadChanged() {
    if (start_) releaseStart();
}

bool FrameOnlyHolds::pageLoadFailed() {
    if (!start_) return false;
    const bool handedBack = start_->handedBack;
    if (handedBack) {
        start_.reset();
        return true;
    }
    releaseStart();
    return false;
}

void FrameOnlyHolds::releaseStart() {
    start_.reset();
    host_.frameOnlyStartReleased();
}

void FrameOnlyHolds::forget() {
    start_.reset();
    if (waiting_.empty()) return;
    waiting_.takeAll();
    webkit_web_view_send_message_to_page(
        view_, webkit_user_message_new(kWebExtensionForgetFrameOnlyMessage, nullptr), nullptr,
        nullptr, nullptr);
}

std::vector<FrameOnlyHolds::Navigation> FrameOnlyHolds::takeAll() {
    start_.reset();
    return waiting_.takeAll();
}

void FrameOnlyHolds::clear() {
    start_.reset();
    waiting_.takeAll();
}

}  // namespace platform::web
