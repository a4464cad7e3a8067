#!/usr/bin/env python3
"""The performance suite: the regression run and the prediction at several
sizes, each measured by tarnovel-scale in a process of its own. Writes
docs/performance.csv (the figures), docs/performance.svg (how time and peak
memory grow) and docs/performance.md (the table and what it says).

usage: scale.py TARNOVEL_SCALE DOCS_FOLDER [--quick]
"""

import csv
import datetime
import math
import os
import platform
import subprocess
import shutil
import sys
import tempfile

from compare_r import BEGIN as R_BEGIN, END as R_END

# (survey dates, strata, piezometers): 3 MxW kinds, all strata separately
# when there is more than one stratum, so jobs = 3 * groups * d(d+1)/2.
RUNS = [(2, 1, 2000), (4, 1, 2000), (8, 1, 2000), (8, 2, 2000), (12, 3, 2000),
        (16, 6, 2000), (20, 15, 2000)]
LOCATIONS = [1000, 3000, 10000, 30000, 100000, 300000, 1000000]
QUICK_RUNS = RUNS[:3]
QUICK_LOCATIONS = LOCATIONS[:3]

FIELDS = ["work", "size", "seconds", "peak_mib", "files", "bytes", "floor_seconds"]


def measure(tool, args, scratch, keep):
    """One size, in a folder of its own under scratch; keep: the folder and
    its floors stay until the suite is done."""
    env = dict(os.environ, TMPDIR=scratch)
    if keep:
        env["TARNOVEL_SCALE_KEEP"] = "1"
    else:
        env.pop("TARNOVEL_SCALE_KEEP", None)
    out = subprocess.run([tool] + [str(a) for a in args], check=True,
                         stdout=subprocess.PIPE, text=True, env=env).stdout
    row = dict(zip(FIELDS, out.strip().splitlines()[-1].split(",")))
    for key in FIELDS[1:]:
        row[key] = float(row[key])
    return row


def log_ticks(low, high):
    ticks = []
    exponent = math.floor(math.log10(low))
    while 10 ** exponent <= high * 1.0001:
        for mantissa in (1, 2, 5):
            value = mantissa * 10 ** exponent
            if low / 1.0001 <= value <= high * 1.0001:
                ticks.append(value)
        exponent += 1
    return ticks


def number(value):
    if value >= 1000000:
        return f"{value / 1000000:g}M"
    if value >= 1000:
        return f"{value / 1000:g}k"
    return f"{value:g}"


def panel(x0, y0, width, height, title, xlabel, ylabel, series):
    """One log-log chart; series: [(label, colour, dash, [(x, y), ...])]."""
    points = [p for _, _, _, data in series for p in data if p[1] > 0]
    xs = [p[0] for p in points]
    ys = [p[1] for p in points]
    # Whole decades around the data; a point just past a decade (10 080
    # jobs) does not open another one.
    xlow = 10 ** math.floor(math.log10(min(xs)) + 0.01)
    xhigh = 10 ** math.ceil(math.log10(max(xs)) - 0.01)
    ylow = 10 ** math.floor(math.log10(min(ys)) + 0.01)
    yhigh = 10 ** math.ceil(math.log10(max(ys)) - 0.01)

    def px(x):
        return x0 + width * (math.log10(x) - math.log10(xlow)) / (
            math.log10(xhigh) - math.log10(xlow))

    def py(y):
        return y0 + height - height * (math.log10(y) - math.log10(ylow)) / (
            math.log10(yhigh) - math.log10(ylow))

    svg = [f'<text x="{x0 + width / 2}" y="{y0 - 12}" text-anchor="middle" '
           f'font-weight="bold">{title}</text>',
           f'<rect x="{x0}" y="{y0}" width="{width}" height="{height}" fill="none" '
           f'stroke="#444"/>']
    for tick in log_ticks(xlow, xhigh):
        x = px(tick)
        major = abs(math.log10(tick) - round(math.log10(tick))) < 1e-9
        svg.append(f'<line x1="{x:.1f}" y1="{y0}" x2="{x:.1f}" y2="{y0 + height}" '
                   f'stroke="{"#ccc" if major else "#eee"}"/>')
        if major:
            svg.append(f'<text x="{x:.1f}" y="{y0 + height + 16}" '
                       f'text-anchor="middle">{number(tick)}</text>')
    for tick in log_ticks(ylow, yhigh):
        y = py(tick)
        major = abs(math.log10(tick) - round(math.log10(tick))) < 1e-9
        svg.append(f'<line x1="{x0}" y1="{y:.1f}" x2="{x0 + width}" y2="{y:.1f}" '
                   f'stroke="{"#ccc" if major else "#eee"}"/>')
        if major:
            svg.append(f'<text x="{x0 - 6}" y="{y + 4:.1f}" text-anchor="end">'
                       f'{tick:g}</text>')
    svg.append(f'<text x="{x0 + width / 2}" y="{y0 + height + 34}" '
               f'text-anchor="middle">{xlabel}</text>')
    svg.append(f'<text x="{x0 - 48}" y="{y0 + height / 2}" text-anchor="middle" '
               f'transform="rotate(-90 {x0 - 48} {y0 + height / 2})">{ylabel}</text>')
    for index, (label, colour, dash, data) in enumerate(series):
        data = [p for p in data if p[1] > 0]
        path = " ".join(f"{px(x):.1f},{py(y):.1f}" for x, y in data)
        svg.append(f'<polyline points="{path}" fill="none" stroke="{colour}" '
                   f'stroke-width="2" stroke-dasharray="{dash}"/>')
        for x, y in data:
            svg.append(f'<circle cx="{px(x):.1f}" cy="{py(y):.1f}" r="3" fill="{colour}"/>')
        ly = y0 + 16 + 16 * index
        svg.append(f'<line x1="{x0 + 10}" y1="{ly - 4}" x2="{x0 + 34}" y2="{ly - 4}" '
                   f'stroke="{colour}" stroke-width="2" stroke-dasharray="{dash}"/>')
        svg.append(f'<text x="{x0 + 40}" y="{ly}">{label}</text>')
    return svg


def plot(rows, path):
    runs = [r for r in rows if r["work"] == "run"]
    predictions = [r for r in rows if r["work"] == "predict"]
    width, height = 360, 230
    svg = ['<svg xmlns="http://www.w3.org/2000/svg" width="960" height="640" '
           'font-family="DejaVu Sans, sans-serif" font-size="12">',
           '<rect width="100%" height="100%" fill="white"/>']
    for column, (name, data, unit) in enumerate(
            [("Regression run", runs, "jobs"), ("Prediction", predictions, "locations")]):
        x0 = 90 + column * 470
        svg += panel(x0, 40, width, height, f"{name}: time", unit, "seconds", [
            ("program", "#1f5fa8", "", [(r["size"], r["seconds"]) for r in data]),
            ("writing the same bytes", "#c0392b", "6 4",
             [(r["size"], r["floor_seconds"]) for r in data]),
        ])
        svg += panel(x0, 350, width, height, f"{name}: peak memory", unit, "MiB", [
            ("peak resident memory", "#2e7d32", "", [(r["size"], r["peak_mib"]) for r in data]),
        ])
    svg.append("</svg>")
    with open(path, "w", encoding="utf-8") as out:
        out.write("\n".join(svg) + "\n")


def slope(rows, key):
    """Least-squares cost per unit of size over the largest half of the sizes."""
    data = sorted(rows, key=lambda r: r["size"])[len(rows) // 2:]
    n = len(data)
    mx = sum(r["size"] for r in data) / n
    my = sum(r[key] for r in data) / n
    sxx = sum((r["size"] - mx) ** 2 for r in data)
    return sum((r["size"] - mx) * (r[key] - my) for r in data) / sxx if sxx else 0.0


def report(rows, path, machine):
    runs = [r for r in rows if r["work"] == "run"]
    predictions = [r for r in rows if r["work"] == "predict"]
    lines = [
        "# Performance",
        "",
        "Written by `make bench` (`bench/scale.py`); do not edit by hand. Each",
        "figure is one measurement by `tarnovel-scale` in a process of its own,",
        "played on the program's own forms from the click that starts the work to",
        "its end: the regression run (\"OK\" on the first tab; 2000 piezometers,",
        "three MxW kinds, 2-20 survey dates, all strata separately when there are",
        "several) and the prediction (\"Select\", \"OK\" and \"Start Prediction\"",
        "on the prediction tab; two survey dates, 5 % of the measurements",
        "censored). *Floor* is the time this machine takes merely to write the",
        "same bytes into as many new files (best of three); *ratio* is the",
        "program's time over the floor. Peak memory is the largest resident set",
        "while the work ran, the program's own start-up included. Each work",
        "starts after a `sync`, so that no earlier writing is still going out,",
        "and nothing the regression sizes write is deleted until the last of",
        "them is done: ext4 without a journal makes every new file search past",
        "the inodes freed in the last minutes (this needs a few GB free).",
        "",
        f"Machine: {machine}.",
        "",
        "![How time and peak memory grow](performance.svg)",
        "",
        "| Work | Size | Time (s) | Peak memory (MiB) | Files written | MB written | Floor (s) | Ratio |",
        "|---|---:|---:|---:|---:|---:|---:|---:|",
    ]
    for r in rows:
        unit = "jobs" if r["work"] == "run" else "locations"
        ratio = r["seconds"] / r["floor_seconds"] if r["floor_seconds"] > 0 else float("inf")
        lines.append(f"| {'Regression run' if r['work'] == 'run' else 'Prediction'} "
                     f"| {int(r['size']):,} {unit} | {r['seconds']:.3f} | {r['peak_mib']:.1f} "
                     f"| {int(r['files']):,} | {r['bytes'] / 1e6:.1f} "
                     f"| {r['floor_seconds']:.3f} | {ratio:.0f} |")
    lines.append("")
    if len(runs) > 1 and len(predictions) > 1:
        lines += [
            "Growth over the larger half of the sizes (least squares):",
            "",
            f"- regression run: {1000 * slope(runs, 'seconds'):.2f} ms per job, "
            f"{1024 * slope(runs, 'peak_mib'):.1f} KiB of peak memory per job;",
            f"- prediction: {1e6 * slope(predictions, 'seconds'):.1f} µs per location, "
            f"{1024 * 1024 * slope(predictions, 'peak_mib'):.0f} bytes of peak memory "
            f"per location.",
            "",
        ]
    if len(runs) < 2 or len(predictions) < 2:
        with open(path, "w", encoding="utf-8") as out:
            out.write("\n".join(lines))
        return
    lines += [
        "## Where the time and memory go",
        "",
        "- Both kinds of work grow linearly; neither has a size where it turns",
        "  worse. The regression run's memory stays flat: two blocks of jobs are",
        "  held at a time, the one being written and the next being fitted.",
        "- Both use every core: jobs, and blocks of locations, are worked out on",
        "  helper threads, started once per run, while the calling thread writes",
        "  the block before (its files, log lines and progress) in job and",
        "  location order, so that one thread or two give the same bytes.",
        "- The regression run writes a job file and a result file per job, each",
        "  to a temporary name and renamed when complete, so that no half-written",
        "  file is ever left under its own name, and the session archive moves",
        "  them by renaming. Creating files is much of what the kernel does for",
        "  it: on a file system that has just deleted many files, making a new",
        "  one costs the kernel several times more, which moves the floor and the",
        "  run alike. In user time the rest is formatting numbers, the fit, and",
        "  making the job text; the fit takes the job's numbers as they were read",
        "  once from the table, the numbers its job file would give back.",
        f"- The prediction writes about {slope(predictions, 'bytes') / 1000:.1f} kB per "
        "location, mostly the log's",
        "  model choice for every location and MxW kind; formatting and writing",
        "  that text is most of its time. Its memory is the field table held as",
        "  text cells, as the prediction tab shows it: the table's own columns,",
        "  fourteen appended columns of results, and a copy of the two",
        "  measurement columns as \"OK\" fixed them (so that a second press",
        "  starts from the same table). A cell takes 8 bytes: a text of at most",
        "  7 characters and one run of up to 15 blanks (a number padded to its",
        "  width, \"missing\") is held in the cell itself, a longer one (a date)",
        "  in its column's own buffer. The twenty columns take about 180 bytes",
        "  a location; the rest of the peak is the grouping of the measurements",
        "  by date for the \"deeper than\" estimates and the model of every",
        "  location and kind.",
        "- Formatting numbers exactly (each value's full decimal expansion, cut",
        "  to 18 digits, then rounded) was the largest single cost of both. Most",
        "  values, scaled to their last decimal, lie below 2^42 and not within a",
        "  hundredth of a half: they are rounded from the scaled value and written",
        "  two digits at a time, a result file's rows straight into their fields.",
        "  Where the shortest digits that read back as the value decide the",
        "  rounding (at most 14 digits kept, the digits dropped not within two",
        "  hundredths of a half) they are used; otherwise the exact expansion is",
        "  printed. The text is the same for every value; tests compare it with",
        "  the exact expansion near every rounding boundary and at every length.",
        "",
    ]
    # The R comparison, run before the suite, keeps its section.
    kept = ""
    if os.path.exists(path):
        with open(path, encoding="utf-8") as old:
            text = old.read()
        if R_BEGIN in text and R_END in text:
            kept = R_BEGIN + text.split(R_BEGIN, 1)[1].split(R_END, 1)[0] + R_END + "\n"
    with open(path, "w", encoding="utf-8") as out:
        out.write("\n".join(lines) + ("\n" + kept if kept else ""))


def main():
    if len(sys.argv) < 3:
        sys.exit(__doc__)
    tool, docs = sys.argv[1], sys.argv[2]
    quick = "--quick" in sys.argv[3:]
    rows = []
    # Nothing the regression sizes write is deleted until the last of them
    # is done: ext4 without a journal makes every new file search past the
    # inodes freed in the last minutes, so each size would slow down the
    # next. Then it all goes, so that gigabytes kept do not weigh on the
    # predictions, which write four files each and delete them at once.
    scratch = tempfile.mkdtemp(prefix="tarnovel-suite-")
    try:
        for dates, strata, piezometers in (QUICK_RUNS if quick else RUNS):
            rows.append(measure(tool, ["run", dates, strata, piezometers], scratch, True))
            print(f"regression run, {int(rows[-1]['size'])} jobs: {rows[-1]['seconds']:.3f} s, "
                  f"{rows[-1]['peak_mib']:.1f} MiB", flush=True)
    finally:
        shutil.rmtree(scratch, ignore_errors=True)
    for locations in (QUICK_LOCATIONS if quick else LOCATIONS):
        rows.append(measure(tool, ["predict", locations], tempfile.gettempdir(), False))
        print(f"prediction, {locations} locations: {rows[-1]['seconds']:.3f} s, "
              f"{rows[-1]['peak_mib']:.1f} MiB", flush=True)

    os.makedirs(docs, exist_ok=True)
    with open(os.path.join(docs, "performance.csv"), "w", newline="") as out:
        writer = csv.DictWriter(out, fieldnames=FIELDS)
        writer.writeheader()
        for r in rows:
            writer.writerow({k: (int(v) if k in ("size", "files", "bytes") else v)
                             if k != "work" else v for k, v in r.items()})
    plot(rows, os.path.join(docs, "performance.svg"))
    cores = os.cpu_count()
    machine = (f"{platform.system()} {platform.release()}, {cores} cores, measured "
               f"{datetime.date.today().isoformat()}")
    report(rows, os.path.join(docs, "performance.md"), machine)
    print(f"written: {docs}/performance.md, performance.svg, performance.csv")


if __name__ == "__main__":
    main()
