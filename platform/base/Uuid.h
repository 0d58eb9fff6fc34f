#pragma once

// A 128-bit universally unique identifier. Text form: upper-case hex in 8-4-4-4-12 groups, the form
// stored identifiers already have.

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace platform {

class Uuid {
  public:
    using Bytes = std::array<std::uint8_t, 16>;

    Uuid() = default;  // all zero
    explicit Uuid(const Bytes& bytes) : bytes_(bytes) {}

    // Version 4 (random) from the system's random source.
    static Uuid random();
    // Accepts either case; anything but the 36-character grouped form is refused.
    static std::optional<Uuid> parse(std::string_view text);

    const Bytes& bytes() const { return bytes_; }
    bool isNull() const;
    std::string toString() const;
    // Lower case without dashes, for identifiers that travel in URLs.
    std::string toCompactLowerString() const;

    friend bool operator==(const Uuid&, const Uuid&) = default;
    friend auto operator<=>(const Uuid&, const Uuid&) = default;

  private:
    Bytes bytes_{};
};

}  // namespace platform
