#include "platform/net/FetchSync.h"

#include <memory>

#include "platform/net/TransferDriver.h"
#include "platform/net/UrlError.h"

namespace platform {

namespace {

struct HopResult {
    std::optional<UrlResponse> response;
    UrlRequest::Bytes body;
    std::optional<Error> error;
};

bool isCancelled(const FetchOptions& options) {
    return options.cancelled && options.cancelled->load();
}

HopResult runHop(const UrlRequest& request, const FetchOptions& options) {
    HopResult hop;
    bool done = false;
    CurlTransfer::Callbacks callbacks;
    callbacks.onResponse = [&](const UrlResponse& response) { hop.response = response; };
    callbacks.onData = [&](const std::uint8_t* data, std::size_t size) {
        hop.body.insert(hop.body.end(), data, data + size);
    };
    callbacks.onComplete = [&](const std::optional<Error>& error) {
        hop.error = error;
        done = true;
    };
    TransferDriver driver;
    auto transfer = std::make_shared<CurlTransfer>(request, std::move(callbacks), options.maxBytes);
    driver.add(transfer);
    while (!done) {
        if (isCancelled(options)) {
            driver.remove(transfer.get());
            hop.error = makeUrlError(kUrlErrorCancelled, request.url().absoluteString());
            break;
        }
        driver.runOnce(std::chrono::milliseconds(options.cancelled ? 100 : 1000));
    }
    return hop;
}

}  // namespace

FetchResult fetchSync(const UrlRequest& request, const FetchOptions& options) {
    FetchResult result;
    UrlRequest current = request;
    int redirects = 0;
    while (true) {
        HopResult hop = runHop(current, options);
        if (!hop.error && options.followRedirects && hop.response) {
            if (auto next = redirectRequestFor(current, *hop.response)) {
                if (++redirects > options.maxRedirects) {
                    result.response = std::move(hop.response);
                    result.error =
                        makeUrlError(kUrlErrorHTTPTooManyRedirects, current.url().absoluteString());
                    return result;
                }
                current = std::move(*next);
                continue;
            }
        }
        result.response = std::move(hop.response);
        result.body = std::move(hop.body);
        result.error = std::move(hop.error);
        return result;
    }
}

}  // namespace platform
