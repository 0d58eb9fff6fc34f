#include "online/AnnounceInfo.h"

#include <algorithm>
#include <array>
#include <cstdio>

#include "online/AnnounceText.h"
#include "util/LogMessage.h"

namespace online {

namespace {

constexpr const char* kParseCaller = "-[AnnounceInfo parse:]";

// Room for ".xxxxxxxx" and the atomic writer's ".<name>.tmp-XXXXXX" within the usual 255.
constexpr std::size_t kMaxFileNameLength = 200;

const std::string* stringAt(const platform::Value& row, std::size_t index) {
    const platform::Value& v = row.at(index);
    return v.isString() ? &v.stringRef() : nullptr;
}

}  // namespace

bool AnnounceInfo::isValidAmPropertyKey(const std::string& key) {
    static const std::array<const char*, 6> kKeys = {
        "durezEnable",
        "durezRefreshInterval",
        "durezBannerAdPublisherId",
        "durezInterstitialAdPublisherId",
        "durezInterstitialAdInterval",
        "durezInterstitialAdContextFlag",
    };
    return std::any_of(kKeys.begin(), kKeys.end(), [&](const char* k) { return key == k; });
}

bool AnnounceInfo::isSafeFileName(const std::string& name) {
    if (name.empty() || name.size() > kMaxFileNameLength) return false;
    if (name[0] == '.') return false;  // ".", "..", and hidden names the cleanup would skip
    return name.find_first_of(std::string("/\\\0", 3)) == std::string::npos;
}

std::optional<AnnounceInfo::FileRef> AnnounceInfo::processFileCmd(const platform::Value& row) {
    const std::string* name = stringAt(row, 2);
    if (name == nullptr || !isSafeFileName(*name)) return std::nullopt;
    FileRef ref;
    ref.fileName = *name;
    ref.crc32 = AnnounceHexValue(row.at(3));
    char suffix[16];
    std::snprintf(suffix, sizeof suffix, ".%08x", ref.crc32);
    ref.cacheFilename = *name + suffix;
    return ref;
}

bool AnnounceInfo::parse(const platform::Value& rows) {
    for (const platform::Value& row : rows.asArray()) {
        if (!row.isArray()) {
            util::LogMessage(kParseCaller, 1, "row is not an array: " + row.description());
            return false;
        }
        const std::string* cmd = stringAt(row, 0);
        if (cmd == nullptr) {
            util::LogMessage(kParseCaller, 1, "row without command: " + row.description());
            return false;
        }
        if (*cmd == "UB" || *cmd == "UI") {
            uiitems.push_back(row);
        } else if (*cmd == "AS" || *cmd == "AU" || *cmd == "Fi") {
            // A keyless row could never be looked up; it is dropped rather than filed under "".
            const std::string* key = stringAt(row, 1);
            if (key == nullptr) {
                util::LogMessage(kParseCaller, 1, "Row without key: " + row.description());
                continue;
            }
            if (*cmd == "Fi") {
                if (!processFileCmd(row)) {
                    util::LogMessage(kParseCaller, 3, "Unsafe file name: " + row.description());
                    return false;
                }
                files[*key] = row;
            } else {
                actions[*key] = row;
            }
        } else if (*cmd == "HFUr") {
            const std::string* base = stringAt(row, 1);
            fileUrlBase = base ? std::optional<std::string>(*base) : std::nullopt;
        } else if (*cmd == "HCIt") {
            checkIntervalAfterSuccess = std::min(AnnounceDoubleValue(row.at(1)), kMaxCheckInterval);
            checkIntervalAfterFailure = std::min(AnnounceDoubleValue(row.at(2)), kMaxCheckInterval);
        } else if (*cmd == "HVSi") {
            viewSize = {AnnounceDoubleValue(row.at(1)), AnnounceDoubleValue(row.at(2))};
        } else if (*cmd == "HPVe") {
            const std::string* version = stringAt(row, 1);
            if (version == nullptr || *version != kListVersion) {
                util::LogMessage(kParseCaller, 1,
                                 "Unknown list version: " + row.at(1).description());
                return false;
            }
        } else if (*cmd == "SetP") {
            const std::string* key = stringAt(row, 1);
            if (key == nullptr || !isValidAmPropertyKey(*key)) {
                util::LogMessage(kParseCaller, 1,
                                 "Unknown property key: " + row.at(1).description());
                continue;
            }
            const platform::Value& value = row.at(2);
            if (value.isString()) amProperties[*key] = value;
        } else if (*cmd == "PUAd") {
            popupAdInfo = row;
        } else {
            util::LogMessage(kParseCaller, 1, "Unknown item cmd: " + *cmd);
        }
    }
    return true;
}

}  // namespace online
