#pragma once

// The two character classes of content hashing's tokenizer: characters that are tokens by
// themselves (CJK ideographs, kana, Hangul, ...) and characters that make up words (Unicode
// letters, marks and digits). The server may replace either by a range setting: JSON text
// holding an array of [location, length] pairs, each meaning the code points location to
// location + length - 1. A setting that does not parse (bad JSON, no array, a pair of the
// wrong shape, a negative or endless number) counts as absent: the built-in class stays in
// force, so the tokenizer always has both.
//
// The tokenizer tests UTF-16 units by their own value, so only the first 65,536 code points
// of a class matter: a class is kept as a table of them. Classes are immutable and shared.
//
// GADCharacterSets: one shared instance (tests make their own). The classes are replaced only
// on its lock queue ("com.zivivu.durez.character-sets") and read through it, synchronously,
// from any thread. updateCharacterSets reads both settings now and applies them on the queue;
// the SDK core calls it after every load of its constants.

#include <bitset>
#include <memory>
#include <optional>
#include <string_view>

namespace platform {
class SerialQueue;
}

namespace ads {

class GADCharacterSet {
  public:
    using Ptr = std::shared_ptr<const GADCharacterSet>;

    // Nothing when the text is no valid range setting.
    static std::optional<Ptr> fromRangeSetting(std::string_view json);
    // The built-in token-by-itself class (CJK, kana, Hangul and their compatibility forms).
    static Ptr builtInCharacterDelimited();
    // Letters, marks and digits (Unicode general categories L, M and N, through ICU).
    static Ptr alphanumerics();

    bool containsUnit(char16_t unit) const { return units_[unit]; }

  private:
    void addRange(double location, double length);

    std::bitset<0x10000> units_;
};

class GADCharacterSets {
    struct Private {};

  public:
    static constexpr const char* kLockQueueLabel = "com.zivivu.durez.character-sets";

    // Made on first use; making it runs updateCharacterSets.
    static std::shared_ptr<GADCharacterSets> sharedInstance();
    static std::shared_ptr<GADCharacterSets> create();
    explicit GADCharacterSets(Private);
    GADCharacterSets(const GADCharacterSets&) = delete;
    GADCharacterSets& operator=(const GADCharacterSets&) = delete;

    GADCharacterSet::Ptr characterDelimitedSet() const;
    GADCharacterSet::Ptr spaceDelimitedSet() const;
    // A present setting that parses replaces its class; an absent one keeps it; a class still
    // missing takes the built-in one.
    void updateCharacterSets();

  private:
    struct Locked {
        GADCharacterSet::Ptr characterDelimited;
        GADCharacterSet::Ptr spaceDelimited;
    };
    const std::shared_ptr<Locked> locked_;
    const std::shared_ptr<platform::SerialQueue> lockQueue_;
};

}  // namespace ads
