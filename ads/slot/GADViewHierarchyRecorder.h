#pragma once

// The banner's ad key: where in the app's view tree the banner sits, sent with each request as
// "view_hierarchy". record() walks up from the banner on the main thread at the start of every
// load attempt and hands the result to the serial queue "com.zivivu.durez.banner-view";
// latest() reads it there, synchronously, so a reader on any thread sees every record queued
// before its call. Records queued before the recorder goes still land (the queue keeps what
// they write alive); nothing else outlives it.
//
// Record: {"creator_class": the banner's class name, "parents": [one entry per ancestor,
// nearest first: {"type": its class name, "index_of_child": where the view below it sits in its
// subviews, "is_hidden", "clips_to_bounds"}]}, at most "/zivivu/ads/ad_key_parent_view_count"
// (20 when unset) ancestors.

#include <cstdint>
#include <memory>
#include <optional>
#include <string>

#include "platform/base/Value.h"

namespace platform {
class SerialQueue;
}
namespace platform::ui {
class View;
}

namespace ads {

class GADViewHierarchyRecorder {
  public:
    static constexpr const char* kQueueLabel = "com.zivivu.durez.banner-view";

    GADViewHierarchyRecorder();
    ~GADViewHierarchyRecorder();
    GADViewHierarchyRecorder(const GADViewHierarchyRecorder&) = delete;
    GADViewHierarchyRecorder& operator=(const GADViewHierarchyRecorder&) = delete;

    // Main thread. The limit comes from the settings.
    void record(const platform::ui::View& view, const std::string& creatorClass);
    // Any thread but the recorder's queue; nothing before the first record.
    std::optional<platform::Value> latest() const;

    // The "parents" array of a view: at most `limit` ancestors (none for a limit below 1).
    static platform::Value::Array parentsOf(const platform::ui::View& view, std::int64_t limit);

  private:
    struct Store;
    std::shared_ptr<Store> store_;
    std::shared_ptr<platform::SerialQueue> queue_;
};

}  // namespace ads
