#pragma once

// The announcement banner of the game-over screen: built from the cached list and its
// pictures, kept between showings until a check brings a new list, and the actions behind its
// buttons (a URL to open or an action sheet of choices). Main thread only.
//
// Owned by the announcement manager, which is its host; its buttons and action sheets reach it
// weakly, so a click that comes after it went does nothing. Cache reads go through the
// manager's AnnounceCache, so they never meet a check's half-written files.

#include <filesystem>
#include <memory>

#include "platform/base/Geometry.h"
#include "platform/base/Value.h"
#include "platform/ui/ActionSheet.h"

namespace platform::ui {
class View;
}  // namespace platform::ui

namespace online {

class AnnounceCache;
class AnnounceHost;
class AnnounceInfo;

class AnnounceBanner : public platform::ui::ActionSheetDelegate,
                       public std::enable_shared_from_this<AnnounceBanner> {
    struct Private {};

  public:
    static std::shared_ptr<AnnounceBanner> create(AnnounceHost& host,
                                                  std::shared_ptr<AnnounceCache> cache);
    AnnounceBanner(Private, AnnounceHost& host, std::shared_ptr<AnnounceCache> cache);
    AnnounceBanner(const AnnounceBanner&) = delete;
    AnnounceBanner& operator=(const AnnounceBanner&) = delete;

    // A check saved a new list: the next showing builds the banner again.
    void markDirty() { dirty_ = true; }
    bool isDirty() const { return dirty_; }

    // Puts the banner on `parent` (built first when there is none or the list changed).
    // `alternative` stands in its place when there is no banner and is taken away when there
    // is one. Alignment 0 centres the banner on the position, 1 puts its right (bottom) edge
    // there, -1 its left (top) edge.
    void showOn(const std::shared_ptr<platform::ui::View>& parent,
                const std::shared_ptr<platform::ui::View>& alternative, platform::Point position,
                int alignX, int alignY);
    // Takes the banner out of its parent; the built banner is kept for the next showing.
    void close();
    // Forgets the built banner and its list.
    void clear();
    // Builds the banner from the cache; false (and no banner) when there is nothing to show.
    bool build();

    std::shared_ptr<platform::ui::View> view() const { return view_; }
    // A banner button was pressed: runs the action its item names.
    void buttonAction(int tag);
    // Runs an "AU" (open a URL) or "AS" (action sheet) row.
    void doAction(const platform::Value& row);
    std::shared_ptr<platform::ui::ActionSheet> selectActionSheet() const {
        return selectActionSheet_;
    }

    void actionSheetClickedButtonAtIndex(platform::ui::ActionSheet& sheet, int index) override;

  private:
    bool buildSub(const std::filesystem::path& cacheDir);
    // Runs the action row the list names `key`, if there is one.
    void doActionNamed(const AnnounceInfo& info, const std::string& key);

    AnnounceHost& host_;
    std::shared_ptr<AnnounceCache> cache_;
    bool dirty_ = false;
    std::shared_ptr<platform::ui::View> parentView_;
    std::shared_ptr<platform::ui::View> view_;
    std::shared_ptr<AnnounceInfo> currentAnnounceInfo_;
    platform::Value::Array selectOptions_;
    std::shared_ptr<platform::ui::ActionSheet> selectActionSheet_;
};

}  // namespace online
