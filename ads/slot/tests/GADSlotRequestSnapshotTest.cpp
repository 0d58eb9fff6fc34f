// A request takes the content fingerprint when it is built: the best capture's, remembered
// for later requests, or the remembered one while no capture qualifies.

#include "ads/slot/GADSlotRequestSnapshot.h"

#include <gtest/gtest.h>

#include "ads/foundation/GADApplication.h"
#include "ads/foundation/GADContent.h"
#include "ads/foundation/GADRequest.h"
#include "ads/foundation/GADSettingsKeys.h"
#include "ads/testsupport/AdsTestScope.h"
#include "platform/runtime/SerialQueue.h"
#include "platform/storage/UserDefaults.h"

namespace ads {
namespace {

using platform::Value;

TEST(GADSlotRequestSnapshotTest, TheFingerprintIsTakenWhenTheRequestIsBuilt) {
    ads::testing::AdsTestScope scope;
    const auto build = [] {
        GADSlotRequestSnapshot snapshot;
        snapshot.request = GADRequest::request();
        return GADSlotRequestParametersFromSnapshot(std::move(snapshot)).value();
    };
    // Nothing captured, nothing remembered: no content information.
    EXPECT_FALSE(build().count("content_info"));

    auto application = GADApplication::sharedInstance();
    auto queue = std::make_shared<GADContentQueue>(10);
    auto content = std::make_shared<GADContent>(1, GADContentSettings{}, nullptr, nullptr);
    content->updateContentWithText(std::string("Hello, World"));
    application->contentHashingQueue()->sync([&] {
        queue->enqueueContent(content);
        application->setContentQueue(queue);
    });
    const Value sent = Value::dictionary({{"fingerprint", Value("8z44Ug==")}, {"v", Value(1)}});
    EXPECT_EQ(build()["content_info"], sent);
    EXPECT_EQ(content->score(), 13 - 100);
    EXPECT_EQ(
        platform::UserDefaults::standard().stringForKey(settings_keys::kContentURLFingerprint),
        "8z44Ug==");
    // Served out: the remembered fingerprint goes instead.
    EXPECT_EQ(build()["content_info"], sent);
    EXPECT_EQ(content->score(), 13 - 100);
}

}  // namespace
}  // namespace ads
