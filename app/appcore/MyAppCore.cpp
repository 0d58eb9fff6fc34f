#include "app/appcore/MyAppCore.h"

#include "game/MyAppContextIPhone.h"
#include "game/MyLevelManager.h"

namespace app {

std::shared_ptr<MyAppCore> MyAppCore::create(std::shared_ptr<platform::gfx::GLContext> context) {
    // The constructor is protected so every core goes through the start-up below.
    struct Made : MyAppCore {};
    std::shared_ptr<MyAppCore> core = std::make_shared<Made>();
    core->init(std::move(context));
    return core;
}

void MyAppCore::setup() {
    AppCoreBase::setup();
    setAccelerometerCalibrationType(1);
    setGameId(kGameId);
    setWebSecretKey("Rq4tWzLm8PxYc2Nh");
    setAppDisplayName("Movuroute");
    auto context = JTCore::JTNew<JTApp::MyAppContextIPhone>();
    setAppContext(context);
    context->setAppCore(shared_from_this());
    context->setLevelManager(JTCore::JTNew<JTApp::MyLevelManager>(context));
}

}  // namespace app
