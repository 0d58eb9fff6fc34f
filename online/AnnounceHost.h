#pragma once

// What the banner, the pop-up and the interstitial need of the manager that owns them: the
// cache folder, the way out for the service's URLs, the app core and the server settings. The
// manager answers these itself; tests hand the collaborators a host of their own. A
// collaborator holds its host by reference: the host owns it and outlives it.

#include <cstdint>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>

namespace online {

class AnnounceAppCore;

class AnnounceHost {
  public:
    virtual ~AnnounceHost() = default;

    // Empty without an app core or when the folder cannot be made.
    virtual std::optional<std::filesystem::path> prepareCacheDir() = 0;
    // A URL from the service; answers whether it went somewhere.
    virtual bool openUrl(const std::string& url) = 0;
    virtual std::shared_ptr<AnnounceAppCore> appCore() const = 0;
    virtual std::string amPropertyAsStringForKey(const std::string& key,
                                                 const std::string& defaultVal) = 0;
    virtual int32_t amPropertyAsIntForKey(const std::string& key, int32_t defaultVal) = 0;
};

}  // namespace online
