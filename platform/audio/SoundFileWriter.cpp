#include "platform/audio/SoundFileWriter.h"

#include <sndfile.h>

#include <cmath>
#include <cstdio>
#include <numbers>

namespace platform::audio {
namespace {

int containerFormat(SoundFileSpec::Container c) {
    switch (c) {
        case SoundFileSpec::Container::Wav:
            return SF_FORMAT_WAV;
        case SoundFileSpec::Container::Aiff:
            return SF_FORMAT_AIFF;
        case SoundFileSpec::Container::Caf:
            return SF_FORMAT_CAF;
        case SoundFileSpec::Container::Flac:
            return SF_FORMAT_FLAC;
        case SoundFileSpec::Container::OggVorbis:
            return SF_FORMAT_OGG;
    }
    return SF_FORMAT_WAV;
}

int sampleFormat(const SoundFileSpec& spec) {
    if (spec.container == SoundFileSpec::Container::OggVorbis) return SF_FORMAT_VORBIS;
    switch (spec.sample) {
        case SoundFileSpec::Sample::U8:
            return SF_FORMAT_PCM_U8;
        case SoundFileSpec::Sample::S8:
            return SF_FORMAT_PCM_S8;
        case SoundFileSpec::Sample::S16:
            return SF_FORMAT_PCM_16;
        case SoundFileSpec::Sample::S24:
            return SF_FORMAT_PCM_24;
        case SoundFileSpec::Sample::S32:
            return SF_FORMAT_PCM_32;
        case SoundFileSpec::Sample::Float:
            return SF_FORMAT_FLOAT;
    }
    return SF_FORMAT_PCM_16;
}

int endianFormat(SoundFileSpec::Endian e) {
    switch (e) {
        case SoundFileSpec::Endian::File:
            return SF_ENDIAN_FILE;
        case SoundFileSpec::Endian::Little:
            return SF_ENDIAN_LITTLE;
        case SoundFileSpec::Endian::Big:
            return SF_ENDIAN_BIG;
    }
    return SF_ENDIAN_FILE;
}

}  // namespace

bool writeSoundFile(const std::string& path, const SoundFileSpec& spec,
                    const std::vector<int16_t>& samples) {
    SF_INFO info{};
    info.samplerate = spec.sampleRate;
    info.channels = spec.channels;
    info.format = containerFormat(spec.container) | sampleFormat(spec) | endianFormat(spec.endian);
    if (!sf_format_check(&info)) return false;
    SNDFILE* file = sf_open(path.c_str(), SFM_WRITE, &info);
    if (!file) return false;
    sf_count_t frames = static_cast<sf_count_t>(samples.size()) / spec.channels;
    bool ok = sf_writef_short(file, samples.data(), frames) == frames;
    ok = sf_close(file) == 0 && ok;
    if (!ok) std::remove(path.c_str());
    return ok;
}

std::vector<int16_t> sineTone(int frames, int channels, int sampleRate, double frequency,
                              int amplitude) {
    std::vector<int16_t> out;
    out.reserve(static_cast<size_t>(frames) * channels);
    for (int i = 0; i < frames; ++i) {
        double v = amplitude * std::sin(2 * std::numbers::pi * frequency * i / sampleRate);
        for (int c = 0; c < channels; ++c) out.push_back(static_cast<int16_t>(std::lround(v)));
    }
    return out;
}

}  // namespace platform::audio
