#!/usr/bin/env python3
"""Content fingerprints computed from their definition, apart from the SDK's C++ code.

Each argument is the text of one capture; its fingerprint is printed on a line of its own
(an empty line when no paragraph qualifies). The content hashing tests compare the C++
capture with fingerprints this program printed. Standard library only.

  tools/content_fingerprint.py [--shingle-length 6] [--max-shingles 10]
                               [--min-paragraph 6] TEXT...
"""

import argparse
import base64
import hashlib
import struct
import sys
import unicodedata

M = 0x4000FFFF
B = 0x1001FFF
C = 0x7FFFFFFF
MASK64 = (1 << 64) - 1

# Characters that are tokens by themselves: (start, length).
CHARACTER_DELIMITED = [
    (0x4E00, 20941), (0x3400, 6582), (0x20000, 42711), (0x3300, 256), (0xF900, 512),
    (0x2F800, 544), (0x3100, 48), (0x31A0, 32), (0x3040, 96), (0x30A0, 91), (0x30FC, 4),
    (0x3200, 256), (0xFF66, 56), (0xFFA1, 60), (0x1B000, 256), (0x31F0, 16),
    (0xAC00, 11184), (0x1100, 256),
]


def murmur3_32(data: bytes, seed: int = 0) -> int:
    c1, c2 = 0xCC9E2D51, 0x1B873593
    h = seed & 0xFFFFFFFF
    rounded = len(data) - len(data) % 4
    for i in range(0, rounded, 4):
        k = struct.unpack_from("<I", data, i)[0]
        k = (k * c1) & 0xFFFFFFFF
        k = ((k << 15) | (k >> 17)) & 0xFFFFFFFF
        k = (k * c2) & 0xFFFFFFFF
        h ^= k
        h = ((h << 13) | (h >> 19)) & 0xFFFFFFFF
        h = (h * 5 + 0xE6546B64) & 0xFFFFFFFF
    k = 0
    tail = data[rounded:]
    if len(tail) >= 3:
        k ^= tail[2] << 16
    if len(tail) >= 2:
        k ^= tail[1] << 8
    if len(tail) >= 1:
        k ^= tail[0]
        k = (k * c1) & 0xFFFFFFFF
        k = ((k << 15) | (k >> 17)) & 0xFFFFFFFF
        k = (k * c2) & 0xFFFFFFFF
        h ^= k
    h ^= len(data)
    h ^= h >> 16
    h = (h * 0x85EBCA6B) & 0xFFFFFFFF
    h ^= h >> 13
    h = (h * 0xC2B2AE35) & 0xFFFFFFFF
    h ^= h >> 16
    return h


def signed32(h: int) -> int:
    return h - (1 << 32) if h & 0x80000000 else h


def units_of(text: str) -> list:
    raw = text.encode("utf-16-le", "surrogatepass")
    return list(struct.unpack("<%dH" % (len(raw) // 2), raw))


def text_of(units: list) -> str:
    return struct.pack("<%dH" % len(units), *units).decode("utf-16-le", "replace")


def character_delimited(unit: int) -> bool:
    return any(start <= unit < start + length for start, length in CHARACTER_DELIMITED)


def space_delimited(unit: int) -> bool:
    if 0xD800 <= unit <= 0xDFFF:
        return False
    return unicodedata.category(chr(unit))[0] in "LMN"


def tokens_of(paragraph_units: list) -> list:
    tokens, current = [], []
    for unit in paragraph_units:
        if character_delimited(unit):
            if current:
                tokens.append(current)
            current = []
            tokens.append([unit])
        elif space_delimited(unit):
            current.append(unit)
        else:
            if current:
                tokens.append(current)
            current = []
    if current:
        tokens.append(current)
    return [text_of(t) for t in tokens]


def token_hash(token: str) -> int:
    return signed32(murmur3_32(token.encode("utf-8", "replace")))


def token_value(token: str) -> int:
    return ((C + (token_hash(token) & MASK64)) & MASK64) % M


def window_hash(tokens: list) -> int:
    # The sum over the window, v(t_j) * B^(L-1-j), written out rather than rolled.
    h = 0
    count = len(tokens)
    for j, token in enumerate(tokens):
        h = (h + token_value(token) * pow(B, count - 1 - j, M)) % M
    return h


def fingerprint(text: str, shingle_length: int, max_shingles: int, min_paragraph: int) -> str:
    kept = {}  # (token count, hash) -> shingle
    for paragraph in text.split("\n"):
        if len(units_of(paragraph)) < min_paragraph:
            continue
        tokens = tokens_of(units_of(paragraph.lower()))
        if not tokens:
            continue
        if len(tokens) <= shingle_length:
            windows = [tokens]
        else:
            windows = [tokens[i:i + shingle_length]
                       for i in range(len(tokens) - shingle_length + 1)]
        for window in windows:
            h = window_hash(window)
            # Full, and the least kept (fewest tokens, then smallest hash) has a hash at
            # least as large: the new one is not kept.
            if len(kept) >= max_shingles and min(kept)[1] >= h:
                continue
            kept.setdefault((len(window), h), window)
            if len(kept) > max_shingles:
                del kept[min(kept)]
    if not kept:
        return ""
    output = b""
    for key in sorted(kept):
        data = bytes((lambda h: (h ^ (h >> 8) ^ (h >> 16) ^ (h >> 24)) & 0xFF)(
            token_hash(token) & 0xFFFFFFFF) for token in kept[key])
        output += hashlib.md5(data).digest()[:4]
    return base64.urlsafe_b64encode(output).decode("ascii")


def main() -> int:
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--shingle-length", type=int, default=6)
    parser.add_argument("--max-shingles", type=int, default=10)
    parser.add_argument("--min-paragraph", type=int, default=6)
    parser.add_argument("texts", nargs="+")
    args = parser.parse_args()
    for text in args.texts:
        print(fingerprint(text, args.shingle_length, args.max_shingles, args.min_paragraph))
    return 0


if __name__ == "__main__":
    sys.exit(main())
