#include "ads/web/GADNotification.h"

#include <gtest/gtest.h>

namespace ads {
namespace {

using platform::Url;
using platform::Value;

struct Case {
    const char* url;
    const char* name;  // nullptr: no message
    Value parameters;
};

TEST(GADNotificationTest, PageMessagesParseByTheMessageRules) {
    const Case cases[] = {
        {"gmsg://movuroute/appEvent?name=pause&info=a%20b;x", "appEvent",
         Value::dictionary({{"name", "pause"}, {"info", "a b"}})},
        // The scheme in any case; host, port and fragment play no part.
        {"GMSG://x/log", "log", Value::dictionary()},
        {"gmsg://x:99/loadAdURL?u=1#top&v=2", "loadAdURL", Value::dictionary({{"u", "1"}})},
        // Names are case-sensitive and may hold inner slashes; a trailing one goes.
        {"gmsg://x/Log", "Log", Value::dictionary()},
        {"gmsg://x/a/b", "a/b", Value::dictionary()},
        {"gmsg://x/log/", "log", Value::dictionary()},
        {"gmsg://x/a%2Fb%20c", "a/b c", Value::dictionary()},
        // Keys keep their case, a later key wins, only single-"=" pieces count.
        {"gmsg://x/a?NAME=x&k=1&k=2", "a", Value::dictionary({{"NAME", "x"}, {"k", "2"}})},
        {"gmsg://x/a?a=1=2&flag&e=&=v", "a", Value::dictionary({{"e", ""}, {"", "v"}})},
        // An encoded plus is a plus and so is a plain one; what does not decode is left out.
        {"gmsg://x/a?v=a%2Bb+c&bad=%E0&%FF=1&ok=%C3%A9", "a",
         Value::dictionary({{"v", "a+b+c"}, {"ok", "\xC3\xA9"}})},
        {"gmsg://x/a?", "a", Value::dictionary()},
        // No action: an action written where the host belongs, a bare "/", an opaque URL, a
        // path that does not decode, another scheme.
        {"gmsg://log", nullptr, {}},
        {"gmsg://log?x=1", nullptr, {}},
        {"gmsg://x/", nullptr, {}},
        {"gmsg:log", nullptr, {}},
        {"gmsg://x/%E0%80", nullptr, {}},
        {"gmsg://x/a%00b", nullptr, {}},
        {"http://x/log", nullptr, {}},
        {"gmsgs://x/log", nullptr, {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.url);
        auto url = Url::parse(c.url);
        ASSERT_TRUE(url);
        auto note = GADNotification::createWithNotificationURL(*url);
        if (!c.name) {
            EXPECT_FALSE(note);
            continue;
        }
        ASSERT_TRUE(note);
        EXPECT_EQ(note->name(), c.name);
        EXPECT_EQ(Value(note->parameters()), c.parameters);
    }
}

TEST(GADNotificationTest, MadeFromANameAndParameters) {
    EXPECT_FALSE(GADNotification::create("", {{"a", Value("1")}}));
    auto note = GADNotification::create("video", {{"a", Value("1")}, {"n", Value(2)}});
    ASSERT_TRUE(note);
    EXPECT_EQ(note->parameter("a"), "1");
    // Actions read texts; anything else reads as absent.
    EXPECT_EQ(note->parameter("n"), std::nullopt);
    EXPECT_EQ(note->parameter("missing"), std::nullopt);
    const std::string text = note->description();
    EXPECT_EQ(text.rfind("<GADNotification: 0x", 0), 0u) << text;
    EXPECT_NE(text.find("> name:video parameters:"), std::string::npos) << text;

    EXPECT_TRUE(GADNotification::isNotificationURL(*Url::parse("GmSg://x/a")));
    EXPECT_FALSE(GADNotification::isNotificationURL(*Url::parse("/gmsg/a")));
}

}  // namespace
}  // namespace ads
