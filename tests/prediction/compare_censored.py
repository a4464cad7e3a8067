#!/usr/bin/env python3
"""Runs `tarnovel-cli censored` and the independent Python estimation on many
generated inputs and compares exit status, stdout, the estimation's messages
on stderr and the report file byte for byte.

    python3 compare_censored.py --cli PATH --work DIR [--reference PATH] [-v]

Every case lives in its own folder under DIR (kept for inspection). Both
programs run in that folder on the same input name, so the messages that
quote it must agree; other stderr lines (why no estimate was possible, file
errors) are free text and only need to be present on both sides or on
neither. The reference runs as its own process for the hand-made and
command-line cases, and inside the harness for the bulk of generated ones,
which spares building its lambda table a few hundred times.

Stdout must agree exactly, except where the estimate comes from the moments
of the normal beyond the cut-off (EXACT_MOMENTS_TOLERANCE). The last line
reads "N passed, M failed"; the exit status is 0 only when every case
passed. The inputs are the same on every run.
"""

import argparse
import concurrent.futures
import importlib
import io
import math
import os
import random
import re
import shutil
import subprocess
import sys

HERE = os.path.dirname(os.path.abspath(__file__))
DEFAULT_REFERENCE = os.path.join(HERE, "..", "reference", "censored_reference.py")

INPUT = "invoer_censored.txt"

# Where hardly any of the fitted normal lies beyond the cut-off, the estimate
# is the mean and variance of the normal beyond it, through the Mills ratio;
# how that ratio is evaluated is free, so the last digits may differ. The
# report, with its three decimals, must still agree byte for byte.
EXACT_MOMENTS_TOLERANCE = (1e-12, 1e-9)
TIMEOUT = 20.0

# `tarnovel-cli censored` names each line it ignores; the reference does not.
IGNORED_LINE = re.compile(r"tarnovel-cli censored: line [0-9]+ ignored, ")

MESSAGE_PREFIXES = (
    "niet-numerieke tekens in ",
    "meerdere cut-off waarden in ",
    "Fout: meer waarnemingen ingelezen dan geteld!",
    "Fout: waarnemingen ingelezen <> eerder geteld!",
)

# The published cells of the lambda table, which the derived table must hit.
TELLING_ALPHAS = [0.00, 0.10, 0.50, 0.85, 1.0, 1.5, 10.0]
TELLING_CELLS = {
    0.01: [0.01010, 0.01095, 0.01328, 0.01478, 0.01534, 0.01699, 0.03206],
    0.10: [0.11020, 0.11804, 0.14090, 0.15599, 0.16170, 0.17858, 0.33373],
    0.50: [0.83684, 0.87033, 0.98262, 1.06358, 1.09506, 1.19009, 2.11047],
    0.90: [3.28261, 3.34516, 3.57456, 3.75434, 3.82674, 4.05201, 6.46220],
}


def load_reference(path):
    sys.dont_write_bytecode = True  # leave the source tree as it is
    sys.path.insert(0, os.path.dirname(path))
    return importlib.import_module(os.path.splitext(os.path.basename(path))[0])


class Case:
    def __init__(self, name, data=None, args=None, method=None, tolerance=None,
                 setup=None, input_name=INPUT, in_process=False, on_cell=False):
        self.name = name
        self.data = data              # input file bytes; None: no input file
        self.input_name = input_name  # the input file's name in the case folder
        self.args = args              # command arguments; None: the input and "OUT"
        self.setup = setup            # callable(folder) preparing extra files
        self.method = method          # the way the reference must estimate
        self.on_cell = on_cell        # c/N and alpha must be row and column values
        self.tolerance = tolerance    # (estimate, variance) relative; None: exact
        self.in_process = in_process  # the reference runs inside the harness


def crlf(lines):
    return "".join(line + "\r\n" for line in lines).encode("utf-8")


def fmt(v):
    text = "%.1f" % v
    return text[:-2] if text.endswith(".0") else text


# ------------------------------------------------------------------ the cases


def table_value_cases():
    """Cases whose c/N and alpha both equal row and column values exactly.
    The uncensored values have mean 100 and a sample standard deviation d
    that is exact in binary: k pairs 100 - d, 100 + d and one 100 (odd n),
    or, for even n, n - 1 values 100 + t and one 100 - (n - 1) t (s = t
    sqrt(n), exact when n is a square and t a few binary digits). With
    T = 100 + 10 and d = 0..10, alpha = d * d / 100 hits the columns 0.00,
    0.01, 0.04 .. 0.81, 1.0."""

    def odd(n, d):
        k = (n - 1) // 2
        return [100 - d] * k + [100] + [100 + d] * k

    def square(n, t):
        return [100 + t] * (n - 1) + [100 - (n - 1) * t]

    # (h, censored, uncensored values for s = d[, the d that keep s exact])
    rows = [
        (0.01, 1, lambda d: odd(99, d)),
        (0.02, 1, lambda d: odd(49, d)),
        (0.03, 3, lambda d: odd(97, d)),
        (0.04, 6, lambda d: square(144, d / 12), (3, 9)),
        (0.05, 1, lambda d: odd(19, d)),
        (0.06, 3, lambda d: odd(47, d)),
        (0.07, 7, lambda d: odd(93, d)),
        (0.08, 2, lambda d: odd(23, d)),
        (0.09, 9, lambda d: odd(91, d)),
        (0.10, 1, lambda d: odd(9, d)),
        (0.15, 3, lambda d: odd(17, d)),
        (0.20, 1, lambda d: square(4, d / 2)),
        (0.25, 1, lambda d: odd(3, d)),
        (0.30, 3, lambda d: odd(7, d)),
        (0.35, 7, lambda d: odd(13, d)),
        (0.40, 2, lambda d: odd(3, d)),
        (0.45, 9, lambda d: odd(11, d)),
        (0.50, 3, lambda d: odd(3, d)),
        (0.60, 6, lambda d: square(4, d / 2)),
        (0.70, 7, lambda d: odd(3, d)),
        (0.80, 12, lambda d: odd(3, d)),
        (0.90, 27, lambda d: odd(3, d)),
    ]
    cases = []
    for i, (h, c, values_of, *exact_d) in enumerate(rows):
        for d in exact_d[0] if exact_d else (i % 11, (i * 7 + 3) % 11):
            values = values_of(d)
            lines = [repr(float(v)) for v in values] + [">110"] * c
            cases.append(Case("table h=%.2f alpha=%.2f" % (h, d * d / 100.0), crlf(lines),
                              in_process=True, on_cell=True))
    # alpha = 4.0, a column beyond 1.0, at an exact row.
    cases.append(Case("table h=0.25 alpha=4.00", crlf(["90", "100", "110", ">105"]), on_cell=True))
    return cases


def table_cell_cases(ref):
    """Every column of the lambda table, each at two rows, with c/N and
    alpha landing exactly on the cell, so that the estimate depends on the
    stored cell itself. The uncensored values are pairs m0 - 10, m0 + 10 (and
    m0 when their number is odd) with m0 about 10 / sqrt(alpha), and the
    cut-off near m - s / sqrt(alpha), close to 0, where
    s * s / ((m - T) * (m - T)) is the column value exactly."""
    from fractions import Fraction

    def counts(h):
        f = Fraction(str(h))
        k = max(1, -(-2 // (f.denominator - f.numerator)))
        return f.numerator * k, (f.denominator - f.numerator) * k

    cases = []
    rows = len(ref.ROW_VALUES)
    for j, alpha in enumerate(ref.COLUMN_VALUES):
        for i in sorted({j % rows, (j * 7 + 5) % rows}):
            h = ref.ROW_VALUES[i]
            c, n = counts(h)
            if alpha == 0.0:
                texts = ["100"] * n
                cutoff = 110.0
            else:
                # m - T moves in units of its last place, and alpha by about
                # two of its own per unit: about every other alpha is
                # reachable, so a few samples of other spreads are tried.
                for shift in range(40):
                    m0 = 10.0 / math.sqrt(alpha)
                    d = 10 + shift / 100.0
                    texts = (["%.2f" % m0] if n % 2 else []) + [
                        "%.2f" % (m0 + d * sign) for _ in range(n // 2) for sign in (-1, 1)]
                    cutoff = cutoff_for_alpha([float(t) for t in texts], alpha)
                    if cutoff is not None:
                        break
                else:
                    continue
            lines = texts + [">" + repr(cutoff)] * c
            cases.append(Case("cell h=%.2f alpha=%.2f" % (h, alpha), crlf(lines), in_process=True,
                              on_cell=True))
    return cases


def cutoff_for_alpha(values, alpha):
    """The cut-off below the mean for which alpha comes out as the given
    value exactly, or None. alpha rises monotonically with T below m, so the
    first T with alpha >= the value is found by bisection."""
    sx = sxx = 0.0
    for x in values:
        sx = sx + x
        sxx = sxx + x * x
    n = len(values)
    m = sx / n
    s = math.sqrt((sxx - sx * sx / n) / (n - 1))

    def alpha_at(t):
        return s * s / ((m - t) * (m - t))

    lo, hi = m - 2 * s / math.sqrt(alpha), m - s / (2 * math.sqrt(alpha))
    while True:
        mid = lo + (hi - lo) / 2
        if mid <= lo or mid >= hi:
            break
        if alpha_at(mid) >= alpha:
            hi = mid
        else:
            lo = mid
    return hi if alpha_at(hi) == alpha else None


def fixed_cases(ref, rng):
    cases = []
    below = ["112", "95", "131.5", "87", "140", "103", "126", "118", "99.5", "121", "134"]
    cases.append(Case("one cut-off among values below it", crlf(below + [">150"])))
    cases.append(Case("one cut-off first", crlf([">150"] + below)))

    many = [fmt(min(149.0, max(20.0, rng.gauss(90, 25)))) for _ in range(199)]
    cases.append(Case("1 censored among 200 (h < 0.01)", crlf(many[:120] + [">150"] + many[120:])))
    cases.append(Case("h > 0.9", crlf(["85", ">120"] + [">120"] * 9 + ["97"] + [">120"] * 10)))
    cases.append(Case("alpha > 10", crlf(["90", "100", "110", ">102"])))
    cases.append(Case("c/N and alpha 0.0625: ties at the third decimal",
                      crlf(["90", "110"] * 7 + ["100", ">140"])))
    cases.append(Case("alpha just below 10", crlf(["90", "100", "110", "97", ">104.5"])))

    cases.append(Case("two cut-offs 120 then 150", crlf(below[:6] + [">120", "101", ">150", "92"])))
    cases.append(Case("two cut-offs 150 then 120", crlf(below[:6] + [">150", "101", ">120", "92"])))
    cases.append(Case("three cut-offs 150, 120, 130", crlf(below[:6] + [">150", ">120", ">130"])))
    cases.append(Case("repeated cut-off, last text kept",
                      crlf(below[:7] + [">140", "> 140", ">140.0", " >140"])))
    cases.append(Case("first censored above 99999 only", crlf(below + [">100000"])))
    cases.append(Case("first censored above 99999, then 150", crlf(below + [">100000", ">150"])))

    cases.append(Case("blanks inside a censored line", crlf(below + [">  150"])))
    cases.append(Case("blanks around and inside censored lines",
                      crlf(below[:8] + ["  > 1 5 0  ", "1>50", ">>150"])))
    cases.append(Case("'>' lines whose rest is not a number",
                      crlf(below + [">150", ">abc", ">", "> 15O", ">1,5", ">.5", ">150cm", "x>"])))
    cases.append(Case("words and empty lines",
                      crlf(["datum 12-03", ""] + below[:5] + ["", "   ", "missing", "geen"]
                           + below[5:] + ["", ">150", "droog"])))
    cases.append(Case("number forms", crlf(["+95", "102.", "1.1e2", "1125E-1", "  97", "0088",
                                            "1.e2", "9.75e+1", "-5", ">150"])))
    cases.append(Case("not numbers: ignored", crlf(below + [".5", "97 ", "1e", "1,5", "0x10",
                                                            "1.2.3", "- 5", "e5", "95+", ">150"])))

    cases.append(Case("fewer than two uncensored values", crlf(["120", ">150", ">150"])))
    cases.append(Case("no uncensored value", crlf([">150", ">140"])))
    cases.append(Case("no censored value", crlf(below)))
    cases.append(Case("no censored value, a bad '>' line", crlf(below + [">abc"])))
    cases.append(Case("empty file", b""))
    cases.append(Case("m equal to T", crlf(["140", "160", ">150"])))
    cases.append(Case("m equal to T, more values",
                      crlf(["120", "150", "180", "135", "165", ">150", ">150"])))
    cases.append(Case("all uncensored equal", crlf(["100"] * 5 + [">120"])))
    cases.append(Case("values above the cut-off", crlf(["160", "175", "190", "140", ">150"])))

    dry = [fmt(rng.gauss(60, 10)) for _ in range(120)]
    cases.append(Case("dry hole far below the others (U <= T)", crlf(dry + [">400"]),
                      method="exact moments"))
    cases.append(Case("dry hole below 99 values (U <= T)",
                      crlf([fmt(100 + 10 * ((i % 7) - 3)) for i in range(99)] + [">300"]),
                      method="exact moments"))
    # Every gap between alpha columns, with c/N between rows.
    sweep = [88, 95, 101, 104, 112]
    m = sum(sweep) / 5.0
    s = (sum((v - m) ** 2 for v in sweep) / 4.0) ** 0.5
    for i, alpha in enumerate([0.004, 0.373, 0.855, 0.87, 0.93, 0.97, 1.2, 1.7, 2.2, 2.7, 3.2, 3.7,
                               4.5, 5.5, 6.5, 7.5, 9.0, 12.0]):
        cutoff = "%.6f" % (m + s / alpha ** 0.5)
        c = 1 + i % 4
        cases.append(Case("alpha near %g, c/N = %d/%d" % (alpha, c, 5 + c),
                          crlf([str(v) for v in sweep] + [">" + cutoff] * c)))

    cases.append(grid_stall_case(ref))

    lines = below + [">150"]
    cases.append(Case("CR-only line ends", "".join(line + "\r" for line in lines).encode()))
    cases.append(Case("LF-only line ends, no final line end", "\n".join(lines).encode()))
    cases.append(Case("mixed line ends", b"95\r\n102\n\r\n88\r>150\n\r120\r\n"))
    cases.append(Case("UTF-8 byte-order mark", b"\xef\xbb\xbf" + crlf(lines)))
    cases.append(Case("byte-order mark, then Windows-1252",
                      b"\xef\xbb\xbf" + crlf(lines) + b"caf\xe9\r\n"))
    cases.append(Case("Windows-1252 bytes",
                      b"gemeten op 12 m\xe4rz\r\n" + crlf(below)
                      + b">150 \xe9\r\n>150\r\n\x80 kosten\r\n"))
    cases.append(Case("Windows-1252 undefined bytes", crlf(below) + b">1\x8150\r\n>150\r\n"))
    cases.append(Case("UTF-8 text", crlf(below + [">150 \u00e9\u20ac", ">150", "caf\u00e9"])))
    cases.append(Case("no-break space in a censored line", crlf(below + [">\u00a0150", ">150"])))
    cases.append(Case("tabs", crlf(below + ["\t95", "\t>150", ">150"])))

    cases.append(Case("huge values, cut-off above 99999 (exponent form)",
                      crlf(["1.2e37", "3.4e37", "2.2e37", "2.9e37", "1.7e37", ">4e37"])))
    cases.append(Case("huge negative values (exponent form)",
                      crlf(["-1.2e37", "-3.4e37", "-2.2e37", "-2.9e37", "-1.7e37", ">5"])))
    cases.append(Case("negative values", crlf(["-20", "-5.5", "10", "-12", "3", ">15"])))
    cases.append(Case("estimate -0.000",
                      crlf(["-0.0501", "-0.0401", "-0.0301", "-0.0201", ">-0.0101"])))
    cases.append(Case("signed censored values", crlf(below[:6] + [">+150", "> -5"])))
    cases.append(Case("uncensored value overflows", crlf(below + ["1e400", ">150"])))
    cases.append(Case("censored value overflows", crlf(below + [">1e400", ">150"])))
    return cases


def grid_stall_case(ref):
    """A cut-off so close below mu + 5 sigma that (U - T) / 100 is less than
    half a unit in the last place of T: adding the step to T changes nothing,
    so an integration that waits for x to reach U never ends. The cut-off is
    found by bisection between a T with U > T and one with U <= T. Should
    that ever miss, the reference integrates and the case fails by design."""
    values = [100 + 10 * ((i % 7) - 3) for i in range(99)]
    body = [fmt(v) for v in values]

    def upper_minus_cutoff(t):
        result = ref.estimate_censored(body + [">" + repr(t)], INPUT, lambda m: None)
        return result.upper - t

    lo, hi = 101.0, 400.0
    while True:
        mid = lo + (hi - lo) / 2
        if mid <= lo or mid >= hi:
            break
        if upper_minus_cutoff(mid) > 0:
            lo = mid
        else:
            hi = mid
    return Case("U a few units in the last place above T (T = %r)" % lo,
                crlf(body + [">" + repr(lo)]), method="exact moments")


def realistic_cases(rng, count):
    cases = []
    for i in range(count):
        total = rng.randint(8, 60)
        share = rng.uniform(0.05, 0.30)
        mean = rng.uniform(60, 170)
        sd = rng.uniform(15, 50)
        values = [min(250.0, max(20.0, rng.gauss(mean, sd))) for _ in range(total)]
        # The hole depth: a whole number of centimetres just above the
        # deepest water table to be measured.
        wanted = min(total - 2, max(1, int(round(share * total))))
        cutoff = int(sorted(values)[total - wanted - 1]) + 1
        decimals = rng.choice([0, 1, 2])
        lines = []
        censored = 0
        for v in values:
            if v > cutoff:
                censored += 1
                lines.append(rng.choice([">", ">", "> ", " >"]) + str(cutoff))
            else:
                lines.append(rng.choice(["", "", " "]) + ("%.*f" % (decimals, min(v, cutoff))))
        if rng.random() < 0.3:
            lines.insert(rng.randint(0, len(lines)), "")
        ending = rng.choice(["\r\n", "\r\n", "\n"])
        data = "".join(line + ending for line in lines).encode()
        name = "realistic %02d (N=%d, %d censored at %d)" % (i + 1, total, censored, cutoff)
        cases.append(Case(name, data, in_process=True))
    return cases


def command_line_cases():
    def make_dir_input(folder):
        os.mkdir(os.path.join(folder, "a folder"))

    lines = crlf(["95", "102", "88", ">150", "120"])

    def stale_reports(folder):
        for name in ("uitvoer_cli.txt", "uitvoer_ref.txt"):
            with open(os.path.join(folder, name), "wb") as f:
                f.write(b"an older report, longer than the new one\r\n" * 5)

    return [
        Case("an existing report is replaced", lines, setup=stale_reports),
        Case("input name with a blank and an accent", crlf(["95", "102", ">abc", "88", ">150"]),
             input_name="metingen \u00e9\u00e9n.txt"),
        Case("usage: no arguments", None, args=[]),
        Case("usage: one argument", lines, args=[INPUT]),
        Case("usage: three arguments", lines, args=[INPUT, "a.txt", "b.txt"]),
        Case("input file missing", None, args=["missing.txt", "OUT"]),
        Case("input is a folder", None, args=["a folder", "OUT"], setup=make_dir_input),
        Case("output folder missing", lines, args=[INPUT, "no/such/folder/OUT"]),
        Case("no estimate and output folder missing", crlf(["95", ">150"]),
             args=[INPUT, "no/such/OUT"]),
    ]


# ------------------------------------------------------------------ comparing


class Outcome:
    pass


def run(command, folder, args, output):
    argv = [a.replace("OUT", output) for a in args]
    out = Outcome()
    try:
        proc = subprocess.run(command + argv, cwd=folder, capture_output=True, timeout=TIMEOUT)
    except subprocess.TimeoutExpired:
        out.timeout = True
        return out
    except OSError as err:
        sys.exit("cannot run %s: %s" % (" ".join(command), err))
    return outcome(proc.returncode, proc.stdout, proc.stderr, folder, output)


def run_in_process(ref, folder, args, output):
    """The reference's command inside this process: the lambda table is
    built once instead of once per case."""
    argv = [a.replace("OUT", output) for a in args]
    stdout, stderr = io.BytesIO(), io.BytesIO()
    here = os.getcwd()
    os.chdir(folder)
    try:
        status = ref.main(argv, stdout, stderr)
    finally:
        os.chdir(here)
    return outcome(status, stdout.getvalue(), stderr.getvalue(), folder, output)


def outcome(status, stdout, stderr, folder, output):
    out = Outcome()
    out.timeout = False
    out.status = status
    out.stdout = stdout
    lines = stderr.decode("utf-8", "backslashreplace").splitlines()
    out.messages = [line for line in lines if line.startswith(MESSAGE_PREFIXES)]
    out.diagnostics = [line for line in lines
                       if not line.startswith(MESSAGE_PREFIXES) and not IGNORED_LINE.match(line)]
    path = os.path.join(folder, output)
    out.report = None
    if os.path.isfile(path):
        with open(path, "rb") as f:
            out.report = f.read()
    return out


def numbers_close(a, b, tolerance):
    try:
        xa = [float(t) for t in a.split()]
        xb = [float(t) for t in b.split()]
    except ValueError:
        return False
    if len(xa) != 2 or len(xb) != 2 or not a.endswith(b"\n") or not b.endswith(b"\n"):
        return False
    return all(abs(p - q) <= tol * max(abs(p), abs(q)) for p, q, tol in zip(xa, xb, tolerance))


def compare(case, cli, ref):
    problems = []
    notes = []
    if cli.timeout or ref.timeout:
        late = "tarnovel-cli" if cli.timeout else "reference"
        return ["timed out after %g s: %s" % (TIMEOUT, late)], notes
    if cli.status != ref.status:
        problems.append("exit status: cli %d, reference %d" % (cli.status, ref.status))
    if cli.stdout != ref.stdout:
        if case.tolerance and numbers_close(cli.stdout, ref.stdout, case.tolerance):
            notes.append("stdout within tolerance: cli %r, reference %r" % (cli.stdout, ref.stdout))
        else:
            problems.append("stdout: cli %r, reference %r" % (cli.stdout, ref.stdout))
    if cli.messages != ref.messages:
        problems.append("messages: cli %r, reference %r" % (cli.messages, ref.messages))
    if bool(cli.diagnostics) != bool(ref.diagnostics):
        problems.append("other stderr lines: cli %r, reference %r"
                        % (cli.diagnostics, ref.diagnostics))
    if cli.report != ref.report:
        problems.append("report file: cli %r, reference %r" % (cli.report, ref.report))
    return problems, notes


def check_reference_table(ref):
    table = ref.build_lambda_table()
    wrong = []
    for h, cells in TELLING_CELLS.items():
        i = ref.ROW_VALUES.index(h)
        for alpha, expected in zip(TELLING_ALPHAS, cells):
            got = table[i][ref.COLUMN_VALUES.index(alpha)]
            if got != expected:
                wrong.append("lambda(%g, %g) = %r, not %r" % (h, alpha, got, expected))
    return wrong


def reference_estimate(ref, case):
    """The reference's estimate of the case, computed here, or None when it
    gives none or the case is about the command line."""
    if case.data is None or case.args is not None:
        return None
    text = ref.decode_text(case.data)
    try:
        return ref.estimate_censored(ref.split_lines(text), INPUT, lambda m: None)
    except ref.NoEstimate:
        return None


def check_case_design(ref, case, result):
    """Whether the case exercises what it was made for."""
    problems = []
    method = result.method if result else None
    if case.method and method != case.method:
        problems.append("the reference took the %s, not the %s" % (method, case.method))
    on_cell = result and result.h in ref.ROW_VALUES and result.alpha in ref.COLUMN_VALUES
    if case.on_cell and not on_cell:
        problems.append("c/N and alpha miss the table's rows and columns")
    return problems


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--cli", required=True, help="path of tarnovel-cli")
    parser.add_argument("--work", required=True, help="folder for the cases (emptied first)")
    parser.add_argument("--reference", default=DEFAULT_REFERENCE)
    parser.add_argument("-v", "--verbose", action="store_true", help="list every case")
    options = parser.parse_args()

    cli_command = [os.path.abspath(options.cli), "censored"]
    reference = os.path.abspath(options.reference)
    ref_command = [sys.executable, "-S", reference]  # standard library only: skip site
    ref = load_reference(reference)

    rng = random.Random(20240917)
    cases = (fixed_cases(ref, rng) + table_value_cases() + table_cell_cases(ref)
             + realistic_cases(rng, 24) + command_line_cases())

    work = os.path.abspath(options.work)
    if os.path.isdir(work):
        shutil.rmtree(work)
    os.makedirs(work)

    passed = failed = 0
    wrong = check_reference_table(ref)
    if wrong:
        failed += 1
        print("FAIL reference lambda table: " + "; ".join(wrong))
    else:
        passed += 1
        if options.verbose:
            print("ok   reference lambda table")

    # Every case's folder first; then the programs run, two processes at a
    # time, while the in-process reference runs go on here.
    plans = []
    for number, case in enumerate(cases, 1):
        folder = os.path.join(work, "%03d" % number)
        os.makedirs(folder)
        with open(os.path.join(folder, "case.txt"), "w", encoding="utf-8") as f:
            f.write(case.name + "\n")
        if case.data is not None:
            with open(os.path.join(folder, case.input_name), "wb") as f:
                f.write(case.data)
        if case.setup:
            case.setup(folder)
        args = case.args if case.args is not None else [case.input_name, "OUT"]
        plans.append((number, case, folder, args))

    pool = concurrent.futures.ThreadPoolExecutor(max_workers=2)
    runs = []
    for number, case, folder, args in plans:
        cli_run = pool.submit(run, cli_command, folder, args, "uitvoer_cli.txt")
        ref_run = None
        if not case.in_process:
            ref_run = pool.submit(run, ref_command, folder, args, "uitvoer_ref.txt")
        runs.append((cli_run, ref_run))

    for (number, case, folder, args), (cli_run, ref_run) in zip(plans, runs):
        result = reference_estimate(ref, case)
        problems = check_case_design(ref, case, result)
        if result and result.method == "exact moments" and not case.tolerance:
            case.tolerance = EXACT_MOMENTS_TOLERANCE
        if ref_run is None:
            refo = run_in_process(ref, folder, args, "uitvoer_ref.txt")
        else:
            refo = ref_run.result()
        found, notes = compare(case, cli_run.result(), refo)
        problems += found
        label = "%03d %s" % (number, case.name)
        if problems:
            failed += 1
            print("FAIL " + label)
            for p in problems + notes:
                print("     " + p)
        else:
            passed += 1
            if options.verbose or notes:
                print("ok   " + label)
                for n in notes:
                    print("     " + n)
    pool.shutdown()
    print("%d passed, %d failed" % (passed, failed))
    return 0 if failed == 0 else 1


if __name__ == "__main__":
    sys.exit(main())
