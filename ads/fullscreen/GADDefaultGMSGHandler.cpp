#include "ads/fullscreen/GADDefaultGMSGHandler.h"

#include <algorithm>
#include <cstdio>
#include <limits>
#include <optional>

#include "ads/foundation/GADDevice.h"
#include "ads/foundation/GADDeviceSignal.h"
#include "ads/foundation/GADLog.h"
#include "ads/foundation/GADURLUtilities.h"
#include "ads/fullscreen/GADViewController.h"
#include "ads/web/GADAdView.h"
#include "ads/web/GADPageLog.h"
#include "ads/web/GADPagePings.h"
#include "platform/base/NumberText.h"
#include "platform/base/StringEscaping.h"
#include "platform/runtime/MainLoop.h"
#include "platform/services/SystemSound.h"

namespace ads {

namespace {

std::int32_t clampedTo32Bits(std::int64_t value) {
    return static_cast<std::int32_t>(std::clamp<std::int64_t>(
        value, std::numeric_limits<std::int32_t>::min(), std::numeric_limits<std::int32_t>::max()));
}

}  // namespace

std::shared_ptr<GADDefaultGMSGHandler> GADDefaultGMSGHandler::create() {
    return std::make_shared<GADDefaultGMSGHandler>(Private{});
}

const GADGMSGActionTable* GADDefaultGMSGHandler::actionBlockDictionary() const {
    static const GADGMSGActionTable table{
        {"httpTrack", action(&GADDefaultGMSGHandler::didReceiveTrackHTTPNotification)},
        {"log", action(&GADDefaultGMSGHandler::didReceiveLogNotification)},
        {"touch", action(&GADDefaultGMSGHandler::didReceiveTouchNotification)},
        {"vibrate", action(&GADDefaultGMSGHandler::didReceiveVibrateNotification)},
        {"canOpenURLs", action(&GADDefaultGMSGHandler::didReceiveCanOpenURLsNotification)},
        {"close", action(&GADDefaultGMSGHandler::didReceiveCloseNotification)},
    };
    return &table;
}

std::int64_t GADDefaultGMSGHandler::integerForKey(std::string_view key,
                                                  const platform::Value::Dictionary& dictionary,
                                                  std::int64_t defaultValue) {
    const auto found = dictionary.find(std::string(key));
    if (found == dictionary.end()) return defaultValue;
    const platform::Value& value = found->second;
    if (value.isString() || value.isNumber()) return value.integerValue();
    return defaultValue;
}

std::string GADDefaultGMSGHandler::logTextForPageText(std::string_view text) {
    return platform::logValue(text, kMaxLogTextBytes);
}

GADDefaultGMSGHandler::URLTexts GADDefaultGMSGHandler::URLTextsFromParameter(std::string_view urls,
                                                                             std::size_t limit) {
    URLTexts texts;
    while (texts.asked.size() < limit) {
        const std::size_t comma = urls.find(',');
        texts.asked.emplace_back(urls.substr(0, comma));
        if (comma == std::string_view::npos) return texts;
        urls.remove_prefix(comma + 1);
    }
    // What is past the limit is only counted: a comma more is a text more.
    texts.left = 1 + static_cast<std::size_t>(std::count(urls.begin(), urls.end(), ','));
    return texts;
}

void GADDefaultGMSGHandler::didReceiveTrackHTTPNotification(const GADGMSGActionInfo& info) {
    const auto text = info.note ? info.note->parameter("u") : std::nullopt;
    if (!text) return;
    if (auto url = gad_webURLFromString(*text)) GADPagePings::shared().ping(info.adView, *url);
}

void GADDefaultGMSGHandler::didReceiveLogNotification(const GADGMSGActionInfo& info) {
    const auto text = info.note ? info.note->parameter("string") : std::nullopt;
    // A line is a page's: without the view that shows it there is no page to write for.
    const auto webView = info.adView ? info.adView->webView() : nullptr;
    if (!text || !webView) return;
    // Through the SDK's log, so the dropped line keeps its place after the lines before it.
    webView->pageLog().writeThrough([&] { return logTextForPageText(*text); },
                                    [](const std::string& line) { GADLogText(line); });
}

void GADDefaultGMSGHandler::didReceiveTouchNotification(const GADGMSGActionInfo& info) {
    if (!info.note) return;
    const auto& parameters = info.note->parameters();
    const std::int32_t x = clampedTo32Bits(integerForKey("tx", parameters, -1));
    const std::int32_t y = clampedTo32Bits(integerForKey("ty", parameters, -1));
    const std::int32_t duration = clampedTo32Bits(integerForKey("td", parameters, -1));
    platform::MainLoop::main().post([x, y, duration] { GADRecordTouchSignal(x, y, duration); });
}

void GADDefaultGMSGHandler::didReceiveVibrateNotification(const GADGMSGActionInfo&) {
    platform::services::SystemSound::play(platform::services::kSystemSoundIDVibrate);
}

void GADDefaultGMSGHandler::didReceiveCanOpenURLsNotification(const GADGMSGActionInfo& info) {
    if (!info.note) return;
    // A message without the list asks about nothing and gets an empty answer.
    // Read where it lies: the list may be as long as a page's address.
    const auto& parameters = info.note->parameters();
    const auto urls = parameters.find("urls");
    URLTexts texts = urls != parameters.end() && urls->second.isString()
                         ? URLTextsFromParameter(urls->second.stringRef())
                         : URLTexts{};
    if (texts.left) {
        GADPageLog::write(info.adView.get(), [&] {
            return "Ad page canOpenURLs: a message asks about at most " +
                   std::to_string(kMaxOpenableURLTexts) + " URLs; " + std::to_string(texts.left) +
                   " more refused";
        });
    }
    platform::MainLoop::main().post(
        [texts = std::move(texts.asked), view = std::weak_ptr<GADAdView>(info.adView)] {
            auto adView = view.lock();
            if (!adView) return;
            const auto answers = GADDevice::sharedInstance()->canOpenURLs(texts);
            if (!answers) {
                adView->postJSNotification("openableURLs", nullptr);
                return;
            }
            platform::Value::Dictionary userInfo;
            for (const auto& [url, opens] : *answers) userInfo[url] = platform::Value(opens);
            adView->postJSNotification("openableURLs", &userInfo);
        });
}

void GADDefaultGMSGHandler::didReceiveCloseNotification(const GADGMSGActionInfo& info) {
    if (!info.adView) return;
    if (auto controller =
            std::dynamic_pointer_cast<GADViewController>(info.adView->viewController())) {
        controller->relinquishScreenWithCompletion({});
    }
}

}  // namespace ads
