#pragma once

// Writes 16-bit samples into a sound file of a chosen container and sample layout through
// libsndfile. Tests make their own sound files with it instead of shipping binary fixtures.

#include <cstdint>
#include <string>
#include <vector>

namespace platform::audio {

struct SoundFileSpec {
    enum class Container { Wav, Aiff, Caf, Flac, OggVorbis };
    enum class Sample { U8, S8, S16, S24, S32, Float };
    enum class Endian { File, Little, Big };

    Container container = Container::Wav;
    Sample sample = Sample::S16;
    Endian endian = Endian::File;
    int sampleRate = 22050;
    int channels = 1;
};

// Interleaved frames; answers false (and leaves no file) when libsndfile refuses the layout.
bool writeSoundFile(const std::string& path, const SoundFileSpec& spec,
                    const std::vector<int16_t>& samples);

// frames of a sine tone at the given frequency and amplitude (0..32767), per channel alike.
std::vector<int16_t> sineTone(int frames, int channels, int sampleRate, double frequency,
                              int amplitude);

}  // namespace platform::audio
