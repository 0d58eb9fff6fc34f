#include "platform/runtime/ClassRegistry.h"

#include <algorithm>
#include <set>

namespace platform {

ClassRegistry& ClassRegistry::shared() {
    static ClassRegistry* registry = new ClassRegistry();
    return *registry;
}

bool ClassRegistry::add(std::string name, Entry entry) {
    if (name.empty()) return false;
    std::lock_guard lock(mutex_);
    return classes_.emplace(std::move(name), std::move(entry)).second;
}

bool ClassRegistry::registerName(std::string name, std::string superclass,
                                 std::vector<std::string> protocols) {
    Entry e;
    e.superclass = std::move(superclass);
    e.protocols = std::move(protocols);
    return add(std::move(name), std::move(e));
}

bool ClassRegistry::unregisterClass(const std::string& name) {
    std::lock_guard lock(mutex_);
    return classes_.erase(name) > 0;
}

bool ClassRegistry::hasClass(const std::string& name) const {
    std::lock_guard lock(mutex_);
    return classes_.count(name) > 0;
}

std::optional<std::string> ClassRegistry::superclassOf(const std::string& name) const {
    std::lock_guard lock(mutex_);
    auto it = classes_.find(name);
    if (it == classes_.end() || it->second.superclass.empty()) return std::nullopt;
    return it->second.superclass;
}

bool ClassRegistry::isKindOf(const std::string& name, const std::string& ancestor) const {
    std::lock_guard lock(mutex_);
    std::set<std::string> seen;  // a registration mistake must not loop forever
    std::string current = name;
    while (!current.empty() && seen.insert(current).second) {
        if (current == ancestor) return true;
        auto it = classes_.find(current);
        if (it == classes_.end()) return false;
        current = it->second.superclass;
    }
    return false;
}

template <typename Visit>
bool ClassRegistry::walkChain(const std::string& name, Visit visit) const {
    std::set<std::string> seen;  // a registration mistake must not loop forever
    std::string current = name;
    while (!current.empty() && seen.insert(current).second) {
        auto it = classes_.find(current);
        if (it == classes_.end()) return false;
        if (visit(it->second)) return true;
        current = it->second.superclass;
    }
    return false;
}

bool ClassRegistry::conformsTo(const std::string& name, const std::string& protocol) const {
    std::lock_guard lock(mutex_);
    return walkChain(name, [&](const Entry& e) {
        return std::find(e.protocols.begin(), e.protocols.end(), protocol) != e.protocols.end();
    });
}

bool ClassRegistry::addInstanceCalls(const std::string& name,
                                     const std::vector<std::string>& calls) {
    std::lock_guard lock(mutex_);
    auto it = classes_.find(name);
    if (it == classes_.end()) return false;
    auto& listed = it->second.instanceCalls;
    for (const auto& call : calls) {
        if (std::find(listed.begin(), listed.end(), call) == listed.end()) listed.push_back(call);
    }
    return true;
}

bool ClassRegistry::instancesRespondTo(const std::string& name, const std::string& call) const {
    std::lock_guard lock(mutex_);
    return walkChain(name, [&](const Entry& e) {
        return std::find(e.instanceCalls.begin(), e.instanceCalls.end(), call) !=
               e.instanceCalls.end();
    });
}

bool ClassRegistry::setRecordErased(const std::string& name, std::type_index type,
                                    std::shared_ptr<const void> record) {
    std::lock_guard lock(mutex_);
    auto it = classes_.find(name);
    if (it == classes_.end()) return false;
    it->second.recordType = type;
    it->second.record = std::move(record);
    return true;
}

std::shared_ptr<const void> ClassRegistry::recordErased(const std::string& name,
                                                        std::type_index type) const {
    std::lock_guard lock(mutex_);
    std::shared_ptr<const void> found;
    walkChain(name, [&](const Entry& e) {
        if (e.record && e.recordType == type) found = e.record;
        return found != nullptr;
    });
    return found;
}

std::shared_ptr<void> ClassRegistry::createErased(const std::string& name,
                                                  std::type_index type) const {
    std::function<std::shared_ptr<void>()> factory;
    {
        std::lock_guard lock(mutex_);
        auto it = classes_.find(name);
        if (it == classes_.end() || !it->second.factory || it->second.type != type) {
            return nullptr;
        }
        factory = it->second.factory;
    }
    // Outside the lock: a constructor may look up other classes.
    return factory();
}

}  // namespace platform
