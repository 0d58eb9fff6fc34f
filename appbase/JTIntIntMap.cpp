#include "appbase/JTIntIntMap.h"

#include <filesystem>
#include <string>

#include "util/PlistFiles.h"

namespace JTAppBase {

namespace {

std::string keyText(int32_t key) {
    return std::to_string(key);
}

// An empty name would make a file called ".plist"; a name with a path in it could leave the
// Documents directory. Neither comes from this program, so both are refused.
std::optional<std::string> pathFor(const JTCore::JTStringPtr& name) {
    std::string text = JTCore::ToUtf8(name);
    if (text.empty() || text.find('/') != std::string::npos || text == "." || text == "..") {
        return std::nullopt;
    }
    return util::DocumentsDirectoryPath() + "/" + text + ".plist";
}

}  // namespace

int32_t JTIntIntMap::get(int32_t key, int32_t defaultValue) const {
    auto it = entries_.find(keyText(key));
    if (it == entries_.end() || !it->second.isNumber()) return defaultValue;
    // A stored value wider than 32 bits keeps its low 32 bits, the rule of
    // platform::Value::intValue, which the game core's other readers use too.
    return static_cast<int32_t>(it->second.asInteger());
}

void JTIntIntMap::put(int32_t key, int32_t value) {
    entries_[keyText(key)] = platform::Value(value);
}

void JTIntIntMap::remove(int32_t key) {
    entries_.erase(keyText(key));
}

void JTIntIntMap::clear() {
    entries_.clear();
}

bool JTIntIntMap::save(const boost::intrusive_ptr<JTAppContext>&, const JTCore::JTStringPtr& name) {
    auto path = pathFor(name);
    if (!path) return false;
    // A file that was there but could not be read may hold what the player unlocked: it is
    // not saved over, unless it has gone since.
    if (unreadablePaths_.count(*path)) {
        std::error_code ec;
        if (std::filesystem::exists(std::filesystem::symlink_status(*path, ec))) return false;
        unreadablePaths_.erase(*path);
    }
    return util::WriteDictionaryToPlistFile(*path, platform::Value(entries_));
}

bool JTIntIntMap::load(const boost::intrusive_ptr<JTAppContext>&, const JTCore::JTStringPtr& name) {
    auto path = pathFor(name);
    if (!path) return false;
    auto stored = util::ReadStoredDictionary(*path, "-[JTIntIntMap load]");
    if (!stored.mayBeSaved()) unreadablePaths_.insert(*path);
    if (stored.state != util::StoredDictionary::State::Read) return false;
    unreadablePaths_.erase(*path);
    entries_ = std::move(*stored.dictionary.dictionaryPtr());
    return true;
}

}  // namespace JTAppBase
