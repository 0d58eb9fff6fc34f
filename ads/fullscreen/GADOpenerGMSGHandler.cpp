#include "ads/fullscreen/GADOpenerGMSGHandler.h"

#include <functional>
#include <unordered_map>

#include "ads/foundation/GADOrientation.h"
#include "ads/foundation/GADURLUtilities.h"
#include "ads/fullscreen/GADFullScreenSlot.h"
#include "ads/fullscreen/GADOpener.h"
#include "ads/web/GADPagePings.h"
#include "platform/base/NumberText.h"
#include "platform/ui/Application.h"
#include "platform/ui/InterfaceOrientation.h"

namespace ads {

namespace {

using platform::Value;

// What an ad may ask to buy at once.
constexpr std::int64_t kMinimumQuantity = 1;
constexpr std::int64_t kMaximumQuantity = 10;

std::optional<std::string> text(const Value::Dictionary& params, const char* key) {
    const auto found = params.find(key);
    if (found == params.end() || !found->second.isString()) return std::nullopt;
    return found->second.stringRef();
}

const Value::Dictionary& paramsOf(const GADGMSGActionInfo& info) {
    static const Value::Dictionary none;
    return info.note ? info.note->parameters() : none;
}

}  // namespace

std::shared_ptr<GADOpenerGMSGHandler> GADOpenerGMSGHandler::create(
    std::shared_ptr<GADOpener> opener) {
    if (!opener) return nullptr;
    return std::make_shared<GADOpenerGMSGHandler>(Private{}, std::move(opener));
}

GADOpenerGMSGHandler::GADOpenerGMSGHandler(Private, std::shared_ptr<GADOpener> opener)
    : opener_(std::move(opener)) {}

const GADGMSGActionTable* GADOpenerGMSGHandler::actionBlockDictionary() const {
    static const GADGMSGActionTable table{
        {"click", action(&GADOpenerGMSGHandler::didReceiveClickNotification)},
        {"open", action(&GADOpenerGMSGHandler::didReceiveOpenNotification)},
        {"fetchAppStore", action(&GADOpenerGMSGHandler::fetchInAppStore)},
    };
    return &table;
}

std::optional<platform::Url> GADOpenerGMSGHandler::URLFromParams(const Value::Dictionary& params) {
    const auto u = text(params, "u");
    return u ? platform::Url::parse(*u) : std::nullopt;
}

unsigned GADOpenerGMSGHandler::orientationFromParams(const Value::Dictionary& params) {
    const auto o = text(params, "o");
    if (!o) return GADInterfaceOrientationMaskAll;
    if (*o == "p") return GADInterfaceOrientationMaskPortraitBoth;
    if (*o == "l") return GADInterfaceOrientationMaskLandscape;
    if (*o == "c") {
        const auto current = platform::ui::Application::shared().statusBarOrientation();
        return platform::ui::isLandscape(current) ? GADInterfaceOrientationMaskLandscape
                                                  : GADInterfaceOrientationMaskPortraitBoth;
    }
    return GADInterfaceOrientationMaskAll;
}

bool GADOpenerGMSGHandler::shouldUseCustomClose(const Value::Dictionary& params) {
    return text(params, "custom_close") == "1";
}

std::vector<std::string> GADOpenerGMSGHandler::reportingURLStringFormats(
    const Value::Dictionary& params) {
    std::vector<std::string> formats;
    const auto urls = text(params, "report_urls");
    if (!urls) return formats;
    std::string piece;
    for (char c : *urls) {
        if (c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\v' || c == '\f') {
            if (!piece.empty()) formats.push_back(std::move(piece));
            piece.clear();
        } else {
            piece += c;
        }
    }
    if (!piece.empty()) formats.push_back(std::move(piece));
    return formats;
}

platform::Url GADOpenerGMSGHandler::gestureClickURL(const platform::Url& url) const {
    auto slot = opener_->slot();
    return slot ? slot->gestureClickURLWithURL(url) : url;
}

void GADOpenerGMSGHandler::didReceiveClickNotification(const GADGMSGActionInfo& info) {
    const auto url = URLFromParams(paramsOf(info));
    // The page names what is pinged: only a web address is fetched.
    if (!url) return;
    const auto click = gestureClickURL(*url);
    GADPagePings::shared().pingClickTracker(info.adView, click);
}

const std::unordered_map<std::string, GADOpenerGMSGHandler::OpenCommand>&
GADOpenerGMSGHandler::openCommands() {
    static const std::unordered_map<std::string, OpenCommand> subActions{
        {"in_app_store", &GADOpenerGMSGHandler::actionOpenInAppStore},
        {"in_app_purchase", &GADOpenerGMSGHandler::actionOpenInAppPurchase},
        {"browser", &GADOpenerGMSGHandler::actionOpenBrowser},
        {"webapp", &GADOpenerGMSGHandler::actionOpenWebApp},
        {"expand", &GADOpenerGMSGHandler::actionExpand},
        // A video link takes the video road (the in-app browser's until a room sets it).
        {"video", &GADOpenerGMSGHandler::actionOpenVideo},
        {"call", &GADOpenerGMSGHandler::actionOpenApp},
        {"app", &GADOpenerGMSGHandler::actionOpenApp},
    };
    return subActions;
}

std::vector<std::string> GADOpenerGMSGHandler::openCommandNames() {
    std::vector<std::string> names;
    for (const auto& [name, command] : openCommands()) names.push_back(name);
    return names;
}

void GADOpenerGMSGHandler::didReceiveOpenNotification(const GADGMSGActionInfo& info) {
    const auto& subActions = openCommands();
    const auto a = text(paramsOf(info), "a");
    const auto found = a ? subActions.find(*a) : subActions.end();
    (this->*(found != subActions.end() ? found->second : &GADOpenerGMSGHandler::actionOpenApp))(
        info);
}

void GADOpenerGMSGHandler::fetchInAppStore(const GADGMSGActionInfo& info) {
    if (const auto productID = text(paramsOf(info), "product_id"))
        opener_->fetchInAppStoreForProductID(*productID);
}

void GADOpenerGMSGHandler::actionOpenInAppStore(const GADGMSGActionInfo& info) {
    const auto& params = paramsOf(info);
    const auto productID = text(params, "product_id");
    const auto wait = text(params, "wait_for_fetch");
    opener_->openInAppStoreWithProductID(productID.value_or(std::string()), URLFromParams(params),
                                         !wait || *wait == "true");
}

void GADOpenerGMSGHandler::actionOpenInAppPurchase(const GADGMSGActionInfo& info) {
    const auto& params = paramsOf(info);
    const auto productID = text(params, "product_id");
    if (!productID) return;
    const auto quantityText = text(params, "quantity");
    const std::int64_t quantity = quantityText ? platform::integerValue(*quantityText) : 0;
    if (quantity < kMinimumQuantity || quantity > kMaximumQuantity) return;
    opener_->openInAppPurchase(*productID, quantity, reportingURLStringFormats(params));
}

void GADOpenerGMSGHandler::actionOpenBrowser(const GADGMSGActionInfo& info) {
    const auto& params = paramsOf(info);
    if (const auto url = URLFromParams(params))
        opener_->openBrowserToURL(*url, orientationFromParams(params));
}

void GADOpenerGMSGHandler::actionOpenVideo(const GADGMSGActionInfo& info) {
    const auto& params = paramsOf(info);
    if (const auto url = URLFromParams(params))
        opener_->openVideoToURL(*url, orientationFromParams(params));
}

void GADOpenerGMSGHandler::actionOpenWebApp(const GADGMSGActionInfo& info) {
    const auto& params = paramsOf(info);
    const unsigned orientations = orientationFromParams(params);
    const bool customClose = shouldUseCustomClose(params);
    std::function<void()> open;
    if (auto url = URLFromParams(params)) {
        open = [opener = std::weak_ptr<GADOpener>(opener_), url = std::move(*url), orientations,
                customClose] {
            if (auto o = opener.lock()) o->openWebApp(url, orientations, customClose);
        };
    } else if (auto html = text(params, "html")) {
        open = [opener = std::weak_ptr<GADOpener>(opener_), html = std::move(*html), orientations,
                customClose] {
            if (auto o = opener.lock()) o->openWebAppWithHTML(html, orientations, customClose);
        };
    }
    if (!open) return;
    // A two-part expand asked for before the slot has shown its ad waits for it, as an expand.
    auto slot = opener_->slot();
    if (slot && slot->deferMRAIDLayoutChangeUntilShown(info.adView, "expand", open)) return;
    open();
}

void GADOpenerGMSGHandler::actionExpand(const GADGMSGActionInfo& info) {
    const auto& params = paramsOf(info);
    auto expand = [opener = std::weak_ptr<GADOpener>(opener_),
                   orientations = orientationFromParams(params),
                   customClose = shouldUseCustomClose(params)] {
        if (auto o = opener.lock())
            o->expandToWebAppWithSupportedOrientations(orientations, customClose);
    };
    // Asked for before the slot has shown its ad, the expansion waits for it to be on screen.
    auto slot = opener_->slot();
    if (slot && slot->deferMRAIDLayoutChangeUntilShown(info.adView, "expand", expand)) return;
    expand();
}

void GADOpenerGMSGHandler::actionOpenApp(const GADGMSGActionInfo& info) {
    if (const auto url = URLFromParams(paramsOf(info))) opener_->openApp(gestureClickURL(*url));
}

}  // namespace ads
