#include "online/AnnounceCache.h"

#include <algorithm>
#include <system_error>

#include "online/AnnounceInfo.h"
#include "platform/storage/AtomicFile.h"
#include "platform/storage/PropertyList.h"
#include "util/LogMessage.h"

namespace fs = std::filesystem;

namespace online {

namespace {

// Numbers only; a boolean is not a time.
bool isPlainNumber(const platform::Value* v) {
    return v != nullptr && (v->isInteger() || v->isReal());
}

// Removes the plain files and links of the folder, except hidden ones and those named in
// `keep`; folders and what links point to stay.
void deleteFilesIn(const char* caller, const fs::path& dir, const std::vector<std::string>& keep) {
    std::error_code ec;
    fs::directory_iterator it(dir, ec);
    if (ec) {
        util::LogMessage(caller, 4, ec.message());
        return;
    }
    for (const auto& entry : it) {
        std::string name = entry.path().filename().string();
        if (name.empty() || name[0] == '.') continue;
        if (std::find(keep.begin(), keep.end(), name) != keep.end()) continue;
        std::error_code statError;
        // A link is removed as a link; its target is never touched.
        auto status = fs::symlink_status(entry.path(), statError);
        if (statError || !fs::exists(status) || fs::is_directory(status)) continue;
        util::LogMessage(caller, 1, "delete " + entry.path().string());
        fs::remove(entry.path(), statError);
    }
}

}  // namespace

struct AnnounceCache::State {
    bool shutdown = false;
    Status status;

    bool saveStatus(const fs::path& dir) const {
        platform::Value record = platform::Value::dictionary({
            {"nextCheckAfter", status.nextCheckAfter},
            {"previousCheckAt", status.previousCheckAt},
            {"popupAdDoneSerial", status.popupAdDoneSerial},
        });
        if (status.amProperties) record.set("amProperties", *status.amProperties);
        if (status.popupAdInfo) record.set("popupAdInfo", *status.popupAdInfo);
        if (status.checkedUrl) record.set("checkedUrl", *status.checkedUrl);
        platform::Error error;
        // Private like the list and pictures beside it: it holds the service's settings.
        if (!platform::PropertyList::writeFile(dir / kStatusFileName, record,
                                               platform::PropertyListFormat::Binary, &error,
                                               kFileMode)) {
            util::LogMessage("-[AnnounceManager saveState]", 1,
                             "AM:state save err:" + error.localizedDescription());
            return false;
        }
        return true;
    }
};

AnnounceCache::AnnounceCache()
    : state_(std::make_shared<State>()), queue_("AnnounceManager.cache") {}

void AnnounceCache::shutdown() {
    queue_.sync([s = state_] { s->shutdown = true; });
}

void AnnounceCache::resume() {
    queue_.sync([s = state_] { s->shutdown = false; });
}

bool AnnounceCache::isShutdown() const {
    bool down = false;
    queue_.sync([s = state_, &down] { down = s->shutdown; });
    return down;
}

void AnnounceCache::reset() {
    queue_.sync([s = state_] { *s = State{}; });
}

AnnounceCache::Status AnnounceCache::loadStatus(const fs::path& dir) {
    Status answer;
    queue_.sync([s = state_, &dir, &answer] {
        const fs::path path = dir / kStatusFileName;
        std::error_code ec;
        if (fs::exists(path, ec)) {
            platform::Error error;
            std::optional<platform::Value> root = platform::PropertyList::readFile(path, &error);
            if (!root) {
                util::LogMessage("-[AnnounceManager loadState]", 1,
                                 "AM:state load err:" + error.localizedDescription());
            } else if (root->isDictionary()) {
                Status& st = s->status;
                if (const auto* v = root->find("nextCheckAfter"); isPlainNumber(v)) {
                    st.nextCheckAfter = v->asReal();
                }
                if (const auto* v = root->find("previousCheckAt"); isPlainNumber(v)) {
                    st.previousCheckAt = v->asReal();
                }
                // No list may ask for more than the longest interval (and a day for the check
                // itself); a later time is damage that would otherwise stop every check for good.
                constexpr double kLongestWait = AnnounceInfo::kMaxCheckInterval + 86400;
                if (st.nextCheckAfter > st.previousCheckAt + kLongestWait) {
                    st.nextCheckAfter = st.previousCheckAt + kLongestWait;
                }
                if (const auto* v = root->find("popupAdDoneSerial"); isPlainNumber(v)) {
                    double serial = v->asReal();
                    // Out of range is damage; the serial then counts as never shown.
                    if (serial >= INT32_MIN && serial <= INT32_MAX) {
                        st.popupAdDoneSerial = static_cast<int32_t>(serial);
                    }
                }
                if (const auto* v = root->find("amProperties"); v && v->isDictionary()) {
                    st.amProperties = *v;
                }
                if (const auto* v = root->find("popupAdInfo"); v && v->isArray()) {
                    st.popupAdInfo = *v;
                }
                if (const auto* v = root->find("checkedUrl"); v && v->isString()) {
                    st.checkedUrl = v->asString();
                }
            }
        }
        answer = s->status;
    });
    return answer;
}

bool AnnounceCache::recordPopupShown(const fs::path& dir, int32_t serial) {
    bool saved = false;
    queue_.sync([s = state_, &dir, serial, &saved] {
        s->status.popupAdDoneSerial = serial;
        if (!s->shutdown) saved = s->saveStatus(dir);
    });
    return saved;
}

bool AnnounceCache::recordCheck(const fs::path& dir, const std::string& checkedUrl,
                                double previousCheckAt, double nextCheckAfter,
                                std::optional<platform::Value> amProperties,
                                std::optional<platform::Value> popupAdInfo) {
    bool saved = false;
    queue_.sync([&, s = state_] {
        s->status.checkedUrl = checkedUrl;
        s->status.previousCheckAt = previousCheckAt;
        s->status.nextCheckAfter = nextCheckAfter;
        if (amProperties) s->status.amProperties = std::move(amProperties);
        if (popupAdInfo) s->status.popupAdInfo = std::move(popupAdInfo);
        if (!s->shutdown) saved = s->saveStatus(dir);
    });
    return saved;
}

std::optional<std::uintmax_t> AnnounceCache::sizeOf(const fs::path& dir,
                                                    const std::string& name) const {
    std::optional<std::uintmax_t> size;
    queue_.sync([&] {
        std::error_code ec;
        const fs::path path = dir / name;
        if (!fs::exists(path, ec)) return;
        const std::uintmax_t bytes = fs::file_size(path, ec);
        size = ec ? 0 : bytes;
    });
    return size;
}

std::optional<std::string> AnnounceCache::read(const fs::path& dir, const std::string& name,
                                               std::int64_t maxBytes) const {
    std::optional<std::string> bytes;
    queue_.sync([&] {
        std::string error;
        bytes = platform::AtomicFile::read(dir / name, &error, maxBytes);
    });
    return bytes;
}

bool AnnounceCache::write(const fs::path& dir, const std::string& name, const std::string& bytes,
                          std::string* error) {
    bool written = false;
    queue_.sync([&, s = state_] {
        if (s->shutdown) return;
        written = platform::AtomicFile::write(dir / name, bytes, error, kFileMode);
    });
    return written;
}

bool AnnounceCache::commitList(const fs::path& dir, const std::string& listBytes,
                               std::vector<std::string> keep, std::string* error) {
    bool written = false;
    queue_.sync([&, s = state_] {
        if (s->shutdown) return;
        if (!platform::AtomicFile::write(dir / kAnnounceFileName, listBytes, error, kFileMode))
            return;
        written = true;
        keep.push_back(kAnnounceFileName);
        keep.push_back(kStatusFileName);
        deleteFilesIn("-[AnnounceManager doDownloadTasks]", dir, keep);
    });
    return written;
}

void AnnounceCache::deleteFiles(const fs::path& dir) {
    queue_.sync([&, s = state_] {
        if (s->shutdown) return;
        const char* caller = "-[AnnounceManager deleteCacheFiles]";
        util::LogMessage(caller, 1, "delete files in " + dir.string());
        deleteFilesIn(caller, dir, {});
    });
}

}  // namespace online
