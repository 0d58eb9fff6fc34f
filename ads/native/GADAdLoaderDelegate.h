#pragma once

// What a native ad loader tells its app. Every format's delegate protocol (content, app
// install, custom template) derives from GADAdLoaderDelegate and adds the callback that hands
// over an ad of its format; the loader checks its delegate against the protocols of the ad
// types it was asked for. Called on the main thread; the loader holds its delegate weakly.

#include "ads/foundation/GADRequestError.h"

namespace ads {

class GADAdLoader;

class GADAdLoaderDelegate {
  public:
    virtual ~GADAdLoaderDelegate() = default;
    virtual void adLoaderDidFailToReceiveAdWithError(GADAdLoader& adLoader,
                                                     const GADRequestError& error) = 0;
};

}  // namespace ads
