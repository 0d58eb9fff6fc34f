#!/usr/bin/python3
"""Synthesises the game's four sound effects into assets/ as WAV files.

    fall2        the car falls off the road: a falling whistle that fades out
    go           the start jingle: three rising notes and a held fourth
    fly2_06_22k  a hamburger picked up: a quick bright chirp
    bom1s        a bump against the road's edge: a short low thud

All four are 16-bit mono little-endian PCM at 22050 Hz, which OpenAL takes as they are. Only
Python's standard library is used, and the noise comes from a fixed-seed generator of our own,
so every run writes the same samples. Run from anywhere:
    /usr/bin/python3 tools/make_sounds.py [output folder]
The output is committed; the build does not run this.
"""

import math
import os
import struct
import sys
import wave

RATE = 22050
FULL_SCALE = 32767


class Noise:
    """A 32-bit linear congruential generator: white noise in -1..1, the same on every run."""

    def __init__(self, seed):
        self.state = seed & 0xFFFFFFFF

    def next(self):
        self.state = (self.state * 1664525 + 1013904223) & 0xFFFFFFFF
        return self.state / 2147483648.0 - 1.0


def seconds(n):
    return int(round(n * RATE))


def envelope(i, total, attack, release):
    """Linear fade in over `attack` samples and out over the last `release` samples."""
    gain = 1.0
    if attack and i < attack:
        gain = i / attack
    if release and i > total - release:
        gain = min(gain, (total - i) / release)
    return max(gain, 0.0)


def fall():
    # A whistle gliding down two octaves, with a slight wobble, fading as it drops.
    total = seconds(0.9)
    out, phase = [], 0.0
    for i in range(total):
        t = i / total
        freq = 880.0 * (2.0 ** (-2.0 * t)) * (1.0 + 0.02 * math.sin(2 * math.pi * 7 * i / RATE))
        phase += 2 * math.pi * freq / RATE
        tone = math.sin(phase) + 0.3 * math.sin(2 * phase)
        out.append(0.55 * tone * (1.0 - t) ** 1.5 * envelope(i, total, seconds(0.01), 0))
    return out


def note(freq, length, level=0.5):
    # A soft square-ish voice (odd harmonics) with a plucked decay.
    total = seconds(length)
    out = []
    for i in range(total):
        x = 2 * math.pi * freq * i / RATE
        voice = math.sin(x) + math.sin(3 * x) / 3 + math.sin(5 * x) / 5
        decay = math.exp(-3.0 * i / total)
        out.append(level * voice * decay * envelope(i, total, seconds(0.005), seconds(0.02)))
    return out


def go():
    # C5, E5, G5, then C6 held: "ready, steady, go".
    c5, e5, g5, c6 = 523.25, 659.25, 783.99, 1046.50
    return note(c5, 0.12) + note(e5, 0.12) + note(g5, 0.12) + note(c6, 0.45, 0.55)


def pickup():
    # A chirp sweeping up an octave, then a short ring at the top.
    total = seconds(0.22)
    out, phase = [], 0.0
    for i in range(total):
        t = i / total
        freq = 1200.0 * (2.0 ** min(t * 2.0, 1.0))
        phase += 2 * math.pi * freq / RATE
        tone = math.sin(phase) + 0.25 * math.sin(3 * phase)
        out.append(0.45 * tone * envelope(i, total, seconds(0.004), seconds(0.08)))
    return out


def bump():
    # A falling low sine for the body plus a burst of smoothed noise for the impact.
    total = seconds(0.18)
    noise = Noise(0x6D6F7675)
    out, phase, smooth = [], 0.0, 0.0
    for i in range(total):
        t = i / total
        freq = 120.0 - 60.0 * t
        phase += 2 * math.pi * freq / RATE
        smooth += 0.25 * (noise.next() - smooth)
        body = math.sin(phase) * math.exp(-6.0 * t)
        hit = smooth * math.exp(-30.0 * t)
        out.append((0.7 * body + 0.9 * hit) * envelope(i, total, seconds(0.002), seconds(0.01)))
    return out


SOUNDS = {
    "fall2": fall,
    "go": go,
    "fly2_06_22k": pickup,
    "bom1s": bump,
}


def write_wav(path, samples):
    frames = b"".join(
        struct.pack("<h", max(-FULL_SCALE, min(FULL_SCALE, int(round(s * FULL_SCALE)))))
        for s in samples
    )
    with wave.open(path, "wb") as out:
        out.setnchannels(1)
        out.setsampwidth(2)
        out.setframerate(RATE)
        out.writeframes(frames)


def main():
    here = os.path.dirname(os.path.abspath(__file__))
    folder = sys.argv[1] if len(sys.argv) > 1 else os.path.join(here, "..", "assets")
    os.makedirs(folder, exist_ok=True)
    for name, make in SOUNDS.items():
        path = os.path.join(folder, name + ".wav")
        write_wav(path, make())
        print(path)


if __name__ == "__main__":
    main()
