#include "platform/storage/BinaryPlistGuard.h"

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

struct Object {
    // Children as object indexes (a dictionary's keys and values alike).
    std::vector<std::uint64_t> children;
    std::size_t payload = 0;
};

class Walker {
  public:
    Walker(std::string_view b, const Trailer& t, std::string* why) : b_(b), t_(t), why_(why) {}

    bool fail(const std::string& reason) {
        if (why_) *why_ = reason;
        return false;
    }

    bool offsetOf(std::uint64_t index, std::size_t* out) {
        std::size_t at = static_cast<std::size_t>(t_.tableOffset + index * t_.offsetSize);
        std::uint64_t off = readBE(b_, at, t_.offsetSize);
        if (off < 8 || off >= t_.tableOffset) return fail("object offset outside the object area");
        *out = static_cast<std::size_t>(off);
        return true;
    }

    // Decodes the object header at index: its children and its payload size.
    bool object(std::uint64_t index, Object* obj) {
        obj->children.clear();
        obj->payload = 0;
        std::size_t off;
        if (!offsetOf(index, &off)) return false;
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

        switch (kind) {
            case 0x0:
                if (marker == 0x00 || marker == 0x08 || marker == 0x09 || marker == 0x0F)
                    return true;
                return fail("unknown object type");
            case 0x1:
            case 0x2: {
                if (low > 4) return fail("bad number width");
                return need(1u << low) ? true : fail("truncated number");
            }
            case 0x3:
                if (marker != 0x33) return fail("unknown object type");
                return need(8) ? true : fail("truncated date");
            case 0x4:
            case 0x5:
            case 0x6: {
                std::uint64_t n;
                if (!count(&n)) return false;
                std::uint64_t bytes = kind == 0x6 ? n * 2 : n;
                if (n > end || !need(bytes)) return fail("truncated string or data");
                // The parser keeps texts as C strings and aborts on an embedded NUL.
                if (kind == 0x5 && b_.substr(pos, n).find('\0') != std::string_view::npos)
                    return fail("NUL character in a text");
                if (kind == 0x6)
                    for (std::uint64_t k = 0; k < n; ++k)
                        if (b_[pos + 2 * k] == 0 && b_[pos + 2 * k + 1] == 0)
                            return fail("NUL character in a text");
                obj->payload = static_cast<std::size_t>(bytes);
                return true;
            }
            case 0x8:
                return need(low + 1u) ? true : fail("truncated reference");
            case 0xA:
            case 0xC:
            case 0xD: {
                std::uint64_t n;
                if (!count(&n)) return false;
                std::uint64_t refs = kind == 0xD ? n * 2 : n;
                if (n > end || refs > (end - pos) / t_.refSize) return fail("truncated container");
                obj->children.reserve(static_cast<std::size_t>(refs));
                for (std::uint64_t k = 0; k < refs; ++k) {
                    std::uint64_t child = readBE(b_, pos + k * t_.refSize, t_.refSize);
                    if (child >= t_.count) return fail("reference to a missing object");
                    obj->children.push_back(child);
                }
                return true;
            }
            default:
                return fail("unknown object type");
        }
    }

  private:
    std::string_view b_;
    const Trailer& t_;
    std::string* why_;
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
    // A reference must be able to name every object.
    if (t.refSize < 8 && t.count - 1 > (std::uint64_t{1} << (8 * t.refSize)) - 1)
        return fail("bad trailer");

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
        std::size_t next = 0;
    };
    std::vector<Frame> stack;
    stack.push_back({t.top, {}, 0});
    if (!walker.object(t.top, &stack.back().obj)) return false;
    state[t.top] = 1;
    while (!stack.empty()) {
        Frame& f = stack.back();
        if (f.next < f.obj.children.size()) {
            std::uint64_t c = f.obj.children[f.next++];
            if (state[c] == 1) return fail("object references itself");
            if (state[c] == 2) continue;
            if (stack.size() >= limits.maxDepth) return fail("nesting too deep");
            Frame child{c, {}, 0};
            if (!walker.object(c, &child.obj)) return false;
            state[c] = 1;
            stack.push_back(std::move(child));
            continue;
        }
        std::uint32_t d = 0;
        std::size_t nn = 1, pp = f.obj.payload;
        for (std::uint64_t c : f.obj.children) {
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
