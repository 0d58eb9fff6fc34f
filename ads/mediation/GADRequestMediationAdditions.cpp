#include "ads/mediation/GADRequestMediationAdditions.h"

#include "ads/foundation/GADDevice.h"
#include "ads/foundation/GADExtras.h"
#include "ads/foundation/GADRequest.h"
#include "ads/mediation/GADMAdNetworkConnector.h"
#include "ads/mediation/GADMRewardBasedVideoAdNetworkConnector.h"

namespace ads {

using platform::Value;

namespace {

// The publisher's targeting as either kind of connector gives it.
std::shared_ptr<GADRequest> targetedRequest(const GADMConnectorTargeting& connector) {
    auto request = GADRequest::request();
    if (connector.testMode()) {
        request->setTestDevices(
            Value::Array{Value(kGADSimulatorID), Value(kGADSimulatorID),
                         Value(GADDevice::sharedInstance()->deviceIdentifier())});
    }
    if (const auto childDirected = connector.childDirectedTreatment()) {
        request->tagForChildDirectedTreatment(*childDirected);
    }
    if (connector.userHasLocation()) {
        request->setLocationWithLatitude(connector.userLatitude(), connector.userLongitude(),
                                         connector.userLocationAccuracyInMeters());
    } else if (auto description = connector.userLocationDescription()) {
        request->setLocationWithDescription(std::move(*description));
    }
    request->setGender(connector.userGender());
    request->setBirthday(connector.userBirthday());
    request->setKeywords(connector.userKeywords());
    return request;
}

// A copy of the connector's network extras (a fresh GADExtras when it has none of that class)
// with the mediation parameters every network request carries.
std::pair<std::shared_ptr<GADExtras>, Value::Dictionary> mediationExtras(
    const GADMConnectorTargeting& connector) {
    // A copy, so the publisher's extras never gain what this network's request adds; extras
    // of another class give no parameters.
    std::shared_ptr<GADExtras> extras;
    if (auto given = std::dynamic_pointer_cast<const GADExtras>(connector.networkExtras())) {
        extras = given->copy();
    } else {
        extras = GADExtras::create();
    }
    Value::Dictionary parameters = extras->additionalParameters().value_or(Value::Dictionary{});
    // An ad the publisher handed the outer slot (a mediation configuration, say) is that
    // slot's: in the network's request it would render again, or mediate again.
    parameters.erase("_ad");
    parameters.erase("_adHeaders");
    if (const auto url = parameters.find("_mediationRequestUrl"); url != parameters.end()) {
        parameters["_requestUrl"] = url->second;
    }
    const auto credentials = connector.credentials();
    if (const auto hac = credentials.find("mad_hac"); hac != credentials.end()) {
        parameters["mad_hac"] = hac->second;
    }
    parameters["gw"] = Value("1");
    return {std::move(extras), std::move(parameters)};
}

}  // namespace

std::shared_ptr<GADRequest> GADRequestMediationAdditions::requestWithConnector(
    const GADMAdNetworkConnectorProtocol& connector, const GADMAdNetworkAdapterProtocol& adapter) {
    auto request = targetedRequest(connector);
    if (const auto* network = dynamic_cast<const GADMAdNetworkConnector*>(&connector)) {
        request->setRequestAgent(network->requestAgent());
        request->setMediationDepth(network->publisherRequestDepth() + 1);
    }
    configureNetworkExtrasWithConnector(*request, &connector, &adapter);
    addAdapterListWithConnector(*request, &connector, &adapter);
    return request;
}

std::shared_ptr<GADRequest> GADRequestMediationAdditions::requestWithConnector(
    const GADMRewardBasedVideoAdNetworkConnector& connector,
    const GADMRewardBasedVideoAdNetworkAdapter&) {
    auto request = targetedRequest(connector);
    auto [extras, parameters] = mediationExtras(connector);
    extras->setAdditionalParameters(std::move(parameters));
    request->registerAdNetworkExtras(std::move(extras));
    const std::string adapterName = connector.adapterClassName().value_or("");
    request->setPrivateMediationExtras(Value::Dictionary{
        {"man", Value(Value::Array{Value(adapterName)})}, {"mcan", Value(adapterName)}});
    return request;
}

void GADRequestMediationAdditions::configureNetworkExtrasWithConnector(
    GADRequest& request, const GADMAdNetworkConnectorProtocol* connector,
    const GADMAdNetworkAdapterProtocol* adapter) {
    if (!connector || !adapter) return;
    auto [extras, parameters] = mediationExtras(*connector);
    if (const auto* network = dynamic_cast<const GADMAdNetworkConnector*>(connector);
        network && network->networkConfig()) {
        for (const auto& [key, value] : network->networkConfig()->extras()) {
            if (value.isString()) parameters[key] = value;
        }
        if (const auto& ad = network->networkConfig()->ad()) parameters["_ad"] = Value(*ad);
    }
    extras->setAdditionalParameters(std::move(parameters));
    request.registerAdNetworkExtras(std::move(extras));
}

void GADRequestMediationAdditions::addAdapterListWithConnector(
    GADRequest& request, const GADMAdNetworkConnectorProtocol* connector,
    const GADMAdNetworkAdapterProtocol* adapter) {
    if (!connector || !adapter) return;
    const auto* network = dynamic_cast<const GADMAdNetworkConnector*>(connector);
    const std::string adapterName =
        network ? network->adapterClassName().value_or("") : std::string();
    Value::Array names;
    if (network && network->mediationConfig()) {
        for (const auto& entry : network->mediationConfig()->adNetworkConfigs()) {
            if (!entry->adapterList()) {
                names.emplace_back();
                continue;
            }
            Value::Array list;
            for (const auto& name : *entry->adapterList()) list.emplace_back(name);
            names.emplace_back(std::move(list));
        }
    } else {
        names.emplace_back(adapterName);
    }
    request.setPrivateMediationExtras(
        Value::Dictionary{{"man", Value(std::move(names))}, {"mcan", Value(adapterName)}});
}

}  // namespace ads
