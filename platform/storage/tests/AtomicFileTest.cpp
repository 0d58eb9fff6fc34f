#include "platform/storage/AtomicFile.h"

#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/stat.h>

#include <csignal>

#include "platform/testing/TempDir.h"

using platform::AtomicFile;
using platform::testing::TempDir;

namespace {

std::size_t entryCount(const std::filesystem::path& dir) {
    std::size_t n = 0;
    for ([[maybe_unused]] auto& e : std::filesystem::directory_iterator(dir)) ++n;
    return n;
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
