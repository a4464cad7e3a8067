#!/usr/bin/env python3
"""Second, independent implementation of the piezometer workflow of
`tarnovel-cli run`: it plays the same scripted user and leaves the same files.

    python3 run_reference.py run --piezometers FILE --dates T1,T2,... [options]

Options are those of `tarnovel-cli run` (see USAGE). The work happens in the
current directory unless --workdir names another one. Exit status: 0 done,
1 the program stopped with an error (message on stderr, program closed as a
user would close it), 2 bad usage (nothing written).

The regression job itself is the independent job reference next to this file
(dregmult.py); everything around it (data window, hand-off, load, run, results
tab, log and archive) is rebuilt here. The scatterplots are plain white
350 x 350 bitmaps: only their names and format are meant to agree.
"""

import datetime
import os
import shutil
import struct
import sys

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import dregmult  # noqa: E402

USAGE = """usage: run_reference.py run --piezometers FILE --dates T1,T2,... [options]
  --workdir DIR          work in DIR (default: the current directory)
  --sep C                separator: a character, "tab" or "space" (default: proposal)
  --multiple             treat consecutive delimiters as one
  --comma-to-point       convert every comma of the grid to a point
  --missing CODE         mark cells equal to CODE as missing
  --mhw T --msw T --mlw T --sdmhw T --sdmsw T --sdmlw T --strata T
                         role boxes (an empty T empties the box)
  --dates T1,T2,...      measurement columns
  --kinds TEXT           MxW kind selection
  --strata-separately    all strata separately
  --weighted             weighted regression for every kind
  --plots                show every result (scatterplots)
exit status: 0 done, 1 stopped by an error, 2 bad usage
"""

MISSING = "missing"
NO_STRATA = "no strata"
ALL_STRATA = "all strata separately"
UNWEIGHTED = "unweighted regression"
WEIGHTED = "weighted regression"
KINDS = ("MHW", "MSW", "MLW")
BLANKS20 = " " * 20
EXCLUDED = set("\"'.0123456789ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz")

VALUE_OPTIONS = {
    "--workdir", "--piezometers", "--sep", "--missing", "--mhw", "--msw", "--mlw",
    "--sdmhw", "--sdmsw", "--sdmlw", "--strata", "--dates", "--kinds",
}
FLAG_OPTIONS = {"--multiple", "--comma-to-point", "--strata-separately", "--weighted", "--plots"}
ROLE_OPTIONS = ("--mhw", "--sdmhw", "--msw", "--sdmsw", "--mlw", "--sdmlw", "--strata")


class UsageError(Exception):
    pass


class ProgramError(Exception):
    """An error the desktop program would show in a message box."""


# ------------------------------------------------------------------ options


def parse_options(argv):
    if not argv or argv[0] != "run":
        raise UsageError("the first argument must be the command \"run\"")
    opts = {}
    i = 1
    while i < len(argv):
        arg = argv[i]
        if arg in ("-h", "--help"):
            sys.stdout.write(USAGE)
            sys.exit(0)
        name, has_value, value = arg.partition("=")
        if name in VALUE_OPTIONS:
            if not has_value:
                i += 1
                if i >= len(argv):
                    raise UsageError(name + " needs a value")
                value = argv[i]
            opts[name] = value
        elif name in FLAG_OPTIONS and not has_value:
            opts[name] = True
        else:
            raise UsageError("unknown option " + arg)
        i += 1
    for required in ("--piezometers", "--dates"):
        if required not in opts:
            raise UsageError(required + " is required")
    return opts


# --------------------------------------------------------------- text layer


def decode_input(data):
    if data.startswith(b"\xef\xbb\xbf"):
        data = data[3:]
    try:
        return data.decode("utf-8")
    except UnicodeDecodeError:
        return data.decode("cp1252", errors="replace")


def split_lines(text):
    """Lines as a line-by-line reader returns them: CR LF, LF and CR end a
    line; a final line end does not start another line."""
    lines = []
    start = 0
    i = 0
    n = len(text)
    while i < n:
        ch = text[i]
        if ch == "\r" or ch == "\n":
            lines.append(text[start:i])
            if ch == "\r" and i + 1 < n and text[i + 1] == "\n":
                i += 1
            start = i + 1
        i += 1
    if start < n:
        lines.append(text[start:])
    return lines


def leesveld(nr, line, sep):
    parts = line.split(sep) if sep else [line]
    field = parts[nr - 1] if nr <= len(parts) else ""
    return "" if field == " " else field


def leading_fields(line, sep):
    count = 0
    while leesveld(count + 1, line, sep) != "":
        count += 1
    return count


def collapse(line, sep):
    double = sep + sep
    while double in line:
        line = line.replace(double, sep)
    return line


def ascii_lower(text):
    return "".join(chr(ord(c) + 32) if "A" <= c <= "Z" else c for c in text)


def wildcard_match(pattern, name):
    pattern, name = ascii_lower(pattern), ascii_lower(name)
    # Classic backtracking over one "*" at a time.
    p = n = 0
    star = mark = -1
    while n < len(name):
        if p < len(pattern) and (pattern[p] == "?" or pattern[p] == name[n]):
            p += 1
            n += 1
        elif p < len(pattern) and pattern[p] == "*":
            star, mark = p, n
            p += 1
        elif star >= 0:
            p = star + 1
            mark += 1
            n = mark
        else:
            return False
    while p < len(pattern) and pattern[p] == "*":
        p += 1
    return p == len(pattern)


def list_files(pattern):
    return sorted(name for name in os.listdir(".")
                  if os.path.isfile(name) and not os.path.islink(name)
                  and wildcard_match(pattern, name))


def write_text(name, lines):
    with open(name, "wb") as f:
        f.write("".join(line + "\r\n" for line in lines).encode("utf-8"))


def pascal_delete(text, index, count):
    """Delete(s, index, count) with a 1-based index; out-of-range does nothing."""
    if index < 1 or index > len(text) or count <= 0:
        return text
    return text[:index - 1] + text[index - 1 + count:]


def pos(sub, text):
    return text.find(sub) + 1


# -------------------------------------------------------------- data window


class DataWindow:
    """The piezometer data window after the scripted user's choices."""

    def __init__(self, path, opts):
        self.path = path
        try:
            with open(path, "rb") as f:
                text = decode_input(f.read())
        except OSError as err:
            raise UsageError("cannot read %s: %s" % (path, err.strerror))
        lines = split_lines(text)
        first = lines[0] if lines else ""
        self.candidates = self.bepaalsep(first)
        self.sep = self.choose_separator(opts.get("--sep"))
        self.multiple = bool(opts.get("--multiple"))
        self.grid = self.vulgrid(lines)
        self.proposals = self.vulboxen()
        self.edtMIS = "-9999"
        if opts.get("--comma-to-point"):
            for row in self.grid:
                for c, cell in enumerate(row):
                    row[c] = cell.replace(",", ".")
        if "--missing" in opts:
            self.edtMIS = opts["--missing"]
            for row in self.grid[1:]:
                for c, cell in enumerate(row):
                    if cell == self.edtMIS:
                        row[c] = MISSING
            self.edtMIS = ""
        titles = self.grid[0]
        self.boxes = dict(self.proposals)
        for option in ROLE_OPTIONS:
            if option in opts:
                value = opts[option]
                if value != "" and value not in titles:
                    raise UsageError("the table has no column titled \"%s\" (%s)" % (value, option))
                self.boxes[option] = value
        dates = opts["--dates"].split(",")
        for title in dates:
            if title not in titles:
                raise UsageError("the table has no column titled \"%s\" (--dates)" % title)
        # The list control keeps its entries sorted with letters lower-cased.
        self.meetkols = sorted(dates, key=lambda t: (ascii_lower(t), t))

    @staticmethod
    def bepaalsep(first):
        rest = "".join(c for c in first if c not in EXCLUDED)
        found = []
        while rest and len(found) < 20:
            ch = rest[0]
            found.append((ch, rest.count(ch)))
            rest = rest.replace(ch, "")
        return found

    def choose_separator(self, wanted):
        if wanted is None:
            best = None
            for ch, count in self.candidates:
                if best is None or count > best[1]:
                    best = (ch, count)
            return best[0] if best else ""
        if wanted == "tab":
            wanted = "\t"
        elif wanted == "space":
            wanted = " "
        if len(wanted) != 1 or wanted not in [ch for ch, _ in self.candidates]:
            raise UsageError("the separator %r is not one of the offered candidates" % wanted)
        return wanted

    def vulgrid(self, lines):
        def line_at(r):
            line = lines[r] if r < len(lines) else ""
            return collapse(line, self.sep) if self.multiple and self.sep else line

        m = leading_fields(line_at(0), self.sep)
        n = 1 + max(1, len(lines) - 1)
        return [[leesveld(c + 1, line_at(r), self.sep) for c in range(m)] for r in range(n)]

    def vulboxen(self):
        boxes = {option: "" for option in ROLE_OPTIONS}
        for t in reversed(self.grid[0]):
            for kind in KINDS:
                if kind in t:
                    boxes["--" + kind.lower()] = t
                if "sd" + kind in t:
                    boxes["--sd" + kind.lower()] = t
            if "area" in t or "trat" in t:
                boxes["--strata"] = t
        return boxes

    def find_column(self, option):
        text = self.boxes[option]
        if option == "--strata" and text == "":
            return -1
        found = -1
        for c, title in enumerate(self.grid[0]):
            if title == text:
                found = c
        return found

    def ready(self):
        """"Ready!": the role columns and the two hand-off texts."""
        self.roles = {option: self.find_column(option) for option in ROLE_OPTIONS}
        names = {"--mhw": "MHW", "--sdmhw": "SDMHW", "--msw": "MSW", "--sdmsw": "SDMSW",
                 "--mlw": "MLW", "--sdmlw": "SDMLW", "--strata": "STRATA"}
        txt = []
        for option in ROLE_OPTIONS:
            c = self.roles[option]
            txt.append("%d %s" % (c, self.grid[0][c]) if c >= 0 else "-1 no %s found" % names[option])
        txt.append("%d measurement dates" % len(self.meetkols))
        for entry in self.meetkols:
            for c, title in enumerate(self.grid[0]):
                if title == entry:
                    txt.append("%d %s" % (c, title))
        for option in ("--sdmhw", "--sdmsw", "--sdmlw"):
            c = self.roles[option]
            if c >= 0:
                for row in self.grid:
                    if "-" in row[c]:
                        row[c] = MISSING
        csv = ["".join(cell.replace(";", ",").replace("\r\n", " ").replace("\r", " ")
                       .replace("\n", " ") + ";" for cell in row) for row in self.grid]
        return csv, txt


# ------------------------------------------------------------- main window


def pad15(text):
    return text + " " * (15 - len(text)) if len(text) < 15 else text


class Selector:
    def __init__(self):
        self.items = []
        self.text = ""


class MainWindow:
    def __init__(self, window):
        self.window = window
        self.log_name = None
        self.counter = 1
        self.label = ""
        self.header_flag = True
        self.cmbbxPREDICT = Selector()
        self.cmbbxSTRATA = Selector()
        self.cmbbxSTRATAyesno = Selector()
        self.weight = {kind: Selector() for kind in KINDS}
        self.cmbbxSTRATA2 = Selector()
        self.cmbbxGxG = Selector()
        self.cmbbxDATUM1 = Selector()
        self.lstbxTMP = []

    # -- log and archive

    def INITLOG(self, now):
        self.log_name = now.strftime("Tarnovel at %d-%m-%Y %Hh%Mm%Ss.log")
        self.log = open(self.log_name, "wb")
        self.log_open = True
        self.ADDLOG("Logfile of " + self.log_name[:-4])
        self.ADDLOG("")

    def ADDLOG(self, text=""):
        # Flushed line by line: the archive copies the open log.
        self.log.write((text + "\r\n").encode("utf-8"))
        self.log.flush()

    def zipit(self):
        folder = "session%d" % self.counter
        if not os.path.isdir(folder):
            try:
                os.mkdir(folder)
            except OSError:
                pass
        scratch = []
        for pattern in ("*.dat", "*.OUT", "*.wmf", "*.log", "session*.csv"):
            for name in list_files(pattern):
                try:
                    shutil.copyfile(name, os.path.join(folder, name))
                except OSError:
                    continue
                scratch.append(name)
        for name in scratch:
            if self.log_open and name == self.log_name:
                continue
            try:
                os.remove(name)
            except OSError:
                pass

    def session_start(self):
        if self.counter > 0:
            self.zipit()
        self.counter += 1
        while os.path.isdir("session%d" % self.counter):
            self.counter += 1
        self.label = "Session " + ("%d" % self.counter).rjust(2)
        now = datetime.datetime.now()
        for line in ("***************************", "******* NEW SESSION *******",
                     "******** " + self.label + " ********",
                     "*** " + now.strftime("%d-%m-%Y %H:%M:%S") + " ***",
                     "***************************", ""):
            self.ADDLOG(line)

    def FormClose(self):
        self.log.close()
        self.log_open = False
        self.zipit()
        for name in ("uitvoer_censored.txt", "invoer_censored.txt"):
            if os.path.isfile(name):
                try:
                    os.remove(name)
                except OSError:
                    pass

    # -- loading

    def leestemp_buizen(self):
        if not os.path.isfile("temp.csv"):
            self.load(None, None)
            return
        with open("temp.csv", "rb") as f:
            csv = split_lines(f.read().decode("utf-8"))
        with open("temp.txt", "rb") as f:
            txt = split_lines(f.read().decode("utf-8"))
        self.load(csv, txt)
        os.remove("temp.csv")
        os.remove("temp.txt")

    def load(self, csv, txt):
        """The table and the setting lists from the hand-off lines (None: no
        table was handed over)."""
        self.roles = {option: -1 for option in ROLE_OPTIONS}
        self.n = -1
        self.cmbbxSTRATA.items = [NO_STRATA]
        self.cmbbxSTRATA.text = NO_STRATA
        self.cmbbxSTRATAyesno.items = [NO_STRATA]
        self.cmbbxSTRATAyesno.text = NO_STRATA
        for kind in KINDS:
            self.weight[kind].items = []
        self.table = [[]]
        self.date_columns = []
        if csv is not None:
            first = csv[0] if csv else ""
            C = leading_fields(first, ";")
            R = 1 + max(1, len(csv) - 1)
            table = []
            for r in range(R):
                line = csv[r] if r < len(csv) else ""
                row = [leesveld(c + 1, line, ";") for c in range(C)]
                table.append(row if r == 0 else [pad15(cell) for cell in row])
            self.table = table

            def leading_int(line):
                return int(line.split(" ", 1)[0])

            for i, option in enumerate(ROLE_OPTIONS):
                self.roles[option] = leading_int(txt[i])
            self.n = leading_int(txt[7])
            self.date_columns = [leading_int(txt[8 + i]) for i in range(max(self.n, 0))]
            for kind in KINDS:
                c = self.roles["--" + kind.lower()]
                if c != -1:
                    self.table[0][c] = kind
        present = [kind for kind in KINDS if self.roles["--" + kind.lower()] != -1]
        items = list(present)
        if len(items) >= 2:
            items.insert(0, "+".join(present))
        self.cmbbxPREDICT.items = items
        self.cmbbxPREDICT.text = items[0] if items else ""
        sc = self.roles["--strata"]
        if sc != -1:
            self.cmbbxSTRATA.items.append(ALL_STRATA)
            self.cmbbxSTRATAyesno.items.append(ALL_STRATA)
            for row in self.table[1:]:
                if row[sc] not in self.cmbbxSTRATA.items:
                    self.cmbbxSTRATA.items.append(row[sc])
            self.strata_count = len(self.cmbbxSTRATA.items)
        weighting = all(self.roles["--" + kind.lower()] == -1
                        or self.roles["--sd" + kind.lower()] != -1 for kind in KINDS)
        for kind in KINDS:
            selector = self.weight[kind]
            if self.roles["--" + kind.lower()] != -1:
                selector.items.append(UNWEIGHTED)
            if weighting:
                selector.items.append(WEIGHTED)
            selector.text = selector.items[0] if selector.items else ""

    # -- settings

    def copy_weighting(self, text, targets):
        for kind in targets:
            # A selector never takes a text it does not offer: an absent
            # kind's empty selector would otherwise turn a present kind into
            # a weighted regression without sd values.
            if text in self.weight[kind].items:
                self.weight[kind].text = text

    def set_kinds(self, text):
        if text not in self.cmbbxPREDICT.items:
            raise UsageError("the MxW kind selector does not offer \"%s\"" % text)
        if text != self.cmbbxPREDICT.text:
            self.cmbbxPREDICT.text = text
            self.copy_weighting(self.weight["MHW"].text, ("MSW", "MLW"))

    def set_strata_separately(self):
        if ALL_STRATA not in self.cmbbxSTRATAyesno.items:
            raise UsageError("\"%s\" is not offered: the table has no strata column" % ALL_STRATA)
        if self.cmbbxSTRATAyesno.text != ALL_STRATA:
            self.cmbbxSTRATAyesno.text = ALL_STRATA
            self.cmbbxSTRATA.text = ALL_STRATA

    def set_weighted(self):
        offered = [kind for kind in KINDS if WEIGHTED in self.weight[kind].items]
        if not any(WEIGHTED in self.weight[kind].items for kind in KINDS
                   if self.roles["--" + kind.lower()] != -1):
            raise UsageError("\"%s\" is not offered" % WEIGHTED)
        for kind in offered:
            if self.weight[kind].text != WEIGHTED:
                self.weight[kind].text = WEIGHTED
                if "+" in self.cmbbxPREDICT.text:
                    self.copy_weighting(WEIGHTED, [k for k in KINDS if k != kind])

    def tag(self, kind):
        selector = self.weight.get(kind)
        text = selector.text if selector else ""
        return "ong" if "unweighted" in text else "gew"

    # -- run

    def clean_earlier_run(self):
        for name in list_files("*.out"):
            if "-" not in name or ".out" not in name:
                continue
            base = name[:name.index(".out")]
            for ext in (".out", ".dat", ".wmf"):
                if os.path.isfile(base + ext) and not os.path.islink(base + ext):
                    os.remove(base + ext)

    def data_report(self):
        w = self.window
        self.ADDLOG("****** " + self.label + " READ DATA FOR PIEZOMETERREGRESSONS ******")
        self.ADDLOG("Used file  : " + w.path)
        if w.edtMIS == "":
            self.ADDLOG(BLANKS20 + "Interactively marked missing data in this file.")
        for kind in KINDS:
            option = "--" + kind.lower()
            if w.roles[option] != -1:
                self.ADDLOG(BLANKS20 + "Title column %s   : " % kind + w.boxes[option])
        for kind in KINDS:
            option = "--sd" + kind.lower()
            if w.roles[option] != -1:
                self.ADDLOG(BLANKS20 + "Title column sd%s : " % kind + w.boxes[option])
        if w.boxes["--strata"] != "":
            self.ADDLOG(BLANKS20 + "Title column strata: " + w.boxes["--strata"])
        else:
            self.ADDLOG(BLANKS20 + "No column with strata given.")
        for q, entry in enumerate(w.meetkols, 1):
            self.ADDLOG(BLANKS20 + "Measurement data %d :column title= %s" % (q, entry))
        self.ADDLOG()

    def settings_report(self):
        self.ADDLOG("****** " + self.label + " SETTINGS PIEZOMETERREGRESSIONS ******")
        self.ADDLOG("To predict        : " + self.cmbbxPREDICT.text)
        self.ADDLOG(BLANKS20 + "Regression with regression constant")
        self.ADDLOG(BLANKS20 + self.cmbbxSTRATAyesno.text)
        for kind in KINDS:
            if kind in self.cmbbxPREDICT.text:
                self.ADDLOG(BLANKS20 + "Type regression %s: " % kind + self.weight[kind].text)

    def subselectie(self, stratum, d1, d2, kind, tag):
        table = self.table
        C = len(table[0])
        texts = (stratum, d1, d2, kind, tag)
        marked = [c for c in range(C) if table[0][c] in texts]
        sc = self.roles["--strata"]
        filtering = sc != -1 and stratum not in (ALL_STRATA, "nostrata", NO_STRATA)
        kept = []
        for r in range(1, len(table)):
            row = table[r]
            if any(MISSING in row[c] for c in marked):
                continue
            if filtering and stratum not in row[sc]:
                continue
            kept.append(r)
        return marked, kept

    def schrijfselectie(self, name, stratum, d1, d2, kind, tag, marked, kept):
        table = self.table
        titles = table[0]

        def last_column(title):
            found = -1
            for c, t in enumerate(titles):
                if t == title:
                    found = c
            return found

        c1, c2 = last_column(d1), last_column(d2)
        lines = ["from: " + d1 + " + " + d2 + " to: " + kind + " (stratum:" + stratum + ", "
                 + ("unweighted)" if tag == "ong" else "weighted)")]
        if d1 == d2:
            lines += ["2 variables", d1]
        else:
            lines += ["3 variables"] + ([d1, d2] if c1 < c2 else [d2, d1])
        lines.append(kind)
        mxw = last_column(kind)
        sd = -1
        if tag == "gew":
            for k in KINDS:
                if self.roles["--" + k.lower()] == mxw:
                    sd = self.roles["--sd" + k.lower()]
                    break
        lines.append("%d observations" % len(kept))
        for r in kept:
            row = table[r]
            line = "".join(row[c] + " " for c in marked if c != mxw)
            line += row[mxw] + " "
            if sd >= 0:
                line += row[sd] + " "
            lines.append(line)
        write_text(name, lines)
        return len(kept)

    def run(self):
        self.header_flag = True
        self.clean_earlier_run()
        selection = self.cmbbxPREDICT.text
        present = [kind for kind in KINDS if self.roles["--" + kind.lower()] != -1]
        if selection == "":
            K = 0
        elif "+" not in selection:
            K = 1
        else:
            K = len(present)
        S = 1 if self.cmbbxSTRATA.text == NO_STRATA else self.strata_count - 1
        strata = self.cmbbxSTRATA.items
        if len(strata) > 1 and strata[1] == ALL_STRATA:
            del strata[1]
        n = max(self.n, 0)
        self.ADDLOG()
        self.session_start()
        self.data_report()
        self.settings_report()
        self.ADDLOG()
        self.ADDLOG("****** " + self.label + " RESULTS PIEZOMETER REGRESSIONS ******")
        dates = [self.table[0][c] for c in self.date_columns]
        prepared = skipped = 0
        for s in range(1, S + 1):
            stratum = strata[s - 1]
            if stratum == NO_STRATA:
                stratum = "nostrata"
            for i in range(1, n + 1):
                for j in range(1, i + 1):
                    for k in range(1, K + 1):
                        d1, d2 = dates[i - 1], dates[j - 1]
                        kind = selection if K == 1 else self.cmbbxPREDICT.items[k]
                        tag = self.tag(kind)
                        name = "-".join((stratum, d1, d2, kind, tag)) + ".dat"
                        marked, kept = self.subselectie(stratum, d1, d2, kind, tag)
                        for part, what in ((stratum, "stratum"), (d1, "date"), (d2, "date")):
                            if "/" in part or "\\" in part:
                                raise ProgramError("Cannot create file %s: the %s \"%s\" cannot "
                                                   "be part of a file name" % (name, what, part))
                        N = self.schrijfselectie(name, stratum, d1, d2, kind, tag, marked, kept)
                        prepared += 1
                        if (2 if d1 == d2 else 3) < N:
                            self.run_job(name, tag == "gew")
                            self.ADDLOG("Regression on <" + name
                                        + "> done and results written to <*.out>.")
                        else:
                            skipped += 1
                            self.ADDLOG("No regression on " + name + " (too few data points).")
        self.tab_one_selection()
        self.ADDLOG("%d regressions were prepared (inputfiles)." % prepared)
        self.ADDLOG("Of these,  %d regressions were not performed." % skipped)

    @staticmethod
    def run_job(name, weighted):
        try:
            dregmult.run_job(name, True, weighted)
        except dregmult.JobError as err:
            message = str(err)
            # Input/output errors end the run; a fit that cannot be done
            # leaves no result file and the run goes on.
            if message.startswith("invalid numeric input") or message.startswith("cannot "):
                raise ProgramError(name + ": " + message)

    # -- results tab

    def tab_one_selection(self):
        self.cmbbxSTRATA2.items = []
        if self.cmbbxSTRATA.text == NO_STRATA:
            self.cmbbxSTRATA2.items.append(NO_STRATA)
        else:
            self.cmbbxSTRATA2.items += [s for s in self.cmbbxSTRATA.items
                                        if s not in (ALL_STRATA, NO_STRATA)]
        self.cmbbxSTRATA2.text = self.cmbbxSTRATA2.items[0] if self.cmbbxSTRATA2.items else ""
        self.cmbbxGxG.items = self.cmbbxPREDICT.text.split("+")
        self.cmbbxGxG.text = self.cmbbxGxG.items[0]
        self.Actualiseer_datumlijst()

    def current_keys(self):
        S = self.cmbbxSTRATA2.text
        if S == NO_STRATA:
            S = "nostrata"
        G = self.cmbbxGxG.text
        W = self.tag(G) if G in KINDS else "gew"
        return S, G, W

    def Actualiseer_datumlijst(self):
        S, G, W = self.current_keys()
        self.lstbxTMP = []
        self.cmbbxDATUM1.items = []
        for name in list_files("*.out"):
            if S not in name or G not in name or W not in name:
                continue
            name = pascal_delete(name, pos(S, name), len(S) + 1)
            name = pascal_delete(name, pos(G, name) - 1, len(G) + 1)
            name = pascal_delete(name, pos(W, name) - 1, len(W) + 1)
            key = pascal_delete(name, pos(".", name), 4)
            a, _, b = key.partition("-")
            self.lstbxTMP.append(key)
            self.cmbbxDATUM1.items.append(a if a == b else key)
        self.cmbbxDATUM1.text = self.cmbbxDATUM1.items[0] if self.cmbbxDATUM1.items else ""

    def btbttnSHOWClick(self):
        if self.header_flag:
            self.ADDLOG()
            self.ADDLOG("****** " + self.label + " PRESENTED REGRESSION RESULTS ******")
            self.header_flag = False
        S, G, W = self.current_keys()
        items = self.cmbbxDATUM1.items
        if items:
            index = 0
            for i, item in enumerate(items):
                if item == self.cmbbxDATUM1.text:
                    index = i
            K = self.lstbxTMP[index]
        else:
            K = ""
        F = S + "-" + K + "-" + G + "-" + W + ".out"
        if not os.path.isfile(F):
            self.ADDLOG("Regression outfile <" + F + "> not found!"
                        + "Possibly the regression was not performed because "
                        + "there were too few data points.")
            return
        write_blank_bitmap(F[:F.index(".out")] + ".wmf")
        self.ADDLOG("Regression outputfile <" + F + "> presented. Scatterplot <*.wmf> saved to file")

    def show_every_result(self):
        for stratum in list(self.cmbbxSTRATA2.items):
            if self.cmbbxSTRATA2.text != stratum:
                self.cmbbxSTRATA2.text = stratum
                self.Actualiseer_datumlijst()
            for kind in list(self.cmbbxGxG.items):
                if self.cmbbxGxG.text != kind:
                    self.cmbbxGxG.text = kind
                    self.Actualiseer_datumlijst()
                for date in list(self.cmbbxDATUM1.items):
                    self.cmbbxDATUM1.text = date
                    self.btbttnSHOWClick()


def write_blank_bitmap(name, size=350):
    row = b"\xff" * (size * 3)
    row += b"\x00" * ((4 - len(row) % 4) % 4)
    pixels = row * size
    header = struct.pack("<2sIHHI", b"BM", 54 + len(pixels), 0, 0, 54)
    info = struct.pack("<IiiHHIIiiII", 40, size, size, 1, 24, 0, len(pixels), 2835, 2835, 0, 0)
    with open(name, "wb") as f:
        f.write(header + info + pixels)


# --------------------------------------------------------------------- main


def prepare(opts):
    """Everything a bad option can be found in, without touching a file."""
    path = os.path.abspath(opts["--piezometers"])
    if not os.path.isfile(path):
        raise UsageError("no such file: " + path)
    window = DataWindow(path, opts)
    return window


def main(argv):
    try:
        opts = parse_options(argv)
        if "--workdir" in opts:
            # The input path is taken before the tool changes directory.
            opts["--piezometers"] = os.path.abspath(opts["--piezometers"])
            try:
                os.chdir(opts["--workdir"])
            except OSError as err:
                raise UsageError("cannot work in %s: %s" % (opts["--workdir"], err.strerror))
        window = prepare(opts)
        csv, txt = window.ready()
        # Dry run of the load and the settings on a scratch main window, so
        # that a refused setting writes nothing.
        dry = MainWindow(window)
        dry.load(csv, txt)
        apply_settings(dry, opts)
    except UsageError as err:
        sys.stderr.write("run_reference.py: %s\n" % err)
        return 2

    main_window = MainWindow(window)
    main_window.INITLOG(datetime.datetime.now())
    status = 0
    try:
        write_text("temp.txt", txt)
        write_text("temp.csv", csv)
        main_window.leestemp_buizen()
        apply_settings(main_window, opts)
        main_window.run()
        if opts.get("--plots"):
            main_window.show_every_result()
    except ProgramError as err:
        sys.stderr.write("run_reference.py: %s\n" % err)
        status = 1
    main_window.FormClose()
    return status


def apply_settings(main_window, opts):
    if "--kinds" in opts:
        main_window.set_kinds(opts["--kinds"])
    if opts.get("--strata-separately"):
        main_window.set_strata_separately()
    if opts.get("--weighted"):
        main_window.set_weighted()


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
