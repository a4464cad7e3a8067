#!/usr/bin/env python3
"""Runs `tarnovel-cli censored --exact` and censored_exact_reference.py on
generated inputs and compares exit status, the printed estimate and variance
and the report.

    python3 compare_censored_exact.py --cli PATH --work DIR [-v]

The two fits reach the same maximum by different roads (Newton's method and
EM), so the printed numbers agree to RELATIVE, and every number of the
report to one unit of its last decimal; the report's texts agree exactly.
The last line reads "N passed, M failed"; the exit status is 0 only when
every case passed. The inputs are the same on every run.
"""

import argparse
import os
import random
import re
import shutil
import subprocess
import sys

HERE = os.path.dirname(os.path.abspath(__file__))
RELATIVE = 1e-9
TIMEOUT = 20.0
NUMBER = re.compile(r"[-+]?(?:[0-9]+\.[0-9]*|Inf|Nan)")


def load_reference():
    sys.dont_write_bytecode = True
    sys.path.insert(0, HERE)
    import censored_exact_reference

    return censored_exact_reference


def crlf(lines):
    return "".join(line + "\r\n" for line in lines).encode("utf-8")


def fixed_cases():
    below = ["112", "95", "131.5", "87", "140", "103", "126", "118", "99.5", "121", "134"]
    return [
        ("one cut-off", below + [">150"]),
        ("several cut-offs, smallest first", below[:6] + [">120", "101", ">150", ">135"]),
        ("several cut-offs, smallest last", below[:6] + [">150", ">135", "101", ">120"]),
        ("repeated cut-off, last text kept", below[:7] + [">140", "> 140", ">140.0"]),
        ("80 % censored", ["90", "100"] + [">105"] * 8),
        ("cut-off below the mean", ["140", "160", "150", ">120"]),
        ("mean on the cut-off", ["140", "160", ">150"]),
        ("equal values, cut-off above", ["100"] * 3 + [">110"]),
        ("equal values, cut-off on them", ["100"] * 3 + [">100"]),
        ("equal values, cut-off below", ["100"] * 3 + [">90"]),
        ("dry hole far beyond the others", ["48", "50", "51", "53", "49", "52", ">90"]),
        ("dry hole 40 sigma out", ["49", "50", "51", "50", ">300"]),
        ("far from zero", ["50002", "49997", "50001", "50000", ">50001.5"]),
        ("negative values", ["-20", "-5.5", "10", "-12", "3", ">15"]),
        ("fewer than two uncensored values", ["120", ">150", ">150"]),
        ("no censored value", below),
        ("no censored value that reads", below + [">abc"]),
        ("words among the values", ["datum"] + below + ["droog", ">150"]),
    ]


def realistic_cases(rng, count):
    cases = []
    for i in range(count):
        total = rng.randint(6, 60)
        mean, sd = rng.uniform(60, 170), rng.uniform(5, 50)
        share = rng.uniform(0.05, 0.7)
        values = sorted(rng.gauss(mean, sd) for _ in range(total))
        depth = int(values[min(total - 1, int((1 - share) * total))]) + 1
        several = rng.random() < 0.5
        lines = []
        for v in values:
            hole = depth + (rng.choice([0, 0, 10, 25]) if several else 0)
            lines.append(">%d" % hole if v > hole else "%.1f" % v)
        rng.shuffle(lines)
        cases.append(("realistic %02d (N=%d%s)" % (i + 1, total, ", own depths" if several else ""),
                      lines))
    return cases


def run_cli(cli, folder):
    proc = subprocess.run([cli, "censored", "--exact", "in.txt", "out_cli.txt"], cwd=folder,
                          capture_output=True, timeout=TIMEOUT)
    path = os.path.join(folder, "out_cli.txt")
    report = open(path, "rb").read().decode() if os.path.exists(path) else None
    return proc.returncode, proc.stdout.decode(), report


def run_reference(ref, folder):
    here = os.getcwd()
    os.chdir(folder)
    out, err = Sink(), Sink()
    try:
        status = ref.main(["in.txt", "out_ref.txt"], out, err)
    finally:
        os.chdir(here)
    path = os.path.join(folder, "out_ref.txt")
    report = open(path, "rb").read().decode() if os.path.exists(path) else None
    return status, out.text(), report


class Sink:
    def __init__(self):
        self.parts = []

    def write(self, data):
        self.parts.append(data)

    def text(self):
        return b"".join(self.parts).decode()


def close(a, b, tolerance):
    return a == b or abs(a - b) <= tolerance * max(abs(a), abs(b))


def compare(cli, ref):
    problems = []
    if cli[0] != ref[0]:
        problems.append("exit status: cli %d, reference %d" % (cli[0], ref[0]))
    xs, ys = cli[1].split(), ref[1].split()
    if len(xs) != len(ys) or not all(close(float(x), float(y), RELATIVE) for x, y in zip(xs, ys)):
        problems.append("stdout: cli %r, reference %r" % (cli[1], ref[1]))
    if (cli[2] is None) != (ref[2] is None):
        problems.append("report written: cli %s, reference %s" % (cli[2] is not None,
                                                                  ref[2] is not None))
    elif cli[2] is not None:
        texts = [NUMBER.sub("#", r) for r in (cli[2], ref[2])]
        numbers = [NUMBER.findall(r.split("\r\n", 1)[1]) for r in (cli[2], ref[2])]
        same = texts[0] == texts[1] and cli[2].split("\r\n")[0] == ref[2].split("\r\n")[0]
        for x, y in zip(*numbers):
            if x != y and not (x[-1:].isdigit() and abs(float(x) - float(y)) <= 1.5e-3):
                same = False
        if not same:
            problems.append("report: cli %r, reference %r" % (cli[2], ref[2]))
    return problems


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--cli", required=True)
    parser.add_argument("--work", required=True)
    parser.add_argument("-v", "--verbose", action="store_true")
    options = parser.parse_args()
    ref = load_reference()
    cli = os.path.abspath(options.cli)
    work = os.path.abspath(options.work)
    if os.path.isdir(work):
        shutil.rmtree(work)
    os.makedirs(work)

    rng = random.Random(20250117)
    cases = fixed_cases() + realistic_cases(rng, 60)
    passed = failed = 0
    for number, (name, lines) in enumerate(cases, 1):
        folder = os.path.join(work, "%03d" % number)
        os.makedirs(folder)
        with open(os.path.join(folder, "in.txt"), "wb") as f:
            f.write(crlf(lines))
        problems = compare(run_cli(cli, folder), run_reference(ref, folder))
        if problems:
            failed += 1
            print("FAIL %03d %s" % (number, name))
            for p in problems:
                print("     " + p)
        else:
            passed += 1
            if options.verbose:
                print("ok   %03d %s" % (number, name))
    print("%d passed, %d failed" % (passed, failed))
    return 0 if failed == 0 else 1


if __name__ == "__main__":
    sys.exit(main())
