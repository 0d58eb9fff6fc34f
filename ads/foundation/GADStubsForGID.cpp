#include "ads/foundation/GADStubsForGID.h"

#include "platform/runtime/ClassRegistry.h"
#include "platform/runtime/Once.h"

namespace ads {

GADStubsForGID::~GADStubsForGID() = default;

std::shared_ptr<GADStubsForGID> GADSignInLookup(const platform::ClassRegistry& registry) {
    for (const char* name : {GADStubsForGID::kSignInClassName, GADStubsForGID::kUserClassName,
                             GADStubsForGID::kAuthenticationClassName}) {
        if (!registry.hasClass(name)) return nullptr;
    }
    auto signIn = registry.create<GADStubsForGID>(GADStubsForGID::kSignInClassName);
    // Without change notifications the SDK would keep a user who signed out.
    if (!signIn || !signIn->supportsCurrentUserKVO()) return nullptr;
    return signIn;
}

std::shared_ptr<GADStubsForGID> GADSignInSharedInstance() {
    // Never released: the library's shared object lives as long as the process.
    static auto* signIn = new std::shared_ptr<GADStubsForGID>();
    static platform::Once once;
    once.call([] { *signIn = GADSignInLookup(platform::ClassRegistry::shared()); });
    return *signIn;
}

}  // namespace ads
