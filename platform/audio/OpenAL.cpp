#include "platform/audio/OpenAL.h"

#include <atomic>
#include <optional>
#include <string_view>
#include <type_traits>

#include "platform/audio/AudioLibraryExit.h"

namespace platform::audio {
namespace {

// The calls after which the library holds state of its own that it tears down at exit.
constexpr std::optional<AudioLibraryState> stateBuiltBy(std::string_view call) {
    if (call == "alcOpenDevice" || call == "alcLoopbackOpenDeviceSOFT")
        return AudioLibraryState::Device;
    if (call == "alcCreateContext") return AudioLibraryState::Context;
    return std::nullopt;
}

// Notes the state a call built once the call has returned (also for calls without a result).
class NoteStateAfterCall {
  public:
    explicit constexpr NoteStateAfterCall(std::optional<AudioLibraryState> state) : state_(state) {}
    ~NoteStateAfterCall() {
        if (state_) noteAudioLibraryStateBuilt(*state_);
    }
    NoteStateAfterCall(const NoteStateAfterCall&) = delete;
    NoteStateAfterCall& operator=(const NoteStateAfterCall&) = delete;

  private:
    std::optional<AudioLibraryState> state_;
};

class RealOpenAL final : public OpenAL {
  public:
#define MOVU_REAL_AL_FORWARD(ret, name, params, args)           \
    ret name params override {                                  \
        static constexpr auto kBuilt = stateBuiltBy(#name);     \
        [[maybe_unused]] const NoteStateAfterCall note(kBuilt); \
        return ::name args;                                     \
    }
    MOVU_OPENAL_CALLS(MOVU_REAL_AL_FORWARD)
#undef MOVU_REAL_AL_FORWARD

    // Extension entry points are looked up once, on their first call.
#define MOVU_REAL_AL_FORWARD_EXTENSION(type, ret, name, params, args)                       \
    ret name params override {                                                              \
        static constexpr auto kBuilt = stateBuiltBy(#name);                                 \
        static const auto fn = reinterpret_cast<type>(::alcGetProcAddress(nullptr, #name)); \
        [[maybe_unused]] const NoteStateAfterCall note(kBuilt);                             \
        return fn ? fn args : std::type_identity_t<ret>();                                  \
    }
    MOVU_OPENAL_EXTENSION_CALLS(MOVU_REAL_AL_FORWARD_EXTENSION)
#undef MOVU_REAL_AL_FORWARD_EXTENSION
};

// Never destroyed: a stateless table that exit-time work and other threads may still call
// through while static destructors run.
RealOpenAL& realTable() {
    static RealOpenAL* table = new RealOpenAL;
    return *table;
}

std::atomic<OpenAL*> installed{nullptr};

}  // namespace

OpenAL& al() {
    OpenAL* table = installed.load(std::memory_order_acquire);
    return table ? *table : realTable();
}

void setOpenAL(OpenAL* table) {
    installed.store(table, std::memory_order_release);
}

ScopedOpenAL::ScopedOpenAL(OpenAL& table)
    : previous_(installed.exchange(&table, std::memory_order_acq_rel)) {}

ScopedOpenAL::~ScopedOpenAL() {
    installed.store(previous_, std::memory_order_release);
}

}  // namespace platform::audio
