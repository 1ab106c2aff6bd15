#!/usr/bin/env python3
"""Writes the picture decoders' seed corpus (fuzz/corpus/image_decoder/).

Tiny pictures of each kind the readers take, built byte by byte so that the
recipe is the file itself: BMPs of every bit depth and header the BMP reader
accepts, PNGs of each colour type (one interlaced), and two baseline JPEGs
whose Huffman tables have one code each, so the scan is a few bits.

Run from the repository's root: python3 fuzz/make_image_seeds.py
"""
import os
import struct
import zlib

OUT = os.path.join(os.path.dirname(os.path.abspath(__file__)), "corpus",
                   "image_decoder")
WIDTH, HEIGHT = 3, 2  # odd width: rows need padding


def bmp(bits, pixel_rows, table=b"", compression=0, extra_header=b"",
        info_size=40, colors_used=0, top_down=False):
    """pixel_rows: the rows' bytes unpadded, in file order."""
    stride = (WIDTH * bits + 31) // 32 * 4
    pixels = b"".join(r + bytes(stride - len(r)) for r in pixel_rows)
    info = struct.pack("<IiiHHIIiiII", info_size, WIDTH,
                       -HEIGHT if top_down else HEIGHT, 1, bits, compression,
                       len(pixels), 2835, 2835, colors_used, 0)
    info += extra_header
    offset = 14 + len(info) + len(table)
    head = struct.pack("<2sIHHI", b"BM", offset + len(pixels), 0, 0, offset)
    return head + info + table + pixels


def png(color_type, depth, raw_rows, palette=None, trns=None,
        interlaced=False, width=WIDTH, height=HEIGHT):
    """raw_rows: every row's packed samples (no filter byte)."""
    def chunk(kind, data):
        return (struct.pack(">I", len(data)) + kind + data +
                struct.pack(">I", zlib.crc32(kind + data) & 0xffffffff))
    if interlaced:
        # Adam7 over whole bytes per pixel (depth 8 only here).
        bpp = len(raw_rows[0]) // width
        data = b""
        for x0, y0, dx, dy in ((0, 0, 8, 8), (4, 0, 8, 8), (0, 4, 4, 8),
                               (2, 0, 4, 4), (0, 2, 2, 4), (1, 0, 2, 2),
                               (0, 1, 1, 2)):
            for y in range(y0, height, dy):
                row = b"".join(raw_rows[y][x * bpp:(x + 1) * bpp]
                               for x in range(x0, width, dx))
                if row:
                    data += b"\x00" + row
    else:
        data = b"".join(b"\x00" + r for r in raw_rows)
    out = b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", struct.pack(
        ">IIBBBBB", width, height, depth, color_type, 0, 0,
        1 if interlaced else 0))
    if palette:
        out += chunk(b"PLTE", palette)
    if trns:
        out += chunk(b"tRNS", trns)
    return out + chunk(b"IDAT", zlib.compress(data)) + chunk(b"IEND", b"")


def jpeg(components, blocks_per_mcu_luma, width, height):
    """Baseline JPEG whose DC and AC tables hold one code "0" each: DC
    difference category 0 and end of block, so every block is two 0 bits."""
    def seg(marker, data):
        return b"\xff" + marker + struct.pack(">H", len(data) + 2) + data
    out = b"\xff\xd8"
    out += seg(b"\xe0", b"JFIF\x00\x01\x01\x00\x00\x01\x00\x01\x00\x00")
    out += seg(b"\xdb", b"\x00" + bytes([1] * 64))
    sampling = 0x22 if blocks_per_mcu_luma == 4 else 0x11
    sof = struct.pack(">BHHB", 8, height, width, components)
    for c in range(components):
        sof += bytes([c + 1, sampling if c == 0 else 0x11, 0])
    out += seg(b"\xc0", sof)
    one_code = bytes([1] + [0] * 15)  # one code of length 1
    out += seg(b"\xc4", b"\x00" + one_code + b"\x00")  # DC: category 0
    out += seg(b"\xc4", b"\x10" + one_code + b"\x00")  # AC: end of block
    sos = bytes([components])
    for c in range(components):
        sos += bytes([c + 1, 0x00])
    out += seg(b"\xda", sos + b"\x00\x3f\x00")
    mcus = ((width + 8 * (2 if sampling == 0x22 else 1) - 1) //
            (8 * (2 if sampling == 0x22 else 1))) * \
           ((height + 8 * (2 if sampling == 0x22 else 1) - 1) //
            (8 * (2 if sampling == 0x22 else 1)))
    blocks = mcus * (blocks_per_mcu_luma + components - 1)
    bits = "00" * blocks
    bits += "1" * (-len(bits) % 8)
    scan = bytes(int(bits[i:i + 8], 2) for i in range(0, len(bits), 8))
    return out + scan.replace(b"\xff", b"\xff\x00") + b"\xff\xd9"


def main():
    os.makedirs(OUT, exist_ok=True)
    gray_table = b"".join(bytes([v, v, v, 0]) for v in (0, 255))
    seeds = {
        "bmp_1bit.bmp": bmp(1, [b"\xa0", b"\x40"], table=gray_table),
        "bmp_4bit_three_colours.bmp": bmp(
            4, [b"\x01\x20", b"\x21\x00"], colors_used=3,
            table=gray_table + b"\x00\x00\xff\x00"),
        "bmp_8bit_top_down.bmp": bmp(
            8, [b"\x00\x01\x02", b"\x02\x01\x00"], colors_used=3,
            table=gray_table + b"\x00\xff\x00\x00", top_down=True),
        "bmp_24bit.bmp": bmp(24, [bytes(range(9)), bytes(range(9, 18))]),
        "bmp_32bit.bmp": bmp(32, [bytes(range(12)), bytes(range(12, 24))]),
        "bmp_32bit_bitfields.bmp": bmp(
            32, [bytes(range(12)), bytes(range(12, 24))], compression=3,
            table=struct.pack("<III", 0xff0000, 0xff00, 0xff)),
        "bmp_32bit_v4_alpha.bmp": bmp(
            32, [bytes(range(12)), bytes(range(12, 24))], compression=3,
            info_size=108,
            extra_header=struct.pack("<IIII", 0xff0000, 0xff00, 0xff,
                                     0xff000000) + bytes(52)),
        "png_gray.png": png(0, 8, [b"\x00\x80\xff", b"\xff\x80\x00"]),
        "png_rgb.png": png(2, 8, [bytes(range(9)), bytes(range(9, 18))]),
        "png_rgb_interlaced.png": png(2, 8, [bytes(range(9)),
                                             bytes(range(9, 18))],
                                      interlaced=True),
        "png_palette_4bit_trns.png": png(
            3, 4, [b"\x01\x20", b"\x21\x00"],
            palette=b"\x00\x00\x00\xff\xff\xff\xff\x00\x00", trns=b"\x00"),
        "png_gray_alpha.png": png(4, 8, [bytes(range(6)), bytes(range(6))]),
        "png_rgba_16bit.png": png(6, 16, [bytes(range(24)),
                                          bytes(range(24, 48))]),
        "jpeg_gray_8x8.jpg": jpeg(1, 1, 8, 8),
        "jpeg_ycbcr_420_16x16.jpg": jpeg(3, 4, 16, 16),
    }
    for name, data in seeds.items():
        with open(os.path.join(OUT, name), "wb") as f:
            f.write(data)


if __name__ == "__main__":
    main()
