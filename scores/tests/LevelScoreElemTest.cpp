#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "scores/LevelScoreElem.h"
#include "scores/tests/LevelScoresTestSupport.h"

using namespace scores;

using platform::Date;
using platform::Value;
using scorestest::ScoresFixture;

using LevelScoreElemTest = ScoresFixture;

TEST_F(LevelScoreElemTest, DateNumberIsWholeSecondsAndZeroWhenThereIsNoSensibleDate) {
    auto e = LevelScoreElem::create(7, Date{1700000000.75});
    EXPECT_EQ(e->dateNumber(), 1700000000u);
    e->setDate(std::nullopt);
    EXPECT_EQ(e->dateNumber(), 0u);
    e->setDate(Date{-5});
    EXPECT_EQ(e->dateNumber(), 0u);
    e->setDate(Date{std::numeric_limits<double>::quiet_NaN()});
    EXPECT_EQ(e->dateNumber(), 0u);
    e->setDate(Date{1e30});
    EXPECT_EQ(e->dateNumber(), UINT64_MAX);
    EXPECT_TRUE(e->canResubmit());
}

TEST_F(LevelScoreElemTest, ChecksumTextTakesScoreAndDateUnsignedAndTheLevelIdSigned) {
    const std::string key = kKey;
    // zlib.crc32 of "<key>,3,4294967295,5", "<key>,-2,100,1700000000", "<key>,1,100,1".
    EXPECT_EQ(ScoreSigner::hashOf(key, 3, -1, 5), 683038474u);
    EXPECT_EQ(ScoreSigner::hashOf(key, -2, 100, 1700000000), 869312015u);
    EXPECT_EQ(ScoreSigner::hashOf(key, 1, 100, (uint64_t{1} << 32) + 1), 3974375456u);

    auto record = level(3);
    auto e = LevelScoreElem::create(-1, Date{5});
    EXPECT_EQ(e->hashWithLevel(*record->mirror(), signer), 683038474u);
}

TEST_F(LevelScoreElemTest, ReadingFillsScoreAndDateEvenWhenTheChecksumFails) {
    auto record = level(1);
    auto e = LevelScoreElem::create();
    Value dict = Value::dictionary({{"score", 100.0}, {"udate", 1700000000}, {"hash", 930629986}});
    EXPECT_TRUE(e->serializeWith(dict, false, *record->mirror(), signer));
    EXPECT_EQ(e->score(), 100);
    EXPECT_EQ(e->dateNumber(), 1700000000u);

    // No date at all reads as 1970; the checksum then no longer fits.
    Value undated = Value::dictionary({{"score", 100}, {"hash", 930629986}});
    EXPECT_FALSE(e->serializeWith(undated, false, *record->mirror(), signer));
    ASSERT_TRUE(e->date());
    EXPECT_EQ(e->dateNumber(), 0u);
}
