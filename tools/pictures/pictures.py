#!/usr/bin/env python3
"""Draws Zarvane's pictures and packs them as the BMP files that windres embeds.

Called by make-pictures.sh; ImageMagick does the resizing and colour reduction,
this file does the drawing and writes every BMP itself, because ImageMagick's
BMP writer picks header versions and palettes we cannot pin down.

  bmp24 IN.ppm OUT.bmp            24-bit bottom-up BMP from a PPM
  icon KIND OUT.bmp               storm icon: depression, storm or hurricane
  art KIND DAYMAP.ppm OUT.ppm     banner, config, advanced or preview artwork
  bmp8 IN.ppm OUT.bmp MAXCOLOURS  8-bit palettised BMP from a colour-reduced PPM
  bmp8exact IN.ppm OUT.bmp COLOURS  8-bit BMP of exactly COLOURS colours, reduced here
"""
import math
import struct
import sys

BI_RGB = 0
INFO_HEADER_SIZE = 40
FILE_HEADER_SIZE = 14
PIXELS_PER_METRE = 2835  # 72 dpi; GDI ignores it

WHITE = (255.0, 255.0, 255.0)
RED = (255.0, 0.0, 0.0)


# ---------------------------------------------------------------- files

def read_ppm(path):
    """Returns width, height and the RGB bytes (top row first) of a binary PPM."""
    with open(path, "rb") as f:
        data = f.read()
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
    magic, width, height, maxval = fields
    if magic != b"P6" or maxval != b"255":
        sys.exit(f"{path}: not an 8-bit binary PPM")
    width, height = int(width), int(height)
    pos += 1  # the single whitespace byte after maxval
    return width, height, data[pos:pos + width * height * 3]


def write_ppm(path, width, height, rgb):
    with open(path, "wb") as f:
        f.write(b"P6\n%d %d\n255\n" % (width, height))
        f.write(rgb)


def write_bmp(path, width, height, bits, rows, palette=()):
    """rows: the pixel rows top first, already in BMP byte order.

    Writes a BITMAPFILEHEADER, a 40-byte BITMAPINFOHEADER (BI_RGB, positive
    height, i.e. bottom-up), the colour table and the rows bottom first,
    each padded to 4 bytes."""
    stride = (width * bits // 8 + 3) & ~3
    pixels = b"".join(row.ljust(stride, b"\0") for row in reversed(rows))
    offset = FILE_HEADER_SIZE + INFO_HEADER_SIZE + 4 * len(palette)
    file_header = struct.pack("<2sIHHI", b"BM", offset + len(pixels), 0, 0, offset)
    info_header = struct.pack("<IiiHHIIiiII", INFO_HEADER_SIZE, width, height, 1,
                              bits, BI_RGB, len(pixels), PIXELS_PER_METRE,
                              PIXELS_PER_METRE, len(palette), 0)
    colour_table = b"".join(bytes((b, g, r, 0)) for r, g, b in palette)
    with open(path, "wb") as f:
        f.write(file_header + info_header + colour_table + pixels)


def write_bmp24(path, width, height, rgb):
    rows = []
    for y in range(height):
        row = bytearray(rgb[y * width * 3:(y + 1) * width * 3])
        row[0::3], row[2::3] = row[2::3], row[0::3]  # RGB -> BGR
        rows.append(bytes(row))
    write_bmp(path, width, height, 24, rows)


def write_bmp8(path, width, height, rgb, max_colours):
    colours = sorted({rgb[i:i + 3] for i in range(0, len(rgb), 3)})
    if len(colours) > max_colours:
        sys.exit(f"{path}: {len(colours)} colours, at most {max_colours} allowed")
    index = {c: i for i, c in enumerate(colours)}
    rows = [bytes(index[rgb[i:i + 3]] for i in range(y * width * 3, (y + 1) * width * 3, 3))
            for y in range(height)]
    write_bmp(path, width, height, 8, rows, [tuple(c) for c in colours])


def reduce_exactly(rgb, colours):
    """Merges the rarest colour into its nearest until exactly `colours` remain.

    ImageMagick's reduction gives fewer colours than asked on smooth artwork (136 of 175
    for the advanced background); this one lands on the count, deterministically.
    """
    counts = {}
    for i in range(0, len(rgb), 3):
        counts[rgb[i:i + 3]] = counts.get(rgb[i:i + 3], 0) + 1
    if len(counts) < colours:
        sys.exit(f"{len(counts)} colours in the artwork, fewer than {colours}")
    target = {c: c for c in counts}
    while len(counts) > colours:
        rare = min(counts, key=lambda c: (counts[c], c))
        n = counts.pop(rare)
        near = min(counts, key=lambda c: (sum((a - b) ** 2 for a, b in zip(c, rare)), c))
        counts[near] += n
        for c, t in target.items():
            if t == rare:
                target[c] = near
    return b"".join(target[rgb[i:i + 3]] for i in range(0, len(rgb), 3))


# ---------------------------------------------------------------- helpers

def clamp(v, lo=0.0, hi=1.0):
    return lo if v < lo else hi if v > hi else v


def mix(a, b, t):
    """Colour a blended toward colour b by t (0..1)."""
    return tuple(x + (y - x) * t for x, y in zip(a, b))


def smoothstep(e0, e1, v):
    t = clamp((v - e0) / (e1 - e0))
    return t * t * (3 - 2 * t)


def to_bytes(pixels):
    return bytes(int(clamp(c, 0, 255) + 0.5) for p in pixels for c in p)


class Map:
    """Bilinear look-ups in an equirectangular map: 180 W at the left, north up."""

    def __init__(self, path):
        self.width, self.height, self.rgb = read_ppm(path)

    def texel(self, x, y):
        x %= self.width
        y = min(max(y, 0), self.height - 1)
        i = (y * self.width + x) * 3
        return self.rgb[i:i + 3]

    def at(self, lon, lat):
        fx = (lon + 180.0) / 360.0 * self.width - 0.5
        fy = (90.0 - lat) / 180.0 * self.height - 0.5
        x0, y0 = math.floor(fx), math.floor(fy)
        tx, ty = fx - x0, fy - y0
        top = mix(self.texel(x0, y0), self.texel(x0 + 1, y0), tx)
        bottom = mix(self.texel(x0, y0 + 1), self.texel(x0 + 1, y0 + 1), tx)
        return mix(top, bottom, ty)


# ---------------------------------------------------------------- storm symbols
# Figures are described in icon units (the 128-pixel icon), centred on the
# origin with y pointing up.  Arms leave the circle tangentially and sweep
# clockwise outward, the way the rain bands of a northern-hemisphere cyclone
# trail its counter-clockwise winds: the upper arm bends off to the right,
# the lower one to the left.  A top-bottom flip therefore shows the southern
# sense of rotation.

ICON_SIZE = 128
SUPERSAMPLING = 4            # samples per pixel along each axis
RING_RADIUS = 42.0           # depression: a closed ring filling the square
RING_WIDTH = 14.0
CORE_RADIUS = 28.0           # storm ring centre line; hurricane disc edge is + width/2
CORE_WIDTH = 13.0
ARM_START = 95.0            # degrees, counter-clockwise from the right; second arm +180
ARM_SPAN = 115.0             # degrees swept clockwise from the start to the tip
ARM_TIP_RADIUS = 58.0
ARM_TIP_WIDTH = 7.0
ARM_GROWTH = 1.2             # >1: the arm hugs the circle first, then swings out


def on_arm(rho, phi):
    for start in (ARM_START, ARM_START + 180.0):
        u = (start - phi) % 360.0
        if u > ARM_SPAN:
            continue
        t = u / ARM_SPAN
        centre = CORE_RADIUS + (ARM_TIP_RADIUS - CORE_RADIUS) * t ** ARM_GROWTH
        half = (CORE_WIDTH + (ARM_TIP_WIDTH - CORE_WIDTH) * t) / 2
        if abs(rho - centre) <= half:
            return True
    return False


def inside_figure(kind, x, y):
    rho = math.hypot(x, y)
    if kind == "depression":
        return abs(rho - RING_RADIUS) <= RING_WIDTH / 2
    if kind == "storm" and abs(rho - CORE_RADIUS) <= CORE_WIDTH / 2:
        return True
    if kind == "hurricane" and rho <= CORE_RADIUS + CORE_WIDTH / 2:
        return True
    return on_arm(rho, math.degrees(math.atan2(y, x)))


def figure_coverage(kind, size):
    """Coverage (0..1) of the figure drawn into a size x size square, top row first."""
    scale = ICON_SIZE / size
    n = SUPERSAMPLING
    offsets = [(i + 0.5) / n for i in range(n)]
    cover = []
    for py in range(size):
        for px in range(size):
            hits = 0
            for oy in offsets:
                y = (size / 2 - (py + oy)) * scale
                for ox in offsets:
                    hits += inside_figure(kind, (px + ox - size / 2) * scale, y)
            cover.append(hits / (n * n))
    return cover


def make_icon(kind, path):
    # Edges blend pure red into pure white only, so the saver's luminance-alpha
    # conversion turns them into fainter red, never into a dark fringe.
    pixels = [mix(WHITE, RED, c) for c in figure_coverage(kind, ICON_SIZE)]
    write_bmp24(path, ICON_SIZE, ICON_SIZE, to_bytes(pixels))


# ---------------------------------------------------------------- artwork motifs

def cloud_swirl(dx, dy, radius):
    """Cloud density (0..1) of a cyclone seen from space, at offset dx, dy
    (pixels, y down) from its eye: a dense core and two bands that spiral
    clockwise outward like the icons' arms."""
    rho = math.hypot(dx, dy) / radius
    if rho >= 1.5:
        return 0.0
    phi = math.atan2(-dy, dx)
    bands = (0.5 + 0.5 * math.cos(2 * phi + 5.0 * math.log(rho + 1e-3))) ** 2
    outer = bands * math.exp(-2.5 * rho * rho)
    core = math.exp(-(rho / 0.28) ** 2)
    eye = 1.0 - math.exp(-(rho / 0.05) ** 2)
    return clamp(max(core, outer) * eye * 1.2)


def globe_point(x, y, cx, cy, r, lon0, lat0):
    """Orthographic look-up: the longitude, latitude and the surface normal's
    view component of pixel x, y on a globe disc, or None off the disc."""
    gx, gy = (x - cx) / r, (cy - y) / r
    d2 = gx * gx + gy * gy
    if d2 >= 1.0:
        return None
    gz = math.sqrt(1.0 - d2)
    p0 = math.radians(lat0)
    lat = math.degrees(math.asin(clamp(gz * math.sin(p0) + gy * math.cos(p0), -1, 1)))
    lon = lon0 + math.degrees(math.atan2(gx, gz * math.cos(p0) - gy * math.sin(p0)))
    return (lon + 180.0) % 360.0 - 180.0, lat, (gx, gy, gz)


def wash(colour, amount, toward=WHITE):
    """Fades a colour toward a light tone so black text stays readable over it."""
    return mix(colour, toward, amount)


def vertical_gradient(y, height, top, bottom):
    return mix(top, bottom, y / (height - 1))


# ---------------------------------------------------------------- banner

BANNER_W, BANNER_H = 1280, 100
BANNER_NORTH = 36.0          # latitude band shown: the tropics where storms form
BANNER_SOUTH = 6.0
BANNER_WASH = 0.75
BANNER_TINT = (205.0, 226.0, 250.0)
BANNER_EDGE = (70.0, 110.0, 170.0)   # thin rule along the top, against the black screen
BANNER_EDGE_ROWS = 2
# Swirls over the storm basins: (longitude, latitude, radius in pixels).
BANNER_SWIRLS = [(-140.0, 15.0, 34.0), (-62.0, 22.0, 42.0), (88.0, 16.0, 30.0), (135.0, 19.0, 40.0)]
SWIRL_OPACITY = 0.8


def banner(day):
    px_per_degree = BANNER_W / 360.0
    swirls = [((lon + 180.0) * px_per_degree, (BANNER_NORTH - lat) / (BANNER_NORTH - BANNER_SOUTH) * BANNER_H, r)
              for lon, lat, r in BANNER_SWIRLS]
    pixels = []
    for y in range(BANNER_H):
        lat = BANNER_NORTH - (y + 0.5) / BANNER_H * (BANNER_NORTH - BANNER_SOUTH)
        for x in range(BANNER_W):
            if y < BANNER_EDGE_ROWS:
                pixels.append(BANNER_EDGE)
                continue
            lon = (x + 0.5) / px_per_degree - 180.0
            c = wash(day.at(lon, lat), BANNER_WASH, BANNER_TINT)
            cloud = 0.0
            for sx, sy, r in swirls:
                # the banner wraps round the world, so swirls near an end wrap too
                dx = (x - sx + BANNER_W / 2) % BANNER_W - BANNER_W / 2
                cloud = max(cloud, cloud_swirl(dx, y - sy, r))
            pixels.append(mix(c, WHITE, cloud * SWIRL_OPACITY))
    return BANNER_W, BANNER_H, pixels


# ---------------------------------------------------------------- dialog backgrounds

SKY_TOP = (214.0, 230.0, 248.0)
SKY_BOTTOM = (246.0, 249.0, 253.0)

CONFIG_W, CONFIG_H = 400, 360
CONFIG_GLOBE = (318.0, 128.0, 118.0)   # centre x, y and radius: upper right, cut by the edge
CONFIG_VIEW = (-60.0, 18.0)            # looking at the Atlantic hurricane belt
CONFIG_WASH = 0.7
CONFIG_SWIRL = (-55.0, 24.0, 26.0)     # a storm on that globe: lon, lat, radius px
GRATICULE_STEP = 30.0
GRATICULE_WIDTH = 0.7                  # degrees from the line to where it has faded out
GRATICULE_OPACITY = 0.35


def washed_globe(day, x, y, globe, view, amount, swirl=None):
    """Colour of a pale globe at pixel x, y, or None off the disc."""
    cx, cy, r = globe
    point = globe_point(x + 0.5, y + 0.5, cx, cy, r, *view)
    if point is None:
        return None
    lon, lat, normal = point
    c = day.at(lon, lat)
    off_line = min(GRATICULE_STEP / 2 - abs((v + 180.0) % GRATICULE_STEP - GRATICULE_STEP / 2)
                   for v in (lon, lat))  # degrees to the nearest grid line
    c = mix(c, WHITE, GRATICULE_OPACITY * (1.0 - smoothstep(0.0, GRATICULE_WIDTH, off_line)))
    if swirl:
        slon, slat, sr = swirl
        # approximate local offsets; good enough for a small swirl near the centre
        dx = (lon - slon) * math.cos(math.radians(slat)) * r / 57.3
        dy = (slat - lat) * r / 57.3
        c = mix(c, WHITE, cloud_swirl(dx, dy, sr) * SWIRL_OPACITY)
    # a little limb darkening gives the disc its roundness
    c = mix(c, (40.0, 70.0, 130.0), 0.35 * (1.0 - normal[2]) ** 2)
    return wash(c, amount, SKY_TOP)


def config_background(day):
    cx, cy, r = CONFIG_GLOBE
    pixels = []
    for y in range(CONFIG_H):
        for x in range(CONFIG_W):
            sky = vertical_gradient(y, CONFIG_H, SKY_TOP, SKY_BOTTOM)
            g = washed_globe(day, x, y, CONFIG_GLOBE, CONFIG_VIEW, CONFIG_WASH, CONFIG_SWIRL)
            if g is not None:
                edge = clamp(r - math.hypot(x + 0.5 - cx, y + 0.5 - cy))  # antialiased rim
                sky = mix(sky, g, edge)
            pixels.append(sky)
    return CONFIG_W, CONFIG_H, pixels


ADVANCED_W, ADVANCED_H = 400, 315
ADVANCED_SWIRLS = [(300.0, 150.0, 150.0), (60.0, 275.0, 55.0)]   # x, y, radius
ADVANCED_SWIRL_TONE = (150.0, 185.0, 225.0)
ADVANCED_SWIRL_OPACITY = 0.45


def advanced_background(day):
    pixels = []
    for y in range(ADVANCED_H):
        for x in range(ADVANCED_W):
            sky = vertical_gradient(y, ADVANCED_H, SKY_TOP, SKY_BOTTOM)
            cloud = max(cloud_swirl(x - sx, y - sy, r) for sx, sy, r in ADVANCED_SWIRLS)
            pixels.append(mix(sky, ADVANCED_SWIRL_TONE, cloud * ADVANCED_SWIRL_OPACITY))
    return ADVANCED_W, ADVANCED_H, pixels


# ---------------------------------------------------------------- preview

PREVIEW_W, PREVIEW_H = 152, 112
PREVIEW_GLOBE = (76.0, 56.0, 47.0)
PREVIEW_VIEW = (-50.0, 15.0)
PREVIEW_SPACE = (4.0, 8.0, 30.0)
PREVIEW_SUN = (-0.55, 0.45, 0.70)      # light from the upper left, toward the viewer
PREVIEW_AMBIENT = 0.25
PREVIEW_HALO = (90.0, 150.0, 255.0)
PREVIEW_STORM = (-65.0, 21.0)          # a hurricane east of the Caribbean
PREVIEW_STORM_SIZE = 22
PREVIEW_STARS = 40
PREVIEW_SEED = 20240601


def preview(day):
    cx, cy, r = PREVIEW_GLOBE
    sun_len = math.sqrt(sum(c * c for c in PREVIEW_SUN))
    sun = [c / sun_len for c in PREVIEW_SUN]
    pixels = [PREVIEW_SPACE] * (PREVIEW_W * PREVIEW_H)
    seed = PREVIEW_SEED
    for _ in range(PREVIEW_STARS):  # a fixed linear congruential sequence: same sky every run
        seed = (seed * 1103515245 + 12345) % 2 ** 31
        i = seed % (PREVIEW_W * PREVIEW_H)
        seed = (seed * 1103515245 + 12345) % 2 ** 31
        pixels[i] = mix(PREVIEW_SPACE, WHITE, 0.3 + 0.7 * (seed % 1000) / 1000)
    for y in range(PREVIEW_H):
        for x in range(PREVIEW_W):
            i = y * PREVIEW_W + x
            d = math.hypot(x + 0.5 - cx, y + 0.5 - cy)
            halo = math.exp(-max(d - r, 0.0) / 3.0) * 0.6
            pixels[i] = mix(pixels[i], PREVIEW_HALO, halo)
            point = globe_point(x + 0.5, y + 0.5, cx, cy, r, *PREVIEW_VIEW)
            if point is None:
                continue
            lon, lat, normal = point
            light = PREVIEW_AMBIENT + (1 - PREVIEW_AMBIENT) * max(0.0, sum(a * b for a, b in zip(normal, sun)))
            c = tuple(v * light for v in day.at(lon, lat))
            pixels[i] = mix(pixels[i], c, clamp(r - d))
    # the storm symbol, placed where its longitude and latitude face the viewer
    sx, sy = project(PREVIEW_STORM, PREVIEW_GLOBE, PREVIEW_VIEW)
    size = PREVIEW_STORM_SIZE
    cover = figure_coverage("hurricane", size)
    for j in range(size):
        for k in range(size):
            x, y = int(sx) - size // 2 + k, int(sy) - size // 2 + j
            i = y * PREVIEW_W + x
            pixels[i] = mix(pixels[i], RED, cover[j * size + k])
    return PREVIEW_W, PREVIEW_H, pixels


def project(lonlat, globe, view):
    """Pixel position of a longitude, latitude on an orthographic globe disc."""
    (lon, lat), (cx, cy, r), (lon0, lat0) = lonlat, globe, view
    p, p0, dl = math.radians(lat), math.radians(lat0), math.radians(lon - lon0)
    gx = math.cos(p) * math.sin(dl)
    gy = math.cos(p0) * math.sin(p) - math.sin(p0) * math.cos(p) * math.cos(dl)
    return cx + gx * r, cy - gy * r


ARTWORK = {"banner": banner, "config": config_background,
           "advanced": advanced_background, "preview": preview}


def main(argv):
    command = argv[1] if len(argv) > 1 else ""
    if command == "bmp24" and len(argv) == 4:
        write_bmp24(argv[3], *read_ppm(argv[2]))
    elif command == "bmp8" and len(argv) == 5:
        write_bmp8(argv[3], *read_ppm(argv[2]), int(argv[4]))
    elif command == "bmp8exact" and len(argv) == 5:
        width, height, rgb = read_ppm(argv[2])
        write_bmp8(argv[3], width, height, reduce_exactly(rgb, int(argv[4])), int(argv[4]))
    elif command == "icon" and len(argv) == 4 and argv[2] in ("depression", "storm", "hurricane"):
        make_icon(argv[2], argv[3])
    elif command == "art" and len(argv) == 5 and argv[2] in ARTWORK:
        width, height, pixels = ARTWORK[argv[2]](Map(argv[3]))
        write_ppm(argv[4], width, height, to_bytes(pixels))
    else:
        sys.exit(__doc__)


if __name__ == "__main__":
    main(sys.argv)
