#pragma once

// The OpenAL calls we make, one line each, so that adding a call is one line here plus its
// recording: the table's declarations and the real table's forwarding and extension look-ups
// are all generated from these lists.
//
// Each line is X(return type, name, (parameters), (arguments)).

#include <AL/al.h>
#include <AL/alc.h>
#include <AL/alext.h>

// Calls the library exports by name.
// clang-format off
#define MOVU_OPENAL_CALLS(X)                                                                       \
    /* Devices and contexts */                                                                     \
    X(ALCdevice*, alcOpenDevice, (const ALCchar* name), (name))                                    \
    X(ALCboolean, alcCloseDevice, (ALCdevice* device), (device))                                   \
    X(ALCcontext*, alcCreateContext, (ALCdevice* device, const ALCint* attributes),                \
      (device, attributes))                                                                        \
    X(void, alcDestroyContext, (ALCcontext* context), (context))                                   \
    X(ALCboolean, alcMakeContextCurrent, (ALCcontext* context), (context))                         \
    X(ALCcontext*, alcGetCurrentContext, (), ())                                                   \
    X(ALCenum, alcGetError, (ALCdevice* device), (device))                                         \
    X(void, alcGetIntegerv, (ALCdevice* device, ALCenum param, ALCsizei size, ALCint* values),     \
      (device, param, size, values))                                                               \
    /* Errors */                                                                                   \
    X(ALenum, alGetError, (), ())                                                                  \
    /* Sources */                                                                                  \
    X(void, alGenSources, (ALsizei n, ALuint* sources), (n, sources))                              \
    X(void, alDeleteSources, (ALsizei n, const ALuint* sources), (n, sources))                     \
    X(void, alSourcei, (ALuint source, ALenum param, ALint value), (source, param, value))         \
    X(void, alSourcef, (ALuint source, ALenum param, ALfloat value), (source, param, value))       \
    X(void, alSource3f, (ALuint source, ALenum param, ALfloat x, ALfloat y, ALfloat z),            \
      (source, param, x, y, z))                                                                    \
    X(void, alGetSourcei, (ALuint source, ALenum param, ALint* value), (source, param, value))     \
    X(void, alSourcePlay, (ALuint source), (source))                                               \
    X(void, alSourceStop, (ALuint source), (source))                                               \
    X(void, alSourceQueueBuffers, (ALuint source, ALsizei n, const ALuint* buffers),               \
      (source, n, buffers))                                                                        \
    X(void, alSourceUnqueueBuffers, (ALuint source, ALsizei n, ALuint* buffers),                   \
      (source, n, buffers))                                                                        \
    /* Buffers. alBufferData copies the samples: the caller may free them afterwards. */           \
    X(void, alGenBuffers, (ALsizei n, ALuint* buffers), (n, buffers))                              \
    X(void, alDeleteBuffers, (ALsizei n, const ALuint* buffers), (n, buffers))                     \
    X(void, alBufferData,                                                                          \
      (ALuint buffer, ALenum format, const ALvoid* data, ALsizei size, ALsizei frequency),         \
      (buffer, format, data, size, frequency))                                                     \
    /* Listener */                                                                                 \
    X(void, alListener3f, (ALenum param, ALfloat x, ALfloat y, ALfloat z), (param, x, y, z))

// Extensions found through alcGetProcAddress; without one a call does nothing and answers null.
// Loopback devices (ALC_SOFT_loopback) are rendered on demand and used for deterministic tests.
// X(pointer type, return type, name, (parameters), (arguments))
#define MOVU_OPENAL_EXTENSION_CALLS(X)                                                             \
    X(LPALCLOOPBACKOPENDEVICESOFT, ALCdevice*, alcLoopbackOpenDeviceSOFT, (const ALCchar* name),   \
      (name))                                                                                      \
    X(LPALCRENDERSAMPLESSOFT, void, alcRenderSamplesSOFT,                                          \
      (ALCdevice* device, ALCvoid* buffer, ALCsizei samples), (device, buffer, samples))           \
    /* Stopping and restarting a device's mixer (ALC_SOFT_pause_device) */                         \
    X(LPALCDEVICEPAUSESOFT, void, alcDevicePauseSOFT, (ALCdevice* device), (device))               \
    X(LPALCDEVICERESUMESOFT, void, alcDeviceResumeSOFT, (ALCdevice* device), (device))
// clang-format on
