#include "ads/web/GADSDKCoreGMSGHandler.h"

#include <algorithm>
#include <mutex>

#include "ads/foundation/GADAd.h"
#include "ads/foundation/GADAdFetcher.h"
#include "ads/foundation/GADJSONAdditions.h"
#include "ads/foundation/GADRequestError.h"
#include "ads/foundation/GADURLRequestUtilities.h"
#include "ads/foundation/GADURLUtilities.h"
#include "ads/web/GADPageScripts.h"
#include "ads/web/GADSDKCoreWebView.h"
#include "platform/base/StringEscaping.h"
#include "platform/base/Unicode.h"
#include "platform/runtime/MainLoop.h"

namespace ads {

using platform::Value;

// One page's budget and figures, shared by the main thread and the answer queue.
struct GADSDKCoreGMSGHandler::PageBudget {
    bool take(std::size_t bytes) {
        std::lock_guard lock(mutex);
        if (bytes > kMaxHeldBytesPerPage - figures.heldBytes) return false;
        figures.heldBytes += bytes;
        figures.mostHeldBytes = std::max(figures.mostHeldBytes, figures.heldBytes);
        return true;
    }
    void give(std::size_t bytes) {
        std::lock_guard lock(mutex);
        figures.heldBytes -= std::min(bytes, figures.heldBytes);
    }
    void countFetches(std::size_t inFlight) {
        std::lock_guard lock(mutex);
        figures.mostFetchesInFlight = std::max(figures.mostFetchesInFlight, inFlight);
    }
    void countRefusal(std::size_t GADSDKCoreFetchAccounting::*count) {
        std::lock_guard lock(mutex);
        ++(figures.*count);
    }
    GADSDKCoreFetchAccounting snapshot() {
        std::lock_guard lock(mutex);
        return figures;
    }

    std::mutex mutex;
    GADSDKCoreFetchAccounting figures;
};

// The bytes one answer holds of its page's budget, from the fetch's end until the last of its
// holders (the answer queue, the web view's queue of calls, the turn that hands the call to
// the page) lets go. One holder at a time changes it.
class GADSDKCoreGMSGHandler::HeldBytes {
  public:
    HeldBytes(std::shared_ptr<PageBudget> budget, std::size_t bytes)
        : budget_(std::move(budget)), bytes_(bytes) {}
    ~HeldBytes() { budget_->give(bytes_); }
    HeldBytes(const HeldBytes&) = delete;
    HeldBytes& operator=(const HeldBytes&) = delete;

    // Nothing when the page's budget has no room for them.
    static std::shared_ptr<HeldBytes> take(const std::shared_ptr<PageBudget>& budget,
                                           std::size_t bytes) {
        if (!budget->take(bytes)) return nullptr;
        return std::make_shared<HeldBytes>(budget, bytes);
    }
    bool growTo(std::size_t bytes) {
        if (bytes <= bytes_) return true;
        if (!budget_->take(bytes - bytes_)) return false;
        bytes_ = bytes;
        return true;
    }
    void shrinkTo(std::size_t bytes) {
        if (bytes >= bytes_) return;
        budget_->give(bytes_ - bytes);
        bytes_ = bytes;
    }
    PageBudget& budget() { return *budget_; }

  private:
    std::shared_ptr<PageBudget> budget_;
    std::size_t bytes_;
};

std::shared_ptr<GADSDKCoreGMSGHandler> GADSDKCoreGMSGHandler::create() {
    return std::make_shared<GADSDKCoreGMSGHandler>(Private{});
}

GADSDKCoreGMSGHandler::GADSDKCoreGMSGHandler(Private) : page_(std::make_shared<PageBudget>()) {}

GADSDKCoreGMSGHandler::~GADSDKCoreGMSGHandler() {
    for (auto& [id, fetcher] : adFetchers_) fetcher->cancel();
}

GADSDKCoreFetchAccounting GADSDKCoreGMSGHandler::fetchAccounting() const {
    GADSDKCoreFetchAccounting figures = page_->snapshot();
    figures.fetchesInFlight = adFetchers_.size();
    return figures;
}

void GADSDKCoreGMSGHandler::pageDidEnd() {
    ++pageNumber_;
    page_ = std::make_shared<PageBudget>();
    // Nobody is left to read these answers.
    auto fetchers = std::exchange(adFetchers_, {});
    for (auto& [id, fetcher] : fetchers) fetcher->cancel();
}

const GADGMSGActionTable* GADSDKCoreGMSGHandler::actionBlockDictionary() const {
    static const GADGMSGActionTable table{
        {"loadAdURL", action(&GADSDKCoreGMSGHandler::didReceiveloadAdURLAction)},
        {"loadAd", action(&GADSDKCoreGMSGHandler::didReceiveLoadAdAction)},
        {"fetchHttpRequest", action(&GADSDKCoreGMSGHandler::didReceiveFetchAdAction)},
        {"invalidRequest", action(&GADSDKCoreGMSGHandler::didReceiveInvalidAdRequestAction)},
        {"loadSdkConstants", action(&GADSDKCoreGMSGHandler::didReceiveloadSDKConstantsAction)},
        {"requestReload",
         action(&GADSDKCoreGMSGHandler::didReceiveSDKCoreReloadRequestWithParameters)},
    };
    return &table;
}

void GADSDKCoreGMSGHandler::tellDelegate(
    std::function<void(GADSDKCoreGMSGHandler&, GADSDKCoreGMSGHandlerDelegate&)> call) {
    platform::MainLoop::main().post(
        [weakSelf = weak_from_this(), delegate = delegate_, call = std::move(call)] {
            auto self = weakSelf.lock();
            auto target = delegate.lock();
            if (self && target) call(*self, *target);
        });
}

// Page messages

void GADSDKCoreGMSGHandler::didReceiveloadAdURLAction(const GADGMSGActionInfo& info) {
    tellDelegate([id = info.note->parameter("request_id"), parameters = info.note->parameters()](
                     GADSDKCoreGMSGHandler& self, GADSDKCoreGMSGHandlerDelegate& delegate) {
        delegate.SDKCoreGMSGHandlerLoadAdURLWithRequestID(self, id, parameters);
    });
}

void GADSDKCoreGMSGHandler::didReceiveLoadAdAction(const GADGMSGActionInfo& info) {
    // Text that does not decode is no answer at all: the request waits for its time-out.
    auto fetchedAd = decodeFetchedAd(info.note->parameters());
    if (!fetchedAd) return;
    tellDelegate([id = info.note->parameter("request_id"), ad = std::move(*fetchedAd)](
                     GADSDKCoreGMSGHandler& self, GADSDKCoreGMSGHandlerDelegate& delegate) {
        delegate.SDKCoreGMSGHandlerLoadAdWithRequestID(self, id, ad);
    });
}

void GADSDKCoreGMSGHandler::didReceiveInvalidAdRequestAction(const GADGMSGActionInfo& info) {
    tellDelegate([id = info.note->parameter("request_id"), parameters = info.note->parameters()](
                     GADSDKCoreGMSGHandler& self, GADSDKCoreGMSGHandlerDelegate& delegate) {
        delegate.SDKCoreGMSGHandlerDidReceiveInvalidAdWithRequestID(self, id, parameters);
    });
}

void GADSDKCoreGMSGHandler::didReceiveloadSDKConstantsAction(const GADGMSGActionInfo& info) {
    tellDelegate([constants = info.note->parameters()](GADSDKCoreGMSGHandler& self,
                                                       GADSDKCoreGMSGHandlerDelegate& delegate) {
        delegate.SDKCoreGMSGHandlerDidLoadSDKConstants(self, constants);
    });
}

void GADSDKCoreGMSGHandler::didReceiveSDKCoreReloadRequestWithParameters(const GADGMSGActionInfo&) {
    tellDelegate([](GADSDKCoreGMSGHandler& self, GADSDKCoreGMSGHandlerDelegate& delegate) {
        delegate.SDKCoreGMSGHandlerDidReceiveSDKCoreUpdateNotification(self);
    });
}

// Fetches for the page

void GADSDKCoreGMSGHandler::didReceiveFetchAdAction(const GADGMSGActionInfo& info) {
    GADSDKCoreFetchParse parsed = parseFetchHttpRequest(info.note->parameters());
    if (parsed.request && isFetchInProgressForFetchRequestID(parsed.requestID)) return;
    if (!parsed.request) {
        answerFailedFetch(parsed.requestID,
                          parsed.error ? parsed.error->localizedDescription() : "");
        return;
    }
    if (adFetchers_.size() >= kMaxFetchesInFlight) {
        page_->countRefusal(&GADSDKCoreFetchAccounting::refusedForFetchesInFlight);
        answerFailedFetch(parsed.requestID, kTooManyFetchesMessage);
        return;
    }
    const GADSDKCoreFetchRequest& fetch = *parsed.request;
    platform::HttpHeaders headers;
    for (const auto& [name, value] : fetch.headers) headers.set(name, value);
    std::optional<std::vector<std::uint8_t>> body;
    if (fetch.postBody) body.emplace(fetch.postBody->begin(), fetch.postBody->end());

    auto fetcher = GADAdFetcher::create();
    adFetchers_.emplace(fetch.requestID, fetcher);
    page_->countFetches(adFetchers_.size());
    platform::Error error;
    if (!fetcher->fetchRequestURL(gad_requestForURL(fetch.url, body, headers, fetch.contentType),
                                  weak_from_this(), &error)) {
        removeAdFetcherForFetchRequestID(fetch.requestID);
        answerFailedFetch(fetch.requestID, error.localizedDescription());
    }
}

bool GADSDKCoreGMSGHandler::isFetchInProgressForFetchRequestID(const std::string& requestID) const {
    return adFetchers_.count(requestID) != 0;
}

std::optional<std::string> GADSDKCoreGMSGHandler::fetchRequestIDForAdFetcher(
    const GADAdFetcher& fetcher) const {
    for (const auto& [id, kept] : adFetchers_) {
        if (kept.get() == &fetcher) return id;
    }
    return std::nullopt;
}

void GADSDKCoreGMSGHandler::removeAdFetcherForFetchRequestID(const std::string& requestID) {
    auto found = adFetchers_.find(requestID);
    if (found == adFetchers_.end()) return;
    auto fetcher = std::move(found->second);
    adFetchers_.erase(found);
    fetcher->cancel();
}

namespace {

// What a failed answer says of its fetch without a body: its id and the status that came
// (0: none).
GADSDKCoreFetchResponse bodilessResponse(const std::string& requestID,
                                         std::int64_t responseCode = 0) {
    GADSDKCoreFetchResponse response;
    response.requestID = requestID;
    response.responseCode = responseCode;
    return response;
}

GADSDKCoreFetchResponse responseFor(const std::string& requestID, const GADAd* ad,
                                    std::int64_t responseCode) {
    GADSDKCoreFetchResponse response = bodilessResponse(requestID, responseCode);
    if (!ad) return response;
    response.body = ad->adHTML().value_or("");
    if (const auto& headers = ad->responseHeaders()) {
        for (const auto& [name, value] : *headers) {
            response.headers.emplace_back(
                name, value.isString() ? value.stringRef() : value.stringValue());
        }
    }
    return response;
}

}  // namespace

void GADSDKCoreGMSGHandler::adFetcherDidFetchAd(GADAdFetcher& fetcher,
                                                const std::shared_ptr<GADAd>& ad) {
    auto id = fetchRequestIDForAdFetcher(fetcher);
    if (!id) return;
    auto keep = adFetchers_.at(*id);
    removeAdFetcherForFetchRequestID(*id);
    // The page's script reads any loaded fetch as 200; which 2xx the server chose is the
    // fetcher's business, and only 2xx answers get here.
    answerFinishedFetch(true, "", responseFor(*id, ad.get(), 200));
}

void GADSDKCoreGMSGHandler::adFetcherDidFailToFetchAd(GADAdFetcher& fetcher,
                                                      const std::shared_ptr<GADAd>& ad,
                                                      const GADRequestError& error,
                                                      std::int64_t responseCode) {
    auto id = fetchRequestIDForAdFetcher(fetcher);
    if (!id) return;
    auto keep = adFetchers_.at(*id);
    removeAdFetcherForFetchRequestID(*id);
    answerFinishedFetch(false, error.localizedDescription(),
                        responseFor(*id, ad.get(), responseCode));
}

void GADSDKCoreGMSGHandler::answerFailedFetch(const std::string& requestID,
                                              const std::string& reason,
                                              std::int64_t responseCode) {
    if (auto webView = webView_.lock()) {
        webView->enqueueJavaScriptCommand(
            fetchCompletedCommand(false, reason, bodilessResponse(requestID, responseCode)));
    }
}

namespace {

std::size_t fetchedBytes(const GADSDKCoreFetchResponse& response) {
    std::size_t bytes = response.body.size() + response.requestID.size();
    for (const auto& [name, value] : response.headers) bytes += name.size() + value.size();
    return bytes;
}

}  // namespace

void GADSDKCoreGMSGHandler::answerFinishedFetch(bool success, std::string reason,
                                                GADSDKCoreFetchResponse response) {
    // What came is held from here on, with room to write its answer beside it: about as long
    // for the pages and configurations servers send (the exact need is known on the queue). A
    // page already owed too much gets a failure instead.
    const std::size_t fetched = fetchedBytes(response);
    auto held = HeldBytes::take(page_, 2 * fetched + kAnswerRoomBytes);
    if (!held) {
        page_->countRefusal(&GADSDKCoreFetchAccounting::refusedForHeldBytes);
        answerFailedFetch(response.requestID, kTooManyHeldBytesMessage, response.responseCode);
        return;
    }
    answerQueue_.async([weakSelf = weak_from_this(), page = pageNumber_, success, fetched,
                        reason = std::move(reason), response = std::move(response),
                        held = std::move(held)]() mutable {
        std::string script = writeAnswer(success, reason, response, fetched, *held);
        platform::MainLoop::main().post(
            [weakSelf, page, script = std::move(script), held = std::move(held)]() mutable {
                auto self = weakSelf.lock();
                // A page that went meanwhile reads nothing more.
                if (!self || page != self->pageNumber_) return;
                auto webView = self->webView_.lock();
                if (!webView) return;
                webView->enqueueJavaScriptCommand(std::move(script), {}, std::move(held));
            });
    });
}

std::string GADSDKCoreGMSGHandler::writeAnswer(bool success, const std::string& reason,
                                               GADSDKCoreFetchResponse& response,
                                               std::size_t fetched, HeldBytes& held) {
    std::string script;
    if (held.growTo(fetched + fetchCompletedCommandSizeBound(success, reason, response))) {
        script = fetchCompletedCommand(success, reason, response);
    } else {
        script = fetchCompletedCommand(false, kTooManyHeldBytesMessage,
                                       bodilessResponse(response.requestID, response.responseCode));
        held.budget().countRefusal(&GADSDKCoreFetchAccounting::refusedForHeldBytes);
    }
    // The body goes now: from here the answer holds its script alone.
    response = {};
    held.shrinkTo(script.size());
    return script;
}

// Parsing

std::optional<Value> GADSDKCoreGMSGHandler::decodeFetchedAd(const Value::Dictionary& parameters) {
    auto found = parameters.find("fetched_ad");
    if (found == parameters.end() || !found->second.isString()) return std::nullopt;
    return gad_decodedJSONObject(found->second.stringRef());
}

GADSDKCoreFetchParse GADSDKCoreGMSGHandler::parseFetchHttpRequest(
    const Value::Dictionary& parameters) {
    GADSDKCoreFetchParse parsed;
    auto text = parameters.find("http_request");
    platform::Error decodeError;
    std::optional<Value> decoded;
    if (text != parameters.end() && text->second.isString()) {
        decoded = gad_decodedJSONObject(text->second.stringRef(), &decodeError);
    } else {
        decodeError = GADRequestError::errorWithCode(kGADErrorInternalError,
                                                     "No http_request given for fetching");
    }
    if (decoded && !decoded->isDictionary()) {
        decoded.reset();
        decodeError = GADRequestError::errorWithCode(kGADErrorInternalError,
                                                     "The http_request to fetch is no object");
    }
    if (!decoded) {
        parsed.error = decodeError;
        return parsed;
    }
    const Value& request = *decoded;

    // Without a text id the answer could not be matched to anything the page waits for, and a
    // fetch nobody can ask about again must not start.
    const Value* id = gad_objectForKey(request, "http_request_id", &Value::isString);
    if (!id) {
        parsed.error = GADRequestError::errorWithCode(
            kGADErrorInternalError, "No http_request_id (a text) given for fetching");
        return parsed;
    }
    parsed.requestID = id->stringRef();

    // Only the web: a page must not make us read local files or talk other protocols.
    const Value* urlText = gad_objectForKey(request, "url", &Value::isString);
    std::optional<platform::Url> url;
    if (urlText && !urlText->stringRef().empty()) url = platform::Url::parse(urlText->stringRef());
    const bool web = url && (gad_isSchemeEqualToString(*url, "http", false) ||
                             gad_isSchemeEqualToString(*url, "https", false));
    if (!web || url->host().empty()) {
        parsed.error = GADRequestError::errorWithCode(
            kGADErrorInternalError,
            "Invalid URL (" + (urlText ? urlText->stringRef() : "") + ") requested for fetching");
        return parsed;
    }

    GADSDKCoreFetchRequest fetch;
    fetch.requestID = parsed.requestID;
    fetch.url = *url;
    if (const Value* body = gad_objectForKey(request, "post_body", &Value::isString)) {
        fetch.postBody = body->stringRef();
    }
    if (const Value* type = gad_objectForKey(request, "content_type", &Value::isString)) {
        fetch.contentType = type->stringRef();
    }
    if (const Value* headers = gad_objectForKey(request, "headers", &Value::isArray)) {
        for (const Value& element : headers->asArray()) {
            const Value* key = gad_objectForKey(element, "key", &Value::isString);
            const Value* value = gad_objectForKey(element, "value", &Value::isString);
            if (key && value) fetch.headers[key->stringRef()] = value->stringRef();
        }
    }
    parsed.request = std::move(fetch);
    return parsed;
}

namespace {

constexpr std::string_view kAnswerHead = "RADE_ReceiveMessage('fetchHttpRequestCompleted', ";
// Everything of an answer but its texts and headers: the call, the keys, the punctuation, the
// longest status number.
constexpr std::size_t kAnswerFrameBytes = kAnswerHead.size() + 160;
// A header's keys and punctuation.
constexpr std::size_t kAnswerHeaderFrameBytes = 24;

// A JSON string as our JSON writer spells it: broken UTF-8 repaired, "/" and U+2028/U+2029
// escaped, so nothing in it ends the script string or the script element.
void appendJSONString(std::string& out, std::string_view text) {
    out += '"';
    if (platform::isValidUtf8(text)) {
        platform::appendEscaped(out, text, platform::StringEscapeStyle::json());
    } else {
        platform::appendEscaped(out, platform::repairedUtf8(text),
                                platform::StringEscapeStyle::json());
    }
    out += '"';
}

// What appendJSONString appends, measured without writing it: the quotes, and the text as our
// JSON writer escapes it once repaired (the escaper counts each byte of a broken sequence as
// one; the repair makes the sequence the three of U+FFFD, which JSON leaves as they are).
std::size_t JSONStringSize(std::string_view text) {
    return 2 + platform::escapedSize(text, platform::StringEscapeStyle::json()) +
           platform::repairedUtf8Size(text) - text.size();
}

}  // namespace

std::string GADSDKCoreGMSGHandler::fetchCompletedCommand(bool success, const std::string& reason,
                                                         const GADSDKCoreFetchResponse& response) {
    // Written straight into one string of the right size, in the key order of our JSON
    // writer: the body may be megabytes, and a value tree and a writer's buffer would each
    // hold another copy of it.
    std::string script;
    script.reserve(fetchCompletedCommandSizeBound(success, reason, response));
    script += kAnswerHead;
    script += '{';
    if (!success) {
        script += "\"reason\":";
        appendJSONString(script, reason);
        script += ',';
    }
    script += "\"response\":{\"body\":";
    appendJSONString(script, response.body);
    script += ",\"headers\":[";
    bool first = true;
    for (const auto& [key, value] : response.headers) {
        if (!first) script += ',';
        first = false;
        script += "{\"key\":";
        appendJSONString(script, key);
        script += ",\"value\":";
        appendJSONString(script, value);
        script += '}';
    }
    script += "],\"http_request_id\":";
    appendJSONString(script, response.requestID);
    script += ",\"response_code\":" + std::to_string(response.responseCode);
    script += "},\"success\":";
    script += success ? "\"true\"" : "\"false\"";
    script += "})";
    return script;
}

std::size_t GADSDKCoreGMSGHandler::fetchCompletedCommandSizeBound(
    bool success, const std::string& reason, const GADSDKCoreFetchResponse& response) {
    std::size_t bound =
        kAnswerFrameBytes + JSONStringSize(response.body) + JSONStringSize(response.requestID);
    if (!success) bound += JSONStringSize(reason);
    for (const auto& [key, value] : response.headers) {
        bound += kAnswerHeaderFrameBytes + JSONStringSize(key) + JSONStringSize(value);
    }
    return bound;
}

}  // namespace ads
