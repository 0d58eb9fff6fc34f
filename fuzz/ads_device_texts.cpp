// Texts the ads SDK's device and request code reads: signal records and signal pairs (the
// signal text travels through servers and tools), text handed over as UTF-16, blanks trimmed
// from an app's content URL, system versions and the SDK name of an Info.plist. Every
// interpretation gets the whole input.

#include <cstring>

#include "FuzzSupport.h"
#include "ads/foundation/GADDevice.h"
#include "ads/foundation/GADDeviceSignal.h"
#include "ads/foundation/GADOperatingSystemVersion.h"
#include "ads/foundation/GADRequest.h"
#include "ads/foundation/GADSignalProbes.h"
#include "ads/foundation/GADStringAdditions.h"
#include "platform/base/Unicode.h"

namespace {

bool hasLoneSurrogate(const std::u16string& text) {
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char16_t c = text[i];
        if (c >= 0xD800 && c <= 0xDBFF) {
            if (i + 1 >= text.size() || text[i + 1] < 0xDC00 || text[i + 1] > 0xDFFF) return true;
            ++i;
        } else if (c >= 0xDC00 && c <= 0xDFFF) {
            return true;
        }
    }
    return false;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const auto text = fuzz::bytes(data, size);

    // Records: what reads is exactly what was written.
    const std::vector<std::uint8_t> bytes(data, data + size);
    if (auto record = ads::GADSignalRecord::decode(bytes)) FUZZ_CHECK(record->encode() == bytes);
    if (auto record = ads::GADDeviceSignal::recordFromSignal(text)) {
        FUZZ_CHECK(ads::GADSignalRecord::decode(record->encode()) == record);
    }

    if (auto pair = ads::GADRequest::signalPair(text)) {
        FUZZ_CHECK(!pair->first.empty() && !pair->second.empty());
        FUZZ_CHECK(pair->first.find('=') == std::string::npos);
        FUZZ_CHECK(pair->second.find('=') == std::string::npos);
        FUZZ_CHECK(text.substr(0, pair->first.size() + 1 + pair->second.size()) ==
                   pair->first + "=" + pair->second);
    }

    const std::string trimmed = ads::gad_stringByTrimmingWhitespaceAndNewlines(text);
    FUZZ_CHECK(text.find(trimmed) != std::string_view::npos);
    FUZZ_CHECK(ads::gad_stringByTrimmingWhitespaceAndNewlines(trimmed) == trimmed);
    if (platform::isValidUtf8(text)) FUZZ_CHECK(platform::isValidUtf8(trimmed));

    std::u16string units(size / 2, u'\0');
    if (!units.empty()) std::memcpy(units.data(), data, units.size() * 2);
    const ads::GADText utf16 = units;
    int flag = -1;
    const char* converted = ads::GADCFStringToUTF8CString(&utf16, &flag);
    if (converted) {
        FUZZ_CHECK(flag == 1);
        // Zeros inside the text end the C string; compare up to the first one.
        const std::string expected = platform::utf16ToUtf8(units);
        FUZZ_CHECK(std::string(converted) == expected.substr(0, expected.find('\0')));
        ads::GADFreeUTF8CString(converted, flag);
    } else {
        FUZZ_CHECK(hasLoneSurrogate(units));
    }

    const auto version = ads::GADOperatingSystemVersion::fromString(text);
    FUZZ_CHECK(ads::GADOperatingSystemVersion::fromString(version.toString()) == version);

    const auto newline = text.find('\n');
    platform::Value::Dictionary info{{"DTSDKName", std::string(text.substr(0, newline))}};
    if (newline != std::string_view::npos) {
        info["DTPlatformName"] = std::string(text.substr(newline + 1));
    }
    if (auto base = ads::GADDevice::baseSDKVersionFromInfoPlist(platform::Value(info))) {
        FUZZ_CHECK(base->size() <= info["DTSDKName"].stringRef().size());
    }
    return 0;
}
