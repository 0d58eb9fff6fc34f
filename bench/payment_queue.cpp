// The store's queue draining a file of unfinished purchases for a program that finishes each
// purchase as it hears it (the purchase flow's delegate that delivers at once), for files of
// 2,000 and 20,000. The queue opens a hundred at a time, a second apart (on the test clock
// here, so the drain runs at full speed); what a turn of the main loop spends is what an ad
// loading meanwhile waits for. Counters: the passes (one per opening), the main thread's
// milliseconds over the whole drain and its longest pass, and the milliseconds until the file is
// written (by the queue's writer thread, waited for after the drain).

#include <benchmark/benchmark.h>
#include <stdlib.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "platform/runtime/MainLoop.h"
#include "platform/runtime/MainLoopTestScope.h"
#include "platform/services/PaymentQueue.h"
#include "platform/storage/AppPaths.h"
#include "platform/storage/AtomicFile.h"

using namespace platform;
using namespace platform::services;

namespace {

using Clock = std::chrono::steady_clock;

double millisecondsSince(Clock::time_point start) {
    return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

class Finisher : public PaymentTransactionObserver {
  public:
    void updatedTransactions(
        PaymentQueue& queue,
        const std::vector<std::shared_ptr<PaymentTransaction>>& transactions) override {
        for (const auto& t : transactions) {
            if (t->transactionState() == PaymentTransactionState::Purchased) {
                ++finished;
                queue.finishTransaction(t);
            }
        }
    }
    std::size_t finished = 0;
};

std::string storedFile(std::size_t count) {
    std::vector<PaymentTransactionRecord> records;
    for (std::size_t i = 0; i < count; ++i) {
        records.push_back({"00000000-0000-0000-0000-" + std::to_string(100000000000 + i), "coins",
                           1, 1700000000.0 + static_cast<double>(i)});
    }
    return encodePaymentTransactionRecords(records);
}

void BM_DrainStoredPurchases(benchmark::State& state) {
    const auto count = static_cast<std::size_t>(state.range(0));
    std::string pattern = "/tmp/movu-bench-payments-XXXXXX";
    if (!::mkdtemp(pattern.data())) {
        state.SkipWithError("no temporary home");
        return;
    }
    const std::filesystem::path home = pattern;
    AppPaths::setHomeOverride(home);
    const std::string file = storedFile(count);
    MainLoopTestScope scope;
    double turns = 0, mainMs = 0, longestTurnMs = 0, writtenMs = 0;
    for (auto _ : state) {
        state.PauseTiming();
        AtomicFile::write(PaymentQueue::transactionsPath(), file, nullptr, 0600);
        PaymentQueue::resetDefaultQueueForTesting();
        auto finisher = std::make_shared<Finisher>();
        state.ResumeTiming();

        const auto start = Clock::now();
        auto queue = PaymentQueue::defaultQueue();
        queue->addTransactionObserver(finisher);
        turns = 0;
        longestTurnMs = 0;
        // A pass: what one opening of waiting purchases sets off, run to its end.
        for (bool first = true; first || finisher->finished < count; first = false) {
            const auto turn = Clock::now();
            if (first)
                scope.runUntilIdle();
            else
                scope.advance(PaymentQueue::kWaitingOpenInterval);
            longestTurnMs = std::max(longestTurnMs, millisecondsSince(turn));
            ++turns;
        }
        mainMs = millisecondsSince(start);
        queue->flushSaves();
        writtenMs = millisecondsSince(start);
        if (finisher->finished != count || !queue->transactions().empty())
            state.SkipWithError("the queue did not drain");
    }
    state.counters["passes"] = turns;
    state.counters["mainMs"] = mainMs;
    state.counters["longestPassMs"] = longestTurnMs;
    state.counters["writtenMs"] = writtenMs;
    PaymentQueue::resetDefaultQueueForTesting();
    std::error_code ignored;
    std::filesystem::remove_all(home, ignored);
}
BENCHMARK(BM_DrainStoredPurchases)
    ->Arg(2000)
    ->Arg(20000)
    ->Unit(benchmark::kMillisecond)
    ->Iterations(3);

}  // namespace

BENCHMARK_MAIN();
