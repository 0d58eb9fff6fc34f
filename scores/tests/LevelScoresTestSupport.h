#pragma once

// A level with a signing app core, in a private app home, for the score tests.

#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "appbase/JTAppContext.h"
#include "appbase/JTLevelInfo.h"
#include "appbase/ScIntHolder.h"
#include "game/testsupport/QuietAppCore.h"
#include "online/AnnounceAppCore.h"
#include "platform/storage/AppPaths.h"

namespace scorestest {

// Just enough app core for a level's scores: the secret key, and a record of what was
// submitted to the web service.
class SigningAppCore : public gametest::QuietAppCore, public online::AnnounceAppCore {
  public:
    explicit SigningAppCore(std::string key) : key_(std::move(key)) { currentLevel = 1; }

    // AnnounceAppCore
    int32_t gameId() const override { return 1023; }
    std::string appVersionString() const override { return "1.0"; }
    std::string aridStr() const override { return std::string(32, '0'); }
    std::string webSecretKey() const override { return key_; }
    std::string iphoneWebUrl() const override { return "http://127.0.0.1/iphone/"; }
    std::string tnParamStr() const override { return "test;1"; }
    bool levelManagerHasPendingMessages() const override { return false; }
    void showSimpleAlert(const std::string& title, const std::string& message) override {
        alerts.push_back(title + "|" + message);
    }

    std::vector<std::string> alerts;

  private:
    std::string key_;
};

// A temporary app home, a context with the signing core, and level records on it.
struct ScoresFixture : ::testing::Test {
    static constexpr const char* kKey = "Rq4tWzLm8PxYc2Nh";

    std::filesystem::path home;
    std::shared_ptr<SigningAppCore> core = std::make_shared<SigningAppCore>(kKey);
    JTAppBase::JTAppContextPtr context = JTCore::JTNew<JTAppBase::JTAppContext>();

    ScoresFixture() {
        JTAppBase::SetScIntMask(0x13572468);
        home = std::filesystem::temp_directory_path() /
               ("scores-" + std::to_string(::getpid()) + "-" +
                ::testing::UnitTest::GetInstance()->current_test_info()->name());
        std::filesystem::remove_all(home);
        platform::AppPaths::setHomeOverride(home);
        context->setAppCore(core);
    }
    ~ScoresFixture() override {
        platform::AppPaths::setHomeOverride(std::nullopt);
        std::filesystem::remove_all(home);
    }

    JTAppBase::JTLevelInfoPtr level(int32_t id) { return JTAppBase::NewJTLevelInfo(context, id); }
    std::filesystem::path scoreFile(int32_t id) const {
        return platform::AppPaths::documents() / "LevelScores" / (std::to_string(id) + ".plist");
    }
};

}  // namespace scorestest
