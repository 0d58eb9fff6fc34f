#pragma once

// The SDK core page's answers, as gmsg messages of its hidden web view:
//
//   "loadAdURL"         the ad URL for a request ("request_id", "url", ...)  -> delegate
//   "loadAd"            the ad object the page fetched ("fetched_ad", JSON)   -> delegate
//   "invalidRequest"    the page refused a request ("request_id")             -> delegate
//   "loadSdkConstants"  the server-tuned constants                             -> delegate
//   "requestReload"     the page has been updated                              -> delegate
//   "fetchHttpRequest"  fetch a URL for the page ("http_request", JSON), answered by
//                       RADE_ReceiveMessage('fetchHttpRequestCompleted', {...})
//
// Whatever the page sends is untrusted: a fetch may only be asked for with a text id and an
// http(s) URL (anything else is answered as a failure at once and starts nothing), and the
// answer stays one script call whatever the fetched body holds. A second fetch under an id
// still in progress is ignored. The answer carries the HTTP status the server really sent.
//
// A page cannot make the game hold more than a few answers: at most kMaxFetchesInFlight of its
// fetches run at once (any more are answered at once as failed fetches, with the reason), and
// the answers it is owed hold at most kMaxHeldBytesPerPage (a fetched answer past that is
// answered as a failed fetch, with the reason, its body dropped). An answer holds its bytes
// from the fetch's end until its script call has been handed to the page or dropped. The
// script of a fetched answer is written on the answer queue ("com.zivivu.durez.sdk-core-fetch-
// answers"), not on the main thread, and posted back, so those answers reach the page in the
// order their fetches ended; a failure answered at once (a fetch not started, an answer
// dropped for want of room) may come before them. Each page the web view loads has a budget
// of its own: when a page goes (pageDidEnd), its fetches stop unanswered and its answers still
// being written are dropped.
// A budget is shared by the main thread and the answer queue, behind a mutex: the queue takes
// the room to write an answer once it knows how long the script can be, and bytes go back on
// whichever thread their last holder lets go of them.
//
// Main thread: actions run there, fetches report there, and every delegate call is posted to a
// later main-loop turn, with the delegate held weakly. The handler holds its web view and its
// delegate weakly and its fetches strongly until they end; the web view owns the handler, so
// fetches in flight end (unanswered) with it, and answers being written then are dropped.

#include <cstdint>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "ads/foundation/GADAdFetcherDelegate.h"
#include "ads/web/GADGMSGHandler.h"
#include "platform/base/Error.h"
#include "platform/base/Url.h"
#include "platform/base/Value.h"
#include "platform/runtime/SerialQueue.h"

namespace ads {

namespace testing {
class SDKCoreTestScope;
}

class GADAdFetcher;
class GADSDKCoreGMSGHandler;
class GADSDKCoreWebView;

class GADSDKCoreGMSGHandlerDelegate {
  public:
    virtual ~GADSDKCoreGMSGHandlerDelegate() = default;
    // The message's parameters as sent (all texts).
    virtual void SDKCoreGMSGHandlerLoadAdURLWithRequestID(
        GADSDKCoreGMSGHandler& handler, const std::optional<std::string>& requestID,
        const platform::Value::Dictionary& parameters) = 0;
    // The decoded "fetched_ad" (any JSON value: the receiver decides what it can use).
    virtual void SDKCoreGMSGHandlerLoadAdWithRequestID(GADSDKCoreGMSGHandler& handler,
                                                       const std::optional<std::string>& requestID,
                                                       const platform::Value& fetchedAd) = 0;
    virtual void SDKCoreGMSGHandlerDidReceiveInvalidAdWithRequestID(
        GADSDKCoreGMSGHandler& handler, const std::optional<std::string>& requestID,
        const platform::Value::Dictionary& parameters) = 0;
    virtual void SDKCoreGMSGHandlerDidLoadSDKConstants(
        GADSDKCoreGMSGHandler& handler, const platform::Value::Dictionary& constants) = 0;
    virtual void SDKCoreGMSGHandlerDidReceiveSDKCoreUpdateNotification(
        GADSDKCoreGMSGHandler& handler) = 0;
};

// One "fetchHttpRequest" as the page asked for it.
struct GADSDKCoreFetchRequest {
    std::string requestID;
    platform::Url url;
    // Sent as a POST only with a content type too.
    std::optional<std::string> postBody;
    std::optional<std::string> contentType;
    // A later header of the same name wins.
    std::map<std::string, std::string> headers;
};

// What a "fetchHttpRequest" message asks for: a request to start, or the error to answer at
// once (with the request id when the message had one as a text, else "").
struct GADSDKCoreFetchParse {
    std::optional<GADSDKCoreFetchRequest> request;
    std::string requestID;
    std::optional<platform::Error> error;
};

// The page's view of a finished fetch.
struct GADSDKCoreFetchResponse {
    std::int64_t responseCode = 0;
    std::string body;
    std::string requestID;
    // Response header names (lower-cased by the fetcher) and values, in name order.
    std::vector<std::pair<std::string, std::string>> headers;
};

// What one page's fetches cost so far (fetchAccounting): its fetches and the bytes its answers
// hold now, the most of each at any moment, and the fetches answered as failed for either
// bound.
struct GADSDKCoreFetchAccounting {
    std::size_t fetchesInFlight = 0;
    std::size_t mostFetchesInFlight = 0;
    std::size_t heldBytes = 0;
    std::size_t mostHeldBytes = 0;
    std::size_t refusedForFetchesInFlight = 0;
    std::size_t refusedForHeldBytes = 0;
};

class GADSDKCoreGMSGHandler : public GADGMSGHandler,
                              public GADAdFetcherDelegate,
                              public std::enable_shared_from_this<GADSDKCoreGMSGHandler> {
    struct Private {};

  public:
    // The core page fetches an ad for a request that waits on it: two let a banner's and an
    // interstitial's run side by side. Each may bring the transport's largest body (8 MiB),
    // and each finished fetch costs the main thread its body's checks and copies: four
    // bodies of 7 MB ending in one turn took it 80-150 ms, two stay well under 100 ms.
    static constexpr std::size_t kMaxFetchesInFlight = 2;
    // The bytes a page's answers may hold at once: an ad page or a mediation configuration is
    // some kilobytes, and the transport's largest body (8 MiB) still gets through with room to
    // write its answer.
    static constexpr std::size_t kMaxHeldBytesPerPage = 24 * 1024 * 1024;
    static constexpr const char* kTooManyFetchesMessage =
        "Too many fetches in progress; this one was not started.";
    static constexpr const char* kTooManyHeldBytesMessage =
        "Too many fetched bytes wait for the page; this answer was dropped.";
    static constexpr const char* kAnswerQueueLabel = "com.zivivu.durez.sdk-core-fetch-answers";
    // Beyond twice what came: the answer's own keys and the page's id.
    static constexpr std::size_t kAnswerRoomBytes = 4096;

    static std::shared_ptr<GADSDKCoreGMSGHandler> create();
    explicit GADSDKCoreGMSGHandler(Private);
    ~GADSDKCoreGMSGHandler() override;

    const GADGMSGActionTable* actionBlockDictionary() const override;

    std::shared_ptr<GADSDKCoreGMSGHandlerDelegate> delegate() const { return delegate_.lock(); }
    void setDelegate(std::weak_ptr<GADSDKCoreGMSGHandlerDelegate> delegate) {
        delegate_ = std::move(delegate);
    }
    std::shared_ptr<GADSDKCoreWebView> SDKCoreWebView() const { return webView_.lock(); }
    void setSDKCoreWebView(std::weak_ptr<GADSDKCoreWebView> webView) {
        webView_ = std::move(webView);
    }

    // Parsing, kept apart from the actions so it can be tried on any input.
    static GADSDKCoreFetchParse parseFetchHttpRequest(
        const platform::Value::Dictionary& parameters);
    // The decoded ad object text, or nothing for absent or undecodable text.
    static std::optional<platform::Value> decodeFetchedAd(
        const platform::Value::Dictionary& parameters);
    // The script that answers the page, RADE_ReceiveMessage('fetchHttpRequestCompleted', {...}):
    // "success" "true" or "false" with the failure's "reason", and the response object.
    static std::string fetchCompletedCommand(bool success, const std::string& reason,
                                             const GADSDKCoreFetchResponse& response);
    // No script fetchCompletedCommand writes for these is longer (one pass over the texts, no
    // writing), so its bytes can be taken from the budget before it is written.
    static std::size_t fetchCompletedCommandSizeBound(bool success, const std::string& reason,
                                                      const GADSDKCoreFetchResponse& response);

    // Fetches in flight, by the page's id.
    bool isFetchInProgressForFetchRequestID(const std::string& requestID) const;
    std::size_t fetchesInProgress() const { return adFetchers_.size(); }
    // The current page's (see GADSDKCoreFetchAccounting).
    GADSDKCoreFetchAccounting fetchAccounting() const;

    // The page that asked for the fetches is gone (its load failed, its web process ended, or
    // a new load replaces it): see above. The web view calls it.
    void pageDidEnd();

    // GADAdFetcherDelegate (main thread)
    void adFetcherDidFetchAd(GADAdFetcher& fetcher, const std::shared_ptr<GADAd>& ad) override;
    void adFetcherDidFailToFetchAd(GADAdFetcher& fetcher, const std::shared_ptr<GADAd>& ad,
                                   const GADRequestError& error,
                                   std::int64_t responseCode) override;

  private:
    friend class testing::SDKCoreTestScope;
    struct PageBudget;
    class HeldBytes;

    void didReceiveloadAdURLAction(const GADGMSGActionInfo& info);
    void didReceiveLoadAdAction(const GADGMSGActionInfo& info);
    void didReceiveFetchAdAction(const GADGMSGActionInfo& info);
    void didReceiveInvalidAdRequestAction(const GADGMSGActionInfo& info);
    void didReceiveloadSDKConstantsAction(const GADGMSGActionInfo& info);
    void didReceiveSDKCoreReloadRequestWithParameters(const GADGMSGActionInfo& info);

    // Runs `call` with the delegate on a later main-loop turn, if the delegate still lives.
    void tellDelegate(
        std::function<void(GADSDKCoreGMSGHandler&, GADSDKCoreGMSGHandlerDelegate&)> call);

    // The id of the fetch, or nothing when it is no longer ours.
    std::optional<std::string> fetchRequestIDForAdFetcher(const GADAdFetcher& fetcher) const;
    // Forgets the fetch and cancels it.
    void removeAdFetcherForFetchRequestID(const std::string& requestID);
    // Queues a failed fetch's answer, without a body, on the web view (small: written here).
    void answerFailedFetch(const std::string& requestID, const std::string& reason,
                           std::int64_t responseCode = 0);
    // The answer to a fetch that ran: its bytes taken from the page's budget (or a failure
    // for want of them), written on the answer queue, queued on the web view.
    void answerFinishedFetch(bool success, std::string reason, GADSDKCoreFetchResponse response);
    // On the answer queue: the script, with the room to write it taken first.
    static std::string writeAnswer(bool success, const std::string& reason,
                                   GADSDKCoreFetchResponse& response, std::size_t fetched,
                                   HeldBytes& held);

    std::weak_ptr<GADSDKCoreWebView> webView_;
    std::weak_ptr<GADSDKCoreGMSGHandlerDelegate> delegate_;
    std::map<std::string, std::shared_ptr<GADAdFetcher>> adFetchers_;
    // Main thread: the current page's budget (answers hold it until they are done).
    std::shared_ptr<PageBudget> page_;
    // Main thread: raised by pageDidEnd, so answers written for an older page are dropped.
    std::uint64_t pageNumber_ = 0;
    // Work already queued runs after the handler is gone; it holds the handler weakly.
    platform::SerialQueue answerQueue_{kAnswerQueueLabel};
};

}  // namespace ads
