#include "ads/native/tests/NativeViewTestAd.h"

#include "platform/storage/Json.h"
#include "platform/web/FakeWebPage.h"

namespace ads::testing {

namespace {
constexpr std::string_view kClickCall = "zivivu.rade.nativeAds.handleClickGmsg(";
}

NativeViewTestAd::NativeViewTestAd(const platform::Value& adObject) : GADNativeAd(adObject) {}

std::vector<platform::Value> NativeViewTestAd::clicks() const {
    std::vector<platform::Value> messages;
    if (!page) return messages;
    for (const auto& script : page->evaluations()) {
        if (script.rfind(kClickCall, 0) != 0 || script.size() < kClickCall.size() + 1) continue;
        const auto json = script.substr(kClickCall.size(), script.size() - kClickCall.size() - 1);
        if (auto message = platform::Json::parse(json)) messages.push_back(std::move(*message));
    }
    return messages;
}

std::vector<std::string> NativeViewTestAd::clickedAssets() const {
    std::vector<std::string> names;
    for (const auto& message : clicks())
        names.push_back(message.get("click").get("asset").stringValue());
    return names;
}

}  // namespace ads::testing
