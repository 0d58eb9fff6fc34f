#include "ads/foundation/GADDeviceSignal.h"

#include <cmath>
#include <limits>

#include "ads/foundation/GADGestureIdUtil.h"
#include "ads/foundation/GADMurmurHash3.h"
#include "ads/foundation/GADSignalProbes.h"
#include "ads/foundation/GADStringEncoding.h"
#include "platform/runtime/MainLoop.h"

namespace ads {

namespace {

// Little-endian whatever the machine, so the server reads every record alike.
class Writer {
  public:
    void u8(std::uint8_t v) { bytes_.push_back(v); }
    void u32(std::uint32_t v) {
        for (int i = 0; i < 4; ++i) bytes_.push_back(static_cast<std::uint8_t>(v >> (8 * i)));
    }
    void u64(std::uint64_t v) {
        for (int i = 0; i < 8; ++i) bytes_.push_back(static_cast<std::uint8_t>(v >> (8 * i)));
    }
    void i32(std::int32_t v) { u32(static_cast<std::uint32_t>(v)); }
    void i64(std::int64_t v) { u64(static_cast<std::uint64_t>(v)); }
    // At most 255 bytes: a version text is short, and a longer one is cut, never overflowed.
    void text(const std::string& v) {
        const std::size_t n = std::min<std::size_t>(v.size(), 255);
        u8(static_cast<std::uint8_t>(n));
        bytes_.insert(bytes_.end(), v.begin(), v.begin() + static_cast<std::ptrdiff_t>(n));
    }
    std::vector<std::uint8_t> take() { return std::move(bytes_); }

  private:
    std::vector<std::uint8_t> bytes_;
};

class Reader {
  public:
    explicit Reader(const std::vector<std::uint8_t>& bytes) : bytes_(bytes) {}

    bool u8(std::uint8_t& v) {
        if (!has(1)) return false;
        v = bytes_[at_++];
        return true;
    }
    bool u32(std::uint32_t& v) {
        if (!has(4)) return false;
        v = 0;
        for (int i = 0; i < 4; ++i) v |= static_cast<std::uint32_t>(bytes_[at_++]) << (8 * i);
        return true;
    }
    bool u64(std::uint64_t& v) {
        if (!has(8)) return false;
        v = 0;
        for (int i = 0; i < 8; ++i) v |= static_cast<std::uint64_t>(bytes_[at_++]) << (8 * i);
        return true;
    }
    bool i32(std::int32_t& v) {
        std::uint32_t u = 0;
        if (!u32(u)) return false;
        v = static_cast<std::int32_t>(u);
        return true;
    }
    bool i64(std::int64_t& v) {
        std::uint64_t u = 0;
        if (!u64(u)) return false;
        v = static_cast<std::int64_t>(u);
        return true;
    }
    bool text(std::string& v) {
        std::uint8_t n = 0;
        if (!u8(n) || !has(n)) return false;
        v.assign(bytes_.begin() + static_cast<std::ptrdiff_t>(at_),
                 bytes_.begin() + static_cast<std::ptrdiff_t>(at_ + n));
        at_ += n;
        return true;
    }
    bool atEnd() const { return at_ == bytes_.size(); }

  private:
    bool has(std::size_t n) const { return bytes_.size() - at_ >= n; }

    const std::vector<std::uint8_t>& bytes_;
    std::size_t at_ = 0;
};

std::int32_t truncatedCoordinate(double value) {
    if (!std::isfinite(value)) return 0;
    if (value <= std::numeric_limits<std::int32_t>::min()) {
        return std::numeric_limits<std::int32_t>::min();
    }
    if (value >= std::numeric_limits<std::int32_t>::max()) {
        return std::numeric_limits<std::int32_t>::max();
    }
    return static_cast<std::int32_t>(value);
}

GADStringEncoding signalCodec() {
    GADStringEncoding codec = GADStringEncoding::rfc4648Base64WebsafeStringEncoding();
    codec.setDoPad(false);
    return codec;
}

}  // namespace

std::vector<std::uint8_t> GADSignalRecord::encode() const {
    Writer w;
    w.u8(kFormat);
    w.u8(static_cast<std::uint8_t>(kind));
    w.text(sdkVersion);
    w.u32(reachabilityFlags);
    w.i64(batteryLevelAndState);
    w.i64(screenModeSize);
    w.i32(timeZoneOffsetMinutes);
    w.u8(static_cast<std::uint8_t>(bannerVisibility));
    for (std::int32_t v : coveredRect) w.i32(v);
    for (std::int32_t v : osVersion) w.i32(v);
    w.u8(trackingLimited ? 1 : 0);
    w.u8(identifierType);
    if (kind == Kind::Click) {
        w.u32(clickHash);
        const std::size_t n = std::min(touches.size(), GADDeviceSignal::kMaximumTouches);
        w.u8(static_cast<std::uint8_t>(n));
        for (std::size_t i = touches.size() - n; i < touches.size(); ++i) {
            w.i32(touches[i].x);
            w.i32(touches[i].y);
            w.i32(touches[i].durationMilliseconds);
        }
    }
    return w.take();
}

std::optional<GADSignalRecord> GADSignalRecord::decode(const std::vector<std::uint8_t>& bytes) {
    Reader r(bytes);
    GADSignalRecord record;
    std::uint8_t format = 0, kind = 0, visibility = 0, limited = 0;
    if (!r.u8(format) || format != kFormat || !r.u8(kind)) return std::nullopt;
    if (kind != static_cast<std::uint8_t>(Kind::Request) &&
        kind != static_cast<std::uint8_t>(Kind::Click)) {
        return std::nullopt;
    }
    record.kind = static_cast<Kind>(kind);
    if (!r.text(record.sdkVersion) || !r.u32(record.reachabilityFlags) ||
        !r.i64(record.batteryLevelAndState) || !r.i64(record.screenModeSize) ||
        !r.i32(record.timeZoneOffsetMinutes) || !r.u8(visibility)) {
        return std::nullopt;
    }
    if (visibility > static_cast<std::uint8_t>(Visibility::Covered)) return std::nullopt;
    record.bannerVisibility = static_cast<Visibility>(visibility);
    for (std::int32_t& v : record.coveredRect) {
        if (!r.i32(v)) return std::nullopt;
    }
    for (std::int32_t& v : record.osVersion) {
        if (!r.i32(v)) return std::nullopt;
    }
    if (!r.u8(limited) || limited > 1 || !r.u8(record.identifierType)) return std::nullopt;
    record.trackingLimited = limited == 1;
    if (record.kind == Kind::Click) {
        std::uint8_t count = 0;
        if (!r.u32(record.clickHash) || !r.u8(count) || count > GADDeviceSignal::kMaximumTouches) {
            return std::nullopt;
        }
        record.touches.resize(count);
        for (Touch& touch : record.touches) {
            if (!r.i32(touch.x) || !r.i32(touch.y) || !r.i32(touch.durationMilliseconds)) {
                return std::nullopt;
            }
        }
    }
    if (!r.atEnd()) return std::nullopt;
    return record;
}

GADDeviceSignal& GADDeviceSignal::shared() {
    static GADDeviceSignal instance;
    return instance;
}

void GADDeviceSignal::initializeWithSDKVersion(const std::string& version) {
    started_.call([&] { sdkVersion_ = version; });
}

std::optional<GADSignalRecord> GADDeviceSignal::probe(GADSignalRecord::Kind kind) const {
    if (!platform::isMainThread()) return std::nullopt;
    GADSignalRecord record;
    record.kind = kind;
    if (started_.hasRun()) record.sdkVersion = sdkVersion_;
    GADNetworkReachabilityFlags(&record.reachabilityFlags);
    record.batteryLevelAndState = GADBatteryLevelAndState();
    record.screenModeSize = GADScreenModeSize();
    record.timeZoneOffsetMinutes = GADTimeZoneOffsetMinutes();
    const platform::Rect covered = GADVisibleRectOfViewsOfClassNamed(kBannerViewClassName);
    if (covered.isNull()) {
        record.bannerVisibility = GADSignalRecord::Visibility::NotShown;
    } else if (covered == platform::Rect::zero()) {
        record.bannerVisibility = GADSignalRecord::Visibility::Uncovered;
    } else {
        record.bannerVisibility = GADSignalRecord::Visibility::Covered;
        record.coveredRect = {
            truncatedCoordinate(covered.origin.x), truncatedCoordinate(covered.origin.y),
            truncatedCoordinate(covered.size.width), truncatedCoordinate(covered.size.height)};
    }
    GADGestureIdUtil::getOSMajor(&record.osVersion[0], &record.osVersion[1], &record.osVersion[2]);
    const GADGestureIdUtil& ids = GADGestureIdUtil::sharedInstance();
    record.trackingLimited = ids.deviceOptedOut();
    record.identifierType = static_cast<std::uint8_t>(ids.deviceIdentifierType());
    return record;
}

std::string GADDeviceSignal::signalFromRecord(const GADSignalRecord& record) {
    return std::string(kKey) + "=" + signalCodec().encode(record.encode());
}

bool GADDeviceSignal::requestSignal(std::string& signal) {
    auto record = probe(GADSignalRecord::Kind::Request);
    if (!record) return false;
    signal = signalFromRecord(*record);
    return true;
}

bool GADDeviceSignal::clickSignal(std::string_view ai, std::string& signal) {
    if (ai.empty()) return false;
    auto record = probe(GADSignalRecord::Kind::Click);
    if (!record) return false;
    record->clickHash = GADMurmurHash3(ai.data(), ai.size(), 0);
    record->touches = recordedTouches();
    signal = signalFromRecord(*record);
    return true;
}

void GADDeviceSignal::recordTouch(std::int32_t x, std::int32_t y,
                                  std::int32_t durationMilliseconds) {
    std::lock_guard lock(touchesMutex_);
    if (touches_.size() == kMaximumTouches) touches_.erase(touches_.begin());
    touches_.push_back({x, y, durationMilliseconds});
}

std::vector<GADSignalRecord::Touch> GADDeviceSignal::recordedTouches() const {
    std::lock_guard lock(touchesMutex_);
    return touches_;
}

void GADDeviceSignal::clearTouches() {
    std::lock_guard lock(touchesMutex_);
    touches_.clear();
}

std::optional<GADSignalRecord> GADDeviceSignal::recordFromSignal(std::string_view signal) {
    const std::string prefix = std::string(kKey) + "=";
    if (signal.substr(0, prefix.size()) != prefix) return std::nullopt;
    auto bytes = signalCodec().decode(signal.substr(prefix.size()));
    if (!bytes) return std::nullopt;
    return GADSignalRecord::decode(*bytes);
}

void GADRecordTouchSignal(std::int32_t x, std::int32_t y, std::int32_t durationMilliseconds) {
    GADDeviceSignal::shared().recordTouch(x, y, durationMilliseconds);
}

}  // namespace ads
