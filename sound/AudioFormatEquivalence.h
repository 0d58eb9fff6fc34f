#pragma once

#include "platform/audio/AudioFormat.h"

namespace sound {

// Whether one queue can play both formats: field by field, 0 on either side matches anything.
// Linear PCM flags are compared without the bits that cannot change how samples read: the
// all-clear bit, high alignment when both are packed, signedness when both are float,
// endianness of a packed side with 8 bits or fewer, and interleaving when both are mono.
bool AudioFormatsAreEquivalent(const platform::audio::AudioStreamBasicDescription& a,
                               const platform::audio::AudioStreamBasicDescription& b);

}  // namespace sound
