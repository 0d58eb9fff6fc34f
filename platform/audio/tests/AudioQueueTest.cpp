// The audio queue stand-in over the recorded OpenAL layer: buffers come back through the
// callback on the main loop once the source has played them; stops and disposal.

#include "platform/audio/AudioQueue.h"
#include "platform/audio/RecordingOpenAL.h"
#include "platform/runtime/MainLoopTestScope.h"

#include <gtest/gtest.h>

#include <cstring>

using namespace platform::audio;

namespace {

AudioStreamBasicDescription mono16() {
    return linearPCMFormat(22050, 1, 16);
}

class Queue : public ::testing::Test {
  protected:
    void SetUp() override {
        ALCdevice* device = recorder.alcOpenDevice(nullptr);
        recorder.alcMakeContextCurrent(recorder.alcCreateContext(device, nullptr));
    }

    std::shared_ptr<AudioQueue> make() {
        std::shared_ptr<AudioQueue> queue;
        EXPECT_EQ(AudioQueue::newOutput(
                      mono16(),
                      [this](AudioQueue&, AudioQueueBufferRef b) { returned.push_back(b); }, queue),
                  noErr);
        queue->addIsRunningListener(
            [this](AudioQueue& q) { runningSeen.push_back(q.isRunning()); });
        return queue;
    }

    AudioQueueBufferRef filled(AudioQueue& queue, int16_t value) {
        AudioQueueBufferRef b = nullptr;
        EXPECT_EQ(queue.allocateBuffer(64, b), noErr);
        auto* samples = static_cast<int16_t*>(b->mAudioData);
        for (int i = 0; i < 32; ++i) samples[i] = value;
        b->mAudioDataByteSize = 64;
        return b;
    }

    RecordingOpenAL recorder;
    ScopedOpenAL scoped{recorder};
    platform::MainLoopTestScope loop;
    std::vector<AudioQueueBufferRef> returned;
    std::vector<bool> runningSeen;
};

}  // namespace

TEST_F(Queue, BuffersComeBackOnTheMainLoopInOrderOncePlayed) {
    auto queue = make();
    AudioQueueBufferRef a = filled(*queue, 100), b = filled(*queue, 200);
    ASSERT_EQ(queue->enqueueBuffer(a, 0, nullptr), noErr);
    ASSERT_EQ(queue->enqueueBuffer(b, 0, nullptr), noErr);
    EXPECT_EQ(queue->enqueueBuffer(a, 0, nullptr), kAudioQueueErr_BufferInQueue);
    EXPECT_EQ(queue->freeBuffer(a), kAudioQueueErr_BufferInQueue);
    ASSERT_EQ(queue->prime(), noErr);
    ASSERT_EQ(queue->start(), noErr);
    EXPECT_TRUE(runningSeen.empty());  // told on a later turn of the loop
    loop.runUntilIdle();
    EXPECT_EQ(runningSeen, std::vector<bool>{true});
    EXPECT_EQ(recorder.source(queue->source()).state, AL_PLAYING);

    loop.advance(AudioQueue::kPollInterval);
    EXPECT_TRUE(returned.empty());  // nothing played yet
    recorder.finishBuffers(queue->source(), 1);
    loop.advance(AudioQueue::kPollInterval);
    EXPECT_EQ(returned, std::vector<AudioQueueBufferRef>{a});
    recorder.finishBuffers(queue->source(), 1);
    loop.advance(AudioQueue::kPollInterval);
    EXPECT_EQ(returned, (std::vector<AudioQueueBufferRef>{a, b}));
    EXPECT_TRUE(queue->isRunning());  // ran dry, but still running

    // A buffer enqueued into a dry queue starts the source again.
    ASSERT_EQ(queue->enqueueBuffer(a, 0, nullptr), noErr);
    EXPECT_EQ(recorder.source(queue->source()).state, AL_PLAYING);
}

TEST_F(Queue, DrainingStopPlaysOutWithoutCallbacksImmediateStopDropsAll) {
    auto queue = make();
    AudioQueueBufferRef a = filled(*queue, 1), b = filled(*queue, 2);
    queue->enqueueBuffer(a, 0, nullptr);
    queue->enqueueBuffer(b, 0, nullptr);
    queue->start();
    loop.runUntilIdle();
    ASSERT_EQ(queue->stop(false), noErr);
    EXPECT_TRUE(queue->isRunning());
    recorder.finishBuffers(queue->source(), 1);
    loop.advance(AudioQueue::kPollInterval);
    EXPECT_TRUE(queue->isRunning());
    recorder.finishBuffers(queue->source(), 1);
    loop.advance(AudioQueue::kPollInterval);
    EXPECT_FALSE(queue->isRunning());
    loop.runUntilIdle();
    EXPECT_EQ(runningSeen, (std::vector<bool>{true, false}));
    EXPECT_TRUE(returned.empty());

    queue->enqueueBuffer(a, 0, nullptr);
    queue->start();
    ASSERT_EQ(queue->stop(true), noErr);
    EXPECT_FALSE(queue->isRunning());
    EXPECT_EQ(queue->enqueuedCount(), 0u);
    EXPECT_TRUE(recorder.source(queue->source()).queue.empty());
    loop.advance(1);
    EXPECT_TRUE(returned.empty());
}

TEST_F(Queue, DisposeReleasesEverythingAndSilencesTheListener) {
    auto queue = make();
    queue->enqueueBuffer(filled(*queue, 1), 0, nullptr);
    queue->start();
    ALuint source = queue->source();
    ASSERT_EQ(queue->dispose(true), noErr);
    EXPECT_FALSE(recorder.hasSource(source));
    EXPECT_EQ(recorder.liveBuffers(), 0u);
    loop.advance(1);
    EXPECT_TRUE(runningSeen.empty());
    AudioQueueBufferRef b = nullptr;
    EXPECT_EQ(queue->allocateBuffer(16, b), kAudioQueueErr_DisposalPending);
}

TEST_F(Queue, RefusesWhatItCannotPlay) {
    std::shared_ptr<AudioQueue> queue;
    auto cb = [](AudioQueue&, AudioQueueBufferRef) {};
    AudioStreamBasicDescription six = mono16();
    six.mChannelsPerFrame = 6;
    EXPECT_EQ(AudioQueue::newOutput(six, cb, queue), kAudioFormatUnsupportedDataFormatError);
    recorder.alcMakeContextCurrent(nullptr);
    EXPECT_EQ(AudioQueue::newOutput(mono16(), cb, queue), kAudioQueueErr_InvalidDevice);
    EXPECT_EQ(queue, nullptr);
}

TEST(QueueSamples, EveryLinearLayoutBecomesWhatOpenALTakes) {
    std::vector<uint8_t> out;
    AudioStreamBasicDescription f = mono16();

    f.mFormatFlags |= kAudioFormatFlagIsBigEndian;
    const uint8_t be16[] = {0x12, 0x34, 0xFF, 0xFE};
    EXPECT_EQ(convertForOpenAL(f, be16, 4, out), AL_FORMAT_MONO16);
    EXPECT_EQ(out, (std::vector<uint8_t>{0x34, 0x12, 0xFE, 0xFF}));

    f.mBitsPerChannel = 24;
    f.mFormatFlags &= ~kAudioFormatFlagIsBigEndian;
    const uint8_t le24[] = {0xAA, 0x34, 0x12};
    EXPECT_EQ(convertForOpenAL(f, le24, 3, out), AL_FORMAT_MONO16);
    EXPECT_EQ(out, (std::vector<uint8_t>{0x34, 0x12}));

    f.mBitsPerChannel = 32;
    f.mFormatFlags = kAudioFormatFlagIsFloat | kAudioFormatFlagIsPacked;
    float half = -0.5f;
    uint8_t le32[4];
    std::memcpy(le32, &half, 4);
    EXPECT_EQ(convertForOpenAL(f, le32, 4, out), AL_FORMAT_MONO16);
    EXPECT_EQ(static_cast<int16_t>(out[0] | out[1] << 8), -16384);

    f.mBitsPerChannel = 8;
    f.mChannelsPerFrame = 2;
    f.mFormatFlags = kAudioFormatFlagIsSignedInteger | kAudioFormatFlagIsPacked;
    const uint8_t s8[] = {0x00, 0x7F};
    EXPECT_EQ(convertForOpenAL(f, s8, 2, out), AL_FORMAT_STEREO8);
    EXPECT_EQ(out, (std::vector<uint8_t>{0x80, 0xFF}));
}
