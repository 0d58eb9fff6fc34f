#include "platform/ui/MainThread.h"
#include "platform/ui/View.h"

namespace platform::ui {

void View::animate(double duration, const std::function<void()>& changes,
                   std::function<void(bool)> completion) {
    if (changes) changes();
    if (!completion) return;
    auto done = [c = std::move(completion)] { c(true); };
    if (duration > 0)
        postToMainAfter(duration, std::move(done));
    else
        postToMain(std::move(done));
}

}  // namespace platform::ui
