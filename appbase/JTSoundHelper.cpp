#include "appbase/JTSoundHelper.h"

#include "appbase/JTAppContext.h"

namespace JTAppBase {

namespace {
std::shared_ptr<ShellAppCore> appCoreOf(const JTCore::JTWeakPtr<JTAppContext>& context) {
    auto ctx = context.lock();
    return ctx ? ctx->getAppCore() : nullptr;
}
}  // namespace

JTSoundHelper::JTSoundHelper(JTAppContext* context) : context_(context) {}

void JTSoundHelper::playEffect(int index) {
    if (auto core = appCoreOf(context_)) {
        if (auto s = core->sound(index)) s->start();
    }
}

void JTSoundHelper::play(int index) {
    playEffect(index);
}

void JTSoundHelper::playMusic(int index) {
    if (auto core = appCoreOf(context_)) {
        if (auto s = core->music(index)) s->start();
    }
}

void JTSoundHelper::stopAll() {
    if (auto core = appCoreOf(context_)) core->stopLoopingEffects(true, true);
}

bool JTSoundHelper::musicIsEnabled() {
    auto core = appCoreOf(context_);
    return core && core->musicIsEnabled();
}

}  // namespace JTAppBase
