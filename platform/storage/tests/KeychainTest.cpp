#include "platform/storage/Keychain.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <latch>
#include <thread>

#include "platform/base/LogSink.h"
#include "platform/storage/AppPaths.h"
#include "platform/storage/AtomicFile.h"
#include "platform/testing/TempDir.h"

using namespace platform;
using platform::testing::ScopedEnv;
using platform::testing::TempDir;

namespace {

const std::vector<std::uint8_t> kId = {0x00, 0xAB, 0x10, 0xFF, 1, 2,  3,  4,
                                       5,    6,    7,    8,    9, 10, 11, 12};

KeychainQuery arid(std::optional<std::string> group = std::string("ABCDE12345.com.zivivu.shared")) {
    return {"com.zivivu.shared", "arid", std::move(group)};
}

}  // namespace

TEST(KeychainTest, AddCopyDeleteWithThePhonesStatusCodes) {
    TempDir dir;
    Keychain keychain(dir / "shared" / "keychain");
    std::vector<std::uint8_t> out = {9};

    EXPECT_EQ(keychain.copyData(arid(), &out), errSecItemNotFound);
    EXPECT_TRUE(out.empty());
    EXPECT_EQ(keychain.deleteItem(arid()), errSecItemNotFound);
    EXPECT_EQ(keychain.addData(arid(), kId), errSecSuccess);
    EXPECT_EQ(keychain.addData(arid(), {1, 2, 3}), errSecDuplicateItem);
    EXPECT_EQ(errSecDuplicateItem, -25299);
    EXPECT_EQ(errSecItemNotFound, -25300);

    // Another program (another instance on the same file) sees the item.
    Keychain other(dir / "shared" / "keychain");
    EXPECT_EQ(other.copyData(arid(), &out), errSecSuccess);
    EXPECT_EQ(out, kId);
    EXPECT_EQ(other.copyData({"com.zivivu.shared", "someone-else", std::nullopt}, &out),
              errSecItemNotFound);

    struct stat st {};
    ASSERT_EQ(::stat((dir / "shared" / "keychain").c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0600u);

    EXPECT_EQ(keychain.deleteItem(arid()), errSecSuccess);
    EXPECT_EQ(other.copyData(arid(), &out), errSecItemNotFound);
    EXPECT_EQ(keychain.deleteItem(arid()), errSecItemNotFound);
}

TEST(KeychainTest, AccessGroupsSeparateItemsAndAQueryWithoutGroupSeesAll) {
    TempDir dir;
    Keychain keychain(dir / "keychain");
    EXPECT_EQ(keychain.addData(arid("G1"), {1}), errSecSuccess);
    EXPECT_EQ(keychain.addData(arid("G2"), {2}), errSecSuccess);
    EXPECT_EQ(keychain.addData(arid(std::nullopt), {3}), errSecSuccess);
    EXPECT_EQ(keychain.addData(arid(std::nullopt), {4}), errSecDuplicateItem);

    std::vector<std::uint8_t> out;
    EXPECT_EQ(keychain.copyData(arid("G2"), &out), errSecSuccess);
    EXPECT_EQ(out, std::vector<std::uint8_t>{2});
    EXPECT_EQ(keychain.copyData(arid("G3"), &out), errSecItemNotFound);
    // First match wins.
    EXPECT_EQ(keychain.copyData(arid(std::nullopt), &out), errSecSuccess);
    EXPECT_EQ(out, std::vector<std::uint8_t>{1});
    // A delete without a group removes every match.
    EXPECT_EQ(keychain.deleteItem(arid(std::nullopt)), errSecSuccess);
    EXPECT_EQ(keychain.copyData(arid("G1"), &out), errSecItemNotFound);
    EXPECT_EQ(keychain.copyData(arid("G2"), &out), errSecItemNotFound);

    // Text that a file cannot carry is refused up front.
    EXPECT_EQ(keychain.addData({"svc", "bad\xff", std::nullopt}, {1}), errSecParam);
}

TEST(KeychainTest, DamagedFileIsReportedAndNeverOverwritten) {
    TempDir dir;
    auto file = dir / "keychain";
    Keychain keychain(file);
    ASSERT_EQ(keychain.addData(arid(), kId), errSecSuccess);
    std::string good = AtomicFile::read(file).value();

    for (std::string damaged :
         {good.substr(0, good.size() / 2), std::string("\x00\x01garbage", 9),
          std::string("{\"format\":\"zivivu-keychain\",\"version\":2,\"items\":[]}"),
          std::string("{\"format\":5,\"version\":\"1\",\"items\":{}}"),
          std::string("{\"format\":\"zivivu-keychain\",\"version\":1,\"items\":[7]}"),
          std::string("{\"format\":\"zivivu-keychain\",\"version\":1,\"items\":[{\"service\":"
                      "\"s\",\"account\":\"a\",\"data\":\"not base64!\"}]}")}) {
        ASSERT_TRUE(AtomicFile::write(file, damaged));
        LogSink::Capture log;
        std::vector<std::uint8_t> out;
        EXPECT_EQ(keychain.copyData(arid(), &out), errSecDecode);
        EXPECT_EQ(keychain.addData(arid("other"), {1}), errSecDecode);
        EXPECT_EQ(keychain.deleteItem(arid()), errSecDecode);
        EXPECT_EQ(AtomicFile::read(file).value(), damaged);
        EXPECT_TRUE(log.contains("left untouched")) << damaged;
    }
}

TEST(KeychainTest, ALinkPlantedAsTheLockFileIsNotFollowed) {
    TempDir dir;
    auto file = dir / "keychain";
    Keychain keychain(file);
    ASSERT_EQ(keychain.addData(arid(), kId), errSecSuccess);
    std::filesystem::remove(dir / "keychain.lock");
    std::filesystem::create_symlink(dir / "elsewhere", dir / "keychain.lock");

    LogSink::Capture log;
    EXPECT_EQ(keychain.addData(arid("other"), {1}), errSecIO);
    EXPECT_EQ(keychain.deleteItem(arid()), errSecIO);
    EXPECT_FALSE(std::filesystem::exists(dir / "elsewhere"));
    EXPECT_TRUE(log.contains("keychain.lock"));
    // Readers take no lock, and the item is still there.
    std::vector<std::uint8_t> out;
    EXPECT_EQ(keychain.copyData(arid(), &out), errSecSuccess);
    EXPECT_EQ(out, kId);
}

TEST(KeychainTest, InjectedFailureAndTheDefaultFile) {
    TempDir dir;
    ScopedEnv env("MOVUROUTE_KEYCHAIN", (dir / "kc").string());
    Keychain& keychain = Keychain::shared();
    EXPECT_EQ(keychain.filePath(), dir / "kc");

    keychain.setInjectedFailure(errSecNotAvailable);
    std::vector<std::uint8_t> out;
    EXPECT_EQ(keychain.addData(arid(), kId), errSecNotAvailable);
    EXPECT_EQ(keychain.copyData(arid(), &out), errSecNotAvailable);
    EXPECT_EQ(keychain.deleteItem(arid()), errSecNotAvailable);
    EXPECT_FALSE(std::filesystem::exists(dir / "kc"));
    keychain.setInjectedFailure(std::nullopt);
    EXPECT_EQ(keychain.addData(arid(), kId), errSecSuccess);
    EXPECT_EQ(keychain.copyData(arid(), &out), errSecSuccess);

    ScopedEnv noOverride("MOVUROUTE_KEYCHAIN", std::nullopt);
    ScopedEnv shared("MOVUROUTE_SHARED_HOME", (dir / "zivivu").string());
    EXPECT_EQ(Keychain::defaultFilePath(), dir / "zivivu" / "keychain");
}

TEST(KeychainTest, ASharedFolderThatIsALinkIsRefusedAndNothingLandsWhereItPoints) {
    TempDir dir;
    ScopedEnv noFile("MOVUROUTE_KEYCHAIN", std::nullopt);
    ScopedEnv noShared("MOVUROUTE_SHARED_HOME", std::nullopt);
    std::filesystem::create_directories(dir / "home");
    std::filesystem::create_directory(dir / "outside");
    ::chmod((dir / "outside").c_str(), 0755);
    std::filesystem::create_directory_symlink(dir / "outside", dir / "home" / "Shared");
    AppPaths::setHomeOverride(dir / "home");
    LogSink::Capture log;
    Keychain keychain;
    std::vector<std::uint8_t> out;
    EXPECT_EQ(keychain.addData(arid(), kId), errSecIO);
    EXPECT_EQ(keychain.copyData(arid(), &out), errSecIO);
    EXPECT_EQ(keychain.deleteItem(arid()), errSecIO);
    EXPECT_TRUE(log.contains("a link, not a private directory")) << log.count();
    EXPECT_TRUE(std::filesystem::is_empty(dir / "outside"));

    // A real folder there is used.
    std::filesystem::remove(dir / "home" / "Shared");
    EXPECT_EQ(keychain.addData(arid(), kId), errSecSuccess);
    EXPECT_TRUE(std::filesystem::exists(dir / "home" / "Shared" / "keychain"));
    AppPaths::setHomeOverride(std::nullopt);
}

TEST(KeychainTest, ConcurrentWritersLoseNoItem) {
    TempDir dir;
    constexpr int kThreads = 4, kPerThread = 10;
    std::vector<std::thread> threads;
    for (int t = 0; t < kThreads; ++t) {
        threads.emplace_back([&, t] {
            // One instance per thread: the file lock, not the instance's mutex, must serialise.
            Keychain keychain(dir / "keychain");
            for (int i = 0; i < kPerThread; ++i)
                EXPECT_EQ(keychain.addData({"svc", std::to_string(t * 100 + i), std::nullopt},
                                           {static_cast<std::uint8_t>(i)}),
                          errSecSuccess);
        });
    }
    for (auto& th : threads) th.join();
    Keychain keychain(dir / "keychain");
    std::vector<std::uint8_t> out;
    for (int t = 0; t < kThreads; ++t)
        for (int i = 0; i < kPerThread; ++i)
            EXPECT_EQ(keychain.copyData({"svc", std::to_string(t * 100 + i), std::nullopt}, &out),
                      errSecSuccess);
}

TEST(KeychainTest, FirstRunsRacingToCreateAnItemAllKeepTheFirstOne) {
    TempDir dir;
    constexpr int kRuns = 8;
    std::vector<std::vector<std::uint8_t>> kept(kRuns);
    std::latch start(kRuns);
    std::vector<std::thread> runs;
    for (int r = 0; r < kRuns; ++r) {
        runs.emplace_back([&, r] {
            // Each run looks, finds nothing, and offers an id of its own.
            Keychain keychain(dir / "keychain");
            start.arrive_and_wait();
            std::vector<std::uint8_t> seen;
            if (keychain.copyData(arid(), &seen) == errSecSuccess) {
                kept[r] = seen;
                return;
            }
            std::vector<std::uint8_t> mine(16, static_cast<std::uint8_t>(r + 1));
            EXPECT_EQ(keychain.copyOrAddData(arid(), mine, &kept[r]), errSecSuccess);
        });
    }
    for (auto& run : runs) run.join();
    std::vector<std::uint8_t> stored;
    ASSERT_EQ(Keychain(dir / "keychain").copyData(arid(), &stored), errSecSuccess);
    for (const auto& id : kept) EXPECT_EQ(id, stored);

    // Alone, it adds; with an item there, it answers that item.
    Keychain keychain(dir / "other");
    std::vector<std::uint8_t> out;
    EXPECT_EQ(keychain.copyOrAddData(arid(), kId, &out), errSecSuccess);
    EXPECT_EQ(out, kId);
    EXPECT_EQ(keychain.copyOrAddData(arid(), {1, 2}, &out), errSecSuccess);
    EXPECT_EQ(out, kId);
    keychain.setInjectedFailure(errSecNotAvailable);
    EXPECT_EQ(keychain.copyOrAddData(arid(), kId, &out), errSecNotAvailable);
    EXPECT_TRUE(out.empty());
}
