#include "ads/testsupport/AdsTestScope.h"

#include "ads/foundation/GADAbsoluteTime.h"
#include "platform/ui/Application.h"
#include "platform/ui/Screen.h"

namespace ads::testing {

namespace {

void freshPlatform() {
    GADAbsoluteTime::resetForTesting();
    platform::ui::Application::shared().reset();
    platform::ui::Screen::mainScreen().reset();
}

}  // namespace

AdsTestScope::AdsTestScope() {
    freshPlatform();
}

AdsTestScope::~AdsTestScope() {
    freshPlatform();
}

}  // namespace ads::testing
