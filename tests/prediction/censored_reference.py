#!/usr/bin/env python3
"""Runs `tarnovel-cli censored` and an independent transcription of the same
estimation on generated input files and compares what they leave: the exit
status, the estimate and variance to the last bit, the messages, and the
report file byte for byte.

    python3 censored_reference.py --cli PATH/tarnovel-cli --work DIR [--cases N]

The cases come from a fixed seed, so a failure reproduces.
"""

import argparse
import decimal
import math
import os
import random
import shutil
import subprocess
import sys

SEED = 20240917
PI = 3.14159265358979323846

# ------------------------------------------------------------ lambda table

ROWS = [0.01, 0.02, 0.03, 0.04, 0.05, 0.06, 0.07, 0.08, 0.09, 0.10, 0.15,
        0.20, 0.25, 0.30, 0.35, 0.40, 0.45, 0.50, 0.60, 0.70, 0.80, 0.90]
COLUMNS = [j / 100 for j in range(86)] + [0.90, 0.95, 1.0, 1.5, 2.0, 2.5, 3.0,
                                          3.5, 4.0, 5.0, 6.0, 7.0, 8.0, 10.0]


def mills(x):
    """phi(x) / (1 - Phi(x)); the continued fraction where erfc underflows."""
    if x < 30:
        return (math.exp(-x * x / 2) / math.sqrt(2 * math.pi)) / (0.5 * math.erfc(x / math.sqrt(2)))
    t = 0.0
    for k in range(300, 0, -1):
        t = k / (x + t)
    return x + t


def lam(h, a):
    c = h / (1 - h)

    def alpha(xi):
        y = c * mills(xi)
        return (1 - y * (y + xi)) / (y + xi) ** 2

    lo, hi = -40.0, 0.0
    for _ in range(200):
        mid = (lo + hi) / 2
        if c * mills(mid) + mid > 0:
            hi = mid
        else:
            lo = mid
    x, step = hi, 1e-3
    while alpha(x + step) > a:
        x += step
        step *= 1.5
    lo, hi = x, x + step
    for _ in range(200):
        mid = (lo + hi) / 2
        if alpha(mid) > a:
            lo = mid
        else:
            hi = mid
    y = c * mills(lo)
    return y / (y + lo)


TABLE = None


def table():
    global TABLE
    if TABLE is None:
        TABLE = [[round(lam(h, a) * 1e5) / 1e5 for a in COLUMNS] for h in ROWS]
    return TABLE


def lookup(h, a):
    L = table()
    lo = max([i for i, v in enumerate(ROWS) if v <= h], default=0)
    hi = min([i for i, v in enumerate(ROWS) if v >= h], default=len(ROWS) - 1)
    jlo = max([j for j, v in enumerate(COLUMNS) if v <= a], default=0)
    jhi = min([j for j, v in enumerate(COLUMNS) if v >= a], default=len(COLUMNS) - 1)
    if lo != hi:
        x = L[lo][jlo] + (h - ROWS[lo]) * (L[hi][jlo] - L[lo][jlo]) / (ROWS[hi] - ROWS[lo])
        y = L[lo][jhi] + (h - ROWS[lo]) * (L[hi][jhi] - L[lo][jhi]) / (ROWS[hi] - ROWS[lo])
    else:
        x, y = L[lo][jlo], L[lo][jhi]
    if jlo != jhi:
        return x + (a - COLUMNS[jlo]) * (y - x) / (COLUMNS[jhi] - COLUMNS[jlo])
    return x


# ------------------------------------------------------------- estimation

def W(v, w, d):
    ctx = decimal.Context(prec=18, rounding=decimal.ROUND_HALF_UP)
    q = ctx.plus(decimal.Decimal(v))
    text = str(q.quantize(decimal.Decimal(1).scaleb(-d), rounding=decimal.ROUND_HALF_UP))
    if v < 0 and not text.startswith("-"):
        text = "-" + text
    return text.rjust(w)


def is_number(t):
    t = t.lstrip(" ")
    i = 0
    if t[i:i + 1] in ("+", "-"):
        i += 1
    start = i
    while t[i:i + 1].isdigit():
        i += 1
    if i == start:
        return False
    if t[i:i + 1] == ".":
        i += 1
        while t[i:i + 1].isdigit():
            i += 1
    if t[i:i + 1] in ("e", "E"):
        i += 1
        if t[i:i + 1] in ("+", "-"):
            i += 1
        start = i
        while t[i:i + 1].isdigit():
            i += 1
        if i == start:
            return False
    return i == len(t)


def estimate(name, text):
    """(estimate, variance, report lines) or None, and the messages."""
    messages = []
    lines = text.replace("\r\n", "\n").replace("\r", "\n").split("\n")
    if lines and lines[-1] == "":
        lines.pop()
    T, N, c, cut_text = 99999.0, 0, 0, None
    for line in lines:
        if is_number(line) or ">" in line:
            N += 1
        if not is_number(line) and ">" in line:
            rest = line.replace(">", "").replace(" ", "")
            if not is_number(rest):
                N -= 1
                messages.append("niet-numerieke tekens in " + rest + " in " + name)
            else:
                c += 1
                v = float(rest)
                if v > T:
                    messages.append("meerdere cut-off waarden in " + name)
                else:
                    T, cut_text = v, line
    n, Sx, Sxx = 0, 0.0, 0.0
    for line in lines:
        if is_number(line):
            x = float(line)
            n += 1
            Sx += x
            Sxx += x * x
    if c == 0 or n < 2:
        return None, messages
    m = Sx / n
    if m == T:
        return None, messages
    h = c / N
    s = math.sqrt(max(Sxx - Sx * Sx / n, 0.0) / (n - 1))
    alpha = s * s / ((m - T) * (m - T))
    lm = lookup(h, alpha)
    sigma = math.sqrt(s * s + (m - T) * lm * (m - T))
    mu = m - (m - T) * lm
    U = mu + 5 * sigma
    delta = (U - T) / 100

    def f(x):
        z = (x - mu) / sigma
        return math.exp(-(z * z) / 2) / math.sqrt(2 * PI * sigma * sigma)

    if U > T:
        x, S0, S1 = T, 0.0, 0.0
        while True:
            x += delta
            S0, S1 = S0 + f(x), S1 + f(x) * x
            if x >= U:
                break
        E = S1 / S0
        x, S2 = T, 0.0
        while True:
            x += delta
            S2 += (x - E) * (x - E) * f(x)
            if x >= U:
                break
        V = S2 / S0
    else:
        a = (T - mu) / sigma
        r = mills(a)
        E, V = mu + sigma * r, sigma * sigma * (1 + a * r - r * r)
    report = [cut_text,
              "ML-schatting: " + W(E, 8, 3) + "; met variantie: " + W(V, 10, 3),
              "c/N      : " + W(h, 5, 3) + "; alpha    : " + W(alpha, 5, 3)
              + "; lambda   : " + W(lm, 5, 3)]
    return (E, V, report), messages


# ------------------------------------------------------------------ cases

def number_text(rng, v):
    style = rng.randrange(4)
    if style == 0:
        return str(int(round(v)))
    if style == 1:
        return "%.2f" % v
    if style == 2:
        return " " * rng.randrange(1, 4) + "%.1f" % v
    return "%.3e" % v


def make_case(rng):
    mean = rng.uniform(20, 250)
    sd = rng.uniform(2, 60)
    count = rng.randrange(3, 60)
    cut = float(int(rng.uniform(mean - sd, mean + 2 * sd)))
    lines, censored = [], 0
    for _ in range(count):
        v = rng.gauss(mean, sd)
        if v > cut:
            lines.append(">" + " " * rng.randrange(0, 3) + ("%d" % cut))
            censored += 1
        else:
            lines.append(number_text(rng, v))
        if rng.random() < 0.05:
            lines.append(rng.choice(["missing", "", "> abc", ">" + "%d" % (cut + 30)]))
    if censored == 0:
        lines.append(">%d" % cut)
    return "".join(line + rng.choice(["\r\n", "\n"]) for line in lines)


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--cli", required=True)
    parser.add_argument("--work", required=True)
    parser.add_argument("--cases", type=int, default=300)
    args = parser.parse_args()
    shutil.rmtree(args.work, ignore_errors=True)
    os.makedirs(args.work)
    rng = random.Random(SEED)
    failures = 0
    for k in range(args.cases):
        text = make_case(rng)
        name = "invoer_%03d.txt" % k
        with open(os.path.join(args.work, name), "w", newline="") as f:
            f.write(text)
        run = subprocess.run([args.cli, "censored", name, "uitvoer.txt"], cwd=args.work,
                             capture_output=True, text=True)
        expected, messages = estimate(name, text)
        problems = []
        got_messages = [m for m in run.stderr.splitlines() if not m.startswith("tarnovel-cli")]
        if got_messages != messages:
            problems.append("messages %r, expected %r" % (got_messages, messages))
        report_path = os.path.join(args.work, "uitvoer.txt")
        if expected is None:
            if run.returncode != 1 or os.path.exists(report_path):
                problems.append("exit %d, expected no estimate" % run.returncode)
        elif run.returncode != 0:
            problems.append("exit %d: %s" % (run.returncode, run.stderr))
        else:
            E, V = (float(t) for t in run.stdout.split())
            if (E, V) != expected[:2]:
                problems.append("estimate %r %r, expected %r %r" % (E, V, *expected[:2]))
            with open(report_path, "rb") as f:
                report = f.read()
            want = "".join(line + "\r\n" for line in expected[2]).encode()
            if report != want:
                problems.append("report %r, expected %r" % (report, want))
        if os.path.exists(report_path):
            os.remove(report_path)
        if problems:
            failures += 1
            print("%s:\n  %s" % (name, "\n  ".join(problems)))
        else:
            os.remove(os.path.join(args.work, name))
    print("%d of %d cases differ" % (failures, args.cases))
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
