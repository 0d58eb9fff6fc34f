#include "ads/mediation/GADMUtilities.h"

#include <gtest/gtest.h>

#include "ads/foundation/GADClickTrackerCollection.h"
#include "ads/foundation/GADLog.h"
#include "ads/foundation/GADRequest.h"
#include "ads/testsupport/AdServerFixture.h"
#include "ads/testsupport/AdsTestScope.h"
#include "platform/base/LogSink.h"

namespace ads {
namespace {

TEST(GADMUtilitiesTest, TemplatesFillTheirPlaceholdersAndKeepTheirEscapes) {
    GADMediationPingValues values;
    values.adLocationID = "unit";
    values.qData = "q$1\\0";
    values.sessionID = "s";
    values.sequenceNumber = "9";
    values.adNetworkID = "net";
    values.exitCodes = "3,0";
    values.durations = "10000,40";
    struct Case {
        const char* templ;
        std::string filled;
    };
    const Case cases[] = {
        {"https://a.test/p?x=1", "https://a.test/p?x=1"},
        {"", ""},
        {"@gw_adlocid@/@gw_qdata@", "unit/q$1\\0"},
        {"a@@gw_qdata@@b", "a@@gw_qdata@@b"},
        {"@@@gw_qdata@@@", "@@q$1\\0@@"},
        {"@gw_adnetid@@gw_adnetid@", "net@gw_adnetid@"},
        // No value: the placeholder stays; the device id is always empty.
        {"alloc=@gw_allocid@&dev=@gw_devid@", "alloc=@gw_allocid@&dev="},
        {"nr=@gw_adnetrefresh@&aec=@gw_aec@&adt=@gw_adt@&seq=@gw_seqnum@&sid=@gw_sessid@",
         "nr=0&aec=3,0&adt=10000,40&seq=9&sid=s"},
        {"v=@gw_sdkver@", "v=" + GADRequest::sdkVersion()},
        {"@gw_unknown@", "@gw_unknown@"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.templ);
        EXPECT_EQ(GADMUtilities::mediationURLFrom(c.templ, values), c.filled);
    }
    values.adNetworkRefresh = true;
    EXPECT_EQ(GADMUtilities::mediationURLFrom("@gw_adnetrefresh@", values), "1");
}

TEST(GADMUtilitiesTest, TrackingSkipsWhatIsNoWebURLAndDrawsASequenceNumberPerURL) {
    testing::AdsTestScope scope;
    testing::AdServerFixture server;
    auto trackers = GADClickTrackerCollection::create();
    platform::LogSink::Capture logs;
    const std::string origin = server.origin();
    const auto tracked = GADMUtilities::trackMediationURLsFromTemplates(
        *trackers,
        {origin + "/mads/mediation_ping?n=@gw_seqnum@&q=@gw_qdata@", "",
         "javascript:alert('@gw_adlocid@')", "@gw_qdata@",
         origin + "/mads/mediation_ping?n=@gw_seqnum@"},
        std::nullopt, {});
    ASSERT_EQ(tracked.size(), 2u);
    const std::string first = tracked[0].absoluteString();
    const std::string second = tracked[1].absoluteString();
    EXPECT_NE(first.find("&q="), std::string::npos);  // no query data: empty
    EXPECT_NE(first.substr(first.find("n=") + 2, first.find('&') - first.find("n=") - 2),
              second.substr(second.find("n=") + 2));
    GADLogFlush();
    EXPECT_EQ(logs.count(), 1u);  // the script; an empty result is no URL at all
    EXPECT_TRUE(logs.contains("javascript:alert("));
    ASSERT_TRUE(server.waitOnMainLoop(tools::adserver::RequestKind::MediationPing, 2));

    // Without templates the default stands alone; with none at all nothing is sent.
    EXPECT_EQ(
        GADMUtilities::trackMediationURLsFromTemplates(*trackers, {}, std::nullopt, {}).size(), 0u);
    const auto defaults = GADMUtilities::trackMediationURLsFromTemplates(
        *trackers, {}, GADMUtilities::defaultNoFillTemplate(), {});
    ASSERT_EQ(defaults.size(), 1u);
    EXPECT_EQ(defaults[0].absoluteString().rfind(origin + "/nofill?ad_loc=@gw_adlocid@", 0), 0u);
    ASSERT_TRUE(server.waitOnMainLoop(tools::adserver::RequestKind::MediationPing, 3));
}

}  // namespace
}  // namespace ads
