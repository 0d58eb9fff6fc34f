#include "platform/testing/TempDir.h"

#include <gtest/gtest.h>

#include <fstream>

#include "platform/storage/AppPaths.h"

namespace platform::testing {
namespace {

namespace fs = std::filesystem;

TEST(TempDirTest, GoesWithEverythingInItEvenFoldersMadeReadOnly) {
    fs::path kept;
    {
        TempDir dir;
        kept = dir.path();
        ASSERT_TRUE(fs::is_directory(kept));
        fs::create_directories(dir / "a" / "b");
        std::ofstream(dir / "a" / "b" / "file") << "x";
        fs::permissions(dir / "a", fs::perms::owner_read | fs::perms::owner_exec);
    }
    EXPECT_FALSE(fs::exists(kept));
}

TEST(TempDirTest, TempHomeIsTheAppsHomeWhileItLives) {
    ScopedEnv movuHome("MOVUROUTE_HOME", "/nonexistent/movu-env-home");
    fs::path kept;
    {
        TempHome home;
        kept = home.path();
        EXPECT_EQ(AppPaths::home(), home.path());
        EXPECT_EQ(home.home(), home.path());
    }
    EXPECT_FALSE(fs::exists(kept));
    EXPECT_EQ(AppPaths::home(), fs::path("/nonexistent/movu-env-home"));

    TempHome nested("home");
    EXPECT_EQ(AppPaths::home(), nested / "home");
    EXPECT_EQ(nested.home(), nested / "home");
}

TEST(TempDirTest, ScopedEnvPutsBackWhatWasThere) {
    ::unsetenv("MOVU_TEMPDIR_TEST");
    {
        ScopedEnv set("MOVU_TEMPDIR_TEST", "one");
        EXPECT_STREQ(::getenv("MOVU_TEMPDIR_TEST"), "one");
        {
            ScopedEnv unset("MOVU_TEMPDIR_TEST", std::nullopt);
            EXPECT_EQ(::getenv("MOVU_TEMPDIR_TEST"), nullptr);
        }
        EXPECT_STREQ(::getenv("MOVU_TEMPDIR_TEST"), "one");
    }
    EXPECT_EQ(::getenv("MOVU_TEMPDIR_TEST"), nullptr);
}

}  // namespace
}  // namespace platform::testing
