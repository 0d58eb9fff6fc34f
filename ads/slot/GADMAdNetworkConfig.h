#pragma once

// One ad network of a server's mediation configuration: its id, credentials, extras, a ready
// ad, the ping templates of this network and the adapter class chosen for it among the names
// it lists (the first registered class that implements the current adapter API and declares
// an adapter protocol). Read-only once parsed; shared between the configuration, the waterfall
// and the connectors.
//
// The server's values are untrusted: a value of the wrong type leaves its field empty, ids
// and publisher ids are strings or numbers written in decimal, adapter names that are not
// strings are passed over. Made on any thread (the class registry is thread-safe).

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "ads/foundation/GADRequestError.h"
#include "platform/base/Value.h"

namespace ads {

class GADMAdNetworkConfig {
    struct Private {};

  public:
    static constexpr const char* kShareLocationKey = "gwhirl_share_location";
    static constexpr const char* kPublisherIDKey = "pubid";

    struct Parsed {
        // Nothing when the entry is unusable (code 7); with a code-8 error the entry is still
        // there, without an adapter class or with an old-API note.
        std::shared_ptr<const GADMAdNetworkConfig> config;
        std::optional<GADRequestError> error;
    };
    static Parsed parse(const platform::Value& dictionary);

    explicit GADMAdNetworkConfig(Private) {}

    const std::string& networkID() const { return networkID_; }
    const platform::Value::Dictionary& credentials() const { return credentials_; }
    // The credentials' "pubid", a string or a number in decimal; else nothing.
    const std::optional<std::string>& publisherID() const { return publisherID_; }
    const platform::Value::Dictionary& extras() const { return extras_; }
    const std::optional<platform::Value::Dictionary>& ad() const { return ad_; }
    // Nothing when the entry named no list.
    const std::optional<std::vector<std::string>>& adapterList() const { return adapterList_; }
    // The registered name of the chosen adapter class.
    const std::optional<std::string>& adapterClass() const { return adapterClass_; }
    const std::optional<std::string>& allocationID() const { return allocationID_; }
    const std::vector<std::string>& impressionURLs() const { return impressionURLs_; }
    const std::vector<std::string>& clickURLs() const { return clickURLs_; }
    const std::vector<std::string>& videoStartURLs() const { return videoStartURLs_; }
    const std::vector<std::string>& rewardedUserURLs() const { return rewardedUserURLs_; }
    // Whether the entry named its own list ("imp_urls", "clickurl"), even an empty one: the
    // rewarded video waterfall pings its default template only for a list never named.
    bool namesImpressionURLs() const { return namesImpressionURLs_; }
    bool namesClickURLs() const { return namesClickURLs_; }

    // "networkID:<id> adapter:<class> data:<publisher id, or the credentials>"
    std::string description() const;

    // A string as it is, a number in decimal; anything else nothing.
    static std::optional<std::string> stringOrNumber(const platform::Value* value);
    // The strings of an array in order (other items passed over); empty for a non-array.
    static std::vector<std::string> strings(const platform::Value* value);

  private:
    void chooseAdapterClass(std::optional<GADRequestError>& error);

    std::string networkID_;
    platform::Value::Dictionary credentials_;
    std::optional<std::string> publisherID_;
    platform::Value::Dictionary extras_;
    std::optional<platform::Value::Dictionary> ad_;
    std::optional<std::vector<std::string>> adapterList_;
    std::optional<std::string> adapterClass_;
    std::optional<std::string> allocationID_;
    std::vector<std::string> impressionURLs_;
    std::vector<std::string> clickURLs_;
    std::vector<std::string> videoStartURLs_;
    std::vector<std::string> rewardedUserURLs_;
    bool namesImpressionURLs_ = false;
    bool namesClickURLs_ = false;
};

}  // namespace ads
