#!/usr/bin/env python3
"""Scores runs of tools/tavoalign-page on real pages with hand-made truth.

    score-realpages.py TRUTHDIR RUNDIR [--features FILE] [--words FILE]

TRUTHDIR holds <page>.lines.json (line truth: polygon and text per line) and,
for some pages, <page>.words.json (word truth: line, text, ink-tight bbox and
convex outline per word).  RUNDIR holds one working folder per page, named
<page>, as tools/tavoalign-page leaves it (merged.xml, words.xml after -check,
check.txt, verify.txt, review-page.png, status).

Lines: a line zone is right when its text equals the truth line's (NFC, blanks
collapsed) and at least half of the smaller of the two lies in the other
(zone box cells against truth outline cells); pairs are taken one to one,
best overlap first.  Words: a word zone is right when its text equals the
word's (NFC) and box IoU >= 0.5 or ink IoU >= 0.5 (ink: darker than Otsu's
threshold and than the 51x51 mean less 15; word ink inside its outline and
no other word's; zone ink inside its box).  Zones on a line without word
truth (the archive stamps) are left out of the word figures.

Prints per page and in total: lines right, right lines doubted, wrong lines
trusted; words right, tight boxes, right words doubted, wrong word zones
trusted, expected calibration error of the word confidences; pages ending
with status 0, pages whose -verify gave 99999.  With --features, writes one
row per scored word zone (box, text, confidence, doubt and whether it is
right) for tools/fit-confidence.py.  With --words, writes one tab-separated
row per truth word that is not right or not tight (page, truth line and word,
truth text and box, the zone paired with it, its text and box, box IoU, ink
IoU, what is wrong: "none" (no zone paired), "text", "overlap", "loose"),
then one per word zone paired with no truth word ("extra"), to see which
words fail and why.

Only the standard library is used; nothing of the pages is kept.
"""
import json
import os
import re
import struct
import sys
import unicodedata
import zlib
from collections import Counter
from html import unescape

STEP = 4  # cell size for outline overlaps


def nfc(text):
    return " ".join(unicodedata.normalize("NFC", text or "").split())


def read_zones(path):
    """(line number, attributes) of every DL_TEXTLINEGT zone."""
    zones = []
    if not os.path.exists(path):
        return zones
    with open(path, encoding="utf-8-sig") as f:
        for number, line in enumerate(f, 1):
            if "DL_TEXTLINEGT" not in line:
                continue
            attrs = {k: unescape(v) for k, v in re.findall(r' ([A-Za-z_]+)="([^"]*)"', line)}
            zones.append((number, attrs))
    return zones


def box_of(attrs):
    return [int(attrs.get(k, "0") or 0) for k in ("col", "row", "width", "height")]


def iou(a, b):
    w = min(a[0] + a[2], b[0] + b[2]) - max(a[0], b[0])
    h = min(a[1] + a[3], b[1] + b[3]) - max(a[1], b[1])
    if w <= 0 or h <= 0:
        return 0.0
    inter = w * h
    return inter / float(a[2] * a[3] + b[2] * b[3] - inter)


def crossings(poly, yc):
    """Sorted x where the row yc crosses the polygon's edges."""
    xs = []
    for i in range(len(poly)):
        (x0, y0), (x1, y1) = poly[i], poly[i - 1]
        if (y0 <= yc) != (y1 <= yc):
            xs.append(x0 + (yc - y0) * (x1 - x0) / (y1 - y0))
    xs.sort()
    return xs


def spans(poly):
    """Row -> (x0, x1) spans of a polygon, even-odd rule, every row."""
    out = {}
    if len(poly) < 3:
        return out
    ys = [p[1] for p in poly]
    for y in range(min(ys), max(ys) + 1):
        xs = crossings(poly, y + 0.5)
        row = []
        for k in range(0, len(xs) - 1, 2):
            a, b = int(round(xs[k])), int(round(xs[k + 1])) - 1
            if b >= a:
                row.append((a, b))
        if row:
            out[y] = row
    return out


def cells_of_poly(poly):
    cells = set()
    scaled = [(x / STEP, y / STEP) for x, y in poly]
    if len(scaled) < 3:
        return cells
    ys = [p[1] for p in scaled]
    for y in range(int(min(ys)), int(max(ys)) + 1):
        xs = crossings(scaled, y + 0.5)
        for k in range(0, len(xs) - 1, 2):
            for x in range(int(round(xs[k])), int(round(xs[k + 1]))):
                cells.add((x, y))
    return cells


def cells_of_box(b):
    return {(x, y) for y in range(b[1] // STEP, (b[1] + b[3]) // STEP + 1)
            for x in range(b[0] // STEP, (b[0] + b[2]) // STEP + 1)}


def read_grey_png(path):
    """Width, height and rows (bytes) of an 8-bit grey PNG."""
    with open(path, "rb") as f:
        data = f.read()
    pos, idat, width, height = 8, b"", 0, 0
    while pos < len(data):
        length, kind = struct.unpack(">I4s", data[pos:pos + 8])
        body = data[pos + 8:pos + 8 + length]
        if kind == b"IHDR":
            width, height, depth, colour = struct.unpack(">IIBB", body[:10])
            if depth != 8 or colour != 0:
                raise ValueError("not 8-bit grey")
        elif kind == b"IDAT":
            idat += body
        pos += 12 + length
    raw = zlib.decompress(idat)
    rows, prev, stride = [], bytearray(width), width + 1
    for y in range(height):
        f, line = raw[y * stride], bytearray(raw[y * stride + 1:(y + 1) * stride])
        if f == 1:
            for x in range(1, width):
                line[x] = (line[x] + line[x - 1]) & 255
        elif f == 2:
            line = bytearray((a + b) & 255 for a, b in zip(line, prev))
        elif f == 3:
            for x in range(width):
                line[x] = (line[x] + ((line[x - 1] if x else 0) + prev[x]) // 2) & 255
        elif f == 4:
            for x in range(width):
                a = line[x - 1] if x else 0
                b, c = prev[x], (prev[x - 1] if x else 0)
                p = a + b - c
                pa, pb, pc = abs(p - a), abs(p - b), abs(p - c)
                line[x] = (line[x] + (a if pa <= pb and pa <= pc else b if pb <= pc else c)) & 255
        rows.append(bytes(line))
        prev = line
    return width, height, rows


class Ink:
    """Ink as the word truth defines it, tested pixel by pixel."""

    def __init__(self, png):
        self.w, self.h, self.rows = read_grey_png(png)
        hist = [0] * 256
        for v, n in Counter(b"".join(self.rows)).items():
            hist[v] = n
        total = sum(hist)
        s_all = sum(i * n for i, n in enumerate(hist))
        best, self.otsu, wb, sb = -1, 0, 0, 0
        for t in range(256):
            wb += hist[t]
            sb += t * hist[t]
            wf = total - wb
            if wb == 0 or wf == 0:
                continue
            mb, mf = sb / wb, (s_all - sb) / wf
            between = wb * wf * (mb - mf) ** 2
            if between > best:
                best, self.otsu = between, t
        self.integral = None

    def _sum_table(self):
        from itertools import accumulate
        table = [[0] * (self.w + 1)]
        for r in self.rows:
            acc = [0] + list(accumulate(r))
            table.append(list(map(int.__add__, table[-1], acc)))
        self.integral = table

    def is_ink(self, x, y):
        if self.integral is None:
            self._sum_table()
        v = self.rows[y][x]
        if v > self.otsu:
            return False
        x0, x1 = max(0, x - 25), min(self.w, x + 26)
        y0, y1 = max(0, y - 25), min(self.h, y + 26)
        t = self.integral
        mean = (t[y1][x1] - t[y0][x1] - t[y1][x0] + t[y0][x0]) / ((x1 - x0) * (y1 - y0))
        return v < mean - 15

    def in_box(self, b):
        out = set()
        for y in range(max(0, b[1]), min(self.h, b[1] + b[3])):
            for x in range(max(0, b[0]), min(self.w, b[0] + b[2])):
                if self.is_ink(x, y):
                    out.add((x, y))
        return out

    def in_spans(self, sp, exclude):
        out = set()
        for y, row in sp.items():
            if y < 0 or y >= self.h:
                continue
            for a, b in row:
                for x in range(max(0, a), min(self.w - 1, b) + 1):
                    if (x, y) not in exclude and self.is_ink(x, y):
                        out.add((x, y))
        return out


def ece(pairs, bins=10):
    if not pairs:
        return None
    total, err = len(pairs), 0.0
    for k in range(bins):
        inside = [(c, r) for c, r in pairs if min(int(c * bins), bins - 1) == k]
        if inside:
            conf = sum(c for c, _ in inside) / len(inside)
            acc = sum(r for _, r in inside) / len(inside)
            err += len(inside) / total * abs(conf - acc)
    return err


def zone_doubted(attrs):
    try:
        conf = float(attrs.get("confidence", "1"))
    except ValueError:
        conf = 1.0
    return conf < 0.5 or bool(attrs.get("doubt", "").strip()), conf


def score_page(truth_dir, run_dir, page, features, listing=None):
    res = {"page": page}
    lines_truth = json.load(open(os.path.join(truth_dir, page + ".lines.json"), encoding="utf-8"))
    status_file = os.path.join(run_dir, "status")
    res["status"] = open(status_file).read().strip() if os.path.exists(status_file) else "?"
    verify = os.path.join(run_dir, "verify.txt")
    res["verify"] = os.path.exists(verify) and "99999" in open(verify, encoding="utf-8", errors="replace").read()

    doubted_lines = set()
    check = os.path.join(run_dir, "check.txt")
    if os.path.exists(check):
        for line in open(check, encoding="utf-8", errors="replace"):
            m = re.match(r"merged\.xml:(\d+): line ", line)
            if m:
                doubted_lines.add(int(m.group(1)))

    truth_cells = [cells_of_poly(t["polygon"]) for t in lines_truth]
    zones = [(n, a) for n, a in read_zones(os.path.join(run_dir, "merged.xml")) if box_of(a)[2] > 0]
    pairs = []
    for zi, (n, a) in enumerate(zones):
        pts = [tuple(map(int, p.split(","))) for p in a.get("polygon", "").split() if "," in p]
        zc = cells_of_poly(pts) if len(pts) >= 3 else cells_of_box(box_of(a))
        for ti, tc in enumerate(truth_cells):
            inter = len(zc & tc)
            if inter:
                pairs.append((inter / max(1, min(len(zc), len(tc))), zi, ti))
    pairs.sort(reverse=True)
    used_z, used_t, right_z = set(), set(), set()
    for share, zi, ti in pairs:
        if zi in used_z or ti in used_t or share < 0.5:
            continue
        used_z.add(zi)
        used_t.add(ti)
        t = lines_truth[ti]
        if t.get("text") is None or nfc(t["text"]) == nfc(zones[zi][1].get("contents", "")):
            right_z.add(zi)
    # Pages without any text (line finding only) are kept out of the totals.
    res["textless"] = all(t.get("text") is None for t in lines_truth)
    res["truth_lines"] = len(lines_truth)
    res["line_zones"] = len(zones)
    res["lines_right"] = len(right_z)
    res["right_lines_doubted"] = sum(1 for zi in right_z if zones[zi][0] in doubted_lines)
    wrong = [zi for zi in range(len(zones)) if zi not in right_z]
    res["wrong_lines"] = len(wrong)
    res["wrong_lines_trusted"] = sum(1 for zi in wrong if zones[zi][0] not in doubted_lines)

    words_path = os.path.join(truth_dir, page + ".words.json")
    if not os.path.exists(words_path):
        return res
    truth = json.load(open(words_path, encoding="utf-8"))
    lines_with_words = {w["line"] for w in truth}
    wzones = [a for _, a in read_zones(os.path.join(run_dir, "words.xml"))]
    # Zones lying mostly on a line without word truth are left out.
    kept = []
    for a in wzones:
        zc = cells_of_box(box_of(a))
        best, line = 0, -1
        for ti, tc in enumerate(truth_cells):
            inter = len(zc & tc)
            if inter > best:
                best, line = inter, ti
        if line >= 0 and line not in lines_with_words:
            continue
        kept.append(a)
    grey = os.path.join(run_dir, "review-page.png")
    ink = Ink(grey if os.path.exists(grey) else os.path.join(run_dir, "grey.png"))
    word_spans = [spans([tuple(p) for p in w["polygon"]]) for w in truth]
    cover = {}
    for k, sp in enumerate(word_spans):
        for y, row in sp.items():
            for a, b in row:
                for x in range(a, b + 1):
                    cover[(x, y)] = cover.get((x, y), 0) + 1
    shared = {p for p, n in cover.items() if n > 1}
    word_ink = [ink.in_spans(sp, shared) for sp in word_spans]
    zone_ink = {}
    cand = []
    for ti, w in enumerate(truth):
        for zi, a in enumerate(kept):
            b = box_of(a)
            bi = iou(w["bbox"], b)
            tb = w["bbox"]
            if b[0] > tb[0] + tb[2] or tb[0] > b[0] + b[2] or b[1] > tb[1] + tb[3] or tb[1] > b[1] + b[3]:
                continue
            if zi not in zone_ink:
                zone_ink[zi] = ink.in_box(b)
            inter = len(word_ink[ti] & zone_ink[zi])
            union = len(word_ink[ti] | zone_ink[zi])
            ii = inter / union if union else 0.0
            if bi > 0 or ii > 0:
                cand.append((max(bi, ii), bi, ii, ti, zi))
    cand.sort(reverse=True)
    used_t, used_z = set(), set()
    right, tight, overlap_only = set(), 0, 0
    paired = {}
    for ov, bi, ii, ti, zi in cand:
        if ti in used_t or zi in used_z:
            continue
        used_t.add(ti)
        used_z.add(zi)
        paired[ti] = (zi, bi, ii)
        if bi >= 0.5 or ii >= 0.5:
            overlap_only += 1
            if nfc(truth[ti]["text"]) == nfc(kept[zi].get("contents", "")):
                right.add(zi)
                tight += bi >= 0.5
    if listing is not None:
        for ti, w in enumerate(truth):
            zi, bi, ii = paired.get(ti, (None, 0.0, 0.0))
            if zi is None:
                why, text, box = "none", "", ""
            else:
                text, box = kept[zi].get("contents", ""), ",".join(map(str, box_of(kept[zi])))
                why = ("text" if nfc(w["text"]) != nfc(text) else "overlap" if max(bi, ii) < 0.5
                       else "loose" if bi < 0.5 else "")
            if why:
                listing.append("\t".join([page, str(w["line"]), str(w.get("word", "")), w["text"],
                                          ",".join(map(str, w["bbox"])), text, box, "%.2f" % bi, "%.2f" % ii, why]))
        for zi, a in enumerate(kept):
            if zi not in used_z:
                listing.append("\t".join([page, "", "", "", "", a.get("contents", ""),
                                          ",".join(map(str, box_of(a))), "", "", "extra"]))
    res["truth_words"] = len(truth)
    res["word_zones"] = len(kept)
    res["words_right"] = len(right)
    res["words_overlap"] = overlap_only
    res["tight"] = tight
    conf_pairs = []
    rd = wt = 0
    for zi, a in enumerate(kept):
        doubted, conf = zone_doubted(a)
        conf_pairs.append((conf, 1 if zi in right else 0))
        if zi in right:
            rd += doubted
        else:
            wt += not doubted
        if features is not None:
            features.append({"page": page, "right": zi in right, "box": box_of(a), "text": a.get("contents", ""),
                             "confidence": conf, "doubt": a.get("doubt", "")})
    res["right_words_doubted"] = rd
    res["wrong_words"] = len(kept) - len(right)
    res["wrong_words_trusted"] = wt
    res["conf_pairs"] = conf_pairs
    return res


def pct(a, b):
    return "n/a" if not b else "%.1f" % (100.0 * a / b)


def main():
    args = sys.argv[1:]
    features_out = None
    if "--features" in args:
        k = args.index("--features")
        features_out = args[k + 1]
        del args[k:k + 2]
    words_out = None
    if "--words" in args:
        k = args.index("--words")
        words_out = args[k + 1]
        del args[k:k + 2]
    if len(args) != 2:
        print(__doc__, file=sys.stderr)
        return 2
    truth_dir, run_root = args
    features = [] if features_out else None
    pages = sorted(d for d in os.listdir(run_root) if os.path.exists(os.path.join(truth_dir, d + ".lines.json")))
    listing = [] if words_out else None
    results = [score_page(truth_dir, os.path.join(run_root, p), p, features, listing) for p in pages]
    if words_out:
        with open(words_out, "w", encoding="utf-8") as f:
            for row in listing:
                f.write(row + "\n")
    fmt = "%-40s %6s %6s %6s %6s | %6s %6s %6s %6s %6s %5s | %s %s"
    print(fmt % ("page", "lines", "lineT", "lRdbt", "lWtru", "words", "wordT", "tight", "wRdbt", "wWtru", "ECE",
                 "status", "verify"))
    tot = {}
    for r in results:
        if r["textless"]:
            continue
        for k, v in r.items():
            if isinstance(v, int) and not isinstance(v, bool):
                tot[k] = tot.get(k, 0) + v
        tot.setdefault("conf_pairs", []).extend(r.get("conf_pairs", []))
        e = ece(r.get("conf_pairs", []))
        print(fmt % (r["page"][:40], r["truth_lines"], pct(r["lines_right"], r["truth_lines"]),
                     pct(r["right_lines_doubted"], r["lines_right"]), pct(r["wrong_lines_trusted"], r["wrong_lines"]),
                     r.get("truth_words", "-"), pct(r.get("words_right", 0), r.get("truth_words", 0)),
                     pct(r.get("tight", 0), r.get("truth_words", 0)),
                     pct(r.get("right_words_doubted", 0), r.get("words_right", 0)),
                     pct(r.get("wrong_words_trusted", 0), r.get("wrong_words", 0)),
                     "-" if e is None else "%.3f" % e, r["status"], "99999" if r["verify"] else "no"))
    e = ece(tot.get("conf_pairs", []))
    print(fmt % ("all", tot.get("truth_lines", 0), pct(tot.get("lines_right", 0), tot.get("truth_lines", 0)),
                 pct(tot.get("right_lines_doubted", 0), tot.get("lines_right", 0)),
                 pct(tot.get("wrong_lines_trusted", 0), tot.get("wrong_lines", 0)),
                 tot.get("truth_words", 0), pct(tot.get("words_right", 0), tot.get("truth_words", 0)),
                 pct(tot.get("tight", 0), tot.get("truth_words", 0)),
                 pct(tot.get("right_words_doubted", 0), tot.get("words_right", 0)),
                 pct(tot.get("wrong_words_trusted", 0), tot.get("wrong_words", 0)),
                 "-" if e is None else "%.3f" % e, "", ""))
    print("lines right doubted %d of %d, wrong lines trusted %d of %d; words right doubted %d of %d, "
          "wrong word zones trusted %d of %d; words matched by overlap alone %d of %d"
          % (tot.get("right_lines_doubted", 0), tot.get("lines_right", 0), tot.get("wrong_lines_trusted", 0),
             tot.get("wrong_lines", 0), tot.get("right_words_doubted", 0), tot.get("words_right", 0),
             tot.get("wrong_words_trusted", 0), tot.get("wrong_words", 0), tot.get("words_overlap", 0),
             tot.get("truth_words", 0)))
    results = [r for r in results if not r["textless"]]
    all_right = [r for r in results if r["lines_right"] == r["truth_lines"] == r["line_zones"]
                 and r.get("words_right", 0) == r.get("truth_words", 0) == r.get("word_zones", 0)]
    print("pages ending status 0: %d of %d; all-right pages: %d, of which status 0: %d; pages with a wrong zone "
          "ending status 0: %d; -verify 99999: %d of %d"
          % (sum(r["status"] == "0" for r in results), len(results), len(all_right),
             sum(r["status"] == "0" for r in all_right),
             sum(r["status"] == "0" for r in results if r not in all_right),
             sum(r["verify"] for r in results), len(results)))
    if features_out:
        with open(features_out, "w", encoding="utf-8") as f:
            json.dump(features, f)
    return 0


if __name__ == "__main__":
    sys.exit(main())
