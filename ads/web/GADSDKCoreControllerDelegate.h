#pragma once

// What the SDK core controller asks of whoever wants an ad URL (an ad slot, the mediation URL
// adapter): the request's parameters, the kind of ad it wants, and where the page's answer
// goes. The controller holds its delegates weakly: one that goes away before its answer simply
// gets none.
//
// Threads and order, for one buildAdURL:
//   1. prepareRequestParameters, on the main thread, just before the request step is queued:
//      the place to read views, windows and anything else that lives on the main thread.
//   2. setRequestID, then requestParameters, on the controller's request queue
//      ("com.zivivu.durez.sdk-core-controller-url"): both must be safe off the main thread.
//   3. Exactly one answer, on the main thread: loadAdURLWithParameters, loadAd,
//      invalidJavaScriptRequest, failedJavaScriptFile or SDKCoreRequestDidTimeOut.
// requestedAdType is read on the main thread when the page hands over an ad of its own, and
// CSIIdentifier on the main thread whenever a timing is recorded.

#include <cstdint>
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

    virtual void prepareRequestParameters() {}
    virtual void setRequestID(const std::string& requestID) = 0;
    // Nothing when the requester has nothing to ask for (it is then told the request is
    // invalid).
    virtual std::optional<platform::Value::Dictionary> requestParameters() = 0;
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
