#include "app/appcore/AccountId.h"

#include "app/appcore/KeychainAccess.h"
#include "platform/storage/SecureRandom.h"
#include "util/LogMessage.h"
#include "util/TextUtil.h"

namespace app {

namespace {

constexpr const char* kAccount = "arid";

}  // namespace

std::string AccountId::keychainService() {
    return "com.quorvel.shared";
}

std::optional<std::string> AccountId::keychainAccessGroup() {
    return std::string("QV7K2M9P4X.") + keychainService();
}

void AccountId::loadOrCreate() {
    const char* caller = "-[AppCoreBase didLoadSettings]";
    auto query = KeychainQueryForAccount(kAccount, keychainService(), keychainAccessGroup());
    if (auto data = KeychainCopyData(query)) {
        if (data->size() == kLength) {
            bytes_ = *data;
            return;
        }
        KeychainDeleteItem(query);
    }
    auto fresh = platform::SecureRandom::bytes(kLength);
    if (!fresh) {
        util::LogMessage(caller, 4, "arid generation failure");
        bytes_.assign(kLength, 0);
        return;
    }
    // Another program of the maker starting at the same moment may have stored its id since
    // we looked: the keychain decides under its lock, and everyone keeps the first one.
    auto stored = KeychainCopyOrAddData(query, *fresh);
    if (!stored || stored->size() != kLength) {
        util::LogMessage(caller, 4, "arid registration failure");
        bytes_.assign(kLength, 0);
        return;
    }
    bytes_ = *stored;
}

bool AccountId::deleteFromKeychain() {
    return KeychainDeleteItem(
        KeychainQueryForAccount(kAccount, keychainService(), keychainAccessGroup()));
}

std::string AccountId::text() const {
    return util::HexStringFromData(bytes_);
}

}  // namespace app
