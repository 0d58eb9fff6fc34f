#include "app/appcore/KeychainAccess.h"

#include <cstdlib>

#include "util/SystemVersion.h"

namespace app {

namespace {

// Accessibility classes arrived with version 4.0 of the phone's system; older ones refused an
// item that named one. Compared numerically, as "10.0" must count as later than "4.0".
bool systemHasAccessibilityClasses() {
    return std::strtod(util::SystemVersion().c_str(), nullptr) >= 4.0;
}

}  // namespace

platform::KeychainQuery KeychainQueryForAccount(const std::string& account,
                                                const std::string& service,
                                                const std::optional<std::string>& accessGroup) {
    platform::KeychainQuery query;
    query.account = account;
    query.service = service;
    query.accessGroup = accessGroup;
    return query;
}

std::optional<std::vector<uint8_t>> KeychainCopyData(const platform::KeychainQuery& query) {
    std::vector<uint8_t> data;
    if (platform::Keychain::shared().copyData(query, &data) != platform::errSecSuccess) {
        return std::nullopt;
    }
    return data;
}

static platform::KeychainAttributes itemAttributes() {
    platform::KeychainAttributes attributes;
    attributes.label = "";
    attributes.description = "";
    attributes.accessible = systemHasAccessibilityClasses() ? "afterFirstUnlock" : "";
    return attributes;
}

bool KeychainAddData(const platform::KeychainQuery& query, const std::vector<uint8_t>& data) {
    return platform::Keychain::shared().addData(query, data, itemAttributes()) ==
           platform::errSecSuccess;
}

std::optional<std::vector<uint8_t>> KeychainCopyOrAddData(const platform::KeychainQuery& query,
                                                          const std::vector<uint8_t>& data) {
    std::vector<uint8_t> stored;
    if (platform::Keychain::shared().copyOrAddData(query, data, &stored, itemAttributes()) !=
        platform::errSecSuccess) {
        return std::nullopt;
    }
    return stored;
}

bool KeychainDeleteItem(const platform::KeychainQuery& query) {
    return platform::Keychain::shared().deleteItem(query) == platform::errSecSuccess;
}

}  // namespace app
