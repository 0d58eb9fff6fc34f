#include "platform/testing/PlatformStateScope.h"

#include <gtest/gtest.h>

#include <array>

#include "platform/device/AdvertisingIdentifier.h"
#include "platform/device/Battery.h"
#include "platform/device/Reachability.h"
#include "platform/runtime/MainLoopTestScope.h"
#include "platform/services/MailComposer.h"
#include "platform/services/MessageComposer.h"
#include "platform/services/StoreProductLookup.h"
#include "platform/services/SystemSound.h"
#include "platform/storage/SecureRandom.h"
#include "platform/ui/AlertView.h"
#include "platform/ui/Application.h"
#include "platform/ui/Screen.h"

namespace {

using platform::testing::PlatformStateScope;
namespace services = platform::services;
namespace ui = platform::ui;

// Every switch a test may throw, thrown at once.
void disturbEverything() {
    platform::SecureRandom::setFailForTesting(true);
    platform::Reachability::setFlagsForTesting(0x2u);
    platform::AdvertisingIdentifier::setOverrideForTesting(
        platform::AdvertisingIdentifier::Override{std::nullopt, true});
    platform::Battery::setSysfsRootForTesting("/nonexistent-sysfs");
    services::StoreProductLookup::setScriptForTesting(
        [](std::int64_t, services::StoreProductLookup::Completion) {});
    services::MailComposer::setCanSendMailForTesting(false);
    services::MessageComposer::setCanSendTextForTesting(false);
    services::SystemSound::play(4095);
    ui::Screen::mainScreen().setSize({1024, 768});
    ui::Screen::mainScreen().setScale(2);
    ui::Application::shared().setIdleTimerDisabled(true);
    ui::AlertView::create("t", "m", {}, "OK")->show();
    ui::AlertView::create("t2", "m2", {}, "OK")->show();
}

void expectFresh() {
    std::array<unsigned char, 4> bytes{};
    EXPECT_TRUE(platform::SecureRandom::fill(bytes.data(), bytes.size()));
    EXPECT_NE(platform::Battery::sysfsRoot(), "/nonexistent-sysfs");
    EXPECT_TRUE(services::MailComposer::canSendMail());
    EXPECT_TRUE(services::MessageComposer::canSendText());
    EXPECT_EQ(services::SystemSound::playCount(4095), 0u);
    EXPECT_EQ(ui::Screen::mainScreen().bounds().size.width, 320);
    EXPECT_EQ(ui::Screen::mainScreen().scale(), 1);
    EXPECT_FALSE(ui::Application::shared().isIdleTimerDisabled());
    EXPECT_EQ(ui::AlertView::visibleAlert(), nullptr);
    EXPECT_EQ(ui::AlertView::queuedCount(), 0u);

    // Without a script the stand-in answers by itself on a later turn.
    bool answered = false;
    services::StoreProductLookup::lookup(
        7, [&](const std::optional<services::StoreProduct>&,
               const std::optional<platform::Error>&) { answered = true; });
    platform::MainLoop::main().runUntilIdle();
    EXPECT_TRUE(answered);
}

TEST(PlatformStateScopeTest, PutsEverySwitchBackOnTheWayInAndOut) {
    platform::MainLoopTestScope loop;
    disturbEverything();
    {
        PlatformStateScope scope;
        expectFresh();
        disturbEverything();
    }
    expectFresh();
}

}  // namespace
