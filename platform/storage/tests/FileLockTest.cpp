#include "platform/storage/FileLock.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <utility>

#include "platform/testing/TempDir.h"

using namespace platform;
using platform::testing::TempDir;

namespace {

// Whether another open of the companion could take the lock now (flock locks belong to the
// open file, so this stands for another process).
bool freeToLock(const std::filesystem::path& file) {
    int fd = ::open(FileLock::lockPathFor(file).c_str(), O_RDWR | O_CLOEXEC);
    if (fd < 0) return false;
    const bool free = ::flock(fd, LOCK_EX | LOCK_NB) == 0;
    const bool busy = !free && errno == EWOULDBLOCK;
    ::close(fd);
    EXPECT_TRUE(free || busy);
    return free;
}

mode_t modeOf(const std::filesystem::path& path) {
    struct stat st {};
    return ::lstat(path.c_str(), &st) == 0 ? (st.st_mode & 07777) : 0;
}

}  // namespace

TEST(FileLockTest, HoldsTheCompanionUntilDestroyedAndMakesTheFolder) {
    TempDir dir;
    const auto file = dir / "new" / "record.json";
    {
        std::string why;
        auto lock = FileLock::creatingFolder(file, &why);
        ASSERT_TRUE(lock) << why;
        EXPECT_EQ(modeOf(dir / "new"), 0700u);
        EXPECT_EQ(FileLock::lockPathFor(file), dir / "new" / "record.json.lock");
        EXPECT_EQ(modeOf(FileLock::lockPathFor(file)), 0600u);
        EXPECT_FALSE(freeToLock(file));
        // Moved, it is still the one lock.
        FileLock moved(std::move(*lock));
        lock.reset();
        EXPECT_TRUE(moved.held());
        EXPECT_FALSE(freeToLock(file));
    }
    EXPECT_TRUE(freeToLock(file));
    // The companion stays: removing it could let two writers lock two different files.
    EXPECT_TRUE(std::filesystem::exists(FileLock::lockPathFor(file)));
    EXPECT_FALSE(std::filesystem::exists(file));
}

TEST(FileLockTest, ALinkPlantedAsTheCompanionIsNotFollowed) {
    TempDir dir;
    const auto file = dir / "record.json";
    // A dangling link would have us create its target; a link to a file, lock another's file.
    for (bool targetExists : {false, true}) {
        const auto target = dir / (targetExists ? "theirs" : "missing");
        if (targetExists) {
            int fd = ::open(target.c_str(), O_WRONLY | O_CREAT | O_CLOEXEC, 0644);
            ASSERT_GE(fd, 0);
            ::close(fd);
        }
        std::filesystem::remove(FileLock::lockPathFor(file));
        std::filesystem::create_symlink(target, FileLock::lockPathFor(file));
        std::string why;
        FileLock lock(file, &why);
        EXPECT_FALSE(lock.held());
        EXPECT_NE(why.find(FileLock::lockPathFor(file).string()), std::string::npos) << why;
        EXPECT_EQ(std::filesystem::exists(target), targetExists);
        EXPECT_FALSE(FileLock::creatingFolder(file));
    }
}
