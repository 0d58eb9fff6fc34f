#pragma once

// The stream format record and status codes of audio files and queues, with the names and values
// the sound engine compares against, so its format rules (endianness, packing, flags) keep their
// meaning.

#include <cstdint>

namespace platform::audio {

using OSStatus = int32_t;
using AudioFormatID = uint32_t;
using AudioFormatFlags = uint32_t;

constexpr uint32_t fourCC(const char (&s)[5]) {
    return (uint32_t(uint8_t(s[0])) << 24) | (uint32_t(uint8_t(s[1])) << 16) |
           (uint32_t(uint8_t(s[2])) << 8) | uint32_t(uint8_t(s[3]));
}

constexpr OSStatus noErr = 0;

// Format ids. Compressed files are decoded by libsndfile; see AudioFile for how their packets
// look.
constexpr AudioFormatID kAudioFormatLinearPCM = fourCC("lpcm");
constexpr AudioFormatID kAudioFormatFLAC = fourCC("flac");
constexpr AudioFormatID kAudioFormatVorbis = fourCC("vorb");
constexpr AudioFormatID kAudioFormatOpus = fourCC("opus");
constexpr AudioFormatID kAudioFormatAppleIMA4 = fourCC("ima4");
constexpr AudioFormatID kAudioFormatULaw = fourCC("ulaw");
constexpr AudioFormatID kAudioFormatALaw = fourCC("alaw");
constexpr AudioFormatID kAudioFormatMicrosoftGSM = 0x6D730031;    // 'ms\0\1'
constexpr AudioFormatID kAudioFormatMicrosoftADPCM = 0x6D730002;  // 'ms\0\2'
constexpr AudioFormatID kAudioFormatOtherCompressed = fourCC("sndf");

constexpr AudioFormatFlags kAudioFormatFlagIsFloat = 1u << 0;
constexpr AudioFormatFlags kAudioFormatFlagIsBigEndian = 1u << 1;
constexpr AudioFormatFlags kAudioFormatFlagIsSignedInteger = 1u << 2;
constexpr AudioFormatFlags kAudioFormatFlagIsPacked = 1u << 3;
constexpr AudioFormatFlags kAudioFormatFlagIsAlignedHigh = 1u << 4;
constexpr AudioFormatFlags kAudioFormatFlagIsNonInterleaved = 1u << 5;
constexpr AudioFormatFlags kAudioFormatFlagIsNonMixable = 1u << 6;
constexpr AudioFormatFlags kAudioFormatFlagsAreAllClear = 1u << 31;

constexpr AudioFormatFlags kLinearPCMFormatFlagIsFloat = kAudioFormatFlagIsFloat;
constexpr AudioFormatFlags kLinearPCMFormatFlagIsBigEndian = kAudioFormatFlagIsBigEndian;
constexpr AudioFormatFlags kLinearPCMFormatFlagIsSignedInteger = kAudioFormatFlagIsSignedInteger;
constexpr AudioFormatFlags kLinearPCMFormatFlagIsPacked = kAudioFormatFlagIsPacked;
constexpr AudioFormatFlags kLinearPCMFormatFlagIsAlignedHigh = kAudioFormatFlagIsAlignedHigh;
constexpr AudioFormatFlags kLinearPCMFormatFlagIsNonInterleaved = kAudioFormatFlagIsNonInterleaved;
constexpr AudioFormatFlags kLinearPCMFormatFlagsAreAllClear = kAudioFormatFlagsAreAllClear;

struct AudioStreamBasicDescription {
    double mSampleRate = 0;
    AudioFormatID mFormatID = 0;
    AudioFormatFlags mFormatFlags = 0;
    uint32_t mBytesPerPacket = 0;
    uint32_t mFramesPerPacket = 0;
    uint32_t mBytesPerFrame = 0;
    uint32_t mChannelsPerFrame = 0;
    uint32_t mBitsPerChannel = 0;
    uint32_t mReserved = 0;
};

// Interleaved, packed linear PCM, one frame per packet: what sound files decode to and what
// queues and sources are fed.
inline AudioStreamBasicDescription linearPCMFormat(
    double sampleRate, uint32_t channels, uint32_t bitsPerChannel,
    AudioFormatFlags flags = kAudioFormatFlagIsSignedInteger | kAudioFormatFlagIsPacked) {
    AudioStreamBasicDescription f;
    f.mSampleRate = sampleRate;
    f.mFormatID = kAudioFormatLinearPCM;
    f.mFormatFlags = flags;
    f.mChannelsPerFrame = channels;
    f.mBitsPerChannel = bitsPerChannel;
    f.mBytesPerFrame = f.mBytesPerPacket = bitsPerChannel / 8 * channels;
    f.mFramesPerPacket = 1;
    return f;
}

struct AudioStreamPacketDescription {
    int64_t mStartOffset = 0;
    uint32_t mVariableFramesInPacket = 0;
    uint32_t mDataByteSize = 0;
};

// Status codes of audio files and queues.
constexpr OSStatus kAudioFileUnspecifiedError = static_cast<OSStatus>(fourCC("wht?"));
constexpr OSStatus kAudioFileUnsupportedFileTypeError = static_cast<OSStatus>(fourCC("typ?"));
constexpr OSStatus kAudioFileUnsupportedDataFormatError = static_cast<OSStatus>(fourCC("fmt?"));
constexpr OSStatus kAudioFileUnsupportedPropertyError = static_cast<OSStatus>(fourCC("pty?"));
constexpr OSStatus kAudioFileInvalidFileError = static_cast<OSStatus>(fourCC("dta?"));
constexpr OSStatus kAudioFileInvalidPacketOffsetError = static_cast<OSStatus>(fourCC("pck?"));
constexpr OSStatus kAudioFileNotOpenError = -38;
constexpr OSStatus kAudioFileEndOfFileError = -39;
constexpr OSStatus kAudioFileFileNotFoundError = -43;
constexpr OSStatus kAudioQueueErr_InvalidBuffer = -66687;
constexpr OSStatus kAudioQueueErr_BufferEmpty = -66686;
constexpr OSStatus kAudioQueueErr_DisposalPending = -66685;
constexpr OSStatus kAudioQueueErr_InvalidParameter = -66684;
constexpr OSStatus kAudioQueueErr_InvalidDevice = -66680;
constexpr OSStatus kAudioQueueErr_InvalidQueueType = -66679;
constexpr OSStatus kAudioQueueErr_BufferInQueue = -66676;
constexpr OSStatus kAudioFormatUnsupportedDataFormatError = static_cast<OSStatus>(fourCC("fmt?"));

}  // namespace platform::audio
