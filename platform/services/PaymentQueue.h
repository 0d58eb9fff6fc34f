#pragma once

// The store's payment queue, as a desktop can offer it: nothing is charged, a purchase sheet
// asks the user (or a test) instead.
//
// addPayment puts a transaction on the queue in state purchasing at once. A product the
// catalogue (StoreCatalogue::shared) does not sell then fails with the store's code 5 and no
// sheet, and a quantity outside 1 to 10 fails with the store's code 3 and no sheet (the file
// below keeps no other); otherwise a purchase sheet comes up: an alert titled with the
// product's title, saying "<title> × <quantity>: <total> <currency> (<price> <currency>
// each). Nothing is charged here." (the total worked out in exact decimals; "(... each)" only
// for a quantity above 1), with the buttons
// "Cancel" (0) and "Buy" (1). Buy makes the transaction purchased (it gets its UUID and the
// date of the purchase); Cancel, or the system taking the sheet away, fails it with the
// store's code 2. A test taps the sheet (AlertView::visibleAlert()->tapButton), a person clicks.
//
// Observers (held weakly; one observer added twice counts once) hear every change on a later
// turn of the main loop, in the order the changes came, and each state of a transaction once. A
// transaction stays on the queue until finishTransaction; then observers hear it removed. Paid
// transactions not yet finished live in a 0600 file, Library/StoreTransactions.json of the app
// home, written atomically. A purchase is in the file before the call that made it returns.
// Finishes are handed, on the turn after they came, to a writer thread of the queue's own, so
// the main thread never waits on the disk for them; while a write runs, the changes after it
// are gathered into the one write that follows (a file of thousands drained by a program that
// finishes each purchase as it hears it is written a few times, not once per turn of the
// loop). flushSaves and the queue's end wait for what is handed over. A
// new queue (the next run) reads them back, and every observer added hears the queue's
// transactions at once, on the next turn, as after a restart. A file read back with more than
// kMaximumOpenPurchases opens only the oldest that many (a log line says how many wait); each
// of the others opens, and is told as purchased, when an open purchase is finished, the
// openings at least kWaitingOpenInterval apart (those finished meanwhile are made up for
// together), so at most kMaximumOpenPurchases a second. All of them stay in the file until they
// are finished: a file of thousands neither floods the start (every observer, the conversion
// reports, which a program finishing each purchase as it hears it would otherwise send by the
// thousand a second) nor loses a purchase. A
// damaged file is moved aside (AtomicFile::moveAside) with a log line, and the queue starts empty;
// a link in the file's place is not read (a log line; the next save replaces the link, never
// what it points to).
//
// Main thread only, except finishTransaction, which may come from any thread: it is carried
// to the main thread, and a transaction is finished once however often it is asked.

#include <filesystem>
#include <functional>
#include <memory>
#include <vector>

#include "platform/services/PaymentTransaction.h"
#include "platform/ui/AlertView.h"

namespace platform::services {

class PaymentQueue;

class PaymentTransactionObserver {
  public:
    virtual ~PaymentTransactionObserver() = default;
    virtual void updatedTransactions(
        PaymentQueue& queue,
        const std::vector<std::shared_ptr<PaymentTransaction>>& transactions) = 0;
    virtual void removedTransactions(PaymentQueue&,
                                     const std::vector<std::shared_ptr<PaymentTransaction>>&) {}
};

class PaymentQueue : public ui::AlertViewDelegate,
                     public std::enable_shared_from_this<PaymentQueue> {
    struct Private {};

  public:
    static std::shared_ptr<PaymentQueue> defaultQueue();
    // The next defaultQueue() is a new queue reading the file again: a restart, for tests.
    static void resetDefaultQueueForTesting();
    // Whether the store sells anything here.
    static bool canMakePayments();
    static std::filesystem::path transactionsPath();
    // Purchases read back from the file that are open at once, at most.
    static constexpr std::size_t kMaximumOpenPurchases = 100;
    // Seconds (of the main loop's clock) at least between two openings of waiting purchases.
    static constexpr double kWaitingOpenInterval = 1;

    explicit PaymentQueue(Private);
    // Finishes not saved yet are saved now.
    ~PaymentQueue() override;
    PaymentQueue(const PaymentQueue&) = delete;
    PaymentQueue& operator=(const PaymentQueue&) = delete;

    void addTransactionObserver(const std::weak_ptr<PaymentTransactionObserver>& observer);
    void removeTransactionObserver(const PaymentTransactionObserver* observer);
    std::size_t observerCount() const;

    void addPayment(const Payment& payment);
    void finishTransaction(const std::shared_ptr<PaymentTransaction>& transaction);
    // Writes the finishes not yet handed to the writer and waits until the file holds every
    // change so far.
    void flushSaves();
    // Called on the writer thread before each write of the file (nullptr for none): tests hold
    // the writer with it and count the writes.
    static void setWriteHookForTesting(std::function<void()> hook);
    // The transactions not yet finished, in the order they joined the queue (a purchase read
    // back and waiting joins when it opens).
    const std::vector<std::shared_ptr<PaymentTransaction>>& transactions() const {
        return transactions_;
    }

    // ui::AlertViewDelegate: the purchase sheets.
    void alertViewClickedButtonAtIndex(ui::AlertView& alert, int index) override;
    void alertViewCancel(ui::AlertView& alert) override;

    // The file's writer (one for the process).
    struct Writer;

  private:
    using Transactions = std::vector<std::shared_ptr<PaymentTransaction>>;
    using Records = std::vector<PaymentTransactionRecord>;
    enum class Change { Updated, Removed };

    static std::shared_ptr<PaymentQueue> load();
    static std::shared_ptr<PaymentTransaction> transactionFor(
        const PaymentTransactionRecord& record);
    // Opens waiting purchases until kMaximumOpenPurchases are open, and tells them; within
    // kWaitingOpenInterval of the last opening, schedules the next one instead.
    void openWaitingPurchases();
    void showSheet(const std::shared_ptr<PaymentTransaction>& transaction);
    void answerSheet(ui::AlertView& alert, bool bought);
    void fail(const std::shared_ptr<PaymentTransaction>& transaction, std::int64_t code,
              const std::string& why);
    void finishOnMain(const std::shared_ptr<PaymentTransaction>& transaction);
    // Observers hear the change on the next turn; `only` narrows it to one observer. An update
    // is told only for transactions still in the state they had when it was queued: one that
    // moved on meanwhile is told by the update its new state queued, so no observer hears the
    // same state twice (a sheet tapped before the loop turned would otherwise be told
    // "purchased" twice).
    void tell(Change change, const Transactions& transactions,
              const PaymentTransactionObserver* only = nullptr);
    // Hands the queue's state to the writer, without waiting for it.
    void save();
    // Saves on the next turn, once however many changes come before it, without waiting.
    void saveSoon();
    std::size_t waitingCount() const { return stored_ ? stored_->size() - nextWaiting_ : 0; }

    Transactions transactions_;
    std::vector<std::weak_ptr<PaymentTransactionObserver>> observers_;
    std::vector<std::pair<std::weak_ptr<ui::AlertView>, std::shared_ptr<PaymentTransaction>>>
        sheets_;
    // The records read back from the file, oldest first: those from nextWaiting_ on wait
    // beyond kMaximumOpenPurchases and are saved with the rest. Never changed once read, so the
    // writer shares them instead of copying thousands of records at every save.
    std::shared_ptr<const Records> stored_;
    std::size_t nextWaiting_ = 0;
    // When waiting purchases last opened (the read counts), and whether an opening is due.
    double lastOpening_ = 0;
    bool openingScheduled_ = false;
    bool saveQueued_ = false;
    std::shared_ptr<Writer> writer_;
};

}  // namespace platform::services
