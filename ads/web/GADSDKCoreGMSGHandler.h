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
// Main thread: actions run there, fetches report there, and every delegate call is posted to a
// later main-loop turn, with the delegate held weakly. The handler holds its web view and its
// delegate weakly and its fetches strongly until they end; the web view owns the handler, so
// fetches in flight end (unanswered) with it.

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

namespace ads {

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

class GADSDKCoreGMSGHandler : public GADGMSGHandler,
                              public GADAdFetcherDelegate,
                              public std::enable_shared_from_this<GADSDKCoreGMSGHandler> {
    struct Private {};

  public:
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

    // Fetches in flight, by the page's id.
    bool isFetchInProgressForFetchRequestID(const std::string& requestID) const;
    std::size_t fetchesInProgress() const { return adFetchers_.size(); }

    // GADAdFetcherDelegate (main thread)
    void adFetcherDidFetchAd(GADAdFetcher& fetcher, const std::shared_ptr<GADAd>& ad) override;
    void adFetcherDidFailToFetchAd(GADAdFetcher& fetcher, const std::shared_ptr<GADAd>& ad,
                                   const GADRequestError& error,
                                   std::int64_t responseCode) override;

  private:
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
    // Queues the page's answer on the web view.
    void answerFetch(bool success, const std::string& reason,
                     const GADSDKCoreFetchResponse& response);

    std::weak_ptr<GADSDKCoreWebView> webView_;
    std::weak_ptr<GADSDKCoreGMSGHandlerDelegate> delegate_;
    std::map<std::string, std::shared_ptr<GADAdFetcher>> adFetchers_;
};

}  // namespace ads
