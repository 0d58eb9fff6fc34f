#pragma once

// What the SDK core controller asks of whoever wants an ad URL (an ad slot, the mediation URL
// adapter): the request's parameters, the kind of ad it wants, and where the page's answer
// goes. The controller holds its delegates weakly: one that goes away before its answer simply
// gets none.
//
// Threads and order, for one buildAdURL:
//   1. requestParametersWithRequestID, on the main thread, once the page is ready for the
//      request: the requester takes what its request needs (views, windows, its own fields)
//      into a value and hands back a builder of the parameters that holds only that value.
//   2. The builder runs on the controller's request queue
//      ("com.zivivu.durez.sdk-core-controller-url"); nothing there calls the requester, so a
//      requester keeps no lock for the queue's sake.
//   3. Exactly one answer, on the main thread: loadAdURLWithParameters, loadAd,
//      invalidJavaScriptRequest, failedJavaScriptFile or SDKCoreRequestDidTimeOut.
// requestedAdType is read on the main thread when the page hands over an ad of its own, and
// CSIIdentifier on the main thread whenever a timing is recorded.

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "platform/base/Value.h"

namespace ads {

class GADAd;

// The kind of ad a requester wants; the page's "loadAd" answer is made into that kind. Other
// values may come from requesters of later kinds and make no ad.
enum class GADRequestedAdType : std::uint64_t {
    Generic = 0,
    Banner = 1,
    Interstitial = 2,
};

class GADSDKCoreControllerDelegate {
  public:
    virtual ~GADSDKCoreControllerDelegate() = default;

    // Builds a request's parameters on the request queue from a value taken on the main
    // thread. Nothing (or an empty builder) when the requester has nothing to ask for: it is
    // then told the request is invalid.
    using RequestParametersBuilder = std::function<std::optional<platform::Value::Dictionary>()>;
    // Main thread: the request's id (sent with it, and the key of the page's answer) and the
    // builder of what it sends.
    virtual RequestParametersBuilder requestParametersWithRequestID(
        const std::string& requestID) = 0;
    virtual GADRequestedAdType requestedAdType() = 0;
    // Tells timing records of different requesters apart.
    virtual std::int64_t CSIIdentifier() = 0;

    // The page built the ad URL: the message's parameters, the URL under "url" (or "errors"
    // when the server refused).
    virtual void loadAdURLWithParameters(const platform::Value::Dictionary& parameters) = 0;
    // The page fetched the ad itself; headers are the ad's response headers.
    virtual void loadAd(const std::shared_ptr<GADAd>& ad,
                        const std::optional<platform::Value::Dictionary>& headers) = 0;
    // The page refused the request, or what it answered cannot be used.
    virtual void invalidJavaScriptRequest() = 0;
    // The core page could not be loaded, or was lost while the request waited.
    virtual void failedJavaScriptFile() = 0;
    // No answer came within the controller's time limit.
    virtual void SDKCoreRequestDidTimeOut() = 0;
};

}  // namespace ads
