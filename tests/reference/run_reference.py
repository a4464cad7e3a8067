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
tab, log and archive) is rebuilt here, and so is the prediction at field-work
locations (--field): field window, loading, censored-value list, the
maximum-likelihood replacement through the independent estimation next to this
file (censored_reference.py), model selection and the prediction file. The
scatterplots are plain white 350 x 350 bitmaps: only their names and format
are meant to agree.
"""

import datetime
import math
import os
import re
import shutil
import struct
import sys

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import censored_reference  # noqa: E402
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
  --field FILE           field measurements: predict the MxW at every location
  --field-sep C, --field-multiple, --field-comma-to-point, --field-missing CODE
                         as --sep, --multiple, --comma-to-point, --missing
  --date1 T --date2 T --meas1 T --meas2 T --field-strata T
                         role boxes of the field window
  --code CODE=REPLACEMENT
                         conversion of a found code (repeatable)
  --output NAME          prediction file (default: the proposed name)
  --delimiter D          ; , or tab (default ;)
  --predict TEXT         MxW kinds to predict
  --pooled               untick "Strata seperately" where it can be changed
  --no-ml                untick the maximum-likelihood option where it can be changed
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
    "--field", "--field-sep", "--field-missing", "--date1", "--date2", "--meas1", "--meas2",
    "--field-strata", "--output", "--delimiter", "--predict",
}
LIST_OPTIONS = {"--code"}
FLAG_OPTIONS = {"--multiple", "--comma-to-point", "--strata-separately", "--weighted", "--plots",
                "--field-multiple", "--field-comma-to-point", "--pooled", "--no-ml"}
FIELD_ONLY = ("--field-sep", "--field-missing", "--date1", "--date2", "--meas1", "--meas2",
              "--field-strata", "--output", "--delimiter", "--predict", "--code",
              "--field-multiple", "--field-comma-to-point", "--pooled", "--no-ml")
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
        if name in VALUE_OPTIONS or name in LIST_OPTIONS:
            if not has_value:
                i += 1
                if i >= len(argv):
                    raise UsageError(name + " needs a value")
                value = argv[i]
            if name in LIST_OPTIONS:
                opts.setdefault(name, []).append(value)
            else:
                opts[name] = value
        elif name in FLAG_OPTIONS and not has_value:
            opts[name] = True
        else:
            raise UsageError("unknown option " + arg)
        i += 1
    for required in ("--piezometers", "--dates"):
        if required not in opts:
            raise UsageError(required + " is required")
    if "--field" not in opts:
        for name in FIELD_ONLY:
            if name in opts:
                raise UsageError(name + " needs --field")
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


# ------------------------------------------------------------ table checks
#
# What the program tells the user about a table it takes over, written from
# the rules of the user's documentation: a cell is read as a number without
# the blanks around it, when it is at most 64 characters of sign, digits,
# optional decimals and exponent within the range of a double; a whole number
# of nines only (-99, -999, ... or 999, 9999, ...) looks like a missing-data
# code; a number more than 10 spreads from the median of a column of at least
# 5 numbers lies far outside it, the spread being the largest of the median
# absolute deviation, half the median's size and 1; a cell that is no number
# but is one with every "," read as "." has a decimal comma.

CELL_NUMBER = re.compile(r"[+-]?[0-9]+(\.[0-9]*)?([eE][+-]?[0-9]+)?")
PIEZOMETER_COMMA_ITEM = "Convert comma's (,) to decimal dot (.)"
FIELD_COMMA_ITEM = "Convert each comma (,) to a decimal dot (.)"
MISSING_BOX_ADVICE = ("if it means \"missing\", type it in the box code \"missing data\"= of the "
                      "data window and press \"apply\".")


def cell_number(cell):
    """The value of a cell the job reader can read, else None."""
    text = cell.strip(" ")
    if len(text) > 64 or not CELL_NUMBER.fullmatch(text):
        return None
    value = float(text)
    return value if math.isfinite(value) else None


def decimal_comma(cell):
    text = cell.strip(" ")
    return "," in text and cell_number(text.replace(",", ".")) is not None


def missing_code_like(value):
    if value != math.floor(value):
        return False
    size = abs(value)
    nines = 99.0 if value < 0 else 999.0
    while nines <= size and nines < 1e15:
        if size == nines:
            return True
        nines = nines * 10 + 9
    return False


def median(values):
    values = sorted(values)
    n = len(values)
    return values[n // 2] if n % 2 == 1 else (values[n // 2 - 1] + values[n // 2]) / 2.0


def counted(n, one, many):
    return "%d %s" % (n, one if n == 1 else many)


def table_content(grid):
    """"empty", "titles" or "data" for the rows of a data window's grid."""
    if any(cell.strip(" ") for row in grid[1:] for cell in row):
        return "data"
    return "titles" if any(cell.strip(" ") for cell in grid[0]) else "empty"


def no_data_message(content, table, path):
    how = "it is empty." if content == "empty" else "it has a title line only."
    return "The %s %s holds no data: %s" % (table, os.path.basename(path), how)


def column_findings(table, columns, comma_item):
    """Warnings on the cells of the given (column, title) pairs."""
    findings = []
    done = set()
    for c, title in columns:
        if c < 0 or c >= len(table[0]) or c in done:
            continue
        done.add(c)
        numbers, commas, example = [], 0, ""
        for row in table[1:]:
            text = row[c].strip(" ")
            value = cell_number(text)
            if value is not None:
                numbers.append((text, value))
            elif decimal_comma(text):
                commas += 1
                example = example or text
        values = [v for _, v in numbers]
        far_off = None
        if len(values) >= 5:
            centre = median(values)
            spread = max(median([abs(v - centre) for v in values]), 0.5 * abs(centre), 1.0)
            far_off = (centre, spread)
        suspects = {}
        for text, value in numbers:
            code = missing_code_like(value)
            far = not code and far_off is not None and abs(value - far_off[0]) > 10.0 * far_off[1]
            if code or far:
                suspects.setdefault(text, [code, 0])[1] += 1
        for text, (code, cells) in suspects.items():
            how = ("which looks like a missing-data code; " if code
                   else "far outside the other values of the column; ")
            findings.append("Warning: column \"%s\" holds %s in %s, %s%s"
                            % (title, text, counted(cells, "cell", "cells"), how,
                               MISSING_BOX_ADVICE))
        if commas:
            findings.append("Warning: column \"%s\" holds numbers written with a decimal comma "
                            "(%s, such as \"%s\"), which cannot be read as numbers; convert them "
                            "with \"%s\" in the menu of the data window's table (right mouse "
                            "button)." % (title, counted(commas, "cell", "cells"), example,
                                          comma_item))
    return findings


def conversion_findings(conversions, comma_item):
    """Warnings on the codes turned into "missing": (code, replacement,
    column title, cells) in the order made."""
    groups = {}
    for code, replacement, title, cells in conversions:
        if replacement != MISSING or code == MISSING or cells <= 0:
            continue
        comma = decimal_comma(code)
        group = groups.setdefault((comma, title if comma else code), [code, 0])
        group[1] += cells
    findings = []
    for (comma, key), (example, cells) in groups.items():
        if comma:
            findings.append("Warning: column \"%s\" held numbers written with a decimal comma "
                            "(%s, such as \"%s\"), which were turned into \"missing\"; convert "
                            "them with \"%s\" in the menu of the data window's table (right mouse "
                            "button)." % (key, counted(cells, "cell", "cells"), example,
                                          comma_item))
        else:
            findings.append("Warning: the code \"%s\" was turned into \"missing\" in %s."
                            % (key, counted(cells, "cell", "cells")))
    return findings


def mark_missing(grid, code, conversions):
    """The missing-data box's "apply", with the cells marked per column."""
    for c in range(len(grid[0]) if grid else 0):
        cells = 0
        for row in grid[1:]:
            if row[c] == code:
                row[c] = MISSING
                cells += 1
        if cells:
            conversions.append((code, MISSING, grid[0][c], cells))


def warn(findings):
    for line in findings:
        sys.stderr.write("run_reference.py: warning: %s\n" % line[len("Warning: "):])


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
        content = table_content(self.grid)
        if content != "data":
            raise UsageError(no_data_message(content, "piezometer table", path))
        self.proposals = self.vulboxen()
        self.edtMIS = "-9999"
        self.conversions = []
        if opts.get("--comma-to-point"):
            for row in self.grid:
                for c, cell in enumerate(row):
                    row[c] = cell.replace(",", ".")
        if "--missing" in opts:
            self.edtMIS = opts["--missing"]
            mark_missing(self.grid, self.edtMIS, self.conversions)
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
        self.failed = False
        self.findings = []
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
        self.log.write("".join(line + "\r\n" for line in text.split("\n")).encode("utf-8"))
        self.log.flush()

    @staticmethod
    def message(text):
        sys.stdout.write(text + "\n")
        sys.stdout.flush()

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

    def check_table(self):
        """The warnings on the table just taken over, for its log block."""
        w = self.window
        columns = [(self.roles[option], self.title_of(self.roles[option]))
                   for option in ("--mhw", "--sdmhw", "--msw", "--sdmsw", "--mlw", "--sdmlw")]
        columns += [(c, self.title_of(c)) for c in self.date_columns]
        self.findings = column_findings(self.table, columns, PIEZOMETER_COMMA_ITEM)
        self.findings += conversion_findings(w.conversions, PIEZOMETER_COMMA_ITEM)
        warn(self.findings)

    def title_of(self, c):
        return self.titles[c] if 0 <= c < len(self.titles) else ""

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
        self.titles = []
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
            self.titles = list(self.table[0])
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
        for line in self.findings:
            self.ADDLOG(line)
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
        self.run_dates = []
        prepared = skipped = fitted = 0
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
                        self.check_job_cells(kind, tag, marked, kept)
                        for date in (d1, d2):
                            if date not in self.run_dates:
                                self.run_dates.append(date)
                        if (2 if d1 == d2 else 3) < N:
                            fitted += self.run_job(name, tag == "gew")
                            self.ADDLOG("Regression on <" + name
                                        + "> done and results written to <*.out>.")
                        else:
                            skipped += 1
                            self.ADDLOG("No regression on " + name + " (too few data points).")
        self.tab_one_selection()
        self.ADDLOG("%d regressions were prepared (inputfiles)." % prepared)
        self.ADDLOG("Of these,  %d regressions were not performed." % skipped)
        if fitted == 0:
            if K == 0:
                why = "the piezometer table has no MHW, MSW or MLW column."
            elif n == 0:
                why = "no column with measurement data was chosen."
            else:
                why = ("the one regression" if prepared == 1 else "all %d regressions" % prepared) \
                    + " had too few data points or did not converge."
            self.fail("No regression was fitted: " + why)

    def fail(self, message):
        """An error the program shows in a message box and logs; the work goes
        on, but the tool ends with exit status 1."""
        self.ADDLOG("Error: " + message)
        sys.stderr.write("run_reference.py: %s\n" % message)
        self.failed = True

    def check_job_cells(self, kind, tag, marked, kept):
        """The job's cells in the order of its file: the first that is no
        number ends the run, naming the table's line and column."""
        table = self.table
        mxw = -1
        for c, title in enumerate(table[0]):
            if title == kind:
                mxw = c
        sd = -1
        if tag == "gew":
            for k in KINDS:
                if self.roles["--" + k.lower()] == mxw:
                    sd = self.roles["--sd" + k.lower()]
                    break
        for r in kept:
            row = table[r]
            for c in [c for c in marked if c != mxw] + [c for c in (mxw, sd) if c >= 0]:
                if cell_number(row[c]) is None:
                    text = row[c].strip(" ")
                    shown = text if len(text) <= 64 else text[:64] + "..."
                    reason = "\"%s\" is not a number" % shown
                    if text == "":
                        reason += " (an empty cell)"
                    elif decimal_comma(text):
                        reason += " (decimal comma? use '%s')" % PIEZOMETER_COMMA_ITEM
                    message = "Invalid numeric input in %s, line %d, column \"%s\": %s" % (
                        os.path.basename(self.window.path), r + 1, self.title_of(c), reason)
                    self.ADDLOG("Error: " + message)
                    raise ProgramError(message)

    @staticmethod
    def run_job(name, weighted):
        """1 when the job was fitted, 0 when its fit could not be done."""
        try:
            dregmult.run_job(name, True, weighted)
        except dregmult.JobError as err:
            message = str(err)
            # Input/output errors end the run; a fit that cannot be done
            # leaves no result file and the run goes on.
            if message.startswith("invalid numeric input") or message.startswith("cannot "):
                raise ProgramError(name + ": " + message)
            return 0
        return 1

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


# ------------------------------------------------------------ field window

FIELD_ROLES = ("--date1", "--date2", "--date3", "--meas1", "--meas2", "--meas3", "--field-strata")
FIELD_ROLE_NAMES = ("Date1", "Date2", "Date3", "Meas1", "Meas2", "Meas3", "Stratum")
FIELD_NOT_FOUND = ("Date1", "Date2", "Date3", "Meas1", "Meas2", "Meas3", "STRATA")
FIELD_PROPOSALS = (("date1", "--date1"), ("date2", "--date2"), ("date3", "--date3"),
                   ("meas1", "--meas1"), ("meas2", "--meas2"), ("meas3", "--meas3"))
SETTABLE_FIELD_ROLES = ("--date1", "--date2", "--meas1", "--meas2", "--field-strata")


def is_number(text):
    return censored_reference.number_of(text) is not None


def value_of(text):
    value = censored_reference.number_of(text)
    return float("nan") if value is None else value


def single_blanks(text):
    while "  " in text:
        text = text.replace("  ", " ")
    return text


class FieldWindow(DataWindow):
    """The field measurement window after the scripted user's choices, up to
    and including the conversion of every found code."""

    def __init__(self, path, opts, strata_enabled):
        self.path = path
        try:
            with open(path, "rb") as f:
                text = decode_input(f.read())
        except OSError as err:
            raise UsageError("cannot read %s: %s" % (path, err.strerror))
        lines = split_lines(text)
        first = lines[0] if lines else ""
        self.candidates = self.bepaalsep(first)
        self.sep = self.choose_separator(opts.get("--field-sep"))
        self.multiple = bool(opts.get("--field-multiple"))
        self.grid = self.vulgrid(lines)
        content = table_content(self.grid)
        if content != "data":
            raise UsageError(no_data_message(content, "field table", path))
        self.boxes = self.field_proposals()
        self.edtMIS = "-9999"
        self.conversions = []
        if opts.get("--field-comma-to-point"):
            for row in self.grid:
                for c, cell in enumerate(row):
                    row[c] = cell.replace(",", ".")
        if "--field-missing" in opts:
            self.edtMIS = opts["--field-missing"]
            mark_missing(self.grid, self.edtMIS, self.conversions)
            self.edtMIS = ""
        titles = self.grid[0]
        for option in SETTABLE_FIELD_ROLES:
            if option not in opts:
                continue
            if option == "--field-strata" and not strata_enabled:
                raise UsageError("the strata box of the field window is disabled "
                                 "after a run without strata")
            value = opts[option]
            if value != "" and value not in titles:
                raise UsageError("the field table has no column titled \"%s\" (%s)"
                                 % (value, option))
            self.boxes[option] = value
        self.ok()
        self.ml_switched_on = False
        self.convert_codes(opts.get("--code", []))

    def field_proposals(self):
        boxes = {option: "" for option in FIELD_ROLES}
        for t in reversed(self.grid[0]):
            u = ascii_lower(t)
            for key, option in FIELD_PROPOSALS:
                if key in u:
                    boxes[option] = t
            if "area" in u or "stratum" in u or "strata" in u:
                boxes["--field-strata"] = t
        return boxes

    def field_column(self, option):
        text = self.boxes[option]
        if option == "--field-strata" and text == "":
            return -1
        found = -1
        for c, title in enumerate(self.grid[0]):
            if title == text:
                found = c
        return found

    def measurement_columns(self):
        return [c for c in (self.field_column("--meas1"), self.field_column("--meas2")) if c >= 0]

    def propose(self, code):
        bare = code.replace(">", "").replace(" ", "")
        if not is_number(bare):
            return "missing", False
        bare = ">" + bare
        appended = not any(bare in entry for entry in self.replacements)
        if appended:
            self.replacements.append(bare)
        return bare, appended

    def ok(self):
        self.found = []
        for row in self.grid[1:]:
            for c in self.measurement_columns():
                if not is_number(row[c]) and row[c] not in self.found:
                    self.found.append(row[c])
        self.found_text = self.found[0] if self.found else ""
        self.codes_found = bool(self.found)
        self.replacements = [MISSING]
        self.new_text = ""
        for i, code in enumerate(self.found):
            proposal, appended = self.propose(code)
            if proposal == MISSING:
                self.new_text = MISSING
            elif appended and i == 0:
                self.new_text = proposal

    def convert_codes(self, code_options):
        given = {}
        for item in code_options:
            code, equals, replacement = item.rpartition("=")
            if not equals:
                raise UsageError("--code needs CODE=REPLACEMENT, not \"%s\"" % item)
            if code not in self.found:
                raise UsageError("the field window found no code \"%s\"" % code)
            given[code] = replacement
        while self.found:
            code = self.found_text
            self.new_text = given.get(code, self.new_text)
            columns = []
            for c in self.measurement_columns():
                if c not in columns:
                    columns.append(c)
            for c in columns:
                cells = 0
                for row in self.grid[1:]:
                    if row[c] == code:
                        row[c] = self.new_text
                        cells += 1
                if cells:
                    self.conversions.append((code, self.new_text, self.grid[0][c], cells))
            if ">" in self.new_text:
                self.ml_switched_on = True
            for i in range(len(self.found) - 1, -1, -1):
                if self.found[i] == code:
                    del self.found[i]
                    break
            if not self.found:
                self.found_text = ""
                break
            self.found_text = self.found[0]
            self.new_text, _ = self.propose(self.found_text)

    def ready(self):
        csv = ["".join(cell.replace(";", ",").replace("\r\n", " ").replace("\r", " ")
                       .replace("\n", " ") + ";" for cell in row) for row in self.grid]
        self.roles = {option: self.field_column(option) for option in FIELD_ROLES}
        txt = []
        for option, name in zip(FIELD_ROLES, FIELD_NOT_FOUND):
            c = self.roles[option]
            txt.append("%d %s" % (c, self.grid[0][c]) if c >= 0 else "-1 no %s found" % name)
        return csv, txt


# --------------------------------------------------------------- prediction


def tab_two_items(predict_text, gxg_items):
    items = [predict_text] if "+" in predict_text else []
    return items + list(gxg_items)


class ResultFile:
    """What the line search would find in one result file, read once."""

    def __init__(self, name):
        with open(name, "rb") as f:
            self.lines = split_lines(decode_input(f.read()))

    def skip_until_line(self, key):
        for i, line in enumerate(self.lines):
            if key in line:
                return i, line, True
        return len(self.lines) - 1, (self.lines[-1] if self.lines else ""), False


def columns(line, first, last):
    return line[first - 1:last]


def bare_value(text):
    return value_of(text.replace(" ", ""))


class Prediction:
    """The third tab of the main window, from "Select" to the prediction file."""

    def __init__(self, main_window, field_window, opts):
        self.main = main_window
        self.window = field_window
        self.opts = opts
        self.results = {}

    # -- tab 2 and the loading of the field table

    def tab_two(self):
        m = self.main
        self.kind_items = tab_two_items(m.cmbbxPREDICT.text, m.cmbbxGxG.items)
        self.kinds_text = self.kind_items[0] if self.kind_items else ""
        self.strata_apart_enabled = m.cmbbxSTRATAyesno.text == ALL_STRATA
        self.strata_apart = self.strata_apart_enabled
        self.output = ""
        self.ml_enabled = False
        self.ml = False

    def attach(self):
        csv, txt = self.window.ready()
        if self.window.ml_switched_on:
            self.ml_enabled = True
            self.ml = True
        write_text("temp.csv", csv)
        write_text("temp.txt", txt)
        self.leestemp_metingen()
        self.output = self.main.label + " Predict.csv"
        w = self.window
        columns = []
        for option, name in (("--meas1", "Meas1"), ("--meas2", "Meas2")):
            c = self.role(name)
            columns.append((c, w.boxes[option] or (self.table[0][c] if c >= 0 else "")))
        self.findings = column_findings(self.table, columns, FIELD_COMMA_ITEM)
        self.findings += conversion_findings(w.conversions, FIELD_COMMA_ITEM)
        warn(self.findings)

    def leestemp_metingen(self):
        self.roles = [-1] * 7
        with open("temp.csv", "rb") as f:
            csv = split_lines(f.read().decode("utf-8"))
        with open("temp.txt", "rb") as f:
            txt = split_lines(f.read().decode("utf-8"))
        first = csv[0] if csv else ""
        C = leading_fields(first, ";")
        R = 1 + max(1, len(csv) - 1)
        table = []
        for r in range(R):
            line = csv[r] if r < len(csv) else ""
            row = [leesveld(c + 1, line, ";") for c in range(C)]
            table.append(row if r == 0 else [pad15(cell) for cell in row])
        self.roles = [int(txt[i].split(" ", 1)[0]) for i in range(7)]
        os.remove("temp.csv")
        os.remove("temp.txt")
        for c, name in zip(self.roles, FIELD_ROLE_NAMES):
            if c != -1:
                table[0][c] = name
        self.table = table

    def settings(self):
        opts = self.opts
        if "--output" in opts:
            self.output = opts["--output"]
        self.delimiter = {";": ";", ",": ",", "tab": "\t"}[opts.get("--delimiter", ";")]
        if "--predict" in opts:
            self.kinds_text = opts["--predict"]

    def ok(self):
        entries = []
        for row in self.table[1:]:
            for dc, mc in self.pairs():
                measurement = self.cell(row, mc)
                if ">" in measurement:
                    entry = self.cell(row, dc) + "&" + measurement
                    if entry not in entries:
                        entries.append(entry)

        def date_key(entry):
            date = entry.split("&", 1)[0]
            return sum(ord(ch) * 1000 ** i for i, ch in enumerate(date))

        def cutoff(entry):
            text = entry.split("&", 1)[1]
            text = text[text.find(">") + 1:].replace(" ", "")
            value = censored_reference.number_of(text)
            return int(value) if value is not None and math.isfinite(value) else 0

        self.censored = sorted(entries, key=lambda e: (-date_key(e), cutoff(e)))

    def optional(self):
        if self.opts.get("--pooled") and self.strata_apart_enabled:
            self.strata_apart = False
        if self.opts.get("--no-ml") and self.ml_enabled:
            self.ml = False

    # -- helpers

    def role(self, name):
        return self.roles[FIELD_ROLE_NAMES.index(name)]

    def pairs(self):
        return ((self.role("Date1"), self.role("Meas1")), (self.role("Date2"), self.role("Meas2")))

    @staticmethod
    def cell(row, c):
        return row[c] if c >= 0 else ""

    def result(self, name):
        if name not in self.results:
            self.results[name] = ResultFile(name) if os.path.isfile(name) else None
        return self.results[name]

    # -- "Start Prediction"

    def start(self):
        m = self.main
        K = self.kinds_text
        if "+" not in K:
            kinds = [K]
            blocks = [K]
        else:
            text = (K if K.endswith("+") else K + "+").replace(" ", "")
            kinds = text.split("+")[:-1]
            blocks = list(KINDS)
        base = len(self.table[0])
        appended = ["varMeas1", "varMeas2"]
        for kind in blocks:
            appended += [kind, "sd" + kind, "2p/n " + kind, "x0'.(X'WX)^-1 .x0 " + kind]
        self.table[0] += appended
        for row in self.table[1:]:
            row += [MISSING] * len(appended)
        self.var_columns = (base, base + 1)
        self.kind_column = {kind: base + 2 + 4 * i for i, kind in enumerate(blocks)}

        self.report(K)
        self.check_dates()
        if self.ml:
            for entry in self.censored:
                self.estimate(entry)
        self.bewaren()
        m.ADDLOG()
        m.ADDLOG("****** " + m.label + " PREDICTION MxW MEASUREMENTS ******")
        predicted = 0
        for row in self.table[1:]:
            for kind in kinds:
                predicted += self.predict(row, kind)
        self.bewaren()
        if predicted:
            m.message("Results stored in " + self.output + "\nLogfile: " + m.log_name
                      + "\n\nProgram ready. You can close this window.")
        else:
            m.fail("No MxW was predicted at any location.")
        m.ADDLOG("MxW predictions written to: " + self.output)

    def check_dates(self):
        """Field dates on which no regression of the run lies: each with the
        locations that cannot use a model on it."""
        run_dates = self.main.run_dates
        if not run_dates:
            return
        unknown = {}
        for row in self.table[1:]:
            counted_here = []
            for c in (self.role("Date1"), self.role("Date2")):
                date = row[c].strip(" ") if c >= 0 else ""
                if date == "" or date.replace(" ", "") in run_dates or date in counted_here:
                    continue
                counted_here.append(date)
                unknown[date] = unknown.get(date, 0) + 1
        findings = ["Warning: the field date \"%s\" is not a date title of the regression run "
                    "(%s); %s cannot use a model on that date."
                    % (date, ", ".join(run_dates), counted(n, "location", "locations"))
                    for date, n in unknown.items()]
        for line in findings:
            self.main.ADDLOG(line)
        warn(findings)

    def report(self, K):
        m, w = self.main, self.window
        m.ADDLOG()
        m.ADDLOG("****** " + m.label + " READ DATA FIELD MEASUREMENTS ******")
        m.ADDLOG("Used file         : " + w.path)
        if w.edtMIS == "":
            m.ADDLOG(BLANKS20 + "Interactively marked missing data in this file.")
        for name, option in (("Date1", "--date1"), ("Meas1", "--meas1"), ("Date2", "--date2"),
                             ("Meas2", "--meas2"), ("Date3", "--date3"), ("Meas3", "--meas3")):
            if w.roles[option] != -1:
                m.ADDLOG(BLANKS20 + "Title column " + name + ": " + w.boxes[option])
        if w.boxes["--field-strata"] != "":
            m.ADDLOG(BLANKS20 + "Title column strata: " + w.boxes["--field-strata"])
        else:
            m.ADDLOG(BLANKS20 + "No column with strata given.")
        if w.codes_found:
            m.ADDLOG(BLANKS20 + "Non-numerical values replaced by \">\" or \"missing\"")
        else:
            m.ADDLOG(BLANKS20 + "No non-numerical values found")
        for line in self.findings:
            m.ADDLOG(line)
        m.ADDLOG("Result file   : " + self.output)
        m.ADDLOG("MxW to predict: " + K)
        if self.strata_apart:
            m.ADDLOG(BLANKS20 + "Use separate regressions for all strata.")
        else:
            m.ADDLOG(BLANKS20 + "Use the same regressions for all strata.")
        if self.ml:
            m.ADDLOG(BLANKS20 + "Maximum-likelihood estimates for \">\" measurements.")
            for entry in self.censored:
                m.ADDLOG(BLANKS20 + entry)
        else:
            m.ADDLOG(BLANKS20 + "No maximum-likelihood estimates for \">\" measurements.")

    def estimate(self, entry):
        m = self.main
        D, _, M = entry.partition("&")
        lines = []
        for row in self.table[1:]:
            for dc, mc in self.pairs():
                if self.cell(row, dc) == D:
                    measurement = self.cell(row, mc)
                    lines.append((M if ">" in measurement else measurement).replace(" ", ""))
        write_text("invoer_censored.txt", lines)
        with open("invoer_censored.txt", "rb") as f:
            read = censored_reference.split_lines(censored_reference.decode_text(f.read()))
        try:
            result = censored_reference.estimate_censored(read, "invoer_censored.txt", m.message)
        except censored_reference.NoEstimate:
            text = single_blanks(M + " at date <" + D + "> not replaced: "
                                 "no maximum-likelihood estimate possible.")
            m.message(text)
            m.ADDLOG(BLANKS20 + text)
            return
        write_text("uitvoer_censored.txt", censored_reference.report_lines(result))
        E = censored_reference.fmt_w(result.value, 15, 2)
        V = censored_reference.fmt_w(result.variance, 15, 3)
        for row in self.table[1:]:
            for (dc, mc), vc in zip(self.pairs(), self.var_columns):
                if mc < 0 or self.cell(row, dc) != D:
                    continue
                if M in row[mc]:
                    row[mc] = E
                    row[vc] = V
                elif row[vc].strip() == MISSING and is_number(row[mc].replace(" ", "")):
                    # A value replaced for an earlier cut-off of the same date
                    # keeps its variance; "missing" stays missing.
                    row[vc] = "0"
        m.ADDLOG(BLANKS20 + single_blanks(M + " at date <" + D + "> replaced by " + E
                                          + " with variance " + V))

    def model_stats(self, name, p, ms_complete):
        res = self.result(name) if name else None
        if res is None:
            return dict(n=-9999.0, MS=-9999.0, p=-9999.0, SS=-9999.0, Cp=-9999.0)
        _, line, _ = res.skip_until_line("Number of observations")
        n = bare_value(columns(line, 43, 47))
        _, line, _ = res.skip_until_line("Residual error")
        s = bare_value(columns(line, 43, 52))
        MS = s * s
        if ms_complete is None:
            ms_complete = MS
        SS = (n - p) * MS
        Cp = censored_reference.div(SS, ms_complete) - n + 2.0 * p
        return dict(n=n, MS=MS, p=p, SS=SS, Cp=Cp)

    def predict(self, row, kind):
        m = self.main
        D1, M1 = self.cell(row, self.role("Date1")), self.cell(row, self.role("Meas1"))
        D2, M2 = self.cell(row, self.role("Date2")), self.cell(row, self.role("Meas2"))
        d1, m1, d2, m2 = (t.replace(" ", "") for t in (D1, M1, D2, M2))
        sc = self.role("Stratum")
        S = "nostrata" if sc == -1 or not self.strata_apart else row[sc]
        W = m.tag(kind)

        def name(a, b):
            return S + "-" + a + "-" + b + "-" + kind + "-" + W + ".out"

        forward, backward = name(d1, d2), name(d2, d1)
        note = ""
        if self.result(forward) is not None:
            complete = forward
            if self.result(backward) is not None:
                note = backward + "\n2 complete models found (?)"
        elif self.result(backward) is not None:
            complete = backward
        else:
            complete = None
            note = backward + " (complete model): not found\n"
        single1, single2 = name(d1, d1), name(d2, d2)
        c = self.model_stats(complete, 3.0, None)
        s1 = self.model_stats(single1, 2.0, c["MS"])
        s2 = self.model_stats(single2, 2.0, c["MS"])

        present1 = is_number(m1) and self.result(single1) is not None
        present2 = is_number(m2) and self.result(single2) is not None
        presentc = present1 and present2
        cand = [st["p"] + 3.0 > st["Cp"] for st in (c, s1, s2)]
        sel1 = present1 and cand[1]
        sel2 = present2 and cand[2]
        selc = presentc and cand[0] and not sel1 and not sel2

        if complete is None:
            selected = single2 if present2 else (single1 if present1 else None)
        elif sel1 and sel2:
            selected = single2 if s1["SS"] >= s2["SS"] else single1
        elif sel1:
            selected = single1
        elif sel2:
            selected = single2
        elif selc:
            selected = complete
        else:
            selected = None

        def tf(flag):
            return "true" if flag else "false"

        def block(label, model_name, st, present, candidate, selectable):
            return ("MODEL " + label + " " + model_name + ":  \n Cp=" + fmt(st["Cp"], 5, 2)
                    + "; SSres=" + fmt(st["SS"], 10, 2) + "\n Measurements present="
                    + tf(present) + " Candidate model=" + tf(candidate)
                    + " Selected model=" + tf(selectable))

        text = single_blanks("datapoint: " + D1 + "/" + M1 + " en " + D2 + "/" + M2 + "\n" + note)
        text += block("1", forward, c, presentc, cand[0], selc) + "\n"
        text += block("2", single1, s1, present1, cand[1], sel1) + "\n"
        text += block("3", single2, s2, present2, cand[2], sel2)
        text += "\nMODEL " + (selected or "none") + " selected.\n\n"
        m.ADDLOG(text)

        if selected is None or self.result(selected) is None:
            return 0
        return self.evaluate(row, kind, self.result(selected), selected, d1, d2, m1, m2)

    def evaluate(self, row, kind, res, selected, d1, d2, m1, m2):
        def coefficient(key):
            _, line, found = res.skip_until_line(key)
            return bare_value(columns(line, 6, 22)) if found else None

        two_dates = (d1 + "-" + d2) in selected or (d2 + "-" + d1) in selected
        b = [coefficient("   b0"), coefficient("   b1"), coefficient("   b2") if two_dates else None]

        def contains(key, date):
            _, line, _ = res.skip_until_line(key)
            return date != "" and date in line

        x1 = value_of(m1) if contains("x1    ", d1) else value_of(m2)
        x2 = 0.0
        if two_dates:
            x2 = value_of(m2) if contains("x2  ", d2) else value_of(m1)
        regressors = [1.0, x1, x2]
        used = [i for i in range(3) if b[i] is not None]
        H = len(used)
        y0 = 0.0
        for k, i in enumerate(used):
            y0 = b[i] if k == 0 and i == 0 else y0 + b[i] * regressors[i]
        _, line, _ = res.skip_until_line("Number of observations")
        n = int(columns(line, 43, 47).replace(" ", "") or "0")
        _, line, _ = res.skip_until_line("Residual error")
        s = bare_value(columns(line, 43, 52))
        MS = s * s
        at, _, _ = res.skip_until_line("Variance-Covariance ")
        V = []
        for r in range(H):
            index = at + 3 + r
            tokens = res.lines[index].split() if index < len(res.lines) else []
            V.append([float(t) for t in tokens[:H]])
        x0 = [regressors[i] for i in used]
        q = 0.0
        for i in range(H):
            t = 0.0
            for j in range(H):
                t = t + V[i][j] * x0[j]
            q = q + t * x0[i]
        sd = math.sqrt(MS + q) if MS + q >= 0 else float("nan")
        leverage = censored_reference.div(q, MS)
        threshold = censored_reference.div(2.0 * H, n)
        base = self.kind_column[kind]
        for offset, value in enumerate((y0, sd, threshold, leverage)):
            if math.isfinite(value):
                row[base + offset] = fmt(value, 10, 3)
        return 1 if math.isfinite(y0) else 0

    def bewaren(self):
        with open(self.output, "wb") as f:
            for row in self.table:
                line = "".join(cell.replace(" ", "") + self.delimiter for cell in row)
                f.write((line + "\r\n").encode("utf-8"))


def fmt(value, width, decimals):
    return censored_reference.fmt_w(value, width, decimals)



# --------------------------------------------------------------------- main


def prepare(opts):
    """Everything a bad option can be found in, without touching a file."""
    path = os.path.abspath(opts["--piezometers"])
    if not os.path.isfile(path):
        raise UsageError("no such file: " + path)
    window = DataWindow(path, opts)
    return window


def prepare_field(opts, dry):
    """The field window and the tab-2 settings checked on the scratch main
    window, before anything is written."""
    path = opts["--field"]
    if not os.path.isfile(path):
        raise UsageError("no such file: " + path)
    gxg = dry.cmbbxPREDICT.text.split("+")
    items = tab_two_items(dry.cmbbxPREDICT.text, gxg)
    if "--predict" in opts and opts["--predict"] not in items:
        raise UsageError("the kinds to predict do not offer \"%s\"" % opts["--predict"])
    if opts.get("--delimiter", ";") not in (";", ",", "tab"):
        raise UsageError("the delimiter must be ; , or tab")
    return FieldWindow(path, opts, dry.cmbbxSTRATAyesno.text != NO_STRATA)


def main(argv):
    try:
        opts = parse_options(argv)
        for name in ("--piezometers", "--field"):
            # Input paths are taken before the tool changes directory.
            if name in opts:
                opts[name] = os.path.abspath(opts[name])
        if "--workdir" in opts:
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
        field_window = prepare_field(opts, dry) if "--field" in opts else None
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
        main_window.check_table()
        apply_settings(main_window, opts)
        main_window.run()
        if opts.get("--plots"):
            main_window.show_every_result()
        if field_window is not None:
            prediction = Prediction(main_window, field_window, opts)
            prediction.tab_two()
            prediction.attach()
            prediction.settings()
            prediction.ok()
            prediction.optional()
            prediction.start()
    except ProgramError as err:
        sys.stderr.write("run_reference.py: %s\n" % err)
        status = 1
    except OSError as err:
        sys.stderr.write("run_reference.py: %s\n" % err)
        status = 1
    main_window.FormClose()
    return 1 if main_window.failed else status


def apply_settings(main_window, opts):
    if "--kinds" in opts:
        main_window.set_kinds(opts["--kinds"])
    if opts.get("--strata-separately"):
        main_window.set_strata_separately()
    if opts.get("--weighted"):
        main_window.set_weighted()


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
