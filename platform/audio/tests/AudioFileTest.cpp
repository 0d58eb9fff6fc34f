#include "platform/audio/AudioFile.h"
#include "platform/audio/SoundFileWriter.h"
#include "platform/testing/TempDir.h"

#include <gtest/gtest.h>

#include <cstring>
#include <fstream>

using namespace platform::audio;
using platform::testing::TempDir;

namespace {

struct Opened {
    OSStatus status;
    std::unique_ptr<AudioFile> file;
};

Opened open(const std::string& path) {
    Opened o;
    o.status = AudioFile::openForReading(path, o.file);
    return o;
}

std::vector<int16_t> ramp(int n) {
    std::vector<int16_t> v;
    for (int i = 0; i < n; ++i) v.push_back(static_cast<int16_t>(i * 257 - 3000));
    return v;
}

}  // namespace

TEST(AudioFile, DescribesLittleEndianPcmAndReadsItsBytesUnchanged) {
    TempDir dir;
    auto samples = ramp(2 * 300);
    SoundFileSpec spec;
    spec.channels = 2;
    spec.sampleRate = 22050;
    ASSERT_TRUE(writeSoundFile((dir / "s.wav").string(), spec, samples));

    auto o = open((dir / "s.wav").string());
    ASSERT_EQ(o.status, noErr);
    const auto& f = o.file->dataFormat();
    EXPECT_EQ(f.mSampleRate, 22050);
    EXPECT_EQ(f.mFormatID, kAudioFormatLinearPCM);
    EXPECT_EQ(f.mFormatFlags, kAudioFormatFlagIsSignedInteger | kAudioFormatFlagIsPacked);
    EXPECT_EQ(f.mBytesPerPacket, 4u);
    EXPECT_EQ(f.mFramesPerPacket, 1u);
    EXPECT_EQ(f.mBytesPerFrame, 4u);
    EXPECT_EQ(f.mChannelsPerFrame, 2u);
    EXPECT_EQ(f.mBitsPerChannel, 16u);
    EXPECT_EQ(o.file->audioDataByteCount(), 1200u);
    EXPECT_EQ(o.file->audioDataPacketCount(), 300u);
    EXPECT_EQ(o.file->packetSizeUpperBound(), 4u);

    std::vector<int16_t> all(600);
    uint32_t n = 5000;
    ASSERT_EQ(o.file->readBytes(0, n, all.data()), noErr);
    EXPECT_EQ(n, 1200u);
    EXPECT_EQ(all, samples);

    // A slice that starts and ends inside frames.
    uint8_t slice[5];
    n = 5;
    ASSERT_EQ(o.file->readBytes(3, n, slice), noErr);
    ASSERT_EQ(n, 5u);
    EXPECT_EQ(0, std::memcmp(slice, reinterpret_cast<uint8_t*>(samples.data()) + 3, 5));

    n = 10;
    EXPECT_EQ(o.file->readBytes(1200, n, slice), kAudioFileEndOfFileError);
    EXPECT_EQ(n, 0u);

    std::vector<uint8_t> packets(400);
    uint32_t count = 100, bytes = 0;
    ASSERT_EQ(o.file->readPackets(250, count, bytes, nullptr, packets.data()), noErr);
    EXPECT_EQ(count, 50u);
    EXPECT_EQ(bytes, 200u);
    EXPECT_EQ(0, std::memcmp(packets.data(), samples.data() + 500, 200));
    count = 10;
    EXPECT_EQ(o.file->readPackets(300, count, bytes, nullptr, packets.data()), noErr);
    EXPECT_EQ(count, 0u);
}

TEST(AudioFile, ReportsBigEndianAndEightBitLayoutsAsStored) {
    TempDir dir;
    auto samples = ramp(64);

    SoundFileSpec aiff;
    aiff.container = SoundFileSpec::Container::Aiff;
    ASSERT_TRUE(writeSoundFile((dir / "be.aiff").string(), aiff, samples));
    auto be = open((dir / "be.aiff").string());
    ASSERT_EQ(be.status, noErr);
    EXPECT_EQ(be.file->dataFormat().mFormatFlags, kAudioFormatFlagIsBigEndian |
                                                      kAudioFormatFlagIsSignedInteger |
                                                      kAudioFormatFlagIsPacked);
    uint8_t raw[2];
    uint32_t n = 2;
    ASSERT_EQ(be.file->readBytes(0, n, raw), noErr);
    EXPECT_EQ(raw[0], static_cast<uint8_t>(static_cast<uint16_t>(samples[0]) >> 8));
    EXPECT_EQ(raw[1], static_cast<uint8_t>(samples[0] & 0xff));

    SoundFileSpec u8;
    u8.sample = SoundFileSpec::Sample::U8;
    ASSERT_TRUE(writeSoundFile((dir / "u8.wav").string(), u8, samples));
    auto w8 = open((dir / "u8.wav").string());
    ASSERT_EQ(w8.status, noErr);
    EXPECT_EQ(w8.file->dataFormat().mFormatFlags, kAudioFormatFlagIsPacked);
    EXPECT_EQ(w8.file->dataFormat().mBitsPerChannel, 8u);
    EXPECT_EQ(w8.file->audioDataByteCount(), 64u);

    SoundFileSpec s8 = aiff;
    s8.sample = SoundFileSpec::Sample::S8;
    ASSERT_TRUE(writeSoundFile((dir / "s8.aiff").string(), s8, samples));
    auto a8 = open((dir / "s8.aiff").string());
    ASSERT_EQ(a8.status, noErr);
    EXPECT_EQ(a8.file->dataFormat().mFormatFlags, kAudioFormatFlagIsBigEndian |
                                                      kAudioFormatFlagIsSignedInteger |
                                                      kAudioFormatFlagIsPacked);

    SoundFileSpec s24;
    s24.sample = SoundFileSpec::Sample::S24;
    s24.channels = 2;
    ASSERT_TRUE(writeSoundFile((dir / "s24.wav").string(), s24, samples));
    auto w24 = open((dir / "s24.wav").string());
    ASSERT_EQ(w24.status, noErr);
    EXPECT_EQ(w24.file->dataFormat().mBitsPerChannel, 24u);
    EXPECT_EQ(w24.file->dataFormat().mBytesPerFrame, 6u);
    EXPECT_EQ(w24.file->audioDataByteCount(), 32u * 6);

    SoundFileSpec fl;
    fl.sample = SoundFileSpec::Sample::Float;
    ASSERT_TRUE(writeSoundFile((dir / "f.wav").string(), fl, samples));
    auto wf = open((dir / "f.wav").string());
    ASSERT_EQ(wf.status, noErr);
    EXPECT_EQ(wf.file->dataFormat().mFormatFlags,
              kAudioFormatFlagIsFloat | kAudioFormatFlagIsPacked);
    EXPECT_EQ(wf.file->dataFormat().mBitsPerChannel, 32u);
}

TEST(AudioFile, CompressedFilesHandOutDecodedPacketsWithDescriptions) {
    TempDir dir;
    const int frames = 2500;
    auto samples = sineTone(frames, 1, 22050, 440, 12000);
    SoundFileSpec spec;
    spec.container = SoundFileSpec::Container::Flac;
    ASSERT_TRUE(writeSoundFile((dir / "t.flac").string(), spec, samples));

    auto o = open((dir / "t.flac").string());
    ASSERT_EQ(o.status, noErr);
    const auto& f = o.file->dataFormat();
    EXPECT_EQ(f.mFormatID, kAudioFormatFLAC);
    EXPECT_EQ(f.mBytesPerPacket, 0u);  // variable: callers need packet descriptions
    EXPECT_EQ(f.mFramesPerPacket, AudioFile::kDecodedFramesPerPacket);
    EXPECT_EQ(f.mBitsPerChannel, 0u);
    EXPECT_EQ(o.file->audioDataPacketCount(), 3u);
    EXPECT_EQ(o.file->packetSizeUpperBound(), 2048u);
    EXPECT_EQ(o.file->audioDataByteCount(), frames * 2u);

    std::vector<int16_t> out(3 * 1024);
    AudioStreamPacketDescription d[3];
    uint32_t count = 3, bytes = 0;
    ASSERT_EQ(o.file->readPackets(0, count, bytes, d, out.data()), noErr);
    EXPECT_EQ(count, 3u);
    EXPECT_EQ(bytes, frames * 2u);
    EXPECT_EQ(d[1].mStartOffset, 2048);
    EXPECT_EQ(d[2].mDataByteSize, (frames - 2048) * 2u);
    out.resize(frames);
    EXPECT_EQ(out, samples);  // FLAC is lossless
}

TEST(AudioFile, FailuresAnswerFileStatuses) {
    TempDir dir;
    std::unique_ptr<AudioFile> file;
    EXPECT_EQ(AudioFile::openForReading((dir / "missing.wav").string(), file),
              kAudioFileFileNotFoundError);
    EXPECT_EQ(AudioFile::openForReading("", file), kAudioFileFileNotFoundError);
    std::ofstream((dir / "text.wav").string()) << "not a sound at all";
    EXPECT_EQ(AudioFile::openForReading((dir / "text.wav").string(), file),
              kAudioFileUnsupportedFileTypeError);
    EXPECT_EQ(file, nullptr);

    SoundFileSpec spec;
    ASSERT_TRUE(writeSoundFile((dir / "ok.wav").string(), spec, ramp(10)));
    ASSERT_EQ(AudioFile::openForReading((dir / "ok.wav").string(), file), noErr);
    std::vector<uint8_t> cookie;
    EXPECT_EQ(file->magicCookie(cookie), kAudioFileUnsupportedPropertyError);
    EXPECT_EQ(file->close(), noErr);
    EXPECT_EQ(file->close(), kAudioFileNotOpenError);
    uint8_t b[4];
    uint32_t n = 4;
    EXPECT_EQ(file->readBytes(0, n, b), kAudioFileNotOpenError);
}
