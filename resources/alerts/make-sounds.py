#!/usr/bin/env python3
"""Synthesises the three built-in alert sounds as 16-bit mono WAV files:
WAV_CLASSIC (a two-tone chime), WAV_DOGGY (two short barks), WAV_BABE (a rising whistle)."""
import math, random, struct, wave

RATE = 22050

def write(name, samples):
    with wave.open(name, "wb") as w:
        w.setnchannels(1)
        w.setsampwidth(2)
        w.setframerate(RATE)
        w.writeframes(b"".join(struct.pack("<h", max(-32767, min(32767, int(s * 32767)))) for s in samples))

def chime():
    out = []
    for freq, start, length in ((880.0, 0.0, 0.9), (660.0, 0.35, 0.9)):
        n0, n = int(start * RATE), int(length * RATE)
        while len(out) < n0 + n:
            out.append(0.0)
        for i in range(n):
            t = i / RATE
            env = math.exp(-4.0 * t)
            out[n0 + i] += 0.35 * env * (math.sin(2 * math.pi * freq * t) + 0.3 * math.sin(2 * math.pi * 2 * freq * t))
    return out

def bark():
    rnd = random.Random(7)
    out = []
    for _ in range(2):
        n = int(0.16 * RATE)
        for i in range(n):
            t = i / RATE
            env = math.sin(math.pi * i / n) ** 0.5 * math.exp(-6 * t)
            f = 520 - 900 * t
            tone = math.sin(2 * math.pi * f * t) + 0.5 * math.sin(2 * math.pi * 2.1 * f * t)
            out.append(0.5 * env * (0.7 * tone + 0.3 * (rnd.random() * 2 - 1)))
        out.extend([0.0] * int(0.12 * RATE))
    return out

def whistle():
    out, phase = [], 0.0
    n = int(0.7 * RATE)
    for i in range(n):
        t = i / RATE
        f = 1400 + 1200 * (t / 0.7) ** 2
        phase += 2 * math.pi * f / RATE
        env = min(1.0, t * 20) * min(1.0, (0.7 - t) * 10)
        out.append(0.4 * env * math.sin(phase))
    return out

write("WAV_CLASSIC.wav", chime())
write("WAV_DOGGY.wav", bark())
write("WAV_BABE.wav", whistle())
