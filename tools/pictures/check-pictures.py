#!/usr/bin/env python3
"""Checks the committed bitmap resources against what the saver relies on:
sizes, depths, plain 40-byte headers, BI_RGB, bottom-up rows, palette sizes,
map orientation, icon colours and shapes, and light dialog/banner grounds.

Usage: check-pictures.py [RESOURCES_DIR]   Exits 1 on any failure."""
import os
import struct
import sys

BI_RGB = 0
INFO_HEADER_SIZE = 40
FILE_HEADER_SIZE = 14

# file: (width, height, bits per pixel, most palette entries)
PICTURES = {
    "banner.bmp": (1280, 100, 8, 256),
    "day_map.bmp": (1024, 512, 24, 0),
    "config_background.bmp": (400, 360, 8, 256),
    "preview.bmp": (152, 112, 8, 256),
    "icon_depression.bmp": (128, 128, 24, 0),
    "icon_storm.bmp": (128, 128, 24, 0),
    "icon_hurricane.bmp": (128, 128, 24, 0),
    "night_map.bmp": (1024, 512, 24, 0),
    "advanced_background.bmp": (400, 315, 8, 175),
}
EXACT_COLOURS = {"advanced_background.bmp": 175}  # palette entries, every one of them used
ICONS = ("icon_depression.bmp", "icon_storm.bmp", "icon_hurricane.bmp")
MIRRORED_ICONS = ("icon_storm.bmp", "icon_hurricane.bmp")  # flipped for southern storms
ICON_BORDER = 2                  # pixels of pure white ground all round
ICON_MIN_RED = 0.10              # share of the icon in pure red
ICON_MIN_WHITE = 0.40            # share of the icon in pure white
ICON_MIN_EXTENT = 96             # the figure spans at least this many pixels one way
ICON_CENTRE_TOLERANCE = 2.0      # pixels between the figure's centroid and the icon's centre
ICON_MIN_ASYMMETRY = 0.15        # share of figure pixels that a top-bottom flip moves off the figure
# Black text stands on these: every pixel must stay at least this light (0..255).
LIGHT_GROUNDS = {"banner.bmp": 2, "config_background.bmp": 0, "advanced_background.bmp": 0}  # rows skipped at the top
MIN_TEXT_GROUND_LUMINANCE = 150


class Bitmap:
    """A parsed BMP: header fields and pixels as RGB tuples, top row first."""

    def __init__(self, path):
        data = open(path, "rb").read()
        magic, self.file_size, _, _, self.offset = struct.unpack_from("<2sIHHI", data, 0)
        (self.header_size, self.width, self.height, self.planes, self.bits, self.compression,
         _, _, _, self.colours_used, _) = struct.unpack_from("<IiiHHIIiiII", data, FILE_HEADER_SIZE)
        problems = []
        if magic != b"BM" or self.file_size != len(data):
            problems.append("not a BMP or wrong file size")
        if self.header_size != INFO_HEADER_SIZE:
            problems.append(f"header size {self.header_size}, not 40")
        if self.planes != 1 or self.compression != BI_RGB:
            problems.append("not one plane of BI_RGB")
        if self.height <= 0:
            problems.append("not bottom-up (height not positive)")
        if problems:
            raise ValueError("; ".join(problems))
        table_entries = self.colours_used or (1 << self.bits if self.bits <= 8 else 0)
        if self.bits > 8 and self.colours_used:
            raise ValueError("a colour table on a true-colour picture")
        if self.offset != FILE_HEADER_SIZE + INFO_HEADER_SIZE + 4 * table_entries:
            raise ValueError("pixel offset does not follow header and colour table")
        table = data[FILE_HEADER_SIZE + INFO_HEADER_SIZE:self.offset]
        self.palette = [(table[i + 2], table[i + 1], table[i]) for i in range(0, len(table), 4)]
        stride = (self.width * self.bits // 8 + 3) & ~3
        if self.offset + stride * self.height > len(data):
            raise ValueError("pixel array cut short")
        self.rows = []
        for y in range(self.height):
            start = self.offset + (self.height - 1 - y) * stride
            raw = data[start:start + self.width * self.bits // 8]
            if self.bits == 8:
                if max(raw) >= len(self.palette):
                    raise ValueError("pixel index beyond the colour table")
                self.rows.append([self.palette[i] for i in raw])
            else:
                self.rows.append([(raw[i + 2], raw[i + 1], raw[i]) for i in range(0, len(raw), 3)])


def luminance(rgb):
    r, g, b = rgb
    return 0.299 * r + 0.587 * g + 0.114 * b


def check_format(name, bmp):
    width, height, bits, most_colours = PICTURES[name]
    if (bmp.width, bmp.height, bmp.bits) != (width, height, bits):
        return [f"{bmp.width}x{bmp.height}x{bmp.bits}, expected {width}x{height}x{bits}"]
    if bits == 8 and not 0 < bmp.colours_used <= most_colours:
        return [f"{bmp.colours_used or 256} colours, at most {most_colours} allowed"]
    if name in EXACT_COLOURS:
        used = len({p for row in bmp.rows for p in row})
        if (bmp.colours_used, used) != (EXACT_COLOURS[name],) * 2:
            return [f"{bmp.colours_used} colours in the table, {used} used; "
                    f"exactly {EXACT_COLOURS[name]} required"]
    return []


def check_icon(name, bmp):
    size = bmp.width
    pixels = [p for row in bmp.rows for p in row]
    if any(r != 255 or g != b for r, g, b in pixels):
        return ["pixels that are not a blend of pure red and pure white"]
    problems = []
    border = [p for y, row in enumerate(bmp.rows) for x, p in enumerate(row)
              if min(x, y, size - 1 - x, size - 1 - y) < ICON_BORDER]
    if any(p != (255, 255, 255) for p in border):
        problems.append("ground at the edges is not pure white")
    if pixels.count((255, 0, 0)) < ICON_MIN_RED * len(pixels):
        problems.append("too little pure red")
    if pixels.count((255, 255, 255)) < ICON_MIN_WHITE * len(pixels):
        problems.append("too little white ground")
    figure = [[g < 128 for _, g, _ in row] for row in bmp.rows]
    xs = [x for row in figure for x, f in enumerate(row) if f]
    ys = [y for y, row in enumerate(figure) for f in row if f]
    if max(max(xs) - min(xs), max(ys) - min(ys)) + 1 < ICON_MIN_EXTENT:
        problems.append("figure too small")
    centre = (size - 1) / 2
    if max(abs(sum(xs) / len(xs) - centre), abs(sum(ys) / len(ys) - centre)) > ICON_CENTRE_TOLERANCE:
        problems.append("figure not centred")
    if name in MIRRORED_ICONS:
        moved = sum(f and not figure[size - 1 - y][x] for y, row in enumerate(figure) for x, f in enumerate(row))
        if moved < ICON_MIN_ASYMMETRY * len(xs):
            problems.append(f"a top-bottom flip hardly changes the figure ({moved} of {len(xs)} pixels)")
    return problems


def map_pixel(bmp, lon, lat):
    """Mean colour of a 5x5 block around a longitude, latitude of an equirectangular map
    whose left edge is 180 W and whose top row is the north pole."""
    cx = int((lon + 180.0) / 360.0 * bmp.width)
    cy = int((90.0 - lat) / 180.0 * bmp.height)
    block = [bmp.rows[min(max(y, 0), bmp.height - 1)][x % bmp.width]
             for y in range(cy - 2, cy + 3) for x in range(cx - 2, cx + 3)]
    return tuple(sum(c[i] for c in block) / len(block) for i in range(3))


def check_day_map(bmp):
    sahara, pacific, antarctica = map_pixel(bmp, 10, 23), map_pixel(bmp, -150, 0), map_pixel(bmp, 0, -85)
    if not (sahara[0] > sahara[2] and pacific[2] > pacific[0]
            and luminance(sahara) > luminance(pacific) + 60 and luminance(antarctica) > 180):
        return ["land, sea and ice are not where an upright map with 180 W at the left has them"]
    return []


def check_night_map(bmp):
    europe, pacific = map_pixel(bmp, 5, 51), map_pixel(bmp, -150, 0)
    if not luminance(europe) > luminance(pacific) + 40:
        return ["city lights are not where an upright map with 180 W at the left has them"]
    return []


def check_light_ground(name, bmp):
    skipped = LIGHT_GROUNDS[name]
    darkest = min(luminance(p) for row in bmp.rows[skipped:] for p in row)
    if darkest < MIN_TEXT_GROUND_LUMINANCE:
        return [f"too dark for black text (luminance {darkest:.0f})"]
    return []


def main():
    folder = sys.argv[1] if len(sys.argv) > 1 else os.path.join(os.path.dirname(__file__), "..", "..", "resources")
    failures = 0
    for name in PICTURES:
        try:
            bmp = Bitmap(os.path.join(folder, name))
            problems = check_format(name, bmp)
            if not problems:
                if name in ICONS:
                    problems += check_icon(name, bmp)
                if name == "day_map.bmp":
                    problems += check_day_map(bmp)
                if name == "night_map.bmp":
                    problems += check_night_map(bmp)
                if name in LIGHT_GROUNDS:
                    problems += check_light_ground(name, bmp)
        except (OSError, ValueError, struct.error) as error:
            problems = [str(error)]
        colours = f", {bmp.colours_used} colours" if not problems and bmp.bits == 8 else ""
        status = "; ".join(problems) if problems else f"ok: {bmp.width}x{bmp.height}, {bmp.bits} bpp, bottom-up, BI_RGB, 40-byte header{colours}"
        print(f"{name}: {status}")
        failures += bool(problems)
    print(f"check-pictures: {len(PICTURES) - failures} of {len(PICTURES)} pictures pass"
          + ("" if not failures else f", {failures} FAIL"))
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
