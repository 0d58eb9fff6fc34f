#include "util/PlistFiles.h"

#include <exception>
#include <filesystem>
#include <system_error>
#include <typeinfo>

#include "platform/storage/AppPaths.h"
#include "platform/storage/AtomicFile.h"
#include "platform/storage/PropertyList.h"
#include "platform/storage/StorageError.h"
#include "util/LogMessage.h"

namespace fs = std::filesystem;

namespace util {

std::string DocumentsDirectoryPath() {
    return platform::AppPaths::documents().string();
}

std::optional<std::string> DocumentsSubdirectoryPath(const std::string& name, bool create) {
    const fs::path relative(name);
    if (name.empty() || relative.is_absolute()) return std::nullopt;
    for (const auto& part : relative) {
        if (part == "..") return std::nullopt;
    }
    const fs::path path = fs::path(DocumentsDirectoryPath()) / relative;
    if (!create) return path.string();

    std::error_code ec;
    if (fs::is_directory(path, ec)) return path.string();
    if (fs::exists(path, ec)) return std::nullopt;
    fs::create_directories(path, ec);
    if (ec || !fs::is_directory(path, ec)) return std::nullopt;
    return path.string();
}

std::optional<platform::Value> ReadDictionaryFromPlistFile(const std::string& path) {
    std::error_code ec;
    if (!fs::exists(path, ec)) return std::nullopt;
    try {
        auto value = platform::PropertyList::readFile(path);
        if (!value || !value->isDictionary()) return std::nullopt;
        return value;
    } catch (const std::exception& e) {
        LogMessage("ReadDictionaryFromPlistFile", 4,
                   std::string("NSException ") + typeid(e).name() + ": " + e.what());
        return std::nullopt;
    }
}

StoredDictionary ReadStoredDictionary(const std::string& path, const std::string& caller) {
    StoredDictionary result;
    platform::Error error;
    auto value = platform::PropertyList::readFile(path, &error);
    if (value && value->isDictionary()) {
        result.state = StoredDictionary::State::Read;
        result.dictionary = std::move(*value);
        return result;
    }
    if (!value && error.code == platform::StorageError::kFileReadNoSuchFile) return result;
    if (value) {
        error = platform::StorageError::make(platform::StorageError::kPropertyListReadCorrupt,
                                             "its root is not a dictionary");
    }
    result.reason = error.localizedDescription();
    if (!platform::StorageError::isDamagedFile(error.code)) {
        result.state = StoredDictionary::State::Unreadable;
        LogMessage(caller.c_str(), 4,
                   "cannot read " + path + ": " + result.reason +
                       "; it is kept and not saved over this run");
        return result;
    }
    std::string why;
    auto aside = platform::AtomicFile::moveAside(path, &why);
    if (!aside) {
        result.state = StoredDictionary::State::Unreadable;
        LogMessage(caller.c_str(), 4,
                   path + " is damaged (" + result.reason + ") and cannot be moved aside (" + why +
                       "); it is not saved over this run");
        return result;
    }
    result.state = StoredDictionary::State::Damaged;
    result.keptAs = aside->string();
    LogMessage(caller.c_str(), 4,
               path + " is damaged (" + result.reason + "); kept as " + result.keptAs);
    return result;
}

bool WriteDictionaryToPlistFile(const std::string& path, const platform::Value& dictionary) {
    if (!dictionary.isDictionary()) {
        LogMessage("WriteDictionaryToPlistFile", 4, "not a dictionary");
        return false;
    }
    platform::Error error;
    auto bytes =
        platform::PropertyList::serialize(dictionary, platform::PropertyListFormat::Binary, &error);
    if (!bytes) {
        LogMessage("WriteDictionaryToPlistFile", 4, error.description());
        return false;
    }
    std::string writeError;
    if (!platform::AtomicFile::write(path, *bytes, &writeError)) {
        LogMessage("WriteDictionaryToPlistFile", 4, writeError);
        return false;
    }
    return true;
}

}  // namespace util
