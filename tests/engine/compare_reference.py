#!/usr/bin/env python3
"""Runs the engine's job command and the independent reference on the same job
files and compares their result files byte for byte.

    python3 compare_reference.py --cli PATH/tarnovel-cli --work DIR [--keep]

Every case gets DIR/<case>/cli and DIR/<case>/ref with its own copy of the job
file; both programs run inside their folder on the same relative file name, so
even the "Data file" line must agree. A case passes when both succeed or both
fail (exit status zero or not) and they leave the same files with the same
bytes. The cases are generated from a fixed seed. The reference runs inside
the worker processes: an interpreter start per case would cost more than the
jobs.
"""

import argparse
import concurrent.futures
import contextlib
import io
import json
import math
import os
import random
import shutil
import subprocess
import sys
import traceback
from dataclasses import dataclass, field

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, os.path.join(HERE, "..", "reference"))
import dregmult  # noqa: E402
STRD_DIR = os.path.join(HERE, "..", "data", "strd")
SEED = 20240611
TIMEOUT = 120


@dataclass
class Case:
    name: str
    file: str  # relative path given to both programs
    content: bytes | None  # None: the job file does not exist
    flags: list = field(default_factory=list)


# ----------------------------------------------------------------- job files


def num(v):
    """Shortest text that reads back as the same double."""
    if isinstance(v, str):
        return v
    if v == 0:
        return "-0" if math.copysign(1.0, v) < 0 else "0"
    if v == int(v) and abs(v) < 1e15:
        return str(int(v))
    return repr(v)


def job(title, xnames, yname, records, *, m=None, n=None, eol="\r\n", fmt=num, sep=" "):
    """A job file as the regression run writes it: every value followed by
    one blank, CR LF line ends."""
    lines = [title, "%s variables" % (len(xnames) + 1 if m is None else m)]
    lines += list(xnames) + [yname, "%s observations" % (len(records) if n is None else n)]
    for rec in records:
        lines.append("".join(fmt(v) + sep for v in rec))
    return (eol.join(lines) + eol).encode("utf-8")


def padded(v):
    return num(v).ljust(15)


def xy(xs, ys, ss=None):
    cols = [list(c) for c in xs] if xs and isinstance(xs[0], (list, tuple)) else [[x] for x in xs]
    if ss is None:
        return [c + [y] for c, y in zip(cols, ys)]
    return [c + [y, s] for c, y, s in zip(cols, ys, ss)]


def names(k):
    return ["x%d-%02d-2004" % (j, j) for j in range(1, k + 1)]


def groundwater(rng, n, k, noise=0.15):
    """MxW values regressed on water tables measured on k dates."""
    base = [rng.uniform(-2.2, -0.2) for _ in range(n)]
    xs = [[round(b + rng.gauss(0.1 * j, noise), 2) for j in range(k)] for b in base]
    ys = [round(0.3 + 0.9 * b + rng.gauss(0, 0.08), 2) for b in base]
    ss = [round(rng.uniform(0.02, 0.4), 3) for _ in range(n)]
    return xs, ys, ss


# --------------------------------------------------------------------- cases


def workflow_cases(rng):
    cases = []
    xs, ys, ss = groundwater(rng, 24, 1)
    body = job("nostrata-14-03-2004-14-03-2004-MHW-ong", ["14-03-2004     "], "MHW            ",
               xy(xs, ys), fmt=padded)
    cases.append(Case("single-date", "nostrata-14-03-2004-14-03-2004-MHW-ong.dat", body))
    body = job("nostrata-14-03-2004-14-03-2004-MHW-gew", ["14-03-2004     "], "MHW            ",
               xy(xs, ys, ss), fmt=padded)
    cases.append(Case("single-date-weighted", "nostrata-14-03-2004-14-03-2004-MHW-gew.dat", body,
                      ["--weighted"]))
    xs, ys, ss = groundwater(rng, 31, 2)
    cases.append(Case("date-pair", "clay-28-04-2004-14-03-2004-MLW-ong.dat",
                      job("clay date pair", names(2), "MLW", xy(xs, ys))))
    cases.append(Case("date-pair-weighted", "clay-28-04-2004-14-03-2004-MLW-gew.dat",
                      job("clay date pair", names(2), "MLW", xy(xs, ys, ss)), ["--weighted"]))
    xs, ys, ss = groundwater(rng, 18, 1)
    cases.append(Case("no-constant-k1", "noconst1.dat",
                      job("through the origin", names(1), "y", xy(xs, ys)), ["--no-constant"]))
    cases.append(Case("no-constant-k1-weighted", "noconst1w.dat",
                      job("through the origin", names(1), "y", xy(xs, ys, ss)),
                      ["--no-constant", "--weighted"]))
    xs, ys, ss = groundwater(rng, 18, 2)
    cases.append(Case("no-constant-k2", "noconst2.dat",
                      job("through the origin", names(2), "y", xy(xs, ys)), ["--no-constant"]))
    xs, ys, ss = groundwater(rng, 40, 10, noise=0.3)
    cases.append(Case("k10", "k10.dat", job("ten dates", names(10), "MSW", xy(xs, ys))))
    cases.append(Case("k10-weighted", "k10w.dat",
                      job("ten dates", names(10), "MSW", xy(xs, ys, ss)), ["--weighted"]))
    xs, ys, _ = groundwater(rng, 15, 1)
    cases.append(Case("all-s-equal", "equal-s.dat",
                      job("all sd equal", names(1), "y", xy(xs, ys, [0.25] * 15)), ["--weighted"]))
    cases.append(Case("all-s-equal-unweighted", "equal-s-ong.dat",
                      job("all sd equal", names(1), "y", xy(xs, ys))))
    cases.append(Case("all-s-zero", "zero-s.dat",
                      job("all sd zero", names(1), "y", xy(xs, ys, [0] * 15)), ["--weighted"]))
    return cases


def design_cases(rng):
    cases = []
    xs, ys, ss = groundwater(rng, 12, 1)
    dup = [[x[0], x[0]] for x in xs]
    cases.append(Case("duplicated-column", "dup.dat", job("same date twice", names(2), "y",
                                                          xy(dup, ys))))
    cases.append(Case("duplicated-column-weighted", "dupw.dat",
                      job("same date twice", names(2), "y", xy(dup, ys, ss)), ["--weighted"]))
    zero = [[x[0], 0.0] for x in xs]
    cases.append(Case("zero-column", "zero.dat", job("empty column", names(2), "y", xy(zero, ys))))
    const = [[x[0], -1.5] for x in xs]
    cases.append(Case("constant-column", "const.dat",
                      job("constant column", names(2), "y", xy(const, ys))))
    cases.append(Case("constant-column-no-constant", "constnc.dat",
                      job("constant column", names(2), "y", xy(const, ys)), ["--no-constant"]))
    cases.append(Case("all-x-zero", "allzero.dat",
                      job("no data", names(1), "y", xy([0.0] * 6, [1, 2, 3, 4, 5, 6]))))
    cases.append(Case("all-x-zero-no-constant", "allzeronc.dat",
                      job("no data", names(1), "y", xy([0.0] * 6, [1, 2, 3, 4, 5, 6])),
                      ["--no-constant"]))
    cases.append(Case("all-zero", "nothing.dat",
                      job("zeros", names(2), "y", [[0, 0, 0]] * 5)))
    xs = [1, 2, 3, 4, 5, 6, 7]
    cases.append(Case("exact-2-plus-3x", "exact.dat",
                      job("y = 2 + 3x", ["x"], "y", xy(xs, [2 + 3 * x for x in xs]))))
    cases.append(Case("exact-2-plus-3x-weighted", "exactw.dat",
                      job("y = 2 + 3x", ["x"], "y", xy(xs, [2 + 3 * x for x in xs],
                                                      [0.1, 0.2, 0.3, 0.1, 0.2, 0.3, 0.5])),
                      ["--weighted"]))
    # These decompose exactly: every residual is 0 and F is the largest real
    # (the one-parameter fits report F = 0 instead).
    cases.append(Case("exact-zero-residuals", "zerores.dat",
                      job("y = 1 + x", ["x"], "y", xy([0, 1, 2, 3], [1, 2, 3, 4]))))
    cases.append(Case("near-exact-weighted", "zeroresw.dat",
                      job("y = 2 + x/2", ["x"], "y", xy([1, 2, 4, 8], [2.5, 3, 4, 6],
                                                         [0, 0.5, 1, 3])), ["--weighted"]))
    cases.append(Case("exact-zero-residuals-one-parameter", "zerores1.dat",
                      job("y = 5", ["one"], "y", xy([1, 1, 1, 1], [5, 5, 5, 5])),
                      ["--no-constant"]))
    cases.append(Case("exact-zero-residuals-one-parameter-2", "zerores2.dat",
                      job("y = 2x", ["x"], "y", xy([2, 2, 2], [4, 4, 4])), ["--no-constant"]))
    cases.append(Case("sst-zero", "flat.dat",
                      job("all y equal", names(1), "y", xy([0.5, 1.25, -0.75, 2.0, 1.0],
                                                           [-1.3] * 5))))
    cases.append(Case("sst-zero-weighted", "flatw.dat",
                      job("all y equal", names(1), "y",
                          xy([0.5, 1.25, -0.75, 2.0, 1.0], [-1.3] * 5, [0.1, 0.2, 0.3, 0.4, 0.5])),
                      ["--weighted"]))
    cases.append(Case("n1-k1", "n1.dat", job("one observation", names(1), "y", [[1.5, -0.8]])))
    cases.append(Case("n1-k1-no-constant", "n1nc.dat",
                      job("one observation", names(1), "y", [[1.5, -0.8]]), ["--no-constant"]))
    cases.append(Case("n2-k1", "n2.dat",
                      job("two observations", names(1), "y", [[1.5, -0.8], [0.5, -1.1]])))
    cases.append(Case("n2-k1-weighted", "n2w.dat",
                      job("two observations", names(1), "y", [[1.5, -0.8, 0.1], [0.5, -1.1, 0.3]]),
                      ["--weighted"]))
    cases.append(Case("n1-k3", "n1k3.dat",
                      job("fewer rows than columns", names(3), "y", [[1.5, -0.8, 0.25, -1.0]])))
    cases.append(Case("n2-k4-no-constant", "n2k4.dat",
                      job("fewer rows than columns", names(4), "y",
                          [[1.5, -0.8, 0.25, 2.0, -1.0], [0.5, 0.1, -0.6, 1.0, -2.0]]),
                      ["--no-constant"]))
    cases.append(Case("n3-k2-exactly-determined", "n3k2.dat",
                      job("as many rows as parameters", names(2), "y",
                          [[1, 2, 3], [2, 1, 5], [0.5, 0.5, 1]])))
    xs, ys, ss = groundwater(rng, 20, 2)
    cases.append(Case("offset-1e6", "offset.dat",
                      job("large offsets", names(2), "y",
                          xy([[1e6 + a, 1e6 + b] for a, b in xs], [1e6 + y for y in ys]))))
    cases.append(Case("offset-1e6-weighted", "offsetw.dat",
                      job("large offsets", names(2), "y",
                          xy([[1e6 + a, 1e6 + b] for a, b in xs], [1e6 + y for y in ys], ss)),
                      ["--weighted"]))
    cases.append(Case("values-1e20", "huge.dat",
                      job("beyond 18 digits", names(2), "y",
                          xy([[a * 1e20, b * 3e19] for a, b in xs], [y * 7e20 for y in ys]))))
    cases.append(Case("values-1e40", "e40.dat",
                      job("exponent forms everywhere", names(2), "y",
                          xy([[a, b * 1e3] for a, b in xs], [y * 1e40 + a * 3e39 for y, (a, _)
                                                              in zip(ys, xs)]))))
    cases.append(Case("values-1e40-weighted", "e40w.dat",
                      job("exponent forms everywhere", names(1), "y",
                          xy([a for a, _ in xs], [-y * 1e40 for y in ys], ss)), ["--weighted"]))
    cases.append(Case("denormals", "denormal.dat",
                      job("denormal values", names(1), "y",
                          xy([1, 2, 3, 4, 5], ["5e-324", "1e-310", "0", "2.5e-320", "-4e-315"]))))
    cases.append(Case("values-1e-6", "tiny.dat",
                      job("small values", names(2), "y",
                          xy([[a * 1e-6, b * 1e-6] for a, b in xs], [y * 1e-6 for y in ys]))))
    cases.append(Case("values-1e-200", "tinier.dat",
                      job("squares underflow", names(1), "y",
                          xy([a * 1e-200 for a, b in xs], [y * 1e-200 for y in ys]))))
    # The sums of squares overflow to inf while b, V and the fitted values stay
    # finite: F would be inf.
    cases.append(Case("values-1e154", "sstinf.dat",
                      job("explained variance overflows", names(1), "y",
                          xy([a * 1e154 for a, b in xs],
                             [(2.0 * a + 1e-10 * y) * 1e154 for (a, b), y in zip(xs, ys)]))))
    cases.append(Case("values-1e170", "overflow.dat",
                      job("squares overflow", names(1), "y",
                          xy([a * 1e170 for a, b in xs], [y * 1e170 for y in ys]))))
    cases.append(Case("negative-zero", "negzero.dat",
                      job("negative zeros", names(1), "y",
                          xy(["-0", "-0.0", "1", "2", "3"], ["-0", "1", "-0.000", "2.5", "3"]))))
    rounding = [0.00005, 0.00015, 2.675, -0.00004, -0.00005, 1234.56785, 0.125, -2.5e-5,
                999999.99995, 123456789012345678901.0]
    cases.append(Case("rounding-halves", "halves.dat",
                      job("half-way values", names(1), "y",
                          xy([float(i) for i in range(len(rounding))], rounding))))
    xs, ys, ss = groundwater(rng, 8190, 2)
    cases.append(Case("n8190-weighted", "big.dat",
                      job("largest job", names(2), "y", xy(xs, ys, ss), fmt=padded),
                      ["--weighted"]))
    xs, ys, _ = groundwater(rng, 70, 45, noise=0.5)
    cases.append(Case("k45", "k45.dat", job("many dates", names(45), "y", xy(xs, ys))))
    # y unrelated to the 30 dates: Prob(>F) is visible, and with 30 and 369
    # degrees of freedom the F tail takes the logarithmic branch.
    xs, _, ss = groundwater(rng, 400, 30, noise=0.5)
    ys = [round(rng.gauss(-1.0, 0.4), 2) for _ in xs]
    cases.append(Case("k30-n400-no-relation", "k30.dat",
                      job("noise", names(30), "y", xy(xs, ys, ss)), ["--weighted"]))
    return cases


def layout_cases(rng):
    cases = []
    xs, ys, ss = groundwater(rng, 9, 2)
    recs = xy(xs, ys, ss)
    base = job("layout", names(2), "y", recs)
    cases.append(Case("layout-reference", "layout.dat", base, ["--weighted"]))
    head = "layout\r\n3 variables\r\n%s\r\n%s\r\ny\r\n9 observations\r\n" % tuple(names(2))
    spread = head + "".join("%s\r\n%s\r\n\r\n%s %s\r\n" % tuple(num(v) for v in r) for r in recs)
    cases.append(Case("records-spread-over-lines", "spread.dat", spread.encode(), ["--weighted"]))
    two = head + "".join(" ".join(num(v) for v in recs[i] + recs[i + 1]) + "\r\n"
                         for i in range(0, 8, 2)) + " ".join(num(v) for v in recs[8]) + "\r\n"
    cases.append(Case("two-records-per-line", "twoper.dat", two.encode(), ["--weighted"]))
    tabs = head.replace("\r\n3 variables", "\r\n 3\tvariables") + "".join(
        "\t  %s\t\t%s  \t %s \t%s\t \r\n" % tuple(num(v) for v in r) for r in recs)
    cases.append(Case("tabs-and-blanks", "tabs.dat", tabs.encode(), ["--weighted"]))
    cases.append(Case("cr-line-ends", "cr.dat", base.replace(b"\r\n", b"\r"), ["--weighted"]))
    cases.append(Case("lf-line-ends", "lf.dat", base.replace(b"\r\n", b"\n"), ["--weighted"]))
    cases.append(Case("mixed-line-ends", "mixed.dat",
                      base.replace(b"\r\n", b"\n", 3).replace(b"\r\n", b"\r", 4), ["--weighted"]))
    cases.append(Case("no-final-line-end", "nofinal.dat", base.rstrip(b"\r\n "), ["--weighted"]))
    cases.append(Case("ends-early", "short.dat", base[: len(base) - 40], ["--weighted"]))
    cases.append(Case("ends-after-n", "onlyhead.dat", head.encode(), ["--weighted"]))
    cases.append(Case("blank-line-before-m", "blankm.dat",
                      base.replace(b"layout\r\n", b"layout\r\n\r\n", 1), ["--weighted"]))
    cases.append(Case("sub-folder", "sub/deeper/job.dat", base, ["--weighted"]))
    cases.append(Case("dots-in-name", "a.b.dat", base, ["--weighted"]))
    cases.append(Case("dot-in-folder-name", "run.v2/job.dat", base, ["--weighted"]))
    cases.append(Case("dot-slash", "./job.dat", base, ["--weighted"]))
    cases.append(Case("date-with-dots", "nostrata-14.03.2004-14.03.2004-MHW-gew.dat", base,
                      ["--weighted"]))
    cases.append(Case("no-dot-in-name", "jobfile", base, ["--weighted"]))
    cases.append(Case("leading-dot", ".hidden.dat", base, ["--weighted"]))
    cases.append(Case("empty-title-and-names", "empty-names.dat",
                      job("", ["", "   "], "", recs), ["--weighted"]))
    cases.append(Case("number-forms", "forms.dat",
                      job("number forms", ["x"], "y",
                          [["+1", "2."], ["2.50E+00", "3.5e0"], ["0003", "+4.0E-0"],
                           ["4e1", "41."], ["1e-400", "1"],
                           ["5", "6.000000000000000000000000000000000000000000000001"],
                           ["1.e0", "1e0000000000000000000000000000000000000000005"],
                           ["-7", "-1E-0000000000000000000000000000000000000000002"]])))
    # Decimal input must round correctly: these differ from a digit-by-digit
    # conversion in digits that the 4-decimal columns show.
    hard = ["9007199254740993", "9007199254740995", "1e23",
            "123456789012345678901234567890", "4503599627370496.5", "4503599627370497.5",
            "2.2250738585072011e-308", "1.00000000000000011102230246251565404236316680908203125",
            "7.2057594037927933e16"]
    cases.append(Case("correctly-rounded-input", "parse.dat",
                      job("hard conversions", ["x"], "y",
                          [[str(i + 1), h] for i, h in enumerate(hard)]), ["--no-constant"]))
    digits64 = "1" + "0" * 63
    cases.append(Case("token-64-chars", "tok64.dat",
                      job("long token", ["x"], "y", [[digits64, "1"], ["2", "3"], ["3", "5"]])))
    cases.append(Case("token-longer-than-64", "tok70.dat",
                      job("cut token", ["x"], "y",
                          [["1" + "0" * 69, "1"], ["2", "3"], ["3", "5"], ["4", "4"]])))
    cases.append(Case("leading-zeros", "zeros.dat",
                      job("leading zeros", ["x"], "y", [[1, 2], [2, 3], [3, 5]],
                          m="002", n="0003")))
    cases.append(Case("long-title", "longtitle.dat",
                      job("T" * 300 + " " + "groundwater " * 400, ["x" * 1000], "y" * 256,
                          [[1, 2], [2, 3], [3, 5]])))
    controls = (head.replace("\r\n3 variables", "\r\n\x0c3\x00variables")
                + "".join("\x00%s\x0b%s\x1f%s\x01%s\x1a\r\n" % tuple(num(v) for v in r)
                          for r in recs))
    cases.append(Case("control-characters-as-separators", "ctrlsep.dat", controls.encode(),
                      ["--weighted"]))
    cases.append(Case("m-with-sign", "msign.dat",
                      job("signed counts", ["x"], "y", [[1, 2], [2, 3], [3, 5]], m="+2", n="+3")))
    return cases


def failure_cases():
    ok = [["1", "2"], ["2", "3"], ["3", "5"]]
    cases = []
    for label, token in [("comma", "1,5"), ("word", "abc"), ("nan", "nan"), ("inf", "inf"),
                         ("overflow", "1e400"), ("leading-point", ".5"), ("bare-exponent", "5e"),
                         ("hex", "0x10"), ("nbsp", "1\u00a0"), ("minus-only", "-")]:
        cases.append(Case("bad-number-" + label, "bad-%s.dat" % label,
                          job("bad", ["x"], "y", ok[:2] + [["3", token]])))
    cases.append(Case("m-is-1", "m1.dat", job("one variable", [], "y", [["1"], ["2"]], m=1)))
    cases.append(Case("m-is-0", "m0.dat", job("no variable", [], "y", [["1"]], m=0)))
    cases.append(Case("m-negative", "mneg.dat", job("negative", [], "y", [["1"]], m=-3)))
    cases.append(Case("m-not-integer", "mreal.dat", job("real m", ["x"], "y", ok, m="2.0")))
    cases.append(Case("m-glued-text", "mglued.dat", job("glued m", ["x"], "y", ok, m="2variables")))
    cases.append(Case("m-too-large", "m502.dat",
                      job("too many", ["v%d" % i for i in range(501)], "y",
                          [["1"] * 502, ["2"] * 502], m=502)))
    cases.append(Case("m-huge", "mhuge.dat", job("huge m", ["x"], "y", ok,
                                                  m="99999999999999999999999")))
    cases.append(Case("n-huge", "nhuge.dat", job("huge n", ["x"], "y", ok,
                                                  n="99999999999999999999999")))
    cases.append(Case("m-huge-negative", "mhugeneg.dat", job("huge m", ["x"], "y", ok,
                                                           m="-99999999999999999999999")))
    cases.append(Case("empty-file", "empty.dat", b""))
    cases.append(Case("title-only", "titleonly.dat", b"just a title\r\n"))
    cases.append(Case("missing-file", "missing.dat", None))
    cases.append(Case("n-is-0", "n0.dat", job("no observations", ["x"], "y", [], n=0)))
    cases.append(Case("n-negative", "nneg.dat", job("negative n", ["x"], "y", ok, n=-2)))
    cases.append(Case("n-not-integer", "nreal.dat", job("real n", ["x"], "y", ok, n="3.5")))
    cases.append(Case("n-too-large", "n8191.dat", job("too many", ["x"], "y", ok, n=8191)))
    cases.append(Case("n-missing", "nmissing.dat", b"t\r\n2 variables\r\nx\r\ny\r\n"))
    for label, s in [("minus-1", "-1"), ("minus-2", "-2.5")]:
        cases.append(Case("weighted-s-" + label, "s%s.dat" % label,
                          job("bad sd", ["x"], "y", [r + ["0.1"] for r in ok[:2]] + [ok[2] + [s]]),
                          ["--weighted"]))
    cases.append(Case("weighted-s-minus-0.5", "shalf.dat",
                      job("sd above -1", ["x"], "y", [r + ["-0.5"] for r in ok] + [["4", "4", "0"]],
                          n=4), ["--weighted"]))
    return cases


def encoding_cases():
    recs = [[1.25, -0.5], [2.5, -0.75], [3.0, -1.5], [4.5, -1.25]]
    cases = []
    utf8 = job("Peilbuis Ëlst – grondwater 水位",
               ["14-03-2004 °C", "  padded ünïcode  "], "GHG ø",
               [r[:1] + [r[0] * 0.5] + r[1:] for r in recs])
    cases.append(Case("utf8-texts", "utf8.dat", utf8))
    cases.append(Case("utf8-bom", "bom.dat", b"\xef\xbb\xbf" + utf8))
    cases.append(Case("utf8-file-name", "Ëlst-grondwater-水位.dat", utf8))
    cp = ("Peilbuis \xe9\xe8 caf\xe9 \x80 \x96\r\n2 variables\r\nd\xe9but\r\nGHG \xb0\r\n"
          "4 observations\r\n").encode("latin-1") + b"".join(
        ("%s %s \r\n" % (num(a), num(b))).encode() for a, b in recs)
    cases.append(Case("windows-1252", "cp1252.dat", cp))
    cases.append(Case("windows-1252-undefined-byte", "cp1252u.dat",
                      cp.replace(b"\x80", b"\x81\x8d\x8f\x90\x9d")))
    cases.append(Case("bom-then-invalid-utf8", "bombad.dat", b"\xef\xbb\xbf" + cp))
    cases.append(Case("control-characters-in-title", "ctrl.dat",
                      job("tab\there\x01\x1f end\x00after nul", ["x\x7f"], "y", recs)))
    return cases


def strd_cases():
    with open(os.path.join(STRD_DIR, "certified.json")) as f:
        certified = json.load(f)
    cases = []
    for name in sorted(certified):
        with open(os.path.join(STRD_DIR, name + ".dat"), "rb") as f:
            body = f.read()
        flags = [] if certified[name]["constant"] else ["--no-constant"]
        cases.append(Case("strd-" + name, name + ".dat", body, flags))
    with open(os.path.join(STRD_DIR, "Longley.dat"), "rb") as f:
        lines = f.read().split(b"\r\n")
    sds = [b"%.2f " % (0.05 * i) for i in range(1, 17)]
    for i in range(16):
        lines[10 + i] += sds[i]
    cases.append(Case("strd-Longley-weighted", "LongleyW.dat", b"\r\n".join(lines),
                      ["--weighted"]))
    return cases


def random_cases(rng, count):
    cases = []
    for c in range(count):
        k = rng.choice([1, 1, 2, 2, 3, 4, 6, 12])
        constant = rng.random() < 0.8
        weighted = rng.random() < 0.5
        nb = k + (1 if constant else 0)
        n = rng.randint(nb + 1, nb + rng.choice([5, 40, 200])) if rng.random() < 0.9 \
            else rng.randint(1, nb)
        scale = rng.choice([1.0, 1.0, 100.0, 1e-3, 1e4, 1e-8, 1e12])
        xs, ys, ss = groundwater(rng, n, k, noise=rng.choice([0.0, 1e-7, 0.01, 0.15, 0.6]))
        if k > 1 and rng.random() < 0.2:
            # A column that is a combination of others: a (near) rank deficiency.
            eps = rng.choice([0.0, 1e-12, 1e-6])
            for r in xs:
                r[-1] = r[0] - 0.5 * r[1] + eps * rng.random()
        xs = [[v * scale for v in r] for r in xs]
        ys = [v * scale for v in ys]
        if rng.random() < 0.2:
            ys = [round(v, 12) + rng.gauss(0, 1e-9) for v in ys]
        if weighted and rng.random() < 0.3:
            ss = [rng.choice([0.0, 0.5, 3.0, 1000.0, -0.9]) for _ in ss]
        fmt = rng.choice([num, padded, lambda v: "%.6E" % v, lambda v: "%.3f" % v])
        flags = (["--weighted"] if weighted else []) + ([] if constant else ["--no-constant"])
        body = job("random %d" % c, names(k), "y", xy(xs, ys, ss if weighted else None), fmt=fmt)
        cases.append(Case("random-%03d" % c, "random-%03d.dat" % c, body, flags))
    return cases


def all_cases(seed, random_count):
    rng = random.Random(seed)
    return (workflow_cases(rng) + design_cases(rng) + layout_cases(rng) + failure_cases()
            + encoding_cases() + strd_cases() + random_cases(rng, random_count))


# ------------------------------------------------------------------- running


def snapshot(folder):
    files = {}
    for root, _, fnames in os.walk(folder):
        for fname in fnames:
            path = os.path.join(root, fname)
            with open(path, "rb") as f:
                files[os.path.relpath(path, folder)] = f.read()
    return files


def prepare(folder, case):
    os.makedirs(os.path.dirname(os.path.join(folder, case.file)), exist_ok=True)
    if case.content is not None:
        with open(os.path.join(folder, case.file), "wb") as f:
            f.write(case.content)
    return set(snapshot(folder))


def new_files(folder, before):
    return {p: d for p, d in snapshot(folder).items() if p not in before}


def run_cli(cli, folder, case):
    before = prepare(folder, case)
    try:
        proc = subprocess.run([cli, "job"] + case.flags + [case.file], cwd=folder,
                              capture_output=True, timeout=TIMEOUT)
        status, err = proc.returncode, proc.stderr.decode("utf-8", "replace").strip()
    except subprocess.TimeoutExpired:
        status, err = "timeout", ""
    return status, err, new_files(folder, before)


def run_reference(folder, case):
    before = prepare(folder, case)
    err = io.StringIO()
    cwd = os.getcwd()
    os.chdir(folder)
    try:
        with contextlib.redirect_stderr(err):
            status = dregmult.main(case.flags + [case.file])
    except Exception:
        status = "crash"
        err.write(traceback.format_exc())
    finally:
        os.chdir(cwd)
    return status, err.getvalue().strip(), new_files(folder, before)


def first_difference(a, b):
    la, lb = a.split(b"\r\n"), b.split(b"\r\n")
    for i in range(max(len(la), len(lb))):
        x = la[i] if i < len(la) else b"<end of file>"
        y = lb[i] if i < len(lb) else b"<end of file>"
        if x != y:
            return i + 1, x.decode("utf-8", "replace"), y.decode("utf-8", "replace")
    return None


def compare(index, case, cli, work):
    folder = os.path.join(work, "%03d-%s" % (index, case.name))
    cli_status, cli_err, cli_files = run_cli(cli, os.path.join(folder, "cli"), case)
    ref_status, ref_err, ref_files = run_reference(os.path.join(folder, "ref"), case)
    problems = []
    if cli_status == "timeout" or ref_status == "crash":
        problems.append("cli %s, reference %s" % (cli_status, ref_status))
    elif (cli_status == 0) != (ref_status == 0):
        problems.append("exit status: cli %s, reference %s" % (cli_status, ref_status))
    if sorted(cli_files) != sorted(ref_files):
        problems.append("files written: cli %s, reference %s" % (sorted(cli_files),
                                                                 sorted(ref_files)))
    for path in sorted(set(cli_files) & set(ref_files)):
        if cli_files[path] != ref_files[path]:
            diff = first_difference(cli_files[path], ref_files[path])
            if diff is None:
                problems.append("%s differs in its line ends" % path)
            else:
                problems.append("%s line %d\n      cli: %s\n      ref: %s" % ((path,) + diff))
    if problems and (cli_err or ref_err):
        problems.append("stderr: cli %r, reference %r" % (cli_err[:300], ref_err[-600:]))
    return case, problems


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--cli", required=True, help="path to tarnovel-cli")
    parser.add_argument("--work", required=True, help="scratch folder, emptied first")
    parser.add_argument("--keep", action="store_true", help="keep the scratch folder")
    parser.add_argument("--only", help="run only the cases whose name contains this text")
    parser.add_argument("--seed", type=int, default=SEED, help="seed of the generated data")
    parser.add_argument("--random", type=int, default=60, help="number of random jobs")
    args = parser.parse_args()
    cli = os.path.abspath(args.cli)
    work = os.path.abspath(args.work)
    shutil.rmtree(work, ignore_errors=True)
    os.makedirs(work)

    cases = [c for c in all_cases(args.seed, args.random) if not args.only or args.only in c.name]
    passed = failed = 0
    with concurrent.futures.ProcessPoolExecutor(max_workers=2) as pool:
        futures = [pool.submit(compare, i, c, cli, work) for i, c in enumerate(cases)]
        for future in futures:
            case, problems = future.result()
            if problems:
                failed += 1
                print("FAIL %s (%s %s)" % (case.name, " ".join(case.flags), case.file))
                for p in problems:
                    print("    " + p)
            else:
                passed += 1
    if not args.keep:
        shutil.rmtree(work, ignore_errors=True)
    print("%d passed, %d failed" % (passed, failed))
    return 0 if failed == 0 else 1


if __name__ == "__main__":
    sys.exit(main())
