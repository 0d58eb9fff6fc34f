#include "ads/web/GADViewHierarchyTraverser.h"

#include <vector>

#include "platform/runtime/MainLoop.h"
#include "platform/runtime/SerialQueue.h"
#include "platform/runtime/ThreadChecker.h"
#include "platform/ui/View.h"

namespace ads {

std::shared_ptr<GADViewHierarchyTraverser> GADViewHierarchyTraverser::create() {
    return std::make_shared<GADViewHierarchyTraverser>(Private{});
}

GADViewHierarchyTraverser::GADViewHierarchyTraverser(Private)
    : lowPriorityQueue_(std::make_shared<platform::SerialQueue>(kQueueLabel)) {}

void GADViewHierarchyTraverser::traverseView(const std::shared_ptr<platform::ui::View>& root,
                                             TraversalBlock traversal, CompletionBlock completion) {
    MOVU_CHECK_MAIN_THREAD();
    if (traversing_ || !root || !traversal || !completion) {
        if (completion) {
            platform::MainLoop::main().post([completion] { completion(false); });
        }
        return;
    }
    traversing_ = true;
    const std::int64_t walk = ++sequenceNumber_;
    const std::weak_ptr<GADViewHierarchyTraverser> weakSelf = weak_from_this();

    std::vector<std::shared_ptr<platform::ui::View>> stack{root};
    while (!stack.empty()) {
        std::weak_ptr<platform::ui::View> view = stack.back();
        stack.pop_back();
        lowPriorityQueue_->async([weakSelf, view, traversal, walk] {
            if (weakSelf.expired()) return;
            platform::MainLoop::main().syncOnMain([weakSelf, view, traversal, walk] {
                auto self = weakSelf.lock();
                auto visited = view.lock();
                if (self && visited) traversal(visited, walk);
            });
        });
        if (auto held = view.lock()) {
            for (const auto& subview : held->subviews()) stack.push_back(subview);
        }
    }
    lowPriorityQueue_->async([weakSelf, completion] {
        platform::MainLoop::main().post([weakSelf, completion] {
            auto self = weakSelf.lock();
            if (!self) return;
            self->traversing_ = false;
            completion(true);
        });
    });
}

}  // namespace ads
