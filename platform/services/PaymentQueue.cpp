#include "platform/services/PaymentQueue.h"

#include <algorithm>
#include <cstdint>
#include <mutex>
#include <optional>

#include "platform/base/LogSink.h"
#include "platform/base/StringEscaping.h"
#include "platform/base/Uuid.h"
#include "platform/runtime/Clock.h"
#include "platform/runtime/MainLoop.h"
#include "platform/runtime/SerialQueue.h"
#include "platform/runtime/ThreadChecker.h"
#include "platform/services/StoreCatalogue.h"
#include "platform/services/StoreProductLookup.h"
#include "platform/storage/AppPaths.h"
#include "platform/storage/AtomicFile.h"

namespace platform::services {

namespace {

// Far more than a program leaves unfinished; a bigger file is damage.
constexpr std::size_t kMaxTransactionsBytes = 4 * 1024 * 1024;

std::mutex& defaultMutex() {
    static std::mutex m;
    return m;
}

std::shared_ptr<PaymentQueue>& defaultSlot() {
    static std::shared_ptr<PaymentQueue> queue;
    return queue;
}

std::string forLog(std::string_view text) {
    return escaped(text, StringEscapeStyle::log());
}

std::mutex& writeHookMutex() {
    static std::mutex m;
    return m;
}

std::function<void()>& writeHook() {
    static std::function<void()> hook;
    return hook;
}

}  // namespace

// The file's writer. States are numbered as they are handed over, and a write never puts an
// older state over a newer one. The background task writes the newest state handed over on a
// thread of its own; a state handed over while an older one waits replaces it, so however many
// turns hand states over during one write, one more write follows it. Waiting writes the
// newest state on the calling thread, so neither a purchase nor the program's end (static
// destruction, when no pool thread may be left to wait for) depends on the task.
struct PaymentQueue::Writer {
    struct State {
        std::filesystem::path path;
        // Paid and not finished, in the order they joined the queue.
        Records open;
        // The records read back; those from nextWaiting on wait.
        std::shared_ptr<const Records> stored;
        std::size_t nextWaiting = 0;
    };

    static void hand(const std::shared_ptr<Writer>& self, State state) {
        {
            std::lock_guard lock(self->mutex);
            self->newest = std::move(state);
            self->newestNumber = ++self->handed;
            if (self->scheduled) return;
            self->scheduled = true;
        }
        self->queue.async([self] { self->runTask(); });
    }

    // The task writes whatever is newest when it gets to it, so a state handed over once it
    // has begun schedules the next task.
    void runTask() {
        {
            std::lock_guard lock(mutex);
            scheduled = false;
        }
        std::function<void()> hook;
        {
            std::lock_guard hookLock(writeHookMutex());
            hook = writeHook();
        }
        writeNewest(hook);
    }

    // Returns once the file holds the newest state handed over.
    void wait() { writeNewest(nullptr); }

    // `beforeWrite` runs before a write that is due, the file's lock held.
    void writeNewest(const std::function<void()>& beforeWrite) {
        std::optional<State> state;
        std::uint64_t number = 0;
        {
            std::lock_guard lock(mutex);
            state = std::move(newest);
            newest.reset();
            number = newestNumber;
        }
        // Taken even with nothing to write: a write running on the task ends first.
        std::lock_guard lock(writeMutex);
        if (!state || number <= written) return;
        if (beforeWrite) beforeWrite();
        write(*state);
        written = number;
    }

    static void write(const State& state) {
        Records records = state.open;
        if (state.stored) {
            records.insert(records.end(),
                           state.stored->begin() + static_cast<std::ptrdiff_t>(state.nextWaiting),
                           state.stored->end());
        }
        std::string error;
        if (records.empty()) {
            std::error_code ec;
            std::filesystem::remove(state.path, ec);
            if (ec)
                LogSink::write("Store: cannot remove " + forLog(state.path.string()) + ": " +
                               ec.message());
            return;
        }
        if (!AtomicFile::write(state.path, encodePaymentTransactionRecords(records), &error, 0600))
            LogSink::write("Store: cannot save the unfinished purchases: " + error);
    }

    SerialQueue queue{"movuroute.store.transactions"};
    std::mutex mutex;
    std::optional<State> newest;     // guarded by mutex
    std::uint64_t newestNumber = 0;  // guarded by mutex
    std::uint64_t handed = 0;        // guarded by mutex
    bool scheduled = false;          // guarded by mutex: a queued task will take `newest`
    std::mutex writeMutex;           // held while the file is written
    std::uint64_t written = 0;       // guarded by writeMutex
};

namespace {
// One writer for the process, as there is one file: a queue made after another (a restart in
// tests) reads the file only once what the other handed over is in it.
std::shared_ptr<PaymentQueue::Writer> sharedWriter() {
    static auto* writer =
        new std::shared_ptr<PaymentQueue::Writer>(std::make_shared<PaymentQueue::Writer>());
    return *writer;
}
}  // namespace

PaymentQueue::PaymentQueue(Private) : writer_(sharedWriter()) {}

void PaymentQueue::setWriteHookForTesting(std::function<void()> hook) {
    std::lock_guard lock(writeHookMutex());
    writeHook() = std::move(hook);
}

std::shared_ptr<PaymentQueue> PaymentQueue::defaultQueue() {
    std::lock_guard lock(defaultMutex());
    auto& slot = defaultSlot();
    if (!slot) slot = load();
    return slot;
}

void PaymentQueue::resetDefaultQueueForTesting() {
    std::shared_ptr<PaymentQueue> old;
    {
        std::lock_guard lock(defaultMutex());
        old = std::move(defaultSlot());
    }
}

bool PaymentQueue::canMakePayments() {
    return !StoreCatalogue::shared()->empty();
}

std::filesystem::path PaymentQueue::transactionsPath() {
    return AppPaths::library() / "StoreTransactions.json";
}

std::shared_ptr<PaymentQueue> PaymentQueue::load() {
    auto queue = std::make_shared<PaymentQueue>(Private{});
    queue->writer_->wait();
    const auto path = transactionsPath();
    std::string problem;
    // Whatever a link points at is not our record of purchases: believing it would deliver
    // them all again. It is left where it is; the next save puts our own file in its place
    // and leaves its target alone.
    if (!AppPaths::isNotALink(path, &problem)) {
        LogSink::write("Store: " + forLog(problem) + "; no unfinished purchases are read");
        return queue;
    }
    std::error_code ec;
    if (!std::filesystem::exists(path, ec)) return queue;
    auto bytes = AtomicFile::read(path, &problem, kMaxTransactionsBytes);
    std::optional<std::vector<PaymentTransactionRecord>> records;
    if (bytes) records = decodePaymentTransactionRecords(*bytes, &problem);
    if (!records) {
        std::string moveError;
        auto moved = AtomicFile::moveAside(path, &moveError);
        LogSink::write("Store: the unfinished purchases in " + forLog(path.string()) +
                       " cannot be read (" + problem + "); " +
                       (moved ? "moved aside as " + forLog(moved->string())
                              : "could not move it aside: " + moveError));
        return queue;
    }
    auto stored = std::make_shared<const Records>(std::move(*records));
    const std::size_t open = std::min(stored->size(), kMaximumOpenPurchases);
    for (std::size_t i = 0; i < open; ++i)
        queue->transactions_.push_back(transactionFor((*stored)[i]));
    queue->stored_ = std::move(stored);
    queue->nextWaiting_ = open;
    queue->lastOpening_ = Clock::monotonic();
    if (queue->waitingCount() > 0) {
        LogSink::write("Store: " + std::to_string(queue->stored_->size()) +
                       " unfinished purchases in " + forLog(path.string()) + "; the oldest " +
                       std::to_string(kMaximumOpenPurchases) + " are delivered now, each of the " +
                       std::to_string(queue->waitingCount()) +
                       " others once one of those is finished; all stay stored");
    }
    return queue;
}

std::shared_ptr<PaymentTransaction> PaymentQueue::transactionFor(
    const PaymentTransactionRecord& record) {
    auto transaction = std::make_shared<PaymentTransaction>(
        Payment{record.productIdentifier, record.quantity}, record.date);
    transaction->state_ = PaymentTransactionState::Purchased;
    transaction->identifier_ = record.transactionIdentifier;
    return transaction;
}

void PaymentQueue::openWaitingPurchases() {
    if (waitingCount() == 0 || openingScheduled_) return;
    const double now = Clock::monotonic();
    const double due = lastOpening_ + kWaitingOpenInterval;
    if (now < due) {
        openingScheduled_ = true;
        std::weak_ptr<PaymentQueue> weak = weak_from_this();
        MainLoop::main().postAfter(due - now, [weak] {
            auto self = weak.lock();
            if (!self) return;
            self->openingScheduled_ = false;
            self->openWaitingPurchases();
        });
        return;
    }
    lastOpening_ = now;
    auto open = static_cast<std::size_t>(
        std::count_if(transactions_.begin(), transactions_.end(), [](const auto& transaction) {
            return transaction->state_ == PaymentTransactionState::Purchased;
        }));
    Transactions opened;
    for (; open < kMaximumOpenPurchases && waitingCount() > 0; ++open)
        opened.push_back(transactionFor((*stored_)[nextWaiting_++]));
    if (opened.empty()) return;
    transactions_.insert(transactions_.end(), opened.begin(), opened.end());
    tell(Change::Updated, opened);
}

void PaymentQueue::addTransactionObserver(
    const std::weak_ptr<PaymentTransactionObserver>& observer) {
    MOVU_CHECK_MAIN_THREAD();
    auto strong = observer.lock();
    if (!strong) return;
    for (const auto& known : observers_) {
        if (known.lock() == strong) return;
    }
    observers_.push_back(observer);
    if (!transactions_.empty()) tell(Change::Updated, transactions_, strong.get());
}

void PaymentQueue::removeTransactionObserver(const PaymentTransactionObserver* observer) {
    MOVU_CHECK_MAIN_THREAD();
    std::erase_if(observers_, [observer](const auto& weak) {
        auto strong = weak.lock();
        return !strong || strong.get() == observer;
    });
}

std::size_t PaymentQueue::observerCount() const {
    return static_cast<std::size_t>(std::count_if(
        observers_.begin(), observers_.end(), [](const auto& weak) { return !weak.expired(); }));
}

void PaymentQueue::addPayment(const Payment& payment) {
    MOVU_CHECK_MAIN_THREAD();
    auto transaction = std::make_shared<PaymentTransaction>(payment, Clock::wallSeconds());
    transactions_.push_back(transaction);
    tell(Change::Updated, {transaction});
    // The queue's file keeps 1 to 10 of a product and refuses anything else as damage: a paid
    // purchase of 11 would take every other unfinished purchase with it at the next start.
    if (payment.quantity < kMinimumPaymentQuantity || payment.quantity > kMaximumPaymentQuantity) {
        fail(
            transaction, kStoreErrorPaymentInvalid,
            "A payment is for 1 to 10 of a product, not " + std::to_string(payment.quantity) + ".");
        return;
    }
    if (!StoreCatalogue::shared()->product(payment.productIdentifier)) {
        fail(transaction, kStoreErrorProductNotAvailable,
             "The product " + payment.productIdentifier + " is not sold here.");
        return;
    }
    showSheet(transaction);
}

void PaymentQueue::showSheet(const std::shared_ptr<PaymentTransaction>& transaction) {
    const auto* product =
        StoreCatalogue::shared()->product(transaction->payment().productIdentifier);
    const std::int64_t quantity = transaction->payment().quantity;
    // The sum the user agrees to, worked out in decimal: a binary double would show 3 x 0.1
    // as 0.30000000000000004.
    const Decimal total = product->price * Decimal::fromInteger(quantity);
    std::string message = product->localizedTitle + " \u00d7 " + std::to_string(quantity) + ": " +
                          total.toString() + " " + product->currencyCode;
    if (quantity != 1)
        message += " (" + product->price.toString() + " " + product->currencyCode + " each)";
    message += ". Nothing is charged here.";
    auto alert = ui::AlertView::create(product->localizedTitle, message, weak_from_this(), "Cancel",
                                       {"Buy"});
    sheets_.emplace_back(alert, transaction);
    alert->show();
}

void PaymentQueue::alertViewClickedButtonAtIndex(ui::AlertView& alert, int index) {
    answerSheet(alert, index == alert.firstOtherButtonIndex());
}

void PaymentQueue::alertViewCancel(ui::AlertView& alert) {
    answerSheet(alert, false);
}

void PaymentQueue::answerSheet(ui::AlertView& alert, bool bought) {
    MOVU_CHECK_MAIN_THREAD();
    auto it = std::find_if(sheets_.begin(), sheets_.end(), [&alert](const auto& sheet) {
        return sheet.first.lock().get() == &alert;
    });
    if (it == sheets_.end()) return;
    auto transaction = it->second;
    sheets_.erase(it);
    if (transaction->finished_ || transaction->state_ != PaymentTransactionState::Purchasing) {
        return;
    }
    if (!bought) {
        fail(transaction, kStoreErrorPaymentCancelled, "The payment was cancelled.");
        return;
    }
    transaction->state_ = PaymentTransactionState::Purchased;
    transaction->identifier_ = Uuid::random().toString();
    transaction->date_ = Clock::wallSeconds();
    // A purchase is in the file before the call that made it returns.
    save();
    writer_->wait();
    tell(Change::Updated, {transaction});
}

void PaymentQueue::fail(const std::shared_ptr<PaymentTransaction>& transaction, std::int64_t code,
                        const std::string& why) {
    transaction->state_ = PaymentTransactionState::Failed;
    transaction->error_ = Error::make(kStoreErrorDomain, code, why);
    tell(Change::Updated, {transaction});
}

void PaymentQueue::finishTransaction(const std::shared_ptr<PaymentTransaction>& transaction) {
    if (!transaction) return;
    std::weak_ptr<PaymentQueue> weak = weak_from_this();
    MainLoop::main().runOnMain([weak, transaction] {
        if (auto self = weak.lock()) self->finishOnMain(transaction);
    });
}

void PaymentQueue::finishOnMain(const std::shared_ptr<PaymentTransaction>& transaction) {
    MOVU_CHECK_MAIN_THREAD();
    // A purchase still on its sheet cannot be finished: the store has not answered yet.
    if (transaction->finished_ || transaction->state_ == PaymentTransactionState::Purchasing) {
        return;
    }
    auto it = std::find(transactions_.begin(), transactions_.end(), transaction);
    if (it == transactions_.end()) return;
    transaction->finished_ = true;
    transactions_.erase(it);
    tell(Change::Removed, {transaction});
    if (transaction->state_ == PaymentTransactionState::Purchased) {
        openWaitingPurchases();
        saveSoon();
    }
}

void PaymentQueue::saveSoon() {
    // One save for every purchase finished in a turn: a program finishing the hundred it was
    // just handed would otherwise write the whole file once for each.
    if (saveQueued_) return;
    saveQueued_ = true;
    std::weak_ptr<PaymentQueue> weak = weak_from_this();
    MainLoop::main().post([weak] {
        auto self = weak.lock();
        if (self && self->saveQueued_) self->save();
    });
}

void PaymentQueue::flushSaves() {
    if (saveQueued_) save();
    writer_->wait();
}

PaymentQueue::~PaymentQueue() {
    flushSaves();
}

void PaymentQueue::tell(Change change, const Transactions& transactions,
                        const PaymentTransactionObserver* only) {
    std::vector<std::pair<std::shared_ptr<PaymentTransaction>, PaymentTransactionState>> told;
    for (const auto& transaction : transactions)
        told.emplace_back(transaction, transaction->state_);
    std::weak_ptr<PaymentQueue> weak = weak_from_this();
    MainLoop::main().post([weak, change, told = std::move(told), only] {
        auto self = weak.lock();
        if (!self) return;
        Transactions transactions;
        for (const auto& [transaction, state] : told) {
            // Finished meanwhile: its removal is told, and an update after that would bring
            // it back for the observer.
            if (change == Change::Removed ||
                (transaction->state_ == state && !transaction->finished_))
                transactions.push_back(transaction);
        }
        if (transactions.empty()) return;
        // Copied: an observer may add or remove observers while it hears the change.
        auto observers = self->observers_;
        for (const auto& weakObserver : observers) {
            auto observer = weakObserver.lock();
            if (!observer || (only && observer.get() != only)) continue;
            if (change == Change::Updated)
                observer->updatedTransactions(*self, transactions);
            else
                observer->removedTransactions(*self, transactions);
        }
    });
}

void PaymentQueue::save() {
    saveQueued_ = false;
    Writer::State state;
    state.path = transactionsPath();
    for (const auto& transaction : transactions_) {
        if (transaction->state_ != PaymentTransactionState::Purchased) continue;
        state.open.push_back({transaction->identifier_, transaction->payment_.productIdentifier,
                              transaction->payment_.quantity, transaction->date_});
    }
    state.stored = stored_;
    state.nextWaiting = nextWaiting_;
    Writer::hand(writer_, std::move(state));
}

}  // namespace platform::services
