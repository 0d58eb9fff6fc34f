// Every test of this program runs with the registrations the program makes in ads::load() for
// the rooms up to this one: the pages the tests make get the handlers the program's pages get.

#include <gtest/gtest.h>

#include "ads/fullscreen/GADFullScreenRoom.h"
#include "ads/mediation/GADMediationRoom.h"
#include "ads/native/GADNativeRoom.h"
#include "ads/slot/GADSlotRoom.h"

namespace {

class RoomsEnvironment : public ::testing::Environment {
  public:
    void SetUp() override {
        ads::GADFullScreenRoom::load();
        ads::GADSlotRoom::load();
        ads::registerMediationClasses();
        ads::GADNativeRoom::load();
    }
};

[[maybe_unused]] const auto* const kRooms =
    ::testing::AddGlobalTestEnvironment(new RoomsEnvironment);

}  // namespace
