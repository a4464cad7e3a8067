#!/usr/bin/env python3
"""Checks the reference regression job against the NIST StRD certified values.

    python3 check_strd.py [--cli PATH/tarnovel-cli]

Runs every StRD job (tests/data/strd) through the reference, or through the
given tarnovel-cli, reads the estimates, their standard deviations, the
residual error and r2 back from the result file and compares them with the
certified values within the accuracy the data set allows in double precision.
Filip is reported but not judged: with its condition number near 1e15 the
decomposition discards singular values below n x eps and returns the
minimum-norm solution, not the certified one.
"""

import argparse
import json
import os
import shutil
import subprocess
import sys
import tempfile

HERE = os.path.dirname(os.path.abspath(__file__))
STRD_DIR = os.path.join(HERE, "..", "data", "strd")

# Relative tolerance per data set, from the digits a careful double-precision
# solver keeps on it (NIST's "log relative error" for an SVD solver).
TOLERANCE = {"Norris": 1e-9, "Pontius": 1e-8, "NoInt1": 1e-9, "NoInt2": 1e-9,
             "Longley": 2e-6, "Wampler1": 1e-8, "Wampler2": 1e-8, "Wampler3": 1e-6,
             "Wampler4": 1e-4, "Wampler5": 1e-2, "Filip": None}


def read_result(path):
    with open(path, encoding="utf-8", newline="") as f:
        lines = f.read().split("\r\n")
    start = lines.index("Parameter    Est.value         Std.dev.        t Student       Prob(>|t|)")
    b, sd = [], []
    for line in lines[start + 2:]:
        if line.startswith("-"):
            break
        b.append(float(line[5:22]))
        sd.append(float(line[22:39]) if len(line) > 22 else 0.0)
    values = {"b": b, "sd": sd}
    for line in lines:
        if line.startswith("Residual error"):
            values["residual_sd"] = float(line[42:])
        if line.startswith("Coefficient of determination"):
            values["r2"] = float(line[42:])
    return values


def close(got, want, rel):
    # Results are printed with 8 decimals: allow the rounding of the last one.
    return abs(got - want) <= max(rel * abs(want), 0.6e-8)


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--cli", help="check tarnovel-cli instead of the reference")
    args = parser.parse_args()
    with open(os.path.join(STRD_DIR, "certified.json")) as f:
        certified = json.load(f)
    work = tempfile.mkdtemp(prefix="strd-")
    failed = 0
    try:
        for name, cert in sorted(certified.items()):
            shutil.copy(os.path.join(STRD_DIR, name + ".dat"), work)
            flags = [] if cert["constant"] else ["--no-constant"]
            if args.cli:
                command = [os.path.abspath(args.cli), "job"]
            else:
                command = [sys.executable, os.path.join(HERE, "dregmult.py")]
            subprocess.run(command + flags + [name + ".dat"], cwd=work, check=True,
                           capture_output=True)
            got = read_result(os.path.join(work, name + ".out"))
            pairs = list(zip(got["b"], cert["b"])) + list(zip(got["sd"], cert["sd"]))
            pairs.append((got["residual_sd"], cert["residual_sd"]))
            if "r2" in got:
                pairs.append((got["r2"], cert["r2"]))
            # Deviation beyond the rounding to 8 printed decimals.
            worst = max(max(0.0, abs(g - w) - 0.5e-8) / (abs(w) or 1.0) for g, w in pairs)
            rel = TOLERANCE[name]
            if rel is None:
                verdict = "not judged"
            elif all(close(g, w, rel) for g, w in pairs):
                verdict = "ok"
            else:
                verdict = "FAIL"
                failed += 1
            print("%-9s largest relative deviation %.1e  %s" % (name, worst, verdict))
    finally:
        shutil.rmtree(work, ignore_errors=True)
    print("%d passed, %d failed" % (len(certified) - failed - 1, failed))
    return 1 if failed else 0


if __name__ == "__main__":
    sys.exit(main())
