// Every test of these programs runs with the registrations the program makes in ads::load() for
// the rooms up to this one: the pages the tests make get the handlers the program's pages get,
// and the opener's purchase road and the slots' default flow are this room's.

#include <gtest/gtest.h>

#include "ads/fullscreen/GADFullScreenRoom.h"
#include "ads/iap/GADInAppPurchaseRoom.h"
#include "ads/slot/GADSlotRoom.h"

namespace {

class RoomsEnvironment : public ::testing::Environment {
  public:
    void SetUp() override {
        ads::GADFullScreenRoom::load();
        ads::GADSlotRoom::load();
        ads::registerInAppPurchaseClasses();
    }
};

[[maybe_unused]] const auto* const kRooms =
    ::testing::AddGlobalTestEnvironment(new RoomsEnvironment);

}  // namespace
