#include "ads/web/GADSDKCoreGMSGHandler.h"

#include "ads/foundation/GADAd.h"
#include "ads/foundation/GADAdFetcher.h"
#include "ads/foundation/GADJSONAdditions.h"
#include "ads/foundation/GADRequestError.h"
#include "ads/foundation/GADURLRequestUtilities.h"
#include "ads/foundation/GADURLUtilities.h"
#include "ads/web/GADPageScripts.h"
#include "ads/web/GADSDKCoreWebView.h"
#include "platform/runtime/MainLoop.h"
#include "platform/storage/Json.h"

namespace ads {

using platform::Value;

std::shared_ptr<GADSDKCoreGMSGHandler> GADSDKCoreGMSGHandler::create() {
    return std::make_shared<GADSDKCoreGMSGHandler>(Private{});
}

GADSDKCoreGMSGHandler::GADSDKCoreGMSGHandler(Private) {}

GADSDKCoreGMSGHandler::~GADSDKCoreGMSGHandler() {
    for (auto& [id, fetcher] : adFetchers_) fetcher->cancel();
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
        GADSDKCoreFetchResponse response;
        response.requestID = parsed.requestID;
        answerFetch(false, parsed.error ? parsed.error->localizedDescription() : "", response);
        return;
    }
    const GADSDKCoreFetchRequest& fetch = *parsed.request;
    platform::HttpHeaders headers;
    for (const auto& [name, value] : fetch.headers) headers.set(name, value);
    std::optional<std::vector<std::uint8_t>> body;
    if (fetch.postBody) body.emplace(fetch.postBody->begin(), fetch.postBody->end());

    auto fetcher = GADAdFetcher::create();
    adFetchers_.emplace(fetch.requestID, fetcher);
    platform::Error error;
    if (!fetcher->fetchRequestURL(gad_requestForURL(fetch.url, body, headers, fetch.contentType),
                                  weak_from_this(), &error)) {
        removeAdFetcherForFetchRequestID(fetch.requestID);
        GADSDKCoreFetchResponse response;
        response.requestID = fetch.requestID;
        answerFetch(false, error.localizedDescription(), response);
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

GADSDKCoreFetchResponse responseFor(const std::string& requestID, const GADAd* ad,
                                    std::int64_t responseCode) {
    GADSDKCoreFetchResponse response;
    response.requestID = requestID;
    response.responseCode = responseCode;
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
    // The page's script reads any loaded fetch as 200; which 2xx the server chose is the
    // fetcher's business, and only 2xx answers get here.
    answerFetch(true, "", responseFor(*id, ad.get(), 200));
    removeAdFetcherForFetchRequestID(*id);
}

void GADSDKCoreGMSGHandler::adFetcherDidFailToFetchAd(GADAdFetcher& fetcher,
                                                      const std::shared_ptr<GADAd>& ad,
                                                      const GADRequestError& error,
                                                      std::int64_t responseCode) {
    auto id = fetchRequestIDForAdFetcher(fetcher);
    if (!id) return;
    auto keep = adFetchers_.at(*id);
    answerFetch(false, error.localizedDescription(), responseFor(*id, ad.get(), responseCode));
    removeAdFetcherForFetchRequestID(*id);
}

void GADSDKCoreGMSGHandler::answerFetch(bool success, const std::string& reason,
                                        const GADSDKCoreFetchResponse& response) {
    if (auto webView = webView_.lock()) {
        webView->enqueueJavaScriptCommand(fetchCompletedCommand(success, reason, response));
    }
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

std::string GADSDKCoreGMSGHandler::fetchCompletedCommand(bool success, const std::string& reason,
                                                         const GADSDKCoreFetchResponse& response) {
    Value::Array headers;
    for (const auto& [key, value] : response.headers) {
        headers.push_back(Value::dictionary({{"key", Value(key)}, {"value", Value(value)}}));
    }
    Value object = Value::dictionary({
        {"response_code", Value(response.responseCode)},
        {"body", Value(response.body)},
        {"http_request_id", Value(response.requestID)},
        {"headers", Value(std::move(headers))},
    });
    Value answer = Value::dictionary(
        {{"success", Value(success ? "true" : "false")}, {"response", std::move(object)}});
    if (!success) answer.set("reason", Value(reason));
    // The writer escapes what would end a script string (U+2028, U+2029, "</") and repairs
    // broken UTF-8, so a fetched body cannot break out of the call.
    const std::string json = platform::Json::write(answer).value_or("");
    return "RADE_ReceiveMessage('fetchHttpRequestCompleted', " + json + ")";
}

}  // namespace ads
