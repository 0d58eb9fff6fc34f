#include "ads/native/tests/NativeViewTestAd.h"

#include <gtest/gtest.h>

#include "ads/native/tests/PictureBytes.h"
#include "platform/storage/Json.h"
#include "platform/testing/RunMainLoopUntil.h"
#include "platform/testing/TestHttpServer.h"
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

void servePicture(platform::testing::TestHttpServer& server, const std::string& path, int width,
                  int height) {
    const auto bytes = pngOf(width, height);
    server.get(path, [body = std::string(bytes.begin(), bytes.end())](const httplib::Request&,
                                                                      httplib::Response& res) {
        res.set_content(body, "image/png");
    });
}

std::shared_ptr<GADNativeAdAttribution> loadedAttribution(platform::Value::Dictionary object) {
    const platform::Value dictionary(std::move(object));
    auto made = GADNativeAdAttribution::create(&dictionary);
    bool done = false;
    made->loadAssetsWithCompletionHandler([&](const auto&) { done = true; });
    EXPECT_TRUE(platform::testing::runMainLoopUntil([&] { return done; }));
    return made;
}

}  // namespace ads::testing
