// Content fingerprints: the tokenizer's classes and their range settings, the rolling hash
// against its written-out sum, fingerprints printed by tools/content_fingerprint.py (an
// independent program of the same definition), scores, the store of recent captures and the
// application's served fingerprint.

#include "ads/foundation/GADContent.h"

#include <gtest/gtest.h>

#include <atomic>
#include <thread>
#include <vector>

#include "ads/foundation/GADApplication.h"
#include "ads/foundation/GADSettingsKeys.h"
#include "ads/foundation/tests/GADApplicationTestPeer.h"
#include "ads/testsupport/AdsTestScope.h"
#include "platform/runtime/SerialQueue.h"
#include "platform/storage/UserDefaults.h"

namespace ads {
namespace {

using Tokens = std::vector<std::u16string>;

GADContentSettings settingsWith(std::uint64_t shingleLength, std::uint64_t kept,
                                std::uint64_t minimumParagraph) {
    GADContentSettings settings;
    settings.shingleLength = shingleLength;
    settings.maximumShingleCount = kept;
    settings.minimumParagraphLength = minimumParagraph;
    return settings;
}

std::shared_ptr<GADContent> capture(std::uint64_t sequence, const std::string& text,
                                    GADContentSettings settings = {}) {
    auto content = std::make_shared<GADContent>(sequence, settings, nullptr, nullptr);
    content->updateContentWithText(text);
    return content;
}

Tokens tokens(std::u16string_view text) {
    return GADContent::tokenize(text, *GADCharacterSet::builtInCharacterDelimited(),
                                *GADCharacterSet::alphanumerics());
}

class GADContentTest : public ::testing::Test {
  protected:
    ads::testing::AdsTestScope scope;
    platform::UserDefaults& defaults = platform::UserDefaults::standard();
};

TEST_F(GADContentTest, TokensOfLatinJapaneseAndOtherUnits) {
    EXPECT_EQ(tokens(u"hello, world"), (Tokens{u"hello", u"world"}));
    // Every kana and ideograph is a token; Latin words between them stay whole.
    EXPECT_EQ(tokens(u"東京タワーへ行くmovuroute 2026年"),
              (Tokens{u"東", u"京", u"タ", u"ワ", u"ー", u"へ", u"行", u"く", u"movuroute", u"2026",
                      u"年"}));
    // The two halves of a surrogate pair are separators, even for a letter beyond U+FFFF.
    EXPECT_EQ(tokens(u"ab\U0001F600cd\U0001D400e"), (Tokens{u"ab", u"cd", u"e"}));
    // "en_US" lower case: the dotted capital I becomes i and a combining dot (a mark, so
    // part of the word).
    EXPECT_EQ(GADContent::lowercased(u"İstanbul ÉCOLE"), u"i\u0307stanbul école");
    EXPECT_EQ(tokens(GADContent::lowercased(u"İİ")), (Tokens{u"i\u0307i\u0307"}));
}

TEST_F(GADContentTest, TokenValuesAndTheRollingHash) {
    // The sign-extended minimum wraps to 2^64 - 1 before it is reduced.
    EXPECT_EQ(GADContent::tokenValue(INT32_MIN), UINT64_MAX % GADContent::kModulus);
    EXPECT_EQ(GADContent::tokenValue(0), 0x7FFFFFFFu % GADContent::kModulus);
    EXPECT_EQ(GADContent::tokenValue(-1), 0x7FFFFFFEu % GADContent::kModulus);

    // Eight tokens, shingles of six: windows 1-6, 2-7 and 3-8, each hashed as the sum
    // v(t_j) x B^(L-1-j) mod M.
    const Tokens eight{u"a", u"b", u"c", u"d", u"e", u"f", u"g", u"h"};
    GADContent content(1, settingsWith(6, 10, 0), nullptr, nullptr);
    content.selectShinglesFromTokens(eight);
    EXPECT_EQ(content.shingleCount(), 3u);
    std::vector<std::uint64_t> expected;
    for (std::size_t start = 0; start < 3; ++start) {
        std::uint64_t sum = 0;
        for (std::size_t j = 0; j < 6; ++j) {
            std::uint64_t power = 1;
            for (std::size_t p = 0; p < 5 - j; ++p)
                power = power * GADContent::kBase % GADContent::kModulus;
            sum = (sum + GADContent::tokenValue(GADContent::tokenHash(eight[start + j])) * power %
                             GADContent::kModulus) %
                  GADContent::kModulus;
        }
        expected.push_back(sum);
    }
    // Keeping one shingle keeps the largest of the three.
    GADContent one(1, settingsWith(6, 1, 0), nullptr, nullptr);
    one.selectShinglesFromTokens(eight);
    EXPECT_EQ(one.shingleCount(), 1u);
    const auto largest = *std::max_element(expected.begin(), expected.end());
    GADContent alone(1, settingsWith(6, 1, 0), nullptr, nullptr);
    alone.updateHeapWithHash(largest, {u"x"});
    EXPECT_EQ(one.shingleHash().size(), alone.shingleHash().size());
    // A window of one token: the power is 1.
    GADContent single(1, settingsWith(1, 10, 0), nullptr, nullptr);
    single.selectShinglesFromTokens(Tokens{u"a", u"b", u"a"});
    EXPECT_EQ(single.shingleCount(), 2u);
}

TEST_F(GADContentTest, FingerprintsOfTheIndependentScript) {
    // Printed by tools/content_fingerprint.py with the same texts and settings.
    auto hello = capture(1, "Hello, World");
    EXPECT_EQ(hello->fingerprint(), "8z44Ug==");
    EXPECT_EQ(hello->shingleCount(), 1u);
    EXPECT_EQ(capture(1, "二〇二六年の東京 Tokyo タワー")->fingerprint(),
              "JDJ9_hsgv6flSTqN3cdc39eRHGWb6zjaC_aDLg==");
    auto mixed = capture(1,
                         "The quick brown fox jumps over the lazy dog and runs far away\n"
                         "二〇二六年の東京 Tokyo タワー\n"
                         "İstanbul Straße ÉCOLE 😀 emoji 12345 numbers one two three four five "
                         "six seven eight nine ten eleven twelve\n"
                         "Hello, World");
    EXPECT_EQ(mixed->fingerprint(), "xgKA7ib4fnIL9oMuqDwVPtkHPLTx9QKZWkLaQt3fx64ckdn3B0OWow==");
    EXPECT_EQ(mixed->fingerprint().size(), 56u);
    EXPECT_EQ(capture(1, "a b c d e f g h", settingsWith(2, 3, 0))->fingerprint(),
              "z7KaEQNSj26EVl44");
    EXPECT_EQ(capture(1, "ab😀cd İstanbul")->fingerprint(), "Jt1iAA==");
}

TEST_F(GADContentTest, ScoresAndQualifyingParagraphs) {
    // Five units are too short: nothing qualifies, and only the walk's age scores.
    auto content = capture(3, "short\n\nabc");
    EXPECT_EQ(content->fingerprint(), "");
    EXPECT_EQ(content->score(), 3);
    // 12 units of text and walk 3, both weighing 1.
    content->updateContentWithText(std::string("Hello, World"));
    EXPECT_EQ(content->score(), 15);
    const std::string first = content->fingerprint();
    // Text that adds no qualifying paragraph does not raise the score: nothing happens.
    content->updateContentWithText(std::string("tiny"));
    EXPECT_EQ(content->score(), 15);
    content->updateContentWithText(std::string("another paragraph"));
    EXPECT_EQ(content->score(), 32);
    EXPECT_NE(content->fingerprint(), first);
    content->deductServedPenalty();
    EXPECT_EQ(content->score(), -68);

    GADContentSettings heavy;
    heavy.lengthWeight = 1000;
    heavy.ageWeight = 0;
    EXPECT_EQ(capture(9, "Hello, World", heavy)->score(), 12000);
}

TEST_F(GADContentTest, RangeSettingsOfTheCharacterClasses) {
    auto digits = GADCharacterSet::fromRangeSetting("[[48,10]]");
    ASSERT_TRUE(digits);
    EXPECT_TRUE((*digits)->containsUnit(u'0'));
    EXPECT_TRUE((*digits)->containsUnit(u'9'));
    EXPECT_FALSE((*digits)->containsUnit(u'a'));
    for (const char* bad : {"[[48]]", "[[48,1,2]]", "{}", "[[\"48\",1]]", "[[-1,3]]", "nope",
                            "[[1e400,1]]", "[[true,1]]"}) {
        EXPECT_FALSE(GADCharacterSet::fromRangeSetting(bad)) << bad;
    }
    // Ranges reaching past the units end there; an empty array is an empty class.
    auto high = GADCharacterSet::fromRangeSetting("[[65530,100000],[131072,5]]");
    ASSERT_TRUE(high);
    EXPECT_TRUE((*high)->containsUnit(u'\uFFFF'));
    ASSERT_TRUE(GADCharacterSet::fromRangeSetting("[]"));

    auto sets = GADCharacterSets::create();
    defaults.setString(settings_keys::kSpaceDelimitedUnicodeRange, "[[48,10]]");
    sets->updateCharacterSets();
    EXPECT_EQ(
        GADContent::tokenize(u"ab12c3", *sets->characterDelimitedSet(), *sets->spaceDelimitedSet()),
        (Tokens{u"12", u"3"}));
    // A setting that does not parse falls back to the built-in class, not the last one.
    defaults.setString(settings_keys::kSpaceDelimitedUnicodeRange, "[[48]]");
    defaults.setString(settings_keys::kCharacterDelimitedUnicodeRange, "[[97,1]]");
    sets->updateCharacterSets();
    EXPECT_EQ(
        GADContent::tokenize(u"ab12c3", *sets->characterDelimitedSet(), *sets->spaceDelimitedSet()),
        (Tokens{u"a", u"b12c3"}));
    // An absent setting keeps the class in force.
    defaults.removeObjectForKey(settings_keys::kCharacterDelimitedUnicodeRange);
    sets->updateCharacterSets();
    EXPECT_TRUE(sets->characterDelimitedSet()->containsUnit(u'a'));
}

TEST_F(GADContentTest, SettingsOutOfRangeCountAsAbsent) {
    const GADContentSettings defaultsOnly = GADContentSettings::fromDefaults();
    EXPECT_EQ(defaultsOnly.traversalInterval, 10.0);
    EXPECT_EQ(defaultsOnly.shingleLength, 6u);

    defaults.setString(settings_keys::kTraversalInterval, "2.5");
    defaults.setString(settings_keys::kContentQueueMaximumCapacity, "0");
    defaults.setString(settings_keys::kContentAgeWeight, "1001");
    defaults.setString(settings_keys::kContentLengthWeight, "nan");
    defaults.setString(settings_keys::kMaximumShingleCount, "0");
    defaults.setString(settings_keys::kMinimumParagraphLength, "3 apples");
    defaults.setString(settings_keys::kShingleLength, "0");
    auto settings = GADContentSettings::fromDefaults();
    EXPECT_EQ(settings.traversalInterval, 2.5);
    EXPECT_EQ(settings.queueCapacity, 0u);
    EXPECT_EQ(settings.ageWeight, 1u);
    EXPECT_EQ(settings.lengthWeight, 1u);
    EXPECT_EQ(settings.maximumShingleCount, 10u);
    EXPECT_EQ(settings.minimumParagraphLength, 6u);
    EXPECT_EQ(settings.shingleLength, 6u);

    defaults.setString(settings_keys::kTraversalInterval, "inf");
    defaults.setDouble(settings_keys::kShingleLength, 65);
    defaults.setInteger(settings_keys::kMaximumShingleCount, 100);
    settings = GADContentSettings::fromDefaults();
    EXPECT_EQ(settings.traversalInterval, 10.0);
    EXPECT_EQ(settings.shingleLength, 6u);
    EXPECT_EQ(settings.maximumShingleCount, 100u);
}

TEST_F(GADContentTest, TheQueueOfRecentCaptures) {
    GADContentQueue queue(2);
    EXPECT_FALSE(queue.contentWithHighestScore());
    // The same screen captured twice: only the later capture remains.
    auto first = capture(1, "Hello, World");
    auto again = capture(2, "Hello, World");
    queue.deduplicate(first);
    queue.enqueueContent(first);
    queue.deduplicate(again);
    queue.enqueueContent(again);
    EXPECT_EQ(queue.count(), 1u);
    EXPECT_FALSE(queue.contentWithSequenceNumber(1));
    EXPECT_EQ(queue.contentWithSequenceNumber(2), again);

    // Full: the oldest stored goes.
    auto other = capture(3, "Something else entirely");
    auto last = capture(4, "And then one more text");
    queue.enqueueContent(other);
    queue.enqueueContent(last);
    EXPECT_EQ(queue.count(), 2u);
    EXPECT_FALSE(queue.contentWithSequenceNumber(2));
    // 23 + 3 against 22 + 4: a tie, which the newest capture wins, whatever the order of
    // the store.
    EXPECT_EQ(other->score(), last->score());
    EXPECT_EQ(queue.contentWithHighestScore(), last);
    GADContentQueue reversed(2);
    reversed.enqueueContent(last);
    reversed.enqueueContent(other);
    EXPECT_EQ(reversed.contentWithHighestScore(), last);

    // Served until no score is above 0: nothing qualifies.
    for (int served = 0; served < 2; ++served) {
        queue.contentWithHighestScore()->deductServedPenalty();
    }
    EXPECT_FALSE(queue.contentWithHighestScore());

    GADContentQueue none(0);
    none.enqueueContent(first);
    none.enqueueContent(nullptr);
    EXPECT_EQ(none.count(), 0u);
}

TEST_F(GADContentTest, RequestThreadsTakingFingerprintsDuringStoresLoseNoPenalty) {
    auto application = GADApplicationTestPeer::create();
    EXPECT_FALSE(application->fingerprintWithServedPenaltyDeduction());
    auto queue = std::make_shared<GADContentQueue>(100);
    std::vector<std::shared_ptr<GADContent>> captures;
    application->contentHashingQueue()->sync([&] { application->setContentQueue(queue); });

    // Each capture scores 100 x (its length of 20 units) = 2000: twenty servings each.
    GADContentSettings settings;
    settings.lengthWeight = 100;
    settings.ageWeight = 0;
    for (int i = 0; i < 10; ++i) {
        captures.push_back(capture(static_cast<std::uint64_t>(i + 1),
                                   "screen number " + std::to_string(100000 + i), settings));
    }
    std::atomic<int> served{0};
    std::vector<std::thread> requests;
    for (int t = 0; t < 4; ++t) {
        requests.emplace_back([&] {
            for (int i = 0; i < 60; ++i) {
                if (application->fingerprintWithServedPenaltyDeduction()) ++served;
            }
        });
    }
    for (const auto& content : captures) {
        application->contentHashingQueue()->async([queue, content] {
            queue->deduplicate(content);
            queue->enqueueContent(content);
        });
    }
    for (auto& thread : requests) thread.join();
    application->contentHashingQueue()->sync([] {});
    std::int64_t total = 0;
    for (const auto& content : captures) total += content->score();
    EXPECT_EQ(total, 10 * 2000 - 100 * static_cast<std::int64_t>(served.load()));
    EXPECT_LE(served.load(), 200);
}

}  // namespace
}  // namespace ads
