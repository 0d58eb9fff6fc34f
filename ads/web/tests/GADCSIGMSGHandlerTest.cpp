#include "ads/web/GADCSIGMSGHandler.h"

#include <gtest/gtest.h>

#include <algorithm>

#include "ads/foundation/GADCSI.h"
#include "ads/foundation/GADCSITimeRecorder.h"
#include "ads/testsupport/AdViewTestScope.h"
#include "ads/testsupport/AdsTestScope.h"
#include "ads/web/GADAdView.h"
#include "platform/base/LogSink.h"

namespace ads {
namespace {

class GADCSIGMSGHandlerTest : public ::testing::Test {
  protected:
    // Sends "gmsg://movuroute/instrument?<query>" to the handler, from the page of `adView`.
    bool send(const std::string& query, const std::shared_ptr<GADAdView>& adView = nullptr) {
        auto url = platform::Url::parse("gmsg://movuroute/instrument?" + query);
        if (!url) return false;
        return handler->handleNotification(GADNotification::createWithNotificationURL(*url),
                                           adView);
    }
    GADCSITimeRecorder::Timings measurements() {
        auto recorder = hub->timeRecorderForAction(GADCSIGMSGHandler::kRecorderAction);
        return recorder ? recorder->completedVariables() : GADCSITimeRecorder::Timings{};
    }

    testing::AdsTestScope scope;
    std::shared_ptr<GADCSI> hub = [] {
        auto configuration = GADCSIConfiguration::create(GADCSI::kServiceName);
        configuration->setReportingEnabled(true);
        return GADCSI::create(configuration);
    }();
    std::shared_ptr<GADCSIGMSGHandler> handler = GADCSIGMSGHandler::create(hub);
};

TEST_F(GADCSIGMSGHandlerTest, TicksBecomeMeasurementsInSeconds) {
    // No start yet: only the timestamp is kept.
    EXPECT_TRUE(send("action=tick&label=first_paint&timestamp=1500"));
    EXPECT_EQ(hub->timestampForLabel("first_paint"), 1500);
    EXPECT_TRUE(measurements().empty());

    ASSERT_TRUE(send("action=tick&label=native:view_load&timestamp=1000"));
    ASSERT_TRUE(send("action=tick&label=first_paint&timestamp=2234"));
    auto taken = measurements();
    ASSERT_EQ(taken.size(), 1u);
    EXPECT_DOUBLE_EQ(taken["first_paint"]->start(), 1.0);
    EXPECT_DOUBLE_EQ(taken["first_paint"]->length(), 1.234);
    // The start label's own tick measures nothing: a length of 0 would never be reported, nor
    // removed by a report, so it is not kept (a page could leave one per label and ad).
    EXPECT_FALSE(taken.count("native:view_load"));
    ASSERT_TRUE(send("action=tick&label=same&start_label=native:view_load&timestamp=1000"));
    EXPECT_FALSE(measurements().count("same"));

    // Another start label; one later than the tick adds nothing.
    ASSERT_TRUE(send("action=tick&label=b&start_label=a&timestamp=90"));
    ASSERT_TRUE(send("action=tick&label=a&timestamp=100"));
    ASSERT_TRUE(send("action=tick&label=c&start_label=a&timestamp=99"));
    EXPECT_EQ(measurements().size(), 1u);
    EXPECT_EQ(hub->timestampForLabel("c"), 99);

    // Missing pieces, a zero or non-numeric timestamp: nothing at all.
    ASSERT_TRUE(send("action=tick&timestamp=5"));
    ASSERT_TRUE(send("action=tick&label=z&timestamp=0"));
    ASSERT_TRUE(send("action=tick&label=y&timestamp=soon"));
    EXPECT_EQ(hub->timestampForLabel("z"), 0);
    EXPECT_EQ(hub->timestampForLabel("y"), 0);
    // The page's numbers may be as far apart as 64 bits go.
    ASSERT_TRUE(send("action=tick&label=far&start_label=min&timestamp=9223372036854775807"));
    ASSERT_TRUE(send("action=tick&label=min&timestamp=1"));
    ASSERT_TRUE(send("action=tick&label=far&start_label=min&timestamp=9223372036854775807"));
    EXPECT_GT(measurements()["far"]->length(), 1e15);
    // A start before 1970 could never be reported either.
    ASSERT_TRUE(send("action=tick&label=early&timestamp=-9223372036854775808"));
    ASSERT_TRUE(send("action=tick&label=after_early&start_label=early&timestamp=5"));
    EXPECT_FALSE(measurements().count("after_early"));
}

TEST_F(GADCSIGMSGHandlerTest, ExperimentsExtrasAndOtherActions) {
    auto recorder = hub->timeRecorderForAction("make_wv");
    const auto before = recorder->experimentIDs();
    EXPECT_TRUE(send("action=experiment&value=exp%201"));
    EXPECT_TRUE(send("action=experiment"));
    EXPECT_TRUE(send("action=extra&name=gqi&value=q"));
    EXPECT_TRUE(send("action=extra&name=only"));
    EXPECT_TRUE(send("action=unknown&value=x"));
    EXPECT_TRUE(send("value=x"));
    auto ids = recorder->experimentIDs();
    ASSERT_EQ(ids.size(), before.size() + 1);
    EXPECT_EQ(ids.back(), "exp 1");
    EXPECT_EQ(recorder->customizedParameters().at("gqi"), "q");
    EXPECT_FALSE(recorder->customizedParameters().count("only"));
    // Other page messages are not this handler's.
    auto other = GADNotification::create("close", {});
    EXPECT_FALSE(handler->handleNotification(other, nullptr));

    // A process that does not report keeps the tick's timestamp only.
    hub->configuration()->setReportingEnabled(false);
    EXPECT_TRUE(send("action=tick&label=native:view_load&timestamp=1"));
    EXPECT_TRUE(send("action=tick&label=late&timestamp=2"));
    EXPECT_EQ(hub->timestampForLabel("late"), 2);
    hub->configuration()->setReportingEnabled(true);
    EXPECT_FALSE(recorder->completedVariables().count("late"));
}

// A page may send these as often as its view lets it: labels wait for the next report, ids and
// parameters go with every report for the process's life, so only so many, so long, are kept,
// and each refusal is a line out of the page's budget.
TEST_F(GADCSIGMSGHandlerTest, WhatAPageMayKeepIsBoundedAndItsRefusalsSpendItsLog) {
    testing::AdViewTestScope views;
    auto adView = GADAdView::create({0, 0, 320, 50});
    platform::LogSink::Capture log;
    auto recorder = hub->timeRecorderForAction("make_wv");
    const std::string longest(GADCSIGMSGHandler::kMaxLabelBytes, 'l');

    send("action=tick&label=" + longest + "&timestamp=7", adView);
    send("action=tick&label=" + longest + "x&timestamp=7", adView);
    EXPECT_EQ(hub->timestampForLabel(longest), 7);
    EXPECT_EQ(hub->timestampForLabel(longest + "x"), 0);
    EXPECT_EQ(log.lines().size(), 1u);
    for (std::size_t i = 0; i < GADCSIGMSGHandler::kMaxLabels; ++i)
        send("action=tick&label=t" + std::to_string(i) + "&timestamp=9", adView);
    EXPECT_EQ(hub->timestampForLabel("t" + std::to_string(GADCSIGMSGHandler::kMaxLabels - 2)), 9);
    EXPECT_EQ(hub->timestampForLabel("t" + std::to_string(GADCSIGMSGHandler::kMaxLabels - 1)), 0);
    // A label kept takes its new time; a report makes room again.
    send("action=tick&label=t0&timestamp=11", adView);
    EXPECT_EQ(hub->timestampForLabel("t0"), 11);
    hub->configuration()->setReportingEnabled(false);
    hub->sendReport();
    hub->configuration()->setReportingEnabled(true);
    send("action=tick&label=after&timestamp=12", adView);
    EXPECT_EQ(hub->timestampForLabel("after"), 12);

    // An id already there is not added again; past the limit no new one is.
    for (std::size_t i = 0; i < GADCSIGMSGHandler::kMaxExperimentIDs + 5; ++i) {
        send("action=experiment&value=" + std::to_string(i), adView);
        send("action=experiment&value=" + std::to_string(i), adView);
    }
    const auto ids = recorder->experimentIDs();
    EXPECT_EQ(ids.size(), GADCSIGMSGHandler::kMaxExperimentIDs);
    EXPECT_EQ(std::count(ids.begin(), ids.end(), "0"), 1);
    recorder->removeExperimentID("0");
    send(
        "action=experiment&value=" + std::string(GADCSIGMSGHandler::kMaxExperimentIDBytes + 1, '9'),
        adView);
    EXPECT_EQ(recorder->experimentIDs().size(), GADCSIGMSGHandler::kMaxExperimentIDs - 1);

    for (std::size_t i = 0; i < GADCSIGMSGHandler::kMaxParameters; ++i)
        send("action=extra&name=p" + std::to_string(i) + "&value=v", adView);
    send("action=extra&name=p0&value=" +
             std::string(GADCSIGMSGHandler::kMaxParameterValueBytes, 'w'),
         adView);
    send("action=extra&name=p1&value=" +
             std::string(GADCSIGMSGHandler::kMaxParameterValueBytes + 1, 'w'),
         adView);
    const auto parameters = recorder->customizedParameters();
    EXPECT_EQ(parameters.size(), GADCSIGMSGHandler::kMaxParameters);
    EXPECT_EQ(parameters.at("p0").size(), GADCSIGMSGHandler::kMaxParameterValueBytes);
    EXPECT_EQ(parameters.at("p1"), "v");
    EXPECT_TRUE(parameters.count("sdkVersion"));

    // However many are refused, the page writes its lines and the dropped one.
    for (int i = 0; i < 300; ++i)
        send("action=extra&name=q" + std::to_string(i) + "&value=v", adView);
    const auto lines = log.lines();
    EXPECT_EQ(lines.size(), platform::web::WebView::kPageLogLines + 1);
    EXPECT_EQ(lines.back(), platform::web::WebView::kPageLogDroppedLine);
}

}  // namespace
}  // namespace ads
