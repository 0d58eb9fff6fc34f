#pragma once

// A sound file opened for reading through libsndfile, answering what the sound engine asks
// of an audio file: the stream format (rate, format id, linear-PCM flags with the file's own
// endianness, bytes and frames per packet, channels, bits), the audio data byte and packet
// counts, the packet size upper bound, and reads of raw bytes and of packets.
//
// Linear PCM files (WAV, AIFF, CAF, AU, ... with 8 to 64 bit samples) read back exactly the bytes
// stored in the file: one packet is one frame. Compressed files (FLAC, Ogg Vorbis, Opus, ADPCM,
// u-law, ...) cannot hand out their coded packets through libsndfile, so they report their own
// format id with no fixed packet size, and each of their packets is kDecodedFramesPerPacket
// frames decoded to interleaved 16-bit native-endian samples; byte counts and byte reads refer to
// that decoded stream. The audio queue knows this convention; OpenAL buffers do not, which keeps
// compressed effects failing as they always did.

#include "platform/audio/AudioFormat.h"

#include <memory>
#include <string>
#include <vector>

namespace platform::audio {

class AudioFile {
  public:
    static constexpr uint32_t kDecodedFramesPerPacket = 1024;

    // Opens the file at path for reading. Answers noErr and sets out, or a file status:
    // kAudioFileFileNotFoundError, kAudioFileUnsupportedFileTypeError, ...
    static OSStatus openForReading(const std::string& path, std::unique_ptr<AudioFile>& out);

    ~AudioFile();
    AudioFile(const AudioFile&) = delete;
    AudioFile& operator=(const AudioFile&) = delete;

    // Closing twice answers kAudioFileNotOpenError; every read after closing does too.
    OSStatus close();
    bool isOpen() const { return file_ != nullptr; }

    const std::string& path() const { return path_; }
    const AudioStreamBasicDescription& dataFormat() const { return format_; }
    uint64_t audioDataByteCount() const { return byteCount_; }
    uint64_t audioDataPacketCount() const { return packetCount_; }
    uint32_t packetSizeUpperBound() const { return packetUpperBound_; }
    bool isCompressed() const { return format_.mFormatID != kAudioFormatLinearPCM; }

    // Our files carry neither: both answer kAudioFileUnsupportedPropertyError, the status the sound
    // engine treats as "this file has none" and skips.
    OSStatus magicCookie(std::vector<uint8_t>& out) const;
    OSStatus channelLayout(std::vector<uint8_t>& out) const;

    // Reads up to ioNumBytes bytes from startingByte; ioNumBytes becomes the count read. Reading
    // at or past the end answers kAudioFileEndOfFileError with 0 bytes.
    OSStatus readBytes(int64_t startingByte, uint32_t& ioNumBytes, void* out);

    // Reads up to ioNumPackets packets from startingPacket into out (room for ioNumPackets x the
    // upper bound). ioNumPackets becomes the count read (0 at the end, with noErr), outNumBytes
    // the bytes written; descriptions, when given, receive one entry per packet.
    OSStatus readPackets(int64_t startingPacket, uint32_t& ioNumPackets, uint32_t& outNumBytes,
                         AudioStreamPacketDescription* descriptions, void* out);

  private:
    explicit AudioFile(std::string path);
    OSStatus readFrames(int64_t frame, int64_t frames, std::vector<uint8_t>& out);

    std::string path_;
    void* file_ = nullptr;  // SNDFILE*
    int64_t frames_ = 0;
    int channels_ = 0;
    uint32_t frameBytes_ = 0;  // of the stream that byte reads see
    AudioStreamBasicDescription format_;
    uint64_t byteCount_ = 0;
    uint64_t packetCount_ = 0;
    uint32_t packetUpperBound_ = 0;
};

}  // namespace platform::audio
