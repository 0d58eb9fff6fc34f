#include "platform/ui/MainThread.h"

#include <algorithm>
#include <cstdint>

#include "platform/runtime/Clock.h"
#include "platform/runtime/MainLoop.h"

namespace platform::ui {

void postToMain(std::function<void()> fn) {
    MainLoop::main().post(std::move(fn));
}

void postToMainAfter(double seconds, std::function<void()> fn) {
    MainLoop::main().postAfter(seconds, std::move(fn));
}

double monotonicNow() {
    return Clock::monotonic();
}

}  // namespace platform::ui

// Notifications: a small registry of our own until the runtime offers a notification centre.
#include <map>
#include <string>
#include <vector>

namespace platform::ui {

namespace {
struct Observer {
    std::uint64_t id;
    std::function<void()> fn;
};
std::map<std::string, std::vector<Observer>>& observers() {
    static std::map<std::string, std::vector<Observer>> o;
    return o;
}
std::uint64_t nextObserverId = 1;
}  // namespace

void postNotification(const char* name) {
    // Observers may come and go while we call them: call the ones present now.
    auto it = observers().find(name);
    if (it == observers().end()) return;
    auto current = it->second;
    for (auto& o : current) {
        auto& live = observers()[name];
        bool still = std::any_of(live.begin(), live.end(), [&](auto& l) { return l.id == o.id; });
        if (still) o.fn();
    }
}

std::shared_ptr<void> observeNotification(const char* name, std::function<void()> fn) {
    std::uint64_t id = nextObserverId++;
    std::string key = name;
    observers()[key].push_back({id, std::move(fn)});
    // A real pointer, so callers can test the token.
    return std::shared_ptr<void>(new char(0), [key, id](void* p) {
        delete static_cast<char*>(p);
        auto& list = observers()[key];
        list.erase(std::remove_if(list.begin(), list.end(), [id](auto& o) { return o.id == id; }),
                   list.end());
    });
}

}  // namespace platform::ui
