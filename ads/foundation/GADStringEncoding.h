#pragma once

// Binary to text and back through an alphabet of 2, 4, ..., 128 ASCII characters (binary,
// hex, base32, base64 and their variants): each character carries log2(alphabet size) bits,
// taken from the most significant end of each byte. Decoding is strict where it matters for
// untrusted input: an unknown character, data after padding or left-over bits that are not
// zero fail the whole text.

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace ads {

class GADStringEncoding {
  public:
    using Bytes = std::vector<std::uint8_t>;

    // Nothing when the alphabet is not ASCII, not 2 to 128 characters long, not a power of two
    // long, or repeats a character.
    static std::optional<GADStringEncoding> stringEncodingWithString(std::string_view alphabet);

    static GADStringEncoding binaryStringEncoding();
    // Decodes lower case too.
    static GADStringEncoding hexStringEncoding();
    static GADStringEncoding rfc4648Base32StringEncoding();
    static GADStringEncoding rfc4648Base32HexStringEncoding();
    // Decodes the look-alikes "oO" as 0 and "iIlL" as 1, and lower case.
    static GADStringEncoding crockfordBase32StringEncoding();
    static GADStringEncoding rfc4648Base64StringEncoding();
    // "-" and "_" instead of "+" and "/".
    static GADStringEncoding rfc4648Base64WebsafeStringEncoding();

    std::string encode(const Bytes& data) const;
    std::string encode(const void* bytes, std::size_t size) const;
    // The text's bytes encoded.
    std::string encodeString(std::string_view text) const;
    std::optional<Bytes> decode(std::string_view text) const;
    // Decoded bytes that must be UTF-8 text.
    std::optional<std::string> stringByDecoding(std::string_view text) const;

    // Read from left to right: a character the codec knows sets the value that the following
    // unknown characters take ("AaBb": "a" decodes as "A", "b" as "B").
    void addDecodeSynonyms(std::string_view synonyms);
    // These characters are skipped when decoding (line breaks in wrapped text, say); the
    // alphabet's own characters are never skipped.
    void ignoreCharacters(std::string_view characters);
    bool doPad() const { return doPad_; }
    // Padding makes the padding character (default "=") known to the decoder; a codec whose
    // padding character is one of its own data characters is never padded.
    void setDoPad(bool pad);
    // Non-ASCII characters and the alphabet's own characters are refused.
    void setPaddingChar(char c);

    // "<Base64 StringEncoder: ABC...>"
    std::string description() const;

  private:
    static constexpr int kInvalid = -1;
    static constexpr int kPadding = -2;
    static constexpr int kIgnored = -3;

    explicit GADStringEncoding(std::string alphabet);
    bool isDataCharacter(char c) const;

    std::string alphabet_;
    std::array<int, 128> reverse_{};
    int shift_ = 0;
    unsigned mask_ = 0;
    bool doPad_ = false;
    char paddingChar_ = '=';
    int padLength_ = 0;
};

}  // namespace ads
