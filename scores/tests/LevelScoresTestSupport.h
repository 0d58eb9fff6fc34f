#pragma once

// Levels on a game context, a signer with the game's key, in a private app home, for the
// score tests.

#include <gtest/gtest.h>

#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "appbase/JTAppContext.h"
#include "appbase/JTLevelInfo.h"
#include "appbase/ScIntHolder.h"
#include "game/testsupport/QuietAppCore.h"
#include "platform/storage/AppPaths.h"
#include "platform/testing/TempDir.h"
#include "scores/ScoreSigner.h"

namespace scorestest {

// A temporary app home, a context with an app core, level records on it, and the signer.
struct ScoresFixture : ::testing::Test {
    static constexpr const char* kKey = "Rq4tWzLm8PxYc2Nh";

    platform::testing::TempHome home;
    std::shared_ptr<gametest::QuietAppCore> core = std::make_shared<gametest::QuietAppCore>();
    scores::ScoreSigner signer{kKey};
    JTAppBase::JTAppContextPtr context = JTCore::JTNew<JTAppBase::JTAppContext>();

    ScoresFixture() {
        JTAppBase::SetScIntMask(0x13572468);
        core->currentLevel = 1;
        context->setAppCore(core);
    }

    JTAppBase::JTLevelInfoPtr level(int32_t id) { return JTAppBase::NewJTLevelInfo(context, id); }
    std::filesystem::path scoreFile(int32_t id) const {
        return platform::AppPaths::documents() / "LevelScores" / (std::to_string(id) + ".plist");
    }
};

}  // namespace scorestest
