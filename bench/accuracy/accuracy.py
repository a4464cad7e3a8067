#!/usr/bin/env python3
"""How well Tarnovel predicts MHW, MSW and MLW, measured on real ground-water
series, with the table method and with the exact maximum-likelihood method
for "deeper than" measurements.

Every series with a long enough record gets its own MHW, MSW and MLW. On each
survey year's two survey dates, half of the series play the piezometers and
the other half the field locations (and then the other way round); a field
measurement deeper than the auger hole becomes a "deeper than" value. The
batch tool runs the whole workflow on those tables, and the predictions are
compared with the series' own MxW.

  accuracy.py [--series DIR] --cli TARNOVEL_CLI --work DIR [--docs DIR]

With --series (the folder holding dino/ and waterweb/), the MxW and the
levels on the survey dates are first derived from the raw series into the
two tables next to this script; without it those tables are used as kept.
Writes DOCS/accuracy.md and DOCS/accuracy.svg. Python 3 standard library only.
"""

import argparse
import concurrent.futures
import csv
import datetime
import glob
import hashlib
import math
import os
import re
import shutil
import subprocess
import sys

HERE = os.path.dirname(os.path.abspath(__file__))
MXW_TABLE = os.path.join(HERE, "series-mxw.csv")
LEVELS_TABLE = os.path.join(HERE, "survey-levels.csv")

KINDS = ["MHW", "MSW", "MLW"]
# Hydrological years (1 April to 31 March) of the reference period.
FIRST_YEAR, LAST_YEAR = 2002, 2017
MIN_YEARS = 8        # complete years a series needs for its MxW
MIN_SLOTS = 20       # of the 24 half-monthly levels of a complete year
SURVEY_YEARS = range(2003, 2018)
WINTER_DATES = [(2, 14), (2, 28)]   # late winter, near the highest levels
SUMMER_DATES = [(8, 28), (9, 14)]   # late summer, near the lowest levels
SPLITS = 5
# (name, auger depth of a location in cm, given its code)
SCENARIOS = [
    ("single", "every auger hole 120 cm deep", lambda code: 120),
    ("mixed", "auger holes 100, 120 or 150 cm deep",
     lambda code: (100, 120, 150)[int(hashlib.sha256(code.encode()).hexdigest(), 16) % 3]),
]
METHODS = [("table", []), ("exact", ["--exact-ml"])]
Z95 = 1.96


# ---------------------------------------------------------------------------
# The raw series: readings as depth below the surface in cm, positive
# downward. A reading with a code (dry, not measured, frozen, ...) is no
# level; a dry one is kept as "dry".

def parse_date(text):
    text = text.strip().split(" ")[0]
    if re.match(r"^\d{4}-", text):
        year, month, day = text.split("-")
    else:
        day, month, year = text.split("-")
    return datetime.date(int(year), int(month), int(day))


def number(text):
    text = text.strip().replace(",", ".")
    return float(text) if text else None


def reading(date, depth, code):
    if code == "D":
        return (date, "dry")
    if code or depth is None:
        return None
    return (date, depth)


def read_waterweb(path):
    """Tubes of one waterweb export: code -> (source, filter top depth, readings)."""
    name = os.path.basename(path)
    tubes = {}
    with open(path, encoding="utf-8", newline="") as f:
        rows = csv.reader(f, delimiter=";")
        head = [h.strip() for h in next(rows)]
        for row in rows:
            if len(row) < len(head):
                continue
            d = dict(zip(head, (c.strip() for c in row)))
            code = d.get("NITG-code") or d.get("NITG-kode") or d.get("NITGcode")
            flag = d.get("Peilcode", d.get("Peilkode", ""))
            surface = number(d["Hoogte maaiveld tov NAP"])
            top = number(d["NAP hoogte bovenkant peilbuis"])
            filter_top = number(d["NAP hoogte bovenkant filter"])
            depth = None
            if name == "Dwingelderveld.csv":
                # Its head column holds the head in cm NAP.
                head_nap = number(d["Peilstand tov Nulpunt"])
                if head_nap is not None and surface is not None:
                    depth = surface - head_nap
            else:
                below_top = number(d.get("Peilstand tov Nulpunt") or d.get("Peilstand") or "")
                if None not in (below_top, surface, top):
                    depth = below_top + (surface - top)
            tube = tubes.setdefault(code, ["waterweb/" + name, None, []])
            if surface is not None and filter_top is not None:
                tube[1] = surface - filter_top
            r = reading(parse_date(d["Peilmoment"]), depth, flag)
            if r:
                tube[2].append(r)
    return tubes


def read_dino(path):
    """The tube of one national-database export."""
    periods, data, block = [], [], None
    with open(path, encoding="utf-8") as f:
        for line in f.read().splitlines():
            cells = line.split(",")
            if cells[0] == "Locatie":
                block = "data" if "Peildatum" in cells else "meta"
            elif not line.strip(","):
                block = None if block == "meta" else block
            elif block == "meta":
                periods.append(cells)
            elif block == "data":
                data.append(cells)
    code = data[0][0] + data[0][1]
    # Measuring point above the surface, per period: depths where the
    # export leaves the surface column empty.
    spans = [(parse_date(p[7]), parse_date(p[8]), number(p[10])) for p in periods]
    last = periods[-1]
    filter_top = None
    if number(last[9]) is not None and number(last[10]) is not None and number(last[11]) is not None:
        filter_top = number(last[9]) - number(last[10]) - number(last[11])
    readings = []
    for cells in data:
        date, below_mp, depth = parse_date(cells[2]), number(cells[3]), number(cells[4])
        if depth is None and below_mp is not None:
            for start, end, mp_above in spans:
                if start <= date <= end and mp_above is not None:
                    depth = below_mp - mp_above
                    break
        r = reading(date, depth, cells[6].strip())
        if r:
            readings.append(r)
    return {code: ["dino/" + os.path.basename(path), filter_top, readings]}


def half_monthly(readings):
    """The level of each 14th and 28th: the reading nearest to it, taken on
    days 11-17 or from the 25th to the month's end."""
    best = {}
    for date, value in readings:
        if 11 <= date.day <= 17:
            slot = date.replace(day=14)
        elif date.day >= 25:
            slot = date.replace(day=28)
        else:
            continue
        distance = abs((date - slot).days)
        if slot not in best or distance < best[slot][0]:
            best[slot] = (distance, value)
    return {slot: value for slot, (_, value) in best.items()}


def mxw(levels):
    """MHW, MLW (means over complete years of the 3 highest / lowest levels)
    and MSW (mean of 14 Mar, 28 Mar and 14 Apr), with their year counts."""
    highs, lows, springs = [], [], []
    for year in range(FIRST_YEAR, LAST_YEAR + 1):
        slots = [datetime.date(year + (month < 4), month, day)
                 for month in list(range(4, 13)) + [1, 2, 3] for day in (14, 28)]
        values = [levels[s] for s in slots if s in levels]
        if len(values) >= MIN_SLOTS and "dry" not in values:
            values.sort()
            highs.append(sum(values[:3]) / 3)
            lows.append(sum(values[-3:]) / 3)
        spring = [levels.get(datetime.date(year + 1, m, d)) for m, d in ((3, 14), (3, 28), (4, 14))]
        if all(isinstance(v, float) for v in spring):
            springs.append(sum(spring) / 3)
    if len(highs) < MIN_YEARS or len(springs) < MIN_YEARS:
        return None
    mean = lambda values: sum(values) / len(values)
    return {"MHW": mean(highs), "MSW": mean(springs), "MLW": mean(lows),
            "years": len(highs), "springYears": len(springs)}


def survey_dates(levels_of):
    """Per survey year the late-winter and late-summer date on which most
    series were measured (the earlier on a tie)."""
    dates = {}
    for year in SURVEY_YEARS:
        pair = []
        for candidates in (WINTER_DATES, SUMMER_DATES):
            counts = [(sum(isinstance(levels.get(datetime.date(year, m, d)), float)
                           for levels in levels_of.values()), -i, datetime.date(year, m, d))
                      for i, (m, d) in enumerate(candidates)]
            pair.append(max(counts)[2])
        dates[year] = tuple(pair)
    return dates


def derive(series_dir):
    tubes = {}
    for path in sorted(glob.glob(os.path.join(series_dir, "waterweb", "*.csv"))):
        tubes.update(read_waterweb(path))
    for path in sorted(glob.glob(os.path.join(series_dir, "dino", "*.csv"))):
        tubes.update(read_dino(path))
    # Ground-water tubes only (staff gauges start with P); of the filters of
    # one location the one with the shallowest filter top.
    chosen = {}
    for code, (source, filter_top, readings) in sorted(tubes.items()):
        if not code.startswith("B"):
            continue
        levels = half_monthly(readings)
        values = mxw(levels)
        if values is None:
            continue
        key = (filter_top if filter_top is not None else math.inf, code)
        location = code[:8]
        if location not in chosen or key < chosen[location][0]:
            chosen[location] = (key, code, source, filter_top, values, levels)
    selected = sorted(chosen.values(), key=lambda c: c[1])
    dates = survey_dates({c[1]: c[5] for c in selected})
    with open(MXW_TABLE, "w", encoding="utf-8", newline="") as f:
        out = csv.writer(f, lineterminator="\n")
        out.writerow(["series", "source", "filterTop", "years", "springYears"] + KINDS)
        for _, code, source, filter_top, values, _ in selected:
            out.writerow([code, source, "" if filter_top is None else f"{filter_top:.0f}",
                          values["years"], values["springYears"]] +
                         [f"{values[k]:.1f}" for k in KINDS])
    with open(LEVELS_TABLE, "w", encoding="utf-8", newline="") as f:
        out = csv.writer(f, lineterminator="\n")
        out.writerow(["year", "date", "series", "level"])
        for year, pair in dates.items():
            for date in pair:
                for _, code, _, _, _, levels in selected:
                    value = levels.get(date)
                    if isinstance(value, float):
                        out.writerow([year, date.strftime("%d-%m-%Y"), code, f"{value:.1f}"])
    print(f"accuracy: {len(selected)} series with MxW into {os.path.relpath(MXW_TABLE)}, "
          f"their levels on {2 * len(dates)} survey dates into {os.path.relpath(LEVELS_TABLE)}")


# ---------------------------------------------------------------------------
# The workflow on the kept tables.

def load_tables():
    with open(MXW_TABLE, encoding="utf-8", newline="") as f:
        truth = {row["series"]: {k: float(row[k]) for k in KINDS} for row in csv.DictReader(f)}
    levels, dates = {}, {}
    with open(LEVELS_TABLE, encoding="utf-8", newline="") as f:
        for row in csv.DictReader(f):
            year = int(row["year"])
            if row["date"] not in dates.setdefault(year, []):
                dates[year].append(row["date"])
            levels[(row["date"], row["series"])] = float(row["level"])
    return truth, levels, dates


def halves(codes, split):
    ordered = sorted(codes, key=lambda c: hashlib.sha256(f"{split}:{c}".encode()).hexdigest())
    middle = len(ordered) // 2
    return ordered[:middle], ordered[middle:]


def plan_runs(truth, levels, dates):
    """Every run: (scenario, year, split, half, piezometers, field series)."""
    runs = []
    for scenario, _, _ in SCENARIOS:
        for year, (d1, d2) in sorted(dates.items()):
            measured = [c for c in sorted(truth) if (d1, c) in levels and (d2, c) in levels]
            for split in range(SPLITS):
                first, second = halves(measured, split)
                for half, (piezometers, field) in enumerate(((first, second), (second, first))):
                    runs.append((scenario, year, split, half, piezometers, field))
    return runs


def level_text(value):
    return f"{value:.1f}"


def write_inputs(folder, run, truth, levels, dates):
    scenario, year, _, _, piezometers, field = run
    d1, d2 = dates[year]
    depth_of = next(s[2] for s in SCENARIOS if s[0] == scenario)
    os.makedirs(folder, exist_ok=True)
    with open(os.path.join(folder, "piezometers.csv"), "w", encoding="utf-8") as f:
        f.write(";".join(["Piezometer"] + KINDS + [d1, d2]) + "\n")
        for code in piezometers:
            f.write(";".join([code] + [f"{truth[code][k]:.1f}" for k in KINDS] +
                             [level_text(levels[(d, code)]) for d in (d1, d2)]) + "\n")
    codes = set()
    with open(os.path.join(folder, "field.csv"), "w", encoding="utf-8") as f:
        f.write("Location;Date1;Meas1;Date2;Meas2\n")
        for code in field:
            auger = depth_of(code)
            cells = [code]
            for d in (d1, d2):
                value = levels[(d, code)]
                text = f">{auger}" if value > auger else level_text(value)
                if value > auger:
                    codes.add(text)
                cells += [d, text]
            f.write(";".join(cells) + "\n")
    return (d1, d2), sorted(codes)


def run_workflow(cli, folder, survey, codes, method_args):
    work = os.path.join(folder, "run-" + ("exact" if method_args else "table"))
    shutil.rmtree(work, ignore_errors=True)
    os.makedirs(work)
    args = [cli, "run", "--workdir", work,
            "--piezometers", os.path.join(folder, "piezometers.csv"),
            "--dates", ",".join(survey), "--kinds", "MHW+MSW+MLW",
            "--field", os.path.join(folder, "field.csv"), "--output", "predict.csv"]
    for code in codes:
        args += ["--code", f"{code}={code}"]
    # Without a "deeper than" value the option is not offered: both methods
    # are the same run then.
    if codes:
        args += method_args
    done = subprocess.run(args, stdout=subprocess.PIPE, stderr=subprocess.PIPE, text=True)
    if done.returncode != 0:
        sys.exit(f"accuracy: tarnovel-cli failed in {work}:\n{done.stderr}")
    # A name of one's own is not moved into the session folder.
    found = glob.glob(os.path.join(work, "predict.csv")) + \
        glob.glob(os.path.join(work, "session*", "predict.csv"))
    if len(found) != 1:
        sys.exit(f"accuracy: no prediction file in {work}")
    with open(found[0], encoding="utf-8", newline="") as f:
        rows = [line.rstrip("\r\n").split(";")[:-1] for line in f]
    return [dict(zip(rows[0], row)) for row in rows[1:]]


def collect(run, rows, truth, levels, dates, method):
    """One record per location and kind, and one per replaced measurement."""
    scenario, year, split, half, _, _ = run
    d1, d2 = dates[year]
    predictions, replacements = [], []
    for row in rows:
        code = row["Location"]
        censored = []
        for meas, var, date in (("Meas1", "varMeas1", d1), ("Meas2", "varMeas2", d2)):
            if row[var] not in ("missing", "0"):
                censored.append(True)
                replacements.append({"scenario": scenario, "method": method,
                                     "estimate": float(row[meas]), "variance": float(row[var]),
                                     "hidden": levels[(date, code)]})
            else:
                censored.append(row[meas].startswith(">"))
        for kind in KINDS:
            predicted = None if row[kind] == "missing" else float(row[kind])
            sd = None if row["sd" + kind] == "missing" else float(row["sd" + kind])
            predictions.append({"scenario": scenario, "method": method, "year": year,
                                "split": split, "half": half, "series": code, "kind": kind,
                                "censored": any(censored), "true": truth[code][kind],
                                "predicted": predicted, "sd": sd})
    return predictions, replacements


def run_all(cli, work, truth, levels, dates, jobs):
    runs = plan_runs(truth, levels, dates)

    def one(run):
        scenario, year, split, half, _, _ = run
        folder = os.path.join(work, scenario, f"{year}-split{split}-half{half}")
        survey, codes = write_inputs(folder, run, truth, levels, dates)
        out = ([], [])
        for method, method_args in METHODS:
            rows = run_workflow(cli, folder, survey, codes, method_args)
            predictions, replacements = collect(run, rows, truth, levels, dates, method)
            out[0].extend(predictions)
            out[1].extend(replacements)
        return out

    predictions, replacements = [], []
    with concurrent.futures.ThreadPoolExecutor(max_workers=jobs) as pool:
        for p, r in pool.map(one, runs):
            predictions.extend(p)
            replacements.extend(r)
    return runs, predictions, replacements


# ---------------------------------------------------------------------------
# Figures, the report and the plot.

def signed(value):
    """A bias with its sign; one that rounds to zero is +0.0."""
    return f"{round(value, 1) + 0.0:+.1f}"


def summary(records):
    done = [r for r in records if r["predicted"] is not None]
    if not done:
        return {"n": 0, "of": len(records)}
    errors = [r["predicted"] - r["true"] for r in done]
    inside = sum(abs(r["predicted"] - r["true"]) <= Z95 * r["sd"] for r in done)
    return {"n": len(done), "of": len(records),
            "rmse": math.sqrt(sum(e * e for e in errors) / len(errors)),
            "bias": sum(errors) / len(errors), "coverage": inside / len(done)}


def replacement_summary(records):
    if not records:
        return None
    errors = [r["estimate"] - r["hidden"] for r in records]
    inside = sum(abs(r["estimate"] - r["hidden"]) <= Z95 * math.sqrt(r["variance"])
                 for r in records)
    return {"n": len(records), "rmse": math.sqrt(sum(e * e for e in errors) / len(errors)),
            "bias": sum(errors) / len(errors), "coverage": inside / len(records)}


def accuracy_table(predictions, scenario, subset, methods=None):
    lines = ["| MxW | method | predicted | RMSE (cm) | bias (cm) | inside ±1.96 sd |",
             "|---|---|---:|---:|---:|---:|"]
    for kind in KINDS:
        for method in methods or [m for m, _ in METHODS]:
            s = summary([r for r in predictions if r["scenario"] == scenario and
                         r["kind"] == kind and r["method"] == method and subset(r)])
            if s["n"] == 0:
                lines.append(f"| {kind} | {method} | 0 of {s['of']} | | | |")
                continue
            lines.append(f"| {kind} | {method} | {s['n']} of {s['of']} | {s['rmse']:.1f} | "
                         f"{signed(s['bias'])} | {100 * s['coverage']:.0f} % |")
    return lines


def replacement_table(replacements, scenario):
    lines = ["| method | replaced | RMSE (cm) | bias (cm) | inside ±1.96 sd |",
             "|---|---:|---:|---:|---:|"]
    for method, _ in METHODS:
        s = replacement_summary([r for r in replacements
                                 if r["scenario"] == scenario and r["method"] == method])
        if s:
            lines.append(f"| {method} | {s['n']} | {s['rmse']:.1f} | {signed(s['bias'])} | "
                         f"{100 * s['coverage']:.0f} % |")
    return lines


def svg_plot(predictions, scenario):
    """Predicted against true MxW, one panel per kind: the locations without
    a "deeper than" value in grey (both methods alike), the others per method."""
    size, margin, gap = 260, 46, 20
    width = 3 * size + 2 * gap + 2 * margin
    height = size + 2 * margin + 24
    # One split keeps the picture light: each location once a year.
    records = [r for r in predictions if r["scenario"] == scenario and r["split"] == 0 and
               r["predicted"] is not None]
    values = [v for r in records for v in (r["true"], r["predicted"])]
    low = math.floor(min(values) / 50) * 50
    high = math.ceil(max(values) / 50) * 50
    parts = [f'<svg xmlns="http://www.w3.org/2000/svg" width="{width}" height="{height}" '
             f'viewBox="0 0 {width} {height}" font-family="sans-serif" font-size="11">',
             f'<rect width="{width}" height="{height}" fill="white"/>']
    styles = [("observed", lambda r: not r["censored"] and r["method"] == "table", "#9a9a9a",
               "without a \"deeper than\" value"),
              ("table", lambda r: r["censored"] and r["method"] == "table", "#1f5fbf",
               "with one, table method"),
              ("exact", lambda r: r["censored"] and r["method"] == "exact", "#d0361c",
               "with one, exact method")]
    for panel, kind in enumerate(KINDS):
        x0 = margin + panel * (size + gap)
        y0 = margin

        def px(v):
            return x0 + (v - low) / (high - low) * size

        def py(v):
            return y0 + size - (v - low) / (high - low) * size

        parts.append(f'<rect x="{x0}" y="{y0}" width="{size}" height="{size}" fill="none" '
                     f'stroke="#444"/>')
        parts.append(f'<text x="{x0 + size / 2}" y="{y0 - 8}" text-anchor="middle" '
                     f'font-weight="bold">{kind}</text>')
        for tick in range(low, high + 1, 50 if high - low <= 300 else 100):
            parts.append(f'<line x1="{px(tick):.1f}" y1="{y0 + size}" x2="{px(tick):.1f}" '
                         f'y2="{y0 + size + 4}" stroke="#444"/>')
            parts.append(f'<text x="{px(tick):.1f}" y="{y0 + size + 15}" '
                         f'text-anchor="middle">{tick}</text>')
            if panel == 0:
                parts.append(f'<text x="{x0 - 6}" y="{py(tick) + 4:.1f}" '
                             f'text-anchor="end">{tick}</text>')
            parts.append(f'<line x1="{x0 - 4}" y1="{py(tick):.1f}" x2="{x0}" '
                         f'y2="{py(tick):.1f}" stroke="#444"/>')
        parts.append(f'<line x1="{px(low)}" y1="{py(low)}" x2="{px(high)}" y2="{py(high)}" '
                     f'stroke="#444" stroke-dasharray="4 3"/>')
        parts.append(f'<text x="{x0 + size / 2}" y="{y0 + size + 30}" text-anchor="middle">'
                     f'true {kind} (cm below surface)</text>')
        for _, keep, colour, _ in styles:
            path = "".join(f"M{px(r['true']):.1f} {py(r['predicted']):.1f}h0"
                           for r in records if r["kind"] == kind and keep(r))
            if path:
                parts.append(f'<path d="{path}" stroke="{colour}" stroke-width="3.2" '
                             f'stroke-linecap="round" stroke-opacity="0.55" fill="none"/>')
    parts.append(f'<text x="14" y="{margin + size / 2}" text-anchor="middle" '
                 f'transform="rotate(-90 14 {margin + size / 2})">predicted (cm below surface)'
                 f'</text>')
    x = margin
    for _, _, colour, label in styles:
        parts.append(f'<circle cx="{x + 4}" cy="{height - 12}" r="3.5" fill="{colour}"/>')
        parts.append(f'<text x="{x + 12}" y="{height - 8}">{label}</text>')
        x += 12 + 7 * len(label) + 24
    parts.append("</svg>")
    return "\n".join(parts) + "\n"


def findings(predictions, replacements):
    """What the exact method changes at the locations where the methods
    differ, scenario by scenario, in numbers."""
    lines = ["| scenario | MxW | RMSE table → exact (cm) | bias table → exact (cm) | "
             "inside ±1.96 sd table → exact |", "|---|---|---:|---:|---:|"]
    for scenario, _, _ in SCENARIOS:
        for kind in KINDS:
            t, e = (summary([r for r in predictions if r["scenario"] == scenario and
                             r["kind"] == kind and r["method"] == m and r["censored"]])
                    for m in ("table", "exact"))
            if t["n"] and e["n"]:
                lines.append(f"| {scenario} | {kind} | {t['rmse']:.1f} → {e['rmse']:.1f} | "
                             f"{signed(t['bias'])} → {signed(e['bias'])} | "
                             f"{100 * t['coverage']:.0f} % → {100 * e['coverage']:.0f} % |")
        t, e = (replacement_summary([r for r in replacements
                                     if r["scenario"] == scenario and r["method"] == m])
                for m in ("table", "exact"))
        if t and e:
            lines.append(f"| {scenario} | replaced level | {t['rmse']:.1f} → {e['rmse']:.1f} | "
                         f"{signed(t['bias'])} → {signed(e['bias'])} | "
                         f"{100 * t['coverage']:.0f} % → {100 * e['coverage']:.0f} % |")
    return lines


def series_lines(truth_rows):
    counts = {}
    for row in truth_rows:
        counts[row["source"]] = counts.get(row["source"], 0) + 1
    return [f"| `{source}` | {n} |" for source, n in sorted(counts.items())]


def report_method(runs, version):
    """The report's opening: the question, the data and the method."""
    with open(MXW_TABLE, encoding="utf-8", newline="") as f:
        truth_rows = list(csv.DictReader(f))
    out = []
    add = out.extend
    add(["# Accuracy on real ground-water series", "",
         "Made by `make accuracy` (`bench/accuracy/accuracy.py`) with "
         f"`{version}`; do not edit by hand.", "",
         "How close do Tarnovel's predictions of MHW, MSW and MLW come to the long-term values "
         "of real series, and does the exact maximum-likelihood estimation of \"deeper than\" "
         "measurements (the box \"exact (recommended)\" on tab 2, `tarnovel-cli run "
         "--exact-ml`) do better than the table method?", ""])
    add(["## Data", "",
         f"{len(truth_rows)} ground-water series of the north-east Netherlands (Drenthe), "
         "from two sources: exports of piezometer networks in nature areas (`waterweb`) and "
         "of the national ground-water database (`dino`); the files, their origin and "
         "licence are listed in `bench/accuracy/README.md`.", "",
         "| source file | series used |", "|---|---:|"] + series_lines(truth_rows) + [""])
    add(["## Method", "",
         "- **Levels.** Depth of the water table below the surface in cm, positive downward "
         "(a negative level lies above the surface). `dino`: the column \"Stand (cm t.o.v. "
         "MV)\", or where it is empty the level below the measuring point minus the height of "
         "that point above the surface. `waterweb`: the level below the tube top plus "
         "(surface - tube top); in `Dwingelderveld.csv` the head column is in cm NAP, so "
         "there surface - head. A reading with a reading code (dry, not measured, frozen, "
         "defective, ...) is no level.",
         "- **Half-monthly levels.** The reading nearest to the 14th (taken on days 11-17) and "
         "to the 28th (day 25 to the month's end) of each month.",
         f"- **MxW of a series.** Over the hydrological years (1 April - 31 March) "
         f"{FIRST_YEAR}/{FIRST_YEAR + 1} to {LAST_YEAR}/{LAST_YEAR + 1}: a year counts when at "
         f"least {MIN_SLOTS} of its 24 half-monthly levels exist and none of them was a dry "
         "tube. MHW = mean over those years of the mean of the 3 highest levels of the year, "
         "MLW likewise of the 3 lowest; MSW = mean over the years of the mean of the levels "
         "of 14 March, 28 March and 14 April (all three present). A series is used with at "
         f"least {MIN_YEARS} years for both; one filter per location (the one with the "
         "shallowest filter top); staff gauges (codes starting with P) are left out.",
         "- **Survey dates.** For each year "
         f"{SURVEY_YEARS[0]}-{SURVEY_YEARS[-1]}, a late-winter date (14 or 28 February) and a "
         "late-summer date (28 August or 14 September), each the one on which most series "
         "were measured. A series takes part in a year when it was measured on both dates.",
         f"- **Piezometers and field locations.** {SPLITS} splits of each year's series into "
         "two halves (by a hash of the series code and the split number); each half is once "
         "the piezometers (their MxW known, their levels on the two dates) and once the field "
         "locations, whose MxW are predicted. So every prediction comes from regressions "
         "that did not see the location.",
         "- **\"Deeper than\".** A field level deeper than the auger hole is written as `>` "
         "and the hole's depth. Two scenarios: " +
         "; ".join(f"*{name}*: {text}" for name, text, _ in SCENARIOS) +
         " (a depth per location, from a hash of its code). Piezometer levels are never "
         "censored.",
         "- **Workflow.** Per year, split and half, `tarnovel-cli run --piezometers ... "
         "--dates D1,D2 --kinds MHW+MSW+MLW --field ... --code '>120=>120' ...`, once as it "
         "is (table method) and once with `--exact-ml`; no strata, unweighted regressions, "
         "model choice by Mallows' Cp as the program makes it. "
         f"{len(runs)} field tables, {2 * len(runs)} runs.",
         "- **Figures.** Per MxW kind, over every location, year and split: RMSE and bias "
         "(predicted - true) against the series' own MxW, and the share of true values "
         "inside prediction ± 1.96 sd (sd as in the prediction file). \"predicted\" counts "
         "the location-kinds that got a prediction. The predictions at locations without "
         "a \"deeper than\" value are the same for both methods.", ""])
    return out


def report_results(predictions, replacements, dates):
    """The figures: in short, per scenario, the plot and how to read them."""
    out = []
    add = out.extend
    add(["## In short", "",
         "At the locations with a \"deeper than\" measurement (the only ones where the two "
         "methods differ), from the table method to the exact one:", ""] +
        findings(predictions, replacements) + [""])
    add(["## Survey dates", "", "| year | late winter | late summer |", "|---|---|---|"] +
        [f"| {year} | {d[0]} | {d[1]} |" for year, d in sorted(dates.items())] + [""])
    for scenario, text, _ in SCENARIOS:
        field = [r for r in predictions if r["scenario"] == scenario and r["method"] == "table"
                 and r["kind"] == KINDS[0]]
        n, total = sum(r["censored"] for r in field), len(field)
        add([f"## Scenario *{scenario}*: {text}", "",
             f"{n} of {total} field locations ({100 * n / total:.0f} %) have at least one "
             "\"deeper than\" measurement.", "",
             "All field locations:", ""] +
            accuracy_table(predictions, scenario, lambda r: True) +
            ["", "Locations without a \"deeper than\" measurement (the same predictions with "
             "either method):", ""] +
            accuracy_table(predictions, scenario, lambda r: not r["censored"], ["table"]) +
            ["", "Locations with a \"deeper than\" measurement:", ""] +
            accuracy_table(predictions, scenario, lambda r: r["censored"]) +
            ["", "The replaced measurements against the level the series really had "
             "(estimate - hidden level; inside: the level within estimate ± 1.96 √variance):",
             ""] + replacement_table(replacements, scenario) + [""])
    add(["## Predicted against true MxW", "",
         f"Scenario *{SCENARIOS[1][0]}*, split 0 (every location once a year); the dashed line is "
         "predicted = true.", "", "![Predicted against true MxW](accuracy.svg)", ""])
    add(["## Reading the figures", "",
         "- The prediction sd is that of the regression (residual variance and the leverage "
         "of the location); it does not hold the variance of a replaced measurement, so at "
         "locations with a \"deeper than\" value the share inside ±1.96 sd shows how much "
         "that omission costs.",
         "- The series' MxW and the survey levels come from the same record, so a survey "
         "level may be one of the levels its MxW averages, as it would be for a piezometer.",
         "- Some chosen filters lie deep (the depth of each filter top is in "
         "`bench/accuracy/series-mxw.csv`): where the water table lies deep a tube needs a "
         "deep filter to reach it, but a deep filter may also show a head that differs "
         "from the water table.",
         "- Both methods take a date's measurements as a sample of one normal distribution; "
         "the bias of the replaced levels shows how far the real levels beyond the auger "
         "depth lie from that assumption.",
         ""])
    return out


def main():
    parser = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    parser.add_argument("--series", help="folder with dino/ and waterweb/: derive the tables")
    parser.add_argument("--cli", required=True, help="the tarnovel-cli program")
    parser.add_argument("--work", required=True, help="scratch folder for the runs")
    parser.add_argument("--docs", default=os.path.join(HERE, "..", "..", "docs"))
    parser.add_argument("--jobs", type=int, default=os.cpu_count() or 1)
    args = parser.parse_args()
    if args.series:
        derive(args.series)
    truth, levels, dates = load_tables()
    cli = os.path.abspath(args.cli)
    version = subprocess.run([cli, "--version"], stdout=subprocess.PIPE, text=True,
                             check=True).stdout.strip()
    shutil.rmtree(args.work, ignore_errors=True)
    runs, predictions, replacements = run_all(cli, os.path.abspath(args.work), truth, levels,
                                              dates, args.jobs)
    os.makedirs(args.docs, exist_ok=True)
    with open(os.path.join(args.docs, "accuracy.md"), "w", encoding="utf-8") as f:
        f.write("\n".join(report_method(runs, version) +
                           report_results(predictions, replacements, dates)))
    with open(os.path.join(args.docs, "accuracy.svg"), "w", encoding="utf-8") as f:
        f.write(svg_plot(predictions, SCENARIOS[1][0]))
    for scenario, _, _ in SCENARIOS:
        for kind in KINDS:
            line = [f"{scenario:7} {kind}"]
            for method, _ in METHODS:
                s = summary([r for r in predictions if r["scenario"] == scenario and
                             r["kind"] == kind and r["method"] == method and r["censored"]])
                if s["n"]:
                    line.append(f"{method}: RMSE {s['rmse']:.1f} bias {signed(s['bias'])} "
                                f"inside {100 * s['coverage']:.0f} %")
            print("accuracy: at censored locations, " + "; ".join(line))
    print(f"accuracy: {2 * len(runs)} runs; report in "
          f"{os.path.relpath(os.path.join(args.docs, 'accuracy.md'))}")


if __name__ == "__main__":
    main()
