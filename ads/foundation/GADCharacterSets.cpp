#include "ads/foundation/GADCharacterSets.h"

#include <unicode/uchar.h>

#include <cmath>

#include "ads/foundation/GADSettingsKeys.h"
#include "platform/runtime/SerialQueue.h"
#include "platform/storage/Json.h"
#include "platform/storage/UserDefaults.h"

namespace ads {

namespace {

// Start and length of each built-in range.
constexpr std::pair<unsigned, unsigned> kCharacterDelimitedRanges[] = {
    {0x4E00, 20941}, {0x3400, 6582},  {0x20000, 42711}, {0x3300, 256}, {0xF900, 512},
    {0x2F800, 544},  {0x3100, 48},    {0x31A0, 32},     {0x3040, 96},  {0x30A0, 91},
    {0x30FC, 4},     {0x3200, 256},   {0xFF66, 56},     {0xFFA1, 60},  {0x1B000, 256},
    {0x31F0, 16},    {0xAC00, 11184}, {0x1100, 256},
};

}  // namespace

void GADCharacterSet::addRange(double location, double length) {
    const double end = std::min(location + length, static_cast<double>(0x10000));
    for (double c = location; c < end; ++c) units_.set(static_cast<std::size_t>(c));
}

std::optional<GADCharacterSet::Ptr> GADCharacterSet::fromRangeSetting(std::string_view json) {
    const auto decoded = platform::Json::parse(json);
    if (!decoded || !decoded->isArray()) return std::nullopt;
    auto set = std::make_shared<GADCharacterSet>();
    for (const auto& pair : decoded->asArray()) {
        if (!pair.isArray() || pair.asArray().size() != 2) return std::nullopt;
        const auto& location = pair.asArray()[0];
        const auto& length = pair.asArray()[1];
        if (!location.isNumber() || !length.isNumber() || location.isBool() || length.isBool()) {
            return std::nullopt;
        }
        const double from = std::floor(location.doubleValue());
        const double count = std::floor(length.doubleValue());
        if (!std::isfinite(from) || !std::isfinite(count) || from < 0 || count < 0) {
            return std::nullopt;
        }
        set->addRange(from, count);
    }
    return set;
}

GADCharacterSet::Ptr GADCharacterSet::builtInCharacterDelimited() {
    static const Ptr set = [] {
        auto made = std::make_shared<GADCharacterSet>();
        for (const auto& [start, length] : kCharacterDelimitedRanges) made->addRange(start, length);
        return made;
    }();
    return set;
}

GADCharacterSet::Ptr GADCharacterSet::alphanumerics() {
    // Never destroyed: queues still running at exit may ask for it after static destructors.
    static const Ptr* const set = new Ptr([] {
        auto made = std::make_shared<GADCharacterSet>();
        constexpr std::uint32_t mask = U_GC_L_MASK | U_GC_M_MASK | U_GC_N_MASK;
        for (UChar32 c = 0; c < 0x10000; ++c) {
            if (U_GET_GC_MASK(c) & mask) made->units_.set(static_cast<std::size_t>(c));
        }
        return made;
    }());
    return *set;
}

std::shared_ptr<GADCharacterSets> GADCharacterSets::sharedInstance() {
    // Never destroyed, for the same reason as the alphanumerics.
    static const std::shared_ptr<GADCharacterSets>* const shared =
        new std::shared_ptr<GADCharacterSets>([] {
            auto made = create();
            made->updateCharacterSets();
            return made;
        }());
    return *shared;
}

std::shared_ptr<GADCharacterSets> GADCharacterSets::create() {
    return std::make_shared<GADCharacterSets>(Private{});
}

GADCharacterSets::GADCharacterSets(Private)
    : locked_(std::make_shared<Locked>()),
      lockQueue_(std::make_shared<platform::SerialQueue>(kLockQueueLabel)) {}

GADCharacterSet::Ptr GADCharacterSets::characterDelimitedSet() const {
    GADCharacterSet::Ptr set;
    lockQueue_->sync([&, locked = locked_] { set = locked->characterDelimited; });
    return set ? set : GADCharacterSet::builtInCharacterDelimited();
}

GADCharacterSet::Ptr GADCharacterSets::spaceDelimitedSet() const {
    GADCharacterSet::Ptr set;
    lockQueue_->sync([&, locked = locked_] { set = locked->spaceDelimited; });
    return set ? set : GADCharacterSet::alphanumerics();
}

void GADCharacterSets::updateCharacterSets() {
    auto& defaults = platform::UserDefaults::standard();
    const auto characterDelimited =
        defaults.stringForKey(settings_keys::kCharacterDelimitedUnicodeRange);
    const auto spaceDelimited = defaults.stringForKey(settings_keys::kSpaceDelimitedUnicodeRange);
    lockQueue_->async([locked = locked_, characterDelimited, spaceDelimited] {
        const auto apply = [](GADCharacterSet::Ptr& current,
                              const std::optional<std::string>& setting,
                              GADCharacterSet::Ptr (*builtIn)()) {
            if (setting) {
                auto parsed = GADCharacterSet::fromRangeSetting(*setting);
                current = parsed ? *parsed : nullptr;
            }
            if (!current) current = builtIn();
        };
        apply(locked->characterDelimited, characterDelimited,
              &GADCharacterSet::builtInCharacterDelimited);
        apply(locked->spaceDelimited, spaceDelimited, &GADCharacterSet::alphanumerics);
    });
}

}  // namespace ads
