#include "ads/foundation/GADPinger.h"

#include "ads/foundation/GADPingRequest.h"
#include "ads/foundation/GADQueue.h"
#include "ads/foundation/GADScheduler.h"
#include "ads/foundation/GADSettings.h"
#include "platform/runtime/SerialQueue.h"
#include "platform/runtime/WeakCall.h"
#include "platform/storage/UserDefaults.h"

namespace ads {

namespace {

GADSettings settingsFor(platform::UserDefaults* defaults) {
    return defaults ? GADSettings(*defaults) : GADSettings();
}

}  // namespace

std::shared_ptr<GADPinger> GADPinger::sharedInstance() {
    // Never released: stored retries are tried for as long as the process runs.
    static auto* instance = new std::shared_ptr<GADPinger>(create());
    return *instance;
}

std::shared_ptr<GADPinger> GADPinger::create(platform::UserDefaults* defaults) {
    return std::make_shared<GADPinger>(Private{}, defaults);
}

GADPinger::GADPinger(Private, platform::UserDefaults* defaults)
    : lockQueue_(std::make_shared<platform::SerialQueue>("com.zivivu.durez.pinger")),
      store_(defaults),
      pingInterval_(settingsFor(defaults).pingInterval()),
      maximumRetryURLCount_(settingsFor(defaults).maximumRetryURLCount()),
      URLRetryCount_(settingsFor(defaults).urlTimeToLive()),
      scheduler_(GADScheduler::create(pingInterval_)) {}

GADPinger::~GADPinger() = default;

void GADPinger::onQueue(std::function<void(GADPinger&)> work) {
    lockQueue_->async(platform::weakCall(weak_from_this(), std::move(work)));
}

void GADPinger::sync(const std::function<void()>& block) {
    lockQueue_->sync(block);
}

std::size_t GADPinger::pingsInFlight() const {
    std::size_t count = 0;
    auto read = [&] {
        for (const auto& [url, pings] : pingedURLs_) count += static_cast<std::size_t>(pings);
    };
    if (!lockQueue_->sync(read)) read();
    return count;
}

void GADPinger::pingURLString(const std::string& urlString, Completion completion) {
    if (!completion) return;
    std::weak_ptr<GADPinger> weak = weak_from_this();
    lockQueue_->async([weak, urlString, completion = std::move(completion)]() mutable {
        if (auto self = weak.lock()) {
            self->sendPing(urlString, std::move(completion));
        } else {
            completion(false);
        }
    });
}

void GADPinger::sendPing(const std::string& urlString, Completion completion) {
    auto url = urlString.empty() ? std::nullopt : platform::Url::parse(urlString);
    if (!url) {
        if (completion) completion(false);
        return;
    }
    addInFlight(urlString);
    std::weak_ptr<GADPinger> weak = weak_from_this();
    std::shared_ptr<platform::SerialQueue> queue = lockQueue_;
    GADPingRequest::send(
        platform::UrlRequest(*url),
        [weak, urlString, completion = std::move(completion)](
            const std::optional<platform::UrlResponse>& response,
            const std::optional<platform::Error>& error) {
            const bool success = GADPingRequest::succeeded(response, error);
            if (auto self = weak.lock()) self->removeInFlight(urlString);
            if (completion) completion(success);
        },
        [queue](std::function<void()> task) { queue->async(std::move(task)); });
}

void GADPinger::pingWithRetryGroupKey(const std::string& groupKey, const platform::Url& url,
                                      const std::string& retryURLString) {
    if (groupKey.empty() || retryURLString.empty()) return;
    onQueue([groupKey, url, retryURLString](GADPinger& self) {
        self.store_.store(retryURLString, groupKey, self.maximumRetryURLCount_,
                          self.URLRetryCount_);
        self.addInFlight(retryURLString);
        std::weak_ptr<GADPinger> weak = self.weak_from_this();
        self.sendPing(url.absoluteString(), [weak, groupKey, retryURLString](bool success) {
            auto pinger = weak.lock();
            if (!pinger) return;
            pinger->removeInFlight(retryURLString);
            if (success) pinger->store_.remove(retryURLString, groupKey);
        });
    });
}

bool GADPinger::storeRetryURLString(const std::string& urlString, const std::string& groupKey) {
    return store_.store(urlString, groupKey, maximumRetryURLCount_, URLRetryCount_);
}

void GADPinger::start() {
    if (scheduler_->isStarted()) return;
    scheduler_->taskIDScheduledOnQueue(
        GADQueue::serial(lockQueue_),
        platform::weakCall(weak_from_this(), &GADPinger::retryPassOnQueue));
    scheduler_->start();
}

bool GADPinger::isStarted() const {
    return scheduler_->isStarted();
}

void GADPinger::pingRetryURLs() {
    onQueue([](GADPinger& self) { self.retryPassOnQueue(); });
}

void GADPinger::retryPassOnQueue() {
    // Whatever is stored, one pass sends at most the group's maximum, each at most as often as
    // a new record would be.
    auto due = store_.pass([this](const std::string& url) { return isInFlight(url); },
                           maximumRetryURLCount_, URLRetryCount_);
    std::weak_ptr<GADPinger> weak = weak_from_this();
    for (auto& [groupKey, url] : due) {
        sendPing(url, [weak, groupKey = groupKey, url = url](bool success) {
            if (!success) return;
            if (auto self = weak.lock()) self->store_.remove(url, groupKey);
        });
    }
}

bool GADPinger::isInFlight(const std::string& urlString) const {
    return pingedURLs_.count(urlString) > 0;
}

void GADPinger::addInFlight(const std::string& urlString) {
    ++pingedURLs_[urlString];
}

void GADPinger::removeInFlight(const std::string& urlString) {
    auto found = pingedURLs_.find(urlString);
    if (found == pingedURLs_.end()) return;
    if (--found->second <= 0) pingedURLs_.erase(found);
}

}  // namespace ads
