#include "ads/mediation/GADAdReward.h"

#include "ads/foundation/GADJSONAdditions.h"

namespace ads {

using platform::Value;

std::shared_ptr<const GADAdReward> GADAdReward::create(std::optional<std::string> type,
                                                       std::optional<platform::Decimal> amount) {
    if (!type || !amount) return nullptr;
    return std::make_shared<const GADAdReward>(Private{}, std::move(*type), std::move(*amount));
}

std::shared_ptr<const GADAdReward> GADAdReward::createWithRewardDictionary(
    const Value* dictionary) {
    if (!dictionary) return create(std::nullopt, std::nullopt);
    std::optional<std::string> type;
    std::optional<platform::Decimal> amount;
    if (const Value* text = gad_objectForKey(*dictionary, "rb_type", &Value::isString)) {
        type = text->stringRef();
    }
    // A number only: "10" as text is a server fault, not an amount, and so is true.
    const Value* number = gad_objectForKey(*dictionary, "rb_amount", &Value::isNumber);
    if (number && !number->isBool()) amount = platform::Decimal::fromValue(*number);
    return create(std::move(type), std::move(amount));
}

}  // namespace ads
