// Checking and storing a downloaded level.

#include <algorithm>
#include <string>
#include <string_view>

#include "appbase/FilesLevelManager.h"
#include "appbase/JTLevelInfo.h"
#include "core/JTException.h"
#include "online/DlLevelsSupport.h"
#include "platform/base/NumberText.h"
#include "platform/storage/AppPaths.h"
#include "platform/storage/AtomicFile.h"
#include "platform/storage/PropertyList.h"
#include "util/Crc32.h"
#include "util/LogMessage.h"

namespace online {

namespace {

constexpr const char* kCaller = "processDownloadedBytes";

[[noreturn]] void fail(const std::string& message) {
    throw JTCore::JTNew<JTCore::JTException>(JTCore::NewJTString(message));
}

// The service hashes the data behind a "-" so that an empty level still has a non-zero hash.
uint32_t levelDataCrc(std::string_view data) {
    return util::Crc32Append(util::Crc32Append(0, "-", 1), data.data(), data.size());
}

}  // namespace

std::string ensureNSString(const platform::Value* value) {
    if (!value || !value->isString()) fail("ensureNSString failed");
    return value->asString();
}

bool processDownloadedBytes(JTAppBase::FilesLevelManager& manager, int32_t levelId,
                            const std::vector<std::uint8_t>& data) {
    const std::string_view bytes(reinterpret_cast<const char*>(data.data()), data.size());
    const size_t lf = bytes.find('\n');
    if (lf == std::string_view::npos || lf == 0) {
        util::LogMessage(kCaller, 3, "No LF");
        return false;
    }

    platform::Error parseError;
    auto header = platform::PropertyList::parse(bytes.substr(0, lf), &parseError);
    if (!header && !parseError.localizedDescription().empty()) {
        util::LogMessage(kCaller, 3, parseError.localizedDescription());
        return false;
    }
    if (!header || !header->isDictionary()) {
        util::LogMessage(kCaller, 3, "Invalid header");
        return false;
    }

    const int32_t lid = platform::intValue(ensureNSString(header->find("lid")));
    const std::string name = ensureNSString(header->find("name"));
    // Read as 64 bits: a declared size must never wrap into one that happens to match.
    const int64_t ds = platform::longLongValue(ensureNSString(header->find("ds")));
    const int64_t dh = platform::longLongValue(ensureNSString(header->find("dh")));
    const int64_t flags = platform::longLongValue(ensureNSString(header->find("flags")));

    JTAppBase::JTLevelInfoPtr level = JTAppBase::NewJTLevelInfo(manager.getAppContext(), lid);
    level->setTitle(JTCore::NewJTString(name));
    level->setDataSize(static_cast<int32_t>(std::clamp<int64_t>(ds, INT32_MIN, INT32_MAX)));
    level->setDataHash(dh);
    level->setFlags(flags);
    level->setDownloaded(true);

    if (level->getId() != levelId) {
        util::LogMessage(kCaller, 3, "lid unmatch");
        return false;
    }
    // What follows the header's line, counted from the bytes: a declared size near the
    // largest number must not overflow on its way to the comparison.
    const int64_t dataLength = static_cast<int64_t>(bytes.size()) - static_cast<int64_t>(lf) - 1;
    if (ds < 0 || ds != dataLength) {
        util::LogMessage(kCaller, 3, "size unmatch");
        return false;
    }
    if (ds > DlLevelsSupport::kMaxDataSize) fail("too big size");
    const std::string_view levelData = bytes.substr(lf + 1);
    if (levelDataCrc(levelData) != static_cast<uint32_t>(static_cast<uint64_t>(dh))) {
        fail("dh unmatch");
    }
    platform::Error dataError;
    if (!platform::PropertyList::parse(levelData, &dataError)) {
        fail(dataError.localizedDescription().empty() ? "level data is not a property list"
                                                      : dataError.localizedDescription());
    }

    const auto dir = platform::AppPaths::documents() / "levels";
    const auto path = dir / std::to_string(level->getId());
    std::string writeError;
    if (!platform::AppPaths::ensureDirectory(dir, 0755, &writeError) ||
        !platform::AtomicFile::write(path, levelData, &writeError)) {
        // A level that is not on disk must not be offered as one that is.
        util::LogMessage(kCaller, 3, "cannot store " + path.string() + ": " + writeError);
        return false;
    }
    manager.addDownloadedLevel(level);
    return true;
}

}  // namespace online
