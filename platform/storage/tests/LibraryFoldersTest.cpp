#include "platform/storage/LibraryFolders.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>

#include "platform/testing/TempDir.h"

using platform::EnvironmentSetting;
using platform::testing::ScopedEnv;
using platform::testing::TempDir;

namespace {
std::string env(const char* name) {
    const char* value = std::getenv(name);
    return value ? value : "<unset>";
}
}  // namespace

// The sound client's runtime folder holds the sound server's socket when the session has a
// runtime folder: moving it then would cut the program off from the server.
TEST(LibraryFoldersTest, TheCachesGoIntoTheHomeAndTheSoundClientOnlyWithoutARuntimeFolder) {
    TempDir dir;
    const auto caches = dir / "home" / "Library" / "Caches" / "Libraries";
    auto settings = platform::prepareLibraryFolders(dir / "home", false);
    ASSERT_TRUE(settings);
    EXPECT_TRUE(std::filesystem::is_directory(caches));
    EXPECT_EQ(*settings, (std::vector<EnvironmentSetting>{
                             {"XDG_CACHE_HOME", caches.string()},
                             {"PULSE_RUNTIME_PATH", (caches / "pulse-runtime").string()}}));
    settings = platform::prepareLibraryFolders(dir / "home", true);
    ASSERT_TRUE(settings);
    EXPECT_EQ(*settings, (std::vector<EnvironmentSetting>{{"XDG_CACHE_HOME", caches.string()}}));
}

TEST(LibraryFoldersTest, AHomeThatCannotHoldTheFolderPointsNoLibraryAnywhere) {
    TempDir dir;
    std::ofstream(dir / "plain-file") << "x";
    EXPECT_FALSE(platform::prepareLibraryFolders(dir / "plain-file", false));
    EXPECT_FALSE(platform::prepareLibraryFolders({}, false));

    ScopedEnv cache("XDG_CACHE_HOME", "/kept");
    ScopedEnv pulse("PULSE_RUNTIME_PATH", std::nullopt);
    ScopedEnv runtime("XDG_RUNTIME_DIR", std::nullopt);
    EXPECT_FALSE(platform::keepLibraryFilesIn(dir / "plain-file"));
    EXPECT_EQ(env("XDG_CACHE_HOME"), "/kept");
    EXPECT_EQ(env("PULSE_RUNTIME_PATH"), "<unset>");

    // A runtime folder that is set but empty is no runtime folder.
    ScopedEnv emptyRuntime("XDG_RUNTIME_DIR", "");
    ASSERT_TRUE(platform::keepLibraryFilesIn(dir / "home"));
    const auto caches = dir / "home" / "Library" / "Caches" / "Libraries";
    EXPECT_EQ(env("XDG_CACHE_HOME"), caches.string());
    EXPECT_EQ(env("PULSE_RUNTIME_PATH"), (caches / "pulse-runtime").string());
}

// Read before main, where the game takes its --home from it: the same arguments main is handed,
// in order, without the program's name.
TEST(LibraryFoldersTest, TheCommandLineIsTheOneMainIsHandedWithoutTheProgramsName) {
    auto handed = ::testing::internal::GetArgvs();
    ASSERT_FALSE(handed.empty());
    handed.erase(handed.begin());
    EXPECT_EQ(platform::processArguments(), handed);
}
