#pragma once

// A stand-in for the host application's sign-in library: its shared object with a client id
// and a current user whose credentials (id token, refresh token) a test sets, and the change
// notifications the library would send. Thread-safe; announce() calls the observers on the
// calling thread, as the library does.
//
//   auto signIn = ads::testing::FakeSignIn::create();
//   signIn->setClientID("client.apps");
//   signIn->signIn(FakeSignIn::idTokenFor("https://accounts.example", "user-1"), "refresh-1");
//   signIn->announce("currentUser");

#include <cstddef>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <string>

#include "ads/foundation/GADStubsForGID.h"
#include "platform/base/Value.h"

namespace platform {
class ClassRegistry;
}

namespace ads::testing {

class FakeSignIn : public GADStubsForGID, public std::enable_shared_from_this<FakeSignIn> {
  public:
    static std::shared_ptr<FakeSignIn> create();

    void setClientID(std::optional<std::string> clientID);
    // A current user whose authentication answers these (either may be absent).
    void signIn(std::optional<std::string> idToken, std::optional<std::string> refreshToken);
    // A current user without an authentication object.
    void signInWithoutAuthentication();
    void signOut();
    void setSupportsCurrentUserKVO(bool supports);
    // Tells every observer that the key path changed.
    void announce(const std::string& keyPath);
    std::size_t observerCount() const;

    // A JSON Web Token "header.payload.signature" whose payload is the JSON of `claims`, in
    // URL-safe Base64 without padding (or with it, when asked).
    static std::string idToken(const platform::Value& claims, bool padded = false);
    static std::string idTokenFor(const std::string& issuer, const std::string& subject);

    // Registers the library's class names in the registry: the three by default, with
    // "GIDSignIn" making `signIn`; `missing` leaves one name out.
    static void registerLibrary(platform::ClassRegistry& registry,
                                std::shared_ptr<FakeSignIn> signIn, const char* missing = nullptr);

    std::optional<std::string> clientID() const override;
    std::shared_ptr<GADStubsForGID> currentUser() const override;
    bool supportsCurrentUserKVO() const override;
    std::shared_ptr<void> observeChanges(ChangeHandler handler) override;

  private:
    struct Private {};

  public:
    explicit FakeSignIn(Private) {}

  private:
    mutable std::mutex mutex_;
    std::optional<std::string> clientID_;
    std::shared_ptr<GADStubsForGID> user_;
    bool supportsKVO_ = true;
    std::map<std::size_t, ChangeHandler> observers_;
    std::size_t nextObserver_ = 1;
};

}  // namespace ads::testing
