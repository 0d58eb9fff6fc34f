#pragma once

// The music half of the sound engine: a playlist of files streamed through one audio queue with
// three buffers of about half a second, or, for a short file, one buffer holding the whole file
// that loops in memory. When the next track's format does not fit the queue, the queue plays
// out, is rebuilt for the new format and starts again.

#include "platform/audio/AudioQueue.h"
#include "sound/BackgroundTrackInfo.h"

#include <cstdint>
#include <memory>
#include <vector>

namespace sound {

class BackgroundTrackPlayer {
  public:
    static constexpr int kNumberPlaybackBuffers = 3;
    static constexpr uint32_t kMaxBufferSize = 0x10000;  // 64 KiB
    static constexpr uint32_t kMinBufferSize = 0x4000;   // 16 KiB

    struct BufferPlan {
        uint32_t bufferByteSize = 0;
        uint32_t packetsPerBuffer = 0;
    };
    // Half a second of the format per buffer, within the bounds above, and never less than one
    // packet (a packet larger than the buffer would otherwise read nothing, forever).
    static BufferPlan PlanBuffers(const platform::audio::AudioStreamBasicDescription& format,
                                  uint32_t packetSizeUpperBound);
    // Whether a file is played from one buffer holding all of it.
    static bool PlaysWholeFile(uint64_t dataByteCount, uint32_t bufferByteSize, bool asked);

    BackgroundTrackPlayer() = default;
    ~BackgroundTrackPlayer();  // disposes of the queue and closes every file
    BackgroundTrackPlayer(const BackgroundTrackPlayer&) = delete;
    BackgroundTrackPlayer& operator=(const BackgroundTrackPlayer&) = delete;

    int32_t Load(const char* path, bool addToQueue, bool loadAtOnce);
    int32_t Start();
    int32_t SetVolume(float volume);

    // For tests and tools.
    const std::shared_ptr<platform::audio::AudioQueue>& Queue() const { return queue_; }
    size_t PlaylistSize() const { return playlist_.size(); }
    uint32_t CurrentTrack() const { return currentTrack_; }
    int64_t CurrentPacket() const { return currentPacket_; }
    uint32_t BufferByteSize() const { return bufferByteSize_; }
    uint32_t PacketsPerBuffer() const { return numPacketsToRead_; }
    int BufferCount() const { return bufferCount_; }
    bool IsRebuilding() const { return queueIsBeingRebuilt_; }
    int RebuildCount() const { return rebuilds_; }
    // Reads from files so far.
    int ReadCount() const { return reads_; }
    float Volume() const { return volume_; }

  private:
    int32_t SetUpQueue(BackgroundTrackInfo& track);
    int32_t SetUpQueueBuffers(BackgroundTrackInfo& track);
    void OnBuffer(platform::audio::AudioQueue& queue, platform::audio::AudioQueueBufferRef buffer);
    void OnIsRunningChanged(platform::audio::AudioQueue& queue);
    // Hands the file's cookie, when it has one, to the queue; a refusal is logged as `failure`.
    platform::audio::OSStatus CopyMagicCookie(BackgroundTrackInfo& track, const char* failure);
    // Drops the queue and every buffer; closes every file of the playlist.
    void DisposeQueue();
    void CloseFiles();

    std::shared_ptr<platform::audio::AudioQueue> queue_;
    platform::audio::AudioQueueBufferRef buffers_[kNumberPlaybackBuffers] = {};
    int bufferCount_ = 0;
    uint32_t bufferByteSize_ = 0;
    int64_t currentPacket_ = 0;
    uint32_t numPacketsToRead_ = 0;
    float volume_ = 1.0f;
    std::vector<platform::audio::AudioStreamPacketDescription> packetDescs_;
    std::vector<std::unique_ptr<BackgroundTrackInfo>> playlist_;
    uint32_t currentTrack_ = 0;
    bool queueIsBeingRebuilt_ = false;
    std::vector<platform::audio::AudioQueueBufferRef> buffersToFree_;
    int rebuilds_ = 0;
    int reads_ = 0;
};

}  // namespace sound
