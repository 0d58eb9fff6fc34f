// The music player: buffer sizing, whole-file mode, playlists through the audio queue on a
// loopback device, with the main loop driven by hand.

#include "platform/base/LogSink.h"
#include "platform/runtime/MainLoopTestScope.h"
#include "sound/BackgroundTrackPlayer.h"
#include "sound/SoundEngineState.h"
#include "sound/tests/SoundTestSupport.h"

#include <filesystem>

using namespace sound;

using namespace platform::audio;

namespace {

AudioStreamBasicDescription lpcm(double rate, uint32_t channels, uint32_t bits) {
    return linearPCMFormat(rate, channels, bits);
}

class MusicPlayer : public ::testing::Test {
  protected:
    void SetUp() override { ASSERT_EQ(SoundSystemInitialize(44100), 0); }

    BackgroundTrackPlayer& player() { return *SoundSystem::shared().music(); }

    // 10 ms of mixing and of main-loop time; answers the loudest sample heard.
    int step() {
        loopback.device().render(441);
        loop.advance(0.01);
        return loopback.device().lastPeak();
    }

    std::string track(const std::string& name, double seconds, int rate, int channels,
                      double hz = 440) {
        SoundFileSpec spec;
        spec.sampleRate = rate;
        spec.channels = channels;
        return makeTone(dir, name, static_cast<int>(seconds * rate), spec, hz);
    }

    CleanEngine clean;
    LoopbackDevices loopback;
    platform::MainLoopTestScope loop;
    TempDir dir;
};

}  // namespace

TEST(MusicBuffers, HalfASecondWithinBoundsAndAtLeastOnePacket) {
    struct Case {
        AudioStreamBasicDescription format;
        uint32_t upperBound, size, packets;
    };
    AudioStreamBasicDescription vbr;
    vbr.mSampleRate = 44100;
    vbr.mFormatID = kAudioFormatVorbis;
    AudioStreamBasicDescription decoded = vbr;
    decoded.mFramesPerPacket = 1024;
    const Case cases[] = {
        {lpcm(44100, 2, 16), 4, 65536, 16384},  // 88200 bytes capped at 64 KiB
        {lpcm(22050, 1, 16), 2, 22050, 11025},  // exactly half a second
        {lpcm(8000, 1, 8), 1, 16384, 16384},    // 4000 bytes raised to 16 KiB
        {vbr, 2048, 65536, 32},                 // no frames per packet: 64 KiB
        {vbr, 100000, 100000, 1},               // one huge packet stays whole
        {decoded, 4096, 65536, 16},             // 1024-frame packets
        {lpcm(0.1, 1, 16), 200000, 200000, 1},  // never zero packets per read
    };
    for (const Case& c : cases) {
        auto plan = BackgroundTrackPlayer::PlanBuffers(c.format, c.upperBound);
        EXPECT_EQ(plan.bufferByteSize, c.size) << c.upperBound;
        EXPECT_EQ(plan.packetsPerBuffer, c.packets) << c.upperBound;
    }
    EXPECT_TRUE(BackgroundTrackPlayer::PlaysWholeFile(66149, 22050, false));
    EXPECT_FALSE(BackgroundTrackPlayer::PlaysWholeFile(66150, 22050, false));
    EXPECT_TRUE(BackgroundTrackPlayer::PlaysWholeFile(1 << 30, 22050, true));
}

TEST_F(MusicPlayer, ShortFileLoopsFromOneBufferWithoutReadingAgain) {
    ASSERT_EQ(BackgroundTrackLoad(track("short.wav", 0.5, 22050, 1).c_str(), false, false), 0);
    EXPECT_EQ(player().BufferCount(), 1);
    EXPECT_EQ(player().BufferByteSize(), 22050u);
    EXPECT_EQ(player().PacketsPerBuffer(), 11025u);
    ASSERT_EQ(BackgroundTrackStart(), 0);
    int latePeak = 0;
    for (int i = 0; i < 200; ++i) {  // two seconds: four passes
        int peak = step();
        if (i > 150) latePeak = std::max(latePeak, peak);
    }
    EXPECT_EQ(player().ReadCount(), 1);
    EXPECT_TRUE(player().Queue()->isRunning());
    EXPECT_GT(latePeak, 5000);
}

TEST_F(MusicPlayer, PlaylistRebuildsForANewFormatAndWrapsToTheFirst) {
    ASSERT_EQ(BackgroundTrackLoad(track("a.wav", 2.0, 22050, 1).c_str(), false, false), 0);
    ASSERT_EQ(BackgroundTrackLoad(track("b.wav", 0.25, 44100, 2, 660).c_str(), true, false), 0);
    EXPECT_EQ(player().PlaylistSize(), 2u);
    EXPECT_EQ(player().BufferCount(), 3);  // a is streamed
    ASSERT_EQ(BackgroundTrackStart(), 0);

    std::vector<uint32_t> tracks{0};
    int silentSteps = 0;
    for (int i = 0; i < 400 && player().RebuildCount() < 2; ++i) {
        if (step() < 1000) ++silentSteps;
        if (player().CurrentTrack() != tracks.back()) {
            tracks.push_back(player().CurrentTrack());
            if (tracks.back() == 1) {
                EXPECT_EQ(player().RebuildCount(), 0);  // b waits until a has played out
            }
        }
        if (player().RebuildCount() == 1 && player().CurrentTrack() == 1) {
            EXPECT_EQ(player().BufferCount(), 1);  // b is short: one buffer holds it
        }
    }
    EXPECT_EQ(tracks, (std::vector<uint32_t>{0, 1, 0}));
    EXPECT_EQ(player().RebuildCount(), 2);
    EXPECT_EQ(player().BufferCount(), 3);
    EXPECT_TRUE(player().Queue()->isRunning());
    EXPECT_LT(silentSteps, 10);  // only the hand-overs between queues are quiet
}

TEST_F(MusicPlayer, APlaylistThatReadsNothingStopsInsteadOfSpinning) {
    std::string a = track("a.wav", 1.6, 22050, 1);
    std::string b = track("b.wav", 1.6, 22050, 1);
    ASSERT_EQ(BackgroundTrackLoad(a.c_str(), false, false), 0);
    ASSERT_EQ(BackgroundTrackLoad(b.c_str(), true, false), 0);
    ASSERT_EQ(player().BufferCount(), 3);
    // Both files are replaced by empty ones; the open one plays on from its old contents.
    SoundFileSpec spec;
    ASSERT_TRUE(writeSoundFile((dir / "empty.wav").string(), spec, {}));
    std::filesystem::copy_file((dir / "empty.wav").string(), (dir / "e2.wav").string());
    std::filesystem::rename((dir / "empty.wav").string(), a);
    std::filesystem::rename((dir / "e2.wav").string(), b);

    platform::LogSink::Capture log;
    ASSERT_EQ(BackgroundTrackStart(), 0);
    for (int i = 0; i < 300 && player().Queue()->isRunning(); ++i) step();
    EXPECT_FALSE(player().Queue()->isRunning());
    EXPECT_TRUE(log.contains("Error reading file data: -39"));
}

TEST_F(MusicPlayer, LoadingANewPlaylistDisposesTheOldQueueAndItsFiles) {
    ASSERT_EQ(BackgroundTrackLoad(track("a.wav", 2.0, 22050, 1).c_str(), false, false), 0);
    ASSERT_EQ(BackgroundTrackSetVolume(0.25f), 0);
    ASSERT_EQ(BackgroundTrackStart(), 0);
    for (int i = 0; i < 5; ++i) step();
    std::shared_ptr<AudioQueue> old = player().Queue();

    ASSERT_EQ(BackgroundTrackLoad(track("b.wav", 2.0, 44100, 2).c_str(), false, false), 0);
    EXPECT_TRUE(old->isDisposed());
    EXPECT_EQ(player().PlaylistSize(), 1u);
    EXPECT_EQ(player().CurrentPacket(), static_cast<int64_t>(3 * player().PacketsPerBuffer()));
    EXPECT_FLOAT_EQ(player().Queue()->volume(), 0.25f);  // the player's volume carries over
    ASSERT_EQ(BackgroundTrackStart(), 0);
    int peak = 0;
    for (int i = 0; i < 20; ++i) peak = std::max(peak, step());
    EXPECT_GT(peak, 1000);
    EXPECT_LT(peak, 16000 * 0.25 * 1.2);

    EXPECT_EQ(BackgroundTrackUnload(), 0);
    EXPECT_EQ(BackgroundTrackStart(), kSoundNoManager);
}

TEST_F(MusicPlayer, LoadFailuresAnswerTheirStatus) {
    platform::LogSink::Capture log;
    EXPECT_EQ(BackgroundTrackLoad((dir / "none.caf").string().c_str(), false, false),
              kAudioFileFileNotFoundError);
    EXPECT_TRUE(log.contains("Error getting file data info: -43"));
    EXPECT_EQ(BackgroundTrackLoad(nullptr, false, false), kSoundBadPath);
    EXPECT_EQ(BackgroundTrackStart(), kSoundNoManager);  // nothing to play

    // Without an output there is no queue to make.
    SoundSystemTeardown();
    EXPECT_EQ(BackgroundTrackLoad(track("a.wav", 0.1, 22050, 1).c_str(), false, false),
              kAudioQueueErr_InvalidDevice);
    EXPECT_TRUE(log.contains("Error creating queue"));
    EXPECT_EQ(BackgroundTrackStart(), kSoundNoManager);
}
