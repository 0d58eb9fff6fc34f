#include "sound/OpenALBufferLoader.h"

#include "platform/audio/AudioFile.h"
#include "platform/audio/OpenAL.h"
#include "sound/SoundEngine.h"
#include "sound/SoundEngineLog.h"

using namespace platform::audio;

namespace sound {

namespace {

// Opens the file and reads its format and size.
int32_t OpenFileInfo(const char* path, std::unique_ptr<AudioFile>& file) {
    if (!path || !*path) return kSoundBadPath;
    OSStatus status = AudioFile::openForReading(path, file);
    if (status != noErr) SoundEngineLogStatus("Error opening file", status);
    return status;
}

ALenum OpenALFormat(const AudioStreamBasicDescription& f) {
    if (f.mFormatID != kAudioFormatLinearPCM) return 0;
    if (f.mChannelsPerFrame == 1 && f.mBitsPerChannel == 16) return AL_FORMAT_MONO16;
    if (f.mChannelsPerFrame == 2 && f.mBitsPerChannel == 16) return AL_FORMAT_STEREO16;
    if (f.mChannelsPerFrame == 1 && f.mBitsPerChannel == 8) return AL_FORMAT_MONO8;
    if (f.mChannelsPerFrame == 2 && f.mBitsPerChannel == 8) return AL_FORMAT_STEREO8;
    return 0;  // OpenAL rejects it when the data is attached
}

}  // namespace

int32_t LoadFileIntoBuffer(const char* path, ALuint& buffer, std::vector<uint8_t>& data) {
    buffer = 0;
    data.clear();
    std::unique_ptr<AudioFile> file;
    if (int32_t status = OpenFileInfo(path, file)) {
        SoundEngineLogStatus("Error loading file info", status);
        return status;
    }
    const AudioStreamBasicDescription format = file->dataFormat();
    const uint64_t byteCount = file->audioDataByteCount();
    // OpenAL takes a signed 32-bit size; longer files are not effects.
    if (byteCount > 0x7fffffffu) {
        SoundEngineLogStatus("Error reading file data", kAudioFileInvalidFileError);
        return kAudioFileInvalidFileError;
    }

    std::vector<uint8_t> samples(byteCount);
    uint32_t bytes = static_cast<uint32_t>(byteCount);
    OSStatus status = byteCount ? file->readBytes(0, bytes, samples.data()) : noErr;
    if (status != noErr) {
        SoundEngineLogStatus("Error reading file data", status);
        return status;
    }
    samples.resize(bytes);

    const bool littleEndianPcm = format.mFormatID == kAudioFormatLinearPCM &&
                                 !(format.mFormatFlags & kAudioFormatFlagIsBigEndian);
    if (!littleEndianPcm && format.mBitsPerChannel > 8) return kSoundBadFormat;

    // OpenAL's 8-bit samples are unsigned; files that store them signed (AIFF, CAF) would
    // play as noise, so they are shifted first.
    if (format.mFormatID == kAudioFormatLinearPCM && format.mBitsPerChannel == 8 &&
        (format.mFormatFlags & kAudioFormatFlagIsSignedInteger)) {
        for (uint8_t& b : samples) b ^= 0x80;
    }

    al().alGetError();
    al().alGenBuffers(1, &buffer);
    if (ALenum error = al().alGetError()) {
        buffer = 0;
        SoundEngineLogALError("Error generating buffer", error);
        return error;
    }

    al().alBufferData(buffer, OpenALFormat(format), samples.data(),
                      static_cast<ALsizei>(samples.size()),
                      static_cast<ALsizei>(format.mSampleRate));
    if (ALenum error = al().alGetError()) {
        SoundEngineLogALError("Error attaching data to buffer", error);
        al().alDeleteBuffers(1, &buffer);
        al().alGetError();
        buffer = 0;
        return error;
    }
    file->close();
    data = std::move(samples);
    return 0;
}

}  // namespace sound
