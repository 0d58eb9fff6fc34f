#pragma once

// Shared pieces of the announcement tests: a fake app core, a private app home, a manual
// clock with a fresh main loop, and helpers that build lists and pictures.

#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "online/AnnounceAppCore.h"
#include "online/AnnounceHost.h"
#include "online/AnnounceManager.h"
#include "online/testsupport/ScriptedInterstitialAd.h"
#include "platform/gfx/Image.h"
#include "platform/runtime/MainLoopTestScope.h"
#include "platform/storage/AppPaths.h"
#include "platform/storage/AtomicFile.h"
#include "platform/storage/PropertyList.h"
#include "platform/testing/PlatformStateScope.h"
#include "platform/testing/TempDir.h"
#include "platform/ui/AlertView.h"
#include "platform/ui/Application.h"
#include "platform/ui/ViewController.h"
#include "util/Crc32.h"

namespace announce_test {

namespace fs = std::filesystem;
using platform::Value;

struct FakeCore : online::AnnounceAppCore {
    int32_t gameId() const override { return 1023; }
    std::string appVersionString() const override { return "1.0 b"; }
    std::string aridStr() const override { return "00112233445566778899aabbccddeeff"; }
    std::string webSecretKey() const override { return "Rq4tWzLm8PxYc2Nh"; }
    std::string iphoneWebUrl() const override { return webUrl; }
    std::string tnParamStr() const override { return "x86_64;8.4"; }
    bool levelManagerHasPendingMessages() const override { return pending; }
    void showSimpleAlert(const std::string& title, const std::string& message) override {
        alerts.push_back(title + "|" + message);
    }
    bool landscape() const override { return isLandscape; }
    bool canShowIAd() const override { return iAd; }
    std::shared_ptr<platform::ui::ViewController> rootViewController() const override {
        return root;
    }

    std::string webUrl = "http://127.0.0.1:1/iphone/";
    bool pending = false;
    bool isLandscape = false;
    bool iAd = false;
    std::vector<std::string> alerts;
    std::shared_ptr<platform::ui::ViewController> root =
        std::make_shared<platform::ui::ViewController>();
};

// A host of its own for a collaborator tested without the manager: a fixed cache folder, the
// URLs it was asked to open, and settings from a dictionary.
struct TestHost : online::AnnounceHost {
    std::optional<fs::path> prepareCacheDir() override { return dir; }
    bool openUrl(const std::string& url) override {
        opened.push_back(url);
        return true;
    }
    std::shared_ptr<online::AnnounceAppCore> appCore() const override { return core; }
    std::string amPropertyAsStringForKey(const std::string& key,
                                         const std::string& defaultVal) override {
        const Value* v = settings.find(key);
        return v && v->isString() ? v->asString() : defaultVal;
    }
    int32_t amPropertyAsIntForKey(const std::string& key, int32_t defaultVal) override {
        const Value* v = settings.find(key);
        return v && v->isString() ? std::atoi(v->asString().c_str()) : defaultVal;
    }

    std::optional<fs::path> dir;
    std::shared_ptr<online::AnnounceAppCore> core;
    Value settings = Value::dictionary();
    std::vector<std::string> opened;
};

inline uint32_t crcOf(const std::string& bytes) {
    return util::Crc32OfBytes(bytes.data(), static_cast<int32_t>(bytes.size()));
}

inline std::string hex8(uint32_t v) {
    char text[16];
    std::snprintf(text, sizeof text, "%08x", v);
    return text;
}

// A small opaque PNG; the colour makes pictures of equal size differ.
inline std::string pngBytes(int width, int height, uint8_t red = 200) {
    auto image = platform::gfx::Image::blank(width, height);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) image.setPixel(x, y, red, 40, 40, 255);
    auto bytes = image.encodePng();
    return std::string(bytes.begin(), bytes.end());
}

inline std::string plistBytes(const Value& root) {
    auto text = platform::PropertyList::serialize(root, platform::PropertyListFormat::Xml);
    return text.value_or("");
}

inline Value row(std::initializer_list<Value> items) {
    return Value::array(items);
}

inline Value fileRow(const std::string& key, const std::string& name, const std::string& bytes) {
    return row({"Fi", key, name, hex8(crcOf(bytes))});
}

class AnnounceFixture : public ::testing::Test {
  protected:
    AnnounceFixture() {
        platform::ui::Application::shared().setDesktopOpener(
            [this](const std::vector<std::string>& argv) {
                opened.push_back(argv.back());
                return true;
            });
        am.resetForTesting();
        am.setAppCore(core);
        am.setInterstitialAdFactory(ads.factory());
    }
    ~AnnounceFixture() override { am.resetForTesting(); }

    fs::path cacheDir() { return *am.prepareCacheDir(); }
    bool cached(const std::string& name) { return fs::exists(cacheDir() / name); }
    void writeCache(const std::string& name, const std::string& bytes) {
        ASSERT_TRUE(platform::AtomicFile::write(cacheDir() / name, bytes));
    }
    double wallNow() { return scope.clock().wallSeconds(); }

    platform::MainLoopTestScope scope;
    platform::testing::PlatformStateScope platformState;
    platform::testing::TempHome home;
    std::shared_ptr<FakeCore> core = std::make_shared<FakeCore>();
    online::testing::ScriptedInterstitialAds ads;
    online::AnnounceManager& am = online::AnnounceManager::sharedAnnounceManager();
    std::vector<std::string> opened;
};

}  // namespace announce_test
