#include "platform/storage/AtomicFile.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/file.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <csignal>
#include <ctime>
#include <fstream>

#include "platform/testing/TempDir.h"

using platform::AtomicFile;
using platform::testing::TempDir;

namespace {

std::size_t entryCount(const std::filesystem::path& dir) {
    std::size_t n = 0;
    for ([[maybe_unused]] auto& e : std::filesystem::directory_iterator(dir)) ++n;
    return n;
}

// Plants a file last changed `age` seconds ago.
void plant(const std::filesystem::path& file, std::time_t age) {
    std::ofstream(file) << "left by a killed save";
    const timespec then{std::time(nullptr) - age, 0};
    const timespec times[2] = {then, then};
    ::utimensat(AT_FDCWD, file.c_str(), times, AT_SYMLINK_NOFOLLOW);
}

bool isThere(const std::filesystem::path& p) {
    std::error_code ec;
    return std::filesystem::exists(std::filesystem::symlink_status(p, ec));
}

}  // namespace

TEST(AtomicFileTest, WritesReplacesAndLeavesNoTemporaryFiles) {
    TempDir dir;
    auto file = dir / "settings.plist";
    std::string error;
    ASSERT_TRUE(AtomicFile::write(file, "first", &error)) << error;
    ASSERT_TRUE(AtomicFile::write(file, "second version", &error, 0600)) << error;
    EXPECT_EQ(AtomicFile::read(file).value_or(""), "second version");
    EXPECT_EQ(entryCount(dir.path()), 1u);
    struct stat st {};
    ASSERT_EQ(::stat(file.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0600u);

    // Chunked producers see their chunks concatenated.
    ASSERT_TRUE(AtomicFile::write(
        file, [](const AtomicFile::Put& put) { return put("a") && put("") && put("bc"); }));
    EXPECT_EQ(AtomicFile::read(file).value_or(""), "abc");
}

TEST(AtomicFileTest, FailedWritesKeepTheOldFileAndReportWhy) {
    TempDir dir;
    auto file = dir / "scores.plist";
    ASSERT_TRUE(AtomicFile::write(file, "precious"));

    std::string error;
    // The producer gives up half-way.
    EXPECT_FALSE(AtomicFile::write(
        file, [](const AtomicFile::Put& put) { return put("half of it") && false; }, &error));
    EXPECT_NE(error.find("scores.plist"), std::string::npos) << error;
    EXPECT_EQ(AtomicFile::read(file).value_or(""), "precious");

    // The disk fills up under the write (a file-size limit stands in for a full disk; it works
    // for root too, unlike a read-only folder).
    struct rlimit old {};
    ASSERT_EQ(::getrlimit(RLIMIT_FSIZE, &old), 0);
    auto oldHandler = std::signal(SIGXFSZ, SIG_IGN);
    struct rlimit small = old;
    small.rlim_cur = 4096;
    ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &small), 0);
    error.clear();
    bool ok = AtomicFile::write(file, std::string(100000, 'x'), &error);
    ::setrlimit(RLIMIT_FSIZE, &old);
    std::signal(SIGXFSZ, oldHandler);
    EXPECT_FALSE(ok);
    EXPECT_FALSE(error.empty());
    EXPECT_EQ(AtomicFile::read(file).value_or(""), "precious");

    // A directory cannot be replaced by a file; a missing folder cannot take one.
    std::filesystem::create_directory(dir / "occupied");
    std::filesystem::create_directory(dir / "occupied" / "child");
    EXPECT_FALSE(AtomicFile::write(dir / "occupied", "x", &error));
    EXPECT_FALSE(AtomicFile::write(dir / "missing" / "file", "x", &error));
    EXPECT_NE(error.find("missing"), std::string::npos) << error;

    // None of the failures left a temporary file behind.
    EXPECT_EQ(entryCount(dir.path()), 2u);
}

TEST(AtomicFileTest, ReadRefusesWhatIsNotASmallRegularFile) {
    TempDir dir;
    std::string error;
    EXPECT_FALSE(AtomicFile::read(dir / "absent", &error));
    EXPECT_NE(error.find("absent"), std::string::npos);
    EXPECT_FALSE(AtomicFile::read(dir.path(), &error));
    ASSERT_TRUE(AtomicFile::write(dir / "big", std::string(2000, 'b')));
    EXPECT_FALSE(AtomicFile::read(dir / "big", &error, 1000));
    EXPECT_EQ(AtomicFile::read(dir / "big", &error, 2000).value_or("").size(), 2000u);
    // A FIFO where a file should be is refused at once instead of hanging the reader.
    ASSERT_EQ(::mkfifo((dir / "fifo").c_str(), 0600), 0);
    EXPECT_FALSE(AtomicFile::read(dir / "fifo", &error));
    ASSERT_TRUE(AtomicFile::write(dir / "empty", ""));
    EXPECT_EQ(AtomicFile::read(dir / "empty"), std::string());
}

TEST(AtomicFileTest, TheFirstWriteIntoAFolderRemovesOnlyStaleLeftoversOfOurOwn) {
    TempDir dir;
    const std::time_t stale = 3600;
    // What a killed save leaves: ours, and long untouched.
    plant(dir / ".settings.plist.tmp-a1B2c3", stale);
    plant(dir / ". .tmp-ZZZZZZ", stale);
    // Ours, but fresh: another program may be writing it right now.
    plant(dir / ".scores.plist.tmp-Q9w8E7", 5);
    // Ours and stale, but held by a live writer (a slow producer).
    plant(dir / ".keychain.tmp-HELD01", stale);
    int held = ::open((dir / ".keychain.tmp-HELD01").c_str(), O_RDONLY | O_CLOEXEC);
    ASSERT_GE(held, 0);
    ASSERT_EQ(::flock(held, LOCK_EX), 0);
    // Not exactly our pattern, however close: never touched.
    const std::vector<std::string> strangers = {
        "settings.plist.tmp-a1B2c3",    // not hidden
        ".settings.plist.tmp-a1B2c",    // five letters
        ".settings.plist.tmp-a1B2c34",  // seven
        ".settings.plist.tmp-a1B2c!",   // not mkstemp's alphabet
        ".settings.plist.tmpXa1B2c3",   // no dash
        "..tmp-a1B2c3",                 // no name before the mark
        ".settings.plist.new-a1B2c3",   // another writer's pattern
        ".settings.plist",              // someone's hidden file
    };
    for (const auto& name : strangers) plant(dir / name, stale);
    // Our pattern on what is no plain file: a folder, and a link to a stale file elsewhere.
    std::filesystem::create_directory(dir / ".folder.tmp-AAAAAA");
    TempDir elsewhere;
    plant(elsewhere / "target", stale);
    std::filesystem::create_symlink(elsewhere / "target", dir / ".linked.tmp-BBBBBB");

    ASSERT_TRUE(AtomicFile::write(dir / "settings.plist", "new"));
    EXPECT_FALSE(isThere(dir / ".settings.plist.tmp-a1B2c3"));
    EXPECT_FALSE(isThere(dir / ". .tmp-ZZZZZZ"));
    EXPECT_TRUE(isThere(dir / ".scores.plist.tmp-Q9w8E7"));
    EXPECT_TRUE(isThere(dir / ".keychain.tmp-HELD01"));
    for (const auto& name : strangers) EXPECT_TRUE(isThere(dir / name)) << name;
    EXPECT_TRUE(std::filesystem::is_directory(dir / ".folder.tmp-AAAAAA"));
    EXPECT_TRUE(isThere(dir / ".linked.tmp-BBBBBB"));
    EXPECT_TRUE(isThere(elsewhere / "target"));
    EXPECT_EQ(AtomicFile::read(dir / "settings.plist").value_or(""), "new");
    ::close(held);

    // Once per folder: a process only looks again in folders it has not written to yet.
    plant(dir / ".late.plist.tmp-CCCCCC", stale);
    ASSERT_TRUE(AtomicFile::write(dir / "settings.plist", "newer"));
    EXPECT_TRUE(isThere(dir / ".late.plist.tmp-CCCCCC"));

    // Another user's leftover is not ours to remove (only root can plant one).
    if (::geteuid() != 0) return;
    TempDir shared;
    plant(shared / ".theirs.tmp-DDDDDD", stale);
    ASSERT_EQ(::chown((shared / ".theirs.tmp-DDDDDD").c_str(), 65534, 65534), 0);
    ASSERT_TRUE(AtomicFile::write(shared / "ours", "x"));
    EXPECT_TRUE(isThere(shared / ".theirs.tmp-DDDDDD"));
}

TEST(AtomicFileTest, TheWritersTemporaryFileIsOneTheSweepKnows) {
    TempDir dir;
    std::vector<std::string> seen;
    ASSERT_TRUE(AtomicFile::write(dir / "settings.plist", [&](const AtomicFile::Put& put) {
        for (const auto& e : std::filesystem::directory_iterator(dir.path()))
            seen.push_back(e.path().filename().string());
        return put("x");
    }));
    ASSERT_EQ(seen.size(), 1u);
    EXPECT_TRUE(AtomicFile::isTemporaryName(seen[0])) << seen[0];
    EXPECT_EQ(seen[0].rfind(".settings.plist.tmp-", 0), 0u) << seen[0];
    EXPECT_FALSE(AtomicFile::isTemporaryName("settings.plist"));
}

TEST(AtomicFileTest, CreateLandsOnlyWhereNoFileIsYet) {
    TempDir dir;
    auto file = dir / "advertising-identifier.json";
    std::string error;
    int err = -1;
    ASSERT_TRUE(AtomicFile::create(file, "first", &error, 0600, &err)) << error;
    EXPECT_EQ(err, 0);
    EXPECT_FALSE(AtomicFile::create(file, "second", &error, 0600, &err));
    EXPECT_EQ(err, EEXIST);
    EXPECT_NE(error.find("advertising-identifier.json"), std::string::npos) << error;
    EXPECT_EQ(AtomicFile::read(file).value_or(""), "first");
    struct stat st {};
    ASSERT_EQ(::stat(file.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0600u);
    EXPECT_EQ(entryCount(dir.path()), 1u) << "no temporary file is left either way";
}

TEST(AtomicFileTest, ADamagedFileMovedAsideNeverReplacesAnEarlierOne) {
    TempDir dir;
    auto file = dir / "prefs.plist";
    std::vector<std::filesystem::path> asides;
    for (const char* bytes : {"first damage", "second damage", "third damage"}) {
        ASSERT_TRUE(AtomicFile::write(file, bytes));
        std::string error;
        auto aside = AtomicFile::moveAside(file, &error);
        ASSERT_TRUE(aside) << error;
        EXPECT_EQ(aside->parent_path(), dir.path());
        EXPECT_EQ(aside->filename().string().rfind("prefs.plist.corrupt-", 0), 0u) << *aside;
        EXPECT_EQ(AtomicFile::read(*aside).value_or(""), bytes);
        asides.push_back(*aside);
    }
    EXPECT_FALSE(isThere(file));
    // Within one second the names differ by a counter; none was written over.
    for (std::size_t i = 0; i < asides.size(); ++i)
        for (std::size_t j = i + 1; j < asides.size(); ++j) EXPECT_NE(asides[i], asides[j]);

    std::string error;
    EXPECT_FALSE(AtomicFile::moveAside(dir / "absent", &error));
    EXPECT_NE(error.find("absent"), std::string::npos) << error;
}

// A damaged copy keeps what the file held, so nobody else may read it, whatever mode the damage
// came with; a link is moved as it is, and what it points to keeps its mode.
TEST(AtomicFileTest, ADamagedCopyIsTheUsersAloneAndALinksTargetIsLeftAlone) {
    TempDir dir;
    auto modeOf = [](const std::filesystem::path& path) {
        struct stat st {};
        return ::lstat(path.c_str(), &st) == 0 ? st.st_mode & 07777 : 07777;
    };
    auto file = dir / "StoreTransactions.json";
    ASSERT_TRUE(AtomicFile::write(file, "{damaged", nullptr, 0644));
    auto aside = AtomicFile::moveAside(file);
    ASSERT_TRUE(aside);
    EXPECT_EQ(modeOf(*aside), 0600u);
    EXPECT_EQ(AtomicFile::read(*aside).value_or(""), "{damaged");

    // Even one that was unreadable to us: narrowed without being opened.
    ASSERT_TRUE(AtomicFile::write(file, "x", nullptr, 0222));
    aside = AtomicFile::moveAside(file);
    ASSERT_TRUE(aside);
    EXPECT_EQ(modeOf(*aside), 0600u);

    auto target = dir / "elsewhere.json";
    ASSERT_TRUE(AtomicFile::write(target, "theirs", nullptr, 0644));
    std::filesystem::create_symlink(target, file);
    aside = AtomicFile::moveAside(file);
    ASSERT_TRUE(aside);
    EXPECT_TRUE(std::filesystem::is_symlink(*aside));
    EXPECT_EQ(modeOf(target), 0644u);
    EXPECT_EQ(AtomicFile::read(target).value_or(""), "theirs");
}
