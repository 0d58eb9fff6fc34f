#include "platform/ui/ViewClasses.h"

#include <functional>
#include <memory>

#include "platform/runtime/ClassRegistry.h"
#include "platform/ui/ActivityIndicator.h"
#include "platform/ui/Button.h"
#include "platform/ui/ImageView.h"
#include "platform/ui/Label.h"
#include "platform/ui/PickerView.h"
#include "platform/ui/PixelContentView.h"
#include "platform/ui/ScrollView.h"
#include "platform/ui/Switch.h"
#include "platform/ui/TextView.h"
#include "platform/ui/Toolbar.h"

namespace platform::ui {

namespace {

struct ToolkitClass {
    const char* fileName;  // what interface files call it; null when files cannot make it
    const char* name;
    const char* superclass;
    std::function<std::shared_ptr<View>()> factory;  // empty: known by name only
};

template <typename T>
std::function<std::shared_ptr<View>()> make(std::function<std::shared_ptr<T>()> f) {
    return [f = std::move(f)]() -> std::shared_ptr<View> { return f(); };
}

const std::vector<ToolkitClass>& toolkitClasses() {
    static const auto* classes = new std::vector<ToolkitClass>{
        {"View", "UIView", "", make<View>([] { return View::create(); })},
        {nullptr, "UIWindow", "UIView", {}},
        {nullptr, "UIControl", "UIView", {}},
        {"Label", "UILabel", "UIView", make<Label>([] { return Label::create(); })},
        {"Button", "UIButton", "UIControl",
         make<Button>([] { return Button::create(ButtonType::Custom); })},
        {nullptr, "UITabBarButton", "UIButton", {}},
        {"ImageView", "UIImageView", "UIView", make<ImageView>([] { return ImageView::create(); })},
        {"Switch", "UISwitch", "UIControl", make<Switch>([] { return Switch::create(); })},
        {"ScrollView", "UIScrollView", "UIView",
         make<ScrollView>([] { return ScrollView::create(); })},
        {"TextView", "UITextView", "UIScrollView",
         make<TextView>([] { return TextView::create(); })},
        {"PickerView", "UIPickerView", "UIView",
         make<PickerView>([] { return PickerView::create(); })},
        {"Toolbar", "UIToolbar", "UIView", make<Toolbar>([] { return Toolbar::create(); })},
        {"ActivityIndicator", "UIActivityIndicatorView", "UIView",
         make<ActivityIndicator>([] { return ActivityIndicator::create(); })},
        {nullptr, "EAGLView", "UIView", {}},
        {nullptr, "PixelContentView", "UIView",
         make<PixelContentView>([] { return PixelContentView::create(); })},
    };
    return *classes;
}

}  // namespace

void registerViewClasses() {
    auto& registry = ClassRegistry::shared();
    if (registry.hasClass("UIView")) return;
    for (const auto& c : toolkitClasses()) {
        if (c.factory)
            registry.registerClass<View>(c.name, c.superclass, {}, c.factory);
        else
            registry.registerName(c.name, c.superclass);
    }
}

std::string classNameForInterfaceFile(const std::string& fileClass) {
    for (const auto& c : toolkitClasses())
        if (c.fileName && fileClass == c.fileName) return c.name;
    return fileClass;
}

bool isViewKindOf(const View& view, const std::string& className) {
    return ClassRegistry::shared().isKindOf(view.className(), className);
}

}  // namespace platform::ui
