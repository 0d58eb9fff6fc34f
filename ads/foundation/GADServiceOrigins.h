#pragma once

// Where the SDK's servers are. Each origin (scheme, host and port) is read at every call, in
// this order: its environment variable (a loopback server in tests and local runs), its key
// in the bundle's Info.plist, and a default under ".invalid", a name that never resolves, so a
// build without configured servers asks no one. A value that is not an http(s) URL with a
// host is passed over with a log line: a request must never go to a half-understood address.
//
// - The ad server: pages, ads, pings, crash reports ("/adpage/gen_204") and performance
//   reports ("/csi").
// - The vendor's API: the OAuth token endpoint the signed-in user's refresh token is sent to.
//   Plain http is accepted there only for a loopback address, so a refresh token never
//   crosses a network unencrypted.

#include <string_view>

#include "platform/base/Url.h"

namespace ads {

inline constexpr const char* kGADAdServerVariable = "MOVUROUTE_AD_SERVER";
inline constexpr const char* kGADAdServerBundleKey = "MovurouteAdServerURL";
inline constexpr const char* kGADDefaultAdServerOrigin = "https://ads.movuroute.invalid";

inline constexpr const char* kGADAdsAPIVariable = "MOVUROUTE_ADS_API";
inline constexpr const char* kGADAdsAPIBundleKey = "MovurouteAdsAPIURL";
inline constexpr const char* kGADDefaultAdsAPIOrigin = "https://api.movuroute.invalid";

platform::Url GADAdServerOrigin();
// The origin with the path (which starts with "/").
platform::Url GADAdServerURL(std::string_view path);

platform::Url GADAdsAPIOrigin();
platform::Url GADAdsAPIURL(std::string_view path);

// Whether the URL's host is an ad server's, whole or as a parent domain, in any case: those
// of the stored "as_domains" list (comma-separated) when there is one, else the ad server in
// effect. "evilads.test" is not "ads.test".
bool GADIsZivivuAdURL(const platform::Url& url);

// 127.0.0.0/8, ::1 and "localhost" (which curl answers itself, never asking a resolver).
bool GADIsLoopbackHost(std::string_view host);

}  // namespace ads
