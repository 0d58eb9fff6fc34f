#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "platform/runtime/ClassRegistry.h"
#include "platform/runtime/MainLoopTestScope.h"
#include "platform/ui/ActivityIndicator.h"
#include "platform/ui/Button.h"
#include "platform/ui/ImageView.h"
#include "platform/ui/InterfaceLoader.h"
#include "platform/ui/InterfaceProperties.h"
#include "platform/ui/Label.h"
#include "platform/ui/PickerView.h"
#include "platform/ui/PixelContentView.h"
#include "platform/ui/ScrollView.h"
#include "platform/ui/Switch.h"
#include "platform/ui/TextView.h"
#include "platform/ui/Toolbar.h"
#include "platform/ui/ViewClasses.h"
#include "platform/ui/ViewController.h"

using namespace platform::ui;

namespace {

class Owner : public ViewController {
  public:
    explicit Owner(std::string nib = {}) : ViewController(std::move(nib)) {
        outlet("titleLabel", titleLabel);
        outlet("okBtn", okBtn);
        outlet("picker", picker);  // no file below provides it
        action("onOk", [this](Control* sender) { calls.push_back(sender ? "ok" : "ok(nil)"); });
        action("onToggle", [this](Control*) { calls.push_back("toggle"); });
    }
    std::shared_ptr<Label> titleLabel;
    std::shared_ptr<Button> okBtn;
    std::shared_ptr<PickerView> picker;
    std::vector<std::string> calls;
};

// A class the toolkit does not know, as an ad view would be: a label with a key of its own.
class SlotLabel : public Label {
  public:
    const char* className() const override { return "SlotLabel"; }
    std::string slotSize;
    void applyInterfaceProperties(InterfaceProperties& p) override {
        Label::applyInterfaceProperties(p);
        if (p.has("slotSize")) slotSize = p.string("slotSize");
    }
};

InterfaceLoader::Result load(const std::shared_ptr<Owner>& owner, const std::string& text) {
    return InterfaceLoader::loadFromString(text, "Test.json", owner.get(), owner);
}

}  // namespace

TEST(InterfaceLoader, BuildsTheTreeAndBindsOutletsAndActions) {
    auto owner = std::make_shared<Owner>();
    auto r = load(owner, R"({
      "frame": [0, 0, 320, 480], "backgroundColor": [0, 0, 0.5],
      "subviews": [
        {"class": "Label", "outlet": "titleLabel", "frame": [10, 10, 300, 30],
         "text": "Hello", "textAlignment": "center", "fontSize": 24, "bold": true},
        {"class": "Button", "outlet": "okBtn", "frame": [10, 60, 100, 40], "tag": 4,
         "title": "OK", "titles": {"highlighted": "OK!"}, "action": "onOk"},
        {"class": "Switch", "frame": [10, 120, 79, 27], "on": true, "action": "onToggle"},
        {"class": "TextView", "frame": [0, 200, 320, 100], "text": "info", "editable": false},
        {"class": "Toolbar", "frame": [0, 436, 320, 44],
         "items": [{"system": "flexibleSpace"}, {"system": "done", "action": "onOk"}]}
      ]})");
    ASSERT_TRUE(r.view) << r.error;
    EXPECT_EQ(r.view->subviews().size(), 5u);
    EXPECT_EQ(r.view->backgroundColor(), (Color{0, 0, 0.5f, 1}));
    ASSERT_TRUE(owner->titleLabel);
    EXPECT_EQ(owner->titleLabel->text(), "Hello");
    EXPECT_EQ(owner->titleLabel->font(), (Font{24, true}));
    EXPECT_EQ(owner->titleLabel->textAlignment(), TextAlignment::Center);
    ASSERT_TRUE(owner->okBtn);
    EXPECT_EQ(owner->okBtn->tag(), 4);
    EXPECT_EQ(owner->okBtn->titleForState(ControlStateHighlighted), "OK!");
    EXPECT_EQ(owner->picker, nullptr);  // a missing outlet is allowed

    owner->okBtn->tap();
    auto sw = std::dynamic_pointer_cast<Switch>(r.view->subviews()[2]);
    ASSERT_TRUE(sw);
    EXPECT_TRUE(sw->isOn());
    sw->tap();
    EXPECT_FALSE(sw->isOn());
    auto bar = std::dynamic_pointer_cast<Toolbar>(r.view->subviews()[4]);
    ASSERT_TRUE(bar);
    bar->items()[1]->tap();
    EXPECT_EQ(owner->calls, (std::vector<std::string>{"ok", "toggle", "ok(nil)"}));

    // Actions hold the owner weakly: a control that outlives its screen does nothing.
    auto button = owner->okBtn;
    owner.reset();
    button->tap();
}

TEST(InterfaceLoader, ErrorsNameTheFileAndTheProblem) {
    auto owner = std::make_shared<Owner>();
    struct Case {
        const char* json;
        const char* expect;
    } cases[] = {
        {R"({"class": "Label", "colour": [1, 0, 0]})", "unknown key \"colour\" for class Label"},
        {R"({"subviews": [{"class": "Button", "text": "x"}]})",
         "Test.json.subviews[0]: unknown key \"text\" for class Button"},
        {R"({"class": "Gadget"})", "unknown class Gadget"},
        {R"({"outlet": "nothing"})", "has no outlet \"nothing\""},
        {R"({"class": "Label", "outlet": "okBtn"})", "outlet \"okBtn\""},
        {R"({"class": "Button", "action": "onMissing"})", "has no action \"onMissing\""},
        {R"({"frame": [0, 0, 10]})", "expected an array of 4 numbers"},
        {R"({"frame": "wide"})", "expected an array of 4 numbers"},
        {R"({"hidden": 1})", "expected true or false"},
        {R"({"autoresizingMask": 99})", "0..63"},
        {R"({"autoresizingMask": 2.5})", "0..63"},
        {R"({"backgroundColor": [0, 0, 255]})", "colour components lie in 0..1"},
        {R"({"class": "Label", "textColor": [1, -1, 0, 1]})", "colour components lie in 0..1"},
        {R"({"class": "Toolbar", "items": [{"title": "Go", "outlet": "goItem"}]})",
         "unknown key \"outlet\" for a bar item"},
        {R"([1, 2])", "a view must be an object"},
        {R"({"class": )", "Test.json: not valid JSON"},
        {R"({"tag": 1e20})", "expected a whole number in range"},
        {R"({"frame": [0, 0, 1e12, 10]})", "beyond 100000 points"},
        {R"({"tag": 1.5})", "expected a whole number in range"},
        {R"({"class": "Label", "fontSize": 100000})", "fontSize must lie in 1..200"},
    };
    std::string deep;
    for (int i = 0; i < 40; ++i) deep += R"({"subviews": [)";
    deep += "{}";
    for (int i = 0; i < 40; ++i) deep += "]}";
    auto tooDeep = load(owner, deep);
    EXPECT_EQ(tooDeep.view, nullptr);
    EXPECT_NE(tooDeep.error.find("nested deeper than"), std::string::npos) << tooDeep.error;
    for (auto& c : cases) {
        auto r = load(owner, c.json);
        EXPECT_EQ(r.view, nullptr) << c.json;
        EXPECT_NE(r.error.find(c.expect), std::string::npos) << c.json << " -> " << r.error;
        EXPECT_EQ(r.error.rfind("Test.json", 0), 0u) << r.error;
    }
}

TEST(InterfaceLoader, ControllerLoadsItsFileLazilyAndSurvivesABrokenOne) {
    platform::MainLoopTestScope loop;
    InterfaceLoader::setSearchDirectory(std::string(MOVU_BINARY_DIR) + "/ui-loader-test");
    std::filesystem::create_directories(std::string(MOVU_BINARY_DIR) + "/ui-loader-test");
    {
        std::ofstream(std::string(MOVU_BINARY_DIR) + "/ui-loader-test/Good.json")
            << R"({"frame": [0, 0, 320, 480], "subviews": [{"class": "Label", "outlet": "titleLabel"}]})";
        std::ofstream(std::string(MOVU_BINARY_DIR) + "/ui-loader-test/Bad.json")
            << R"({"oops": 1})";
    }
    auto good = std::make_shared<Owner>("Good");
    EXPECT_FALSE(good->isViewLoaded());
    EXPECT_TRUE(good->view());
    EXPECT_TRUE(good->titleLabel);
    EXPECT_TRUE(good->loadError().empty());

    auto bad = std::make_shared<Owner>("Bad");
    ASSERT_TRUE(bad->view());  // an empty screen instead of a crash
    EXPECT_NE(bad->loadError().find("Bad.json"), std::string::npos);

    auto missing = std::make_shared<Owner>("../Good");
    ASSERT_TRUE(missing->view());
    EXPECT_NE(missing->loadError().find("not an interface file name"), std::string::npos);
    InterfaceLoader::setSearchDirectory({});
}

TEST(InterfaceLoader, ToolkitClassesAreRegisteredByNameWithTheirSuperclasses) {
    registerViewClasses();
    auto& registry = platform::ClassRegistry::shared();
    // Every class a file can name is made by the registry under the name the view reports.
    for (const char* file : {"View", "Label", "Button", "ImageView", "Switch", "ScrollView",
                             "TextView", "PickerView", "Toolbar", "ActivityIndicator"}) {
        std::string name = classNameForInterfaceFile(file);
        auto v = registry.create<View>(name);
        ASSERT_TRUE(v) << file;
        EXPECT_EQ(name, v->className()) << file;
        EXPECT_TRUE(registry.isKindOf(name, "UIView")) << file;
    }
    EXPECT_TRUE(registry.isKindOf("UITextView", "UIScrollView"));
    EXPECT_TRUE(registry.isKindOf("UIButton", "UIControl"));
    EXPECT_TRUE(registry.isKindOf("UITabBarButton", "UIButton"));
    EXPECT_TRUE(registry.isKindOf("UIWindow", "UIView"));
    EXPECT_FALSE(registry.isKindOf("UILabel", "UIScrollView"));
    EXPECT_TRUE(isViewKindOf(*TextView::create(), "UIScrollView"));
    EXPECT_TRUE(isViewKindOf(*PixelContentView::create(), "UIView"));
    EXPECT_FALSE(isViewKindOf(*ImageView::create(), "UIControl"));
    // A registered name stands for itself in files too.
    EXPECT_EQ(classNameForInterfaceFile("UILabel"), "UILabel");
    EXPECT_EQ(classNameForInterfaceFile("ActivityIndicator"), "UIActivityIndicatorView");

    // A registry emptied in between is filled again before the next file is read.
    registry.unregisterClass("UIView");
    auto again =
        InterfaceLoader::loadFromString(R"({"class": "ScrollView"})", "T.json", nullptr, {});
    ASSERT_TRUE(again.view) << again.error;
    EXPECT_TRUE(registry.hasClass("UIView"));
}

TEST(InterfaceLoader, FilesMakeAnyRegisteredViewClassWithItsInheritedKeys) {
    auto& registry = platform::ClassRegistry::shared();
    ASSERT_TRUE(registry.registerClass<View>("SlotLabel", "UILabel", {}, [] {
        return std::shared_ptr<View>(std::make_shared<SlotLabel>());
    }));
    auto r = InterfaceLoader::loadFromString(
        R"({"class": "SlotLabel", "text": "Ad", "slotSize": "banner", "frame": [0, 0, 320, 50]})",
        "T.json", nullptr, {});
    ASSERT_TRUE(r.view) << r.error;
    auto* slot = static_cast<SlotLabel*>(r.view.get());
    EXPECT_EQ(slot->slotSize, "banner");
    EXPECT_EQ(slot->text(), "Ad");
    EXPECT_TRUE(isViewKindOf(*slot, "UILabel"));
    // Its own key means nothing to its superclass.
    auto plain = InterfaceLoader::loadFromString(R"({"class": "Label", "slotSize": "banner"})",
                                                 "T.json", nullptr, {});
    EXPECT_NE(plain.error.find("unknown key \"slotSize\" for class Label"), std::string::npos)
        << plain.error;
    // A registered class that is no view is no class for a file.
    registry.registerName("NotAView");
    EXPECT_NE(InterfaceLoader::loadFromString(R"({"class": "NotAView"})", "T.json", nullptr, {})
                  .error.find("unknown class NotAView"),
              std::string::npos);
    registry.unregisterClass("NotAView");
    registry.unregisterClass("SlotLabel");
}

namespace {

// An owner with pictures of its own, as the game's screens have the bundle's.
class PictureOwner : public Owner {
  public:
    ImagePtr interfaceImageNamed(const std::string& name) override {
        asked.push_back(name);
        return name == "icon.png" ? std::make_shared<Image>(name, Size{20, 20}) : nullptr;
    }
    std::vector<std::string> asked;
};

}  // namespace

TEST(InterfaceLoader, PicturesComeFromTheOwnerAndAMissingOneShowsNothing) {
    const char* text = R"({"frame": [0, 0, 320, 480], "subviews": [
        {"class": "ImageView", "frame": [0, 0, 20, 20], "image": "icon.png"},
        {"class": "Button", "frame": [0, 40, 20, 20], "image": "gone.png",
         "backgroundImage": "icon.png"}]})";
    auto owner = std::make_shared<PictureOwner>();
    auto r = InterfaceLoader::loadFromString(text, "Test.json", owner.get(), owner);
    ASSERT_TRUE(r.view) << r.error;
    EXPECT_EQ(owner->asked, (std::vector<std::string>{"icon.png", "gone.png", "icon.png"}));
    auto image = std::dynamic_pointer_cast<ImageView>(r.view->subviews()[0]);
    auto button = std::dynamic_pointer_cast<Button>(r.view->subviews()[1]);
    ASSERT_TRUE(image && button);
    ASSERT_TRUE(image->image());
    EXPECT_EQ(image->image()->name(), "icon.png");
    EXPECT_FALSE(button->imageForState(ControlStateNormal));
    EXPECT_TRUE(button->backgroundImageForState(ControlStateNormal));

    // Without an owner nobody has pictures: the file still loads.
    auto bare = InterfaceLoader::loadFromString(text, "Test.json", nullptr, {});
    ASSERT_TRUE(bare.view) << bare.error;
    EXPECT_FALSE(std::dynamic_pointer_cast<ImageView>(bare.view->subviews()[0])->image());
}

namespace {

// A view with outlets of its own, as a native ad view has for its asset views.
class CardView : public View, public InterfaceOwner {
  public:
    const char* className() const override { return "CardView"; }
    BindResult bindOutlet(const std::string& name, const std::shared_ptr<View>& view) override {
        if (name != "headline") return BindResult::UnknownName;
        headline = view;
        return BindResult::Bound;
    }
    bool hasAction(const std::string&) const override { return false; }
    void performAction(const std::string&, Control*) override {}
    std::string ownerName() const override { return className(); }
    std::weak_ptr<View> headline;
};

}  // namespace

TEST(InterfaceLoader, AViewWithOutletsTakesItsSubviewsOutletsBeforeTheOwner) {
    auto& registry = platform::ClassRegistry::shared();
    ASSERT_TRUE(registry.registerClass<View>("CardView", "UIView", {}, [] {
        return std::shared_ptr<View>(std::make_shared<CardView>());
    }));
    // The card binds its own name; a name it does not know goes on to the owner; the card
    // itself binds to the owner.
    auto owner = std::make_shared<Owner>();
    auto r = load(owner, R"({"subviews": [{"class": "CardView", "subviews": [
        {"class": "Label", "outlet": "headline", "text": "Big news"},
        {"class": "View", "subviews": [{"class": "Label", "outlet": "titleLabel"}]}]}]})");
    ASSERT_TRUE(r.view) << r.error;
    auto* card = static_cast<CardView*>(r.view->subviews().at(0).get());
    auto headline = std::dynamic_pointer_cast<Label>(card->headline.lock());
    ASSERT_TRUE(headline);
    EXPECT_EQ(headline->text(), "Big news");
    EXPECT_EQ(owner->titleLabel, card->subviews().at(1)->subviews().at(0));

    // Without an owner the card still binds; a name nobody knows fails, naming the owner.
    r = InterfaceLoader::loadFromString(
        R"({"class": "CardView", "subviews": [{"class": "Label", "outlet": "headline"}]})",
        "T.json", nullptr, {});
    ASSERT_TRUE(r.view) << r.error;
    EXPECT_TRUE(static_cast<CardView*>(r.view.get())->headline.lock());
    r = load(owner,
             R"({"class": "CardView", "subviews": [{"class": "Label", "outlet": "byline"}]})");
    EXPECT_NE(r.error.find("has no outlet \"byline\""), std::string::npos) << r.error;
    registry.unregisterClass("CardView");
}
