#include "platform/services/PaymentQueue.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <fstream>
#include <functional>
#include <mutex>
#include <set>
#include <thread>

#include "platform/base/LogSink.h"
#include "platform/runtime/MainLoopTestScope.h"
#include "platform/runtime/ManualClock.h"
#include "platform/services/StoreCatalogue.h"
#include "platform/services/StoreProductLookup.h"
#include "platform/storage/AppPaths.h"
#include "platform/storage/AtomicFile.h"
#include "platform/testing/PlatformStateScope.h"
#include "platform/testing/TempDir.h"
#include "platform/ui/AlertView.h"

namespace platform::services {
namespace {

using State = PaymentTransactionState;
using Transactions = std::vector<std::shared_ptr<PaymentTransaction>>;

struct Heard {
    bool removed;
    std::string product;
    State state;
};

class Listener : public PaymentTransactionObserver {
  public:
    void updatedTransactions(PaymentQueue&, const Transactions& transactions) override {
        for (const auto& t : transactions)
            heard.push_back({false, t->payment().productIdentifier, t->transactionState()});
        last = transactions;
    }
    void removedTransactions(PaymentQueue&, const Transactions& transactions) override {
        for (const auto& t : transactions)
            heard.push_back({true, t->payment().productIdentifier, t->transactionState()});
    }
    std::vector<Heard> heard;
    Transactions last;
};

class PaymentQueueTest : public ::testing::Test {
  protected:
    PaymentQueueTest() {
        clock->setWallSeconds(1700000000.25);
        StoreCatalogue::setSharedForTesting(
            std::make_shared<StoreCatalogue>(std::vector<CatalogueProduct>{
                {"coins", "Coins", "A bag", *Decimal::parse("0.99"), "USD"}}));
    }

    std::shared_ptr<PaymentQueue> restart() {
        PaymentQueue::resetDefaultQueueForTesting();
        return PaymentQueue::defaultQueue();
    }

    testing::PlatformStateScope state;
    MainLoopTestScope loop;
    std::shared_ptr<ManualClock> clock = Clock::installManual();
    testing::TempHome home;
    std::shared_ptr<Listener> listener = std::make_shared<Listener>();
};

TEST_F(PaymentQueueTest, TheSheetBuysOrCancelsAndAnUnknownProductFailsWithoutOne) {
    EXPECT_TRUE(PaymentQueue::canMakePayments());
    auto queue = PaymentQueue::defaultQueue();
    queue->addTransactionObserver(listener);
    queue->addTransactionObserver(listener);  // counted once
    EXPECT_EQ(queue->observerCount(), 1u);

    queue->addPayment({"coins", 2});
    ASSERT_EQ(queue->transactions().size(), 1u);
    EXPECT_EQ(queue->transactions()[0]->transactionState(), State::Purchasing);
    loop.runUntilIdle();
    auto sheet = ui::AlertView::visibleAlert();
    ASSERT_TRUE(sheet);
    EXPECT_EQ(sheet->title(), "Coins");
    // The sum the user agrees to, with the unit price beside it.
    EXPECT_EQ(sheet->message(),
              "Coins \u00d7 2: 1.98 USD (0.99 USD each). Nothing is charged here.");
    EXPECT_EQ(sheet->buttonTitleAtIndex(0), "Cancel");
    EXPECT_EQ(sheet->buttonTitleAtIndex(1), "Buy");
    clock->setWallSeconds(1700000100.5);
    sheet->tapButton(1);
    loop.runUntilIdle();
    auto bought = queue->transactions()[0];
    EXPECT_EQ(bought->transactionState(), State::Purchased);
    EXPECT_EQ(bought->transactionIdentifier().size(), 36u);
    EXPECT_DOUBLE_EQ(bought->transactionDate(), 1700000100.5);

    queue->addPayment({"coins", 1});
    loop.runUntilIdle();
    ui::AlertView::visibleAlert()->tapButton(0);
    queue->addPayment({"unknown", 1});
    loop.runUntilIdle();
    EXPECT_FALSE(ui::AlertView::visibleAlert());
    ASSERT_EQ(queue->transactions().size(), 3u);
    const auto cancelled = queue->transactions()[1];
    const auto unknown = queue->transactions()[2];
    EXPECT_EQ(cancelled->transactionState(), State::Failed);
    EXPECT_TRUE(cancelled->error()->is(kStoreErrorDomain, kStoreErrorPaymentCancelled));
    EXPECT_TRUE(cancelled->transactionIdentifier().empty());
    EXPECT_TRUE(unknown->error()->is(kStoreErrorDomain, kStoreErrorProductNotAvailable));

    std::vector<std::pair<std::string, State>> updates;
    for (const auto& h : listener->heard) {
        EXPECT_FALSE(h.removed);
        updates.emplace_back(h.product, h.state);
    }
    // Each state once, in the order of the changes: a state already left when the turn came
    // is not told (the unknown product failed in the same turn it was asked for).
    EXPECT_EQ(updates.size(), 5u);
    EXPECT_EQ(updates.back(), std::make_pair(std::string("unknown"), State::Failed));

    // Finishing removes, once, even when asked twice from two threads.
    listener->heard.clear();
    std::thread a([&] { queue->finishTransaction(bought); });
    std::thread b([&] { queue->finishTransaction(bought); });
    a.join();
    b.join();
    loop.runUntilIdle();
    queue->finishTransaction(cancelled);
    queue->finishTransaction(unknown);
    loop.runUntilIdle();
    EXPECT_TRUE(queue->transactions().empty());
    ASSERT_EQ(listener->heard.size(), 3u);
    EXPECT_TRUE(listener->heard[0].removed);

    // A dropped observer hears nothing and is not counted.
    listener.reset();
    EXPECT_EQ(queue->observerCount(), 0u);
}

TEST_F(PaymentQueueTest, ASheetAnsweredBeforeTheLoopTurnsIsToldOnce) {
    auto queue = PaymentQueue::defaultQueue();
    queue->addTransactionObserver(listener);
    queue->addPayment({"coins", 1});
    ui::AlertView::visibleAlert()->tapButton(1);
    queue->addPayment({"nope", 1});
    loop.runUntilIdle();
    ASSERT_EQ(listener->heard.size(), 2u);
    EXPECT_EQ(listener->heard[0].state, State::Purchased);
    EXPECT_EQ(listener->heard[1].product, "nope");
    EXPECT_EQ(listener->heard[1].state, State::Failed);
}

TEST_F(PaymentQueueTest, UnfinishedPurchasesOutliveARestartInAPrivateFile) {
    auto queue = PaymentQueue::defaultQueue();
    queue->addPayment({"coins", 3});
    queue->addPayment({"coins", 1});
    loop.runUntilIdle();
    ui::AlertView::visibleAlert()->tapButton(1);
    loop.runUntilIdle();
    ui::AlertView::visibleAlert()->tapButton(1);
    loop.runUntilIdle();
    const auto path = PaymentQueue::transactionsPath();
    struct stat st {};
    ASSERT_EQ(::stat(path.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0600u);
    const std::string firstId = queue->transactions()[0]->transactionIdentifier();
    queue->finishTransaction(queue->transactions()[1]);
    loop.runUntilIdle();

    // The next run's queue has the paid one still open; a late observer hears it at once.
    queue = restart();
    ASSERT_EQ(queue->transactions().size(), 1u);
    EXPECT_EQ(queue->transactions()[0]->transactionIdentifier(), firstId);
    EXPECT_EQ(queue->transactions()[0]->payment().quantity, 3);
    queue->addTransactionObserver(listener);
    loop.runUntilIdle();
    ASSERT_EQ(listener->heard.size(), 1u);
    EXPECT_EQ(listener->heard[0].state, State::Purchased);

    queue->finishTransaction(queue->transactions()[0]);
    loop.runUntilIdle();
    queue->flushSaves();
    EXPECT_FALSE(std::filesystem::exists(path));
    EXPECT_TRUE(restart()->transactions().empty());
}

TEST_F(PaymentQueueTest, ADamagedFileIsMovedAsideAndTheQueueStartsEmpty) {
    const auto path = PaymentQueue::transactionsPath();
    std::filesystem::create_directories(path.parent_path());
    std::ofstream(path)
        << R"({"transactions": [{"id": "x", "product": "coins", "quantity": 0, "date": 1}]})";
    LogSink::Capture log;
    auto queue = restart();
    EXPECT_TRUE(queue->transactions().empty());
    EXPECT_TRUE(log.contains("moved aside"));
    EXPECT_FALSE(std::filesystem::exists(path));
    bool asideFound = false;
    for (const auto& entry : std::filesystem::directory_iterator(path.parent_path()))
        asideFound |=
            entry.path().filename().string().starts_with("StoreTransactions.json.corrupt-");
    EXPECT_TRUE(asideFound);
}

// Purchases read through a link would be delivered again from wherever it points, and the next
// save would go there too. The link is refused as a link in the place of tmp/ is; our own file
// later takes its place, and what it pointed to is left as it was.
TEST_F(PaymentQueueTest, APlantedLinkInThePlaceOfThePurchasesFileIsNotBelieved) {
    const auto path = PaymentQueue::transactionsPath();
    testing::TempDir elsewhere;
    const std::string planted = encodePaymentTransactionRecords(
        {{"id-1", "coins", 1, 1700000000}, {"id-2", "coins", 2, 1700000001}});
    ASSERT_TRUE(AtomicFile::write(elsewhere / "purchases.json", planted, nullptr, 0644));
    std::filesystem::create_symlink(elsewhere / "purchases.json", path);
    std::filesystem::create_directory_symlink(elsewhere.path(), home.home() / "tmp");
    std::string tmpReason;
    ASSERT_FALSE(AppPaths::privateTmp(&tmpReason));

    LogSink::Capture log;
    auto queue = restart();
    EXPECT_TRUE(queue->transactions().empty());
    EXPECT_TRUE(
        log.contains(tmpReason.substr(0, tmpReason.find(home.home().string())) + path.string()));
    queue->addTransactionObserver(listener);
    loop.runUntilIdle();
    EXPECT_TRUE(listener->heard.empty()) << "nothing is delivered from the link";

    queue->addPayment({"coins", 1});
    loop.runUntilIdle();
    ui::AlertView::visibleAlert()->tapButton(1);
    loop.runUntilIdle();
    EXPECT_FALSE(std::filesystem::is_symlink(path));
    EXPECT_EQ(restart()->transactions().size(), 1u);
    EXPECT_EQ(AtomicFile::read(elsewhere / "purchases.json").value_or(""), planted);
}

// A file of thousands of open purchases (damage, or a program that never finishes them) must not
// flood the start: every observer, and the conversion reports behind it, would get them all at
// once. The oldest hundred open; each of the others opens as one is finished; none is lost.
TEST_F(PaymentQueueTest, AFileOfThousandsOpensTheOldestHundredAndKeepsEveryOne) {
    std::vector<PaymentTransactionRecord> stored;
    for (int i = 0; i < 2500; ++i) {
        char id[16];
        std::snprintf(id, sizeof id, "t-%04d", i);
        stored.push_back({id, "coins", 1 + i % 10, 1700000000.0 + i});
    }
    const auto path = PaymentQueue::transactionsPath();
    ASSERT_TRUE(AtomicFile::write(path, encodePaymentTransactionRecords(stored), nullptr, 0600));
    auto idsOf = [](const auto& transactions) {
        std::vector<std::string> ids;
        for (const auto& t : transactions) ids.push_back(t->transactionIdentifier());
        return ids;
    };
    auto storedIds = [&] {
        std::set<std::string> ids;
        const auto records = decodePaymentTransactionRecords(AtomicFile::read(path).value_or(""));
        for (const auto& r : records.value_or(std::vector<PaymentTransactionRecord>{}))
            ids.insert(r.transactionIdentifier);
        return ids;
    };

    LogSink::Capture log;
    auto queue = restart();
    EXPECT_TRUE(log.contains("2500 unfinished purchases")) << log.count();
    EXPECT_TRUE(log.contains("each of the 2400 others once one of those is finished"));
    ASSERT_EQ(queue->transactions().size(), PaymentQueue::kMaximumOpenPurchases);
    EXPECT_EQ(queue->transactions().front()->transactionIdentifier(), "t-0000");
    EXPECT_EQ(queue->transactions().back()->transactionIdentifier(), "t-0099");
    queue->addTransactionObserver(listener);
    loop.runUntilIdle();
    EXPECT_EQ(listener->heard.size(), 100u);

    // Three finished in one turn: three removed, and the next three open together once a
    // second has passed since the last opening (here the read).
    listener->heard.clear();
    const auto first = queue->transactions();
    for (int i = 0; i < 3; ++i) queue->finishTransaction(first[i]);
    loop.runUntilIdle();
    EXPECT_EQ(listener->heard.size(), 3u);
    EXPECT_EQ(queue->transactions().size(), 97u);
    loop.advance(PaymentQueue::kWaitingOpenInterval);
    ASSERT_EQ(listener->heard.size(), 6u);
    EXPECT_EQ(idsOf(listener->last), (std::vector<std::string>{"t-0100", "t-0101", "t-0102"}));
    EXPECT_EQ(queue->transactions().size(), 100u);
    EXPECT_EQ(queue->transactions().back()->transactionIdentifier(), "t-0102");
    queue->flushSaves();
    auto ids = storedIds();
    EXPECT_EQ(ids.size(), 2497u);
    EXPECT_FALSE(ids.count("t-0000"));
    EXPECT_TRUE(ids.count("t-0100") && ids.count("t-2499"));

    // A finish is saved even when the queue goes before the loop turns again.
    queue->finishTransaction(queue->transactions()[0]);
    queue.reset();
    EXPECT_EQ(restart()->transactions().size(), 100u);
    EXPECT_EQ(storedIds().size(), 2496u);
}

// Finishes every purchase as it hears it, as an app that delivers at once does.
class Finisher : public PaymentTransactionObserver {
  public:
    void updatedTransactions(PaymentQueue& queue, const Transactions& transactions) override {
        for (const auto& t : transactions) {
            if (t->transactionState() != State::Purchased) continue;
            ++heard;
            queue.finishTransaction(t);
        }
    }
    int heard = 0;
};

// Such an app drained a file of thousands a hundred purchases per turn of the loop, each turn
// writing the whole file on the main thread, so an ad loading meanwhile waited on the disk,
// and the conversion reports went out by the thousand. Now a hundred open a second, and the
// turns hand their state to the writer, which writes only the newest state once it is free.
TEST_F(PaymentQueueTest, DrainingThousandsNeverWaitsOnTheDiskAndWritesOnlyTheNewestState) {
    std::vector<PaymentTransactionRecord> stored;
    for (int i = 0; i < 2500; ++i)
        stored.push_back({"t-" + std::to_string(i), "coins", 1, 1700000000.0 + i});
    const auto path = PaymentQueue::transactionsPath();
    ASSERT_TRUE(AtomicFile::write(path, encodePaymentTransactionRecords(stored), nullptr, 0600));

    // The writer is held at its first write until the loop has drained everything.
    std::mutex mutex;
    std::condition_variable released;
    bool release = false;
    int writes = 0;
    bool heldTooLong = false;
    PaymentQueue::setWriteHookForTesting([&] {
        std::unique_lock lock(mutex);
        ++writes;
        if (!released.wait_for(lock, std::chrono::seconds(60), [&] { return release; }))
            heldTooLong = true;
    });
    auto releaseWriter = [&] {
        {
            std::lock_guard lock(mutex);
            release = true;
        }
        released.notify_all();
    };
    struct Cleanup {
        std::function<void()> release;
        ~Cleanup() {
            release();
            PaymentQueue::setWriteHookForTesting(nullptr);
        }
    } cleanup{releaseWriter};

    auto finisher = std::make_shared<Finisher>();
    auto queue = restart();
    queue->addTransactionObserver(finisher);
    loop.runUntilIdle();
    EXPECT_EQ(finisher->heard, 100);
    for (int second = 1; second < 25; ++second) {
        loop.advance(PaymentQueue::kWaitingOpenInterval);
        ASSERT_EQ(finisher->heard, 100 * (second + 1)) << "after " << second << " s";
    }
    loop.advance(10 * PaymentQueue::kWaitingOpenInterval);
    EXPECT_EQ(finisher->heard, 2500);
    EXPECT_TRUE(queue->transactions().empty());
    {
        std::lock_guard lock(mutex);
        EXPECT_LE(writes, 1);
    }
    releaseWriter();
    queue->flushSaves();
    EXPECT_FALSE(heldTooLong) << "the main thread waited on the writer";
    std::lock_guard lock(mutex);
    // The state of the first turn, then the newest one: the file is gone.
    EXPECT_LE(writes, 2);
    EXPECT_FALSE(std::filesystem::exists(path));
}

TEST_F(PaymentQueueTest, TheSheetShowsTheTotalInDecimalAndARefusedQuantityNoSheet) {
    StoreCatalogue::setSharedForTesting(std::make_shared<StoreCatalogue>(
        std::vector<CatalogueProduct>{{"dimes", "Dimes", "", *Decimal::parse("0.1"), "EUR"}}));
    auto queue = PaymentQueue::defaultQueue();
    queue->addTransactionObserver(listener);
    queue->addPayment({"dimes", 3});
    auto sheet = ui::AlertView::visibleAlert();
    ASSERT_TRUE(sheet);
    // A binary double would make this 0.30000000000000004.
    EXPECT_EQ(sheet->message(), "Dimes \u00d7 3: 0.3 EUR (0.1 EUR each). Nothing is charged here.");
    sheet->tapButton(0);
    queue->addPayment({"dimes", 1});
    EXPECT_EQ(ui::AlertView::visibleAlert()->message(),
              "Dimes \u00d7 1: 0.1 EUR. Nothing is charged here.");
    ui::AlertView::visibleAlert()->tapButton(0);
    loop.runUntilIdle();

    // The stored file holds 1 to 10 of a product; a purchase of more could never be read back,
    // so it is refused before anything is asked or paid.
    for (std::int64_t quantity : {0, 11, -1}) {
        queue->addPayment({"dimes", quantity});
        EXPECT_FALSE(ui::AlertView::visibleAlert()) << quantity;
        const auto refused = queue->transactions().back();
        EXPECT_EQ(refused->transactionState(), State::Failed);
        EXPECT_TRUE(refused->error()->is(kStoreErrorDomain, kStoreErrorPaymentInvalid));
    }
}

TEST(PaymentTransactionRecordsTest, ReadBackWhatWasWrittenAndRefuseDamage) {
    std::vector<PaymentTransactionRecord> records{{"id-1", "coins", 2, 1700000000.5},
                                                  {"id-2", "gems & more", 10, 3}};
    auto back = decodePaymentTransactionRecords(encodePaymentTransactionRecords(records));
    ASSERT_TRUE(back);
    EXPECT_EQ(*back, records);
    EXPECT_TRUE(decodePaymentTransactionRecords(R"({"transactions": []})")->empty());
    for (const char* bad : {
             "",
             "[]",
             R"({"transactions": {}})",
             R"({"transactions": [{"product": "a", "quantity": 1, "date": 1}]})",
             R"({"transactions": [{"id": "i", "product": "a", "quantity": 11, "date": 1}]})",
             R"({"transactions": [{"id": "i", "product": "a", "quantity": "1", "date": 1}]})",
             R"({"transactions": [{"id": "i", "product": "a", "quantity": 1}]})",
             R"({"transactions": [{"id": "i", "product": "a", "quantity": 1, "date": 1},
                                  {"id": "i", "product": "b", "quantity": 1, "date": 2}]})",
         }) {
        std::string problem;
        EXPECT_FALSE(decodePaymentTransactionRecords(bad, &problem)) << bad;
        EXPECT_FALSE(problem.empty()) << bad;
    }
}

}  // namespace
}  // namespace platform::services
