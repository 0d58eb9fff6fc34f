#include "sound/EffectState.h"

namespace sound {

void EffectState::StopThread() {
    if (!thread) return;
    thread->Cancel();
    thread->Join();
    thread.reset();
}

}  // namespace sound
