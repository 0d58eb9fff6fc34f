#pragma once

// What the in-app purchase room puts into the SDK's tables at start-up: the opener's in-app
// purchase road (a GADInAppPurchase made for the ad's click and handed to its slot), the
// provider through which slots find the default purchase flow while it is on, the conversion
// reporter's start-up step, and its classes in the class registry. ads::load() calls it; so do
// tests of purchases through ads. Any number of calls: the registrations are made once.

namespace ads {

void registerInAppPurchaseClasses();

}  // namespace ads
