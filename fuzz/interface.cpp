// Interface files: the JSON view trees of assets/ui, bound to an owner by outlet and action
// names.

#include "FuzzSupport.h"
#include "platform/runtime/ClassRegistry.h"
#include "platform/ui/InterfaceLoader.h"
#include "platform/ui/View.h"

namespace {

class Owner : public platform::ui::InterfaceOwner {
  public:
    BindResult bindOutlet(const std::string& name,
                          const std::shared_ptr<platform::ui::View>&) override {
        return name == "titleLabel" || name == "okBtn" ? BindResult::Bound
                                                       : BindResult::UnknownName;
    }
    bool hasAction(const std::string& name) const override { return name == "onOk"; }
    void performAction(const std::string&, platform::ui::Control*) override {}
    std::string ownerName() const override { return "Fuzz"; }
};

// A view with outlets of its own (as a native ad view has), which files can nest and name.
class Card : public platform::ui::View, public platform::ui::InterfaceOwner {
  public:
    BindResult bindOutlet(const std::string& name,
                          const std::shared_ptr<platform::ui::View>& view) override {
        if (name != "headline") return BindResult::UnknownName;
        headline_ = view;
        return BindResult::Bound;
    }
    bool hasAction(const std::string&) const override { return false; }
    void performAction(const std::string&, platform::ui::Control*) override {}
    std::string ownerName() const override { return "Card"; }

  private:
    std::weak_ptr<platform::ui::View> headline_;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using platform::ui::InterfaceLoader;
    static const bool registered =
        platform::ClassRegistry::shared().registerClass<platform::ui::View>(
            "Card", "UIView", {},
            [] { return std::shared_ptr<platform::ui::View>(std::make_shared<Card>()); });
    (void)registered;
    const std::string text(fuzz::bytes(data, size));
    auto bare = InterfaceLoader::loadFromString(text, "Fuzz.json", nullptr, {});
    FUZZ_CHECK(bare.view || !bare.error.empty());
    auto owner = std::make_shared<Owner>();
    auto bound = InterfaceLoader::loadFromString(text, "Fuzz.json", owner.get(), owner);
    FUZZ_CHECK(bound.view || !bound.error.empty());
    if (bound.view) bound.view->layoutIfNeeded();
    return 0;
}
