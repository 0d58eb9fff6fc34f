#include "platform/web/engine/FrameOnlyHolds.h"

#include <webkit2/webkit2.h>

#include <utility>

#include "platform/web/WebProcessExtensionProtocol.h"

namespace platform::web {

FrameOnlyHolds::FrameOnlyHolds(WebKitWebView* view, Host& host) : view_(view), host_(host) {
    g_signal_connect(view_, "user-message-received", G_CALLBACK(onMessage), this);
}

FrameOnlyHolds::~FrameOnlyHolds() {
    g_signal_handlers_disconnect_by_func(view_, reinterpret_cast<gpointer>(onMessage), this);
}

void FrameOnlyHolds::hold(Navigation navigation) {
    const std::string url = navigation.request.url;
    const std::uint64_t number = waiting_.add(std::move(navigation));
    webkit_web_view_send_message_to_page(
        view_,
        webkit_user_message_new(
            kWebExtensionFrameOnlyMessage,
            g_variant_new(kWebExtensionFrameOnlyType, guint64(number), url.c_str())),
        nullptr, nullptr, nullptr);
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
    // WebKit shows a load's address only once it has started.
    const char* uri = webkit_web_view_get_uri(view_);
    start_ = HeldStart{uri ? uri : "", false};
    return true;
}

std::optional<std::string> FrameOnlyHolds::shownUrl() const {
    if (!start_) return std::nullopt;
    return start_->shownUrl;
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
    // Sent whatever waits: the page's extension also renews what it keeps of the page's.
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
