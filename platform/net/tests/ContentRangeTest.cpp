#include "platform/net/ContentRange.h"

#include <gtest/gtest.h>

namespace platform {
namespace {

TEST(ContentRange, ReadsTheRangeAndTheCompleteLengthWhenKnown) {
    EXPECT_EQ(parseContentRange("bytes 0-499/1234"), (ContentRange{0, 499, 1234}));
    EXPECT_EQ(parseContentRange("  Bytes\t500-1233/1234 "), (ContentRange{500, 1233, 1234}));
    EXPECT_EQ(parseContentRange("bytes 7-7/*"), (ContentRange{7, 7, std::nullopt}));
    EXPECT_EQ(parseContentRange("bytes 0-18446744073709551614/18446744073709551615"),
              (ContentRange{0, 18446744073709551614u, 18446744073709551615u}));
}

TEST(ContentRange, AnythingElseIsNoRange) {
    for (const char* text :
         {"", "bytes", "bytes ", "bytes */1234", "items 0-1/2", "bytes0-1/2", "bytes 5-4/10",
          "bytes 0-9/10x", "bytes 0-10/10", "bytes 0-9/9", "bytes -1-2/3", "bytes 0-1/",
          "bytes 0-18446744073709551616/*", "bytes 1-2/3,4-5/6", "bytes 0x1-2/3"}) {
        EXPECT_FALSE(parseContentRange(text)) << text;
    }
}

}  // namespace
}  // namespace platform
