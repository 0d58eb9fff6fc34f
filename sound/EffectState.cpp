#include "sound/EffectState.h"

void EffectState::StopThread() {
    if (!thread) return;
    thread->Cancel();
    thread->Join();
    thread.reset();
}
