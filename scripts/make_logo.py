#!/usr/bin/env python3
"""Draws the kit's 136 x 31 logo and writes it as a GIF (app/resources/logo.gif).

Standard library only: a half-lit disc (the dimming symbol) and "QL8810" in a
5 x 7 pixel font drawn three times as large, in four colours.
"""
import pathlib
import struct
import sys

WIDTH, HEIGHT = 136, 31
PALETTE = [(0x1B, 0x3A, 0x6B), (0xFF, 0xFF, 0xFF), (0xFF, 0xB3, 0x1A), (0x8F, 0xA9, 0xD1)]
NAVY, WHITE, AMBER, PALE = range(4)

GLYPHS = {
    "Q": ["01110", "10001", "10001", "10001", "10101", "10010", "01101"],
    "L": ["10000", "10000", "10000", "10000", "10000", "10000", "11111"],
    "8": ["01110", "10001", "10001", "01110", "10001", "10001", "01110"],
    "1": ["00100", "01100", "00100", "00100", "00100", "00100", "01110"],
    "0": ["01110", "10001", "10011", "10101", "11001", "10001", "01110"],
}


def draw():
    pixels = [[NAVY] * WIDTH for _ in range(HEIGHT)]
    cx, cy, r = 15, 15, 11
    for y in range(HEIGHT):
        for x in range(WIDTH):
            if (x - cx) ** 2 + (y - cy) ** 2 <= r * r:
                pixels[y][x] = AMBER if x <= cx else PALE
    scale_x, scale_y, gap, left, top = 3, 3, 2, 32, 5
    for n, ch in enumerate("QL8810"):
        x0 = left + n * (5 * scale_x + gap)
        for row, bits in enumerate(GLYPHS[ch]):
            for col, bit in enumerate(bits):
                if bit == "1":
                    for dy in range(scale_y):
                        for dx in range(scale_x):
                            pixels[top + row * scale_y + dy][x0 + col * scale_x + dx] = WHITE
    return pixels


def lzw(indices, min_code_size):
    clear, end = 1 << min_code_size, (1 << min_code_size) + 1
    table = {(i,): i for i in range(clear)}
    next_code, width = end + 1, min_code_size + 1
    out, bit_buf, bit_len = bytearray(), 0, 0

    def emit(code):
        nonlocal bit_buf, bit_len
        bit_buf |= code << bit_len
        bit_len += width
        while bit_len >= 8:
            out.append(bit_buf & 0xFF)
            bit_buf >>= 8
            bit_len -= 8

    emit(clear)
    prefix = (indices[0],)
    for k in indices[1:]:
        candidate = prefix + (k,)
        if candidate in table:
            prefix = candidate
            continue
        emit(table[prefix])
        if next_code < 4096:
            table[candidate] = next_code
            next_code += 1
            if next_code > (1 << width) and width < 12:
                width += 1
        else:
            emit(clear)
            table = {(i,): i for i in range(clear)}
            next_code, width = end + 1, min_code_size + 1
        prefix = (k,)
    emit(table[prefix])
    emit(end)
    if bit_len:
        out.append(bit_buf & 0xFF)
    return bytes(out)


def gif(pixels):
    min_code_size = 2
    data = lzw([p for row in pixels for p in row], min_code_size)
    blocks = b"".join(bytes([len(data[i:i + 255])]) + data[i:i + 255] for i in range(0, len(data), 255))
    colour_table = b"".join(bytes(c) for c in PALETTE)
    return (b"GIF89a" + struct.pack("<HHBBB", WIDTH, HEIGHT, 0xF1, 0, 0) + colour_table
            + b"," + struct.pack("<HHHHB", 0, 0, WIDTH, HEIGHT, 0)
            + bytes([min_code_size]) + blocks + b"\x00;")


if __name__ == "__main__":
    target = pathlib.Path(sys.argv[1] if len(sys.argv) > 1 else
                          pathlib.Path(__file__).resolve().parent.parent / "app/resources/logo.gif")
    target.write_bytes(gif(draw()))
    print(target)
