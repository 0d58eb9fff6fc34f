#pragma once

// Classes by name, for the places that looked a class up from a string at run time (adapters
// named by a server, optional components): a factory, the superclass name and the protocols
// the class declares. Classes are registered by explicit calls at start-up. A class may also
// list the calls its instances answer and carry one typed class-side record (what a class
// method would have answered), so a caller knows "does not answer" without making an instance;
// both are inherited down the superclass chain, the nearest class's winning.

#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <typeindex>
#include <vector>

namespace platform {

class ClassRegistry {
  public:
    static ClassRegistry& shared();

    ClassRegistry() = default;
    ClassRegistry(const ClassRegistry&) = delete;
    ClassRegistry& operator=(const ClassRegistry&) = delete;

    // Registers `name` with a factory producing the interface type T (what callers will ask
    // for). Answers false, changing nothing, when the name is taken.
    template <typename T>
    bool registerClass(std::string name, std::string superclass, std::vector<std::string> protocols,
                       std::function<std::shared_ptr<T>()> factory) {
        Entry e;
        e.superclass = std::move(superclass);
        e.protocols = std::move(protocols);
        e.type = std::type_index(typeid(T));
        if (factory) {
            e.factory = [f = std::move(factory)]() -> std::shared_ptr<void> { return f(); };
        }
        return add(std::move(name), std::move(e));
    }
    // A name without a factory (known, but not creatable from here).
    bool registerName(std::string name, std::string superclass = {},
                      std::vector<std::string> protocols = {});
    // The calls instances of a registered class answer (added to what it listed before).
    // False for an unknown name.
    bool addInstanceCalls(const std::string& name, const std::vector<std::string>& calls);
    // Listed by the class or by one of its superclasses.
    bool instancesRespondTo(const std::string& name, const std::string& call) const;
    // The class-side record of type R; replaces an earlier one. False for an unknown name.
    template <typename R>
    bool setClassRecord(const std::string& name, R record) {
        return setRecordErased(name, std::type_index(typeid(R)),
                               std::make_shared<const R>(std::move(record)));
    }
    // The record of type R of the class or its nearest superclass that has one of that type;
    // nullptr when none does.
    template <typename R>
    std::shared_ptr<const R> classRecord(const std::string& name) const {
        return std::static_pointer_cast<const R>(recordErased(name, std::type_index(typeid(R))));
    }
    bool unregisterClass(const std::string& name);

    bool hasClass(const std::string& name) const;
    std::optional<std::string> superclassOf(const std::string& name) const;
    // True for the class itself and for every class up its superclass chain.
    bool isKindOf(const std::string& name, const std::string& ancestor) const;
    // Declared by the class or by one of its superclasses.
    bool conformsTo(const std::string& name, const std::string& protocol) const;

    // A new instance, or nullptr when the name is unknown, has no factory, or was registered
    // for a different interface type than T.
    template <typename T>
    std::shared_ptr<T> create(const std::string& name) const {
        auto made = createErased(name, std::type_index(typeid(T)));
        return std::static_pointer_cast<T>(made);
    }

  private:
    struct Entry {
        std::string superclass;
        std::vector<std::string> protocols;
        std::optional<std::type_index> type;
        std::function<std::shared_ptr<void>()> factory;
        std::vector<std::string> instanceCalls;
        std::optional<std::type_index> recordType;
        std::shared_ptr<const void> record;
    };

    bool add(std::string name, Entry entry);
    std::shared_ptr<void> createErased(const std::string& name, std::type_index type) const;
    bool setRecordErased(const std::string& name, std::type_index type,
                         std::shared_ptr<const void> record);
    std::shared_ptr<const void> recordErased(const std::string& name, std::type_index type) const;
    // Calls `visit` on the class and up its chain (each once) until it answers true. Under the
    // lock.
    template <typename Visit>
    bool walkChain(const std::string& name, Visit visit) const;

    mutable std::mutex mutex_;
    std::map<std::string, Entry> classes_;
};

}  // namespace platform
