#include "platform/storage/UserDefaults.h"

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cmath>
#include <cstdlib>
#include <cstring>

#include "platform/base/LogSink.h"
#include "platform/base/NumberText.h"
#include "platform/storage/AppPaths.h"
#include "platform/storage/AtomicFile.h"
#include "platform/storage/Bundle.h"
#include "platform/storage/FileBytes.h"
#include "platform/storage/PropertyList.h"
#include "platform/storage/StorageError.h"

namespace platform {

namespace {

std::string trimmedLower(const std::string& s) {
    std::size_t b = s.find_first_not_of(" \t\n\r");
    if (b == std::string::npos) return {};
    std::string out = s.substr(b);
    for (char& c : out) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return out;
}

std::int64_t realToInteger(double d) {
    if (!std::isfinite(d)) return 0;
    if (d >= 9.2233720368547758e18) return INT64_MAX;
    if (d <= -9.2233720368547758e18) return INT64_MIN;
    return static_cast<std::int64_t>(d);
}

bool isCLocale(const std::string& locale) {
    std::string base = locale.substr(0, locale.find_first_of(".@"));
    return base.empty() || base == "C" || base == "POSIX";
}

// "de_DE.UTF-8@euro" -> "de-DE"; the C locale is English.
std::string languageTag(std::string locale) {
    if (isCLocale(locale)) return "en";
    locale = locale.substr(0, locale.find_first_of(".@"));
    for (char& c : locale)
        if (c == '_') c = '-';
    return locale;
}

}  // namespace

Value::Dictionary UserDefaults::globalDomain() {
    // Read at every call: cheap, and tests change the environment.
    Value::Array languages;
    auto add = [&](const std::string& tag) {
        Value v(tag);
        if (std::find(languages.begin(), languages.end(), v) == languages.end())
            languages.push_back(std::move(v));
    };
    std::string locale;
    for (const char* name : {"LC_ALL", "LC_MESSAGES", "LANG"}) {
        if (const char* v = std::getenv(name); v && *v) {
            locale = v;
            break;
        }
    }
    // LANGUAGE lists preferences in order; like the C library, ignore it under the C locale.
    const char* list = std::getenv("LANGUAGE");
    if (list && *list && !isCLocale(locale)) {
        std::string rest = list;
        for (std::size_t start = 0; start <= rest.size();) {
            std::size_t end = rest.find(':', start);
            if (end == std::string::npos) end = rest.size();
            if (end > start) add(languageTag(rest.substr(start, end - start)));
            start = end + 1;
        }
    }
    if (languages.empty()) add(languageTag(locale));
    std::string appleLocale =
        isCLocale(locale) ? "en_US" : locale.substr(0, locale.find_first_of(".@"));
    return {{"AppleLanguages", Value(std::move(languages))},
            {"AppleLocale", Value(std::move(appleLocale))}};
}

UserDefaults& UserDefaults::standard() {
    // Never destroyed: other objects' destructors may still read preferences at exit.
    static UserDefaults* instance = [] {
        auto* d = new UserDefaults();
        // Unsaved changes still reach the file when the program ends normally, as they did
        // on the phone. Quietly: the log may already be gone by then.
        std::atexit([] { standard().flushQuietly(); });
        return d;
    }();
    return *instance;
}

void UserDefaults::flushQuietly() {
    std::lock_guard lock(mutex_);
    if (!dirty_ || writeBlocked_ || !loaded_) return;
    if (writeLocked(nullptr)) dirty_ = false;
}

bool UserDefaults::writeLocked(Error* error) const {
    auto bytes = PropertyList::serialize(Value(values_), PropertyListFormat::Binary, error);
    if (!bytes) return false;
    // What could not be read back must not be written: the next start would move it aside.
    if (bytes->size() > kMaxFileBytes)
        return StorageError::fail(error, StorageError::kFileWriteUnknown,
                                  "the preferences would take " + std::to_string(bytes->size()) +
                                      " bytes, more than the " + std::to_string(kMaxFileBytes) +
                                      " a preferences file may hold");
    return FileBytes::write(file_, *bytes, error, kFileMode);
}

std::filesystem::path UserDefaults::standardFilePath() {
    std::string id = Bundle::mainBundle()->bundleIdentifier();
    if (id.empty() || id.find('/') != std::string::npos || id == "." || id == "..")
        id = "movuroute";
    return AppPaths::preferences() / (id + ".plist");
}

void UserDefaults::resetStandardForTesting() {
    UserDefaults& s = standard();
    std::lock_guard lock(s.mutex_);
    s.loaded_ = false;
    s.file_.clear();
    s.values_.clear();
    s.registered_.clear();
    s.dirty_ = false;
    s.writeBlocked_ = false;
    s.loadError_.reset();
}

UserDefaults::UserDefaults() : standard_(true) {}

UserDefaults::UserDefaults(std::filesystem::path file) : file_(std::move(file)) {}

UserDefaults::~UserDefaults() {
    std::lock_guard lock(mutex_);
    if (dirty_) synchronizeLocked(nullptr);
}

void UserDefaults::loadLocked() const {
    if (loaded_) return;
    loaded_ = true;
    if (standard_ && file_.empty()) file_ = standardFilePath();
    std::error_code ec;
    if (!std::filesystem::exists(file_, ec) && !ec) return;

    Error error;
    auto value = PropertyList::readFile(file_, &error, nullptr, kMaxFileBytes);
    if (value && value->isDictionary()) {
        values_ = value->asDictionary();
        return;
    }
    if (value)
        error = StorageError::make(StorageError::kPropertyListReadCorrupt,
                                   "the stored preferences are not a dictionary");
    loadError_ = error;
    if (!StorageError::isDamagedFile(error.code)) {
        // Unreadable for another reason (permissions, I/O): it may be fine, so never replace it.
        writeBlocked_ = true;
        LogSink::write("UserDefaults: cannot read " + file_.string() + ": " +
                       error.localizedDescription() + "; changes will not be saved");
        return;
    }
    std::string why;
    if (auto aside = AtomicFile::moveAside(file_, &why)) {
        LogSink::write("UserDefaults: " + file_.string() + " is damaged (" +
                       error.localizedDescription() + "); kept as " + aside->string() +
                       ", starting with empty preferences");
    } else {
        writeBlocked_ = true;
        LogSink::write("UserDefaults: " + file_.string() + " is damaged (" +
                       error.localizedDescription() + ") and cannot be moved aside (" + why +
                       "); changes will not be saved");
    }
}

std::optional<Value> UserDefaults::lookupLocked(std::string_view key) const {
    loadLocked();
    if (auto it = values_.find(std::string(key)); it != values_.end()) return it->second;
    if (key == "AppleLanguages" || key == "AppleLocale") return globalDomain()[std::string(key)];
    if (auto it = registered_.find(std::string(key)); it != registered_.end()) return it->second;
    return std::nullopt;
}

std::optional<Value> UserDefaults::objectForKey(std::string_view key) const {
    std::lock_guard lock(mutex_);
    return lookupLocked(key);
}

bool UserDefaults::hasKey(std::string_view key) const {
    std::lock_guard lock(mutex_);
    return lookupLocked(key).has_value();
}

bool UserDefaults::setObject(std::string_view key, Value value) {
    if (value.isNull()) {
        removeObjectForKey(key);
        return true;
    }
    Error error;
    // The key is checked with the value: a key the file cannot hold would fail every save.
    Value probe = Value::dictionary();
    probe.set(std::string(key), value);
    if (!PropertyList::serialize(probe, PropertyListFormat::Binary, &error)) {
        LogSink::write("UserDefaults: refused a value for \"" + std::string(key) +
                       "\": " + error.localizedDescription());
        return false;
    }
    std::lock_guard lock(mutex_);
    loadLocked();
    values_[std::string(key)] = std::move(value);
    dirty_ = true;
    return true;
}

void UserDefaults::removeObjectForKey(std::string_view key) {
    std::lock_guard lock(mutex_);
    loadLocked();
    if (values_.erase(std::string(key)) > 0) dirty_ = true;
}

bool UserDefaults::boolForKey(std::string_view key) const {
    auto v = objectForKey(key);
    if (!v) return false;
    if (v->isNumber()) return v->asReal() != 0;
    if (v->isString()) {
        std::string s = trimmedLower(v->stringRef());
        if (s.rfind("yes", 0) == 0 || s.rfind("true", 0) == 0) return true;
        return integerValue(s) != 0;
    }
    return false;
}

std::int64_t UserDefaults::integerForKey(std::string_view key) const {
    auto v = objectForKey(key);
    if (!v) return 0;
    if (v->isBool() || v->isInteger()) return v->asInteger();
    if (v->isReal()) return realToInteger(v->asReal());
    if (v->isString()) return integerValue(v->stringRef());
    return 0;
}

double UserDefaults::doubleForKey(std::string_view key) const {
    auto v = objectForKey(key);
    if (!v) return 0;
    if (v->isNumber()) return v->asReal();
    if (v->isString()) return doubleValue(v->stringRef());
    return 0;
}

std::optional<std::string> UserDefaults::stringForKey(std::string_view key) const {
    auto v = objectForKey(key);
    if (!v) return std::nullopt;
    if (v->isString()) return v->stringRef();
    // A number stored where text is asked for answers its text: older settings files hold numbers
    // under keys now read as text.
    if (v->isNumber()) return v->description();
    return std::nullopt;
}

std::optional<Value::Array> UserDefaults::arrayForKey(std::string_view key) const {
    auto v = objectForKey(key);
    if (!v || !v->isArray()) return std::nullopt;
    return v->asArray();
}

std::optional<Value::Dictionary> UserDefaults::dictionaryForKey(std::string_view key) const {
    auto v = objectForKey(key);
    if (!v || !v->isDictionary()) return std::nullopt;
    return v->asDictionary();
}

std::optional<Value::Bytes> UserDefaults::dataForKey(std::string_view key) const {
    auto v = objectForKey(key);
    if (!v || !v->isData()) return std::nullopt;
    return v->asData();
}

void UserDefaults::registerDefaults(const Value::Dictionary& defaults) {
    std::lock_guard lock(mutex_);
    for (const auto& [k, v] : defaults) registered_[k] = v;
}

Value UserDefaults::dictionaryRepresentation() const {
    std::lock_guard lock(mutex_);
    loadLocked();
    Value::Dictionary all = registered_;
    for (auto& [k, v] : globalDomain()) all[k] = std::move(v);
    for (const auto& [k, v] : values_) all[k] = v;
    return Value(std::move(all));
}

bool UserDefaults::synchronize(Error* error) {
    std::lock_guard lock(mutex_);
    loadLocked();
    return synchronizeLocked(error);
}

bool UserDefaults::synchronizeLocked(Error* error) {
    if (!dirty_) return true;
    if (writeBlocked_) {
        Error blocked = StorageError::make(
            StorageError::kFileWriteUnknown,
            "the preferences file " + file_.string() + " could not be read and is kept as it is");
        if (loadError_) blocked.withUnderlying(*loadError_);
        if (error) *error = blocked;
        return false;
    }
    std::string why;
    AppPaths::ensureDirectory(file_.parent_path(), 0755, &why);
    Error writeError;
    if (!writeLocked(&writeError)) {
        LogSink::write("UserDefaults: cannot save " + file_.string() + ": " +
                       writeError.localizedDescription());
        if (error) *error = writeError;
        return false;
    }
    dirty_ = false;
    return true;
}

std::optional<Error> UserDefaults::loadError() const {
    std::lock_guard lock(mutex_);
    loadLocked();
    return loadError_;
}

}  // namespace platform
