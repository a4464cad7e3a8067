#!/usr/bin/env python3
"""Plays the whole scripted workflow, piezometer regression and prediction at
field-work locations, with `tarnovel-cli run --field ...` and with the
independent reference (tests/reference/run_reference.py) on the same tables
and options, and compares what they leave behind.

    python3 compare_prediction.py --cli PATH/tarnovel-cli --work DIR [--only NAME] [--jobs N]

Each case runs in DIR/<case>/cli and DIR/<case>/ref. It passes when the exit
statuses and standard outputs agree (the log name masked) and both folders
hold the same files: prediction, job and result files byte for byte, the log
line by line with its time stamps and input paths masked. A refused run (exit
status 2) must leave its folder as it found it. Tables come from fixed seeds.
"""

import argparse
import concurrent.futures
import os
import random
import re
import shutil
import subprocess
import sys
from dataclasses import dataclass, field

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, os.path.join(HERE, "..", "regression"))
import compare_run  # noqa: E402

REFERENCE = os.path.join(HERE, "..", "reference", "run_reference.py")
TIMEOUT = 90
SEED = 20261209
DATES = ("14-04-2003", "28-08-2003", "02-12-2003")

LOG_NAME = re.compile(r"Tarnovel at \d\d-\d\d-\d{4} \d\dh\d\dm\d\ds\.log")
LOG_MASKS = compare_run.LOG_MASKS + (
    (re.compile(r"^Used file         : .*$"), "Used file         : <input>"),
)


@dataclass
class Case:
    name: str
    piezometers: bytes
    field_table: bytes
    options: list
    leftovers: dict = field(default_factory=dict)
    expect: int = 0  # exit status both must give, so that a case cannot pass by being refused


# ------------------------------------------------------------------ tables


@dataclass
class Field:
    rows: int = 14
    titles: tuple = ("Loc", "Date1", "Meas1", "Date2", "Meas2")
    pairs: tuple = ((0, 1),)  # date pairs (indices into DATES) drawn from, in turn
    strata: tuple = ()  # values drawn from, in turn; needs a "Stratum" title
    cutoff: dict = field(default_factory=dict)  # date index -> cut-off texts, in turn
    codes: tuple = ()  # other codes sprinkled over the measurements
    code_share: float = 0.15
    cells: dict = field(default_factory=dict)  # (record, title) -> text
    decimals: int = 1
    comma: bool = False
    keys: dict = field(default_factory=dict)  # title -> content of a role column


def make_field(rng, lay):
    rows = [list(lay.titles)]
    for r in range(lay.rows):
        depth = rng.uniform(30, 150)
        a, b = lay.pairs[r % len(lay.pairs)]
        cells = {"Loc": "f%d" % (r + 1), "Date1": DATES[a], "Date2": DATES[b],
                 "Date3": DATES[2], "Meas3": "?"}
        for title, d in (("Meas1", a), ("Meas2", b)):
            value = depth + rng.gauss(0, 8) + 6 * d
            text = compare_run.number(value, lay.decimals, lay.comma)
            cuts = lay.cutoff.get(d)
            if cuts:
                cut = cuts[r % len(cuts)]
                if value > float(cut.replace(">", "").replace(" ", "")):
                    text = cut
            if lay.codes and rng.random() < lay.code_share:
                text = lay.codes[rng.randrange(len(lay.codes))]
            cells[title] = text
        if lay.strata:
            cells["Stratum"] = lay.strata[r % len(lay.strata)]
        row = []
        for title in lay.titles:
            key = lay.keys.get(title) or next((k for k in ("Date1", "Date2", "Date3", "Meas1", "Meas2", "Meas3",
                                    "Stratum", "Loc") if k.lower() in title.lower()), title)
            row.append(cells.get(key, "x"))
        rows.append(row)
    for (r, title), text in lay.cells.items():
        rows[r][lay.titles.index(title)] = text
    return rows


def piezometers(seed, strata=(), sd=(), kinds=("MHW", "MSW", "MLW"), rows=14):
    lay = compare_run.Layout(rows=rows, strata=strata, sd=sd, kinds=kinds, dates=DATES)
    return compare_run.table_bytes(seed, lay)


def field_bytes(seed, lay, sep=";", runs=None, encoding="utf-8"):
    rng = random.Random(seed)
    rows = make_field(rng, lay)
    return compare_run.serialize(rows, sep=sep, runs=runs, rng=rng, encoding=encoding)


# -------------------------------------------------------------------- cases

# Three date titles hold as many "-" as the title line holds ";": name the separator.
ALL_DATES = ["--sep", ";", "--dates", ",".join(DATES)]
STRATA = ("A", "B")
CENSORED = {0: (">150",), 1: (">140",)}


def fixed_cases():
    cases = []

    def add(name, options, field_lay=None, strata=(), sd=(), kinds=("MHW", "MSW", "MLW"),
            seed=None, sep=";", runs=None, leftovers=None, encoding="utf-8", expect=None):
        seed = SEED + len(cases) if seed is None else seed
        table = field_bytes(seed, field_lay or Field(), sep, runs, encoding)
        if expect is None:
            expect = 2 if name.startswith("refused") else 0
        cases.append(Case(name, piezometers(seed, strata, sd, kinds), table, ALL_DATES + options,
                          leftovers or {}, expect))

    add("plain", [])
    add("plain-pairs", [], Field(pairs=((0, 1), (1, 2), (0, 2), (2, 0), (1, 0))))
    add("codes-proposed", [], Field(cutoff=CENSORED, codes=("?", "dry")))
    add("codes-censored-first", [], Field(cutoff={0: (">150",)}, code_share=0))
    add("codes-ml", ["--code", ">150=>150", "--code", ">140=>140", "--code", "?=missing"],
        Field(cutoff=CENSORED, codes=("?",)))
    add("codes-ml-off", ["--code", ">150=>150", "--no-ml"],
        Field(cutoff={0: (">150",)}, cells={(3, "Meas1"): ">150"}))
    add("codes-typed-value", ["--code", "?=2.00", "--code", "dry=>170", "--code", "x=y=missing"],
        Field(codes=("?", "dry", "x=y"), code_share=0.3))
    add("codes-censored-not-a-number", ["--code", "?=>abc"], Field(codes=("?",), code_share=0.3))
    add("cutoffs-two-on-one-date", ["--code", ">120=>120", "--code", ">150=>150"],
        Field(rows=24, cutoff={0: (">150", ">120")},
              cells={(1, "Meas1"): ">150", (2, "Meas1"): ">120", (5, "Meas2"): ">120"}))
    add("cutoffs-same-integer-part", [],
        Field(rows=24, cells={(1, "Meas1"): ">120.5", (2, "Meas1"): ">120.2",
                              (3, "Meas1"): ">119.9", (4, "Meas2"): ">120.2"}))
    add("cutoffs-blank-inside", [], Field(cutoff={0: ("> 150", ">150")}, code_share=0))
    add("cutoffs-three-dates", [],
        Field(rows=30, pairs=((0, 1), (1, 2), (2, 0)),
              cutoff={0: (">150",), 1: (">130",), 2: (">140",)}))
    add("cutoff-dry-far-below", [], Field(cells={(1, "Meas1"): ">400"}))
    add("cutoff-too-few-values", [],
        Field(rows=4, cells={(1, "Meas1"): ">50", (2, "Meas1"): ">50", (3, "Meas1"): ">50"}))
    add("strata-separately", ["--strata-separately"],
        Field(titles=("Loc", "Stratum", "Date1", "Meas1", "Date2", "Meas2"), strata=STRATA,
              cutoff={1: (">140",)}), strata=STRATA)
    add("strata-pooled", ["--strata-separately", "--pooled"],
        Field(titles=("Loc", "Stratum", "Date1", "Meas1", "Date2", "Meas2"), strata=STRATA),
        strata=STRATA)
    add("strata-unknown-in-field", ["--strata-separately"],
        Field(titles=("Loc", "Area", "Date1", "Meas1", "Date2", "Meas2"),
              strata=("A", "C", "B"), keys={"Area": "Stratum"}), strata=STRATA)
    add("strata-run-without", [],
        Field(titles=("Loc", "Stratum", "Date1", "Meas1", "Date2", "Meas2"), strata=STRATA),
        strata=STRATA)
    add("single-kind", ["--kinds", "MLW"], Field(cutoff=CENSORED))
    add("predict-one-of-three", ["--predict", "MSW"], Field(cutoff=CENSORED))
    add("two-kinds", ["--predict", "MHW+MLW"], kinds=("MHW", "MLW"))
    add("weighted", ["--weighted"], Field(pairs=((0, 1), (2, 1))), sd=("MHW", "MSW", "MLW"))
    add("delimiter-comma", ["--delimiter", ",", "--output", "Predict.csv"], Field(cutoff=CENSORED))
    add("delimiter-tab", ["--delimiter", "tab"])
    add("field-tab-separated", ["--field-sep", "tab"], sep="\t")
    add("field-blank-runs", ["--field-sep", "space", "--field-multiple"], sep=" ", runs=3)
    add("field-comma-decimals", ["--field-sep", ";", "--field-comma-to-point"],
        Field(comma=True, cutoff={0: (">150",)}))
    add("field-missing-code", ["--field-missing", "-99"], Field(codes=("-99",), code_share=0.2))
    add("single-date-survey", [],
        Field(titles=("Loc", "Date1", "Meas1"), cutoff={0: (">140",)}))
    add("single-date2-survey", [],
        Field(titles=("Loc", "Date2", "Meas2"), pairs=((1, 1),), cutoff={1: (">150",)}))
    add("same-date-twice", [], Field(pairs=((0, 0), (1, 1), (0, 1))))
    add("unknown-date", [], Field(cells={(2, "Date1"): "01-01-1999", (3, "Date2"): "x"}))
    add("roles-by-option", ["--date1", "When", "--meas1", "Depth", "--date2", "Date2",
                            "--meas2", "Meas2"],
        Field(titles=("Loc", "When", "Depth", "Date2", "Meas2", "Date1", "Meas1"),
              keys={"When": "Date1", "Depth": "Meas1", "Date1": "Date3", "Meas1": "Meas3"}))
    add("meas3-codes-ignored", [],
        Field(titles=("Loc", "Date1", "Meas1", "Date2", "Meas2", "Date3", "Meas3")))
    add("plots-then-field", ["--plots"], Field(cutoff={1: (">140",)}))
    add("missing-measurements", [], Field(codes=("", "n.a."), code_share=0.3))
    add("strata-with-blanks", ["--strata-separately"],
        Field(titles=("Loc", "Stratum", "Date1", "Meas1", "Date2", "Meas2"),
              strata=("clay soil", "sand")), strata=("clay soil", "sand"))
    add("strata-box-emptied", ["--strata-separately", "--field-strata", ""],
        Field(titles=("Loc", "Stratum", "Date1", "Meas1", "Date2", "Meas2"), strata=STRATA),
        strata=STRATA)
    add("meas-without-date", [],
        Field(titles=("Loc", "Meas1", "Date2", "Meas2"), cutoff=CENSORED))
    add("field-windows-1252", [], Field(cells={(1, "Loc"): "Br\u00fcgge", (2, "Loc"): "Caf\u00e9"}),
        encoding="cp1252")
    add("number-forms", [], Field(cells={(1, "Meas1"): "1e2", (2, "Meas1"): " 87.5",
                                         (3, "Meas2"): "+64", (4, "Meas2"): "-12.5"}))
    # A field table without data is refused before anything is written.
    add("titles-only", [], Field(rows=0), expect=2)
    add("many-locations", ["--code", ">150=>150", "--code", ">140=>140"],
        Field(rows=1500, pairs=((0, 1), (1, 2), (2, 0), (1, 0)), cutoff=CENSORED))
    add("output-overwritten", ["--output", "Predict.csv"],
        leftovers={"Predict.csv": b"old;\r\n", "Session  1 Predict.csv": b"older;\r\n"})
    # Refused before anything is written.
    add("refused-strata-box", ["--field-strata", "Stratum"],
        Field(titles=("Loc", "Stratum", "Date1", "Meas1", "Date2", "Meas2"), strata=STRATA))
    add("refused-code", ["--code", "nothing=missing"])
    add("refused-predict", ["--kinds", "MLW", "--predict", "MHW"])
    add("refused-field-sep", ["--field-sep", "|"])
    add("refused-title", ["--meas1", "Nope"])
    add("refused-delimiter", ["--delimiter", "|"])
    return cases


def random_cases(count):
    cases = []
    for k in range(count):
        rng = random.Random(SEED * 7 + k)
        strata = STRATA if rng.random() < 0.5 else ()
        titles = ["Loc", "Date1", "Meas1", "Date2", "Meas2"]
        if strata:
            titles.insert(rng.randrange(1, len(titles) + 1), "Stratum")
        pairs = tuple((rng.randrange(3), rng.randrange(3)) for _ in range(rng.randint(1, 4)))
        cutoff = {d: (rng.choice((">130", ">145", ">160")),) for d in range(3)
                  if rng.random() < 0.6}
        lay = Field(rows=rng.randint(3, 30), titles=tuple(titles), pairs=pairs, strata=strata,
                    cutoff=cutoff, codes=("?",) if rng.random() < 0.4 else (),
                    code_share=0.1)
        options = []
        if strata and rng.random() < 0.7:
            options.append("--strata-separately")
            if rng.random() < 0.3:
                options.append("--pooled")
        if rng.random() < 0.3:
            options += ["--delimiter", rng.choice((",", "tab"))]
        if rng.random() < 0.2:
            options += ["--predict", rng.choice(("MHW", "MSW", "MLW"))]
        if rng.random() < 0.2:
            options.append("--no-ml")
        seed = SEED + 1000 + k
        table = field_bytes(seed, lay)
        found = table.decode().replace("\r\n", ";").split(";")
        for cut in sorted({c for cuts in cutoff.values() for c in cuts}):
            if cut in found and rng.random() < 0.7:
                options += ["--code", cut + "=" + cut]
        cases.append(Case("random-%02d" % k, piezometers(seed, strata, rows=rng.randint(8, 20)),
                          table, ALL_DATES + options))
    return cases


# --------------------------------------------------------------- comparison


def masked_log(data):
    lines = data.decode("utf-8", errors="replace").split("\r\n")
    out = []
    for line in lines:
        for pattern, replacement in LOG_MASKS:
            if pattern.match(line):
                line = replacement
                break
        out.append(line)
    return out


def compare_folders(cli, ref):
    for path in sorted(set(cli) | set(ref)):
        if path not in ref:
            return "only the cli left %r" % path
        if path not in cli:
            return "only the reference left %r" % path
    for path in sorted(cli):
        a, b = cli[path], ref[path]
        if a is None or a == b:
            continue
        if path.lower().endswith(".wmf"):
            if compare_run.bitmap_size(a) != (350, 350) or compare_run.bitmap_size(b) != (350, 350):
                return "%s: not a 350 x 350 bitmap" % path
        elif "Tarnovel at <time>.log" in path:
            la, lb = masked_log(a), masked_log(b)
            for i in range(max(len(la), len(lb))):
                x = la[i] if i < len(la) else "<end of log>"
                y = lb[i] if i < len(lb) else "<end of log>"
                if x != y:
                    return "%s line %d: cli %r / ref %r" % (path, i + 1, x, y)
        else:
            return "%s: %s" % (path, compare_run.first_line_difference(a, b))
    return None


def prepare_folder(folder, case):
    os.makedirs(folder)
    for path, content in sorted(case.leftovers.items()):
        with open(os.path.join(folder, path), "wb") as f:
            f.write(content)
    for name, content in (("piezometers.csv", case.piezometers), ("field.csv", case.field_table)):
        with open(os.path.join(folder, name), "wb") as f:
            f.write(content)


def run(command, folder):
    try:
        done = subprocess.run(command, cwd=folder, stdout=subprocess.PIPE, stderr=subprocess.PIPE,
                              timeout=TIMEOUT)
    except subprocess.TimeoutExpired:
        return "timeout", b"", ""
    return done.returncode, done.stdout, done.stderr.decode("utf-8", errors="replace").strip()


def run_case(case, cli_path, work):
    base = os.path.join(work, case.name)
    results = {}
    for who in ("cli", "ref"):
        folder = os.path.abspath(os.path.join(base, who))
        prepare_folder(folder, case)
        before = compare_run.snapshot(folder)
        program = [cli_path] if who == "cli" else [sys.executable, REFERENCE]
        command = program + ["run", "--workdir", folder,
                             "--piezometers", os.path.join(folder, "piezometers.csv"),
                             "--field", os.path.join(folder, "field.csv")] + case.options
        status, stdout, stderr = run(command, folder)
        results[who] = (status, LOG_NAME.sub("<log>", stdout.decode("utf-8", "replace")), stderr,
                        before, compare_run.snapshot(folder))
    (cs, cout, cerr, cbefore, cafter), (rs, rout, rerr, rbefore, rafter) = \
        results["cli"], results["ref"]
    if cs != case.expect:
        return "cli exit status %s, the case expects %s (%s)" % (cs, case.expect, cerr[:200])
    if cs != rs:
        return "exit status: cli %s / ref %s (cli: %s | ref: %s)" % (cs, rs, cerr[:200], rerr[:200])
    if cout != rout:
        la, lb = cout.split("\n"), rout.split("\n")
        for i in range(max(len(la), len(lb))):
            x = la[i] if i < len(la) else "<end>"
            y = lb[i] if i < len(lb) else "<end>"
            if x != y:
                return "stdout line %d: cli %r / ref %r" % (i + 1, x, y)
    if cs == 2:
        for who, before, after in (("cli", cbefore, cafter), ("ref", rbefore, rafter)):
            if before != after:
                return "%s refused the run but changed the folder" % who
    return compare_folders(cafter, rafter)


def main():
    parser = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    parser.add_argument("--cli", required=True)
    parser.add_argument("--work", required=True)
    parser.add_argument("--only", help="run the cases whose name contains this text")
    parser.add_argument("--jobs", type=int, default=2)
    parser.add_argument("--random", type=int, default=12, help="number of random cases")
    args = parser.parse_args()
    cli_path = os.path.abspath(args.cli)
    work = os.path.abspath(args.work)
    if os.path.isdir(work):
        shutil.rmtree(work)
    os.makedirs(work)
    cases = fixed_cases() + random_cases(args.random)
    if args.only:
        cases = [c for c in cases if args.only in c.name]
    with concurrent.futures.ThreadPoolExecutor(max_workers=max(1, args.jobs)) as pool:
        outcomes = list(pool.map(lambda c: run_case(c, cli_path, work), cases))
    failed = 0
    for case, outcome in zip(cases, outcomes):
        if outcome is not None:
            failed += 1
            print("FAIL %s: %s" % (case.name, outcome))
    print("%d passed, %d failed" % (len(cases) - failed, failed))
    return 0 if failed == 0 else 1


if __name__ == "__main__":
    sys.exit(main())
