#pragma once

// Shared pieces of the level download tests: a level manager over level files that remembers
// what it was given, an app core that records what it is asked to do, a private app home, and
// a builder for download responses.

#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "appbase/FilesLevelManager.h"
#include "appbase/JTAppContext.h"
#include "appbase/JTLevelManager.h"
#include "game/testsupport/BuiltInLevels.h"
#include "online/DlLevelsAppCore.h"
#include "platform/storage/AppPaths.h"
#include "platform/testing/PlatformStateScope.h"
#include "platform/testing/TempDir.h"
#include "platform/ui/AlertView.h"
#include "util/Crc32.h"

namespace dllevels_test {

namespace fs = std::filesystem;

// Levels live in the manager's list, so getLevelInfoById finds what was added.
class TestFilesLevelManager : public JTAppBase::FilesLevelManager {
  public:
    using FilesLevelManager::FilesLevelManager;

    void initLevels(const JTCore::JTArrayListPtr& levels) override {
        for (int32_t id : builtIn) levels->add(newLevelInfo(id));
    }
    void startLevel(int32_t levelId) override { started.push_back(levelId); }
    bool canDownloadLevels() override { return canDownload; }
    void addDownloadedLevel(const JTAppBase::JTLevelInfoPtr& level) override {
        added.push_back(level);
        if (indexOfLevel(level->getId()) < 0) levels()->add(level);
    }
    // A level the manager already knows, with the hash of its data.
    JTAppBase::JTLevelInfoPtr addKnownLevel(int32_t id, int64_t dh, bool downloaded) {
        auto level = newLevelInfo(id);
        level->setDataHash(dh);
        level->setDownloaded(downloaded);
        levels()->add(level);
        return level;
    }

    std::vector<int32_t> builtIn{1};
    bool canDownload = true;
    std::vector<int32_t> started;
    std::vector<JTAppBase::JTLevelInfoPtr> added;
};

// A manager of the plain kind, as this game has.
using PlainLevelManager = gametest::BuiltInLevels;

struct FakeAppCore : online::DlLevelsAppCore {
    JTAppBase::JTAppContextPtr dlAppContext() override { return context; }
    std::string downloadLevelUrlWithLevelId(int32_t levelId, int64_t dh,
                                            int64_t tk) const override {
        return baseUrl + "cmd/downloadLevel?lid=" + std::to_string(levelId) +
               "&dh=" + std::to_string(dh) + "&tk=" + std::to_string(tk);
    }
    void stopAllSounds() override { calls.push_back("stopAllSounds"); }
    void stopAllViews() override { calls.push_back("stopAllViews"); }
    void startTitleView() override { calls.push_back("startTitleView"); }
    void startGameView() override { calls.push_back("startGameView " + std::to_string(levelId)); }
    void setCurrentLevelId(int32_t id) override {
        levelId = id;
        calls.push_back("setCurrentLevelId " + std::to_string(id));
    }
    void saveSettings() override { calls.push_back("saveSettings"); }
    bool updateInterfaceOrientation() override {
        calls.push_back("updateInterfaceOrientation");
        return false;
    }
    void showSimpleAlert(const std::string& title, const std::string& message) override {
        alerts.push_back(title + "|" + message);
    }

    JTAppBase::JTAppContextPtr context;
    std::string baseUrl = "http://127.0.0.1:1/iphone/";
    int32_t levelId = 0;
    std::vector<std::string> calls;
    std::vector<std::string> alerts;
};

// A private app home per test, and no alerts (nor other platform state) left over from another
// test.
class DlLevelsHome {
  public:
    fs::path levelsDir() const { return home_ / "Documents" / "levels"; }
    const fs::path& root() const { return home_.path(); }

  private:
    platform::testing::PlatformStateScope platformState_;
    platform::testing::TempHome home_;
};

// The hash the service gives a level's data: its CRC-32 behind a "-", in the low 32 bits.
inline int64_t levelHash(const std::string& data, int64_t highBits = 0) {
    std::string hashed = "-" + data;
    const uint32_t crc = util::Crc32OfBytes(hashed.data(), static_cast<int32_t>(hashed.size()));
    return static_cast<int64_t>((static_cast<uint64_t>(highBits) << 32) | crc);
}

// Level data that is a property list.
inline const std::string kLevelData = "{ road = (1, 2, 3); speed = \"4\"; }";

struct Header {
    std::string lid = "5";
    std::string name = "Hills";
    std::string ds;
    std::string dh;
    std::string flags = "9";
};

inline std::string headerLine(const Header& h) {
    return "{ lid = \"" + h.lid + "\"; name = \"" + h.name + "\"; ds = \"" + h.ds + "\"; dh = \"" +
           h.dh + "\"; flags = \"" + h.flags + "\"; }";
}

inline Header headerFor(const std::string& lid, const std::string& name = "Hills") {
    Header h;
    h.lid = lid;
    h.name = name;
    return h;
}

// A response as the service sends it: header line, line feed, data.
inline std::string responseBody(const std::string& data, Header h = {}) {
    if (h.ds.empty()) h.ds = std::to_string(data.size());
    if (h.dh.empty()) h.dh = std::to_string(levelHash(data));
    return headerLine(h) + "\n" + data;
}

inline std::vector<std::uint8_t> bytesOf(const std::string& text) {
    return std::vector<std::uint8_t>(text.begin(), text.end());
}

}  // namespace dllevels_test
