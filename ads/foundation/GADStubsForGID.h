#pragma once

// What the SDK asks of the host application's optional sign-in library. The library lies
// outside this program: when present it registers its three classes by name in
// platform::ClassRegistry at start-up - "GIDSignIn" (creatable as a GADStubsForGID: its
// shared object), "GIDZivivuUser" and "GIDAuthentication" - and its objects answer the
// questions below. One interface serves all three kinds of object, since the SDK only ever
// sends each of them the questions its kind answers; the rest answer nothing.
//
// The game registers nothing: no sign-in object is found and signed-in ads stay off. Tests
// supply a fake library.

#include <functional>
#include <memory>
#include <optional>
#include <string>

namespace platform {
class ClassRegistry;
}

namespace ads {

class GADStubsForGID {
  public:
    // The key paths whose changes the SDK follows.
    static constexpr const char* kCurrentUserKeyPath = "currentUser";
    static constexpr const char* kClientIDKeyPath = "clientID";
    // The class names the library registers.
    static constexpr const char* kSignInClassName = "GIDSignIn";
    static constexpr const char* kUserClassName = "GIDZivivuUser";
    static constexpr const char* kAuthenticationClassName = "GIDAuthentication";

    virtual ~GADStubsForGID() = 0;

    // The sign-in object (GIDSignIn).
    virtual std::optional<std::string> clientID() const { return std::nullopt; }
    virtual std::shared_ptr<GADStubsForGID> currentUser() const { return nullptr; }
    // Whether changes of "currentUser" and "clientID" are announced (observeChanges works).
    virtual bool supportsCurrentUserKVO() const { return false; }
    // Calls the handler with the key path after each change of "currentUser" or "clientID",
    // on whatever thread made it, until the returned handle is dropped. The handler must not
    // be called once the handle is gone.
    using ChangeHandler = std::function<void(const std::string& keyPath)>;
    virtual std::shared_ptr<void> observeChanges(ChangeHandler handler) {
        (void)handler;
        return nullptr;
    }

    // A signed-in user (GIDZivivuUser).
    virtual std::shared_ptr<GADStubsForGID> authentication() const { return nullptr; }

    // A user's credentials (GIDAuthentication): the OpenID id token (a JSON Web Token) and
    // the OAuth refresh token.
    virtual std::optional<std::string> idToken() const { return std::nullopt; }
    virtual std::optional<std::string> refreshToken() const { return std::nullopt; }
};

// The sign-in library's shared object in this registry, or nullptr: all three classes must be
// registered, "GIDSignIn" must make an object, and that object must announce its changes.
std::shared_ptr<GADStubsForGID> GADSignInLookup(const platform::ClassRegistry& registry);

// The process's sign-in object: looked up in the shared class registry at the first call
// (the library registers itself at start-up, before the SDK starts), the same answer after.
std::shared_ptr<GADStubsForGID> GADSignInSharedInstance();

}  // namespace ads
