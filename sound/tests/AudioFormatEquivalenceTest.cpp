#include "sound/AudioFormatEquivalence.h"

#include <gtest/gtest.h>

using namespace sound;

using namespace platform::audio;

namespace {

AudioStreamBasicDescription pcm(uint32_t channels, uint32_t bits, AudioFormatFlags flags,
                                double rate = 44100) {
    return linearPCMFormat(rate, channels, bits, flags);
}

constexpr AudioFormatFlags S = kAudioFormatFlagIsSignedInteger;
constexpr AudioFormatFlags P = kAudioFormatFlagIsPacked;
constexpr AudioFormatFlags F = kAudioFormatFlagIsFloat;
constexpr AudioFormatFlags BE = kAudioFormatFlagIsBigEndian;
constexpr AudioFormatFlags HI = kAudioFormatFlagIsAlignedHigh;
constexpr AudioFormatFlags NI = kAudioFormatFlagIsNonInterleaved;
constexpr AudioFormatFlags CLEAR = kAudioFormatFlagsAreAllClear;

}  // namespace

TEST(AudioFormatEquivalence, FlagsThatCannotChangeTheSamplesAreIgnored) {
    struct Row {
        const char* what;
        AudioStreamBasicDescription a, b;
        bool equivalent;
    };
    const Row rows[] = {
        {"same", pcm(2, 16, S | P), pcm(2, 16, S | P), true},
        {"all-clear bit", pcm(2, 16, S | P | CLEAR), pcm(2, 16, S | P), true},
        {"high alignment, both packed", pcm(2, 16, S | P | HI), pcm(2, 16, S | P), true},
        {"high alignment, one unpacked", pcm(2, 16, S | HI), pcm(2, 16, S), false},
        {"signedness, both float", pcm(1, 32, F | P | S), pcm(1, 32, F | P), true},
        {"signedness, integers", pcm(1, 16, P | S), pcm(1, 16, P), false},
        {"endianness of packed 8 bit", pcm(1, 8, P | BE), pcm(1, 8, P), true},
        {"endianness of 16 bit", pcm(1, 16, S | P | BE), pcm(1, 16, S | P), false},
        {"interleaving of mono", pcm(1, 16, S | P | NI), pcm(1, 16, S | P), true},
        {"interleaving of stereo", pcm(2, 16, S | P | NI), pcm(2, 16, S | P), false},
        {"sample rate", pcm(2, 16, S | P, 22050), pcm(2, 16, S | P, 44100), false},
        {"unknown rate matches", pcm(2, 16, S | P, 0), pcm(2, 16, S | P, 44100), true},
        {"channels", pcm(1, 16, S | P), pcm(2, 16, S | P), false},
        {"bits", pcm(1, 8, P), pcm(1, 16, P), false},
    };
    for (const Row& row : rows) {
        EXPECT_EQ(AudioFormatsAreEquivalent(row.a, row.b), row.equivalent) << row.what;
        EXPECT_EQ(AudioFormatsAreEquivalent(row.b, row.a), row.equivalent) << row.what;
    }
}

TEST(AudioFormatEquivalence, ZeroFieldsMatchAnythingAndFormatIdsMustAgree) {
    AudioStreamBasicDescription vorbis;
    vorbis.mSampleRate = 44100;
    vorbis.mFormatID = kAudioFormatVorbis;
    vorbis.mChannelsPerFrame = 2;
    vorbis.mFramesPerPacket = 1024;
    AudioStreamBasicDescription flac = vorbis;
    flac.mFormatID = kAudioFormatFLAC;
    EXPECT_FALSE(AudioFormatsAreEquivalent(vorbis, flac));
    EXPECT_FALSE(AudioFormatsAreEquivalent(vorbis, pcm(2, 16, S | P)));
    EXPECT_TRUE(AudioFormatsAreEquivalent(vorbis, vorbis));
    AudioStreamBasicDescription blank;
    EXPECT_TRUE(AudioFormatsAreEquivalent(blank, pcm(2, 16, S | P)));
}
