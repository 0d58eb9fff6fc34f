#pragma once

// The player's account id at the maker's web service: 16 random bytes kept in the keychain item
// "arid" that all of the maker's programs share, so every game of the maker on this machine
// sends the same id. Made on first use; another program starting at the same moment may have
// stored its own first, and then everyone keeps that one.

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace app {

class AccountId {
  public:
    static constexpr std::size_t kLength = 16;

    // The keychain service and access group the maker's programs share.
    static std::string keychainService();
    static std::optional<std::string> keychainAccessGroup();

    // Reads the stored id, or makes and stores one. A stored item of the wrong length is
    // replaced. Without a random source or a keychain the id is all zeros (logged).
    void loadOrCreate();
    // Deletes the stored item (the id in memory stays until the next load).
    static bool deleteFromKeychain();

    const std::vector<uint8_t>& bytes() const { return bytes_; }
    // 32 lower-case hex digits, as the service takes it.
    std::string text() const;

  private:
    std::vector<uint8_t> bytes_ = std::vector<uint8_t>(kLength, 0);
};

}  // namespace app
