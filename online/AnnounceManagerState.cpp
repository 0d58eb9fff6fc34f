// "status.plist": the schedule, the settings, the pop-up row and the serial of the last
// pop-up shown, so that they outlive the process.

#include "online/AnnounceInfo.h"
#include "online/AnnounceManager.h"
#include "platform/storage/PropertyList.h"
#include "util/LogMessage.h"

namespace online {

namespace {

// Numbers only; a boolean is not a time.
bool isPlainNumber(const platform::Value* v) {
    return v != nullptr && (v->isInteger() || v->isReal());
}

}  // namespace

std::optional<std::filesystem::path> AnnounceManager::statusFilePath() {
    auto dir = prepareCacheDir();
    if (!dir) return std::nullopt;
    return *dir / kStatusFileName;
}

void AnnounceManager::loadState() {
    auto path = statusFilePath();
    std::error_code ec;
    if (!path || !std::filesystem::exists(*path, ec)) return;
    platform::Error error;
    std::optional<platform::Value> root = platform::PropertyList::readFile(*path, &error);
    if (!root) {
        util::LogMessage("-[AnnounceManager loadState]", 1,
                         "AM:state load err:" + error.localizedDescription());
        return;
    }
    if (!root->isDictionary()) return;
    if (const auto* v = root->find("nextCheckAfter"); isPlainNumber(v)) {
        nextCheckAfter_ = v->asReal();
    }
    if (const auto* v = root->find("previousCheckAt"); isPlainNumber(v)) {
        previousCheckAt_ = v->asReal();
    }
    // No list may ask for more than the longest interval (and a day for the check itself);
    // a later time is damage that would otherwise stop every check for good.
    constexpr double kLongestWait = AnnounceInfo::kMaxCheckInterval + 86400;
    if (nextCheckAfter_ > previousCheckAt_ + kLongestWait) {
        nextCheckAfter_ = previousCheckAt_ + kLongestWait;
    }
    if (const auto* v = root->find("popupAdDoneSerial"); isPlainNumber(v)) {
        double serial = v->asReal();
        // Out of range is damage; the serial then counts as never shown.
        if (serial >= INT32_MIN && serial <= INT32_MAX) {
            popupAdDoneSerial_ = static_cast<int32_t>(serial);
        }
    }
    std::lock_guard<std::mutex> lock(propertiesMutex_);
    if (const auto* v = root->find("amProperties"); v && v->isDictionary()) amProperties_ = *v;
    if (const auto* v = root->find("popupAdInfo"); v && v->isArray()) popupAdInfo_ = *v;
}

bool AnnounceManager::saveStateLocked(const std::filesystem::path& cacheDir) {
    platform::Value state = platform::Value::dictionary({
        {"nextCheckAfter", nextCheckAfter_.load()},
        {"previousCheckAt", previousCheckAt_.load()},
        {"popupAdDoneSerial", popupAdDoneSerial_.load()},
    });
    {
        std::lock_guard<std::mutex> lock(propertiesMutex_);
        if (amProperties_) state.set("amProperties", *amProperties_);
        if (popupAdInfo_) state.set("popupAdInfo", *popupAdInfo_);
    }
    platform::Error error;
    if (!platform::PropertyList::writeFile(cacheDir / kStatusFileName, state,
                                           platform::PropertyListFormat::Binary, &error)) {
        util::LogMessage("-[AnnounceManager saveState]", 1,
                         "AM:state save err:" + error.localizedDescription());
        return false;
    }
    return true;
}

}  // namespace online
