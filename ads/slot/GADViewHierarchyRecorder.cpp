#include "ads/slot/GADViewHierarchyRecorder.h"

#include <algorithm>

#include "ads/foundation/GADSettings.h"
#include "platform/runtime/SerialQueue.h"
#include "platform/ui/View.h"

namespace ads {

using platform::Value;

// Written and read only on the queue.
struct GADViewHierarchyRecorder::Store {
    std::optional<Value> record;
};

GADViewHierarchyRecorder::GADViewHierarchyRecorder()
    : store_(std::make_shared<Store>()),
      queue_(std::make_shared<platform::SerialQueue>(kQueueLabel)) {}

GADViewHierarchyRecorder::~GADViewHierarchyRecorder() = default;

Value::Array GADViewHierarchyRecorder::parentsOf(const platform::ui::View& view,
                                                 std::int64_t limit) {
    Value::Array parents;
    const platform::ui::View* child = &view;
    auto parent = view.superview();
    while (parent && std::int64_t(parents.size()) < limit) {
        const auto& siblings = parent->subviews();
        const auto at = std::find_if(
            siblings.begin(), siblings.end(),
            [child](const std::shared_ptr<platform::ui::View>& v) { return v.get() == child; });
        parents.push_back(
            Value::dictionary({{"type", Value(parent->className())},
                               {"index_of_child", Value(std::uint64_t(at - siblings.begin()))},
                               {"is_hidden", Value(parent->isHidden())},
                               {"clips_to_bounds", Value(parent->clipsToBounds())}}));
        child = parent.get();
        parent = parent->superview();
    }
    return parents;
}

void GADViewHierarchyRecorder::record(const platform::ui::View& view,
                                      const std::string& creatorClass) {
    Value record = Value::dictionary(
        {{"creator_class", Value(creatorClass)},
         {"parents", Value(parentsOf(view, GADSettings().adKeyParentViewCount()))}});
    queue_->async([store = store_, record = std::move(record)]() mutable {
        store->record = std::move(record);
    });
}

std::optional<Value> GADViewHierarchyRecorder::latest() const {
    std::optional<Value> found;
    queue_->sync([&] { found = store_->record; });
    return found;
}

}  // namespace ads
