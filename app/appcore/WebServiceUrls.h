#pragma once

// The commands of the maker's web service that the app opens in the browser: a page jump, a
// score submission and a level download. Each URL carries the game's identity, the account
// id, a time and a checksum ("ha") over the same values and the web secret key, which the
// service recomputes; the field order and the number forms are the service's.
//
// A value: made from the app core's identity whenever it is needed, so it never goes stale.

#include <cstdint>
#include <optional>
#include <string>

namespace app {

struct WebScore;

class WebServiceUrls {
  public:
    // The fixed protocol number the service expects at the end of every command.
    static constexpr int kFormatVersion = 20;

    struct Identity {
        int32_t gameId = 0;
        std::string appVersion;
        std::string secretKey;
        // The account id as 32 lower-case hex digits.
        std::string arid;
        // "<device model>;<system version>", unencoded.
        std::string tn;
        // The service base, ending in "/iphone/".
        std::string iphoneWebUrl;
    };

    explicit WebServiceUrls(Identity identity) : id_(std::move(identity)) {}

    // "cmd/jump": a page of the service; `levelId` 0 names no level. `now` is seconds since
    // 1970.
    std::string jump(int32_t target, int32_t levelId, double now) const;
    // "cmd/postSc": a score and, when `useHs`, the high score (zeros without one); `dataHash`
    // when the level manager signs its levels.
    std::string submitScore(const WebScore& score, int32_t levelId,
                            const std::optional<WebScore>& highScore, bool useHs,
                            std::optional<int64_t> dataHash) const;
    // "cmd/downloadLevel".
    std::string downloadLevel(int32_t levelId, int64_t dataHash, int64_t token) const;

    // Seconds since 1970 as the service's 32-bit field holds them.
    static uint32_t secondsAsU32(double seconds);

  private:
    Identity id_;
};

}  // namespace app
