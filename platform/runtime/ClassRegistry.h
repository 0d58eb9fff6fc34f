#pragma once

// Classes by name, for the places that looked a class up from a string at run time (adapters
// named by a server, optional components): a factory, the superclass name and the protocols
// the class declares. Classes are registered by explicit calls at start-up.

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
    };

    bool add(std::string name, Entry entry);
    std::shared_ptr<void> createErased(const std::string& name, std::type_index type) const;

    mutable std::mutex mutex_;
    std::map<std::string, Entry> classes_;
};

}  // namespace platform
