#include "sound/AudioFormatEquivalence.h"

using namespace platform::audio;

namespace sound {

namespace {

template <typename T>
bool fieldMatches(T a, T b) {
    return a == 0 || b == 0 || a == b;
}

}  // namespace

bool AudioFormatsAreEquivalent(const AudioStreamBasicDescription& a,
                               const AudioStreamBasicDescription& b) {
    if (!fieldMatches(a.mSampleRate, b.mSampleRate)) return false;
    if (!fieldMatches(a.mFormatID, b.mFormatID)) return false;

    AudioFormatFlags fa = a.mFormatFlags;
    AudioFormatFlags fb = b.mFormatFlags;
    if (a.mFormatID == kAudioFormatLinearPCM || b.mFormatID == kAudioFormatLinearPCM) {
        fa &= ~kLinearPCMFormatFlagsAreAllClear;
        fb &= ~kLinearPCMFormatFlagsAreAllClear;
        const bool aPacked = fa & kLinearPCMFormatFlagIsPacked;
        const bool bPacked = fb & kLinearPCMFormatFlagIsPacked;
        if (aPacked && bPacked) {
            fa &= ~kLinearPCMFormatFlagIsAlignedHigh;
            fb &= ~kLinearPCMFormatFlagIsAlignedHigh;
        }
        if ((fa & kLinearPCMFormatFlagIsFloat) && (fb & kLinearPCMFormatFlagIsFloat)) {
            fa &= ~kLinearPCMFormatFlagIsSignedInteger;
            fb &= ~kLinearPCMFormatFlagIsSignedInteger;
        }
        if (aPacked && a.mBitsPerChannel <= 8) fa &= ~kLinearPCMFormatFlagIsBigEndian;
        if (bPacked && b.mBitsPerChannel <= 8) fb &= ~kLinearPCMFormatFlagIsBigEndian;
        if (a.mChannelsPerFrame == 1 && b.mChannelsPerFrame == 1) {
            fa &= ~kLinearPCMFormatFlagIsNonInterleaved;
            fb &= ~kLinearPCMFormatFlagIsNonInterleaved;
        }
    }
    if (!fieldMatches(fa, fb)) return false;
    return fieldMatches(a.mBytesPerPacket, b.mBytesPerPacket) &&
           fieldMatches(a.mFramesPerPacket, b.mFramesPerPacket) &&
           fieldMatches(a.mBytesPerFrame, b.mBytesPerFrame) &&
           fieldMatches(a.mChannelsPerFrame, b.mChannelsPerFrame) &&
           fieldMatches(a.mBitsPerChannel, b.mBitsPerChannel);
}

}  // namespace sound
