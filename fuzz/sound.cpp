// Sound files as the sound engine opens them: format, sizes, then every byte and packet.

#include <vector>

#include "FuzzSupport.h"
#include "platform/audio/AudioFile.h"

using namespace platform::audio;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    fuzz::MemoryFile input(fuzz::bytes(data, size));
    std::unique_ptr<AudioFile> file;
    if (AudioFile::openForReading(input.path(), file) != noErr) {
        FUZZ_CHECK(!file);
        return 0;
    }
    FUZZ_CHECK(file);
    const auto& format = file->dataFormat();
    (void)format;
    std::vector<std::uint8_t> cookie;
    (void)file->magicCookie(cookie);

    // Bytes in small steps, as the effects loader reads them, but bounded: a header may claim
    // far more than the file holds.
    std::vector<std::uint8_t> buffer(4096);
    std::int64_t offset = 0;
    for (int step = 0; step < 64; ++step) {
        std::uint32_t n = static_cast<std::uint32_t>(buffer.size());
        OSStatus status = file->readBytes(offset, n, buffer.data());
        if (status != noErr || n == 0) break;
        FUZZ_CHECK(n <= buffer.size());
        offset += n;
    }

    const std::uint32_t bound = file->packetSizeUpperBound();
    if (bound > 0 && bound <= 1u << 20) {
        std::uint32_t packets = 8;
        std::vector<std::uint8_t> out(std::size_t(bound) * packets);
        std::vector<AudioStreamPacketDescription> descriptions(packets);
        std::int64_t packet = 0;
        for (int step = 0; step < 64; ++step) {
            std::uint32_t count = packets, bytes = 0;
            OSStatus status =
                file->readPackets(packet, count, bytes, descriptions.data(), out.data());
            if (status != noErr || count == 0) break;
            FUZZ_CHECK(count <= packets && bytes <= out.size());
            packet += count;
        }
    }
    FUZZ_CHECK(file->close() == noErr);
    return 0;
}
