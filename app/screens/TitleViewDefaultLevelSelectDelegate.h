#pragma once

// Feeds the selection screen with the title menu's levels: a locked level is refused with its
// lock message, a chosen one becomes the current level. With downloadable levels switched on a
// last row offers more levels from the web service.

#include <memory>

#include "app/screens/SimpleSelectView.h"
#include "appbase/JTLevelMenuItem.h"
#include "core/JTArrayList.h"

namespace app {

class TitleView;

class TitleView_DefaultLevelSelectDelegate : public SimpleSelectViewDelegate {
  public:
    static constexpr int kWebGetMoreLevels = 8;

    // The menu list is the level manager's, which keeps and refills that one object for its
    // whole life.
    TitleView_DefaultLevelSelectDelegate(std::weak_ptr<TitleView> titleView,
                                         JTCore::JTArrayListPtr menuItems);

    int additionalMenuItemsNum() const { return useDL_ ? 1 : 0; }
    JTAppBase::JTLevelMenuItemPtr menuItemAt(int index) const;
    bool useDL() const { return useDL_; }

    int itemsNum() override;
    std::string itemLabelAt(int index) override;
    std::optional<std::string> itemInfoTextAt(int index) override;
    bool canBeDoneWithIndex(int index, SimpleSelectView& view) override;
    void didBeDoneWithIndex(int index, SimpleSelectView& view) override;
    void startNextView() override;

  private:
    int menuCount() const;
    bool isMoreLevelsRow(int index) const { return useDL_ && index == menuCount(); }
    void jumpToMoreLevels();

    std::weak_ptr<TitleView> titleView_;
    JTCore::JTArrayListPtr menuItems_;
    bool useDL_ = false;
};

}  // namespace app
