#include "sound/OpenALThread.h"

#include "sound/SoundEngineLog.h"

#include <pthread.h>
#include <sched.h>

#include <algorithm>
#include <system_error>

namespace sound {

namespace {

// The creating thread's scheduling priority, within its own policy.
int currentThreadPriority() {
    int policy = 0;
    sched_param param{};
    if (pthread_getschedparam(pthread_self(), &policy, &param) != 0) return 0;
    return param.sched_priority;
}

}  // namespace

OpenALThread::OpenALThread(Body body, int priority, bool fixedPriority)
    : body_(std::move(body)),
      defaultPriority_(currentThreadPriority()),
      priority_(priority),
      fixedPriority_(fixedPriority) {}

OpenALThread::~OpenALThread() {
    Cancel();
    Join();
}

bool OpenALThread::Start() {
    if (running_.load() || thread_.joinable()) {
        SoundEngineLogLine(
            "OpenALThread::Start: can't start because the thread is already running");
        return false;
    }
    running_ = true;
    try {
        thread_ = std::thread(&OpenALThread::Entry, this);
    } catch (const std::system_error& e) {
        running_ = false;
        SoundEngineLogStatus("Error creating thread", e.code().value());
        return false;
    }
    return true;
}

void OpenALThread::Entry() {
    ApplyPriority(pthread_self());
    if (body_) body_(cancelled_);
    running_ = false;
}

void OpenALThread::SetPriority(int priority, bool fixedPriority) {
    priority_ = priority;
    fixedPriority_ = fixedPriority;
    if (running_.load() && thread_.joinable()) ApplyPriority(thread_.native_handle());
}

void OpenALThread::ApplyPriority(pthread_t thread) {
    if (!fixedPriority_) return;
    // Only a fixed priority has a Linux counterpart (a real-time policy), and it needs the
    // privilege to use one; without it the thread keeps the normal time-sharing policy, which
    // is quick enough for a hand-over polled every millisecond.
    sched_param param{};
    param.sched_priority =
        std::clamp(priority_, sched_get_priority_min(SCHED_RR), sched_get_priority_max(SCHED_RR));
    if (pthread_setschedparam(thread, SCHED_RR, &param) != 0)
        SoundEngineLogLine("OpenALThread::SetPriority: failed to set the fixed-priority policy");
}

void OpenALThread::Cancel() {
    cancelled_ = true;
}

void OpenALThread::Join() {
    if (thread_.joinable() && thread_.get_id() != std::this_thread::get_id()) thread_.join();
}

}  // namespace sound
