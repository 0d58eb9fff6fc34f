#include "platform/web/WebProcessOutput.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace platform::web {
namespace {

using Lines = std::vector<std::string>;

// Feeds the pieces in turn; the lines handed on, and whether the stream was still taken.
struct Reader {
    WebProcessOutput output{"t0k"};
    Lines lines;
    bool take(std::string_view bytes) {
        return output.take(bytes, [&](std::string_view line) { lines.emplace_back(line); });
    }
    void end() {
        output.end([&](std::string_view line) { lines.emplace_back(line); });
    }
};

TEST(WebProcessOutputTest, NothingIsTakenFromAStreamThatDoesNotBeginWithTheToken) {
    for (const std::string& start :
         std::vector<std::string>{"t0x\nhello\n", "hello\n", "\nt0k\nhello\n", "t0k t0k\nhello\n",
                                  std::string(WebProcessOutput::kTokenBytes + 1, 't')}) {
        Reader reader;
        EXPECT_FALSE(reader.take(start)) << start;
        EXPECT_FALSE(reader.take("t0k\nlater\n"));
        reader.end();
        EXPECT_TRUE(reader.lines.empty()) << start;
        EXPECT_TRUE(reader.output.refused());
    }
    // Nor from one without a token to expect.
    WebProcessOutput tokenless("");
    EXPECT_FALSE(tokenless.take("\nhello\n", [](std::string_view) { FAIL(); }));
}

TEST(WebProcessOutputTest, LinesAreHandedOnOnceEachAndNoLongerThanALine) {
    Reader reader;
    // The token and the lines arrive in pieces, as a stream does.
    ASSERT_TRUE(reader.take("t0"));
    ASSERT_TRUE(reader.take("k\nGLib warning: Unable to connect to D-Bus\n\nsec"));
    ASSERT_TRUE(reader.take("ond\nGLib warning: Unable to connect to D-Bus\n"));
    // A line without end is cut, and what follows it to its newline dropped.
    const std::string endless(3 * WebProcessOutput::kLineBytes, 'x');
    ASSERT_TRUE(reader.take(endless.substr(0, 1000)));
    ASSERT_TRUE(reader.take(endless.substr(1000) + "\n"));
    // The warning a media element writes, two hundred times over.
    for (int i = 0; i < 200; ++i) {
        ASSERT_TRUE(reader.take("GLib warning: Unable to connect to D-Bus\n"));
    }
    // The last line, its newline never written.
    ASSERT_TRUE(reader.take("after"));
    reader.end();
    EXPECT_EQ(reader.lines, (Lines{"GLib warning: Unable to connect to D-Bus", "second",
                                   std::string(WebProcessOutput::kLineBytes, 'x'), "after"}));
    EXPECT_EQ(reader.output.repeats(), 201u);

    // Past the lines it remembers it still hands on new ones, and knows the first ones still.
    Reader many;
    ASSERT_TRUE(many.take("t0k\n"));
    for (std::size_t i = 0; i < WebProcessOutput::kRememberedLines + 10; ++i) {
        many.take("line " + std::to_string(i) + "\n");
    }
    many.take("line 0\nline " + std::to_string(WebProcessOutput::kRememberedLines + 5) + "\n");
    EXPECT_EQ(many.lines.size(), WebProcessOutput::kRememberedLines + 11);
    EXPECT_EQ(many.output.repeats(), 1u);
}

}  // namespace
}  // namespace platform::web
