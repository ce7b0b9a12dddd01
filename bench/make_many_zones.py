#!/usr/bin/env python3
"""Writes a blank page and a ground-truth file with very many word zones on
it, for timing the review and export commands at sizes no real page has.

    make_many_zones.py N PAGE.pgm ZONES.xml [--tall]

Zones are 24 x 40 pixels laid in overlapping rows over an A4 page at 300 dpi
(2480 x 3508), so many zones share rows; with --tall every zone is as high
as the page and as narrow as 2 pixels (the worst case for row overlaps).
"""
import sys

WIDTH, HEIGHT = 2480, 3508


def main():
    args = [a for a in sys.argv[1:] if not a.startswith("--")]
    tall = "--tall" in sys.argv
    if len(args) != 3:
        sys.exit(__doc__)
    count, page, zones = int(args[0]), args[1], args[2]
    with open(page, "wb") as out:
        out.write(b"P5\n%d %d\n255\n" % (WIDTH, HEIGHT))
        out.write(b"\xff" * (WIDTH * HEIGHT))
    per_row = (WIDTH - 30) // 7
    with open(zones, "w", encoding="utf-8", newline="") as out:
        out.write('<?xml version="1.0" encoding="UTF-8"?>\r\n<TAVO xmlns="urn:tavo:groundtruth" version="1.0">\r\n')
        out.write('<DL_DOCUMENT src="page.pgm" docTag="xml" NrOfPages="1">\r\n')
        out.write('<DL_PAGE tavo_type="DL_PAGE" src="page.pgm" pageID="1" width="%d" height="%d">\r\n' % (WIDTH, HEIGHT))
        for i in range(count):
            if tall:
                col, row, w, h = (i * 3) % (WIDTH - 2), 0, 2, HEIGHT
            else:
                col, row, w, h = (i % per_row) * 7, ((i // per_row) * 3) % (HEIGHT - 40), 24, 40
            out.write('<DL_ZONE tavo_type="DL_TEXTLINEGT" id="%d" segmentation="word" col="%d" row="%d" '
                      'width="%d" height="%d" contents="\u0628\u064a\u062a" offsets="" status="" '
                      'nextZoneID="%s"> </DL_ZONE>\r\n' % (i + 1, col, row, w, h, i + 2 if i + 1 < count else "None"))
        out.write('</DL_PAGE>\r\n</DL_DOCUMENT>\r\n</TAVO>\r\n')


if __name__ == "__main__":
    main()
