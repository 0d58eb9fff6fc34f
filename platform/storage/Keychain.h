#pragma once

// Generic-password items shared by the maker's programs, kept in one file of mode 0600 in the
// shared data folder (AppPaths::sharedData()/keychain, or $MOVUROUTE_KEYCHAIN). A shared folder
// that is a link or someone else's is refused (errSecIO): the items would land where it points.
//
// Items are keyed by service, account and access group, as on the phone: copy answers the
// first match, add refuses a duplicate, delete removes every match and fails when there is
// none. A query without an access group matches items of any group. Answers are the phone's
// status codes so that callers can log them as they always did.
//
// Other programs may use the same file at the same time: every change is a locked
// read-modify-write, and the file is replaced atomically. A file that cannot be understood is
// never rewritten (which would drop the items we could not read): every operation then
// answers errSecDecode and the file stays as it is for someone to look at.

#include <cstdint>
#include <filesystem>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

namespace platform {

enum KeychainStatus : std::int32_t {
    errSecSuccess = 0,
    errSecIO = -36,
    errSecParam = -50,
    errSecAllocate = -108,
    errSecNotAvailable = -25291,
    errSecDuplicateItem = -25299,
    errSecItemNotFound = -25300,
    errSecDecode = -26275,
};

struct KeychainQuery {
    std::string service;
    std::string account;
    std::optional<std::string> accessGroup;
};

struct KeychainAttributes {
    std::string label;
    std::string description;
    // Kept for the record; a desktop has no lock screen to honour it.
    std::string accessible = "afterFirstUnlock";
};

class Keychain {
  public:
    // The file of the shared instance, read at every operation so tests can move it.
    static std::filesystem::path defaultFilePath();
    static Keychain& shared();

    // Empty: the default file, resolved at each operation.
    explicit Keychain(std::filesystem::path file = {});

    KeychainStatus copyData(const KeychainQuery& query, std::vector<std::uint8_t>* data);
    KeychainStatus addData(const KeychainQuery& query, const std::vector<std::uint8_t>& data,
                           const KeychainAttributes& attributes = {});
    KeychainStatus deleteItem(const KeychainQuery& query);
    // The item's data when it exists, else adds `data` as the item; both under the file's lock,
    // so programs that start together all end up with the one item that was stored first.
    // `stored` receives the data the keychain now holds.
    KeychainStatus copyOrAddData(const KeychainQuery& query, const std::vector<std::uint8_t>& data,
                                 std::vector<std::uint8_t>* stored,
                                 const KeychainAttributes& attributes = {});

    // While set, every operation answers this status without touching the file.
    void setInjectedFailure(std::optional<KeychainStatus> status);

    std::filesystem::path filePath() const;

  private:
    // filePath(), or nothing (logged) when it is the default file in a shared folder that is
    // not private to us: a link there would carry the items elsewhere.
    std::optional<std::filesystem::path> usableFilePath() const;
    // Adds the item; on errSecDuplicateItem `existing` receives the stored item's data.
    KeychainStatus add(const KeychainQuery& query, const std::vector<std::uint8_t>& data,
                       const KeychainAttributes& attributes, std::vector<std::uint8_t>* existing);

    std::filesystem::path file_;
    std::optional<KeychainStatus> injected_;
    mutable std::mutex mutex_;
};

}  // namespace platform
