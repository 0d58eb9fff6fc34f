#pragma once

// The walk of a view tree that content hashing reads the app's text through, spread over many
// short main-loop turns so the app stays responsive.
//
// traverseView collects the views at once, on the calling thread (the main thread), with a
// stack: each view is visited before its subviews, and among siblings the front-most (last)
// first. Each visit is then queued on the low-priority serial queue
// "com.zivivu.durez.view-hierarchy", which runs it on the main thread and waits for it, one
// at a time: one visit per main-loop turn, never two at once. A view is held weakly from the
// collection to its visit; one freed meanwhile is skipped. After the last visit the
// completion is called with true on the main loop and the walk is over.
//
// One walk at a time: a walk asked for while one runs, or without a root or either block, is
// refused (the completion hears false on a later main-loop turn). Each accepted walk takes the
// next sequence number (1, 2, ...), which every visit of it is told.
//
// Main thread only, except the queue's own work. The queued work holds the traverser weakly:
// one let go mid-walk visits nothing more and completes nothing.

#include <cstdint>
#include <functional>
#include <memory>

namespace platform {
class SerialQueue;
namespace ui {
class View;
}
}  // namespace platform

namespace ads {

class GADViewHierarchyTraverser : public std::enable_shared_from_this<GADViewHierarchyTraverser> {
    struct Private {};

  public:
    static constexpr const char* kQueueLabel = "com.zivivu.durez.view-hierarchy";
    using TraversalBlock =
        std::function<void(const std::shared_ptr<platform::ui::View>& view, std::int64_t walk)>;
    using CompletionBlock = std::function<void(bool finished)>;

    static std::shared_ptr<GADViewHierarchyTraverser> create();
    explicit GADViewHierarchyTraverser(Private);

    void traverseView(const std::shared_ptr<platform::ui::View>& root, TraversalBlock traversal,
                      CompletionBlock completion);
    bool isTraversing() const { return traversing_; }
    void setTraversing(bool traversing) { traversing_ = traversing; }
    std::int64_t sequenceNumber() const { return sequenceNumber_; }
    // Where the visits wait their turn; work put on it ahead holds a walk back.
    const std::shared_ptr<platform::SerialQueue>& queue() const { return lowPriorityQueue_; }

  private:
    bool traversing_ = false;
    std::int64_t sequenceNumber_ = 0;
    const std::shared_ptr<platform::SerialQueue> lowPriorityQueue_;
};

}  // namespace ads
