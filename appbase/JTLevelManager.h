#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "appbase/JTLevelInfo.h"
#include "appbase/JTLevelMenuItem.h"
#include "core/JTArrayList.h"
#include "core/JTString.h"
#include "core/JTWeakPtr.h"

namespace JTAppBase {

class JTAppContext;
class JTLevelManager;
using JTLevelManagerPtr = boost::intrusive_ptr<JTLevelManager>;

// Knows which levels exist, builds the title menu from them, starts a level by making its
// scene, and holds back the notices raised while a run ends until the game-over screen can show
// them. A game derives from it to define its levels and scenes.
class JTLevelManager : public JTCore::JTObject {
  public:
    explicit JTLevelManager(const boost::intrusive_ptr<JTAppContext>& context);

    // Fills the list with the game's level records, in menu order.
    virtual void initLevels(const JTCore::JTArrayListPtr& levels) = 0;
    virtual void createMenuItems(const JTCore::JTArrayListPtr& levels,
                                 const JTCore::JTArrayListPtr& menuItems);
    virtual JTLevelMenuItemPtr newMenuItem(int32_t index, const JTLevelInfoPtr& level);
    // Makes the level's scene and hands it to the context.
    virtual void startLevel(int32_t levelId) = 0;
    virtual void reset();
    // The last matching record wins; -1 when none.
    virtual int32_t indexOfLevel(int32_t levelId);
    // The ids of the listed levels, in menu order.
    std::vector<int32_t> getLevelIds() const;
    virtual JTCore::JTObjectPtr loadLevelData(const JTLevelInfoPtr& level);
    virtual JTLevelInfoPtr newLevelInfo(int32_t levelId);
    virtual JTCore::JTStringPtr getLevelDescription(const JTLevelInfoPtr& level);
    virtual JTCore::JTStringPtr getLevelInfoText(const JTLevelInfoPtr& level);
    virtual JTCore::JTStringPtr getLevelTitle(const JTLevelInfoPtr& level);
    virtual JTCore::JTStringPtr getLevelMenuTitle(const JTLevelInfoPtr& level);
    virtual bool usesLevelHashes() { return false; }
    virtual bool showsDlLevelsOnGameOver() { return usesLevelHashes(); }
    virtual JTLevelInfoPtr getNextLevelInfo(const JTLevelInfoPtr& level);
    virtual bool canDownloadLevels() { return usesLevelHashes(); }
    virtual void onGameOver(int32_t levelId, int32_t score);
    // Queued while a collection is open, else shown at once as an alert.
    virtual void showMessage(const JTCore::JTStringPtr& title, const JTCore::JTStringPtr& message);
    virtual JTCore::JTStringPtr getInfoTextPrefix() { return infoTextPrefix_; }
    virtual void setInfoTextPrefix(JTCore::JTStringPtr prefix) {
        infoTextPrefix_ = std::move(prefix);
    }

    // Empty once the context is gone.
    boost::intrusive_ptr<JTAppContext> getAppContext() const;
    // The level being played wins over the list, so a level that is not listed (a downloaded
    // one) is still found while it runs.
    JTLevelInfoPtr getLevelInfoById(int32_t levelId);
    // JTLevelMenuItem objects, rebuilt when marked dirty.
    JTCore::JTArrayListPtr getMenuItems();
    void markMenuItemsDirty() { menuItemsDirty_ = true; }
    int32_t getMenuIndexOfLevel(int32_t levelId);
    // The id itself when its item can be chosen, else the preferred level, else the first
    // selectable one, else 0.
    int32_t getSelectableLevelId(int32_t levelId);

    // Opens a collection (dropping one still open): notices are kept instead of shown.
    void beginPendingMessages();
    // The collected notices as a flat list title, message, title, message ...; nullopt when
    // nothing was collected. Either way the collection ends.
    std::optional<std::vector<std::string>> takePendingMessages();
    bool hasPendingMessages() const { return pending_ && !pending_->empty(); }

    int32_t getPreferredLevelId() const { return preferredLevelId_; }
    void setPreferredLevelId(int32_t id) { preferredLevelId_ = id; }

  protected:
    const JTCore::JTArrayListPtr& levels() const { return levels_; }

  private:
    JTCore::JTWeakPtr<JTAppContext> context_;
    JTCore::JTArrayListPtr levels_;
    int32_t preferredLevelId_ = 0;
    JTCore::JTStringPtr infoTextPrefix_;
    JTCore::JTArrayListPtr menuItems_;
    bool menuItemsDirty_ = true;
    std::optional<std::vector<std::string>> pending_;
};

}  // namespace JTAppBase
