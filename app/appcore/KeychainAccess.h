#pragma once

// The few keychain operations the app needs, over the shared file-backed keychain. Kept as free
// functions so the account-id code reads as one sequence of keychain steps.

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "platform/storage/Keychain.h"

namespace app {

// A generic-password query for the account and service, limited to the access group when one
// is given (the maker's programs share one group so they see the same items).
platform::KeychainQuery KeychainQueryForAccount(const std::string& account,
                                                const std::string& service,
                                                const std::optional<std::string>& accessGroup);
// The item's data; empty on any status but success.
std::optional<std::vector<uint8_t>> KeychainCopyData(const platform::KeychainQuery& query);
// Adds the item with empty label and description, readable after the first unlock.
bool KeychainAddData(const platform::KeychainQuery& query, const std::vector<uint8_t>& data);
bool KeychainDeleteItem(const platform::KeychainQuery& query);
// The stored item's data, or `data` after adding it when there was none, decided under the
// keychain's lock; empty when neither could be done.
std::optional<std::vector<uint8_t>> KeychainCopyOrAddData(const platform::KeychainQuery& query,
                                                          const std::vector<uint8_t>& data);

}  // namespace app
