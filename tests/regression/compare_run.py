#!/usr/bin/env python3
"""Plays the scripted piezometer workflow with `tarnovel-cli run` and with the
independent reference (tests/reference/run_reference.py) on the same tables
and options, and compares what they leave behind.

    python3 compare_run.py --cli PATH/tarnovel-cli --work DIR [--only NAME] [--jobs N]

Every case gets DIR/<case>/cli and DIR/<case>/ref, each holding the same input
table and leftovers of an earlier run; both programs run with that folder as
their working folder. A case passes when the exit statuses agree and both
folders hold the same files and folders (log names with their time stamp
masked) with the same contents: job, result and other files byte for byte, the
log line by line with its time stamps and the input path masked, scatterplots
only as 350 x 350 Windows bitmaps. A refused run (exit status 2) must also
leave its folder exactly as it found it. The cases are generated from fixed
seeds, so every run compares the same files.
"""

import argparse
import concurrent.futures
import os
import random
import re
import shutil
import struct
import subprocess
import sys
from dataclasses import dataclass, field

HERE = os.path.dirname(os.path.abspath(__file__))
REFERENCE = os.path.join(HERE, "..", "reference", "run_reference.py")
TIMEOUT = 60
SEED = 20241209

LOG_NAME = re.compile(r"Tarnovel at \d\d-\d\d-\d{4} \d\dh\d\dm\d\ds\.log")
LOG_MASKS = (
    (re.compile(r"^Logfile of Tarnovel at .*$"), "Logfile of Tarnovel at <time>"),
    (re.compile(r"^\*\*\* .* \*\*\*$"), "*** <date time> ***"),
    (re.compile(r"^Used file  : .*$"), "Used file  : <input>"),
)


@dataclass
class Case:
    name: str
    table: bytes
    options: list
    input_name: str = "piezometers.csv"
    leftovers: dict = field(default_factory=dict)  # path -> bytes, or None for a folder


# ------------------------------------------------------------------ tables


def number(v, decimals, comma=False):
    text = "%.*f" % (decimals, v)
    return text.replace(".", ",") if comma else text


@dataclass
class Layout:
    rows: int = 12
    kinds: tuple = ("MHW", "MSW", "MLW")
    sd: tuple = ()
    strata: tuple = ()  # values drawn from, in turn; empty: no strata column
    strata_title: str = "Stratum"
    dates: tuple = ("14-04-2003", "28-08-2003")
    dates_first: bool = False  # date columns left of the MxW columns
    sd_first: bool = False  # each sd column left of its MxW column
    missing: float = 0.0  # share of date and MxW cells holding the code
    missing_code: str = "-9999"
    sd_missing: int = 0  # this many sd cells read "missing"
    sd_cells: dict = field(default_factory=dict)  # record number -> text of the first sd column
    decimals: int = 1
    comma: bool = False
    titles: dict = field(default_factory=dict)  # column renames
    extra: tuple = ()  # (title, values) columns at the right
    blank_rows: int = 0  # empty lines at the end
    short_rows: tuple = ()  # records (1-based) that lose their last cell


def make_table(rng, lay):
    """Header and records as lists of cell texts."""
    columns = ["Loc"]  # generator keys, one per column
    if lay.strata:
        columns.append("strata")
    mxw = []
    for kind in lay.kinds:
        pair = [kind, "sd" + kind] if kind in lay.sd else [kind]
        mxw += pair[::-1] if lay.sd_first else pair
    columns += (list(lay.dates) + mxw) if lay.dates_first else (mxw + list(lay.dates))
    columns += ["extra%d" % i for i in range(len(lay.extra))]
    header = [lay.strata_title if key == "strata" else key for key in columns]
    header = header[:len(header) - len(lay.extra)] + [title for title, _ in lay.extra]
    rows = [[lay.titles.get(t, t) for t in header]]
    offsets = [rng.uniform(-25, 25) for _ in lay.dates]
    base = {"MHW": (0.8, -10), "MSW": (1.0, 0), "MLW": (1.15, 25)}
    for r in range(lay.rows):
        depth = rng.uniform(20, 160)
        cells = {"Loc": "p%d" % (r + 1)}
        if lay.strata:
            cells["strata"] = lay.strata[r % len(lay.strata)]
        for d, title in enumerate(lay.dates):
            cells[title] = number(depth + offsets[d] + rng.gauss(0, 6), lay.decimals, lay.comma)
        for kind in lay.kinds:
            a, b = base[kind]
            cells[kind] = number(a * depth + b + rng.gauss(0, 5), lay.decimals, lay.comma)
            cells["sd" + kind] = number(rng.uniform(0.5, 9), 1, lay.comma)
        for i, (_, values) in enumerate(lay.extra):
            cells["extra%d" % i] = values[r % len(values)]
        row = [cells[key] for key in columns]
        for c, key in enumerate(columns):
            if (key in lay.dates or key in lay.kinds) and rng.random() < lay.missing:
                row[c] = lay.missing_code
        rows.append(row)
    sd_columns = [c for c, key in enumerate(columns) if key.startswith("sd")]
    for i in range(lay.sd_missing):
        rows[1 + (3 * i + 1) % lay.rows][sd_columns[i % len(sd_columns)]] = "missing"
    for r, text in lay.sd_cells.items():
        rows[r][sd_columns[0]] = text
    for r in lay.short_rows:
        rows[r] = rows[r][:-1]
    for _ in range(lay.blank_rows):
        rows.append(None)
    return rows


def serialize(rows, sep=";", eol="\r\n", encoding="utf-8", bom=False, runs=None, rng=None,
              final_eol=True, header_runs=True):
    """The table as a delimited file; `runs` repeats each separator 1..runs times."""
    lines = []
    for r, row in enumerate(rows):
        if row is None:
            lines.append("")
        elif runs and (r > 0 or header_runs):
            lines.append("".join(cell + sep * (rng.randint(1, runs) if c + 1 < len(row) else 0)
                                 for c, cell in enumerate(row)))
        else:
            lines.append(sep.join(row))
    text = eol.join(lines) + (eol if final_eol else "")
    data = text.encode(encoding)
    return (b"\xef\xbb\xbf" + data) if bom else data


def proposal(data):
    """The separator the data window proposes for this file."""
    text = data.decode("utf-8-sig", errors="replace")
    first = re.split("\r\n|\r|\n", text, maxsplit=1)[0]
    excluded = set("\"'.0123456789") | set(map(chr, range(65, 91))) | set(map(chr, range(97, 123)))
    counts = {}
    for ch in first:
        if ch not in excluded:
            counts[ch] = counts.get(ch, 0) + 1
    best = None
    for ch, count in counts.items():  # in order of first occurrence
        if best is None or count > counts[best]:
            best = ch
    return best


def table_bytes(seed, lay, **fmt):
    rng = random.Random(seed)
    rows = make_table(rng, lay)
    return serialize(rows, rng=rng, **fmt)


# -------------------------------------------------------------------- cases

OLD_RESULT = ("=" * 73 + "\r\nold result\r\n").encode()
EARLIER_RUN = {
    "nostrata-01-01-2001-01-01-2001-MHW-ong.out": OLD_RESULT,
    "nostrata-01-01-2001-01-01-2001-MHW-ong.dat": b"old job\r\n",
    "nostrata-01-01-2001-01-01-2001-MHW-ong.wmf": b"BMold",
    "A-x-x-MSW-gew.Out": OLD_RESULT,  # no ".out" in lower case: not cleaned
    "A-x-x-MSW-gew.dat": b"kept for the archive\r\n",
    "OLD-RESULT.OUT": OLD_RESULT,
    "OLD-RESULT.dat": b"stays until the archive\r\n",
    "noresult.dat": b"a job without result\r\n",
    "plain.out": OLD_RESULT,  # no "-": not cleaned
    "plain.dat": b"plain\r\n",
    "Session  1 Predict.csv": b"Loc;MHW;\r\n",
    "SESSION9.CSV": b"upper case\r\n",
    "buisgrid.csv": b"Loc;MHW;\r\n",
    "notes.txt": b"keep me\r\n",
    "old.log": b"an older log\r\n",
    "invoer_censored.txt": b"1.5\r\n",
    "uitvoer_censored.txt": b"report\r\n",
    "temp.csv": b"stale;\r\n",
    "temp.txt": b"-1 stale\r\n",
    "x-y.out.dat": b"double extension\r\n",
    "folder-z.out": None,  # a folder: never cleaned, never archived
    "folder.dat": None,
}

SESSIONS = {
    "session1": None,
    "session1/kept.dat": b"from an earlier program start\r\n",
    "session1/nostrata-01-01-2001-01-01-2001-MHW-ong.dat": b"replaced\r\n",
    "session2": None,
    "session3": None,
    "session3/x.out": OLD_RESULT,
    "session5": None,
}


def fixed_cases():
    cases = []

    def add(name, lay, options, seed=None, fmt=None, **kw):
        fmt = fmt or {}
        data = table_bytes(seed if seed is not None else len(cases) + 1, lay, **fmt)
        sep = fmt.get("sep", ";")
        if "--sep" not in options and not name.startswith("refused") and proposal(data) != sep:
            # Titles full of hyphens outvote the separator: choose it as a user would.
            options = options + ["--sep", {"\t": "tab", " ": "space"}.get(sep, sep)]
        cases.append(Case(name, data, options, **kw))

    def dates(lay):
        return ["--dates", ",".join(lay.dates)]

    lay = Layout()
    add("basic", lay, dates(lay))
    add("basic_plots", lay, dates(lay) + ["--plots"])
    lay = Layout(rows=14, strata=("A", "B", "C"), dates=("14-04-2003", "01-02-2003", "28-08-2003"))
    add("strata_separately_plots", lay, dates(lay) + ["--strata-separately", "--plots"])
    add("strata_column_pooled", lay, dates(lay) + ["--plots"])
    lay = Layout(rows=12, sd=("MHW", "MSW", "MLW"))
    add("weighted_plots", lay, dates(lay) + ["--weighted", "--plots"])
    add("weighted_offered_unused", lay, dates(lay))
    lay = Layout(rows=16, sd=("MHW", "MSW", "MLW"), strata=("klei", "zand"),
                 dates=("d1", "d2", "d3"))
    add("weighted_strata_separately", lay,
        dates(lay) + ["--weighted", "--strata-separately", "--plots"])
    lay = Layout(rows=15, missing=0.15)
    add("missing_code_applied", lay, dates(lay) + ["--missing", "-9999", "--plots"])
    add("missing_code_not_applied", lay, dates(lay))
    lay = Layout(rows=15, missing=0.15, missing_code="NA")
    add("missing_code_text", lay, dates(lay) + ["--missing", "NA"])
    add("missing_code_text_not_applied", lay, dates(lay))
    lay = Layout(rows=12, missing=0.1, missing_code="missing")
    add("missing_in_file", lay, dates(lay) + ["--plots"])
    lay = Layout(rows=12, comma=True, decimals=2, sd=("MHW",), kinds=("MHW",))
    add("decimal_comma", lay, dates(lay) + ["--comma-to-point", "--weighted", "--plots"])
    add("decimal_comma_not_converted", lay, dates(lay))
    lay = Layout(rows=10)
    add("sep_comma", lay, dates(lay) + ["--sep", ","], fmt={"sep": ","})
    add("sep_tab", lay, dates(lay) + ["--sep", "tab"], fmt={"sep": "\t"})
    add("sep_tab_proposed", lay, dates(lay), fmt={"sep": "\t"})
    lay = Layout(rows=10, dates=("apr03", "aug03"))
    add("sep_space", lay, dates(lay) + ["--sep", "space"], fmt={"sep": " "})
    add("sep_space_multiple", lay, dates(lay) + ["--sep", "space", "--multiple"],
        fmt={"sep": " ", "runs": 4})
    add("sep_space_runs_not_collapsed", lay, dates(lay) + ["--sep", "space"],
        fmt={"sep": " ", "runs": 2, "header_runs": False})
    lay = Layout(rows=10, strata=("Zuidé", "Wêst"), dates=("d1", "d2"))
    add("sep_non_ascii", lay, dates(lay) + ["--sep", "§", "--strata-separately"], fmt={"sep": "§"})
    add("sep_non_ascii_1252", lay, dates(lay) + ["--sep", "§", "--multiple"],
        fmt={"sep": "§", "encoding": "cp1252", "runs": 2})
    add("sep_tab_multiple", lay, dates(lay) + ["--sep", "tab", "--multiple", "--plots"],
        fmt={"sep": "\t", "runs": 3})
    lay = Layout(rows=10)
    add("sep_semicolon_multiple", lay, dates(lay) + ["--multiple"], fmt={"runs": 2})
    lay = Layout(rows=12, kinds=("MSW",))
    add("single_kind_table", lay, dates(lay) + ["--plots"])
    lay = Layout(rows=12, kinds=("MHW", "MLW"), sd=("MHW", "MLW"))
    add("two_kinds_weighted", lay, dates(lay) + ["--weighted", "--plots"])
    lay = Layout(rows=12)
    add("kinds_msw", lay, dates(lay) + ["--kinds", "MSW", "--plots"])
    lay = Layout(rows=12, sd=("MHW", "MSW", "MLW"))
    add("kinds_mlw_weighted", lay, dates(lay) + ["--kinds", "MLW", "--weighted", "--plots"])
    lay = Layout(rows=12, kinds=("MSW", "MLW"))
    add("no_mhw_kinds_msw", lay, dates(lay) + ["--kinds", "MSW", "--plots"])
    lay = Layout(rows=12, kinds=("MSW", "MLW"), sd=("MSW", "MLW"))
    add("no_mhw_sd_kinds_mlw", lay, dates(lay) + ["--kinds", "MLW"])
    lay = Layout(rows=18, dates=("14-04-2003", "01-02-2003", "28-08-2003", "15-11-2003"),
                 dates_first=True)
    add("four_dates_left", lay, dates(lay) + ["--sep", ";", "--plots"])
    lay = Layout(rows=12, dates=("14.04.2003", "28-08-2003"))
    add("date_with_point", lay, dates(lay) + ["--plots"])
    lay = Layout(rows=12, dates=("14-04-2003", "30/08/2003"))
    add("date_with_slash", lay, dates(lay) + ["--sep", ";"])
    lay = Layout(rows=12, strata=("N/Z", "Oost"), dates=("d1", "d2"))
    add("stratum_with_slash", lay, dates(lay) + ["--strata-separately"])
    lay = Layout(rows=14, strata=("Zuidé", "Noord", "Wêst"), dates=("mars-é", "août-03"))
    add("utf8_bom", lay, dates(lay) + ["--strata-separately", "--plots"], fmt={"bom": True})
    add("windows_1252", lay, dates(lay) + ["--strata-separately", "--plots"],
        fmt={"encoding": "cp1252"})
    add("lf_endings", lay, dates(lay), fmt={"eol": "\n", "final_eol": False})
    add("cr_endings", lay, dates(lay), fmt={"eol": "\r"})
    lay = Layout(rows=12, kinds=("MHW",), sd=("MHW",), extra=(("sdMHW", ("1.5", "2.5", "0.5")),))
    add("title_twice_sd", lay, dates(lay) + ["--weighted", "--plots"])
    lay = Layout(rows=12, kinds=("MHW", "MLW"), extra=(("MHW", ("50", "60", "missing")),))
    add("title_twice_mxw", lay, dates(lay))
    lay = Layout(rows=12, sd=("MHW", "MSW", "MLW"), sd_missing=1)
    add("weighted_sd_missing", lay, dates(lay) + ["--weighted", "--plots"])
    add("unweighted_sd_missing", lay, dates(lay) + ["--plots"])
    lay = Layout(rows=12, kinds=("MHW",), sd=("MHW",), sd_cells={4: "1e-3"})
    add("sd_cell_with_exponent", lay, dates(lay) + ["--weighted"])
    lay = Layout(rows=12, kinds=("MHW",), sd=("MHW",), sd_cells={2: "-1", 7: "-9999"})
    add("sd_cell_negative", lay, dates(lay) + ["--weighted", "--missing", "-9999"])
    add("sd_cell_negative_unweighted", lay, dates(lay) + ["--plots"])
    lay = Layout(rows=12, kinds=("MHW",), sd=("MHW",), titles={"sdMHW": "sd-MHW"})
    add("sd_title_with_hyphen", lay, dates(lay) + ["--sdmhw", "sd-MHW", "--weighted", "--sep", ";"])
    lay = Layout(rows=11, strata=("A", "A", "A", "A", "B", "B", "B", "A", "A", "C", "A"),
                 dates=("d1", "d2"))
    add("too_few_data", lay, dates(lay) + ["--strata-separately", "--plots"])
    lay = Layout(rows=12, strata=("LongStratumName1", "LongStratumName12", "Kort"),
                 dates=("d1", "d2"))
    add("long_strata", lay, dates(lay) + ["--strata-separately", "--plots"])
    lay = Layout(rows=12, strata=("A;1", "B;2"), dates=("d1", "d2"))
    add("stratum_with_semicolon", lay, dates(lay) + ["--sep", "tab", "--strata-separately", "--plots"],
        fmt={"sep": "\t"})
    lay = Layout(rows=12, strata=("klei", "", "Klei", "Klei "), dates=("d1", "d2"))
    add("empty_and_blank_strata", lay, dates(lay) + ["--strata-separately", "--plots"])
    lay = Layout(rows=10, blank_rows=1)
    add("trailing_empty_line", lay, dates(lay))
    add("trailing_empty_line_marked", lay, dates(lay) + ["--missing", ""])
    lay = Layout(rows=10, strata=("A", "B"), strata_title="Area", dates=("d1", "d2"))
    add("strata_title_given", lay, dates(lay) + ["--strata", "Area", "--strata-separately", "--plots"])
    add("strata_not_proposed", lay, dates(lay))
    lay = Layout(rows=10, strata=("A", "B"), strata_title="subarea", dates=("d1", "d2"))
    add("strata_box_emptied", lay, dates(lay) + ["--strata", ""])
    lay = Layout(rows=12, kinds=("MHW",), titles={"MHW": "GHG"},
                 extra=(("MHW_alt", ("40", "50", "60")),))
    add("role_given", lay, dates(lay) + ["--mhw", "GHG", "--plots"])
    lay = Layout(rows=12, kinds=("MHW",), sd=("MHW",), sd_first=True)
    add("sd_left_of_mxw_proposed", lay, dates(lay) + ["--plots"])
    add("sd_left_of_mxw_given", lay, dates(lay) + ["--mhw", "MHW", "--weighted", "--plots"])
    lay = Layout(rows=10, kinds=(), dates=("d1", "d2"), extra=(("X", ("1", "2", "3")),))
    add("no_kinds", lay, dates(lay))
    lay = Layout(rows=10, kinds=("MHW",), dates=("..", "d2"))
    add("date_dotdot", lay, dates(lay) + ["--plots"])
    lay = Layout(rows=12, kinds=("MHW",), dates=("Mar03", "apr03", "Jan03"))
    add("dates_mixed_case", lay, dates(lay) + ["--plots"])
    lay = Layout(rows=12, kinds=("MLW",), dates=("d1", "e2", "D1"))
    add("dates_equal_but_case", lay, dates(lay))
    lay = Layout(rows=12, kinds=("MHW", "MLW"), short_rows=(2, 5))
    add("short_rows", lay, dates(lay))
    add("short_rows_marked", lay, dates(lay) + ["--missing", ""])
    lay = Layout(rows=12)
    add("kinds_default_given", lay, dates(lay) + ["--kinds", "MHW+MSW+MLW"])
    lay = Layout(rows=240, sd=("MHW", "MSW", "MLW"), strata=("A", "B", "C", "D", "E"),
                 dates=("14-04-2003", "01-02-2003", "28-08-2003", "15-11-2003"), missing=0.03)
    add("large", lay, dates(lay) + ["--sep", ";", "--missing", "-9999", "--weighted",
                                    "--strata-separately", "--plots"])
    cases.append(Case("header_only", b"Loc;MHW;d1;d2\r\n", ["--dates", "d1,d2", "--plots"]))
    lay = Layout(rows=12)
    add("earlier_run_leftovers", lay, dates(lay) + ["--plots"], leftovers=dict(EARLIER_RUN))
    add("existing_sessions", lay, dates(lay), leftovers=dict(SESSIONS))
    add("input_named_dat", lay, dates(lay), input_name="input.DAT")
    lay = Layout(rows=10, extra=(("note!#$%&()*+/:<=>?@[]^_`{|}~", ("a", "b")),))
    add("many_candidates", lay, dates(lay) + ["--sep", ";"])
    add("candidate_beyond_20", lay, dates(lay) + ["--sep", "~"])

    # Refused before anything is written.
    lay = Layout(rows=8, strata=())
    refused = [
        ("refused_separator", ["--sep", ":"]),
        ("refused_title", ["--mhw", "GHG"]),
        ("refused_date", ["--dates", "14-04-2003,nodate"]),
        ("refused_kinds", ["--kinds", "MHW+MSW"]),
        ("refused_weighted", ["--weighted"]),
        ("refused_strata", ["--strata-separately"]),
        ("refused_option", ["--frobnicate"]),
        ("refused_no_dates", None),
    ]
    for name, extra in refused:
        if extra is None:
            options = []
        elif "--dates" in extra:
            options = extra
        else:
            options = dates(lay) + extra
        add(name, lay, options, leftovers={"notes.txt": b"keep\r\n"})
    missing_input = Case("refused_missing_input", b"", dates(lay), input_name="absent.csv")
    cases.append(missing_input)
    return cases


def random_cases(count):
    """Broad combinations on top of the fixed cases."""
    rng = random.Random(SEED)
    cases = []
    date_pool = ["14-04-2003", "01-02-2003", "28-08-2003", "15-11-2003", "d5", "mei-04"]
    for i in range(count):
        kinds = tuple(k for k in ("MHW", "MSW", "MLW") if rng.random() < 0.7) or ("MSW",)
        weighted = rng.random() < 0.5
        sd = kinds if weighted else tuple(k for k in kinds if rng.random() < 0.3)
        strata = tuple(rng.sample(["A", "B", "C", "klei", "veen"], rng.randint(1, 3))) \
            if rng.random() < 0.6 else ()
        ndates = rng.randint(1, 4)
        lay = Layout(rows=rng.randint(5, 24), kinds=kinds, sd=sd, strata=strata,
                     dates=tuple(rng.sample(date_pool, ndates)), dates_first=rng.random() < 0.3,
                     missing=rng.choice([0.0, 0.0, 0.1, 0.25]), decimals=rng.randint(0, 3),
                     comma=rng.random() < 0.25)
        sep = rng.choice([";", ";", ",", "\t"]) if not lay.comma else rng.choice([";", "\t"])
        options = ["--dates", ",".join(lay.dates),
                   "--sep", {"\t": "tab"}.get(sep, sep)]
        if lay.comma:
            options.append("--comma-to-point")
        if lay.missing:
            options += ["--missing", "-9999"]
        if weighted:
            options.append("--weighted")
        if strata and rng.random() < 0.7:
            options.append("--strata-separately")
        if len(kinds) > 1 and rng.random() < 0.3:
            options += ["--kinds", rng.choice(kinds)]
        if rng.random() < 0.6:
            options.append("--plots")
        data = table_bytes(rng.randrange(1 << 30), lay, sep=sep,
                           encoding=rng.choice(["utf-8", "cp1252"]))
        cases.append(Case("random_%02d" % (i + 1), data, options))
    return cases


# --------------------------------------------------------------- comparison


def prepare_folder(folder, case):
    os.makedirs(folder)
    for path, content in sorted(case.leftovers.items()):
        full = os.path.join(folder, path)
        if content is None:
            os.makedirs(full, exist_ok=True)
        else:
            os.makedirs(os.path.dirname(full), exist_ok=True)
            with open(full, "wb") as f:
                f.write(content)
    if not case.input_name.startswith("absent"):
        with open(os.path.join(folder, case.input_name), "wb") as f:
            f.write(case.table)


def snapshot(folder):
    """Relative path -> bytes (None for a folder), log names masked."""
    found = {}
    for root, dirs, files in os.walk(folder):
        for name in dirs + files:
            full = os.path.join(root, name)
            rel = os.path.relpath(full, folder)
            key = LOG_NAME.sub("Tarnovel at <time>.log", rel)
            if os.path.isdir(full):
                found[key + "/"] = None
            else:
                with open(full, "rb") as f:
                    found[key] = f.read()
    return found


def bitmap_size(data):
    if len(data) < 26 or data[:2] != b"BM":
        return None
    header_size = struct.unpack_from("<I", data, 14)[0]
    if header_size == 12:
        width, height = struct.unpack_from("<HH", data, 18)
    else:
        width, height = struct.unpack_from("<ii", data, 18)
    return width, abs(height)


def masked_lines(data):
    text = data.decode("utf-8", errors="replace")
    lines = text.split("\r\n")
    out = []
    for line in lines:
        for pattern, replacement in LOG_MASKS:
            if pattern.match(line):
                line = replacement
                break
        out.append(line)
    return out


def first_line_difference(a, b):
    la = a.decode("utf-8", errors="replace").split("\n")
    lb = b.decode("utf-8", errors="replace").split("\n")
    for i in range(max(len(la), len(lb))):
        x = la[i] if i < len(la) else "<end of file>"
        y = lb[i] if i < len(lb) else "<end of file>"
        if x != y:
            return "line %d: cli %r / ref %r" % (i + 1, x, y)
    return "same lines, different bytes"


def compare_folders(cli, ref):
    paths = sorted(set(cli) | set(ref))
    for path in paths:
        if path not in ref:
            return "only the cli left %r" % path
        if path not in cli:
            return "only the reference left %r" % path
    for path in paths:
        a, b = cli[path], ref[path]
        if a is None:
            continue
        if path.lower().endswith(".wmf"):
            for who, data in (("cli", a), ("ref", b)):
                if bitmap_size(data) != (350, 350):
                    return "%s: %s's picture is not a 350 x 350 bitmap (%r)" % (
                        path, who, bitmap_size(data))
        elif "Tarnovel at <time>.log" in path:
            la, lb = masked_lines(a), masked_lines(b)
            if la != lb:
                for i in range(max(len(la), len(lb))):
                    x = la[i] if i < len(la) else "<end of log>"
                    y = lb[i] if i < len(lb) else "<end of log>"
                    if x != y:
                        return "%s line %d: cli %r / ref %r" % (path, i + 1, x, y)
        elif a != b:
            return "%s: %s" % (path, first_line_difference(a, b))
    return None


def run(command, folder):
    try:
        done = subprocess.run(command, cwd=folder, stdout=subprocess.PIPE, stderr=subprocess.PIPE,
                              timeout=TIMEOUT)
        return done.returncode, done.stderr.decode("utf-8", errors="replace").strip()
    except subprocess.TimeoutExpired:
        return "timeout", ""


def run_case(case, cli_path, work):
    base = os.path.join(work, case.name)
    results = {}
    for who in ("cli", "ref"):
        folder = os.path.abspath(os.path.join(base, who))
        prepare_folder(folder, case)
        before = snapshot(folder)
        program = [cli_path] if who == "cli" else [sys.executable, REFERENCE]
        command = program + ["run", "--workdir", folder,
                             "--piezometers", os.path.join(folder, case.input_name)]
        command += case.options
        status, stderr = run(command, folder)
        after = snapshot(folder)
        results[who] = (status, stderr, before, after)
    (cs, cerr, cbefore, cafter), (rs, rerr, rbefore, rafter) = results["cli"], results["ref"]
    if cs != rs:
        return "exit status: cli %s / ref %s (cli: %s | ref: %s)" % (cs, rs, cerr[:200], rerr[:200])
    if cs == 2:
        for who, before, after in (("cli", cbefore, cafter), ("ref", rbefore, rafter)):
            if before != after:
                changed = sorted(set(before) ^ set(after)) or [
                    p for p in before if before[p] != after.get(p)]
                return "%s refused the run but changed the folder: %r" % (who, changed[:3])
    return compare_folders(cafter, rafter)


def main():
    parser = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    parser.add_argument("--cli", required=True)
    parser.add_argument("--work", required=True)
    parser.add_argument("--only", help="run the cases whose name contains this text")
    parser.add_argument("--jobs", type=int, default=2)
    parser.add_argument("--random", type=int, default=16, help="number of random cases")
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
