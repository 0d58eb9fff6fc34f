#pragma once

// The title screen, the app's home: starts a game on the current level, opens the level choice
// (the shared selection screen), the settings and score tools and the web service's pages.
// It reads the menu and the current level afresh every time it appears, so a level unlocked by
// the last run shows at once.

#include <memory>
#include <string>

#include "app/screens/SimpleSelectView.h"
#include "app/screens/TitleViewCore.h"
#include "app/screens/ViewControllerBase.h"
#include "appbase/JTAppContext.h"
#include "appbase/JTLevelMenuItem.h"
#include "core/JTArrayList.h"
#include "platform/ui/Button.h"
#include "platform/ui/Label.h"

namespace app {

class TitleView : public ViewControllerBase {
  public:
    // Web service pages the title opens.
    static constexpr int kWebHowToPlay = 1;
    static constexpr int kWebOtherGames = 2;
    static constexpr int kWebMoreLevels = 6;

    explicit TitleView(std::string nibName = "Title_Portrait");
    ~TitleView() override;
    const char* className() const override { return "TitleView"; }

    // "Title" with the orientation suffix, and "_DlLevels" when the level manager offers
    // downloadable levels on the title screen.
    static std::string interfaceFileName(const std::string& orientationSuffix,
                                         const JTAppBase::JTAppContextPtr& context);

    void viewWillAppear(bool animated) override;
    void updateView();
    // The menu item at the index; empty when there is none there or it is not a menu item.
    JTAppBase::JTLevelMenuItemPtr menuItemAt(int index) const;

    // The app core as the title sees it; empty once it is gone.
    std::shared_ptr<TitleViewCore> titleCore() const { return titleCore_.lock(); }
    // Every screen's part of the app core and the title's own.
    void setAppCore(std::weak_ptr<TitleViewCore> core);
    int selectedIndex() const { return selectedIndex_; }
    JTCore::JTArrayListPtr menuItems() const { return menuItems_; }
    std::shared_ptr<SimpleSelectViewDelegate> levelSelectDelegate() const {
        return levelSelectDelegate_;
    }
    std::shared_ptr<platform::ui::Label> copyrightLabel() const { return copyrightLabel_; }
    std::shared_ptr<platform::ui::Button> levelSelectBtn() const { return levelSelectBtn_; }
    std::shared_ptr<platform::ui::Button> startGameBtnWithSelector() const {
        return startGameBtnWithSelector_;
    }
    std::shared_ptr<platform::ui::Button> startGameBtnWithoutSelector() const {
        return startGameBtnWithoutSelector_;
    }

  protected:
    // The delegate of the level list this title shows; a game's own title may make another.
    virtual std::shared_ptr<SimpleSelectViewDelegate> newLevelSelectDelegate();

  private:
    // The interface's buttons, bound by name when the screen is made.
    void onGameStartBtn();
    void onHowToPlayBtn();
    void onOtherGamesBtn();
    void onMoreLevelsBtn();
    void onSettingBtn();
    void onSelectLevelBtn();

    std::weak_ptr<TitleViewCore> titleCore_;
    std::shared_ptr<platform::ui::Label> copyrightLabel_;
    std::shared_ptr<platform::ui::Button> levelSelectBtn_;
    std::shared_ptr<platform::ui::Button> startGameBtnWithSelector_;
    std::shared_ptr<platform::ui::Button> startGameBtnWithoutSelector_;
    std::shared_ptr<SimpleSelectViewDelegate> levelSelectDelegate_;
    JTCore::JTArrayListPtr menuItems_;
    int selectedIndex_ = 0;
};

}  // namespace app
