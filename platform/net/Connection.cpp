#include "platform/net/Connection.h"

#include <mutex>
#include <unordered_map>

#include "platform/net/CurlTransfer.h"
#include "platform/net/NetWorker.h"
#include "platform/net/UrlError.h"
#include "platform/runtime/MainLoop.h"

namespace platform {

namespace {

// Collects a whole load for sendAsynchronousRequest.
class CompletionDelegate : public ConnectionDelegate {
  public:
    explicit CompletionDelegate(Connection::Completion completion)
        : completion_(std::move(completion)) {}

    void connectionDidReceiveResponse(Connection&, const UrlResponse& response) override {
        response_ = response;
        body_.clear();
    }
    void connectionDidReceiveData(Connection&, const std::vector<std::uint8_t>& data) override {
        body_.insert(body_.end(), data.begin(), data.end());
    }
    void connectionDidFinishLoading(Connection&) override {
        if (completion_) completion_(response_, body_, std::nullopt);
    }
    void connectionDidFailWithError(Connection&, const Error& error) override {
        if (completion_) completion_(response_, body_, error);
    }

  private:
    Connection::Completion completion_;
    std::optional<UrlResponse> response_;
    Connection::Bytes body_;
};

// Keeps only the head of a load and stops it once the body runs past its limit.
class HeadDelegate : public ConnectionDelegate {
  public:
    HeadDelegate(Connection::HeadCompletion completion, std::int64_t bodyLimit)
        : completion_(std::move(completion)), bodyLimit_(bodyLimit) {}

    void connectionDidReceiveResponse(Connection&, const UrlResponse& response) override {
        response_ = response;
        received_ = 0;
    }
    void connectionDidReceiveData(Connection& connection,
                                  const std::vector<std::uint8_t>& data) override {
        received_ += static_cast<std::int64_t>(data.size());
        if (bodyLimit_ < 0 || received_ <= bodyLimit_) return;
        // Enough: the rest of the body changes nothing.
        connection.cancel();
        complete(std::nullopt);
    }
    void connectionDidFinishLoading(Connection&) override { complete(std::nullopt); }
    void connectionDidFailWithError(Connection&, const Error& error) override { complete(error); }

  private:
    void complete(const std::optional<Error>& error) {
        auto completion = std::move(completion_);
        completion_ = nullptr;
        if (completion) completion(response_, error);
    }

    Connection::HeadCompletion completion_;
    std::int64_t bodyLimit_;
    std::int64_t received_ = 0;
    std::optional<UrlResponse> response_;
};

std::mutex& oneShotMutex() {
    static std::mutex mutex;
    return mutex;
}

std::unordered_map<const Connection*, std::shared_ptr<Connection>>& oneShots() {
    // Never destroyed: pool threads (a pinger's queue, say) may still start and end one-shot
    // loads while the process exits. Loads still here then stay, as does the worker they run
    // on.
    static auto* live = new std::unordered_map<const Connection*, std::shared_ptr<Connection>>;
    return *live;
}

}  // namespace

std::shared_ptr<Connection> Connection::create(UrlRequest request,
                                               std::weak_ptr<ConnectionDelegate> delegate) {
    return std::make_shared<Connection>(Private{}, std::move(request), std::move(delegate));
}

Connection::Connection(Private, UrlRequest request, std::weak_ptr<ConnectionDelegate> delegate)
    : original_(request), current_(std::move(request)), delegate_(std::move(delegate)) {
    setDelegateQueue(nullptr);
}

void Connection::setDelegateQueue(Poster poster) {
    if (state_ != State::Idle) return;
    if (!poster)
        poster = [](std::function<void()> task) { MainLoop::main().post(std::move(task)); };
    post_ = std::move(poster);
}

Connection::~Connection() {
    if (transfer_) NetWorker::shared().cancel(std::move(transfer_));
}

std::shared_ptr<Connection> Connection::sendAsynchronousRequest(UrlRequest request,
                                                                Completion completion,
                                                                std::int64_t maxBytes,
                                                                Poster queue) {
    return startOneShot(std::move(request),
                        std::make_shared<CompletionDelegate>(std::move(completion)), maxBytes,
                        std::move(queue));
}

std::shared_ptr<Connection> Connection::sendAsynchronousRequestDiscardingBody(
    UrlRequest request, HeadCompletion completion, std::int64_t bodyLimit, Poster queue) {
    return startOneShot(std::move(request),
                        std::make_shared<HeadDelegate>(std::move(completion), bodyLimit), -1,
                        std::move(queue), std::make_shared<ReceiveWindow>(kDiscardWindowBytes));
}

std::shared_ptr<Connection> Connection::startOneShot(UrlRequest request,
                                                     std::shared_ptr<ConnectionDelegate> delegate,
                                                     std::int64_t maxBytes, Poster queue,
                                                     std::shared_ptr<ReceiveWindow> window) {
    auto connection = create(std::move(request), delegate);
    connection->ownedDelegate_ = std::move(delegate);
    connection->oneShot_ = true;
    {
        std::lock_guard lock(oneShotMutex());
        oneShots()[connection.get()] = connection;
    }
    connection->setMaxBytes(maxBytes);
    if (window) connection->setReceiveWindow(std::move(window));
    connection->setDelegateQueue(std::move(queue));
    connection->start();
    return connection;
}

void Connection::start() {
    if (state_ != State::Idle) return;
    state_ = State::Starting;
    // Even the first question to the delegate comes on a later loop turn, so a caller can
    // finish setting itself up after start() returns.
    std::weak_ptr<Connection> weak = weak_from_this();
    post_([weak] {
        if (auto self = weak.lock()) self->beginFirstRequest();
    });
}

void Connection::cancel() {
    if (state_ == State::Cancelled || state_ == State::Finished) {
        releaseSelf();
        return;
    }
    state_ = State::Cancelled;
    stopHop();
    releaseSelf();
}

std::shared_ptr<ConnectionDelegate> Connection::listener() {
    auto delegate = delegate_.lock();
    if (!delegate) cancel();
    return delegate;
}

void Connection::releaseSelf() {
    if (!oneShot_) return;
    oneShot_ = false;
    std::shared_ptr<Connection> keep;
    {
        std::lock_guard lock(oneShotMutex());
        auto it = oneShots().find(this);
        if (it == oneShots().end()) return;
        keep = std::move(it->second);
        oneShots().erase(it);
    }
    post_([keep = std::move(keep)] {});
}

void Connection::beginFirstRequest() {
    if (state_ != State::Starting) return;
    auto delegate = listener();
    if (!delegate) return;
    auto request = delegate->connectionWillSendRequest(*this, current_, nullptr);
    if (state_ != State::Starting) return;  // cancelled inside the call
    if (!request) {
        cancel();
        return;
    }
    current_ = std::move(*request);
    state_ = State::Running;
    startHop();
}

void Connection::startHop() {
    const std::uint64_t hop = ++hop_;
    responseDelivered_ = false;
    std::weak_ptr<Connection> weak = weak_from_this();
    const Poster post = post_;
    CurlTransfer::Callbacks callbacks;
    // These run on the network worker; they only carry the event over to the delegate's queue.
    callbacks.onResponse = [weak, hop, post](const UrlResponse& response) {
        post([weak, hop, response] {
            if (auto self = weak.lock()) self->hopResponse(hop, response);
        });
    };
    const std::shared_ptr<ReceiveWindow> window = window_;
    callbacks.onData = [weak, hop, post, window](const std::uint8_t* data, std::size_t size) {
        // The bytes wait in the window until the task carrying them is gone, whether it ran
        // or was dropped unrun.
        std::shared_ptr<void> waiting;
        if (window)
            waiting.reset(static_cast<void*>(nullptr),
                          [window, size](void*) { window->release(size); });
        post([weak, hop, chunk = Bytes(data, data + size), waiting] {
            if (auto self = weak.lock()) self->hopData(hop, chunk);
        });
    };
    callbacks.onComplete = [weak, hop, post](const std::optional<Error>& error) {
        post([weak, hop, error] {
            if (auto self = weak.lock()) self->hopComplete(hop, error);
        });
    };
    transfer_ = std::make_shared<CurlTransfer>(current_, std::move(callbacks), maxBytes_, window_);
    if (window_) window_->attach(transfer_);
    NetWorker::shared().start(transfer_);
}

void Connection::stopHop() {
    ++hop_;  // whatever the old transfer still sends is now stale
    if (transfer_) NetWorker::shared().cancel(std::move(transfer_));
    transfer_.reset();
}

void Connection::hopResponse(std::uint64_t hop, const UrlResponse& response) {
    if (hop != hop_ || state_ != State::Running) return;
    auto delegate = listener();
    if (!delegate) return;

    if (auto next = redirectRequestFor(current_, response)) {
        if (redirects_ >= maxRedirects_) {
            stopHop();
            fail(makeUrlError(kUrlErrorHTTPTooManyRedirects, current_.url().absoluteString()));
            return;
        }
        auto answer = delegate->connectionWillSendRequest(*this, *next, &response);
        if (state_ != State::Running) return;  // cancelled inside the call
        if (answer) {
            ++redirects_;
            stopHop();
            current_ = std::move(*answer);
            startHop();
            return;
        }
        // Refused: the redirect response is the answer.
    }
    responseDelivered_ = true;
    delegate->connectionDidReceiveResponse(*this, response);
}

void Connection::hopData(std::uint64_t hop, const Bytes& data) {
    if (hop != hop_ || state_ != State::Running || !responseDelivered_) return;
    if (auto delegate = listener()) delegate->connectionDidReceiveData(*this, data);
}

void Connection::hopComplete(std::uint64_t hop, const std::optional<Error>& error) {
    if (hop != hop_ || state_ != State::Running) return;
    transfer_.reset();
    if (error) {
        fail(*error);
        return;
    }
    auto delegate = listener();
    if (!delegate) return;
    state_ = State::Finished;
    delegate->connectionDidFinishLoading(*this);
    releaseSelf();
}

void Connection::fail(const Error& error) {
    auto delegate = listener();
    if (!delegate) return;
    state_ = State::Finished;
    delegate->connectionDidFailWithError(*this, error);
    releaseSelf();
}

}  // namespace platform
