#include "platform/audio/AudioFile.h"

#include <sndfile.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

namespace platform::audio {
namespace {

SNDFILE* sf(void* file) {
    return static_cast<SNDFILE*>(file);
}

// Bits per sample of the linear PCM sub-formats; 0 for everything libsndfile has to decode.
uint32_t linearBits(int subtype) {
    switch (subtype) {
        case SF_FORMAT_PCM_S8:
        case SF_FORMAT_PCM_U8:
            return 8;
        case SF_FORMAT_PCM_16:
            return 16;
        case SF_FORMAT_PCM_24:
            return 24;
        case SF_FORMAT_PCM_32:
        case SF_FORMAT_FLOAT:
            return 32;
        case SF_FORMAT_DOUBLE:
            return 64;
        default:
            return 0;
    }
}

// Containers that always hold coded data, whatever sample depth they announce.
bool codedContainer(int major) {
    return major == SF_FORMAT_FLAC || major == SF_FORMAT_OGG || major == SF_FORMAT_MPEG;
}

AudioFormatID compressedId(int major, int subtype) {
    if (major == SF_FORMAT_FLAC) return kAudioFormatFLAC;
    switch (subtype) {
        case SF_FORMAT_FLAC:
            return kAudioFormatFLAC;
        case SF_FORMAT_VORBIS:
            return kAudioFormatVorbis;
        case SF_FORMAT_OPUS:
            return kAudioFormatOpus;
        case SF_FORMAT_IMA_ADPCM:
            return kAudioFormatAppleIMA4;
        case SF_FORMAT_MS_ADPCM:
            return kAudioFormatMicrosoftADPCM;
        case SF_FORMAT_GSM610:
            return kAudioFormatMicrosoftGSM;
        case SF_FORMAT_ULAW:
            return kAudioFormatULaw;
        case SF_FORMAT_ALAW:
            return kAudioFormatALaw;
        default:
            return kAudioFormatOtherCompressed;
    }
}

// Containers whose 8-bit samples are signed and whose header says big-endian by default.
bool bigEndianContainer(int major) {
    return major == SF_FORMAT_AIFF || major == SF_FORMAT_AU || major == SF_FORMAT_CAF;
}

}  // namespace

AudioFile::AudioFile(std::string path) : path_(std::move(path)) {}

AudioFile::~AudioFile() {
    close();
}

OSStatus AudioFile::openForReading(const std::string& path, std::unique_ptr<AudioFile>& out) {
    out.reset();
    if (path.empty()) return kAudioFileFileNotFoundError;
    if (::access(path.c_str(), R_OK) != 0)
        return errno == ENOENT ? kAudioFileFileNotFoundError : kAudioFileUnspecifiedError;

    SF_INFO info{};
    SNDFILE* file = sf_open(path.c_str(), SFM_READ, &info);
    if (!file) return kAudioFileUnsupportedFileTypeError;
    if (info.channels < 1 || info.samplerate < 1 || info.frames < 0) {
        sf_close(file);
        return kAudioFileInvalidFileError;
    }

    std::unique_ptr<AudioFile> audio(new AudioFile(path));
    audio->file_ = file;
    audio->frames_ = info.frames;
    audio->channels_ = info.channels;

    const int major = info.format & SF_FORMAT_TYPEMASK;
    const int subtype = info.format & SF_FORMAT_SUBMASK;
    const int endian = info.format & SF_FORMAT_ENDMASK;
    AudioStreamBasicDescription& f = audio->format_;
    f.mSampleRate = info.samplerate;
    f.mChannelsPerFrame = static_cast<uint32_t>(info.channels);

    if (uint32_t bits = codedContainer(major) ? 0 : linearBits(subtype)) {
        f = linearPCMFormat(f.mSampleRate, f.mChannelsPerFrame, bits, kAudioFormatFlagIsPacked);
        if (subtype == SF_FORMAT_FLOAT || subtype == SF_FORMAT_DOUBLE)
            f.mFormatFlags |= kAudioFormatFlagIsFloat;
        else if (subtype != SF_FORMAT_PCM_U8)
            f.mFormatFlags |= kAudioFormatFlagIsSignedInteger;
        bool bigEndian;
        if (bits > 8)
            bigEndian = sf_command(file, SFC_RAW_DATA_NEEDS_ENDSWAP, nullptr, 0) == SF_TRUE;
        else
            bigEndian = endian == SF_ENDIAN_BIG || (endian == 0 && bigEndianContainer(major));
        if (bigEndian) f.mFormatFlags |= kAudioFormatFlagIsBigEndian;
        audio->frameBytes_ = f.mBytesPerFrame;
        audio->packetCount_ = static_cast<uint64_t>(info.frames);
        audio->packetUpperBound_ = f.mBytesPerPacket;
    } else {
        f.mFormatID = compressedId(major, subtype);
        f.mFramesPerPacket = kDecodedFramesPerPacket;
        audio->frameBytes_ = 2 * f.mChannelsPerFrame;
        audio->packetCount_ = (static_cast<uint64_t>(info.frames) + kDecodedFramesPerPacket - 1) /
                              kDecodedFramesPerPacket;
        audio->packetUpperBound_ = kDecodedFramesPerPacket * audio->frameBytes_;
    }
    audio->byteCount_ = static_cast<uint64_t>(info.frames) * audio->frameBytes_;
    out = std::move(audio);
    return noErr;
}

OSStatus AudioFile::close() {
    if (!file_) return kAudioFileNotOpenError;
    sf_close(sf(file_));
    file_ = nullptr;
    return noErr;
}

OSStatus AudioFile::magicCookie(std::vector<uint8_t>& out) const {
    out.clear();
    return file_ ? kAudioFileUnsupportedPropertyError : kAudioFileNotOpenError;
}

OSStatus AudioFile::channelLayout(std::vector<uint8_t>& out) const {
    out.clear();
    return file_ ? kAudioFileUnsupportedPropertyError : kAudioFileNotOpenError;
}

OSStatus AudioFile::readFrames(int64_t frame, int64_t frames, std::vector<uint8_t>& out) {
    out.clear();
    frames = std::min(frames, frames_ - frame);
    if (frames <= 0) return noErr;
    if (sf_seek(sf(file_), frame, SEEK_SET) < 0) return kAudioFileInvalidPacketOffsetError;
    out.resize(static_cast<size_t>(frames) * frameBytes_);
    sf_count_t got;
    if (isCompressed()) {
        got = sf_readf_short(sf(file_), reinterpret_cast<short*>(out.data()), frames);
    } else {
        sf_count_t bytes = sf_read_raw(sf(file_), out.data(), static_cast<sf_count_t>(out.size()));
        got = bytes < 0 ? -1 : bytes / frameBytes_;
    }
    if (got < 0) {
        out.clear();
        return kAudioFileUnspecifiedError;
    }
    out.resize(static_cast<size_t>(got) * frameBytes_);
    return noErr;
}

OSStatus AudioFile::readBytes(int64_t startingByte, uint32_t& ioNumBytes, void* out) {
    uint32_t wanted = ioNumBytes;
    ioNumBytes = 0;
    if (!file_) return kAudioFileNotOpenError;
    if (startingByte < 0) return kAudioFileInvalidPacketOffsetError;
    if (static_cast<uint64_t>(startingByte) >= byteCount_) return kAudioFileEndOfFileError;
    wanted = static_cast<uint32_t>(
        std::min<uint64_t>(wanted, byteCount_ - static_cast<uint64_t>(startingByte)));
    if (wanted == 0) return noErr;
    // Reads go by whole frames; the slice asked for is cut out of them.
    int64_t first = startingByte / frameBytes_;
    int64_t last = (startingByte + wanted + frameBytes_ - 1) / frameBytes_;
    std::vector<uint8_t> block;
    if (OSStatus status = readFrames(first, last - first, block)) return status;
    size_t skip = static_cast<size_t>(startingByte - first * frameBytes_);
    size_t n = block.size() > skip ? std::min<size_t>(wanted, block.size() - skip) : 0;
    if (n) std::memcpy(out, block.data() + skip, n);
    ioNumBytes = static_cast<uint32_t>(n);
    return noErr;
}

OSStatus AudioFile::readPackets(int64_t startingPacket, uint32_t& ioNumPackets,
                                uint32_t& outNumBytes, AudioStreamPacketDescription* descriptions,
                                void* out) {
    uint32_t wanted = ioNumPackets;
    ioNumPackets = 0;
    outNumBytes = 0;
    if (!file_) return kAudioFileNotOpenError;
    if (startingPacket < 0) return kAudioFileInvalidPacketOffsetError;
    if (static_cast<uint64_t>(startingPacket) >= packetCount_ || wanted == 0) return noErr;
    const int64_t framesPerPacket = format_.mFramesPerPacket;
    std::vector<uint8_t> block;
    if (OSStatus status = readFrames(startingPacket * framesPerPacket,
                                     static_cast<int64_t>(wanted) * framesPerPacket, block))
        return status;
    if (block.empty()) return noErr;
    const uint32_t fullPacket = static_cast<uint32_t>(framesPerPacket) * frameBytes_;
    const uint32_t packets = static_cast<uint32_t>((block.size() + fullPacket - 1) / fullPacket);
    std::memcpy(out, block.data(), block.size());
    if (descriptions) {
        for (uint32_t i = 0; i < packets; ++i) {
            uint32_t start = i * fullPacket;
            uint32_t size =
                std::min<uint32_t>(fullPacket, static_cast<uint32_t>(block.size()) - start);
            descriptions[i].mStartOffset = start;
            descriptions[i].mDataByteSize = size;
            descriptions[i].mVariableFramesInPacket = 0;
        }
    }
    ioNumPackets = packets;
    outNumBytes = static_cast<uint32_t>(block.size());
    return noErr;
}

}  // namespace platform::audio
