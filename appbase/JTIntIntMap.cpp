#include "appbase/JTIntIntMap.h"

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
    // A stored value wider than 32 bits keeps its low 32 bits, as the original's intValue did.
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
    return path && util::WriteDictionaryToPlistFile(*path, platform::Value(entries_));
}

bool JTIntIntMap::load(const boost::intrusive_ptr<JTAppContext>&, const JTCore::JTStringPtr& name) {
    auto path = pathFor(name);
    if (!path) return false;
    auto dictionary = util::ReadDictionaryFromPlistFile(*path);
    if (!dictionary || !dictionary->isDictionary()) return false;
    entries_ = std::move(*dictionary->dictionaryPtr());
    return true;
}

}  // namespace JTAppBase
