#pragma once

// The OpenAL call table. The sound engine and the audio queue call OpenAL through al() instead of
// the C functions, so tests can swap in a recorder and check the order of calls (teardown order,
// clean-up after a failed load) without a sound card. The calls are listed in OpenALCalls.h.

#include "platform/audio/OpenALCalls.h"

namespace platform::audio {

class OpenAL {
  public:
    virtual ~OpenAL() = default;

#define MOVU_OPENAL_DECLARE(ret, name, params, args) virtual ret name params = 0;
#define MOVU_OPENAL_DECLARE_EXTENSION(type, ret, name, params, args) \
    MOVU_OPENAL_DECLARE(ret, name, params, args)
    MOVU_OPENAL_CALLS(MOVU_OPENAL_DECLARE)
    MOVU_OPENAL_EXTENSION_CALLS(MOVU_OPENAL_DECLARE_EXTENSION)
#undef MOVU_OPENAL_DECLARE_EXTENSION
#undef MOVU_OPENAL_DECLARE
};

// The table in use: the real OpenAL unless a test installed another one. Safe to read from any
// thread (the looping-effect thread calls through it too).
OpenAL& al();

// Installs a table (nullptr restores the real one). Install before any sound is loaded.
void setOpenAL(OpenAL* table);

// Installs a table for the lifetime of the scope.
class ScopedOpenAL {
  public:
    explicit ScopedOpenAL(OpenAL& table);
    ~ScopedOpenAL();
    ScopedOpenAL(const ScopedOpenAL&) = delete;
    ScopedOpenAL& operator=(const ScopedOpenAL&) = delete;

  private:
    OpenAL* previous_;
};

}  // namespace platform::audio
