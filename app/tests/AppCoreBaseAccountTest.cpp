#include <gtest/gtest.h>

#include "AppCoreTestSupport.h"
#include "app/appcore/AccountId.h"
#include "app/appcore/KeychainAccess.h"
#include "app/testsupport/AppCoreBaseTestAccess.h"
#include "platform/base/LogSink.h"
#include "scores/LevelScoreElem.h"

using namespace app;

using namespace appcore_test;

namespace {

const std::vector<uint8_t> kId = {0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15};
const std::string kIdText = "000102030405060708090a0b0c0d0e0f";

platform::KeychainQuery aridQuery() {
    return KeychainQueryForAccount("arid", AccountId::keychainService(),
                                   AccountId::keychainAccessGroup());
}

std::optional<std::vector<uint8_t>> storedArid() {
    return KeychainCopyData(aridQuery());
}

}  // namespace

using AppCoreAccount = AppCoreTest;

TEST_F(AppCoreAccount, CreatedOnceThenReused) {
    auto first = TestAppCore::make();
    ASSERT_EQ(AppCoreBaseTestAccess::arid(*first).size(), 16u);
    EXPECT_NE(AppCoreBaseTestAccess::arid(*first), std::vector<uint8_t>(16, 0));
    EXPECT_EQ(first->aridStr().size(), 32u);
    EXPECT_EQ(storedArid(), AppCoreBaseTestAccess::arid(*first));

    auto second = TestAppCore::make();
    EXPECT_EQ(AppCoreBaseTestAccess::arid(*second), AppCoreBaseTestAccess::arid(*first));

    // An item another program of the maker stored is taken as it is.
    ASSERT_TRUE(KeychainDeleteItem(aridQuery()));
    ASSERT_TRUE(KeychainAddData(aridQuery(), kId));
    EXPECT_EQ(TestAppCore::make()->aridStr(), kIdText);
}

TEST_F(AppCoreAccount, ItemOfTheWrongLengthIsReplaced) {
    ASSERT_TRUE(KeychainAddData(aridQuery(), {1, 2, 3, 4, 5, 6, 7, 8}));
    auto core = TestAppCore::make();
    ASSERT_EQ(AppCoreBaseTestAccess::arid(*core).size(), 16u);
    EXPECT_NE(AppCoreBaseTestAccess::arid(*core), std::vector<uint8_t>(16, 0));
    EXPECT_EQ(storedArid(), AppCoreBaseTestAccess::arid(*core));
}

TEST_F(AppCoreAccount, FailuresGiveZerosForThisRunAndAreLogged) {
    platform::LogSink::Capture log;
    platform::SecureRandom::setFailForTesting(true);
    auto noRandom = TestAppCore::make();
    EXPECT_EQ(noRandom->aridStr(), std::string(32, '0'));
    EXPECT_TRUE(log.contains("arid generation failure"));
    EXPECT_TRUE(log.contains("[ERROR] -[AppCoreBase didLoadSettings]"));
    EXPECT_FALSE(storedArid());
    platform::SecureRandom::setFailForTesting(false);

    log.clear();
    platform::Keychain::shared().setInjectedFailure(platform::errSecNotAvailable);
    auto noKeychain = TestAppCore::make();
    EXPECT_EQ(noKeychain->aridStr(), std::string(32, '0'));
    EXPECT_TRUE(log.contains("arid registration failure"));
    platform::Keychain::shared().setInjectedFailure(std::nullopt);
    EXPECT_FALSE(storedArid());

    // The next healthy launch makes a real id.
    EXPECT_NE(TestAppCore::make()->aridStr(), std::string(32, '0'));
}

// Fixed inputs: the manual clock's 1700000000, the id 00 01 .. 0f, a version with a blank and
// a non-ASCII letter, the machine name "x86_64".
class AppCoreWebUrls : public AppCoreTest {
  protected:
    std::shared_ptr<TestAppCore> core;
    void SetUp() override {
        useBundleVersion("1.0 \xCE\xB2", "http://127.0.0.1:8642/movuroute/");
        ASSERT_TRUE(KeychainAddData(aridQuery(), kId));
        core = TestAppCore::make();
        core->setDeviceTypeName("x86_64");
    }

    // The address the app core hands the desktop for a page jump or a score submission; the
    // opening is taken back off the record, so counts of what the test opened stay its own.
    std::string jumpUrl(int32_t tgt, int32_t levelId) {
        EXPECT_TRUE(core->webJump(tgt, levelId));
        return takeOpened();
    }
    std::string submitUrl(const AppCoreBase::WebScore& score, int32_t levelId,
                          const std::optional<AppCoreBase::WebScore>& highScore, bool useHs) {
        EXPECT_TRUE(core->webSubmitScore(score, levelId, highScore, useHs));
        return takeOpened();
    }
    std::string takeOpened() {
        if (opened.empty()) return {};
        std::string url = opened.back().back();
        opened.pop_back();
        return url;
    }
};

TEST_F(AppCoreWebUrls, BaseUrlFromTheBundleOrTheEnvironment) {
    EXPECT_EQ(core->iphoneWebUrl(), "http://127.0.0.1:8642/movuroute/iphone/");
    ::setenv("MOVUROUTE_WEB_URL", "http://127.0.0.1:9/ws", 1);
    EXPECT_EQ(TestAppCore::make()->iphoneWebUrl(), "http://127.0.0.1:9/ws/iphone/");
    EXPECT_EQ(core->tnParamStr(), "x86_64;8.4");
    EXPECT_EQ(core->appVersionString(), "1.0 \xCE\xB2");
}

TEST_F(AppCoreWebUrls, JumpWithAndWithoutLevel) {
    const std::string base =
        "http://127.0.0.1:8642/movuroute/iphone/cmd/jump?gid=1023&v=1.0+%CE%B2"
        "&arid=" +
        kIdText + "&dt=1700000000";
    EXPECT_EQ(jumpUrl(6, 3), base + "&tgt=6&ha=3304825196&lid=3&tn=x86_64%3B8.4&fv=20");
    EXPECT_EQ(jumpUrl(1, 0), base + "&tgt=1&ha=2950728545&tn=x86_64%3B8.4&fv=20");

    // The time is read when the URL is made.
    loop.advance(5);
    EXPECT_NE(jumpUrl(1, 0).find("&dt=1700000005&"), std::string::npos);

    EXPECT_TRUE(core->webJump(2));
    ASSERT_EQ(opened.size(), 1u);
    EXPECT_EQ(opened[0].back().find("cmd/jump?gid=1023&"),
              std::string("http://127.0.0.1:8642/movuroute/iphone/").size());
    platform::ui::Application::shared().setDesktopOpener(
        [](const std::vector<std::string>&) { return false; });
    EXPECT_FALSE(core->webJump(2));
}

TEST_F(AppCoreWebUrls, SubmitScore) {
    const std::string prefix =
        "http://127.0.0.1:8642/movuroute/iphone/cmd/postSc?gid=1023&v=1.0+%CE%B2";
    AppCoreBase::WebScore run{12345, 1699999000.9};
    EXPECT_EQ(submitUrl(run, 1, std::nullopt, false),
              prefix + "&lid=1&arid=" + kIdText +
                  "&dt=1699999000&sc=12345&ha=3051117330&tn=x86_64%3B8.4&fv=20");
    // useHs without a record: two zeros in the checksum and in the URL.
    EXPECT_EQ(submitUrl(run, 1, std::nullopt, true),
              prefix + "&lid=1&arid=" + kIdText +
                  "&dt=1699999000&sc=12345&ha=2217578002&hs=0&hsd=0&tn=x86_64%3B8.4&fv=20");
    AppCoreBase::WebScore best{9000, 1600000000};
    EXPECT_EQ(
        submitUrl(run, 3, best, true),
        prefix + "&lid=3&arid=" + kIdText +
            "&dt=1699999000&sc=12345&ha=1297838474&hs=9000&hsd=1600000000&tn=x86_64%3B8.4&fv=20");
    // A record without useHs is left out; this game's levels carry no data hash.
    EXPECT_EQ(submitUrl(run, 1, best, false), submitUrl(run, 1, std::nullopt, false));
    EXPECT_EQ(submitUrl(run, 1, best, false).find("&dh="), std::string::npos);
    EXPECT_TRUE(core->webSubmitScore(run, 1, std::nullopt, false));
    EXPECT_EQ(opened.size(), 1u);
    // Dates are cut to 32 bits; one beyond any 64-bit count counts as 0.
    EXPECT_NE(submitUrl({1, 4294967296.0 + 7}, 1, std::nullopt, false).find("&dt=7&"),
              std::string::npos);
    EXPECT_NE(submitUrl({1, 1e300}, 1, std::nullopt, false).find("&dt=0&"), std::string::npos);
    EXPECT_NE(submitUrl({-1, -1}, 1, std::nullopt, false).find("&dt=4294967295&sc=4294967295&"),
              std::string::npos);

    // From the stored records, as the game-over screen and the score viewer call it.
    auto elem = scores::LevelScoreElem::create(12345, platform::Date{1699999000});
    auto high = scores::LevelScoreElem::create(9000, platform::Date{1600000000});
    EXPECT_TRUE(core->webSubmitScore(*elem, 3, high.get(), true));
    std::string fromRecords = takeOpened();
    EXPECT_EQ(fromRecords, submitUrl(run, 3, best, true));
    EXPECT_TRUE(core->webSubmitScore(*elem, 1, nullptr, true));
    fromRecords = takeOpened();
    EXPECT_EQ(fromRecords, submitUrl(run, 1, std::nullopt, true));
}

TEST_F(AppCoreWebUrls, DownloadLevel) {
    EXPECT_EQ(core->downloadLevelUrlWithLevelId(7, -5, 1234567890123),
              "http://127.0.0.1:8642/movuroute/iphone/cmd/downloadLevel?gid=1023&v=1.0+%CE%B2"
              "&lid=7&arid=" +
                  kIdText + "&dh=-5&tk=1234567890123&ha=755186301&tn=x86_64%3B8.4&fv=20");
    EXPECT_TRUE(opened.empty());
}
