#pragma once

// Options an app hands to a native ad loader, one object per option class. The loader keeps a
// copy of each (the first of a class wins), and the native ad formats read them. Values with
// no thread of their own: made, copied and read on any thread, changed only by their owner.

#include <cstdint>
#include <memory>
#include <optional>
#include <string>

#include "platform/base/Value.h"

namespace ads {

class GADCorrelator;

class GADAdLoaderOptions {
  public:
    static constexpr const char* kClassName = "GADAdLoaderOptions";
    static std::shared_ptr<GADAdLoaderOptions> create() {
        return std::make_shared<GADAdLoaderOptions>();
    }
    GADAdLoaderOptions() = default;
    virtual ~GADAdLoaderOptions() = default;

    // The loader's configuration keys its copies by this name.
    virtual const char* className() const { return kClassName; }
    // A fresh object of the same class; subclasses copy their fields.
    virtual std::shared_ptr<GADAdLoaderOptions> copy() const { return create(); }
    // What the option would add to a request; the loader does not send it.
    virtual std::optional<platform::Value::Dictionary> requestParameters() const {
        return std::nullopt;
    }
    std::string description() const;
};

// Several loaders (and ad views) whose requests the server should see as one page view.
class GADCorrelatorAdLoaderOptions : public GADAdLoaderOptions {
  public:
    static constexpr const char* kClassName = "GADCorrelatorAdLoaderOptions";
    static std::shared_ptr<GADCorrelatorAdLoaderOptions> create() {
        return std::make_shared<GADCorrelatorAdLoaderOptions>();
    }
    const char* className() const override { return kClassName; }
    // The copy shares the correlator: that is what makes it correlate.
    std::shared_ptr<GADAdLoaderOptions> copy() const override;

    const std::shared_ptr<GADCorrelator>& correlator() const { return correlator_; }
    void setCorrelator(std::shared_ptr<GADCorrelator> correlator) {
        correlator_ = std::move(correlator);
    }

  private:
    std::shared_ptr<GADCorrelator> correlator_;
};

// Values kept as the app's numbers: 0 any, 1 portrait, 2 landscape.
enum GADNativeAdImageAdLoaderOptionsOrientation : std::int64_t {
    GADNativeAdImageAdLoaderOptionsOrientationAny = 0,
    GADNativeAdImageAdLoaderOptionsOrientationPortrait = 1,
    GADNativeAdImageAdLoaderOptionsOrientationLandscape = 2,
};

class GADNativeAdImageAdLoaderOptions : public GADAdLoaderOptions {
  public:
    static constexpr const char* kClassName = "GADNativeAdImageAdLoaderOptions";
    static std::shared_ptr<GADNativeAdImageAdLoaderOptions> create() {
        return std::make_shared<GADNativeAdImageAdLoaderOptions>();
    }
    const char* className() const override { return kClassName; }
    std::shared_ptr<GADAdLoaderOptions> copy() const override;
    // {"native_image_orientation": "portrait" or "landscape"}; nothing for any other value.
    std::optional<platform::Value::Dictionary> requestParameters() const override;

    bool disableImageLoading = false;
    bool shouldRequestMultipleImages = false;
    std::int64_t preferredImageOrientation = GADNativeAdImageAdLoaderOptionsOrientationAny;
};

}  // namespace ads
