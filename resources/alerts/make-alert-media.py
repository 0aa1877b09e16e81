#!/usr/bin/env python3
"""Draws the two alert pictures (16-colour BMP, 380 x 285, pure white is see-through)
and synthesises the three built-in alert sounds (mono 16-bit WAV). Standard library only.
Run from anywhere: the files land beside this script."""
import math, os, random, struct, wave

HERE = os.path.dirname(os.path.abspath(__file__))
W, H = 380, 285

PALETTE = [
    (255, 255, 255),  # 0 see-through
    (20, 20, 20),     # 1 outline
    (150, 95, 45),    # 2 fur
    (215, 170, 110),  # 3 light fur
    (95, 55, 25),     # 4 dark fur
    (240, 160, 170),  # 5 pink
    (200, 40, 40),    # 6 red
    (247, 239, 189),  # 7 note paper (the text area's colour)
    (130, 85, 40),    # 8 board frame
    (252, 214, 178),  # 9 skin
    (160, 205, 240),  # 10 light blue
    (45, 95, 185),    # 11 blue
    (250, 215, 60),   # 12 yellow
    (120, 120, 120),  # 13 grey
    (250, 250, 250),  # 14 highlight (not see-through)
    (235, 225, 170),  # 15 note shadow
]


class Canvas:
    def __init__(self):
        self.px = [[0] * W for _ in range(H)]

    def put(self, x, y, c):
        if 0 <= x < W and 0 <= y < H:
            self.px[y][x] = c

    def rect(self, x0, y0, x1, y1, c):
        for y in range(y0, y1):
            for x in range(x0, x1):
                self.put(x, y, c)

    def ellipse(self, cx, cy, rx, ry, c, outline=None):
        for y in range(int(cy - ry) - 1, int(cy + ry) + 2):
            for x in range(int(cx - rx) - 1, int(cx + rx) + 2):
                d = ((x - cx) / rx) ** 2 + ((y - cy) / ry) ** 2
                if d <= 1.0:
                    edge = outline is not None and d > (1 - 2.2 / min(rx, ry))
                    self.put(x, y, outline if edge else c)

    def round_rect(self, x0, y0, x1, y1, r, c, outline):
        for y in range(y0, y1):
            for x in range(x0, x1):
                dx = max(x0 + r - x, 0, x - (x1 - 1 - r))
                dy = max(y0 + r - y, 0, y - (y1 - 1 - r))
                d = math.hypot(dx, dy)
                if d <= r:
                    self.put(x, y, outline if d > r - 2.5 or x < x0 + 2 or x > x1 - 3
                             or y < y0 + 2 or y > y1 - 3 else c)

    def polygon(self, pts, c):
        ys = [p[1] for p in pts]
        for y in range(int(min(ys)), int(max(ys)) + 1):
            xs = []
            for (xa, ya), (xb, yb) in zip(pts, pts[1:] + pts[:1]):
                if (ya <= y < yb) or (yb <= y < ya):
                    xs.append(xa + (y - ya) * (xb - xa) / (yb - ya))
            xs.sort()
            for a, b in zip(xs[0::2], xs[1::2]):
                for x in range(int(round(a)), int(round(b)) + 1):
                    self.put(x, y, c)

    def line(self, x0, y0, x1, y1, c, width=2):
        n = int(max(abs(x1 - x0), abs(y1 - y0))) + 1
        for i in range(n + 1):
            x = x0 + (x1 - x0) * i / n
            y = y0 + (y1 - y0) * i / n
            self.rect(int(x - width / 2), int(y - width / 2), int(x + width / 2) + 1, int(y + width / 2) + 1, c)

    def note_board(self):
        # The board that carries the text area, the close button and the pause spinner.
        self.round_rect(34, 132, 264, 276, 12, 7, 8)
        self.rect(40, 228, 258, 230, 15)

    def save_bmp(self, name):
        row_bytes = ((W + 1) // 2 + 3) & ~3
        pixels = bytearray()
        for y in range(H - 1, -1, -1):
            row = bytearray()
            for x in range(0, W, 2):
                hi = self.px[y][x]
                lo = self.px[y][x + 1] if x + 1 < W else 0
                row.append((hi << 4) | lo)
            row += b"\0" * (row_bytes - len(row))
            pixels += row
        palette = b"".join(struct.pack("<BBBB", b, g, r, 0) for r, g, b in PALETTE)
        offset = 14 + 40 + len(palette)
        header = struct.pack("<2sIHHI", b"BM", offset + len(pixels), 0, 0, offset)
        info = struct.pack("<IiiHHIIiiII", 40, W, H, 1, 4, 0, len(pixels), 2835, 2835, 16, 16)
        with open(os.path.join(HERE, name), "wb") as f:
            f.write(header + info + palette + pixels)


def draw_doggy():
    c = Canvas()
    # tail, body and legs behind the board
    c.line(352, 200, 372, 150, 1, 9)
    c.line(352, 200, 371, 152, 2, 5)
    c.ellipse(310, 215, 62, 45, 2, 1)
    c.ellipse(300, 228, 30, 22, 3)
    for lx in (275, 335):
        c.ellipse(lx, 262, 14, 18, 2, 1)
        c.ellipse(lx, 274, 16, 8, 3, 1)
    c.note_board()
    # a paw on the board
    c.ellipse(252, 182, 18, 13, 3, 1)
    # head
    c.ellipse(265, 88, 72, 64, 2, 1)
    c.ellipse(265, 118, 40, 30, 3, 1)
    c.ellipse(200, 78, 22, 50, 4, 1)   # ears
    c.ellipse(330, 78, 22, 50, 4, 1)
    for ex in (240, 290):             # eyes with a highlight
        c.ellipse(ex, 78, 11, 13, 14, 1)
        c.ellipse(ex + 2, 80, 6, 8, 1)
        c.ellipse(ex + 4, 76, 2, 2, 14)
    c.ellipse(265, 106, 13, 9, 1)     # nose
    c.ellipse(261, 103, 4, 2, 13)
    c.line(265, 114, 265, 124, 1, 2)
    c.line(247, 126, 265, 124, 1, 2)
    c.line(265, 124, 283, 126, 1, 2)
    c.ellipse(265, 138, 9, 10, 5, 6)  # tongue
    c.rect(225, 146, 306, 154, 6)      # collar
    c.ellipse(265, 160, 7, 7, 12, 1)
    c.save_bmp("BMP_DOGGY.bmp")


def draw_babe():
    c = Canvas()
    # body in a romper behind the board
    c.ellipse(312, 220, 58, 55, 10, 11)
    c.note_board()
    c.ellipse(262, 190, 16, 14, 9, 1)   # a hand on the board
    c.ellipse(366, 205, 13, 22, 9, 1)
    # head
    c.ellipse(275, 82, 74, 70, 9, 1)
    c.ellipse(200, 86, 12, 18, 9, 1)    # ears
    c.ellipse(350, 86, 12, 18, 9, 1)
    # curl of hair
    for i in range(40):
        a = i / 40 * 2 * math.pi * 1.2
        c.put(int(275 + 10 * math.cos(a) * (1 - i / 50)), int(20 + 10 * math.sin(a) * (1 - i / 50)), 4)
        c.put(int(276 + 10 * math.cos(a) * (1 - i / 50)), int(20 + 10 * math.sin(a) * (1 - i / 50)), 4)
    for ex in (248, 302):
        c.ellipse(ex, 80, 10, 12, 14, 1)
        c.ellipse(ex, 83, 6, 8, 11)
        c.ellipse(ex + 2, 80, 2, 2, 14)
    c.ellipse(228, 108, 11, 7, 5)       # cheeks
    c.ellipse(322, 108, 11, 7, 5)
    c.ellipse(275, 100, 5, 4, 3)        # nose
    # dummy
    c.ellipse(275, 125, 20, 12, 11, 1)
    c.ellipse(275, 125, 8, 6, 12)
    c.ellipse(275, 140, 9, 7, 0)
    c.ellipse(275, 140, 9, 7, 12, 1)
    c.ellipse(275, 140, 5, 3, 0)
    c.save_bmp("BMP_BABE.bmp")


RATE = 22050


def save_wav(name, samples):
    with wave.open(os.path.join(HERE, name), "wb") as w:
        w.setnchannels(1)
        w.setsampwidth(2)
        w.setframerate(RATE)
        w.writeframes(b"".join(struct.pack("<h", int(max(-1, min(1, s)) * 30000)) for s in samples))


def chime():
    out = []
    for i, f in enumerate((880.0, 1318.5)):
        start = int(i * 0.25 * RATE)
        while len(out) < start:
            out.append(0.0)
        for n in range(int(0.9 * RATE)):
            t = n / RATE
            s = 0.45 * math.exp(-4 * t) * (math.sin(2 * math.pi * f * t) + 0.3 * math.sin(4 * math.pi * f * t))
            if start + n < len(out):
                out[start + n] += s
            else:
                out.append(s)
    return out


def bark():
    rnd = random.Random(7)
    out = []
    for _ in range(2):
        for n in range(int(0.18 * RATE)):
            t = n / RATE
            f = 520 - 1400 * t
            env = min(1, t / 0.01) * math.exp(-14 * t)
            tone = math.sin(2 * math.pi * f * t) + 0.5 * math.sin(2 * math.pi * 2.1 * f * t)
            out.append(env * (0.6 * tone + 0.35 * (rnd.random() * 2 - 1)))
        out += [0.0] * int(0.12 * RATE)
    return out


def whistle():
    out, phase = [], 0.0
    dur = 0.8
    for n in range(int(dur * RATE)):
        t = n / RATE
        f = 1500 + 1000 * (t / dur) + 60 * math.sin(2 * math.pi * 7 * t)
        phase += 2 * math.pi * f / RATE
        env = min(1, t / 0.03) * min(1, (dur - t) / 0.08)
        out.append(0.7 * env * math.sin(phase))
    return out


if __name__ == "__main__":
    draw_doggy()
    draw_babe()
    save_wav("WAV_CLASSIC.wav", chime())
    save_wav("WAV_DOGGY.wav", bark())
    save_wav("WAV_BABE.wav", whistle())
