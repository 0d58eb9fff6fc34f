#include "ads/testsupport/FakeSignIn.h"

#include <vector>

#include "ads/foundation/GADJSONAdditions.h"
#include "ads/foundation/GADStringEncoding.h"
#include "platform/runtime/ClassRegistry.h"

namespace ads::testing {

namespace {

class FakeAuthentication : public GADStubsForGID {
  public:
    FakeAuthentication(std::optional<std::string> idToken, std::optional<std::string> refreshToken)
        : idToken_(std::move(idToken)), refreshToken_(std::move(refreshToken)) {}
    std::optional<std::string> idToken() const override { return idToken_; }
    std::optional<std::string> refreshToken() const override { return refreshToken_; }

  private:
    const std::optional<std::string> idToken_;
    const std::optional<std::string> refreshToken_;
};

class FakeUser : public GADStubsForGID {
  public:
    explicit FakeUser(std::shared_ptr<GADStubsForGID> authentication)
        : authentication_(std::move(authentication)) {}
    std::shared_ptr<GADStubsForGID> authentication() const override { return authentication_; }

  private:
    const std::shared_ptr<GADStubsForGID> authentication_;
};

std::string websafe(std::string_view text, bool padded) {
    GADStringEncoding codec = GADStringEncoding::rfc4648Base64WebsafeStringEncoding();
    codec.setDoPad(padded);
    return codec.encodeString(text);
}

}  // namespace

std::shared_ptr<FakeSignIn> FakeSignIn::create() {
    return std::make_shared<FakeSignIn>(Private{});
}

void FakeSignIn::setClientID(std::optional<std::string> clientID) {
    std::lock_guard lock(mutex_);
    clientID_ = std::move(clientID);
}

void FakeSignIn::signIn(std::optional<std::string> idToken,
                        std::optional<std::string> refreshToken) {
    auto user = std::make_shared<FakeUser>(
        std::make_shared<FakeAuthentication>(std::move(idToken), std::move(refreshToken)));
    std::lock_guard lock(mutex_);
    user_ = std::move(user);
}

void FakeSignIn::signInWithoutAuthentication() {
    auto user = std::make_shared<FakeUser>(nullptr);
    std::lock_guard lock(mutex_);
    user_ = std::move(user);
}

void FakeSignIn::signOut() {
    std::lock_guard lock(mutex_);
    user_.reset();
}

void FakeSignIn::setSupportsCurrentUserKVO(bool supports) {
    std::lock_guard lock(mutex_);
    supportsKVO_ = supports;
}

void FakeSignIn::announce(const std::string& keyPath) {
    std::vector<ChangeHandler> handlers;
    {
        std::lock_guard lock(mutex_);
        for (const auto& [id, handler] : observers_) handlers.push_back(handler);
    }
    for (const auto& handler : handlers) handler(keyPath);
}

std::size_t FakeSignIn::observerCount() const {
    std::lock_guard lock(mutex_);
    return observers_.size();
}

std::string FakeSignIn::idToken(const platform::Value& claims, bool padded) {
    const std::string header = R"({"alg":"RS256","typ":"JWT"})";
    const std::string payload = gad_JSONString(claims, false).value_or("");
    return websafe(header, padded) + "." + websafe(payload, padded) + "." +
           websafe("signature", padded);
}

std::string FakeSignIn::idTokenFor(const std::string& issuer, const std::string& subject) {
    return idToken(platform::Value::dictionary({{"iss", issuer}, {"sub", subject}}));
}

void FakeSignIn::registerLibrary(platform::ClassRegistry& registry,
                                 std::shared_ptr<FakeSignIn> signIn, const char* missing) {
    auto wanted = [missing](const char* name) {
        return !missing || std::string_view(missing) != name;
    };
    if (wanted(kSignInClassName)) {
        registry.registerClass<GADStubsForGID>(
            kSignInClassName, "NSObject", {},
            [signIn]() -> std::shared_ptr<GADStubsForGID> { return signIn; });
    }
    if (wanted(kUserClassName)) registry.registerName(kUserClassName, "NSObject");
    if (wanted(kAuthenticationClassName)) {
        registry.registerName(kAuthenticationClassName, "NSObject");
    }
}

std::optional<std::string> FakeSignIn::clientID() const {
    std::lock_guard lock(mutex_);
    return clientID_;
}

std::shared_ptr<GADStubsForGID> FakeSignIn::currentUser() const {
    std::lock_guard lock(mutex_);
    return user_;
}

bool FakeSignIn::supportsCurrentUserKVO() const {
    std::lock_guard lock(mutex_);
    return supportsKVO_;
}

std::shared_ptr<void> FakeSignIn::observeChanges(ChangeHandler handler) {
    if (!handler) return nullptr;
    std::size_t id = 0;
    {
        std::lock_guard lock(mutex_);
        id = nextObserver_++;
        observers_.emplace(id, std::move(handler));
    }
    std::weak_ptr<FakeSignIn> weak = weak_from_this();
    // The handle removes its observer when the observer lets go of it.
    return std::shared_ptr<void>(nullptr, [weak, id](void*) {
        if (auto self = weak.lock()) {
            std::lock_guard lock(self->mutex_);
            self->observers_.erase(id);
        }
    });
}

}  // namespace ads::testing
