#include "scores/LevelScoreElem.h"

#include <cmath>
#include <string>

#include "appbase/ShellInterfaces.h"
#include "core/JTObject.h"
#include "platform/base/LogSink.h"

namespace scores {

namespace {
constexpr const char* kScoreKey = "score";
constexpr const char* kDateKey = "udate";
constexpr const char* kHashKey = "hash";
}  // namespace

LevelScoreElem::LevelScoreElem() : scoreHolder_(JTCore::JTNew<JTAppBase::ScIntHolder>(0)) {}

std::shared_ptr<LevelScoreElem> LevelScoreElem::create() {
    return std::shared_ptr<LevelScoreElem>(new LevelScoreElem());
}

std::shared_ptr<LevelScoreElem> LevelScoreElem::create(int32_t score,
                                                       std::optional<platform::Date> date) {
    auto elem = create();
    elem->setScore(score);
    elem->setDate(date);
    return elem;
}

int32_t LevelScoreElem::score() const {
    return scoreHolder_->get();
}

void LevelScoreElem::setScore(int32_t score) {
    scoreHolder_->set(score);
}

uint64_t LevelScoreElem::dateNumber() const {
    if (!date_) return 0;
    const double seconds = date_->secondsSince1970;
    if (!(seconds > 0)) return 0;  // before 1970, or not a number at all
    if (seconds >= 18446744073709551615.0) return UINT64_MAX;
    return static_cast<uint64_t>(seconds);
}

std::optional<uint32_t> LevelScoreElem::hashWithLevel(const JTAppBase::LevelInfo& level,
                                                      const ScoreSigner& signer) const {
    return signer.sign(level.levelId(), score(), dateNumber());
}

bool LevelScoreElem::serializeWith(platform::Value& dict, bool isSave,
                                   const JTAppBase::LevelInfo& level, const ScoreSigner& signer) {
    if (isSave) {
        // A score written without the key could never be read back; better not to write it.
        auto hash = hashWithLevel(level, signer);
        if (!hash) return false;
        dict.set(kScoreKey, score());
        const uint64_t udate = dateNumber();
        dict.set(kDateKey, static_cast<int64_t>(udate > INT64_MAX ? INT64_MAX : udate));
        // Stored signed, as the file format has always had it.
        dict.set(kHashKey, static_cast<int32_t>(*hash));
        return true;
    }

    if (const auto* v = dict.find(kScoreKey); v && v->isNumber()) {
        setScore(static_cast<int32_t>(v->asInteger()));
    }
    const auto* udate = dict.find(kDateKey);
    setDate(platform::Date{udate && udate->isNumber() ? udate->asReal() : 0.0});
    uint32_t stored = 0;
    if (const auto* v = dict.find(kHashKey); v && v->isNumber()) {
        // The low 32 bits: a checksum stored as a negative number reads back as the same bits.
        stored = static_cast<uint32_t>(static_cast<uint64_t>(v->asInteger()));
    }
    auto expected = hashWithLevel(level, signer);
    if (!expected || *expected != stored) {
        platform::LogSink::write("Score hash unmatched");
        return false;
    }
    return true;
}

}  // namespace scores
