#include "sound/BackgroundTrackPlayer.h"

#include "sound/AudioFormatEquivalence.h"
#include "sound/SoundEngine.h"
#include "sound/SoundEngineLog.h"

#include <algorithm>

using namespace platform::audio;

namespace sound {

namespace {

constexpr double kBufferSeconds = 0.5;

bool IsVariableBitRate(const AudioStreamBasicDescription& f) {
    return f.mBytesPerPacket == 0 || f.mFramesPerPacket == 0;
}

// Opens the track's file and reads its format and size.
OSStatus OpenTrackFile(BackgroundTrackInfo& track) {
    if (track.file && track.file->isOpen()) return noErr;
    OSStatus status = AudioFile::openForReading(track.path, track.file);
    if (status != noErr) {
        SoundEngineLogStatus("Error opening file", status);
        return status;
    }
    track.format = track.file->dataFormat();
    track.dataByteCount = track.file->audioDataByteCount();
    return noErr;
}

}  // namespace

BackgroundTrackPlayer::BufferPlan BackgroundTrackPlayer::PlanBuffers(
    const AudioStreamBasicDescription& format, uint32_t upperBound) {
    BufferPlan plan;
    double size;
    if (format.mFramesPerPacket > 0)
        size = upperBound * (format.mSampleRate / format.mFramesPerPacket * kBufferSeconds);
    else
        size = std::max<double>(kMaxBufferSize, upperBound);
    if (size > kMaxBufferSize && size > upperBound) size = kMaxBufferSize;
    if (size < kMinBufferSize) size = kMinBufferSize;
    plan.bufferByteSize = static_cast<uint32_t>(std::min<double>(size, 0xffffffffu));
    plan.packetsPerBuffer = upperBound ? plan.bufferByteSize / upperBound : 0;
    if (plan.packetsPerBuffer == 0 && upperBound) {
        plan.packetsPerBuffer = 1;
        plan.bufferByteSize = upperBound;
    }
    return plan;
}

bool BackgroundTrackPlayer::PlaysWholeFile(uint64_t dataByteCount, uint32_t bufferByteSize,
                                           bool asked) {
    return asked || dataByteCount < 3ull * bufferByteSize;
}

BackgroundTrackPlayer::~BackgroundTrackPlayer() {
    DisposeQueue();
    CloseFiles();
}

void BackgroundTrackPlayer::DisposeQueue() {
    if (queue_) {
        if (OSStatus status = queue_->dispose(true))
            SoundEngineLogStatus("Error disposing queue", status);
    }
    queue_.reset();
    std::fill(std::begin(buffers_), std::end(buffers_), nullptr);
    bufferCount_ = 0;
    buffersToFree_.clear();
}

void BackgroundTrackPlayer::CloseFiles() {
    for (auto& track : playlist_)
        if (track->file) track->file.reset();
}

int32_t BackgroundTrackPlayer::Load(const char* path, bool addToQueue, bool loadAtOnce) {
    if (!path || !*path) return kSoundBadPath;
    auto track = std::make_unique<BackgroundTrackInfo>();
    track->path = path;
    if (OSStatus status = OpenTrackFile(*track)) {
        SoundEngineLogStatus("Error getting file data info", status);
        return status;
    }
    track->loadAtOnce = loadAtOnce;
    track->loadedAtOnce = false;

    if (!addToQueue) {
        // A new playlist: the old queue must not play on, nor call back into tracks that are
        // about to go.
        DisposeQueue();
        CloseFiles();
        playlist_.clear();
        packetDescs_.clear();
        currentTrack_ = 0;
        currentPacket_ = 0;
        queueIsBeingRebuilt_ = false;
    }
    playlist_.push_back(std::move(track));
    BackgroundTrackInfo& added = *playlist_.back();

    if (playlist_.size() == 1) {
        if (OSStatus status = SetUpQueue(added)) {
            SoundEngineLogStatus("Error setting up queue", status);
            return status;
        }
        if (OSStatus status = SetUpQueueBuffers(added)) {
            SoundEngineLogStatus("Error setting up queue buffers", status);
            return status;
        }
        return 0;
    }
    if (OSStatus status = added.file->close()) {
        SoundEngineLogStatus("Error closing file", status);
        return status;
    }
    added.file.reset();
    return 0;
}

int32_t BackgroundTrackPlayer::SetUpQueue(BackgroundTrackInfo& track) {
    queue_.reset();
    OSStatus status = AudioQueue::newOutput(
        track.format,
        [this](AudioQueue& queue, AudioQueueBufferRef buffer) { OnBuffer(queue, buffer); }, queue_);
    if (status != noErr) {
        SoundEngineLogStatus("Error creating queue", status);
        return status;
    }
    if (OSStatus status = CopyMagicCookie(track, "Error setting magic cookie")) return status;
    std::vector<uint8_t> layout;
    if (track.file->channelLayout(layout) == noErr && !layout.empty()) {
        if ((status = queue_->setChannelLayout(layout))) {
            SoundEngineLogStatus("Error setting channel layout on queue", status);
            return status;
        }
    }
    status = queue_->addIsRunningListener([this](AudioQueue& queue) { OnIsRunningChanged(queue); });
    if (status != noErr) {
        SoundEngineLogStatus("Error adding isRunning property listener to queue", status);
        return status;
    }
    queueIsBeingRebuilt_ = false;
    queue_->setVolume(volume_);
    return noErr;
}

OSStatus BackgroundTrackPlayer::CopyMagicCookie(BackgroundTrackInfo& track, const char* failure) {
    // Files without a cookie are the rule (all of ours); only a file that has one passes it on.
    std::vector<uint8_t> cookie;
    if (!track.file || track.file->magicCookie(cookie) != noErr || cookie.empty()) return noErr;
    OSStatus status = queue_->setMagicCookie(cookie);
    if (status) SoundEngineLogStatus(failure, status);
    return status;
}

int32_t BackgroundTrackPlayer::SetUpQueueBuffers(BackgroundTrackInfo& track) {
    const uint32_t upperBound = track.file->packetSizeUpperBound();
    if (upperBound == 0) {
        SoundEngineLogStatus("Error getting packet upper bound size", kAudioFileInvalidFileError);
        return kAudioFileInvalidFileError;
    }
    const bool isVBR = IsVariableBitRate(track.format);
    BufferPlan plan = PlanBuffers(track.format, upperBound);
    bufferByteSize_ = plan.bufferByteSize;
    numPacketsToRead_ = plan.packetsPerBuffer;

    if (PlaysWholeFile(track.dataByteCount, bufferByteSize_, track.loadAtOnce)) {
        track.loadAtOnce = true;
        const uint64_t packets = track.file->audioDataPacketCount();
        if (packets == 0 || track.dataByteCount == 0 || track.dataByteCount > 0x7fffffffu) {
            SoundEngineLogStatus("Error getting packet count for file", kAudioFileInvalidFileError);
            return kAudioFileInvalidFileError;
        }
        numPacketsToRead_ = static_cast<uint32_t>(packets);
        bufferByteSize_ = static_cast<uint32_t>(track.dataByteCount);
        bufferCount_ = 1;
    } else {
        bufferCount_ = kNumberPlaybackBuffers;
    }

    packetDescs_.assign(isVBR ? numPacketsToRead_ : 0, AudioStreamPacketDescription{});

    for (int i = 0; i < bufferCount_; ++i) {
        if (OSStatus status = queue_->allocateBuffer(bufferByteSize_, buffers_[i])) {
            SoundEngineLogStatus("Error allocating buffer for queue", status);
            return status;
        }
        // Filled and enqueued at once, so the queue starts with all of them.
        OnBuffer(*queue_, buffers_[i]);
    }
    if (track.loadAtOnce) track.loadedAtOnce = true;
    return noErr;
}

void BackgroundTrackPlayer::OnBuffer(AudioQueue& queue, AudioQueueBufferRef buffer) {
    if (&queue != queue_.get() || playlist_.empty()) return;

    auto pending = std::find(buffersToFree_.begin(), buffersToFree_.end(), buffer);
    if (pending != buffersToFree_.end()) {
        buffersToFree_.erase(pending);
        queue.freeBuffer(buffer);
        return;
    }
    if (queueIsBeingRebuilt_) return;  // the old format's queue only plays out

    const AudioStreamPacketDescription* descs =
        packetDescs_.empty() ? nullptr : packetDescs_.data();
    BackgroundTrackInfo* track = playlist_[currentTrack_].get();
    if (track->loadAtOnce && track->loadedAtOnce && playlist_.size() == 1) {
        // The whole file is in this buffer: play it again as it is.
        if (OSStatus status = queue.enqueueBuffer(buffer, descs ? numPacketsToRead_ : 0, descs))
            SoundEngineLogStatus("Error enqueuing new buffer", status);
        return;
    }

    // A playlist whose every file reads empty would otherwise wrap around it forever.
    size_t emptyReads = 0;
    for (;;) {
        uint32_t packets = numPacketsToRead_;
        uint32_t bytes = 0;
        ++reads_;
        OSStatus status = track->file
                              ? track->file->readPackets(currentPacket_, packets, bytes,
                                                         descs ? packetDescs_.data() : nullptr,
                                                         buffer->mAudioData)
                              : kAudioFileNotOpenError;
        if (status != noErr) {
            SoundEngineLogStatus("Error reading file data", status);
            return;
        }
        buffer->mAudioDataByteSize = bytes;
        if (packets > 0) {
            if ((status = queue.enqueueBuffer(buffer, descs ? packets : 0, descs))) {
                SoundEngineLogStatus("Error enqueuing new buffer", status);
                return;
            }
            if (track->loadAtOnce) track->loadedAtOnce = true;
            currentPacket_ += packets;
            return;
        }

        // End of the file: on to the next track, after the last the first.
        if (++emptyReads > playlist_.size()) {
            SoundEngineLogStatus("Error reading file data", kAudioFileEndOfFileError);
            queue.stop(true);
            return;
        }
        if (track->loadAtOnce) track->loadedAtOnce = true;
        currentPacket_ = 0;
        const uint32_t nextIndex = (currentTrack_ + 1) % static_cast<uint32_t>(playlist_.size());
        BackgroundTrackInfo* next = playlist_[nextIndex].get();
        if (next != track) {
            if (track->file) {
                if ((status = track->file->close())) {
                    SoundEngineLogStatus("Error closing file", status);
                    return;
                }
                track->file.reset();
            }
            currentTrack_ = nextIndex;
            if ((status = OpenTrackFile(*next))) return;
        }
        BackgroundTrackInfo* old = track;
        track = next;

        if (!AudioFormatsAreEquivalent(old->format, next->format)) {
            queueIsBeingRebuilt_ = true;
            if ((status = queue.stop(false))) SoundEngineLogStatus("Error stopping queue", status);
            return;
        }
        if (!old->loadAtOnce && !next->loadAtOnce) {
            CopyMagicCookie(*next, "Error setting cookie data for queue");
            continue;
        }
        if (old->loadAtOnce && next->loadAtOnce && old->dataByteCount >= next->dataByteCount) {
            CopyMagicCookie(*next, "Error setting cookie data for queue");
            continue;
        }
        // The buffers no longer fit the track: the ones still playing are freed as they come
        // back, this one at once, and new ones take over.
        for (int i = 0; i < bufferCount_; ++i)
            if (buffers_[i] && buffers_[i] != buffer) buffersToFree_.push_back(buffers_[i]);
        std::fill(std::begin(buffers_), std::end(buffers_), nullptr);
        queue.freeBuffer(buffer);
        if ((status = SetUpQueueBuffers(*next)))
            SoundEngineLogStatus("Error setting up queue buffers", status);
        return;
    }
}

void BackgroundTrackPlayer::OnIsRunningChanged(AudioQueue& queue) {
    if (&queue != queue_.get() || queue.isRunning() || !queueIsBeingRebuilt_) return;
    BackgroundTrackInfo& track = *playlist_[currentTrack_];
    // Dispose of the old queue's buffers with it; the current file stays open.
    std::shared_ptr<AudioQueue> old = std::move(queue_);
    if (OSStatus status = old->dispose(true)) SoundEngineLogStatus("Error disposing queue", status);
    std::fill(std::begin(buffers_), std::end(buffers_), nullptr);
    bufferCount_ = 0;
    buffersToFree_.clear();
    ++rebuilds_;
    if (OSStatus status = SetUpQueue(track)) {
        SoundEngineLogStatus("Error setting up new queue", status);
        return;
    }
    if (OSStatus status = SetUpQueueBuffers(track)) {
        SoundEngineLogStatus("Error setting up new queue buffers", status);
        return;
    }
    OSStatus status = queue_->prime();
    if (!status) status = queue_->start();
    if (status) SoundEngineLogStatus("Error starting queue", status);
}

int32_t BackgroundTrackPlayer::Start() {
    if (!queue_) return kSoundNoManager;
    if (OSStatus status = queue_->prime()) {
        SoundEngineLogStatus("Error priming queue", status);
        return status;
    }
    if (OSStatus status = queue_->start()) {
        SoundEngineLogStatus("Error starting queue", status);
        return status;
    }
    return 0;
}

int32_t BackgroundTrackPlayer::SetVolume(float volume) {
    volume_ = volume;
    if (!queue_) return 0;
    if (OSStatus status = queue_->setVolume(volume)) {
        SoundEngineLogStatus("Error setting queue volume", status);
        return status;
    }
    return 0;
}

}  // namespace sound
