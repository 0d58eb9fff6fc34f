#include "platform/ui/InterfaceLoader.h"

#include <unistd.h>

#include <cmath>
#include <fstream>
#include <map>
#include <mutex>
#include <nlohmann/json.hpp>
#include <set>
#include <sstream>
#include <stdexcept>

#include "platform/ui/ActivityIndicator.h"
#include "platform/ui/Button.h"
#include "platform/ui/ImageView.h"
#include "platform/ui/Label.h"
#include "platform/ui/PickerView.h"
#include "platform/ui/ScrollView.h"
#include "platform/ui/Switch.h"
#include "platform/ui/TextView.h"
#include "platform/ui/Toolbar.h"

namespace platform::ui {

namespace {

using json = nlohmann::json;

struct LoadError : std::runtime_error {
    using std::runtime_error::runtime_error;
};

std::map<std::string, InterfaceLoader::Factory>& registry() {
    static std::map<std::string, InterfaceLoader::Factory> r;
    return r;
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

class Builder {
  public:
    Builder(InterfaceOwner* owner, std::weak_ptr<InterfaceOwner> ref)
        : owner_(owner), ref_(std::move(ref)) {}

    std::shared_ptr<View> build(const json& j, const std::string& path, int depth = 0) {
        if (!j.is_object()) fail(path, "a view must be an object");
        // Real screens are a few levels deep; a runaway file must not exhaust the stack.
        if (depth > kMaxDepth) fail(path, "views nested deeper than " + std::to_string(kMaxDepth));
        std::string cls = j.contains("class") ? str(j["class"], path + ".class") : "View";
        std::shared_ptr<View> v = make(cls, path);
        std::set<std::string> allowed = commonKeys();
        addKeysFor(cls, allowed);
        for (auto it = j.begin(); it != j.end(); ++it)
            if (!allowed.count(it.key()))
                fail(path, "unknown key \"" + it.key() + "\" for class " + cls);

        applyCommon(*v, j, path);
        applySpecific(cls, v, j, path);
        if (j.contains("subviews")) {
            const json& subs = j["subviews"];
            if (!subs.is_array()) fail(path, "\"subviews\" must be an array");
            for (std::size_t i = 0; i < subs.size(); ++i)
                v->addSubview(
                    build(subs[i], path + ".subviews[" + std::to_string(i) + "]", depth + 1));
        }
        if (j.contains("outlet")) bindOutlet(str(j["outlet"], path + ".outlet"), v, path);
        return v;
    }

  private:
    static constexpr int kMaxDepth = 32;

    [[noreturn]] static void fail(const std::string& path, const std::string& what) {
        throw LoadError(path + ": " + what);
    }

    static std::set<std::string> commonKeys() {
        return {"class",
                "outlet",
                "frame",
                "backgroundColor",
                "alpha",
                "hidden",
                "opaque",
                "clipsToBounds",
                "tag",
                "autoresizingMask",
                "autoresizesSubviews",
                "userInteractionEnabled",
                "multipleTouchEnabled",
                "subviews"};
    }

    static void addKeysFor(const std::string& cls, std::set<std::string>& k) {
        auto add = [&](std::initializer_list<const char*> keys) {
            for (auto* key : keys) k.insert(key);
        };
        if (cls == "Label")
            add({"text", "textColor", "fontSize", "bold", "textAlignment", "numberOfLines"});
        else if (cls == "Button")
            add({"buttonType", "title", "titles", "titleColor", "image", "backgroundImage",
                 "fontSize", "bold", "enabled", "selected", "action", "actions"});
        else if (cls == "ImageView")
            add({"image"});
        else if (cls == "Switch")
            add({"on", "enabled", "action", "actions"});
        else if (cls == "ScrollView")
            add({"contentSize"});
        else if (cls == "TextView")
            add({"contentSize", "text", "textColor", "fontSize", "bold", "textAlignment",
                 "editable"});
        else if (cls == "Toolbar")
            add({"items"});
        else if (cls == "ActivityIndicator")
            add({"style", "animating", "hidesWhenStopped"});
    }

    std::shared_ptr<View> make(const std::string& cls, const std::string& path) {
        if (cls == "View") return View::create();
        if (cls == "Label") return Label::create();
        if (cls == "Button") return Button::create(ButtonType::Custom);
        if (cls == "ImageView") return ImageView::create();
        if (cls == "Switch") return Switch::create();
        if (cls == "ScrollView") return ScrollView::create();
        if (cls == "TextView") return TextView::create();
        if (cls == "PickerView") return PickerView::create();
        if (cls == "Toolbar") return Toolbar::create();
        if (cls == "ActivityIndicator") return ActivityIndicator::create();
        auto it = registry().find(cls);
        if (it != registry().end())
            if (auto v = it->second()) return v;
        fail(path, "unknown class " + cls);
    }

    static std::string str(const json& j, const std::string& path) {
        if (!j.is_string()) fail(path, "expected a string");
        return j.get<std::string>();
    }
    static double num(const json& j, const std::string& path) {
        if (!j.is_number()) fail(path, "expected a number");
        return j.get<double>();
    }
    // A whole number within the limits (a tag beyond int would not survive the conversion).
    static int integer(const json& j, const std::string& path, double lo = -2147483648.0,
                       double hi = 2147483647.0) {
        double d = num(j, path);
        if (d != std::floor(d) || d < lo || d > hi) fail(path, "expected a whole number in range");
        return int(d);
    }
    static bool boolean(const json& j, const std::string& path) {
        if (!j.is_boolean()) fail(path, "expected true or false");
        return j.get<bool>();
    }
    static std::vector<double> numbers(const json& j, std::size_t n, const std::string& path) {
        if (!j.is_array() || j.size() != n)
            fail(path, "expected an array of " + std::to_string(n) + " numbers");
        std::vector<double> out;
        for (auto& e : j) {
            double d = num(e, path);
            if (std::fabs(d) > 100000) fail(path, "a coordinate or size beyond 100000 points");
            out.push_back(d);
        }
        return out;
    }
    // [r, g, b] or [r, g, b, a], components 0..1.
    static Color color(const json& j, const std::string& path) {
        if (!j.is_array() || (j.size() != 3 && j.size() != 4))
            fail(path, "a colour is [r, g, b] or [r, g, b, a]");
        float c[4] = {0, 0, 0, 1};
        for (std::size_t i = 0; i < j.size(); ++i) {
            double d = num(j[i], path);
            if (!(d >= 0 && d <= 1)) fail(path, "colour components lie in 0..1");
            c[i] = float(d);
        }
        return {c[0], c[1], c[2], c[3]};
    }
    static TextAlignment alignment(const json& j, const std::string& path) {
        std::string a = str(j, path);
        if (a == "left") return TextAlignment::Left;
        if (a == "center") return TextAlignment::Center;
        if (a == "right") return TextAlignment::Right;
        fail(path, "alignment is left, center or right");
    }
    static unsigned state(const std::string& s, const std::string& path) {
        if (s == "normal") return ControlStateNormal;
        if (s == "highlighted") return ControlStateHighlighted;
        if (s == "selected") return ControlStateSelected;
        if (s == "disabled") return ControlStateDisabled;
        fail(path, "unknown control state " + s);
    }
    static unsigned event(const std::string& s, const std::string& path) {
        static const std::map<std::string, unsigned> events = {
            {"touchDown", ControlEventTouchDown},
            {"touchUpInside", ControlEventTouchUpInside},
            {"touchUpOutside", ControlEventTouchUpOutside},
            {"touchCancel", ControlEventTouchCancel},
            {"valueChanged", ControlEventValueChanged},
        };
        auto it = events.find(s);
        if (it == events.end()) fail(path, "unknown control event " + s);
        return it->second;
    }

    void applyCommon(View& v, const json& j, const std::string& path) {
        if (j.contains("frame")) {
            auto f = numbers(j["frame"], 4, path + ".frame");
            v.setFrame({f[0], f[1], f[2], f[3]});
        }
        if (j.contains("backgroundColor"))
            v.setBackgroundColor(color(j["backgroundColor"], path + ".backgroundColor"));
        if (j.contains("alpha")) v.setAlpha(num(j["alpha"], path + ".alpha"));
        if (j.contains("hidden")) v.setHidden(boolean(j["hidden"], path + ".hidden"));
        if (j.contains("opaque")) v.setOpaque(boolean(j["opaque"], path + ".opaque"));
        if (j.contains("clipsToBounds"))
            v.setClipsToBounds(boolean(j["clipsToBounds"], path + ".clipsToBounds"));
        if (j.contains("tag")) v.setTag(integer(j["tag"], path + ".tag"));
        if (j.contains("autoresizingMask")) {
            double m = num(j["autoresizingMask"], path + ".autoresizingMask");
            if (m != std::floor(m) || m < 0 || m > 63)
                fail(path, "autoresizingMask must be a whole number in 0..63");
            v.setAutoresizingMask(unsigned(m));
        }
        if (j.contains("autoresizesSubviews"))
            v.setAutoresizesSubviews(boolean(j["autoresizesSubviews"], path));
        if (j.contains("userInteractionEnabled"))
            v.setUserInteractionEnabled(boolean(j["userInteractionEnabled"], path));
        if (j.contains("multipleTouchEnabled"))
            v.setMultipleTouchEnabled(boolean(j["multipleTouchEnabled"], path));
    }

    void applySpecific(const std::string& cls, const std::shared_ptr<View>& v, const json& j,
                       const std::string& path) {
        auto fontOf = [&](Font f) {
            if (j.contains("fontSize")) {
                f.size = num(j["fontSize"], path + ".fontSize");
                if (!(f.size >= 1 && f.size <= 200)) fail(path, "fontSize must lie in 1..200");
            }
            if (j.contains("bold")) f.bold = boolean(j["bold"], path + ".bold");
            return f;
        };
        if (auto l = std::dynamic_pointer_cast<Label>(v); l && cls == "Label") {
            if (j.contains("text")) l->setText(str(j["text"], path + ".text"));
            if (j.contains("textColor")) l->setTextColor(color(j["textColor"], path));
            l->setFont(fontOf(l->font()));
            if (j.contains("textAlignment"))
                l->setTextAlignment(alignment(j["textAlignment"], path));
            if (j.contains("numberOfLines"))
                l->setNumberOfLines(integer(j["numberOfLines"], path + ".numberOfLines", 0, 1000));
        } else if (auto b = std::dynamic_pointer_cast<Button>(v); b && cls == "Button") {
            if (j.contains("buttonType")) {
                std::string t = str(j["buttonType"], path + ".buttonType");
                if (t == "roundedRect") {
                    b = std::static_pointer_cast<Button>(v);
                    b->setButtonType(ButtonType::RoundedRect);
                    b->setBackgroundColor(Color::whiteColor());
                    b->setTitleColor({0.2f, 0.3f, 0.5f, 1}, ControlStateNormal);
                } else if (t != "custom") {
                    fail(path, "buttonType is custom or roundedRect");
                }
            }
            if (j.contains("title"))
                b->setTitle(str(j["title"], path + ".title"), ControlStateNormal);
            if (j.contains("titles")) {
                const json& t = j["titles"];
                if (!t.is_object()) fail(path, "\"titles\" maps states to titles");
                for (auto it = t.begin(); it != t.end(); ++it)
                    b->setTitle(str(it.value(), path + ".titles"), state(it.key(), path));
            }
            if (j.contains("titleColor"))
                b->setTitleColor(color(j["titleColor"], path), ControlStateNormal);
            if (j.contains("image"))
                b->setImage(image(str(j["image"], path + ".image"), path), ControlStateNormal);
            if (j.contains("backgroundImage"))
                b->setBackgroundImage(image(str(j["backgroundImage"], path), path),
                                      ControlStateNormal);
            b->setFont(fontOf(b->font()));
            if (j.contains("enabled")) b->setEnabled(boolean(j["enabled"], path + ".enabled"));
            if (j.contains("selected")) b->setSelected(boolean(j["selected"], path + ".selected"));
            bindActions(*b, j, ControlEventTouchUpInside, path);
        } else if (auto iv = std::dynamic_pointer_cast<ImageView>(v); iv && cls == "ImageView") {
            if (j.contains("image")) iv->setImage(image(str(j["image"], path + ".image"), path));
        } else if (auto s = std::dynamic_pointer_cast<Switch>(v); s && cls == "Switch") {
            if (j.contains("on")) s->setOn(boolean(j["on"], path + ".on"));
            if (j.contains("enabled")) s->setEnabled(boolean(j["enabled"], path + ".enabled"));
            bindActions(*s, j, ControlEventValueChanged, path);
        } else if (auto tv = std::dynamic_pointer_cast<TextView>(v); tv && cls == "TextView") {
            if (j.contains("text")) tv->setText(str(j["text"], path + ".text"));
            if (j.contains("textColor")) tv->setTextColor(color(j["textColor"], path));
            tv->setFont(fontOf(tv->font()));
            if (j.contains("textAlignment"))
                tv->setTextAlignment(alignment(j["textAlignment"], path));
            if (j.contains("editable")) tv->setEditable(boolean(j["editable"], path));
            if (j.contains("contentSize")) {
                auto c = numbers(j["contentSize"], 2, path + ".contentSize");
                tv->setContentSize({c[0], c[1]});
            }
        } else if (auto sv = std::dynamic_pointer_cast<ScrollView>(v); sv && cls == "ScrollView") {
            if (j.contains("contentSize")) {
                auto c = numbers(j["contentSize"], 2, path + ".contentSize");
                sv->setContentSize({c[0], c[1]});
            }
        } else if (auto tb = std::dynamic_pointer_cast<Toolbar>(v); tb && cls == "Toolbar") {
            if (j.contains("items")) tb->setItems(items(j["items"], path + ".items"));
        } else if (auto ai = std::dynamic_pointer_cast<ActivityIndicator>(v);
                   ai && cls == "ActivityIndicator") {
            if (j.contains("style")) {
                std::string st = str(j["style"], path + ".style");
                if (st == "whiteLarge")
                    ai->setStyle(ActivityIndicatorStyle::WhiteLarge);
                else if (st == "white")
                    ai->setStyle(ActivityIndicatorStyle::White);
                else if (st == "gray")
                    ai->setStyle(ActivityIndicatorStyle::Gray);
                else
                    fail(path, "style is whiteLarge, white or gray");
            }
            if (j.contains("hidesWhenStopped"))
                ai->setHidesWhenStopped(boolean(j["hidesWhenStopped"], path));
            if (j.contains("animating") && boolean(j["animating"], path)) ai->startAnimating();
        }
    }

    static ImagePtr image(const std::string& name, const std::string&) {
        // A missing picture shows nothing rather than failing the screen.
        return Image::named(name);
    }

    std::vector<std::shared_ptr<BarButtonItem>> items(const json& j, const std::string& path) {
        if (!j.is_array()) fail(path, "\"items\" must be an array");
        static const std::map<std::string, SystemItem> systems = {
            {"done", SystemItem::Done},
            {"cancel", SystemItem::Cancel},
            {"edit", SystemItem::Edit},
            {"save", SystemItem::Save},
            {"add", SystemItem::Add},
            {"flexibleSpace", SystemItem::FlexibleSpace},
            {"fixedSpace", SystemItem::FixedSpace},
            {"refresh", SystemItem::Refresh},
            {"stop", SystemItem::Stop},
            {"play", SystemItem::Play},
            {"pause", SystemItem::Pause},
        };
        std::vector<std::shared_ptr<BarButtonItem>> out;
        for (std::size_t i = 0; i < j.size(); ++i) {
            std::string p = path + "[" + std::to_string(i) + "]";
            const json& e = j[i];
            if (!e.is_object()) fail(p, "an item must be an object");
            for (auto it = e.begin(); it != e.end(); ++it)
                if (it.key() != "system" && it.key() != "title" && it.key() != "action" &&
                    it.key() != "width" && it.key() != "tag")
                    fail(p, "unknown key \"" + it.key() + "\" for a bar item");
            std::shared_ptr<BarButtonItem> item;
            if (e.contains("system")) {
                auto s = systems.find(str(e["system"], p + ".system"));
                if (s == systems.end()) fail(p, "unknown system item");
                item = BarButtonItem::createSystem(s->second);
            } else {
                item = BarButtonItem::createWithTitle(
                    e.contains("title") ? str(e["title"], p + ".title") : "",
                    BarButtonItemStyle::Bordered);
            }
            if (e.contains("width")) item->setWidth(num(e["width"], p + ".width"));
            if (e.contains("tag")) item->setTag(integer(e["tag"], p + ".tag"));
            if (e.contains("action")) {
                std::string name = str(e["action"], p + ".action");
                checkAction(name, p);
                auto ref = ref_;
                item->setAction([ref, name](BarButtonItem&) {
                    if (auto o = ref.lock()) o->performAction(name, nullptr);
                });
            }
            out.push_back(item);
        }
        return out;
    }

    void checkAction(const std::string& name, const std::string& path) {
        if (owner_ && !owner_->hasAction(name))
            fail(path, owner_->ownerName() + " has no action \"" + name + "\"");
    }

    void bindActions(Control& c, const json& j, unsigned defaultEvent, const std::string& path) {
        auto bind = [&](const std::string& name, unsigned ev) {
            checkAction(name, path);
            if (!owner_) return;
            auto ref = ref_;
            c.addTarget(
                [ref, name](Control* sender) {
                    if (auto o = ref.lock()) o->performAction(name, sender);
                },
                ev);
        };
        if (j.contains("action")) bind(str(j["action"], path + ".action"), defaultEvent);
        if (j.contains("actions")) {
            const json& a = j["actions"];
            if (!a.is_object()) fail(path, "\"actions\" maps control events to action names");
            for (auto it = a.begin(); it != a.end(); ++it)
                bind(str(it.value(), path + ".actions"), event(it.key(), path));
        }
    }

    void bindOutlet(const std::string& name, const std::shared_ptr<View>& v,
                    const std::string& path) {
        if (!owner_) return;
        switch (owner_->bindOutlet(name, v)) {
            case InterfaceOwner::BindResult::Bound:
                return;
            case InterfaceOwner::BindResult::UnknownName:
                fail(path, owner_->ownerName() + " has no outlet \"" + name + "\"");
            case InterfaceOwner::BindResult::WrongClass:
                fail(path, "outlet \"" + name + "\" of " + owner_->ownerName() + " cannot hold a " +
                               v->className());
        }
    }

    InterfaceOwner* owner_;
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
    std::ifstream in(searchDirectory() + "/" + name + ".json");
    return in.good();
}

void InterfaceLoader::registerClass(const std::string& className, Factory factory) {
    std::lock_guard lock(gMutex);
    registry()[className] = std::move(factory);
}

InterfaceLoader::Result InterfaceLoader::loadFromString(const std::string& text,
                                                        const std::string& fileName,
                                                        InterfaceOwner* owner,
                                                        std::weak_ptr<InterfaceOwner> ref) {
    json j = json::parse(text, nullptr, false);
    if (j.is_discarded()) return {nullptr, fileName + ": not valid JSON"};
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
    std::ifstream in(InterfaceLoader::searchDirectory() + "/" + file, std::ios::binary);
    if (!in) return {nullptr, file + ": cannot be read"};
    std::stringstream ss;
    ss << in.rdbuf();
    return InterfaceLoader::loadFromString(ss.str(), file, owner, std::move(ref));
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
