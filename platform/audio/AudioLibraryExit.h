#pragma once

// Work that has to run at process exit while the audio library is still whole.
//
// Exit handlers and static destructors run in the reverse order of their registration, and the
// audio library builds part of its state lazily, on the first device opened and the first
// context made. An engine kept in statics that were set up earlier would be torn down after that
// state is gone. The real OpenAL table therefore registers one exit handler right after the
// library first opened a device and again after it first made a context; whichever runs first
// runs the work given here, so the work always precedes the library's own clean-up, whether or
// not the program tore its sound down itself.

#include <functional>

namespace platform::audio {

// Runs fn at exit, before the audio library goes down; later registrations run first. Call it
// before the work's state is first built; harmless when no real device is ever opened.
void runBeforeAudioLibraryExit(std::function<void()> fn);

// Called by the real OpenAL table after the library opened a device or made a context.
enum class AudioLibraryState { Device, Context };
void noteAudioLibraryStateBuilt(AudioLibraryState state);

}  // namespace platform::audio
