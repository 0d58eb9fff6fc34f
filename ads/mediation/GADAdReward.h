#pragma once

// What a rewarded video gives the user: a type the app understands ("coins") and an exact
// amount. The amount is a decimal, so "0.1" from a server stays 0.1 on its way to the app.
// Made only whole: a reward without a type or an amount is no reward at all, which is what a
// malformed server description gives. Immutable; any thread.

#include <memory>
#include <optional>
#include <string>

#include "platform/base/Decimal.h"
#include "platform/base/Value.h"

namespace ads {

class GADAdReward {
    struct Private {};

  public:
    // Nothing unless both are given.
    static std::shared_ptr<const GADAdReward> create(std::optional<std::string> type,
                                                     std::optional<platform::Decimal> amount);
    // "rb_type" when it is a string and "rb_amount" when it is a number (read through the
    // number's shortest text); anything else, or no dictionary, gives nothing.
    static std::shared_ptr<const GADAdReward> createWithRewardDictionary(
        const platform::Value* dictionary);
    // The plain initialiser: no dictionary, so no reward.
    static std::shared_ptr<const GADAdReward> create() {
        return createWithRewardDictionary(nullptr);
    }

    GADAdReward(Private, std::string type, platform::Decimal amount)
        : type_(std::move(type)), amount_(std::move(amount)) {}

    const std::string& type() const { return type_; }
    const platform::Decimal& amount() const { return amount_; }

  private:
    std::string type_;
    platform::Decimal amount_;
};

}  // namespace ads
