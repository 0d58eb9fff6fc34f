#pragma once

// What a loader was asked for: the ad types as the app gave them, their format classes and the
// accepted options. Made once by the loader and never changed; read on any thread.

#include <memory>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "ads/native/GADAdLoading.h"

namespace ads {

class GADAdLoaderConfiguration {
    struct Private {};

  public:
    // Nothing for an empty list or one with any ad type outside the table. Each option class
    // is kept once, as a copy of its first object (a later one, and a missing one, are logged
    // for the developer and dropped).
    static std::shared_ptr<const GADAdLoaderConfiguration> create(
        const std::vector<std::string>& adTypes,
        const std::vector<std::shared_ptr<GADAdLoaderOptions>>& options);
    GADAdLoaderConfiguration(Private) {}

    // In ad-type order, each class once: the order of the request's formats.
    const std::vector<GADAdLoadingClass>& adTypeClasses() const { return adTypeClasses_; }
    const std::set<std::string>& adTypes() const { return adTypes_; }
    // Nothing when no option was accepted.
    const std::optional<GADAdLoaderOptionsMap>& options() const { return options_; }

    bool containsClass(const GADAdLoadingClass& loading) const;
    // The accepted option of the class, or nothing.
    std::shared_ptr<GADAdLoaderOptions> option(const std::string& className) const;
    template <class Option>
    std::shared_ptr<Option> option() const {
        return std::dynamic_pointer_cast<Option>(option(Option::kClassName));
    }

  private:
    std::vector<GADAdLoadingClass> adTypeClasses_;
    std::set<std::string> adTypes_;
    std::optional<GADAdLoaderOptionsMap> options_;
};

}  // namespace ads
