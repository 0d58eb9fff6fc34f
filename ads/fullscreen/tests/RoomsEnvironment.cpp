// Every test of this program runs with the registrations the program makes in ads::load() for
// this room: the ad app pages the tests make get the handlers the program's pages get.

#include <gtest/gtest.h>

#include "ads/fullscreen/GADFullScreenRoom.h"

namespace {

class RoomsEnvironment : public ::testing::Environment {
  public:
    void SetUp() override { ads::GADFullScreenRoom::load(); }
};

[[maybe_unused]] const auto* const kRooms =
    ::testing::AddGlobalTestEnvironment(new RoomsEnvironment);

}  // namespace
