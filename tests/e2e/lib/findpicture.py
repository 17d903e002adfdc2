"""Finds a grey picture in a screenshot, pixel for pixel.

Usage: findpicture.py SCREEN.ppm PICTURE.pgm
Prints "X Y", the top-left corner of every place in the screenshot (binary
PPM) where the picture (binary PGM) appears exactly, every pixel grey with
the picture's value; exits 1 when there is none.
"""
import sys


def read_netpbm(path):
    data = open(path, "rb").read()
    fields, pos = [], 0
    while len(fields) < 4:
        while data[pos:pos + 1].isspace():
            pos += 1
        if data[pos:pos + 1] == b"#":
            pos = data.index(b"\n", pos)
            continue
        end = pos
        while not data[end:end + 1].isspace():
            end += 1
        fields.append(data[pos:end])
        pos = end
    magic, width, height = fields[0], int(fields[1]), int(fields[2])
    channels = {b"P5": 1, b"P6": 3}[magic]
    pixels = data[pos + 1:]
    stride = width * channels
    return width, height, [pixels[y * stride:(y + 1) * stride] for y in range(height)]


def main():
    sw, sh, screen = read_netpbm(sys.argv[1])
    pw, ph, picture = read_netpbm(sys.argv[2])
    # As the screen holds it: every grey value three times.
    rows = [bytes(v for v in row for _ in range(3)) for row in picture]
    found = []
    for y in range(sh - ph + 1):
        start = screen[y].find(rows[0])
        while start >= 0:
            if start % 3 == 0 and all(screen[y + k][start:start + 3 * pw] == rows[k] for k in range(1, ph)):
                found.append((start // 3, y))
            start = screen[y].find(rows[0], start + 1)
    for x, y in found:
        print(x, y)
    return 0 if found else 1


if __name__ == "__main__":
    sys.exit(main())
