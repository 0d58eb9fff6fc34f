#pragma once

// Content fingerprints: one capture (GADContent) of the text an app shows, summarized as the
// largest hashes of its shingles (runs of consecutive tokens), and what keeps them
// (GADShingleHashTuple, the heap element; GADContentQueue, the recent captures).
//
// A capture takes text view by view. Text is cut at line feeds into paragraphs; a paragraph
// of at least the minimum length (UTF-16 units) counts: its length adds to the capture's
// score, it is lower-cased as "en_US" does, cut into tokens (a token-by-itself character is a
// token, a run of word characters is a token, anything else separates) and every run of
// `shingleLength` tokens (a shorter paragraph: all of its tokens) is hashed with a polynomial
// rolling hash over MurmurHash3 token values. The `maximumShingleCount` largest hashes stay;
// the fingerprint is the web-safe Base64 of 4 bytes of MD5 per kept shingle.
//
// Score: length weight x qualifying length + age weight x sequence number, in unsigned 64-bit
// arithmetic; an update that does not raise it changes nothing. Serving a fingerprint lowers
// its capture's score by 100 (the served penalty).
//
// Not thread-safe: a capture and the queue are used on one queue at a time (the application's
// content-hashing queue).

#include <cstdint>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "ads/foundation/GADBinaryHeap.h"
#include "ads/foundation/GADCharacterSets.h"

namespace ads {

// The per-capture settings and those read when capture starts. A value out of its range, not
// a number or not finite counts as absent (its default).
struct GADContentSettings {
    double traversalInterval = 10.0;           // seconds, 1 to 3600
    std::uint64_t queueCapacity = 10;          // 0 to 100
    std::uint64_t ageWeight = 1;               // 0 to 1000
    std::uint64_t lengthWeight = 1;            // 0 to 1000
    std::uint64_t maximumShingleCount = 10;    // 1 to 100
    std::uint64_t minimumParagraphLength = 6;  // 0 to 10000
    std::uint64_t shingleLength = 6;           // 1 to 64; 0 means the default

    static GADContentSettings fromDefaults();
};

class GADShingleHashTuple {
  public:
    GADShingleHashTuple(std::vector<std::u16string> shingle, std::uint64_t hashValue)
        : shingle_(std::move(shingle)), hashValue_(hashValue) {}
    const std::vector<std::u16string>& shingle() const { return shingle_; }
    std::uint64_t hashValue() const { return hashValue_; }
    // Fewer tokens first, then the smaller hash; the same when both are equal.
    static int compare(const std::shared_ptr<GADShingleHashTuple>& a,
                       const std::shared_ptr<GADShingleHashTuple>& b);
    friend bool operator<(const GADShingleHashTuple& a, const GADShingleHashTuple& b) {
        return a.shingle_.size() != b.shingle_.size() ? a.shingle_.size() < b.shingle_.size()
                                                      : a.hashValue_ < b.hashValue_;
    }

  private:
    std::vector<std::u16string> shingle_;
    std::uint64_t hashValue_;
};

class GADContent {
  public:
    static constexpr std::uint64_t kModulus = 1073807359;  // 0x4000FFFF, a prime
    static constexpr std::uint64_t kBase = 16785407;       // 0x1001FFF, a prime
    static constexpr std::int64_t kServedPenalty = 100;

    GADContent(std::uint64_t sequenceNumber, const GADContentSettings& settings,
               GADCharacterSet::Ptr characterDelimited, GADCharacterSet::Ptr spaceDelimited);

    // UTF-8 text (broken sequences read as U+FFFD).
    void updateContentWithText(std::string_view text);
    void updateContentWithText(std::u16string_view text);
    // Tokens are views into the paragraph: a shingle's tokens are copied only when it is kept.
    void selectShinglesFromTokens(const std::vector<std::u16string_view>& tokens);
    void selectShinglesFromTokens(const std::vector<std::u16string>& tokens);
    void applyRollingHashToTokens(const std::vector<std::u16string_view>& tokens,
                                  std::uint64_t baseHash);
    void updateHeapWithHash(std::uint64_t hash, std::vector<std::u16string> shingle);
    std::string shingleHash() const;
    void deductServedPenalty() { score_ -= kServedPenalty; }

    const std::string& fingerprint() const { return fingerprint_; }
    std::int64_t score() const { return score_; }
    std::uint64_t sequenceNumber() const { return sequenceNumber_; }
    std::size_t shingleCount() const { return heap_.count(); }

    // The pieces, apart for tests and the fuzz target.
    static std::vector<std::u16string_view> tokenSpans(std::u16string_view paragraph,
                                                       const GADCharacterSet& characterDelimited,
                                                       const GADCharacterSet& spaceDelimited);
    static std::vector<std::u16string> tokenize(std::u16string_view paragraph,
                                                const GADCharacterSet& characterDelimited,
                                                const GADCharacterSet& spaceDelimited);
    // Lower case as the "en_US" locale has it (ICU).
    static std::u16string lowercased(std::u16string_view text);
    // MurmurHash3 (seed 0) of the token's UTF-8, as a signed number.
    static std::int32_t tokenHash(std::u16string_view token);
    // (0x7FFFFFFF + H) mod M, on the sign-extended hash in unsigned 64-bit arithmetic.
    static std::uint64_t tokenValue(std::int32_t hash);

  private:
    // Not full, or the least kept hash is below this one.
    bool wouldKeep(std::uint64_t hash) const;
    void keep(std::uint64_t hash, const std::u16string_view* first, std::size_t count);
    void roll(const std::vector<std::u16string_view>& tokens,
              const std::vector<std::uint64_t>& values, std::uint64_t baseHash);

    std::uint64_t sequenceNumber_;
    std::uint64_t ageWeight_;
    std::uint64_t lengthWeight_;
    std::uint64_t contentTotalLength_ = 0;
    std::uint64_t maximumShingleCount_;
    std::uint64_t minimumParagraphLength_;
    std::uint64_t shingleLength_;
    GADCharacterSet::Ptr characterDelimited_;
    GADCharacterSet::Ptr spaceDelimited_;
    GADBinaryHeap<std::shared_ptr<GADShingleHashTuple>> heap_{&GADShingleHashTuple::compare};
    // The hash of the heap's minimum, once the heap is full.
    std::uint64_t leastKeptHash_ = 0;
    std::string fingerprint_;
    std::int64_t score_ = 0;
};

// The recent captures, at most `capacity`, the oldest stored going first.
class GADContentQueue {
  public:
    explicit GADContentQueue(std::uint64_t capacity) : size_(capacity) {}

    // Ignored without a capture or with capacity 0.
    void enqueueContent(const std::shared_ptr<GADContent>& content);
    // Every other stored capture with the same fingerprint goes: the older of the two.
    void deduplicate(const std::shared_ptr<GADContent>& content);
    // The best score above 0; between equal scores the newest capture.
    std::shared_ptr<GADContent> contentWithHighestScore() const;
    std::shared_ptr<GADContent> contentWithSequenceNumber(std::uint64_t sequenceNumber) const;
    std::size_t count() const { return contents_.size(); }
    std::uint64_t capacity() const { return size_; }

  private:
    void remove(std::uint64_t sequenceNumber);

    std::map<std::uint64_t, std::shared_ptr<GADContent>> contents_;
    std::vector<std::uint64_t> sequenceNumbers_;
    std::uint64_t size_;
};

}  // namespace ads
