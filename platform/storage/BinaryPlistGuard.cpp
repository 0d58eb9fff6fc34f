#include "platform/storage/BinaryPlistGuard.h"

#include <algorithm>
#include <cstdint>
#include <vector>

namespace platform {

namespace {

struct Trailer {
    unsigned offsetSize = 0;
    unsigned refSize = 0;
    std::uint64_t count = 0;
    std::uint64_t top = 0;
    std::uint64_t tableOffset = 0;
};

std::uint64_t readBE(std::string_view b, std::size_t at, unsigned n) {
    std::uint64_t v = 0;
    for (unsigned k = 0; k < n; ++k) v = (v << 8) | static_cast<unsigned char>(b[at + k]);
    return v;
}

std::size_t saturatingAdd(std::size_t a, std::size_t b) {
    return a > SIZE_MAX - b ? SIZE_MAX : a + b;
}

// One object's header. Children are not copied out: they are read from the file when needed,
// so the walk's memory stays proportional to its depth.
struct Object {
    std::size_t refsAt = 0;
    std::uint64_t refCount = 0;
    std::size_t payload = 0;
};

class Walker {
  public:
    Walker(std::string_view b, const Trailer& t, std::string* why) : b_(b), t_(t), why_(why) {}

    bool fail(const std::string& reason) {
        if (why_) *why_ = reason;
        return false;
    }

    std::uint64_t child(const Object& obj, std::uint64_t k) const {
        return readBE(b_, obj.refsAt + static_cast<std::size_t>(k) * t_.refSize, t_.refSize);
    }

    // Decodes the object header at index and checks that its bytes lie in the object area.
    bool object(std::uint64_t index, Object* obj) {
        *obj = Object{};
        std::size_t at = static_cast<std::size_t>(t_.tableOffset + index * t_.offsetSize);
        std::uint64_t off64 = readBE(b_, at, t_.offsetSize);
        if (off64 < 8 || off64 >= t_.tableOffset)
            return fail("object offset outside the object area");
        const std::size_t off = static_cast<std::size_t>(off64);
        const std::size_t end = static_cast<std::size_t>(t_.tableOffset);
        unsigned marker = static_cast<unsigned char>(b_[off]);
        unsigned kind = marker >> 4, low = marker & 0xF;
        std::size_t pos = off + 1;
        auto need = [&](std::uint64_t n) { return n <= end - pos; };

        auto count = [&](std::uint64_t* n) {
            if (low != 0xF) {
                *n = low;
                return true;
            }
            if (!need(1)) return fail("truncated object length");
            unsigned m = static_cast<unsigned char>(b_[pos]);
            if ((m >> 4) != 0x1 || (m & 0xF) > 3) return fail("bad object length");
            unsigned width = 1u << (m & 0xF);
            ++pos;
            if (!need(width)) return fail("truncated object length");
            *n = readBE(b_, pos, width);
            pos += width;
            return true;
        };

        std::uint64_t extent = 0;
        switch (kind) {
            case 0x0:
                if (marker != 0x00 && marker != 0x08 && marker != 0x09 && marker != 0x0F)
                    return fail("unknown object type");
                break;
            case 0x1:
            case 0x2:
                if (low > 4) return fail("bad number width");
                extent = 1u << low;
                if (!need(extent)) return fail("truncated number");
                break;
            case 0x3:
                if (marker != 0x33) return fail("unknown object type");
                extent = 8;
                if (!need(extent)) return fail("truncated date");
                break;
            case 0x4:
            case 0x5:
            case 0x6: {
                std::uint64_t n;
                if (!count(&n)) return false;
                if (n > end) return fail("truncated string or data");
                extent = kind == 0x6 ? n * 2 : n;
                if (!need(extent)) return fail("truncated string or data");
                obj->payload = static_cast<std::size_t>(extent);
                break;
            }
            case 0x8:
                extent = low + 1u;
                if (!need(extent)) return fail("truncated reference");
                break;
            case 0xA:
            case 0xC:
            case 0xD: {
                std::uint64_t n;
                if (!count(&n)) return false;
                if (n > end) return fail("truncated container");
                obj->refCount = kind == 0xD ? n * 2 : n;
                if (obj->refCount > (end - pos) / t_.refSize) return fail("truncated container");
                obj->refsAt = pos;
                extent = obj->refCount * t_.refSize;
                break;
            }
            default:
                return fail("unknown object type");
        }
        // Objects of a sound file never share bytes, so all the objects visited together
        // cover the object area at most once. More means overlapping objects crafted to make
        // this walk (and the parser) do unbounded work.
        scanned_ = saturatingAdd(scanned_, static_cast<std::size_t>(pos - off + extent));
        if (scanned_ > end - 8) return fail("objects overlap");

        // The parser keeps texts as C strings and aborts on an embedded NUL.
        if (kind == 0x5 && b_.substr(pos, extent).find('\0') != std::string_view::npos)
            return fail("NUL character in a text");
        if (kind == 0x6)
            for (std::size_t k = pos; k < pos + extent; k += 2)
                if (b_[k] == 0 && b_[k + 1] == 0) return fail("NUL character in a text");
        for (std::uint64_t k = 0; k < obj->refCount; ++k)
            if (child(*obj, k) >= t_.count) return fail("reference to a missing object");
        return true;
    }

  private:
    std::string_view b_;
    const Trailer& t_;
    std::string* why_;
    std::size_t scanned_ = 0;
};

}  // namespace

bool BinaryPlistGuard::check(std::string_view b, const Limits& limits, std::string* why) {
    auto fail = [&](const char* reason) {
        if (why) *why = reason;
        return false;
    };
    if (b.size() < 8 + 32) return fail("too short for a binary property list");
    if (b.substr(0, 8) != "bplist00") return fail("unsupported binary property list version");

    Trailer t;
    std::size_t tr = b.size() - 32;
    t.offsetSize = static_cast<unsigned char>(b[tr + 6]);
    t.refSize = static_cast<unsigned char>(b[tr + 7]);
    t.count = readBE(b, tr + 8, 8);
    t.top = readBE(b, tr + 16, 8);
    t.tableOffset = readBE(b, tr + 24, 8);
    if (t.offsetSize < 1 || t.offsetSize > 8 || t.refSize < 1 || t.refSize > 8)
        return fail("bad trailer");
    if (t.count == 0 || t.top >= t.count) return fail("bad trailer");
    if (t.tableOffset < 9 || t.tableOffset > tr) return fail("bad offset table position");
    if (t.count > (tr - t.tableOffset) / t.offsetSize) return fail("offset table too short");

    Walker walker(b, t, why);
    // Post-order walk with memoised depth and size; state 1 = on the path (a cycle if met
    // again), 2 = done.
    const std::size_t n = static_cast<std::size_t>(t.count);
    std::vector<std::uint8_t> state(n, 0);
    std::vector<std::uint32_t> depth(n, 0);
    std::vector<std::size_t> nodes(n, 0), payload(n, 0);
    struct Frame {
        std::uint64_t index;
        Object obj;
        std::uint64_t next = 0;
    };
    std::vector<Frame> stack;
    stack.push_back({t.top, {}, 0});
    if (!walker.object(t.top, &stack.back().obj)) return false;
    state[t.top] = 1;
    while (!stack.empty()) {
        Frame& f = stack.back();
        if (f.next < f.obj.refCount) {
            std::uint64_t c = walker.child(f.obj, f.next++);
            if (state[c] == 1) return fail("object references itself");
            if (state[c] == 2) continue;
            if (stack.size() >= limits.maxDepth) return fail("nesting too deep");
            Frame childFrame{c, {}, 0};
            if (!walker.object(c, &childFrame.obj)) return false;
            state[c] = 1;
            stack.push_back(childFrame);
            continue;
        }
        std::uint32_t d = 0;
        std::size_t nn = 1, pp = f.obj.payload;
        for (std::uint64_t k = 0; k < f.obj.refCount; ++k) {
            std::uint64_t c = walker.child(f.obj, k);
            d = std::max(d, depth[c]);
            nn = saturatingAdd(nn, nodes[c]);
            pp = saturatingAdd(pp, payload[c]);
        }
        std::size_t i = static_cast<std::size_t>(f.index);
        depth[i] = d + 1;
        nodes[i] = nn;
        payload[i] = pp;
        state[i] = 2;
        if (depth[i] > limits.maxDepth) return fail("nesting too deep");
        if (nn > limits.maxNodes || pp > limits.maxPayloadBytes)
            return fail("shared objects would expand beyond the size limit");
        stack.pop_back();
    }
    return true;
}

}  // namespace platform
