#!/usr/bin/env python3
"""Fits the checker's word confidence: a logistic regression over the
evidence zone_evidence prints, on word zones labelled right or wrong.

    fit-confidence.py [--build DIR] [--gen RUNDIR PAGESDIR] [--real RUNDIR FEATURES.json] [--miss RATE] [--real-weight W] [--hands]
                      [--leave-one-out]

--gen: working folders of tools/tavoalign-page on generated pages (RUNDIR/<page>,
as tools/run-quality.sh leaves them in WORKDIR/new) and the pages with their
truth (WORKDIR/pages).  --real: working folders on real pages and the labels
tools/score-realpages.py wrote with --features.  In every folder -words is run
again on merged.xml (the checker weighs the word finder's own confidence),
then zone_evidence.  Prints the coefficients for review/ZoneScore.cpp, the
calibration on the data and the doubt threshold that keeps the share of wrong
zones trusted at the target miss rate (default 0.05; counted on the real pages'
wrong zones when there are any, else on all), and with --hands the hand model
of every real page.  Chances are taken as the checker writes them: the fitted
chance times the share the evidence beyond the fit leaves (ruledOut).  The
real pages weigh --real-weight (default 4) times the generated ones in all.
With --leave-one-out, each real page is also judged by a fit and a threshold
made without it, and the right zones doubted and wrong zones trusted are
summed over the pages: what to expect on pages the fit has not seen.

Standard library only.  The data stay where they are; nothing is written.
"""
import glob
import importlib.util
import json
import math
import os
import subprocess
import sys
import tempfile

# Box overlap exactly as the real-page scorer measures it.
_spec = importlib.util.spec_from_file_location(
    "score_realpages", os.path.join(os.path.dirname(os.path.abspath(__file__)), "score-realpages.py"))
_scorer = importlib.util.module_from_spec(_spec)
_spec.loader.exec_module(_scorer)
iou = _scorer.iou

FEATURES = ["bodies", "length", "cut", "overlap", "finder", "lineDoubt"]


def evidence(build, run_dir):
    image = [f for f in glob.glob(os.path.join(run_dir, "page.*")) if f.rsplit(".", 1)[1] in ("png", "jpg", "tif")]
    if not image or not os.path.exists(os.path.join(run_dir, "merged.xml")):
        return None, []
    with tempfile.TemporaryDirectory() as tmp:
        raw = os.path.join(tmp, "raw.xml")
        subprocess.run([os.path.join(build, "tavoalign"), "-words", image[0], os.path.join(run_dir, "merged.xml"),
                        raw, "-readorderRL"], capture_output=True)
        out = subprocess.run([os.path.join(build, "zone_evidence"), image[0], raw,
                              os.path.join(run_dir, "merged.xml")], capture_output=True, text=True).stdout
    rows = [json.loads(l) for l in out.splitlines() if l.strip()]
    return (rows[0], rows[1:]) if rows else (None, [])


def label_generated(rows, truth):
    words = [(w["bbox"], w["text"]) for line in truth["lines"] for w in line.get("words", [])]
    pairs = sorted(((iou(t[0], r["box"]), ti, ri) for ti, t in enumerate(words) for ri, r in enumerate(rows)
                    if iou(t[0], r["box"]) >= 0.5), reverse=True)
    used_t, used_r, right = set(), set(), set()
    for _, ti, ri in pairs:
        if ti in used_t or ri in used_r:
            continue
        used_t.add(ti)
        used_r.add(ri)
        if words[ti][1].replace(" ", "") == rows[ri]["text"].replace(" ", ""):
            right.add(ri)
    return [(r, ri in right) for ri, r in enumerate(rows)]


def solve(a, b):
    n = len(b)
    m = [row[:] + [b[i]] for i, row in enumerate(a)]
    for c in range(n):
        p = max(range(c, n), key=lambda r: abs(m[r][c]))
        m[c], m[p] = m[p], m[c]
        for r in range(n):
            if r != c and m[c][c]:
                f = m[r][c] / m[c][c]
                m[r] = [x - f * y for x, y in zip(m[r], m[c])]
    return [m[i][n] / m[i][i] for i in range(n)]


def fit(data, l2=0.01):
    """Newton's method on the penalised log-likelihood; data: (x, y, weight)."""
    k = len(data[0][0]) + 1
    w = [0.0] * k
    for _ in range(30):
        grad = [0.0] * k
        hess = [[0.0] * k for _ in range(k)]
        for x, y, weight in data:
            xs = [1.0] + x
            z = sum(a * b for a, b in zip(w, xs))
            p = 1 / (1 + math.exp(-max(-30, min(30, z))))
            for i in range(k):
                grad[i] += weight * (y - p) * xs[i]
                for j in range(k):
                    hess[i][j] += weight * p * (1 - p) * xs[i] * xs[j]
        for i in range(1, k):
            grad[i] -= l2 * w[i] * len(data)
            hess[i][i] += l2 * len(data)
        step = solve(hess, grad)
        w = [a + b for a, b in zip(w, step)]
        if max(abs(s) for s in step) < 1e-6:
            break
    return w


def prob(w, x):
    z = w[0] + sum(a * b for a, b in zip(w[1:], x))
    return 1 / (1 + math.exp(-max(-30, min(30, z))))


def chance(w, x, ruled):
    """The chance the checker writes: fitted, times what the evidence beyond the fit leaves."""
    return ruled * prob(w, x)


def doubted(w, x, ruled, threshold):
    """As the checker decides: the fitted chance measured against the
    threshold (its log-odds taken off), times what the evidence beyond the
    fit leaves, below one half."""
    shift = math.log(threshold / (1 - threshold))
    z = w[0] + sum(a * b for a, b in zip(w[1:], x)) - shift
    return ruled / (1 + math.exp(-max(-30, min(30, z)))) < 0.5


def pick_threshold(w, rows, miss):
    """The lowest threshold (in steps of 0.005) that trusts no more wrong
    zones than the miss rate of them, rounded."""
    wrong = [(x, r) for x, y, r in rows if not y]
    allowed = int(round(miss * len(wrong)))
    for step in range(100, 200):
        t = step / 200
        if sum(1 for x, r in wrong if not doubted(w, x, r, t)) <= allowed:
            return t
    return 0.995


def report(name, w, data, threshold):
    pairs = [(chance(w, x, r), y) for x, y, r in data]
    bins = [[0, 0.0, 0] for _ in range(10)]
    for p, y in pairs:
        b = bins[min(int(p * 10), 9)]
        b[0] += 1
        b[1] += p
        b[2] += y
    ece = sum(abs(b[1] - b[2]) for b in bins) / max(1, len(pairs))
    right = [p for p, y in pairs if y]
    wrong = [p for p, y in pairs if not y]
    right_doubted = sum(1 for x, y, r in data if y and doubted(w, x, r, threshold))
    wrong_trusted = sum(1 for x, y, r in data if not y and not doubted(w, x, r, threshold))
    print("%-10s zones %5d wrong %4d  right doubted %.3f  wrong trusted %.3f  ECE %.3f"
          % (name, len(pairs), len(wrong), right_doubted / max(1, len(right)),
             wrong_trusted / max(1, len(wrong)), ece))


def fit_sets(sets, real_weight):
    """Each set weighs as much in total as the other, the real pages
    real_weight times that."""
    data = []
    for name, rows in sets.items():
        if rows:
            share = 1.0 / len(rows) * max(len(v) for v in sets.values() if v)
            data += [(x, y, share * (real_weight if name == "real" else 1.0)) for x, y, _ in rows]
    return fit(data)


def leave_one_out(sets, real_pages, real_weight, miss):
    counts = [0, 0, 0, 0]  # right doubted, right, wrong trusted, wrong
    for page in sorted(set(real_pages)):
        kept = [row for row, p in zip(sets["real"], real_pages) if p != page]
        left = [row for row, p in zip(sets["real"], real_pages) if p == page]
        w = fit_sets({"generated": sets["generated"], "real": kept}, real_weight)
        t = pick_threshold(w, kept or sets["generated"], miss)
        for x, y, r in left:
            counts[0 if y else 2] += bool(doubted(w, x, r, t)) == bool(y)
            counts[1 if y else 3] += 1
    print("left out one real page at a time: right doubted %d of %d, wrong trusted %d of %d"
          % (counts[0], counts[1], counts[2], counts[3]))


def main():
    args = sys.argv[1:]
    build, gen, real, miss, verbose, real_weight, held_out = "build", [], [], 0.05, False, 4.0, False
    while args:
        a = args.pop(0)
        if a == "--build":
            build = args.pop(0)
        elif a == "--gen":
            gen.append((args.pop(0), args.pop(0)))
        elif a == "--real":
            real.append((args.pop(0), args.pop(0)))
        elif a == "--real-weight":
            real_weight = float(args.pop(0))
        elif a == "--hands":
            verbose = True
        elif a == "--leave-one-out":
            held_out = True
        elif a == "--miss":
            miss = float(args.pop(0))
        else:
            print(__doc__, file=sys.stderr)
            return 2
    sets = {"generated": [], "real": []}
    real_pages = []  # the page of each real row
    for run_root, pages in gen:
        for d in sorted(os.listdir(run_root)):
            truth = os.path.join(pages, d + ".truth.json")
            if not os.path.exists(truth):
                continue
            _, rows = evidence(build, os.path.join(run_root, d))
            for r, y in label_generated(rows, json.load(open(truth, encoding="utf-8"))):
                if not r["void"]:
                    sets["generated"].append(([r[f] for f in FEATURES], 1 if y else 0, r["ruledOut"]))
    for run_root, features in real:
        labels = {}
        for z in json.load(open(features, encoding="utf-8")):
            labels[(z["page"], tuple(z["box"]), z["text"])] = z["right"]
        for d in sorted(os.listdir(run_root)):
            hand, rows = evidence(build, os.path.join(run_root, d))
            if hand and rows and verbose:
                print("hand %s: %s" % (d, json.dumps(hand)))
            for r in rows:
                key = (d, tuple(r["box"]), r["text"])
                if key in labels and not r["void"]:
                    sets["real"].append(([r[f] for f in FEATURES], 1 if labels[key] else 0, r["ruledOut"]))
                    real_pages.append((run_root, d))
    w = fit_sets(sets, real_weight)
    # The threshold is set where the wrong zones of real pages are trusted at
    # the miss rate; generated pages' wrong zones are easier to tell.
    target = sets["real"] or sets["generated"]
    print("bias %.3f" % w[0])
    for f, c in zip(FEATURES, w[1:]):
        print("%-10s %.3f" % (f, -c))
    threshold = pick_threshold(w, target, miss)
    print("doubt below %.3f keeps wrong zones trusted at %.2f" % (threshold, miss))
    for name, rows in sets.items():
        if rows:
            report(name, w, rows, threshold)
    # The trade-off: what other targets would cost.
    for rate in (0.1, 0.2, 0.3, 0.5):
        t = pick_threshold(w, target, rate)
        for name, rows in sets.items():
            if rows:
                report("%s@%.2f" % (name[:4], t), w, rows, t)
    if held_out and sets["real"]:
        leave_one_out(sets, real_pages, real_weight, miss)
    return 0


if __name__ == "__main__":
    sys.exit(main())
