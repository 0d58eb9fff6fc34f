#include "ads/slot/GADAppEventGMSGHandler.h"

#include <gtest/gtest.h>

#include "ads/slot/GADSlot.h"
#include "ads/testsupport/AdsTestScope.h"
#include "ads/testsupport/SDKCoreTestScope.h"

namespace ads {
namespace {

class Owner : public GADSlotDelegate {
  public:
    void slotDidReceiveAppEvent(GADSlot& slot, const std::string& name,
                                const std::optional<std::string>& info) override {
        heard.push_back(name + "|" + info.value_or("<none>"));
        from = &slot;
    }
    std::vector<std::string> heard;
    GADSlot* from = nullptr;
};

TEST(GADAppEventGMSGHandlerTest, NamedEventsReachTheSlotsOwner) {
    testing::AdsTestScope scope;
    testing::SDKCoreTestScope core;
    auto owner = std::make_shared<Owner>();
    auto slot = GADSlot::create({0, 0, 320, 50});
    slot->setDelegates({.slot = owner});
    auto handler = GADAppEventGMSGHandler::create(slot);
    const auto send = [&](const std::string& query) {
        auto url = platform::Url::parse("gmsg://movuroute/appEvent" + query);
        return handler->handleNotification(GADNotification::createWithNotificationURL(*url),
                                           nullptr);
    };

    EXPECT_TRUE(send("?name=pause&info=a%20b;x"));
    EXPECT_TRUE(send("?name=resume"));
    EXPECT_TRUE(send("?info=orphan"));
    EXPECT_TRUE(send(""));
    EXPECT_EQ(owner->heard, (std::vector<std::string>{"pause|a b", "resume|<none>"}));
    EXPECT_EQ(owner->from, slot.get());

    // Without an owner, or once the slot is gone, the event goes nowhere.
    slot->setDelegates({});
    EXPECT_TRUE(send("?name=lost"));
    slot->setDelegates({.slot = owner});
    slot.reset();
    EXPECT_TRUE(send("?name=late"));
    EXPECT_EQ(owner->heard.size(), 2u);
}

}  // namespace
}  // namespace ads
