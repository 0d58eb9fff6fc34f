#include "platform/ui/InterfaceLoader.h"

#include <unistd.h>

#include <cmath>
#include <map>
#include <mutex>
#include <nlohmann/json.hpp>
#include <set>
#include <stdexcept>

#include "platform/runtime/ClassRegistry.h"
#include "platform/storage/AtomicFile.h"
#include "platform/ui/InterfaceProperties.h"
#include "platform/ui/View.h"
#include "platform/ui/ViewClasses.h"

namespace platform::ui {

namespace {

using json = nlohmann::json;

struct LoadError : std::runtime_error {
    using std::runtime_error::runtime_error;
};

[[noreturn]] void fail(const std::string& path, const std::string& what) {
    throw LoadError(path + ": " + what);
}

std::string str(const json& j, const std::string& path) {
    if (!j.is_string()) fail(path, "expected a string");
    return j.get<std::string>();
}

std::string& searchDir() {
    static std::string dir;
    return dir;
}

std::string defaultSearchDir() {
    char buf[4096];
    ssize_t n = readlink("/proc/self/exe", buf, sizeof buf - 1);
    if (n <= 0) return "assets/ui";
    std::string exe(buf, std::size_t(n));
    return exe.substr(0, exe.rfind('/')) + "/assets/ui";
}

bool isPlainName(const std::string& name) {
    if (name.empty() || name.size() > 200) return false;
    for (char c : name)
        if (!(std::isalnum(static_cast<unsigned char>(c)) || c == '_' || c == '-')) return false;
    return true;
}

// One object of the file, read by the view class it makes. Remembers the keys asked for, so
// that whatever no class asked for can be refused afterwards.
class JsonProperties final : public InterfaceProperties {
  public:
    JsonProperties(const json& object, std::string path, std::string subject, InterfaceOwner* owner,
                   const std::weak_ptr<InterfaceOwner>& ownerRef)
        : j_(object),
          path_(std::move(path)),
          subject_(std::move(subject)),
          owner_(owner),
          ownerRef_(ownerRef) {}

    void markKnown(std::initializer_list<const char*> keys) {
        for (auto* k : keys) known_.insert(k);
    }
    void refuseUnknownKeys() {
        for (auto it = j_.begin(); it != j_.end(); ++it)
            if (!known_.count(it.key())) fail("unknown key \"" + it.key() + "\" for " + subject_);
    }

    bool has(const std::string& key) override {
        known_.insert(key);
        return j_.contains(key);
    }
    std::string string(const std::string& key) override { return str(at(key), place(key)); }
    double number(const std::string& key) override {
        const json& v = at(key);
        if (!v.is_number()) ::platform::ui::fail(place(key), "expected a number");
        return v.get<double>();
    }
    bool boolean(const std::string& key) override {
        const json& v = at(key);
        if (!v.is_boolean()) ::platform::ui::fail(place(key), "expected true or false");
        return v.get<bool>();
    }
    std::vector<double> numberArray(const std::string& key, const std::string& expected) override {
        const json& v = at(key);
        if (!v.is_array()) ::platform::ui::fail(place(key), expected);
        std::vector<double> out;
        for (auto& e : v) {
            if (!e.is_number()) ::platform::ui::fail(place(key), "expected a number");
            out.push_back(e.get<double>());
        }
        return out;
    }
    std::vector<std::pair<std::string, std::string>> strings(const std::string& key,
                                                             const std::string& expected) override {
        const json& v = at(key);
        if (!v.is_object()) ::platform::ui::fail(place(key), expected);
        std::vector<std::pair<std::string, std::string>> out;
        for (auto it = v.begin(); it != v.end(); ++it)
            out.emplace_back(it.key(), str(it.value(), place(key) + "." + it.key()));
        return out;
    }
    void objects(const std::string& key, const std::string& what,
                 const std::function<void(InterfaceProperties&)>& read) override {
        const json& v = at(key);
        if (!v.is_array()) ::platform::ui::fail(place(key), "\"" + key + "\" must be an array");
        for (std::size_t i = 0; i < v.size(); ++i) {
            std::string p = place(key) + "[" + std::to_string(i) + "]";
            if (!v[i].is_object()) ::platform::ui::fail(p, what + " must be an object");
            JsonProperties item(v[i], p, what, owner_, ownerRef_);
            read(item);
            item.refuseUnknownKeys();
        }
    }
    std::function<void(Control*)> action(const std::string& name) override {
        if (!owner_) return {};
        if (!owner_->hasAction(name)) fail(owner_->ownerName() + " has no action \"" + name + "\"");
        return [ref = ownerRef_, name](Control* sender) {
            if (auto o = ref.lock()) o->performAction(name, sender);
        };
    }
    ImagePtr picture(const std::string& name) override {
        return owner_ ? owner_->interfaceImageNamed(name) : nullptr;
    }

  protected:
    void raise(const std::string& what) override { ::platform::ui::fail(path_, what); }

  private:
    const json& at(const std::string& key) {
        known_.insert(key);
        if (!j_.contains(key)) fail("missing key \"" + key + "\"");
        return j_[key];
    }
    std::string place(const std::string& key) const { return path_ + "." + key; }

    const json& j_;
    std::string path_;
    std::string subject_;
    InterfaceOwner* owner_;
    std::weak_ptr<InterfaceOwner> ownerRef_;
    std::set<std::string> known_;
};

class Builder {
  public:
    Builder(InterfaceOwner* owner, std::weak_ptr<InterfaceOwner> ref)
        : owner_(owner), ref_(std::move(ref)) {}

    std::shared_ptr<View> build(const json& j, const std::string& path, int depth = 0) {
        if (!j.is_object()) fail(path, "a view must be an object");
        // Real screens are a few levels deep; a runaway file must not exhaust the stack.
        if (depth > kMaxDepth) fail(path, "views nested deeper than " + std::to_string(kMaxDepth));
        std::string cls = j.contains("class") ? str(j["class"], path + ".class") : "View";
        auto v = ClassRegistry::shared().create<View>(classNameForInterfaceFile(cls));
        if (!v) fail(path, "unknown class " + cls);

        JsonProperties properties(j, path, "class " + cls, owner_, ref_);
        properties.markKnown({"class", "outlet", "subviews"});
        v->applyInterfaceProperties(properties);
        properties.refuseUnknownKeys();
        if (j.contains("subviews")) {
            const json& subs = j["subviews"];
            if (!subs.is_array()) fail(path, "\"subviews\" must be an array");
            // A view that owns outlets of its own (a native ad view's asset views) takes its
            // subviews' outlets before the file's owner does.
            auto* viewOwner = dynamic_cast<InterfaceOwner*>(v.get());
            if (viewOwner) viewOwners_.push_back(viewOwner);
            for (std::size_t i = 0; i < subs.size(); ++i)
                v->addSubview(
                    build(subs[i], path + ".subviews[" + std::to_string(i) + "]", depth + 1));
            if (viewOwner) viewOwners_.pop_back();
        }
        if (j.contains("outlet")) bindOutlet(str(j["outlet"], path + ".outlet"), v, path);
        return v;
    }

  private:
    static constexpr int kMaxDepth = 32;

    void bindOutlet(const std::string& name, const std::shared_ptr<View>& v,
                    const std::string& path) {
        // The nearest enclosing view that knows the name binds it.
        for (auto it = viewOwners_.rbegin(); it != viewOwners_.rend(); ++it)
            if (bind(**it, name, v, path)) return;
        if (owner_) bind(*owner_, name, v, path, true);
    }

    // Whether `owner` took the outlet; a name it does not know fails the load only when it is
    // the last to ask.
    bool bind(InterfaceOwner& owner, const std::string& name, const std::shared_ptr<View>& v,
              const std::string& path, bool last = false) {
        switch (owner.bindOutlet(name, v)) {
            case InterfaceOwner::BindResult::Bound:
                return true;
            case InterfaceOwner::BindResult::UnknownName:
                if (!last) return false;
                fail(path, owner.ownerName() + " has no outlet \"" + name + "\"");
            case InterfaceOwner::BindResult::WrongClass:
                fail(path, "outlet \"" + name + "\" of " + owner.ownerName() + " cannot hold a " +
                               v->className());
        }
        return false;
    }

    InterfaceOwner* owner_;
    std::vector<InterfaceOwner*> viewOwners_;
    std::weak_ptr<InterfaceOwner> ref_;
};

std::mutex gMutex;

}  // namespace

void InterfaceLoader::setSearchDirectory(std::string dir) {
    std::lock_guard lock(gMutex);
    searchDir() = std::move(dir);
}

std::string InterfaceLoader::searchDirectory() {
    std::lock_guard lock(gMutex);
    if (searchDir().empty()) searchDir() = defaultSearchDir();
    return searchDir();
}

bool InterfaceLoader::exists(const std::string& name) {
    if (!isPlainName(name)) return false;
    return ::access((searchDirectory() + "/" + name + ".json").c_str(), R_OK) == 0;
}

InterfaceLoader::Result InterfaceLoader::loadFromString(const std::string& text,
                                                        const std::string& fileName,
                                                        InterfaceOwner* owner,
                                                        std::weak_ptr<InterfaceOwner> ref) {
    json j = json::parse(text, nullptr, false);
    if (j.is_discarded()) return {nullptr, fileName + ": not valid JSON"};
    registerViewClasses();
    try {
        Builder b(owner, std::move(ref));
        return {b.build(j, fileName), {}};
    } catch (const LoadError& e) {
        return {nullptr, e.what()};
    } catch (const json::exception& e) {
        return {nullptr, fileName + ": " + e.what()};
    }
}

namespace {

InterfaceLoader::Result loadNamed(const std::string& name, InterfaceOwner* owner,
                                  std::weak_ptr<InterfaceOwner> ref) {
    std::string file = name + ".json";
    if (!isPlainName(name)) return {nullptr, "\"" + name + "\": not an interface file name"};
    auto text = AtomicFile::read(InterfaceLoader::searchDirectory() + "/" + file);
    if (!text) return {nullptr, file + ": cannot be read"};
    return InterfaceLoader::loadFromString(*text, file, owner, std::move(ref));
}

}  // namespace

InterfaceLoader::Result InterfaceLoader::load(const std::string& name, InterfaceOwner& owner,
                                              std::weak_ptr<InterfaceOwner> ref) {
    return loadNamed(name, &owner, std::move(ref));
}

InterfaceLoader::Result InterfaceLoader::load(const std::string& name) {
    return loadNamed(name, nullptr, {});
}

}  // namespace platform::ui
