#pragma once

// Fire-and-forget GET pings with a success flag, and a persistent retry list for pings that
// must reach the server eventually (crash reports, purchase conversions): a URL stored in a
// retry group is tried again at every scheduler tick until a try succeeds or its retries are
// used up, across relaunches (GADRetryStore keeps the records).
//
// Thread-safe. The in-flight set lives on the pinger's queue ("com.zivivu.durez.pinger"),
// where the pings' answers, the retry passes and the work of pingWithRetryGroupKey run;
// completions are called there. The retry records change under the store's mutex, so they may
// be stored from any thread. The settings (interval, limits) are read once, at creation.
// Create, start and drop the pinger on the main thread (its scheduler's timer lives there);
// queued work holds it weakly.

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <string>

#include "ads/foundation/GADRetryStore.h"
#include "platform/base/Url.h"

namespace platform {
class SerialQueue;
}

namespace ads {

class GADScheduler;

class GADPinger : public std::enable_shared_from_this<GADPinger> {
  public:
    using Completion = std::function<void(bool success)>;

    static std::shared_ptr<GADPinger> sharedInstance();
    // A pinger of its own (tests): settings and records in the standard user defaults unless
    // given others, which must outlive it.
    static std::shared_ptr<GADPinger> create(platform::UserDefaults* defaults = nullptr);
    ~GADPinger();
    GADPinger(const GADPinger&) = delete;
    GADPinger& operator=(const GADPinger&) = delete;

    // Without a completion nothing happens. A text that is empty or no URL fails (on the
    // pinger's queue) without any traffic. Success is a 2xx answer without a transport error.
    void pingURLString(const std::string& urlString, Completion completion);
    // Stores the retry text in its group, then pings the URL at once; success removes the
    // retry text's record. Meanwhile the retry text counts as in flight, so a tick does not
    // send it a second time. Nothing when the group or the retry text is empty.
    void pingWithRetryGroupKey(const std::string& groupKey, const platform::Url& url,
                               const std::string& retryURLString);
    // Answers whether the URL is stored now (see GADRetryStore::store).
    bool storeRetryURLString(const std::string& urlString, const std::string& groupKey);
    // Registers the retry pass with the scheduler and starts it. Main thread.
    void start();
    bool isStarted() const;
    // One retry pass, queued on the pinger's queue.
    void pingRetryURLs();

    double pingInterval() const { return pingInterval_; }
    std::int64_t maximumRetryURLCount() const { return maximumRetryURLCount_; }
    std::int64_t URLRetryCount() const { return URLRetryCount_; }
    GADRetryStore& retryStore() { return store_; }
    // URL texts whose pings have not been answered yet.
    std::size_t pingsInFlight() const;
    // Runs the block on the pinger's queue after everything queued before it (tests).
    void sync(const std::function<void()>& block);

  private:
    struct Private {};

  public:
    GADPinger(Private, platform::UserDefaults* defaults);

  private:
    // On the queue.
    void sendPing(const std::string& urlString, Completion completion);
    void retryPassOnQueue();
    bool isInFlight(const std::string& urlString) const;
    void addInFlight(const std::string& urlString);
    void removeInFlight(const std::string& urlString);
    void onQueue(std::function<void(GADPinger&)> work);

    const std::shared_ptr<platform::SerialQueue> lockQueue_;
    GADRetryStore store_;
    const double pingInterval_;
    const std::int64_t maximumRetryURLCount_;
    const std::int64_t URLRetryCount_;
    std::shared_ptr<GADScheduler> scheduler_;
    // On the queue: URL texts with their pings in flight (the same text may be sent twice).
    std::map<std::string, int> pingedURLs_;
};

}  // namespace ads
