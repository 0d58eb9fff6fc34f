#pragma once

#include "appbase/JTLevelInfo.h"
#include "core/JTString.h"
#include "core/JTWeakPtr.h"

namespace JTAppBase {

class JTLevelManager;
class JTLevelMenuItem;
using JTLevelMenuItemPtr = boost::intrusive_ptr<JTLevelMenuItem>;

// One row of the title screen's level menu. The texts come from the manager that made the item,
// so a game can word its menu differently from the level records; a locked item carries the
// text that says how to unlock it.
class JTLevelMenuItem : public JTCore::JTObject {
  public:
    JTLevelMenuItem(const boost::intrusive_ptr<JTLevelManager>& manager, JTLevelInfoPtr level);

    virtual JTCore::JTStringPtr getInfoText() const;
    virtual JTCore::JTStringPtr getDescription() const;
    virtual JTCore::JTStringPtr getMenuTitle() const;
    // The label when one was set (a locked item's carries " (Locked)"), else the level's title.
    virtual JTCore::JTStringPtr getLabel() const;
    virtual JTLevelInfoPtr getLevelInfo() const { return level_; }
    virtual void setLabel(JTCore::JTStringPtr label) { label_ = std::move(label); }
    virtual bool isLocked() const { return lockMessage_ != nullptr; }
    virtual JTCore::JTStringPtr getLockMessage() const { return lockMessage_; }
    virtual void setLockMessage(JTCore::JTStringPtr message) { lockMessage_ = std::move(message); }

  private:
    JTCore::JTWeakPtr<JTLevelManager> manager_;
    JTLevelInfoPtr level_;
    JTCore::JTStringPtr label_;
    JTCore::JTStringPtr lockMessage_;
};

JTLevelMenuItemPtr DynamicCastLevelMenuItem(const JTCore::JTObjectPtr& obj);

}  // namespace JTAppBase
