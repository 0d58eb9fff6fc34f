#include "app/screens/SimpleUIActionSheetDelegate.h"

#include "util/LogMessage.h"

namespace app {

void SimpleUIActionSheetDelegate::actionSheetClickedButtonAtIndex(platform::ui::ActionSheet& sheet,
                                                                  int index) {
    deliver(sheet, index);
}

void SimpleUIActionSheetDelegate::actionSheetCancel(platform::ui::ActionSheet& sheet) {
    deliver(sheet, -1);
}

void SimpleUIActionSheetDelegate::deliver(platform::ui::ActionSheet& sheet, std::int64_t index) {
    if (withSheet_ && withSheet_(sheet, index)) return;
    if (withIndex_ && withIndex_(index)) return;
    util::LogMessage("-[SimpleUIActionSheetDelegate actionSheet:clickedButtonAtIndex:]", 4,
                     "Illegal method");
}

}  // namespace app
