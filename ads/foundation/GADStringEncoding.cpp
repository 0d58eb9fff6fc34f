#include "ads/foundation/GADStringEncoding.h"

#include <numeric>
#include <set>

#include "platform/base/Unicode.h"

namespace ads {

namespace {

constexpr const char* kBase32 = "ABCDEFGHIJKLMNOPQRSTUVWXYZ234567";
constexpr const char* kBase32Hex = "0123456789ABCDEFGHIJKLMNOPQRSTUV";
constexpr const char* kBase64 = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
constexpr const char* kBase64Websafe =
    "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789-_";

bool isAscii(std::string_view text) {
    for (char c : text) {
        if (static_cast<unsigned char>(c) >= 128) return false;
    }
    return true;
}

GADStringEncoding known(const char* alphabet) {
    // The built-in alphabets are valid by construction.
    return *GADStringEncoding::stringEncodingWithString(alphabet);
}

GADStringEncoding padded(const char* alphabet) {
    GADStringEncoding codec = known(alphabet);
    codec.setPaddingChar('=');
    codec.setDoPad(true);
    return codec;
}

}  // namespace

std::optional<GADStringEncoding> GADStringEncoding::stringEncodingWithString(
    std::string_view alphabet) {
    const std::size_t n = alphabet.size();
    if (n < 2 || n > 128 || (n & (n - 1)) != 0 || !isAscii(alphabet)) return std::nullopt;
    if (std::set<char>(alphabet.begin(), alphabet.end()).size() != n) return std::nullopt;
    return GADStringEncoding(std::string(alphabet));
}

GADStringEncoding::GADStringEncoding(std::string alphabet) : alphabet_(std::move(alphabet)) {
    reverse_.fill(kInvalid);
    for (std::size_t i = 0; i < alphabet_.size(); ++i) {
        reverse_[static_cast<unsigned char>(alphabet_[i])] = static_cast<int>(i);
    }
    while ((std::size_t{1} << shift_) < alphabet_.size()) ++shift_;
    mask_ = (1u << shift_) - 1;
    padLength_ = std::lcm(8, shift_) / shift_;
}

GADStringEncoding GADStringEncoding::binaryStringEncoding() {
    return known("01");
}

GADStringEncoding GADStringEncoding::hexStringEncoding() {
    GADStringEncoding codec = known("0123456789ABCDEF");
    codec.addDecodeSynonyms("AaBbCcDdEeFf");
    return codec;
}

GADStringEncoding GADStringEncoding::rfc4648Base32StringEncoding() {
    return padded(kBase32);
}

GADStringEncoding GADStringEncoding::rfc4648Base32HexStringEncoding() {
    return padded(kBase32Hex);
}

GADStringEncoding GADStringEncoding::crockfordBase32StringEncoding() {
    GADStringEncoding codec = known("0123456789ABCDEFGHJKMNPQRSTVWXYZ");
    codec.addDecodeSynonyms("0oO1iIlLAaBbCcDdEeFfGgHhJjKkMmNnPpQqRrSsTtVvWwXxYyZz");
    return codec;
}

GADStringEncoding GADStringEncoding::rfc4648Base64StringEncoding() {
    return padded(kBase64);
}

GADStringEncoding GADStringEncoding::rfc4648Base64WebsafeStringEncoding() {
    return padded(kBase64Websafe);
}

void GADStringEncoding::addDecodeSynonyms(std::string_view synonyms) {
    int current = kInvalid;
    for (char c : synonyms) {
        const auto code = static_cast<unsigned char>(c);
        if (code >= 128) continue;
        if (reverse_[code] != kInvalid) {
            current = reverse_[code];
        } else {
            reverse_[code] = current;
        }
    }
}

void GADStringEncoding::ignoreCharacters(std::string_view characters) {
    for (char c : characters) {
        const auto code = static_cast<unsigned char>(c);
        // A data character skipped on the way back would lose data.
        if (code < 128 && !isDataCharacter(c)) reverse_[code] = kIgnored;
    }
}

void GADStringEncoding::setPaddingChar(char c) {
    const auto code = static_cast<unsigned char>(c);
    if (code >= 128 || isDataCharacter(c)) return;
    const auto old = static_cast<unsigned char>(paddingChar_);
    if (reverse_[old] == kPadding) reverse_[old] = kInvalid;
    paddingChar_ = c;
    reverse_[code] = kPadding;
}

void GADStringEncoding::setDoPad(bool pad) {
    if (pad) {
        // Text padded with a character the decoder does not know as padding could never be
        // read back.
        if (isDataCharacter(paddingChar_)) return;
        reverse_[static_cast<unsigned char>(paddingChar_)] = kPadding;
    }
    doPad_ = pad;
}

bool GADStringEncoding::isDataCharacter(char c) const {
    return alphabet_.find(c) != std::string::npos;
}

std::string GADStringEncoding::encode(const Bytes& data) const {
    return encode(data.data(), data.size());
}

std::string GADStringEncoding::encode(const void* bytes, std::size_t size) const {
    if (size == 0) return {};
    const auto* in = static_cast<const std::uint8_t*>(bytes);
    const std::size_t bits = size * 8;
    std::size_t length = (bits + static_cast<std::size_t>(shift_) - 1) / shift_;
    std::string out;
    out.reserve(length + static_cast<std::size_t>(padLength_));
    unsigned buffer = 0;
    int buffered = 0;
    for (std::size_t i = 0; i < size; ++i) {
        buffer = (buffer << 8) | in[i];
        buffered += 8;
        while (buffered >= shift_) {
            buffered -= shift_;
            out += alphabet_[(buffer >> buffered) & mask_];
        }
        buffer &= (1u << buffered) - 1;
    }
    if (buffered > 0) out += alphabet_[(buffer << (shift_ - buffered)) & mask_];
    if (doPad_) {
        const auto group = static_cast<std::size_t>(padLength_);
        length = (length + group - 1) / group * group;
        out.resize(length, paddingChar_);
    }
    return out;
}

std::string GADStringEncoding::encodeString(std::string_view text) const {
    return encode(text.data(), text.size());
}

std::optional<GADStringEncoding::Bytes> GADStringEncoding::decode(std::string_view text) const {
    Bytes out;
    out.reserve(text.size() * static_cast<std::size_t>(shift_) / 8 + 1);
    unsigned buffer = 0;
    int buffered = 0;
    bool paddingSeen = false;
    for (char c : text) {
        const auto code = static_cast<unsigned char>(c);
        if (code >= 128) return std::nullopt;
        const int value = reverse_[code];
        if (value == kIgnored) continue;
        if (value == kInvalid) return std::nullopt;
        if (value == kPadding) {
            paddingSeen = true;
            continue;
        }
        if (paddingSeen) return std::nullopt;
        buffer = (buffer << shift_) | static_cast<unsigned>(value);
        buffered += shift_;
        if (buffered >= 8) {
            buffered -= 8;
            out.push_back(static_cast<std::uint8_t>(buffer >> buffered));
            buffer &= (1u << buffered) - 1;
        }
    }
    if (buffer != 0) return std::nullopt;
    return out;
}

std::optional<std::string> GADStringEncoding::stringByDecoding(std::string_view text) const {
    auto bytes = decode(text);
    if (!bytes) return std::nullopt;
    std::string decoded(bytes->begin(), bytes->end());
    if (!platform::isValidUtf8(decoded)) return std::nullopt;
    return decoded;
}

std::string GADStringEncoding::description() const {
    return "<Base" + std::to_string(1u << shift_) + " StringEncoder: " + alphabet_ + ">";
}

}  // namespace ads
