#include "platform/ui/Pasteboard.h"

#include <gtest/gtest.h>

namespace platform::ui {
namespace {

TEST(PasteboardTest, KeepsTheLastCopiedTextAndCountsChanges) {
    Pasteboard& board = Pasteboard::generalPasteboard();
    EXPECT_EQ(&board, &Pasteboard::generalPasteboard());
    const auto before = board.changeCount();
    board.setString("first");
    board.setString(std::string("line\nwith \0 nul", 15));
    EXPECT_EQ(board.string(), std::string("line\nwith \0 nul", 15));
    board.setString("");
    EXPECT_EQ(board.string(), "");
    EXPECT_EQ(board.changeCount(), before + 3);
}

}  // namespace
}  // namespace platform::ui
