// A page's budget of messages on made-up times: which addresses are messages, what a burst and
// a flood of them are answered, and that a new page starts afresh.

#include "platform/web/PageMessages.h"

#include <gtest/gtest.h>

#include "platform/web/WebViewTypes.h"

namespace platform::web {
namespace {

using Verdict = PageMessages::Verdict;

TEST(PageMessagesTest, OnlyTheOwnersSchemeInAnyCaseIsAMessage) {
    PageMessages messages(kPageMessagesPerSecond, kPageMessageBurst);
    EXPECT_FALSE(messages.isMessage("gmsg://movuroute/log"));
    messages.setScheme("GMsg");
    EXPECT_TRUE(messages.isMessage("gmsg://movuroute/log"));
    EXPECT_TRUE(messages.isMessage("GMSG:x"));
    for (const char* other : {"gmsgx://a", "gms://a", "gmsg", "", "http://gmsg/", " gmsg:a"}) {
        EXPECT_FALSE(messages.isMessage(other)) << other;
    }
    EXPECT_FALSE(messages.isMessage(nullptr));
    // What is no message never spends the bucket.
    for (int i = 0; i < 1000; ++i) EXPECT_EQ(messages.spend("about:blank", 1.0), Verdict::Send);
    EXPECT_EQ(messages.refused(), 0u);
    messages.setScheme("");
    EXPECT_FALSE(messages.isMessage("gmsg://movuroute/log"));
}

TEST(PageMessagesTest, ABurstArrivesWholeAFloodIsRefusedWithOneFirstRefusalPerPage) {
    PageMessages messages(kPageMessagesPerSecond, kPageMessageBurst);
    messages.setScheme("gmsg");
    // An honest page's burst as it loads, then a few a second for a minute: nothing refused.
    int sent = 0;
    for (int i = 0; i < 80; ++i) sent += messages.spend("gmsg://a/burst", 0) == Verdict::Send;
    for (int tick = 0; tick < 60 * 5; ++tick) {
        sent += messages.spend("gmsg://a/later", 1 + tick / 5.0) == Verdict::Send;
    }
    EXPECT_EQ(sent, 80 + 60 * 5);
    EXPECT_EQ(messages.refused(), 0u);

    // 40 a second for ten seconds, from a full bucket: its burst and its rate go through, the
    // rest is refused, and only the first refusal says so.
    PageMessages flood(kPageMessagesPerSecond, kPageMessageBurst);
    flood.setScheme("gmsg");
    int through = 0, first = 0, refused = 0;
    for (int tick = 0; tick < 400; ++tick) {
        switch (flood.spend("gmsg://a/canOpenURLs", tick / 40.0)) {
            case Verdict::Send:
                ++through;
                break;
            case Verdict::RefuseFirst:
                ++first;
                break;
            case Verdict::Refuse:
                ++refused;
                break;
        }
    }
    EXPECT_EQ(first, 1);
    EXPECT_LE(through, kPageMessageBurst + kPageMessagesPerSecond * 10 + 1);
    EXPECT_GE(through, kPageMessageBurst + kPageMessagesPerSecond * 10 - 40);
    EXPECT_EQ(flood.refused(), std::uint64_t(first + refused));

    // The next page has a full bucket and says so again once it runs dry.
    flood.renew();
    EXPECT_EQ(flood.refused(), 0u);
    int again = 0;
    for (int i = 0; i < 150; ++i) again += flood.spend("gmsg://a/b", 20) == Verdict::RefuseFirst;
    EXPECT_EQ(again, 1);
    EXPECT_EQ(flood.refused(), 50u);
}

}  // namespace
}  // namespace platform::web
