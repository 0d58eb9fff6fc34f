#include "platform/net/UrlRequest.h"

#include <mutex>

namespace platform {

namespace {

std::mutex& agentMutex() {
    static std::mutex mutex;
    return mutex;
}

std::string& agentStorage() {
    // Never destroyed: requests are still made on pool threads while the process exits.
    static auto* agent = new std::string("Movuroute/1.0");
    return *agent;
}

}  // namespace

std::string UrlRequest::defaultUserAgent() {
    std::lock_guard lock(agentMutex());
    return agentStorage();
}

void UrlRequest::setDefaultUserAgent(std::string agent) {
    if (agent.empty()) return;
    std::lock_guard lock(agentMutex());
    agentStorage() = std::move(agent);
}

UrlRequest::UrlRequest(Url url, UrlRequestCachePolicy cachePolicy, double timeoutInterval)
    : url_(std::move(url)), timeout_(timeoutInterval), cachePolicy_(cachePolicy) {}

std::optional<UrlRequest> UrlRequest::withString(std::string_view url) {
    auto parsed = Url::parse(url);
    if (!parsed) return std::nullopt;
    return UrlRequest(std::move(*parsed));
}

void UrlRequest::setHttpMethod(std::string method) {
    // An empty method would make a malformed request line; keep the previous one instead.
    if (!method.empty()) method_ = std::move(method);
}

void UrlRequest::setValueForHttpHeaderField(std::string value, std::string_view field) {
    if (value.empty()) {
        headers_.remove(field);
        return;
    }
    headers_.set(field, std::move(value));
}

void UrlRequest::addValueForHttpHeaderField(std::string_view value, std::string_view field) {
    headers_.add(field, value);
}

}  // namespace platform
