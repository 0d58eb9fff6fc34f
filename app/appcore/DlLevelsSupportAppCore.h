#pragma once

// Joins the level download to the app core: the core offers it application URLs through its
// URL seam, and the download reaches the core's screens, settings and web commands through
// this object. Owned by the app core; it owns the download support, which points back to it
// weakly.

#include <memory>
#include <string>

#include "app/screens/AppScreenSeams.h"
#include "online/DlLevelsAppCore.h"

namespace online {
class DlLevelsSupport;
}
namespace app {

class AppCoreBase;

class DlLevelsSupportAppCore : public online::DlLevelsAppCore,
                               public LevelDownloadUrlHandler,
                               public std::enable_shared_from_this<DlLevelsSupportAppCore> {
  public:
    static std::shared_ptr<DlLevelsSupportAppCore> create(std::weak_ptr<AppCoreBase> appCore);

    bool handleOpenURL(const std::string& url) override;

    JTAppBase::JTAppContextPtr dlAppContext() override;
    std::string downloadLevelUrlWithLevelId(int32_t levelId, int64_t dh, int64_t tk) const override;
    void stopAllSounds() override;
    void stopAllViews() override;
    void startTitleView() override;
    void startGameView() override;
    void setCurrentLevelId(int32_t levelId) override;
    void saveSettings() override;
    bool updateInterfaceOrientation() override;
    void showSimpleAlert(const std::string& title, const std::string& message) override;

  private:
    std::weak_ptr<AppCoreBase> appCore_;
    std::shared_ptr<online::DlLevelsSupport> support_;
};

}  // namespace app
