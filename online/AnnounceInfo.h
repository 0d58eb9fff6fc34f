#pragma once

// One announcement list as the service sent it: the banner's size and items, the image files
// they use, the actions behind the buttons, the check intervals, the server settings and the
// pop-up. Rows are kept whole (arrays of values) because the banner and the pop-up read their
// elements later by index.

#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "platform/base/Geometry.h"
#include "platform/base/Value.h"

namespace online {

class AnnounceInfo {
  public:
    // The service may ask for checks at most this far apart (30 days).
    static constexpr double kMaxCheckInterval = 2592000;
    static constexpr const char* kListVersion = "Am1";

    platform::Size viewSize;
    double checkIntervalAfterSuccess = 0;
    double checkIntervalAfterFailure = 0;
    // Empty when the list set a base that is not a text.
    std::optional<std::string> fileUrlBase = std::string("./");
    // Key to the whole "Fi" row; the files are fetched in key order.
    std::map<std::string, platform::Value> files;
    // Key to the whole "AS" or "AU" row.
    std::map<std::string, platform::Value> actions;
    // The "UB" and "UI" rows in list order.
    std::vector<platform::Value> uiitems;
    platform::Value::Dictionary amProperties;
    std::optional<platform::Value> popupAdInfo;

    // Fills the fields from the list's rows. False rejects the whole list: a row that is not
    // an array or has no text command, a version other than kListVersion, or an image file
    // whose name could leave the cache directory.
    bool parse(const platform::Value& rows);

    // The server settings this program knows; others are logged and dropped.
    static bool isValidAmPropertyKey(const std::string& key);

    // What a "Fi" row names: its file name (element 2), its CRC-32 (element 3, hexadecimal) and
    // the name it is cached under, "<file name>.<crc as 8 hex digits>". Nothing when the name
    // is not a single safe path component.
    struct FileRef {
        std::string fileName;
        uint32_t crc32 = 0;
        std::string cacheFilename;
    };
    static std::optional<FileRef> processFileCmd(const platform::Value& row);
    // A name that stays inside its directory: not empty, not "." or "..", no leading ".", no
    // "/", "\" or NUL, and short enough to be a file name with its CRC suffix.
    static bool isSafeFileName(const std::string& name);
};

}  // namespace online
