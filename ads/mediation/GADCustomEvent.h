#pragma once

// A publisher's own class in the mediation waterfall, named by a network entry's "class_name".
// The app registers it in platform::ClassRegistry with a factory for this interface and the
// protocols of the formats it serves (GADCustomEventBanner::kProtocolName,
// GADCustomEventInterstitial::kProtocolName, or the native room's). The SDK checks the
// protocol in the registry before it makes an instance, so a class is only ever made for a
// format it declared.

namespace ads {

class GADCustomEvent {
  public:
    virtual ~GADCustomEvent() = default;
};

}  // namespace ads
