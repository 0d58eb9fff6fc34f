#include "platform/web/ResourceInterceptor.h"

#include <atomic>
#include <map>

#include "platform/base/LogSink.h"
#include "platform/runtime/MainLoop.h"

namespace platform::web {

namespace {

struct Registry {
    std::map<std::string, ResourceInterceptor::Handler> handlers;
    std::function<void()> observer;
};

Registry& registry() {
    // Main thread only; never destroyed, since replies may arrive while the process ends.
    static Registry* r = new Registry();
    return *r;
}

}  // namespace

struct ResourceInterceptor::Reply::State {
    Done done;
    std::atomic<bool> answered = false;

    void answer(std::optional<Response> response) {
        if (answered.exchange(true)) return;
        // The engine's side lives on the main thread, whichever thread answered.
        MainLoop::main().runOnMain(
            [done = std::move(done), response = std::move(response)]() mutable {
                if (done) done(std::move(response));
            });
    }
    ~State() {
        if (!answered.exchange(true) && done) {
            MainLoop::main().runOnMain([done = std::move(done)] { done(std::nullopt); });
        }
    }
};

ResourceInterceptor::Reply::Reply(Done done) : state_(std::make_shared<State>()) {
    state_->done = std::move(done);
}

void ResourceInterceptor::Reply::respond(Response response) const {
    state_->answer(std::move(response));
}

void ResourceInterceptor::Reply::fail() const {
    state_->answer(Response{{}, {}, true});
}

void ResourceInterceptor::Reply::decline() const {
    state_->answer(std::nullopt);
}

bool ResourceInterceptor::setHandler(const std::string& fileName, Handler handler) {
    if (!MainLoop::main().isMainThread()) {
        LogSink::write("ResourceInterceptor: handlers change on the main thread only; ignored");
        return false;
    }
    if (fileName.empty() || fileName.size() > 255 || fileName.find('/') != std::string::npos) {
        LogSink::writef("ResourceInterceptor: \"%s\" is no file name; refused",
                        fileName.substr(0, 64).c_str());
        return false;
    }
    auto& r = registry();
    const bool known = r.handlers.count(fileName) > 0;
    if (handler) {
        r.handlers[fileName] = std::move(handler);
    } else {
        r.handlers.erase(fileName);
    }
    if (known != (r.handlers.count(fileName) > 0) && r.observer) r.observer();
    return true;
}

std::vector<std::string> ResourceInterceptor::fileNames() {
    std::vector<std::string> names;
    for (const auto& [name, handler] : registry().handlers) names.push_back(name);
    return names;
}

void ResourceInterceptor::dispatch(const std::string& fileName, const Request& request,
                                   std::function<void(std::optional<Response>)> done) {
    Reply reply(std::move(done));
    auto it = registry().handlers.find(fileName);
    if (it == registry().handlers.end()) {
        reply.decline();
        return;
    }
    // A copy: the handler may remove itself.
    Handler handler = it->second;
    handler(request, reply);
}

void ResourceInterceptor::setNamesObserver(std::function<void()> observer) {
    registry().observer = std::move(observer);
}

}  // namespace platform::web
