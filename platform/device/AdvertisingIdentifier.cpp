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

bool AdvertisingIdentifier::prepareFolder(const std::filesystem::path& file,
                                          std::string* why) const {
    // The default file's folder is the maker's shared one, which must be private to us: a link
    // there would carry the identifier to wherever it points.
    if (file_.empty()) return AppPaths::privateSharedData(why).has_value();
    return AppPaths::ensureDirectory(file.parent_path(), 0700, why);
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
    if (!prepareFolder(file, &why)) return temporary(why);
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
                auto aside = AtomicFile::moveAside(file, &again);
                if (!aside)
                    return temporary("damaged (" + why + ") and cannot be moved aside (" + again +
                                     ")");
                LogSink::write("AdvertisingIdentifier: " + file.string() + " is damaged (" + why +
                               "); kept as " + aside->string());
                continue;
            }
            case ReadResult::Missing:
                break;
        }
        // Linked into place, so that of two programs creating it at once one wins and the
        // other reads the winner's.
        Record fresh{Uuid::random(), false};
        int err = 0;
        if (AtomicFile::create(file, serialize(fresh), &why, kFileMode, &err)) return fresh;
        if (err != EEXIST) return temporary(why);
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
    auto fileLock = prepareFolder(file, &why) ? FileLock::creatingFolder(file, &why) : std::nullopt;
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
