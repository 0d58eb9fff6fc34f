// The ads SDK's binary-to-text codecs (base64 of signals and server values, hex, base32):
// decoding untrusted text, and encoding any bytes so that they decode back unchanged.

#include "FuzzSupport.h"
#include "ads/foundation/GADStringEncoding.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using ads::GADStringEncoding;
    const auto text = fuzz::bytes(data, size);
    const GADStringEncoding codecs[] = {
        GADStringEncoding::binaryStringEncoding(),
        GADStringEncoding::hexStringEncoding(),
        GADStringEncoding::rfc4648Base32StringEncoding(),
        GADStringEncoding::rfc4648Base32HexStringEncoding(),
        GADStringEncoding::crockfordBase32StringEncoding(),
        GADStringEncoding::rfc4648Base64StringEncoding(),
        GADStringEncoding::rfc4648Base64WebsafeStringEncoding(),
    };
    const GADStringEncoding::Bytes raw(data, data + size);
    for (GADStringEncoding codec : codecs) {
        if (auto decoded = codec.decode(text)) {
            FUZZ_CHECK(decoded->size() <= size);
            FUZZ_CHECK(codec.decode(codec.encode(*decoded)) == decoded);
        }
        (void)codec.stringByDecoding(text);
        for (bool pad : {true, false}) {
            codec.setDoPad(pad);
            const std::string encoded = codec.encode(raw);
            FUZZ_CHECK(codec.decode(encoded) == raw);
        }
    }
    // An alphabet from the input: refused or usable.
    if (auto custom = GADStringEncoding::stringEncodingWithString(text.substr(0, 64))) {
        custom->ignoreCharacters(" \n");
        FUZZ_CHECK(custom->decode(custom->encode(raw)) == raw);
        (void)custom->decode(text);
    }
    return 0;
}
