#include "platform/device/AdvertisingIdentifier.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <set>
#include <thread>
#include <vector>

#include "platform/base/LogSink.h"
#include "platform/storage/AtomicFile.h"
#include "platform/testing/TempDir.h"

namespace platform {
namespace {

using testing::ScopedEnv;
using testing::TempDir;

mode_t modeOf(const std::filesystem::path& p) {
    struct stat st {};
    return ::stat(p.c_str(), &st) == 0 ? (st.st_mode & 07777) : 0;
}

class AdvertisingIdentifierTest : public ::testing::Test {
  protected:
    TempDir dir;
    ScopedEnv shared{"MOVUROUTE_SHARED_HOME", (dir / "shared").string()};
    ScopedEnv limit{"MOVUROUTE_LIMIT_AD_TRACKING", std::nullopt};
    std::filesystem::path file = dir / "shared" / "advertising-identifier.json";
};

TEST_F(AdvertisingIdentifierTest, FirstUseMakesOnePrivateIdentifierThatSurvivesARestart) {
    EXPECT_EQ(AdvertisingIdentifier::defaultFilePath(), file);
    Uuid first;
    {
        AdvertisingIdentifier ids;
        first = ids.advertisingIdentifier();
        EXPECT_FALSE(first.isNull());
        EXPECT_EQ(ids.advertisingIdentifier(), first);
        // A desktop user never agreed to be followed.
        EXPECT_FALSE(ids.isAdvertisingTrackingEnabled());
    }
    EXPECT_EQ(modeOf(file), 0600u);
    EXPECT_EQ(modeOf(dir / "shared"), 0700u);
    auto stored = AdvertisingIdentifier::parse(*AtomicFile::read(file));
    ASSERT_TRUE(stored);
    EXPECT_EQ(stored->identifier, first);
    EXPECT_FALSE(stored->trackingEnabled);

    AdvertisingIdentifier afterRestart;
    EXPECT_EQ(afterRestart.advertisingIdentifier(), first);
    // The shared instance finds the same file (one id for all the maker's programs).
    EXPECT_EQ(AdvertisingIdentifier::shared().advertisingIdentifier(), first);
}

TEST_F(AdvertisingIdentifierTest, TrackingIsAllowedByTheStoredFlagOrTheEnvironment) {
    AdvertisingIdentifier ids;
    Uuid id = ids.advertisingIdentifier();
    {
        ScopedEnv allow("MOVUROUTE_LIMIT_AD_TRACKING", "0");
        EXPECT_TRUE(ids.isAdvertisingTrackingEnabled());
    }
    {
        ScopedEnv other("MOVUROUTE_LIMIT_AD_TRACKING", "yes");
        EXPECT_FALSE(ids.isAdvertisingTrackingEnabled());
    }
    ASSERT_TRUE(ids.setAdvertisingTrackingEnabled(true));
    EXPECT_TRUE(ids.isAdvertisingTrackingEnabled());
    EXPECT_TRUE(AdvertisingIdentifier().isAdvertisingTrackingEnabled());
    {
        ScopedEnv limitAgain("MOVUROUTE_LIMIT_AD_TRACKING", "1");
        EXPECT_FALSE(ids.isAdvertisingTrackingEnabled());
    }
    // The choice is kept with the same identifier, privately.
    EXPECT_EQ(AdvertisingIdentifier().advertisingIdentifier(), id);
    EXPECT_EQ(modeOf(file), 0600u);
    ASSERT_TRUE(ids.setAdvertisingTrackingEnabled(false));
    EXPECT_FALSE(AdvertisingIdentifier().isAdvertisingTrackingEnabled());
}

TEST_F(AdvertisingIdentifierTest, ProgramsAskingAtOnceAgreeOnOneIdentifier) {
    // Separate instances share no lock: only the file decides, as between programs.
    constexpr int kAskers = 8;
    std::vector<Uuid> seen(kAskers);
    std::vector<std::thread> threads;
    for (int i = 0; i < kAskers; ++i)
        threads.emplace_back(
            [&seen, i] { seen[i] = AdvertisingIdentifier().advertisingIdentifier(); });
    for (auto& t : threads) t.join();
    std::set<Uuid> distinct(seen.begin(), seen.end());
    EXPECT_EQ(distinct.size(), 1u);
    EXPECT_FALSE(seen[0].isNull());
    // No temporary file is left behind.
    int files = 0;
    for (auto& e : std::filesystem::directory_iterator(dir / "shared")) {
        (void)e;
        ++files;
    }
    EXPECT_EQ(files, 1);
}

TEST_F(AdvertisingIdentifierTest, BadFilesAreNeverTrustedNorLost) {
    std::filesystem::create_directories(dir / "shared");
    const std::string damaged = "{\"format\": \"zivivu-advertising-identifier\", \"version\": 1}";
    ASSERT_TRUE(AtomicFile::write(file, damaged, nullptr, 0600));
    {
        LogSink::Capture log;
        AdvertisingIdentifier ids;
        Uuid fresh = ids.advertisingIdentifier();
        EXPECT_FALSE(fresh.isNull());
        EXPECT_TRUE(log.contains("is damaged"));
        EXPECT_EQ(AdvertisingIdentifier().advertisingIdentifier(), fresh);
        bool keptAside = false;
        for (auto& e : std::filesystem::directory_iterator(dir / "shared"))
            if (e.path().filename().string().find(".corrupt-") != std::string::npos)
                keptAside = AtomicFile::read(e.path()) == damaged;
        EXPECT_TRUE(keptAside);
    }

    // What is not ours is refused, whatever it looks like.
    auto uuid = Uuid::random().toString();
    auto record = [&](const std::string& format, const std::string& version,
                      const std::string& identifier, const std::string& flag) {
        return "{\"format\": " + format + ", \"version\": " + version +
               ", \"identifier\": " + identifier + ", \"trackingEnabled\": " + flag + "}";
    };
    const std::string ours = "\"zivivu-advertising-identifier\"";
    EXPECT_TRUE(AdvertisingIdentifier::parse(record(ours, "1", "\"" + uuid + "\"", "true")));
    EXPECT_FALSE(
        AdvertisingIdentifier::parse(record("\"other\"", "1", "\"" + uuid + "\"", "true")));
    EXPECT_FALSE(AdvertisingIdentifier::parse(record(ours, "2", "\"" + uuid + "\"", "true")));
    EXPECT_FALSE(AdvertisingIdentifier::parse(record(ours, "\"1\"", "\"" + uuid + "\"", "true")));
    EXPECT_FALSE(AdvertisingIdentifier::parse(record(ours, "1", "12", "true")));
    EXPECT_FALSE(AdvertisingIdentifier::parse(
        record(ours, "1", "\"00000000-0000-0000-0000-000000000000\"", "true")));
    EXPECT_FALSE(AdvertisingIdentifier::parse("[]"));
    EXPECT_FALSE(AdvertisingIdentifier::parse("\xff\xfe"));
    // A flag that is not a boolean never allows tracking.
    EXPECT_FALSE(AdvertisingIdentifier::parse(record(ours, "1", "\"" + uuid + "\"", "\"true\""))
                     ->trackingEnabled);

    // Something in the way that is not a file may be someone's data: left alone, and the
    // identifier lives for this run only.
    std::filesystem::remove(file);
    std::filesystem::create_directory(file);
    LogSink::Capture log;
    AdvertisingIdentifier blocked;
    Uuid runOnly = blocked.advertisingIdentifier();
    EXPECT_FALSE(runOnly.isNull());
    EXPECT_EQ(blocked.advertisingIdentifier(), runOnly);
    EXPECT_FALSE(blocked.setAdvertisingTrackingEnabled(true));
    EXPECT_FALSE(blocked.isAdvertisingTrackingEnabled());
    EXPECT_TRUE(std::filesystem::is_directory(file));
    EXPECT_TRUE(log.contains("for this run only"));
}

TEST_F(AdvertisingIdentifierTest, AnUnwritableFolderGivesARunOnlyIdentifier) {
    // A plain file where the folder should be: creating it fails even for root.
    ASSERT_TRUE(AtomicFile::write(dir / "shared", "not a folder"));
    LogSink::Capture log;
    AdvertisingIdentifier ids;
    Uuid id = ids.advertisingIdentifier();
    EXPECT_FALSE(id.isNull());
    EXPECT_EQ(ids.advertisingIdentifier(), id);
    EXPECT_FALSE(ids.isAdvertisingTrackingEnabled());
    EXPECT_FALSE(ids.setAdvertisingTrackingEnabled(true));
    EXPECT_EQ(log.count(), 2u);
}

TEST_F(AdvertisingIdentifierTest, ASharedFolderThatIsALinkGivesARunOnlyIdentifier) {
    // The shared folder reached through a link to an open folder elsewhere.
    std::filesystem::create_directory(dir / "outside");
    ::chmod((dir / "outside").c_str(), 0755);
    std::filesystem::create_directory_symlink(dir / "outside", dir / "shared");
    LogSink::Capture log;
    AdvertisingIdentifier ids;
    Uuid id = ids.advertisingIdentifier();
    EXPECT_FALSE(id.isNull());
    EXPECT_EQ(ids.advertisingIdentifier(), id);
    EXPECT_FALSE(ids.setAdvertisingTrackingEnabled(true));
    EXPECT_FALSE(ids.isAdvertisingTrackingEnabled());
    EXPECT_TRUE(log.contains("a link, not a private directory")) << log.count();
    EXPECT_TRUE(log.contains("for this run only"));
    // Neither the record nor its lock went where the link points.
    EXPECT_TRUE(std::filesystem::is_empty(dir / "outside"));
    EXPECT_EQ(modeOf(dir / "outside"), 0755u);
}

TEST_F(AdvertisingIdentifierTest, TestsSetIdentifierAndFlagWithoutAFile) {
    Uuid fixed = *Uuid::parse("6D92078A-8246-4BA4-AE5B-76104861E7DC");
    AdvertisingIdentifier::setOverrideForTesting(AdvertisingIdentifier::Override{fixed, true});
    AdvertisingIdentifier ids;
    EXPECT_EQ(ids.advertisingIdentifier(), fixed);
    EXPECT_TRUE(ids.isAdvertisingTrackingEnabled());
    EXPECT_TRUE(ids.setAdvertisingTrackingEnabled(false));
    EXPECT_FALSE(AdvertisingIdentifier::shared().isAdvertisingTrackingEnabled());
    EXPECT_FALSE(std::filesystem::exists(file));
    AdvertisingIdentifier::setOverrideForTesting(std::nullopt);
    EXPECT_NE(ids.advertisingIdentifier(), fixed);
    EXPECT_TRUE(std::filesystem::exists(file));
}

}  // namespace
}  // namespace platform
