#include "app/screens/ShellAlerts.h"

#include <gtest/gtest.h>

#include "app/screens/SimpleUIActionSheetDelegate.h"
#include "app/textures/Texture2D.h"
#include "platform/base/LogSink.h"
#include "platform/gfx/RecordingGL.h"
#include "platform/runtime/MainLoopTestScope.h"
#include "platform/ui/AlertView.h"
#include "platform/ui/Application.h"
#include "platform/ui/Button.h"
#include "platform/ui/Window.h"

using namespace app;

using namespace platform::ui;

namespace {

class Owner {
  public:
    std::vector<std::string> log;
    void pickedWithSheet(ActionSheet& sheet, std::int64_t i) {
        log.push_back(sheet.title() + " " + std::to_string(i));
    }
    void picked(std::int64_t i) { log.push_back(std::to_string(i)); }
};

}  // namespace

TEST(ShellAlerts, SimpleAlertHasOnlyAnOkCancelButton) {
    platform::MainLoopTestScope loop;
    Application::shared().reset();
    auto window = Window::create({0, 0, 320, 480});
    window->makeKeyAndVisible();
    ShowSimpleAlert("Done", "The account ID was deleted.");
    auto alert = AlertView::visibleAlert();
    ASSERT_TRUE(alert);
    EXPECT_EQ(alert->title(), "Done");
    EXPECT_EQ(alert->message(), "The account ID was deleted.");
    EXPECT_EQ(alert->numberOfButtons(), 1);
    EXPECT_EQ(alert->cancelButtonIndex(), 0);
    EXPECT_EQ(alert->buttonTitleAtIndex(0), "OK");
    EXPECT_EQ(alert->delegate(), nullptr);
    alert->tapButton(0);
    EXPECT_EQ(AlertView::visibleAlert(), nullptr);
    AlertView::resetAll();
    Application::shared().reset();
}

TEST(ShellAlerts, ButtonTitleForEveryStateAndOrientation) {
    auto b = Button::create();
    SetButtonTitle(*b, "Go");
    for (unsigned s : {unsigned(ControlStateNormal), unsigned(ControlStateSelected),
                       unsigned(ControlStateDisabled), unsigned(ControlStateHighlighted)})
        EXPECT_EQ(b->titleForState(s), "Go");
    b->setTitle("Other", ControlStateNormal);
    EXPECT_EQ(b->titleForState(ControlStateHighlighted), "Go");  // set explicitly, kept

    Application::shared().reset();
    EXPECT_EQ(CurrentStatusBarOrientation(), 1);
    Application::shared().setStatusBarOrientation(4);
    EXPECT_EQ(CurrentStatusBarOrientation(), 4);
    Application::shared().reset();
}

TEST(SimpleUIActionSheetDelegate, ForwardsTheIndexAndHoldsTheOwnerWeakly) {
    platform::MainLoopTestScope loop;
    auto owner = std::make_shared<Owner>();
    auto withSheet = SimpleUIActionSheetDelegate::create(owner, &Owner::pickedWithSheet);
    auto indexOnly = SimpleUIActionSheetDelegate::create(owner, &Owner::picked);
    auto sheet = ActionSheet::create("Delete?", withSheet, "Cancel", "Delete");
    sheet->showInView(nullptr);
    sheet->tapButton(0);
    sheet->setDelegate(indexOnly);
    sheet->showInView(nullptr);
    sheet->cancel();  // a system cancel is a click on -1
    EXPECT_EQ(owner->log, (std::vector<std::string>{"Delete? 0", "-1"}));

    // The delegate does not keep its owner: once the owner is gone the click is reported.
    std::weak_ptr<Owner> weak = owner;
    owner.reset();
    EXPECT_TRUE(weak.expired());
    platform::LogSink::Capture capture;
    sheet->showInView(nullptr);
    sheet->tapButton(1);
    EXPECT_TRUE(capture.contains("Illegal method"));
    EXPECT_TRUE(
        capture.contains("-[SimpleUIActionSheetDelegate actionSheet:clickedButtonAtIndex:]"));
}

TEST(ShellAlerts, NearestFilterBindsAndSetsBothFilters) {
    platform::gfx::RecordingGL recorder;
    platform::gfx::ScopedGL scope(recorder);
    const std::uint8_t pixel[4] = {255, 255, 255, 255};
    auto texture =
        Texture2D::createWithData(pixel, Texture2DPixelFormat::RGBA8888, 1, 1, {1, 1}, 1.0f);
    ASSERT_TRUE(texture);
    recorder.clear();
    SetNearestFilter(*texture);
    EXPECT_EQ(recorder.boundTexture(), texture->name());
    auto params = recorder.callsNamed("glTexParameteri");
    ASSERT_EQ(params.size(), 2u);
    EXPECT_EQ(params[0].args,
              (std::vector<double>{GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_NEAREST}));
    EXPECT_EQ(params[1].args,
              (std::vector<double>{GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_NEAREST}));
}
