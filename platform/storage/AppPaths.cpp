#include "platform/storage/AppPaths.h"

#include "platform/base/LogSink.h"
#include "platform/storage/AtomicFile.h"

#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <mutex>

namespace platform {

namespace {

std::mutex& overrideMutex() {
    static std::mutex m;
    return m;
}

std::optional<std::filesystem::path>& homeOverride() {
    static std::optional<std::filesystem::path> o;
    return o;
}

// Empty variables count as unset, as the XDG rules ask; relative ones are ignored for the
// same reason (they would move with the working directory).
std::optional<std::filesystem::path> absoluteEnv(const char* name) {
    const char* v = std::getenv(name);
    if (!v || !*v) return std::nullopt;
    std::filesystem::path p(v);
    if (!p.is_absolute()) return std::nullopt;
    return p;
}

std::filesystem::path userHome() {
    if (auto h = absoluteEnv("HOME")) return *h;
    if (const passwd* pw = ::getpwuid(::getuid()); pw && pw->pw_dir && *pw->pw_dir)
        return pw->pw_dir;
    return std::filesystem::path("/tmp") / ("movuroute-" + std::to_string(::getuid()));
}

// One reason for every folder or file of ours found to be a link, so a log reader finds them all.
constexpr const char* kLinkRefused = "a link, not a private directory:";

void setError(std::string* error, const std::string& what, const std::filesystem::path& p,
              int err) {
    if (!error) return;
    *error = what + " " + p.string();
    if (err) *error += ": " + std::string(std::strerror(err));
}

}  // namespace

std::filesystem::path AppPaths::dataHome() {
    if (auto x = absoluteEnv("XDG_DATA_HOME")) return *x;
    return userHome() / ".local" / "share";
}

std::filesystem::path AppPaths::home() {
    {
        std::lock_guard lock(overrideMutex());
        if (homeOverride()) return *homeOverride();
    }
    if (auto h = absoluteEnv("MOVUROUTE_HOME")) return *h;
    return dataHome() / "movuroute";
}

std::filesystem::path AppPaths::sharedData() {
    if (auto s = absoluteEnv("MOVUROUTE_SHARED_HOME")) return *s;
    // A home given on the command line is a world of its own: an isolated run must not
    // create or change the user's account id.
    {
        std::lock_guard lock(overrideMutex());
        if (homeOverride()) return *homeOverride() / "Shared";
    }
    return dataHome() / "zivivu-shared";
}

void AppPaths::setHomeOverride(std::optional<std::filesystem::path> home) {
    std::lock_guard lock(overrideMutex());
    homeOverride() = std::move(home);
}

// The home's folders: made when missing, and rid of what killed saves left there (once per
// run), also in a run that only reads them.
std::filesystem::path AppPaths::homeFolder(std::filesystem::path dir) {
    if (ensureDirectory(dir, 0755)) AtomicFile::removeStaleTemporaries(dir);
    return dir;
}

std::filesystem::path AppPaths::documents() {
    return homeFolder(home() / "Documents");
}

std::filesystem::path AppPaths::library() {
    return homeFolder(home() / "Library");
}

std::filesystem::path AppPaths::caches() {
    return homeFolder(home() / "Library" / "Caches");
}

std::filesystem::path AppPaths::preferences() {
    return homeFolder(home() / "Library" / "Preferences");
}

std::optional<std::filesystem::path> AppPaths::privateFolder(std::filesystem::path dir,
                                                             std::string* error) {
    if (!ensureDirectory(dir, 0700, error, true)) return std::nullopt;
    AtomicFile::removeStaleTemporaries(dir);
    return dir;
}

std::filesystem::path AppPaths::tmp() {
    auto p = home() / "tmp";
    std::string error;
    if (!privateFolder(p, &error)) LogSink::write("AppPaths: " + error);
    return p;
}

std::optional<std::filesystem::path> AppPaths::privateTmp(std::string* error) {
    return privateFolder(home() / "tmp", error);
}

std::optional<std::filesystem::path> AppPaths::privateSharedData(std::string* error) {
    return privateFolder(sharedData(), error);
}

bool AppPaths::ensureDirectory(const std::filesystem::path& dir, mode_t mode, std::string* error,
                               bool exactMode) {
    return makeDirectory(dir, mode, error, exactMode ? Ownership::Private : Ownership::Any);
}

bool AppPaths::ensureOwnDirectory(const std::filesystem::path& dir, mode_t mode,
                                  std::string* error) {
    return makeDirectory(dir, mode, error, Ownership::Own);
}

bool AppPaths::isNotALink(const std::filesystem::path& file, std::string* error) {
    struct stat st {};
    if (::lstat(file.c_str(), &st) != 0 || !S_ISLNK(st.st_mode)) return true;
    setError(error, kLinkRefused, file, ENOTDIR);
    return false;
}

bool AppPaths::makeDirectory(const std::filesystem::path& dir, mode_t mode, std::string* error,
                             Ownership ownership) {
    if (dir.empty()) {
        setError(error, "empty directory path", dir, EINVAL);
        return false;
    }
    const bool ours = ownership != Ownership::Any;
    const bool exactMode = ownership == Ownership::Private;
    struct stat st {};
    if (::lstat(dir.c_str(), &st) == 0) {
        // A link to a folder is how many people move their data to another disk; only the
        // folders we fill ourselves must be real folders of our own.
        if (S_ISLNK(st.st_mode) && !ours && ::stat(dir.c_str(), &st) != 0) {
            setError(error, "not a directory:", dir, errno);
            return false;
        }
        if (!S_ISDIR(st.st_mode)) {
            setError(error, S_ISLNK(st.st_mode) ? kLinkRefused : "not a directory:", dir, ENOTDIR);
            return false;
        }
        // Someone else's folder is not ours, whatever its mode says now: its owner can change
        // the mode back, or plant files and links for us to follow.
        if (ours && st.st_uid != ::geteuid()) {
            setError(error, "owned by someone else:", dir, EPERM);
            return false;
        }
        if (exactMode && (st.st_mode & 07777) != mode && ::chmod(dir.c_str(), mode) != 0) {
            setError(error, "cannot set the mode of", dir, errno);
            return false;
        }
        return true;
    }
    auto parent = dir.parent_path();
    if (!parent.empty() && parent != dir && !makeDirectory(parent, 0755, error, Ownership::Any))
        return false;
    if (::mkdir(dir.c_str(), mode) != 0 && errno != EEXIST) {
        setError(error, "cannot create the directory", dir, errno);
        return false;
    }
    // mkdir applies the umask; the private folders must end up exactly as asked.
    if (exactMode && ::chmod(dir.c_str(), mode) != 0) {
        setError(error, "cannot set the mode of", dir, errno);
        return false;
    }
    // Made meanwhile by someone else (EEXIST): it must still be a folder, and no link.
    if (::lstat(dir.c_str(), &st) != 0 || !S_ISDIR(st.st_mode)) {
        setError(error, S_ISLNK(st.st_mode) ? kLinkRefused : "not a directory:", dir, ENOTDIR);
        return false;
    }
    return true;
}

}  // namespace platform
