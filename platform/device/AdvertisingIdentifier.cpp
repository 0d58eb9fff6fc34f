#include "platform/device/AdvertisingIdentifier.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <nlohmann/json.hpp>

#include "platform/base/LogSink.h"
#include "platform/storage/AppPaths.h"
#include "platform/storage/AtomicFile.h"
#include "platform/storage/FileLock.h"

namespace platform {

namespace {

using nlohmann::json;

constexpr const char* kFormat = "zivivu-advertising-identifier";
constexpr int kVersion = 1;
constexpr mode_t kFileMode = 0600;
// The record is a few dozen bytes; anything much larger is not ours.
constexpr std::size_t kMaxFileBytes = 4096;

std::mutex& overrideMutex() {
    static std::mutex m;
    return m;
}

std::optional<AdvertisingIdentifier::Override>& overrideSlot() {
    static std::optional<AdvertisingIdentifier::Override> o;
    return o;
}

std::optional<AdvertisingIdentifier::Override> currentOverride() {
    std::lock_guard lock(overrideMutex());
    return overrideSlot();
}

// "0" allows tracking, "1" limits it; anything else leaves the stored choice.
std::optional<bool> environmentTracking() {
    const char* v = std::getenv("MOVUROUTE_LIMIT_AD_TRACKING");
    if (!v) return std::nullopt;
    if (std::strcmp(v, "0") == 0) return true;
    if (std::strcmp(v, "1") == 0) return false;
    return std::nullopt;
}

enum class ReadResult { Found, Missing, Damaged, Unreadable };

ReadResult readRecord(const std::filesystem::path& file, AdvertisingIdentifier::Record* out,
                      std::string* why) {
    struct stat st {};
    if (::lstat(file.c_str(), &st) != 0) {
        if (errno == ENOENT) return ReadResult::Missing;
        *why = std::strerror(errno);
        return ReadResult::Unreadable;
    }
    // Something other than a plain file (a folder, a link planted there) is left alone.
    if (!S_ISREG(st.st_mode)) {
        *why = "not a regular file";
        return ReadResult::Unreadable;
    }
    if (static_cast<std::size_t>(st.st_size) > kMaxFileBytes) {
        *why = "too large";
        return ReadResult::Damaged;
    }
    auto text = AtomicFile::read(file, why, kMaxFileBytes);
    if (!text) return ReadResult::Unreadable;
    auto record = AdvertisingIdentifier::parse(*text);
    if (!record) {
        *why = "not an advertising identifier record";
        return ReadResult::Damaged;
    }
    *out = *record;
    return ReadResult::Found;
}

// Writes the record to a fresh temporary file beside `file` and links it into place, which
// fails when someone else was first. Answers 0, EEXIST or the error.
int createExclusively(const std::filesystem::path& file,
                      const AdvertisingIdentifier::Record& record) {
    std::string pattern = (file.parent_path() / ("." + file.filename().string() + ".new-XXXXXX"));
    int fd = ::mkostemp(pattern.data(), O_CLOEXEC);
    if (fd < 0) return errno;
    std::string text = AdvertisingIdentifier::serialize(record);
    int err = 0;
    if (::fchmod(fd, kFileMode) != 0) err = errno;
    std::size_t done = 0;
    while (!err && done < text.size()) {
        ssize_t n = ::write(fd, text.data() + done, text.size() - done);
        if (n < 0) {
            if (errno == EINTR) continue;
            err = errno;
        } else {
            done += static_cast<std::size_t>(n);
        }
    }
    if (!err && ::fsync(fd) != 0) err = errno;
    if (::close(fd) != 0 && !err) err = errno;
    if (!err && ::link(pattern.c_str(), file.c_str()) != 0) err = errno;
    ::unlink(pattern.c_str());
    return err;
}

}  // namespace

std::optional<AdvertisingIdentifier::Record> AdvertisingIdentifier::parse(std::string_view text) {
    json root = json::parse(text, nullptr, false);
    if (root.is_discarded() || !root.is_object()) return std::nullopt;
    // Looked up by hand: the library's typed lookups throw on a mismatched type.
    auto format = root.find("format");
    if (format == root.end() || !format->is_string() || format->get<std::string>() != kFormat)
        return std::nullopt;
    auto version = root.find("version");
    if (version == root.end() || !version->is_number_integer() ||
        version->get<std::int64_t>() != kVersion)
        return std::nullopt;
    auto id = root.find("identifier");
    if (id == root.end() || !id->is_string()) return std::nullopt;
    auto uuid = Uuid::parse(id->get<std::string>());
    if (!uuid || uuid->isNull()) return std::nullopt;
    Record record{*uuid, false};
    // A missing or odd flag means the user never allowed tracking.
    if (auto flag = root.find("trackingEnabled"); flag != root.end() && flag->is_boolean())
        record.trackingEnabled = flag->get<bool>();
    return record;
}

std::string AdvertisingIdentifier::serialize(const Record& record) {
    json root = {{"format", kFormat},
                 {"version", kVersion},
                 {"identifier", record.identifier.toString()},
                 {"trackingEnabled", record.trackingEnabled}};
    return root.dump(1, '\t') + "\n";
}

AdvertisingIdentifier& AdvertisingIdentifier::shared() {
    static AdvertisingIdentifier instance;
    return instance;
}

std::filesystem::path AdvertisingIdentifier::defaultFilePath() {
    return AppPaths::sharedData() / "advertising-identifier.json";
}

AdvertisingIdentifier::AdvertisingIdentifier(std::filesystem::path file) : file_(std::move(file)) {}

std::filesystem::path AdvertisingIdentifier::filePath() const {
    return file_.empty() ? defaultFilePath() : file_;
}

void AdvertisingIdentifier::setOverrideForTesting(std::optional<Override> override) {
    std::lock_guard lock(overrideMutex());
    overrideSlot() = std::move(override);
}

AdvertisingIdentifier::Record AdvertisingIdentifier::loadOrCreate(bool lockHeld) {
    auto file = filePath();
    auto temporary = [&](const std::string& why) {
        if (!ephemeral_) {
            ephemeral_ = Uuid::random();
            LogSink::write("AdvertisingIdentifier: " + file.string() + ": " + why +
                           "; using an identifier for this run only");
        }
        return Record{*ephemeral_, false};
    };
    std::string why;
    if (!AppPaths::ensureDirectory(file.parent_path(), 0700, &why)) return temporary(why);
    // A few rounds: a record another program is replacing may vanish for a moment between
    // our look and our read, and a lost creation race sends us back to read the winner's.
    for (int attempt = 0; attempt < 4; ++attempt) {
        Record record;
        why.clear();
        switch (readRecord(file, &record, &why)) {
            case ReadResult::Found:
                return record;
            case ReadResult::Unreadable:
                // It may be good data we cannot reach right now: never written over.
                return temporary(why);
            case ReadResult::Damaged: {
                // Under the lock, and looked at again there: another program may have
                // replaced the damaged file with a good one since we read it.
                std::optional<FileLock> fileLock;
                if (!lockHeld) fileLock.emplace(file);
                if (fileLock && !fileLock->held()) return temporary("damaged (" + why + ")");
                std::string again;
                if (readRecord(file, &record, &again) != ReadResult::Damaged) continue;
                auto aside = file;
                aside += ".corrupt-" + std::to_string(static_cast<long long>(std::time(nullptr)));
                if (::rename(file.c_str(), aside.c_str()) != 0)
                    return temporary("damaged (" + why + ") and cannot be moved aside");
                LogSink::write("AdvertisingIdentifier: " + file.string() + " is damaged (" + why +
                               "); kept as " + aside.string());
                continue;
            }
            case ReadResult::Missing:
                break;
        }
        Record fresh{Uuid::random(), false};
        int err = createExclusively(file, fresh);
        if (err == 0) return fresh;
        if (err != EEXIST)
            return temporary(std::string("cannot be created: ") + std::strerror(err));
    }
    return temporary("keeps changing under us");
}

Uuid AdvertisingIdentifier::advertisingIdentifier() {
    if (auto o = currentOverride()) return o->identifier.value_or(Uuid());
    std::lock_guard lock(mutex_);
    return loadOrCreate(false).identifier;
}

bool AdvertisingIdentifier::isAdvertisingTrackingEnabled() {
    bool stored = false;
    if (auto o = currentOverride()) {
        stored = o->trackingEnabled.value_or(false);
    } else {
        std::lock_guard lock(mutex_);
        stored = loadOrCreate(false).trackingEnabled;
    }
    return environmentTracking().value_or(stored);
}

bool AdvertisingIdentifier::setAdvertisingTrackingEnabled(bool enabled) {
    {
        std::lock_guard lock(overrideMutex());
        if (overrideSlot()) {
            overrideSlot()->trackingEnabled = enabled;
            return true;
        }
    }
    std::lock_guard lock(mutex_);
    auto file = filePath();
    std::string why;
    auto fileLock = FileLock::creatingFolder(file, &why);
    if (!fileLock) {
        LogSink::write("AdvertisingIdentifier: " + why);
        return false;
    }
    Record record = loadOrCreate(true);
    if (ephemeral_ && record.identifier == *ephemeral_) return false;
    if (record.trackingEnabled == enabled) return true;
    record.trackingEnabled = enabled;
    if (!AtomicFile::write(file, serialize(record), &why, kFileMode)) {
        LogSink::write("AdvertisingIdentifier: " + why);
        return false;
    }
    return true;
}

}  // namespace platform
