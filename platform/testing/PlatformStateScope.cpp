#include "platform/testing/PlatformStateScope.h"

#include <optional>

#include "platform/audio/AudioSession.h"
#include "platform/device/Accelerometer.h"
#include "platform/device/AdvertisingIdentifier.h"
#include "platform/device/Battery.h"
#include "platform/device/Reachability.h"
#include "platform/services/MailComposer.h"
#include "platform/services/MessageComposer.h"
#include "platform/services/PaymentQueue.h"
#include "platform/services/ProductsRequest.h"
#include "platform/services/StoreCatalogue.h"
#include "platform/services/StoreProductLookup.h"
#include "platform/services/SystemSound.h"
#include "platform/storage/Keychain.h"
#include "platform/storage/SecureRandom.h"
#include "platform/storage/UserDefaults.h"
#include "platform/ui/AlertView.h"
#include "platform/ui/Application.h"
#include "platform/ui/Screen.h"

namespace platform::testing {

PlatformStateScope::PlatformStateScope() {
    resetAll();
}

PlatformStateScope::~PlatformStateScope() {
    resetAll();
}

void PlatformStateScope::resetAll() {
    // Alerts first: their overlays sit in the application's windows.
    ui::AlertView::resetAll();
    ui::Application::shared().reset();
    ui::Screen::mainScreen().reset();
    audio::AudioSession::shared().reset();
    Accelerometer::shared().reset();
    UserDefaults::resetStandardForTesting();
    Keychain::shared().setInjectedFailure(std::nullopt);
    SecureRandom::setFailForTesting(false);
    Reachability::setFlagsForTesting(std::nullopt);
    AdvertisingIdentifier::setOverrideForTesting(std::nullopt);
    Battery::setSysfsRootForTesting(std::nullopt);
    services::StoreProductLookup::setScriptForTesting(nullptr);
    services::StoreCatalogue::setSharedForTesting(nullptr);
    services::ProductsRequest::setScriptForTesting(nullptr);
    services::PaymentQueue::resetDefaultQueueForTesting();
    services::MailComposer::setCanSendMailForTesting(std::nullopt);
    services::MessageComposer::setCanSendTextForTesting(std::nullopt);
    services::SystemSound::resetCountsForTesting();
}

}  // namespace platform::testing
