#!/usr/bin/env python3
"""Writes damaged and malicious picture files into a folder, for the hostile picture test.

Usage: make_hostile_pictures.py FOLDER

Every file is small (at most 64 KB, most a few hundred bytes) and is built here from its fields, so the repository
holds no binary files. Besides the pictures the script writes `manifest.txt`: one line per
file, "<name> <expectation>", where the expectation is

  refused  the file must not change the boards: its header promises something absurd
           (a size no memory can hold, a format that does not exist) or it holds no picture;
  any      the file may be refused or shown in part: the damage is in the pixel data.

Only the Python 3 standard library is used.
"""

import random
import struct
import sys
import zlib
from pathlib import Path


# ---- Windows bitmaps ---------------------------------------------------------------------


def bmp_file_header(total_size, pixel_offset):
    return b"BM" + struct.pack("<IHHI", total_size, 0, 0, pixel_offset)


def bmp_info_header(width, height, bpp, compression=0, image_size=0, colours_used=0):
    return struct.pack("<IiiHHIIiiII", 40, width, height, 1, bpp, compression, image_size,
                       2835, 2835, colours_used, 0)


def bmp(width, height, bpp, pixels=b"", palette=b"", compression=0, colours_used=0,
        pixel_offset=None):
    """A bitmap whose header fields are exactly what is asked, however absurd."""
    info = bmp_info_header(width, height, bpp, compression, len(pixels), colours_used)
    offset = 14 + len(info) + len(palette) if pixel_offset is None else pixel_offset
    body = info + palette + pixels
    return bmp_file_header(14 + len(body), offset) + body


def grey_palette(count):
    return b"".join(bytes((i % 256, i % 256, i % 256, 0)) for i in range(count))


def valid_bmp_24(width, height):
    row = b"".join(bytes((x * 7 % 256, x * 3 % 256, 200)) for x in range(width))
    row += b"\0" * (-len(row) % 4)
    return bmp(width, height, 24, row * height)


def rle8_overrun():
    # Runs far wider than the 16-pixel rows, a delta that jumps past the last row, an
    # absolute run that claims more bytes than the file has, and no end-of-bitmap marker.
    stream = bytes((255, 1, 255, 2, 255, 3))          # runs of 255 pixels in a 16-wide row
    stream += bytes((0, 2, 200, 200))                  # delta: 200 right, 200 down
    stream += bytes((5, 9))
    stream += bytes((0, 250)) + bytes(range(20))       # absolute run of 250, 20 bytes given
    return bmp(16, 16, 8, stream, grey_palette(256), compression=1)


def rle4_overrun():
    stream = bytes((255, 0x12, 255, 0x34))             # 255-pixel runs in an 8-wide row
    stream += bytes((0, 0)) * 40                       # 40 end-of-line markers for 8 rows
    stream += bytes((0, 254)) + b"\x11" * 10           # absolute run past the end
    return bmp(8, 8, 4, stream, grey_palette(16), compression=2)


def bitmaps():
    good = valid_bmp_24(16, 16)
    yield "bmp_cut_in_file_header.bmp", good[:10], "refused"
    yield "bmp_cut_in_info_header.bmp", good[:30], "refused"
    yield "bmp_cut_in_pixels.bmp", good[:200], "any"
    yield "bmp_negative_width.bmp", bmp(-100, 100, 24, b"\x80" * 256), "refused"
    yield "bmp_zero_size.bmp", bmp(0, 0, 24, b"\x80" * 64), "refused"
    yield "bmp_huge_size.bmp", bmp(50000, 50000, 24, b"\x80" * 3000), "refused"
    yield "bmp_widest.bmp", bmp(0x7FFFFFFF, 1, 24, b"\x80" * 3000), "refused"
    yield "bmp_most_negative_height.bmp", bmp(1, -0x80000000, 24, b"\x80" * 64), "refused"
    yield "bmp_overflowing_row.bmp", bmp(0x40000000, 4, 32, b"\x80" * 3000), "refused"
    for bpp in (0, 3, 64):
        yield f"bmp_bpp_{bpp}.bmp", bmp(16, 16, bpp, b"\x80" * 2048), "refused"
    yield ("bmp_palette_past_end.bmp",
           bmp(16, 16, 8, b"\x01" * 256, grey_palette(4), colours_used=0x7FFFFFFF), "refused")
    yield ("bmp_pixels_past_end.bmp",
           bmp(16, 16, 24, b"\x80" * 64, pixel_offset=0x7FFFFFF0), "refused")
    yield ("bmp_header_size_huge.bmp",
           bmp_file_header(64, 54) + struct.pack("<I", 0xFFFFFFF0) + b"\0" * 46, "refused")
    yield ("bmp_bitfields_without_masks.bmp",
           bmp(16, 16, 32, b"\x80" * 1024, compression=3), "any")
    yield "bmp_rle8_overrun.bmp", rle8_overrun(), "any"
    yield "bmp_rle4_overrun.bmp", rle4_overrun(), "any"
    yield "bmp_rle8_huge.bmp", bmp(60000, 60000, 8, bytes((0, 1)), grey_palette(256),
                                   compression=1), "refused"


# ---- PNG ---------------------------------------------------------------------------------


def png_chunk(kind, data, good_crc=True):
    crc = zlib.crc32(kind + data) & 0xFFFFFFFF
    if not good_crc:
        crc ^= 0xDEADBEEF
    return struct.pack(">I", len(data)) + kind + data + struct.pack(">I", crc)


def png(width, height, rows, colour_type=2, good_crc=True, end=True):
    """`rows` raw scanlines (filter byte included) compressed into one IDAT."""
    ihdr = struct.pack(">IIBBBBB", width, height, 8, colour_type, 0, 0, 0)
    out = b"\x89PNG\r\n\x1a\n" + png_chunk(b"IHDR", ihdr, good_crc)
    out += png_chunk(b"IDAT", zlib.compress(rows, 9), good_crc)
    if end:
        out += png_chunk(b"IEND", b"", good_crc)
    return out


def png_header_and_data(width, height, rows, bit_depth, colour_type):
    ihdr = struct.pack(">IIBBBBB", width, height, bit_depth, colour_type, 0, 0, 0)
    return (b"\x89PNG\r\n\x1a\n" + png_chunk(b"IHDR", ihdr) +
            png_chunk(b"IDAT", zlib.compress(rows, 9)) + png_chunk(b"IEND", b""))


def pngs():
    # 50,000 x 50,000 RGB: a real zlib stream of the first few rows, the rest missing.
    rows = (b"\0" + b"\x7f" * (50000 * 3)) * 4
    yield "png_50000_squared.png", png(50000, 50000, rows, end=False), "refused"
    yield "png_widest.png", png(0x7FFFFFFF, 1, b"\0" * 64), "refused"
    # One bit a pixel: a few KB of file and a few MB decoded, but a full-colour copy of the
    # larger one would take 1 GB.
    for side, expectation in ((8000, "any"), (16000, "refused")):
        mono = (b"\0" + b"\x55" * (side // 8)) * side
        yield (f"png_mono_{side}_squared.png",
               png_header_and_data(side, side, mono, bit_depth=1, colour_type=0), expectation)
    small = (b"\0" + b"\x40\x80\xc0" * 16) * 16
    yield "png_bad_crcs.png", png(16, 16, small, good_crc=False), "any"
    yield "png_cut_short.png", png(16, 16, small)[:60], "any"


# ---- JPEG: a baseline greyscale stream built from its markers -----------------------------

# The standard luminance tables every baseline JPEG encoder uses (annex K of the JPEG standard).
DC_COUNTS = bytes((0, 1, 5, 1, 1, 1, 1, 1, 1, 0, 0, 0, 0, 0, 0, 0))
DC_VALUES = bytes(range(12))
AC_COUNTS = bytes((0, 2, 1, 3, 3, 2, 4, 3, 5, 5, 4, 4, 0, 0, 1, 0x7D))
AC_VALUES = bytes.fromhex(
    "01020300041105122131410613516107227114328191a1082342b1c11552d1f02433627282090a16"
    "1718191a25262728292a3435363738393a434445464748494a535455565758595a636465666768696a"
    "737475767778797a838485868788898a92939495969798999aa2a3a4a5a6a7a8a9aab2b3b4b5b6b7b8"
    "b9bac2c3c4c5c6c7c8c9cad2d3d4d5d6d7d8d9dae1e2e3e4e5e6e7e8e9eaf1f2f3f4f5f6f7f8f9fa")


def marker(code, payload):
    return bytes((0xFF, code)) + struct.pack(">H", len(payload) + 2) + payload


def jpeg(width, height, blocks):
    """A greyscale baseline JPEG whose scan holds `blocks` flat 8 x 8 blocks and no end."""
    out = b"\xff\xd8"
    out += marker(0xDB, b"\x00" + bytes([1] * 64))
    out += marker(0xC0, struct.pack(">BHHB", 8, height, width, 1) + bytes((1, 0x11, 0)))
    out += marker(0xC4, b"\x00" + DC_COUNTS + DC_VALUES)
    out += marker(0xC4, b"\x10" + AC_COUNTS + AC_VALUES)
    out += marker(0xDA, bytes((1, 1, 0x00, 0, 63, 0)))
    # Each flat block: DC difference 0 (code 00), then end of block (code 1010).
    bits = "001010" * blocks
    bits += "1" * (-len(bits) % 8)
    return out + int(bits, 2).to_bytes(len(bits) // 8, "big") if bits else out


def jpegs():
    yield "jpeg_cut_short.jpg", jpeg(64, 64, 20), "any"
    yield "jpeg_50000_squared.jpg", jpeg(50000, 50000, 200), "refused"
    # 400 million pixels: too many to decode whole, few enough to be decoded scaled down.
    yield "jpeg_20000_squared.jpg", jpeg(20000, 20000, 200), "any"
    yield "jpeg_header_only.jpg", jpeg(640, 480, 0)[:40], "refused"


# ---- GIF, ICO, PPM ------------------------------------------------------------------------


def gif_huge_screen(side):
    out = b"GIF89a" + struct.pack("<HHBBB", side, side, 0x80, 0, 0)
    out += b"\0\0\0\xff\xff\xff"  # two-entry global colour table
    out += b"\x2c" + struct.pack("<HHHHB", 0, 0, side, side, 0)
    out += b"\x02\x02\x44\x01\x00"  # LZW code size 2, one tiny sub-block, no trailer
    return out


def ico_absurd():
    # One entry whose bitmap header claims 50,000 x 100,000 (an icon's height is doubled for
    # the mask), and a second entry whose data lies far past the end.
    header = struct.pack("<HHH", 0, 1, 2)
    entry1 = struct.pack("<BBBBHHII", 0, 0, 0, 0, 1, 32, 40 + 64, 6 + 32)
    entry2 = struct.pack("<BBBBHHII", 16, 16, 0, 0, 1, 32, 4096, 0x7FFFFF00)
    info = struct.pack("<IiiHHIIiiII", 40, 50000, 100000, 1, 32, 0, 0, 0, 0, 0, 0)
    return header + entry1 + entry2 + info + b"\x80" * 64


def others():
    yield "gif_huge_screen.gif", gif_huge_screen(65535), "refused"
    yield "gif_8000_squared_screen.gif", gif_huge_screen(8000), "any"
    yield "ico_absurd.ico", ico_absurd(), "refused"
    yield "ppm_50000_squared.ppm", b"P6\n50000 50000\n255\n" + b"\x80" * 3000, "refused"
    yield "ppm_overflowing_size.ppm", b"P6\n4294967296 4294967296\n255\n" + b"\x80" * 64, \
        "refused"
    yield "pgm_text_huge_maxval.pgm", b"P2\n4 4\n99999999999\n" + b"1 " * 16, "any"


# ---- Not pictures at all ------------------------------------------------------------------


def not_pictures():
    yield "empty.bmp", b"", "refused"
    yield "random_bytes.bmp", random.Random(20240601).randbytes(4096), "refused"
    yield "text.bmp", b"This is a letter, not a picture.\r\n" * 20, "refused"
    yield "bm_then_text.bmp", b"BM" + b"not really a bitmap " * 10, "refused"


def main():
    if len(sys.argv) != 2:
        sys.exit("usage: make_hostile_pictures.py FOLDER")
    folder = Path(sys.argv[1])
    folder.mkdir(parents=True, exist_ok=True)
    manifest = []
    for group in (bitmaps, pngs, jpegs, others, not_pictures):
        for name, data, expectation in group():
            assert len(data) <= 64 * 1024, name
            (folder / name).write_bytes(data)
            manifest.append(f"{name} {expectation}\n")
    (folder / "manifest.txt").write_text("".join(manifest))


if __name__ == "__main__":
    main()
