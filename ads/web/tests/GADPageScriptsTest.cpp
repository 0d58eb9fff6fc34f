#include "ads/web/GADPageScripts.h"

#include <gtest/gtest.h>

#include <cmath>

namespace ads {
namespace {

using platform::Value;

TEST(GADPageScriptsTest, EventCommandsQuoteTheNameAndCarryJSONParameters) {
    EXPECT_EQ(GADPageEventCommand("onshow", nullptr), "RADE_ReceiveMessage('onshow');");
    Value::Dictionary none;
    EXPECT_EQ(GADPageEventCommand("onshow", &none), "RADE_ReceiveMessage('onshow', {});");
    Value::Dictionary params{{"visible", Value("1")}, {"n", Value(2)}, {"s", Value("it's")}};
    EXPECT_EQ(GADPageEventCommand("onAdVisibilityChanged", &params),
              R"(RADE_ReceiveMessage('onAdVisibilityChanged', {"n":2,"s":"it's","visible":"1"});)");
    // What JSON cannot carry still delivers the event, without a broken second argument.
    Value::Dictionary data{{"blob", Value::data("\x01", 1)}};
    EXPECT_EQ(GADPageEventCommand("onVideoEvent", &data), "RADE_ReceiveMessage('onVideoEvent');");
    Value::Dictionary nan{{"t", Value(std::nan(""))}};
    EXPECT_EQ(GADPageEventCommand("x", &nan), "RADE_ReceiveMessage('x');");
}

TEST(GADPageScriptsTest, QuotedNamesCannotLeaveTheirString) {
    EXPECT_EQ(GADJavaScriptQuotedString("plain"), "'plain'");
    EXPECT_EQ(GADJavaScriptQuotedString("a'b\\c"), R"('a\'b\\c')");
    EXPECT_EQ(GADJavaScriptQuotedString("l1\nl2\rl3"), R"('l1\nl2\rl3')");
    EXPECT_EQ(GADJavaScriptQuotedString("\t\x01\x7f"), R"('\x09\x01\x7f')");
    EXPECT_EQ(GADJavaScriptQuotedString("a\xE2\x80\xA8"
                                        "b\xE2\x80\xA9"),
              R"('a\u2028b\u2029')");
    EXPECT_EQ(GADJavaScriptQuotedString("</script><b>/x"), R"('<\/script><b>/x')");
    // Other text passes as it is, other characters of U+20xx included.
    EXPECT_EQ(GADJavaScriptQuotedString("\xC3\xA9\xE2\x80\xA6"), "'\xC3\xA9\xE2\x80\xA6'");
    EXPECT_EQ(GADPageEventCommand("');alert(1);('", nullptr),
              R"(RADE_ReceiveMessage('\');alert(1);(\'');)");
}

TEST(GADPageScriptsTest, OrientationScriptsForTheFourOrientationsOnly) {
    EXPECT_EQ(GADOrientationDegrees(1), 0);
    EXPECT_EQ(GADOrientationDegrees(2), 180);
    EXPECT_EQ(GADOrientationDegrees(3), 90);
    EXPECT_EQ(GADOrientationDegrees(4), -90);
    EXPECT_FALSE(GADOrientationDegrees(0));
    EXPECT_FALSE(GADOrientationDegrees(5));
    EXPECT_FALSE(GADOrientationDegrees(-1));
    EXPECT_EQ(GADOrientationScript(-90, false),
              "window.__defineGetter__('orientation',function(){return -90;});");
    EXPECT_EQ(
        GADOrientationScript(90, true),
        "window.__defineGetter__('orientation',function(){return 90;});"
        "(function(){var event = document.createEvent('Events');"
        "event.initEvent('orientationchange', true, false);window.dispatchEvent(event);})();");
    EXPECT_EQ(GADAsynchronousScript("f();"), "setTimeout(function(){f();}, 1);");
}

}  // namespace
}  // namespace ads
