#include "ads/foundation/GADContent.h"

#include <unicode/ustring.h>

#include <algorithm>
#include <charconv>
#include <cmath>

#include "ads/foundation/GADMurmurHash3.h"
#include "ads/foundation/GADSettingsKeys.h"
#include "ads/foundation/GADStringAdditions.h"
#include "ads/foundation/GADStringEncoding.h"
#include "platform/base/Unicode.h"
#include "platform/storage/UserDefaults.h"

namespace ads {

namespace {

constexpr std::uint64_t M = GADContent::kModulus;
constexpr std::uint64_t B = GADContent::kBase;

// The setting as a number within [low, high]; nothing when absent, not a number (text must be
// one number and nothing else), not finite or out of range.
std::optional<double> rangedSetting(const char* key, double low, double high) {
    const auto value = platform::UserDefaults::standard().objectForKey(key);
    if (!value) return std::nullopt;
    double number = 0;
    if (value->isString()) {
        const std::string& text = value->stringValue();
        const char* first = text.data();
        const char* last = text.data() + text.size();
        while (first < last && *first == ' ') ++first;
        while (last > first && last[-1] == ' ') --last;
        const auto [end, error] = std::from_chars(first, last, number);
        if (error != std::errc() || end != last) return std::nullopt;
    } else if (value->isNumber() && !value->isBool()) {
        number = value->doubleValue();
    } else {
        return std::nullopt;
    }
    if (!std::isfinite(number) || number < low || number > high) return std::nullopt;
    return number;
}

void readCount(std::uint64_t& into, const char* key, double low, double high) {
    if (auto number = rangedSetting(key, low, high)) into = static_cast<std::uint64_t>(*number);
}

// Both factors are below M < 2^31, so the product fits.
std::uint64_t mulMod(std::uint64_t a, std::uint64_t b) {
    return a * b % M;
}

// Both terms are below M: one subtraction reduces the sum.
std::uint64_t addMod(std::uint64_t a, std::uint64_t b) {
    const std::uint64_t sum = a + b;
    return sum >= M ? sum - M : sum;
}

}  // namespace

GADContentSettings GADContentSettings::fromDefaults() {
    namespace keys = settings_keys;
    GADContentSettings settings;
    if (auto seconds = rangedSetting(keys::kTraversalInterval, 1, 3600)) {
        settings.traversalInterval = *seconds;
    }
    readCount(settings.queueCapacity, keys::kContentQueueMaximumCapacity, 0, 100);
    readCount(settings.ageWeight, keys::kContentAgeWeight, 0, 1000);
    readCount(settings.lengthWeight, keys::kContentLengthWeight, 0, 1000);
    readCount(settings.maximumShingleCount, keys::kMaximumShingleCount, 1, 100);
    readCount(settings.minimumParagraphLength, keys::kMinimumParagraphLength, 0, 10000);
    readCount(settings.shingleLength, keys::kShingleLength, 0, 64);
    // A shingle of no tokens has no meaning: 0 is the default length.
    if (settings.shingleLength == 0) settings.shingleLength = 6;
    return settings;
}

int GADShingleHashTuple::compare(const std::shared_ptr<GADShingleHashTuple>& a,
                                 const std::shared_ptr<GADShingleHashTuple>& b) {
    const auto na = a->shingle_.size(), nb = b->shingle_.size();
    if (na != nb) return na < nb ? -1 : 1;
    if (a->hashValue_ != b->hashValue_) return a->hashValue_ < b->hashValue_ ? -1 : 1;
    return 0;
}

GADContent::GADContent(std::uint64_t sequenceNumber, const GADContentSettings& settings,
                       GADCharacterSet::Ptr characterDelimited, GADCharacterSet::Ptr spaceDelimited)
    : sequenceNumber_(sequenceNumber),
      ageWeight_(settings.ageWeight),
      lengthWeight_(settings.lengthWeight),
      maximumShingleCount_(std::max<std::uint64_t>(settings.maximumShingleCount, 1)),
      minimumParagraphLength_(settings.minimumParagraphLength),
      shingleLength_(std::max<std::uint64_t>(settings.shingleLength, 1)),
      characterDelimited_(characterDelimited ? std::move(characterDelimited)
                                             : GADCharacterSet::builtInCharacterDelimited()),
      spaceDelimited_(spaceDelimited ? std::move(spaceDelimited)
                                     : GADCharacterSet::alphanumerics()) {}

namespace {

// A unit's part in the tokenizer: a token by itself, part of a word, or a separator. ASCII,
// most of most text, is looked up in a small table made once per tokenizer.
enum UnitClass : std::uint8_t { kSeparator, kToken, kWord };

class UnitClasses {
  public:
    UnitClasses(const GADCharacterSet& characterDelimited, const GADCharacterSet& spaceDelimited)
        : characterDelimited_(characterDelimited), spaceDelimited_(spaceDelimited) {
        for (char16_t unit = 0; unit < 128; ++unit) ascii_[unit] = slow(unit);
    }
    UnitClass of(char16_t unit) const { return unit < 128 ? ascii_[unit] : slow(unit); }

  private:
    UnitClass slow(char16_t unit) const {
        if (characterDelimited_.containsUnit(unit)) return kToken;
        return spaceDelimited_.containsUnit(unit) ? kWord : kSeparator;
    }
    const GADCharacterSet& characterDelimited_;
    const GADCharacterSet& spaceDelimited_;
    UnitClass ascii_[128];
};

std::vector<std::u16string_view> spansOf(std::u16string_view paragraph,
                                         const UnitClasses& classes) {
    std::vector<std::u16string_view> tokens;
    std::size_t i = 0;
    const std::size_t n = paragraph.size();
    while (i < n) {
        switch (classes.of(paragraph[i])) {
            case kToken:
                tokens.push_back(paragraph.substr(i++, 1));
                break;
            case kWord: {
                const std::size_t start = i;
                while (i < n && classes.of(paragraph[i]) == kWord) ++i;
                tokens.push_back(paragraph.substr(start, i - start));
                break;
            }
            case kSeparator:
                ++i;
                break;
        }
    }
    return tokens;
}

}  // namespace

void GADContent::updateContentWithText(std::string_view text) {
    if (text.empty()) return;
    // ASCII runs directly, the runs between them through the platform's converter (an ASCII
    // byte never sits inside a longer UTF-8 sequence, so the runs end on characters).
    std::u16string units;
    units.reserve(text.size());
    std::size_t i = 0;
    while (i < text.size()) {
        if (static_cast<unsigned char>(text[i]) < 0x80) {
            units.push_back(static_cast<char16_t>(text[i++]));
            continue;
        }
        std::size_t end = i;
        while (end < text.size() && static_cast<unsigned char>(text[end]) >= 0x80) ++end;
        units += platform::utf8ToUtf16(text.substr(i, end - i));
        i = end;
    }
    updateContentWithText(std::u16string_view(units));
}

void GADContent::updateContentWithText(std::u16string_view text) {
    if (text.empty()) return;
    std::vector<std::u16string_view> paragraphs;
    std::size_t start = 0;
    while (start <= text.size()) {
        const std::size_t end = std::min(text.find(u'\n', start), text.size());
        const auto paragraph = text.substr(start, end - start);
        if (paragraph.size() >= minimumParagraphLength_) {
            paragraphs.push_back(paragraph);
            contentTotalLength_ += paragraph.size();
        }
        start = end + 1;
    }
    const std::uint64_t candidate =
        lengthWeight_ * contentTotalLength_ + ageWeight_ * sequenceNumber_;
    if (candidate <= static_cast<std::uint64_t>(score_)) return;
    score_ = static_cast<std::int64_t>(candidate);
    const UnitClasses classes(*characterDelimited_, *spaceDelimited_);
    for (const auto paragraph : paragraphs) {
        const std::u16string lowered = lowercased(paragraph);
        selectShinglesFromTokens(spansOf(lowered, classes));
    }
    fingerprint_ = shingleHash();
}

std::vector<std::u16string_view> GADContent::tokenSpans(std::u16string_view paragraph,
                                                        const GADCharacterSet& characterDelimited,
                                                        const GADCharacterSet& spaceDelimited) {
    return spansOf(paragraph, UnitClasses(characterDelimited, spaceDelimited));
}

std::vector<std::u16string> GADContent::tokenize(std::u16string_view paragraph,
                                                 const GADCharacterSet& characterDelimited,
                                                 const GADCharacterSet& spaceDelimited) {
    const auto spans = tokenSpans(paragraph, characterDelimited, spaceDelimited);
    return std::vector<std::u16string>(spans.begin(), spans.end());
}

std::u16string GADContent::lowercased(std::u16string_view text) {
    if (text.empty()) return {};
    std::u16string out(text.size() + 16, u'\0');
    for (int attempt = 0; attempt < 2; ++attempt) {
        UErrorCode error = U_ZERO_ERROR;
        const int32_t length =
            u_strToLower(out.data(), static_cast<int32_t>(out.size()), text.data(),
                         static_cast<int32_t>(text.size()), "en_US", &error);
        if (error == U_BUFFER_OVERFLOW_ERROR) {
            out.assign(static_cast<std::size_t>(length), u'\0');
            continue;
        }
        if (U_FAILURE(error)) return std::u16string(text);
        out.resize(static_cast<std::size_t>(length));
        return out;
    }
    return std::u16string(text);
}

std::int32_t GADContent::tokenHash(std::u16string_view token) {
    // Most tokens are short words: encode them on the stack rather than in a new string.
    char buffer[96];
    std::size_t length = 0;
    for (std::size_t i = 0; i < token.size(); ++i) {
        if (length + 4 > sizeof buffer) {
            const std::string utf8 = platform::utf16ToUtf8(token);
            return static_cast<std::int32_t>(GADMurmurHash3(utf8.data(), utf8.size(), 0));
        }
        char32_t c = token[i];
        if (c >= 0xD800 && c <= 0xDBFF && i + 1 < token.size() && token[i + 1] >= 0xDC00 &&
            token[i + 1] <= 0xDFFF) {
            c = 0x10000 + ((c - 0xD800) << 10) + (token[++i] - 0xDC00);
        } else if (c >= 0xD800 && c <= 0xDFFF) {
            c = 0xFFFD;  // a lone half has no UTF-8 form
        }
        if (c < 0x80) {
            buffer[length++] = static_cast<char>(c);
        } else if (c < 0x800) {
            buffer[length++] = static_cast<char>(0xC0 | (c >> 6));
            buffer[length++] = static_cast<char>(0x80 | (c & 0x3F));
        } else if (c < 0x10000) {
            buffer[length++] = static_cast<char>(0xE0 | (c >> 12));
            buffer[length++] = static_cast<char>(0x80 | ((c >> 6) & 0x3F));
            buffer[length++] = static_cast<char>(0x80 | (c & 0x3F));
        } else {
            buffer[length++] = static_cast<char>(0xF0 | (c >> 18));
            buffer[length++] = static_cast<char>(0x80 | ((c >> 12) & 0x3F));
            buffer[length++] = static_cast<char>(0x80 | ((c >> 6) & 0x3F));
            buffer[length++] = static_cast<char>(0x80 | (c & 0x3F));
        }
    }
    return static_cast<std::int32_t>(GADMurmurHash3(buffer, length, 0));
}

std::uint64_t GADContent::tokenValue(std::int32_t hash) {
    const std::uint64_t extended = static_cast<std::uint64_t>(static_cast<std::int64_t>(hash));
    return (std::uint64_t{0x7FFFFFFF} + extended) % M;
}

void GADContent::selectShinglesFromTokens(const std::vector<std::u16string>& tokens) {
    selectShinglesFromTokens(std::vector<std::u16string_view>(tokens.begin(), tokens.end()));
}

void GADContent::selectShinglesFromTokens(const std::vector<std::u16string_view>& tokens) {
    const std::size_t n = tokens.size();
    if (n == 0) return;
    std::vector<std::uint64_t> values(n);
    for (std::size_t i = 0; i < n; ++i) values[i] = tokenValue(tokenHash(tokens[i]));
    const std::size_t k = std::min<std::uint64_t>(shingleLength_, n);
    std::uint64_t h = values[0];
    for (std::size_t i = 1; i < k; ++i) {
        h = mulMod(h, B);
        h = addMod(h, values[i]);
    }
    keep(h, tokens.data(), k);
    if (n > shingleLength_) roll(tokens, values, h);
}

void GADContent::applyRollingHashToTokens(const std::vector<std::u16string_view>& tokens,
                                          std::uint64_t baseHash) {
    std::vector<std::uint64_t> values(tokens.size());
    for (std::size_t i = 0; i < tokens.size(); ++i) values[i] = tokenValue(tokenHash(tokens[i]));
    roll(tokens, values, baseHash);
}

void GADContent::roll(const std::vector<std::u16string_view>& tokens,
                      const std::vector<std::uint64_t>& values, std::uint64_t baseHash) {
    const std::size_t L = shingleLength_;
    const std::size_t n = tokens.size();
    if (n < L) return;
    // P = B^(L-1) mod M by squaring.
    std::uint64_t P = 1, base = B, exponent = L - 1;
    while (exponent) {
        if (exponent & 1) P = mulMod(P, base);
        base = mulMod(base, base);
        exponent >>= 1;
    }
    std::uint64_t h = baseHash;
    for (std::size_t i = 0; i + L < n; ++i) {
        const std::uint64_t dropped = mulMod(values[i], P);
        h = addMod(values[i + L], mulMod(addMod(h, M - dropped), B));
        keep(h, tokens.data() + i + 1, L);
    }
}

void GADContent::keep(std::uint64_t hash, const std::u16string_view* first, std::size_t count) {
    // A hash the full heap would drop needs no copy of its tokens.
    if (!wouldKeep(hash)) return;
    updateHeapWithHash(hash, std::vector<std::u16string>(first, first + count));
}

bool GADContent::wouldKeep(std::uint64_t hash) const {
    return heap_.count() < maximumShingleCount_ || leastKeptHash_ < hash;
}

void GADContent::updateHeapWithHash(std::uint64_t hash, std::vector<std::u16string> shingle) {
    if (!wouldKeep(hash)) return;
    auto tuple = std::make_shared<GADShingleHashTuple>(std::move(shingle), hash);
    if (heap_.containsObject(tuple)) return;
    heap_.addObject(std::move(tuple));
    if (heap_.count() > maximumShingleCount_) heap_.removedMinimum();
    if (heap_.count() >= maximumShingleCount_) leastKeptHash_ = (*heap_.minimum())->hashValue();
}

std::string GADContent::shingleHash() const {
    const auto sorted = heap_.sortedObjects();
    if (!sorted) return "";
    std::vector<std::uint8_t> output;
    output.reserve(sorted->size() * 4);
    for (const auto& tuple : *sorted) {
        std::string bytes;
        bytes.reserve(tuple->shingle().size());
        for (const auto& token : tuple->shingle()) {
            const auto h = static_cast<std::uint32_t>(tokenHash(token));
            bytes.push_back(static_cast<char>((h ^ (h >> 8) ^ (h >> 16) ^ (h >> 24)) & 0xFF));
        }
        const auto digest = gad_MD5Data(bytes);
        output.insert(output.end(), digest.begin(), digest.begin() + 4);
    }
    auto encoding = GADStringEncoding::rfc4648Base64WebsafeStringEncoding();
    encoding.setDoPad(true);
    return encoding.encode(output);
}

// ---- GADContentQueue ----

void GADContentQueue::enqueueContent(const std::shared_ptr<GADContent>& content) {
    if (!content || size_ == 0) return;
    if (sequenceNumbers_.size() >= size_) remove(sequenceNumbers_.front());
    // A capture stored again under its number replaces the earlier entry.
    if (contents_.count(content->sequenceNumber())) remove(content->sequenceNumber());
    contents_[content->sequenceNumber()] = content;
    sequenceNumbers_.push_back(content->sequenceNumber());
}

void GADContentQueue::deduplicate(const std::shared_ptr<GADContent>& content) {
    if (!content) return;
    std::vector<std::uint64_t> older;
    for (const auto& [number, stored] : contents_) {
        if (stored == content || stored->fingerprint() != content->fingerprint()) continue;
        older.push_back(std::min(number, content->sequenceNumber()));
    }
    for (const auto number : older) remove(number);
}

std::shared_ptr<GADContent> GADContentQueue::contentWithHighestScore() const {
    std::shared_ptr<GADContent> best;
    for (const auto& [number, content] : contents_) {
        if (content->score() <= 0) continue;
        // The map runs oldest first: ">=" lets the newest of equal scores win.
        if (!best || content->score() >= best->score()) best = content;
    }
    return best;
}

std::shared_ptr<GADContent> GADContentQueue::contentWithSequenceNumber(
    std::uint64_t sequenceNumber) const {
    const auto found = contents_.find(sequenceNumber);
    return found == contents_.end() ? nullptr : found->second;
}

void GADContentQueue::remove(std::uint64_t sequenceNumber) {
    contents_.erase(sequenceNumber);
    std::erase(sequenceNumbers_, sequenceNumber);
}

}  // namespace ads
