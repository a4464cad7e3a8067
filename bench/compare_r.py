#!/usr/bin/env python3
"""Tarnovel against a plain R script doing the same work, side by side.

    python3 bench/compare_r.py TARNOVEL_CLI OUTDIR [--runs 5] [--data FOLDER]

The R script (bench/anchor/workflow.R, base R only) is what a hydrologist
without Tarnovel would write. Both run on the same generated tables
(bench/anchor/make_data.py, fixed seed), taking turns within one run so that
the machine's other load falls on both alike; the wall time of each whole
process is measured and the median of the runs kept. Also timed, right after
each of Tarnovel's regression runs: the write floor of the files that run left
(bench/anchor/floor.py's write: the same names and sizes into a fresh
folder). Writes OUTDIR/r-comparison.csv,
OUTDIR/r-comparison.svg (the seconds as bars) and, when OUTDIR holds
performance.md, its section "Against a plain R script"; prints a table of the
ratios. Without Rscript it says how to get it and times Tarnovel and the floor
only.
"""
import argparse
import csv
import datetime
import glob
import os
import shutil
import statistics
import subprocess
import sys
import time

HERE = os.path.dirname(os.path.abspath(__file__))
ANCHOR = os.path.join(HERE, 'anchor')
sys.path.insert(0, ANCHOR)
import floor as anchor  # noqa: E402  (the yardstick's own script, kept as it is)
# Creating files right after many were deleted is several times slower
# here: ext4 without a journal passes over inodes freed in the last minute,
# and in the last six while their inode table block is written again, as
# creating new files does. The timings start a minute and a quarter after
# the file system was synced, and six minutes after the last deletion of
# a bench's work (the time of which `make bench` leaves in DELETED).
SETTLE_SECONDS = 75
DELETED_WINDOW = 360
DELETED = 'deleted-at'


def timed(command, cwd=None):
    # As the floor script does before each of its timings: no earlier
    # run's dirty pages still going out to the disk, for R and Tarnovel alike.
    os.sync()
    start = time.perf_counter()
    subprocess.run(command, cwd=cwd, check=True, stdout=subprocess.DEVNULL,
                   stderr=subprocess.DEVNULL)
    return time.perf_counter() - start


def fresh(path):
    shutil.rmtree(path, ignore_errors=True)
    os.makedirs(path)
    return path


def date_titles(piezometers):
    with open(piezometers, encoding='utf-8') as f:
        return f.readline().strip().split(';')[8:]


def tarnovel_run(cli, work, piez, field=None):
    command = [cli, 'run', '--workdir', fresh(work), '--sep', ';', '--piezometers', piez,
               '--dates', ','.join(date_titles(piez)), '--strata-separately', '--weighted']
    if field:
        command += ['--field', field, '--field-sep', ';']
    return timed(command)


def r_stage1(work, piez):
    return timed(['Rscript', os.path.join(ANCHOR, 'workflow.R'), 'stage1', piez,
                  fresh(os.path.join(work, 'models')), '--weights=gew'])


def r_stage2(work, field):
    return timed(['Rscript', os.path.join(ANCHOR, 'workflow.R'), 'stage2', field,
                  os.path.join(work, 'models'), fresh(os.path.join(work, 'pred')),
                  '--weights=gew'])


def floor(session, target):
    """One timing of bench/anchor/floor.py's write of the session's files,
    into the new folder target, which stays until every timing is done (its
    own script deletes after each write, which would slow the next run)."""
    files = anchor.file_set([session])
    biggest = max((size for _, size in files), default=0)
    buf = (anchor.LINE * (biggest // len(anchor.LINE) + 1))[:biggest]
    os.makedirs(target)
    os.sync()
    return anchor.write_set(target, files, buf, False)


BEGIN = '<!-- r-comparison: written by bench/compare_r.py -->'
END = '<!-- end of r-comparison -->'


def bars(rows, floor_seconds, path):
    """Horizontal bars of the seconds: R, Tarnovel and, for the run, the
    write floor."""
    items = []
    for name, r, t in rows:
        short = name.split(':')[0]
        if r == r:  # not nan: R was timed
            items.append((f'{short}: R', r, '#9e9e9e'))
        items.append((f'{short}: Tarnovel', t, '#1f5fa8'))
        if short.startswith('regression'):
            items.append((f'{short}: write floor', floor_seconds, '#e0a030'))
    top = max(v for _, v, _ in items) or 1.0
    width, left, bar, gap = 900, 300, 26, 14
    height = 40 + len(items) * (bar + gap) + 30
    svg = [f'<svg xmlns="http://www.w3.org/2000/svg" width="{width}" height="{height}" '
           'font-family="sans-serif" font-size="13">',
           f'<rect width="{width}" height="{height}" fill="white"/>',
           f'<text x="{width / 2}" y="24" text-anchor="middle" font-size="15">'
           'Wall time, seconds (median, taking turns in one run)</text>']
    span = width - left - 90
    for i, (label, value, colour) in enumerate(items):
        y = 40 + i * (bar + gap)
        w = span * value / top
        svg.append(f'<text x="{left - 8}" y="{y + bar * 0.68:.1f}" text-anchor="end">{label}</text>')
        svg.append(f'<rect x="{left}" y="{y}" width="{w:.1f}" height="{bar}" fill="{colour}"/>')
        svg.append(f'<text x="{left + w + 6:.1f}" y="{y + bar * 0.68:.1f}">{value:.2f} s</text>')
    svg.append('</svg>')
    with open(path, 'w', encoding='utf-8') as f:
        f.write('\n'.join(svg) + '\n')


def section(rows, med, runs, path):
    """Puts the comparison into performance.md between its markers (at the
    end the first time); leaves the file alone when there is none."""
    if not os.path.exists(path):
        return
    lines = [BEGIN, '', '## Against a plain R script', '',
             'The same work done by the R script a hydrologist would write',
             '(`bench/anchor/workflow.R`, base R) and by `tarnovel-cli run` on the',
             'same generated tables (`bench/anchor/make_data.py`), taking turns in one',
             f'run; wall time of the whole process, median of {runs}. Each run writes',
             'into a folder of its own and nothing is deleted until every timing is',
             'done (a file system that has just deleted thousands of files makes',
             'creating new ones slower for a while, for both alike), and each starts',
             'after a `sync`, as the write floor does. On the',
             "project's virtual machine the time to create files also changes",
             'several-fold from one minute to the next, for R, Tarnovel and the',
             'write floor alike: compare ratios from one run, not seconds. Measured',
             f'{datetime.date.today().isoformat()} by `make bench` (`bench/compare_r.py`).', '',
             '![R, Tarnovel and the write floor](r-comparison.svg)', '',
             '| Work | R (s) | Tarnovel (s) | R / Tarnovel |', '|---|---:|---:|---:|']
    for name, r, t in rows:
        r_text = f'{r:.2f}' if r == r else 'not timed'
        ratio = f'{r / t:.1f}' if r == r else '-'
        lines.append(f'| {name} | {r_text} | {t:.2f} | {ratio} |')
    lines += ['', f'The regression run took {med["t_run"]:.2f} s where merely writing its '
              f'files takes {med["floor"]:.2f} s (`bench/anchor/floor.py`, timed right after each run): '
              f'{med["t_run"] / med["floor"]:.1f} times its write floor.', '', END]
    with open(path, encoding='utf-8') as f:
        text = f.read()
    block = '\n'.join(lines) + '\n'
    if BEGIN in text and END in text:
        head, rest = text.split(BEGIN, 1)
        text = head + block + rest.split(END, 1)[1].lstrip('\n')
    else:
        text = text.rstrip('\n') + '\n\n' + block
    with open(path, 'w', encoding='utf-8') as f:
        f.write(text)


def main():
    ap = argparse.ArgumentParser(description=__doc__.split('\n')[0])
    ap.add_argument('cli')
    ap.add_argument('outdir')
    ap.add_argument('--runs', type=int, default=5)
    ap.add_argument('--data', help='folder for the generated tables and the work '
                    '(default OUTDIR/r-comparison-data)')
    a = ap.parse_args()
    cli = os.path.abspath(a.cli)
    data = os.path.abspath(a.data or os.path.join(a.outdir, 'r-comparison-data'))
    if not os.path.exists(os.path.join(data, 'piez_2000x12.csv')):
        fresh(data)
        subprocess.run([sys.executable, os.path.join(ANCHOR, 'make_data.py'), data], check=True,
                       stdout=subprocess.DEVNULL)
    piez = os.path.join(data, 'piez_2000x12.csv')
    field = os.path.join(data, 'field_100000.csv')
    work = os.path.join(data, 'work')
    have_r = shutil.which('Rscript') is not None
    if not have_r:
        print('compare_r: Rscript not found; `scripts/install-deps --bench` installs '
              'r-base-core. Timing Tarnovel and the write floor only.')

    # Every timed run writes into a folder of its own, and nothing is
    # deleted until every timing is done: a file system that has just
    # deleted thousands of files makes creating new ones several times
    # slower for a while, for R and Tarnovel alike (ext4 without a journal
    # passes over inodes freed in the last minute), and the harness's own
    # clean-up would otherwise land on whichever run came next. Whatever
    # ran before (a test suite, an earlier bench) may have deleted as many:
    # the timings start after that minute in any case.
    stamp = os.path.join(data, DELETED)
    if os.path.exists(work):
        shutil.rmtree(work, ignore_errors=True)
        with open(stamp, 'w'):
            pass
    since = time.time() - os.path.getmtime(stamp) if os.path.exists(stamp) else DELETED_WINDOW
    wait = max(SETTLE_SECONDS, DELETED_WINDOW - since)
    print(f'compare_r: letting the file system settle for {wait:.0f} s', flush=True)
    os.sync()
    time.sleep(wait)
    times = {k: [] for k in ('r_run', 'r_whole', 't_run', 't_whole', 'floor')}
    for i in range(a.runs):
        if have_r:
            first = r_stage1(os.path.join(work, f'r{i}'), piez)
            times['r_run'].append(first)
            times['r_whole'].append(first + r_stage2(os.path.join(work, f'r{i}'), field))
        times['t_run'].append(tarnovel_run(cli, os.path.join(work, f't-run{i}'), piez))
        session = sorted(glob.glob(os.path.join(work, f't-run{i}', 'session*')))[-1]
        times['floor'].append(floor(session, os.path.join(work, f'floor{i}')))
        times['t_whole'].append(tarnovel_run(cli, os.path.join(work, f't-whole{i}'), piez, field))
    # Left for `make bench` to delete when the performance suite is done too
    # (and to note the time in DELETED): deleting it now would slow down the
    # suite's first sizes.
    med = {k: statistics.median(v) if v else float('nan') for k, v in times.items()}

    rows = [
        ('regression run: 2 000 piezometers x 12 dates, 5 strata separately, weighted',
         med['r_run'], med['t_run']),
        ('whole workflow: the same run + prediction of 100 000 field locations',
         med['r_whole'], med['t_whole']),
    ]
    with open(os.path.join(a.outdir, 'r-comparison.csv'), 'w', newline='') as f:
        w = csv.writer(f)
        w.writerow(['work', 'r_seconds', 'tarnovel_seconds', 'r_over_tarnovel'])
        for name, r, t in rows:
            w.writerow([name, f'{r:.3f}', f'{t:.3f}', f'{r / t:.2f}'])
        w.writerow(['regression run against its write floor', f'{med["floor"]:.3f}',
                    f'{med["t_run"]:.3f}', f'{med["t_run"] / med["floor"]:.2f}'])
    bars(rows, med['floor'], os.path.join(a.outdir, 'r-comparison.svg'))
    section(rows, med, a.runs, os.path.join(a.outdir, 'performance.md'))
    print(f'{"work":80} {"R":>8} {"Tarnovel":>9} {"R/T":>6}')
    for name, r, t in rows:
        print(f'{name:80} {r:8.2f} {t:9.2f} {r / t:6.2f}')
    print(f'{"regression run / its write floor (" + format(med["floor"], ".2f") + " s)":80} '
          f'{"":8} {med["t_run"]:9.2f} {med["t_run"] / med["floor"]:6.2f}')


if __name__ == '__main__':
    main()
