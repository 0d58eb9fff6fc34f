#include "platform/storage/AppPaths.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <ctime>
#include <fstream>

#include "platform/base/LogSink.h"
#include "platform/testing/TempDir.h"

using platform::AppPaths;
using platform::testing::ScopedEnv;
using platform::testing::TempDir;

namespace {
mode_t modeOf(const std::filesystem::path& p) {
    struct stat st {};
    return ::stat(p.c_str(), &st) == 0 ? (st.st_mode & 07777) : 0;
}
}  // namespace

TEST(AppPathsTest, HomeFollowsTheEnvironmentInOrder) {
    TempDir dir;
    ScopedEnv home("HOME", (dir / "user").string());
    ScopedEnv xdg("XDG_DATA_HOME", std::nullopt);
    ScopedEnv movu("MOVUROUTE_HOME", std::nullopt);
    EXPECT_EQ(AppPaths::home(), dir / "user" / ".local" / "share" / "movuroute");
    EXPECT_EQ(AppPaths::sharedData(), dir / "user" / ".local" / "share" / "zivivu-shared");
    {
        // Relative and empty values are ignored, as the XDG rules say.
        ScopedEnv rel("XDG_DATA_HOME", "relative/data");
        EXPECT_EQ(AppPaths::home(), dir / "user" / ".local" / "share" / "movuroute");
    }
    ScopedEnv xdg2("XDG_DATA_HOME", (dir / "data").string());
    EXPECT_EQ(AppPaths::home(), dir / "data" / "movuroute");
    EXPECT_EQ(AppPaths::sharedData(), dir / "data" / "zivivu-shared");
    {
        ScopedEnv empty("MOVUROUTE_HOME", "");
        EXPECT_EQ(AppPaths::home(), dir / "data" / "movuroute");
    }
    ScopedEnv movu2("MOVUROUTE_HOME", (dir / "app").string());
    EXPECT_EQ(AppPaths::home(), dir / "app");
    AppPaths::setHomeOverride(dir / "override");
    EXPECT_EQ(AppPaths::home(), dir / "override");
    // The command line's home keeps the shared data too, unless that is named on its own.
    EXPECT_EQ(AppPaths::sharedData(), dir / "override" / "Shared");
    {
        ScopedEnv shared("MOVUROUTE_SHARED_HOME", (dir / "shared").string());
        EXPECT_EQ(AppPaths::sharedData(), dir / "shared");
    }
    AppPaths::setHomeOverride(std::nullopt);
    EXPECT_EQ(AppPaths::home(), dir / "app");
    EXPECT_EQ(AppPaths::sharedData(), dir / "data" / "zivivu-shared");
}

TEST(AppPathsTest, FoldersAreCreatedOnDemandAndTmpIsPrivate) {
    TempDir dir;
    ScopedEnv movu("MOVUROUTE_HOME", (dir / "home").string());
    EXPECT_FALSE(std::filesystem::exists(dir / "home"));
    EXPECT_EQ(AppPaths::documents(), dir / "home" / "Documents");
    EXPECT_EQ(AppPaths::caches(), dir / "home" / "Library" / "Caches");
    EXPECT_EQ(AppPaths::preferences(), dir / "home" / "Library" / "Preferences");
    EXPECT_TRUE(std::filesystem::is_directory(dir / "home" / "Documents"));
    EXPECT_TRUE(std::filesystem::is_directory(dir / "home" / "Library" / "Caches"));
    EXPECT_TRUE(std::filesystem::is_directory(dir / "home" / "Library" / "Preferences"));

    auto tmp = AppPaths::tmp();
    EXPECT_EQ(tmp, dir / "home" / "tmp");
    EXPECT_EQ(modeOf(tmp), 0700u);
    // Found wider (by an older build, or a careless copy): narrowed again.
    ::chmod(tmp.c_str(), 0777);
    AppPaths::tmp();
    EXPECT_EQ(modeOf(tmp), 0700u);
    EXPECT_EQ(AppPaths::privateTmp(), tmp);
}

TEST(AppPathsTest, APrivateFolderReachedThroughALinkOrOwnedBySomeoneElseIsRefused) {
    TempDir dir;
    ScopedEnv movu("MOVUROUTE_HOME", (dir / "home").string());
    std::filesystem::create_directories(dir / "home");
    std::filesystem::create_directories(dir / "elsewhere");
    std::filesystem::create_directory_symlink(dir / "elsewhere", dir / "home" / "tmp");
    std::string error;
    EXPECT_FALSE(AppPaths::privateTmp(&error));
    EXPECT_NE(error.find("a link"), std::string::npos) << error;
    {
        platform::LogSink::Capture log;
        AppPaths::tmp();
        EXPECT_TRUE(log.contains("a link, not a private directory")) << log.count();
    }

    // Another user's folder (only root can make one here).
    if (::geteuid() != 0) return;
    std::filesystem::path foreign = dir / "foreign";
    std::filesystem::create_directory(foreign);
    ASSERT_EQ(::chown(foreign.c_str(), 65534, 65534), 0);
    ::chmod(foreign.c_str(), 0777);
    error.clear();
    EXPECT_FALSE(AppPaths::ensureDirectory(foreign, 0700, &error, true));
    EXPECT_NE(error.find("owned by someone else"), std::string::npos) << error;
    EXPECT_EQ(modeOf(foreign), 0777u) << "someone else's folder is not ours to change";
    EXPECT_TRUE(AppPaths::ensureDirectory(foreign, 0755, &error)) << "shared folders may be";
}

TEST(AppPathsTest, TheSharedFolderIsPrivateAndALinkThereIsRefusedAsForTmp) {
    TempDir dir;
    ScopedEnv shared("MOVUROUTE_SHARED_HOME", std::nullopt);
    AppPaths::setHomeOverride(dir / "home");
    // Made private when missing, narrowed when found wider.
    auto made = AppPaths::privateSharedData();
    EXPECT_EQ(made, dir / "home" / "Shared");
    EXPECT_EQ(modeOf(dir / "home" / "Shared"), 0700u);
    ::chmod((dir / "home" / "Shared").c_str(), 0755);
    EXPECT_EQ(AppPaths::privateSharedData(), made);
    EXPECT_EQ(modeOf(dir / "home" / "Shared"), 0700u);

    // <home>/Shared as a link to an open folder elsewhere: refused with tmp's reason, and the
    // folder it points to is left as it was.
    std::filesystem::remove(dir / "home" / "Shared");
    std::filesystem::create_directory(dir / "outside");
    ::chmod((dir / "outside").c_str(), 0755);
    std::filesystem::create_directory_symlink(dir / "outside", dir / "home" / "Shared");
    std::filesystem::create_directory_symlink(dir / "outside", dir / "home" / "tmp");
    std::string sharedError, tmpError;
    EXPECT_FALSE(AppPaths::privateSharedData(&sharedError));
    EXPECT_FALSE(AppPaths::privateTmp(&tmpError));
    EXPECT_NE(sharedError.find("a link, not a private directory"), std::string::npos)
        << sharedError;
    EXPECT_EQ(sharedError.substr(0, sharedError.find(dir.path().string())),
              tmpError.substr(0, tmpError.find(dir.path().string())));
    EXPECT_EQ(modeOf(dir / "outside"), 0755u);
    EXPECT_TRUE(std::filesystem::is_empty(dir / "outside"));
    AppPaths::setHomeOverride(std::nullopt);
}

TEST(AppPathsTest, AskingForAFolderRemovesWhatKilledSavesLeftThere) {
    TempDir dir;
    ScopedEnv shared("MOVUROUTE_SHARED_HOME", std::nullopt);
    AppPaths::setHomeOverride(dir / "home");
    // A run that only reads: the keychain and the settings are read, not written.
    const std::time_t longAgo = std::time(nullptr) - 3600;
    const timespec times[2] = {{longAgo, 0}, {longAgo, 0}};
    for (const char* folder : {"Documents", "Shared"}) {
        std::filesystem::create_directories(dir / "home" / folder);
        std::ofstream(dir / "home" / folder / ".settings.plist.tmp-Ab12Cd") << "half";
        ::utimensat(AT_FDCWD, (dir / "home" / folder / ".settings.plist.tmp-Ab12Cd").c_str(), times,
                    0);
        std::ofstream(dir / "home" / folder / ".fresh.plist.tmp-Ef34Gh") << "being written";
    }
    AppPaths::documents();
    AppPaths::privateSharedData();
    for (const char* folder : {"Documents", "Shared"}) {
        EXPECT_FALSE(std::filesystem::exists(dir / "home" / folder / ".settings.plist.tmp-Ab12Cd"))
            << folder;
        EXPECT_TRUE(std::filesystem::exists(dir / "home" / folder / ".fresh.plist.tmp-Ef34Gh"))
            << folder;
    }
    AppPaths::setHomeOverride(std::nullopt);
}

TEST(AppPathsTest, SomethingInTheWayIsRefused) {
    TempDir dir;
    std::ofstream(dir / "file") << "x";
    std::string error;
    EXPECT_FALSE(AppPaths::ensureDirectory(dir / "file", 0755, &error));
    EXPECT_NE(error.find("file"), std::string::npos);
    EXPECT_FALSE(AppPaths::ensureDirectory(dir / "file" / "below", 0755, &error));
    std::filesystem::create_directory_symlink(dir.path(), dir / "link");
    EXPECT_FALSE(AppPaths::ensureDirectory(dir / "link", 0700, &error, true));
    EXPECT_TRUE(AppPaths::ensureDirectory(dir / "a" / "b" / "c", 0755, &error)) << error;
    std::filesystem::create_symlink(dir / "missing", dir / "dangling");
    EXPECT_FALSE(AppPaths::ensureDirectory(dir / "dangling" / "x", 0755, &error));
}

TEST(AppPathsTest, DataFolderMovedAwayBehindALinkStillWorks) {
    TempDir dir;
    std::filesystem::create_directory(dir / "elsewhere");
    std::filesystem::create_directory_symlink(dir / "elsewhere", dir / "share");
    ScopedEnv movu("MOVUROUTE_HOME", (dir / "share" / "movuroute").string());
    EXPECT_TRUE(std::filesystem::is_directory(AppPaths::preferences()));
    EXPECT_TRUE(std::filesystem::is_directory(dir / "elsewhere" / "movuroute" / "Library"));
    std::string error;
    EXPECT_TRUE(AppPaths::ensureDirectory(dir / "share", 0755, &error)) << error;
    // The private folder itself must not be a link someone else could point elsewhere.
    std::filesystem::create_directory_symlink(dir / "elsewhere",
                                              dir / "share" / "movuroute" / "tmp");
    EXPECT_FALSE(
        AppPaths::ensureDirectory(dir / "share" / "movuroute" / "tmp", 0700, &error, true));
}

// A folder we fill with the user's files (calendar events, album pictures) keeps its owner's
// mode, may sit below links, but may not be one: what we write would land where it points.
TEST(AppPathsTest, AFolderOfOursMayNotBeALinkButKeepsItsMode) {
    TempDir dir;
    std::filesystem::create_directory(dir / "disk");
    std::filesystem::create_directory_symlink(dir / "disk", dir / "Pictures");
    std::string error;
    ASSERT_TRUE(AppPaths::ensureOwnDirectory(dir / "Pictures" / "Album", 0755, &error)) << error;
    EXPECT_TRUE(std::filesystem::is_directory(dir / "disk" / "Album"));
    ::chmod((dir / "disk" / "Album").c_str(), 0700);
    EXPECT_TRUE(AppPaths::ensureOwnDirectory(dir / "Pictures" / "Album", 0755, &error));
    EXPECT_EQ(modeOf(dir / "disk" / "Album"), 0700u) << "the user's choice stays";

    std::filesystem::create_directory(dir / "elsewhere");
    std::filesystem::create_directory_symlink(dir / "elsewhere", dir / "disk" / "Calendar");
    std::filesystem::create_directory_symlink(dir / "elsewhere", dir / "tmp");
    std::string linkError, privateError;
    EXPECT_FALSE(AppPaths::ensureOwnDirectory(dir / "disk" / "Calendar", 0755, &linkError));
    EXPECT_FALSE(AppPaths::ensureDirectory(dir / "tmp", 0700, &privateError, true));
    EXPECT_EQ(linkError.substr(0, linkError.find(dir.path().string())),
              privateError.substr(0, privateError.find(dir.path().string())));
    EXPECT_NE(linkError.find("a link, not a private directory"), std::string::npos) << linkError;
    EXPECT_EQ(modeOf(dir / "elsewhere"), modeOf(dir / "disk")) << "the link's target is untouched";

    // A file of ours: absent or a plain file passes, a link is refused with the same reason.
    EXPECT_TRUE(AppPaths::isNotALink(dir / "absent.json"));
    std::ofstream(dir / "plain.json") << "{}";
    EXPECT_TRUE(AppPaths::isNotALink(dir / "plain.json"));
    std::filesystem::create_symlink(dir / "plain.json", dir / "linked.json");
    std::string fileError;
    EXPECT_FALSE(AppPaths::isNotALink(dir / "linked.json", &fileError));
    EXPECT_EQ(fileError.rfind(linkError.substr(0, linkError.find(dir.path().string())), 0), 0u)
        << fileError;

    if (::geteuid() != 0) return;
    std::filesystem::create_directory(dir / "foreign");
    ASSERT_EQ(::chown((dir / "foreign").c_str(), 65534, 65534), 0);
    EXPECT_FALSE(AppPaths::ensureOwnDirectory(dir / "foreign", 0755, &error));
    EXPECT_NE(error.find("owned by someone else"), std::string::npos) << error;
}
