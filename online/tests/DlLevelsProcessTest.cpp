// The start URL's query and the checks a downloaded level must pass before it is stored.

#include <gtest/gtest.h>

#include "DlLevelsTestSupport.h"
#include "core/JTException.h"
#include "online/DlLevelsSupport.h"
#include "platform/base/LogSink.h"
#include "platform/storage/AtomicFile.h"

using namespace online;

using namespace dllevels_test;

TEST(DlLevelsStartQuery, KeysValuesAndDefaults) {
    auto q = DlLevelsSupport::parseStartQuery("lid=12&dh=-5&tk=9000000000");
    EXPECT_EQ(q.lid, 12);
    EXPECT_EQ(q.dh, -5);
    EXPECT_EQ(q.tk, 9000000000LL);

    q = DlLevelsSupport::parseStartQuery("other=1");
    EXPECT_EQ(q.lid, -1);
    EXPECT_EQ(q.dh, -1);
    EXPECT_EQ(q.tk, -1);

    // 64-bit hashes keep their high half; escapes are undone.
    q = DlLevelsSupport::parseStartQuery("dh=%2D4294967297&l%69d=7");
    EXPECT_EQ(q.dh, -4294967297LL);
    EXPECT_EQ(q.lid, 7);
}

TEST(DlLevelsStartQuery, MalformedPairsAreSkipped) {
    // No "=", two "=", an empty pair, a bad escape and a non-ASCII escape each drop only their
    // own pair.
    auto q = DlLevelsSupport::parseStartQuery("lid&dh=1=2&&tk=%zz&lid=4&dh=%C3%A9&tk=3");
    EXPECT_EQ(q.lid, 4);
    EXPECT_EQ(q.dh, -1);
    EXPECT_EQ(q.tk, 3);

    // Numbers follow the platform's leading-number rules.
    q = DlLevelsSupport::parseStartQuery("lid=%2012abc&dh=x&tk=99999999999999999999");
    EXPECT_EQ(q.lid, 12);
    EXPECT_EQ(q.dh, 0);
    EXPECT_EQ(q.tk, INT64_MAX);
    EXPECT_EQ(DlLevelsSupport::parseStartQuery("lid=99999999999").lid, INT32_MAX);
}

namespace {

class DlLevelsProcess : public ::testing::Test {
  protected:
    void SetUp() override {
        context = JTCore::JTNew<JTAppBase::JTAppContext>();
        manager = JTCore::JTNew<TestFilesLevelManager>(context);
        context->setLevelManager(manager);
    }
    void TearDown() override { context->setLevelManager(nullptr); }

    bool process(const std::string& body, int32_t lid = 5) {
        return processDownloadedBytes(*manager, lid, bytesOf(body));
    }
    // The message of the game-core exception the body raises; empty when none.
    std::string thrownBy(const std::string& body, int32_t lid = 5) {
        try {
            process(body, lid);
        } catch (const JTCore::JTExceptionPtr& e) {
            return JTCore::ToUtf8(e->getMessage());
        }
        return {};
    }
    // Nothing of a rejected response may reach the disk or the manager.
    void expectNothingStored() {
        EXPECT_FALSE(fs::exists(home.levelsDir() / "5"));
        EXPECT_TRUE(manager->added.empty());
    }

    DlLevelsHome home;
    JTAppBase::JTAppContextPtr context;
    boost::intrusive_ptr<TestFilesLevelManager> manager;
};

}  // namespace

TEST_F(DlLevelsProcess, AGoodResponseIsStoredAndRegistered) {
    ASSERT_TRUE(process(responseBody(kLevelData)));

    EXPECT_EQ(platform::AtomicFile::read(home.levelsDir() / "5"), kLevelData);
    ASSERT_EQ(manager->added.size(), 1u);
    auto level = manager->added[0];
    EXPECT_EQ(level->getId(), 5);
    EXPECT_EQ(JTCore::ToUtf8(level->getTitle()), "Hills");
    EXPECT_EQ(level->getDataSize(), static_cast<int32_t>(kLevelData.size()));
    EXPECT_EQ(level->getDataHash(), levelHash(kLevelData));
    EXPECT_EQ(level->getFlags(), 9);
    EXPECT_TRUE(level->isDownloaded());
    EXPECT_EQ(level->getAppContext(), context);
    EXPECT_EQ(manager->getLevelInfoById(5), level);
}

TEST_F(DlLevelsProcess, OnlyTheLow32BitsOfTheHashAreChecked) {
    Header h;
    h.dh = std::to_string(levelHash(kLevelData, 0x7123));
    h.flags = "-8589934592";
    ASSERT_TRUE(process(responseBody(kLevelData, h)));
    EXPECT_EQ(manager->added.at(0)->getDataHash(), levelHash(kLevelData, 0x7123));
    EXPECT_EQ(manager->added.at(0)->getFlags(), -8589934592LL);
}

TEST_F(DlLevelsProcess, ResponsesThatDoNotHoldTogetherAreRefusedWithTheirReason) {
    struct Case {
        std::string body;
        const char* reason;
    };
    Header otherLevel;
    otherLevel.lid = "6";
    Header oneMore, oneLess, negative;
    oneMore.ds = std::to_string(kLevelData.size() + 1);
    oneLess.ds = std::to_string(kLevelData.size() - 1);
    // A size that wraps to the real one in 32 bits must not pass.
    Header wrapped;
    wrapped.ds = std::to_string(kLevelData.size() + 4294967296ULL);
    negative.ds = "-1";
    // The largest size there is: adding the header's length to it must not overflow.
    Header largest;
    largest.ds = "9223372036854775807";
    const std::vector<Case> cases = {
        {kLevelData, "No LF"},
        {"\n" + kLevelData, "No LF"},
        {"<plist><dict>\n" + kLevelData, ""},  // the parser's own words
        {"(\"a\", \"b\")\n" + kLevelData, "Invalid header"},
        {"\"just text\"\n" + kLevelData, "Invalid header"},
        {responseBody(kLevelData, otherLevel), "lid unmatch"},
        {responseBody(kLevelData, oneMore), "size unmatch"},
        {responseBody(kLevelData, oneLess), "size unmatch"},
        {responseBody(kLevelData, wrapped), "size unmatch"},
        {responseBody(kLevelData, negative), "size unmatch"},
        {responseBody(kLevelData, largest), "size unmatch"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.body.substr(0, 60));
        platform::LogSink::Capture log;
        EXPECT_FALSE(process(c.body));
        ASSERT_GE(log.count(), 1u);
        EXPECT_NE(log.lines().back().find("processDownloadedBytes"), std::string::npos);
        EXPECT_TRUE(log.contains(c.reason));
        expectNothingStored();
    }
}

TEST_F(DlLevelsProcess, BadValuesRaiseTheGameCoreException) {
    Header wrongHash;
    wrongHash.dh = std::to_string(levelHash(kLevelData) ^ 1);
    EXPECT_EQ(thrownBy(responseBody(kLevelData, wrongHash)), "dh unmatch");

    // A header value that is a number, not a string; and one that is missing.
    std::string numeric = "{ lid = \"5\"; name = \"x\"; ds = \"" +
                          std::to_string(kLevelData.size()) + "\"; dh = (\"1\"); flags = \"0\"; }";
    EXPECT_EQ(thrownBy(numeric + "\n" + kLevelData), "ensureNSString failed");
    std::string xmlInteger = "<plist><dict><key>lid</key><integer>5</integer></dict></plist>";
    EXPECT_EQ(thrownBy(xmlInteger + "\n" + kLevelData), "ensureNSString failed");
    std::string missingFlags = "{ lid = \"5\"; name = \"x\"; ds = \"" +
                               std::to_string(kLevelData.size()) + "\"; dh = \"" +
                               std::to_string(levelHash(kLevelData)) + "\"; }";
    EXPECT_EQ(thrownBy(missingFlags + "\n" + kLevelData), "ensureNSString failed");

    // Data that hashes right but is not a property list.
    const std::string notPlist = "{ road = (1, 2";
    const std::string reason = thrownBy(responseBody(notPlist));
    EXPECT_FALSE(reason.empty());
    EXPECT_NE(reason, "dh unmatch");
    expectNothingStored();
}

TEST_F(DlLevelsProcess, DataBeyondEightMebibytesIsTooBig) {
    std::string data(DlLevelsSupport::kMaxDataSize + 1, ' ');
    EXPECT_EQ(thrownBy(responseBody(data)), "too big size");
    expectNothingStored();

    // Exactly the limit is allowed (here it fails later, on the hash, not on the size).
    data.pop_back();
    Header h;
    h.dh = "1";
    EXPECT_EQ(thrownBy(responseBody(data, h)), "dh unmatch");
}

TEST_F(DlLevelsProcess, AFailedWriteIsAFailureNotARegisteredLevel) {
    // A file where the levels folder should be: the folder cannot be made.
    fs::create_directories(home.levelsDir().parent_path());
    ASSERT_TRUE(platform::AtomicFile::write(home.levelsDir(), "in the way"));
    platform::LogSink::Capture log;
    EXPECT_FALSE(process(responseBody(kLevelData)));
    EXPECT_TRUE(manager->added.empty());
    EXPECT_TRUE(log.contains("levels"));
    fs::remove(home.levelsDir());

    // A level stored before survives a later failed attempt unchanged.
    ASSERT_TRUE(process(responseBody(kLevelData)));
    manager->added.clear();
    fs::permissions(home.levelsDir(), fs::perms::owner_read | fs::perms::owner_exec);
    if (::geteuid() != 0) {
        EXPECT_FALSE(process(responseBody("{ other = \"level\"; }")));
        EXPECT_TRUE(manager->added.empty());
    }
    fs::permissions(home.levelsDir(), fs::perms::owner_all);
    EXPECT_EQ(platform::AtomicFile::read(home.levelsDir() / "5"), kLevelData);
}
