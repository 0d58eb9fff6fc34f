// Video packets from an ad's media (VP8, VP9, Theora), read for the picture size they name
// before a decoder sees them. The first byte picks the media type, the rest is the packet.
// Whatever the bytes, the reader stays inside the packet and names no size a codec cannot.

#include "FuzzSupport.h"
#include "platform/services/VideoPictureSize.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using platform::services::videoPictureSizeOfPacket;
    if (size == 0) return 0;
    static constexpr const char* kTypes[] = {"video/x-vp8", "video/x-vp9", "video/x-theora",
                                             "video/x-h264"};
    const char* type = kTypes[data[0] % 4];
    // A copy of exactly the packet's size, so a read past it is caught.
    const std::string packet(fuzz::bytes(data + 1, size - 1));
    const auto picture = videoPictureSizeOfPacket(
        type, reinterpret_cast<const std::uint8_t*>(packet.data()), packet.size());
    if (!picture) return 0;
    FUZZ_CHECK(picture->width >= 0 && picture->height >= 0);
    switch (data[0] % 4) {
        case 0:  // 14 bits a side
            FUZZ_CHECK(picture->width < (1 << 14) && picture->height < (1 << 14));
            break;
        case 1:  // 16 bits a side, less one
            FUZZ_CHECK(picture->width <= (1 << 16) && picture->height <= (1 << 16));
            FUZZ_CHECK(picture->width >= 1 && picture->height >= 1);
            break;
        case 2:  // 16 bits of macroblocks of 16
            FUZZ_CHECK(picture->width % 16 == 0 && picture->height % 16 == 0);
            FUZZ_CHECK(picture->width < (1 << 20) && picture->height < (1 << 20));
            break;
        default:
            FUZZ_CHECK(!"a type no header is read of");
    }
    return 0;
}
