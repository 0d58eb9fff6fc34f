#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include <sys/stat.h>

#include "platform/base/LogSink.h"
#include "platform/storage/AppPaths.h"
#include "platform/storage/PropertyList.h"
#include "platform/testing/TempDir.h"
#include "util/PlistFiles.h"

using namespace util;

namespace fs = std::filesystem;

namespace {

struct PlistFiles : ::testing::Test {
    platform::testing::TempHome tempHome;
    const fs::path home = tempHome.home();

    static void writeBytes(const fs::path& p, const std::string& bytes) {
        std::ofstream(p, std::ios::binary) << bytes;
    }
    static std::string readBytes(const fs::path& p) {
        std::ifstream in(p, std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(in), {});
    }
};

}  // namespace

TEST_F(PlistFiles, DocumentsPathsAndSubdirectories) {
    const fs::path docs = DocumentsDirectoryPath();
    EXPECT_EQ(docs, platform::AppPaths::documents());
    EXPECT_EQ(docs.parent_path(), home);

    EXPECT_EQ(DocumentsSubdirectoryPath("LevelScores", false), (docs / "LevelScores").string());
    EXPECT_FALSE(fs::exists(docs / "LevelScores"));
    auto made = DocumentsSubdirectoryPath("LevelScores", true);
    ASSERT_TRUE(made);
    EXPECT_TRUE(fs::is_directory(*made));
    EXPECT_EQ(DocumentsSubdirectoryPath("LevelScores", true), made);  // already there

    writeBytes(docs / "levels", "a file in the way");
    EXPECT_FALSE(DocumentsSubdirectoryPath("levels", true));
    EXPECT_FALSE(DocumentsSubdirectoryPath("../outside", true));
    EXPECT_FALSE(DocumentsSubdirectoryPath("/etc", false));
    EXPECT_FALSE(fs::exists(home / "outside"));
}

TEST_F(PlistFiles, WritesBinaryAndReadsBack) {
    const std::string path = DocumentsDirectoryPath() + "/unlockinglevels.plist";
    auto dict = platform::Value::dictionary({{"3", 1}, {"note", "kept"}});
    ASSERT_TRUE(WriteDictionaryToPlistFile(path, dict));
    EXPECT_EQ(readBytes(path).substr(0, 8), "bplist00");
    auto back = ReadDictionaryFromPlistFile(path);
    ASSERT_TRUE(back);
    EXPECT_EQ(*back, dict);

    // Any property-list format is accepted on reading.
    auto xml = platform::PropertyList::serialize(dict, platform::PropertyListFormat::Xml);
    writeBytes(path, *xml);
    EXPECT_EQ(ReadDictionaryFromPlistFile(path), dict);
}

TEST_F(PlistFiles, BadFilesReadAsNothingAndOnlyExceptionsAreLogged) {
    platform::LogSink::Capture log;
    const fs::path docs = DocumentsDirectoryPath();
    EXPECT_FALSE(ReadDictionaryFromPlistFile((docs / "missing.plist").string()));

    auto array = platform::PropertyList::serialize(platform::Value::array({1, 2}),
                                                   platform::PropertyListFormat::Binary);
    writeBytes(docs / "array.plist", *array);
    EXPECT_FALSE(ReadDictionaryFromPlistFile((docs / "array.plist").string()));

    writeBytes(docs / "junk.plist", "bplist00\xff\xff garbage");
    EXPECT_FALSE(ReadDictionaryFromPlistFile((docs / "junk.plist").string()));
    fs::create_directories(docs / "dir.plist");
    EXPECT_FALSE(ReadDictionaryFromPlistFile((docs / "dir.plist").string()));
    EXPECT_EQ(log.count(), 0u);
}

TEST_F(PlistFiles, FailedWritesKeepTheOldFile) {
    const std::string path = DocumentsDirectoryPath() + "/settings.plist";
    auto good = platform::Value::dictionary({{"soundVolume.max3", 2}});
    ASSERT_TRUE(WriteDictionaryToPlistFile(path, good));
    const std::string before = readBytes(path);

    platform::LogSink::Capture log;
    // A null cannot be stored in a property list: refused before the file is touched.
    auto bad = platform::Value::dictionary({{"x", platform::Value()}});
    EXPECT_FALSE(WriteDictionaryToPlistFile(path, bad));
    EXPECT_TRUE(log.contains("[ERROR] WriteDictionaryToPlistFile"));
    EXPECT_FALSE(WriteDictionaryToPlistFile(path, platform::Value::array({})));
    EXPECT_EQ(readBytes(path), before);

    EXPECT_FALSE(WriteDictionaryToPlistFile(
        (fs::path(DocumentsDirectoryPath()) / "no-such-dir" / "x.plist").string(), good));
}

TEST_F(PlistFiles, StoredFilesAreMissingReadUnreadableOrDamagedAndDamageIsKeptAside) {
    platform::LogSink::Capture log;
    const fs::path docs = DocumentsDirectoryPath();
    auto missing = ReadStoredDictionary((docs / "missing.plist").string(), "test");
    EXPECT_EQ(missing.state, StoredDictionary::State::Missing);
    EXPECT_TRUE(missing.mayBeSaved());
    EXPECT_EQ(log.count(), 0u);

    auto good = platform::Value::dictionary({{"a", 1}});
    ASSERT_TRUE(WriteDictionaryToPlistFile((docs / "good.plist").string(), good));
    auto read = ReadStoredDictionary((docs / "good.plist").string(), "test");
    EXPECT_EQ(read.state, StoredDictionary::State::Read);
    EXPECT_EQ(read.dictionary, good);

    // Damage of every kind: cut short, garbage, a FIFO, a root that is no dictionary.
    const std::string whole = readBytes(docs / "good.plist");
    writeBytes(docs / "cut.plist", whole.substr(0, whole.size() - 5));
    writeBytes(docs / "junk.plist", "bplist00\xff\xff garbage");
    ASSERT_EQ(::mkfifo((docs / "fifo.plist").c_str(), 0600), 0);
    writeBytes(docs / "array.plist",
               *platform::PropertyList::serialize(platform::Value::array({1}),
                                                  platform::PropertyListFormat::Binary));
    for (const char* name : {"cut.plist", "junk.plist", "fifo.plist", "array.plist"}) {
        const std::string path = (docs / name).string();
        auto damaged = ReadStoredDictionary(path, "test");
        EXPECT_EQ(damaged.state, StoredDictionary::State::Damaged) << name;
        EXPECT_TRUE(damaged.mayBeSaved()) << name;
        EXPECT_FALSE(fs::exists(fs::symlink_status(path))) << name;
        EXPECT_EQ(damaged.keptAs.rfind(path + ".corrupt-", 0), 0u) << damaged.keptAs;
        EXPECT_TRUE(fs::exists(fs::symlink_status(damaged.keptAs))) << name;
        EXPECT_TRUE(log.contains(std::string(name) + " is damaged")) << name;
    }

    // Unreadable for another reason: kept where it is, and not to be saved over.
    fs::create_directories(docs / "folder.plist");
    auto unreadable = ReadStoredDictionary((docs / "folder.plist").string(), "test");
    EXPECT_EQ(unreadable.state, StoredDictionary::State::Unreadable);
    EXPECT_FALSE(unreadable.mayBeSaved());
    EXPECT_TRUE(fs::is_directory(docs / "folder.plist"));
    EXPECT_TRUE(log.contains("not saved over this run"));
}