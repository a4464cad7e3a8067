#!/usr/bin/env python3
"""Second, independent implementation of the censored-measurement estimation.

    python3 censored_reference.py INPUT OUTPUT

Reads the measurements of one survey date (numbers, and censored values
written ">" followed by the depth), fits a normal distribution censored above
the cut-off by maximum likelihood and writes the report file OUTPUT. On
stdout: the estimate and its variance ("%.17g" each, one blank between); on
stderr: the estimation's messages, one per line. Exit status 0 when an
estimate was written, 1 when none is possible, 2 usage, 3 file errors.

Every value is an IEEE double and every sum runs in file order with the
operations in the order the program uses, so stdout and the report must agree
byte for byte with tarnovel-cli; a difference points at a fault in one of
them. The lambda table is derived from its definition rather than copied, so
that a wrong cell on either side shows up.

Python raises where IEEE arithmetic quietly yields inf or NaN; the helpers
below give the IEEE results instead, and the estimation refuses any
non-finite intermediate.
"""

import functools
import math
import os
import re
import sys
import tempfile
from decimal import ROUND_HALF_UP, Decimal, localcontext

PI = 3.141592653589793
NO_CUTOFF = 99999.0

NAN = float("nan")
INF = float("inf")

ROW_VALUES = [0.01, 0.02, 0.03, 0.04, 0.05, 0.06, 0.07, 0.08, 0.09, 0.10, 0.15,
              0.20, 0.25, 0.30, 0.35, 0.40, 0.45, 0.50, 0.60, 0.70, 0.80, 0.90]
COLUMN_VALUES = [k / 100.0 for k in range(86)] + [
    0.90, 0.95, 1.0, 1.5, 2.0, 2.5, 3.0, 3.5, 4.0, 5.0, 6.0, 7.0, 8.0, 10.0]

MSG_NOT_NUMERIC = "niet-numerieke tekens in "
MSG_CUTOFFS = "meerdere cut-off waarden in "
MSG_TOO_MANY = "Fout: meer waarnemingen ingelezen dan geteld!"
MSG_COUNTS = "Fout: waarnemingen ingelezen <> eerder geteld!"

PROGRAM = "censored_reference.py"


class NoEstimate(Exception):
    """The data admit no estimate: exit status 1."""


class FileError(Exception):
    """The input cannot be read or the report cannot be written: exit 3."""


# ---------------------------------------------------------------- IEEE helpers


def div(a, b):
    if b != 0.0:
        return a / b
    if a != a or a == 0.0:
        return NAN
    return math.copysign(INF, a) * math.copysign(1.0, b)


def fsqrt(x):
    if x != x or x < 0.0:
        return NAN
    return math.sqrt(x)


def fexp(x):
    try:
        return math.exp(x)
    except OverflowError:
        return INF


def isfinite(x):
    return not (math.isinf(x) or math.isnan(x))


# ------------------------------------------------------------ normal functions


def upper_tail(x):
    """1 - Phi(x), without the cancellation of 1 - Phi for large x."""
    return 0.5 * math.erfc(x / math.sqrt(2.0))


def density(x):
    return math.exp(-(x * x) / 2.0) / math.sqrt(2.0 * PI)


def truncated_moments(a):
    """Mean and variance of the standard normal beyond a: the Mills ratio
    r = phi(a) / (1 - Phi(a)) and v = 1 + a r - r r.

    From a = 2 on, both come from the continued fraction
    (1 - Phi(a)) / phi(a) = 1 / (a + 1 / (a + 2 / (a + 3 / (a + ...)))):
    the quotient of density and erfc loses some 1e-14 of r near a = 10 (the
    rounding of a / sqrt(2) is magnified a * a times in erfc) and underflows
    beyond a = 38, and 1 + a r - r r cancels all but 1 / (a a) of its
    magnitude. With t = r - a and u = 2 / (a + ...) the next tail, t (a + u)
    = 1 gives v = t (u - t) without cancellation. 200 terms are exact to the
    last bit from a = 2."""
    if a < 2.0:
        r = density(a) / upper_tail(a)
        return r, 1.0 + a * r - r * r
    tail = 0.0
    for k in range(200, 1, -1):
        tail = k / (a + tail)
    u = tail
    t = 1.0 / (a + u)
    return a + t, t * (u - t)


# ---------------------------------------------------------------- lambda table


def _factor_y(h, xi):
    return h / (1.0 - h) * density(xi) / upper_tail(xi)


def _alpha_of(h, xi):
    y = _factor_y(h, xi)
    t = y + xi
    return (1.0 - y * t) / (t * t)


def _first_true(pred, lo, hi):
    """Narrows [lo, hi] with pred(lo) false and pred(hi) true to adjacent
    doubles; returns hi."""
    while True:
        mid = lo + (hi - lo) / 2.0
        if mid <= lo or mid >= hi:
            return hi
        if pred(mid):
            hi = mid
        else:
            lo = mid


def _falling_root(f, lo, hi):
    """The point where f, positive at lo and not at hi, turns non-positive,
    narrowed to adjacent doubles; returns the upper one. Illinois steps,
    with a bisection whenever they fail to halve the bracket."""
    flo, fhi = f(lo), f(hi)
    side = 0
    slow = 0
    while True:
        mid = lo + (hi - lo) / 2.0
        if mid <= lo or mid >= hi:
            return hi
        width = hi - lo
        x = mid
        if slow < 2:
            x = hi - fhi * (hi - lo) / (fhi - flo)
            if not lo < x < hi:
                x = mid
        fx = f(x)
        if fx > 0.0:
            lo, flo = x, fx
            if side > 0:
                fhi /= 2.0
            side = 1
        else:
            hi, fhi = x, fx
            if side < 0:
                flo /= 2.0
            side = -1
        slow = slow + 1 if hi - lo > width / 2.0 else 0
        if slow > 2:
            slow = 0


def _start_of_range(h):
    """The xi where Y + xi passes through 0."""
    return _first_true(lambda x: _factor_y(h, x) + x > 0.0, -40.0, 0.0)


def exact_lambda(h, alpha, start=None):
    # Just above the start alpha is huge, and it falls monotonically through
    # every table column (all >= 0) before it turns, so the first point of a
    # doubling scan with alpha <= the target brackets the smallest root.
    if start is None:
        start = _start_of_range(h)
    step = 1e-3
    prev, cur = start, start + step
    while _alpha_of(h, cur) > alpha:
        prev = cur
        step *= 2.0
        cur = start + step
    xi = _falling_root(lambda x: _alpha_of(h, x) - alpha, prev, cur)
    y = _factor_y(h, xi)
    return y / (y + xi)


def round5(value):
    with localcontext() as ctx:
        ctx.prec = 100
        return float(Decimal(value).quantize(Decimal("0.00001"), rounding=ROUND_HALF_UP))


@functools.lru_cache(maxsize=None)
def build_lambda_table():
    # Cached only to spare repeated callers inside one process; the cells
    # do not depend on anything but their row and column values.
    rows = []
    for h in ROW_VALUES:
        start = _start_of_range(h)
        rows.append(tuple(round5(exact_lambda(h, a, start)) for a in COLUMN_VALUES))
    return tuple(rows)


def _bracket(values, v):
    lo = 0
    for i, x in enumerate(values):
        if x <= v:
            lo = i
    hi = len(values) - 1
    for i in range(len(values) - 1, -1, -1):
        if values[i] >= v:
            hi = i
    return lo, hi


def lambda_lookup(table, h, alpha):
    lo, hi = _bracket(ROW_VALUES, h)
    jlo, jhi = _bracket(COLUMN_VALUES, alpha)
    if lo != hi:
        span = ROW_VALUES[hi] - ROW_VALUES[lo]
        a = table[lo][jlo] + (h - ROW_VALUES[lo]) * (table[hi][jlo] - table[lo][jlo]) / span
        b = table[lo][jhi] + (h - ROW_VALUES[lo]) * (table[hi][jhi] - table[lo][jhi]) / span
    else:
        a = table[lo][jlo]
        b = table[lo][jhi]
    if jlo != jhi:
        span = COLUMN_VALUES[jhi] - COLUMN_VALUES[jlo]
        return a + (alpha - COLUMN_VALUES[jlo]) * (b - a) / span
    return a


# ------------------------------------------------------------------- formats


def _round_to(value, exponent):
    return value.quantize(Decimal(1).scaleb(exponent), rounding=ROUND_HALF_UP)


def _to_18_digits(value):
    if value == 0:
        return value
    return _round_to(value, value.adjusted() - 17)


def fmt_w(v, w, d):
    with localcontext() as ctx:
        ctx.prec = 400
        mag = Decimal(abs(v))
        if abs(v) >= 1e36:
            digits = max(2, min(18, w - 8))
            mag = _to_18_digits(mag)
            mag = _round_to(mag, mag.adjusted() - (digits - 1))
            exp = mag.adjusted()
            mantissa = format(_round_to(mag.scaleb(-exp), 1 - digits), "f")
            text = ("-" if v < 0 else " ") + mantissa + "E" + ("-" if exp < 0 else "+")
            text += "%04d" % abs(exp)
        else:
            mag = _round_to(_to_18_digits(mag), -d)
            text = ("-" if v < 0 else "") + format(mag, "f")
    return text.rjust(w)


# ----------------------------------------------------------------- input text

_NUMBER = re.compile(r" *[+-]?[0-9]+(\.[0-9]*)?([eE][+-]?[0-9]+)?")


def _cp1252_table():
    table = []
    for byte in range(256):
        try:
            table.append(bytes([byte]).decode("cp1252"))
        except UnicodeDecodeError:
            table.append(chr(byte))
    return table


_CP1252 = _cp1252_table()


def decode_text(data):
    if data.startswith(b"\xef\xbb\xbf"):
        data = data[3:]
    try:
        return data.decode("utf-8")
    except UnicodeDecodeError:
        return "".join(_CP1252[byte] for byte in data)


def split_lines(text):
    lines = re.split(r"\r\n|\r|\n", text)
    if lines and lines[-1] == "":
        lines.pop()
    return lines


def number_of(text):
    """The value of text when it passes the number test, else None."""
    if _NUMBER.fullmatch(text):
        return float(text.lstrip(" "))
    return None


# ----------------------------------------------------------------- estimation


class Estimate:
    pass


def _grid_stalls(cutoff, step, upper):
    """True when adding step no longer moves x before it reaches upper: a
    step below half a unit in the last place of x, as when upper lies a few
    units above the cut-off or x crosses a power of two on the way."""
    x = cutoff
    while x < upper:
        following = x + step
        if following == x:
            return True
        x = following
    return False


def estimate_censored(lines, input_name, say):
    """The estimation over the lines of one input file; say(message) reports
    each message as it occurs. Raises NoEstimate when the data admit none."""
    table = build_lambda_table()
    cutoff = NO_CUTOFF
    cutoff_text = ""
    usable = 0
    censored = 0

    for line in lines:
        value = number_of(line)
        if value is not None or ">" in line:
            usable += 1
        if value is None and ">" in line:
            rest = line.replace(">", "").replace(" ", "")
            v = number_of(rest)
            if v is None:
                usable -= 1
                say(MSG_NOT_NUMERIC + rest + " in " + input_name)
            else:
                censored += 1
                if v > cutoff:
                    say(MSG_CUTOFFS + input_name)
                else:
                    cutoff = v
                    cutoff_text = line

    expected = usable - censored
    n = 0
    sx = 0.0
    sxx = 0.0
    for line in lines:
        x = number_of(line)
        if x is None:
            continue
        n += 1
        if n > expected:
            say(MSG_TOO_MANY)
        else:
            sx = sx + x
            sxx = sxx + x * x
    if expected != n:
        say(MSG_COUNTS)

    if n < 2:
        raise NoEstimate("fewer than two uncensored values")
    if censored == 0:
        raise NoEstimate("no censored value")

    m = div(sx, n)
    s = fsqrt(div(sxx - sx * sx / n, n - 1))
    if m == cutoff:
        raise NoEstimate("the mean of the uncensored values equals the cut-off")

    h = censored / usable
    alpha = div(s * s, (m - cutoff) * (m - cutoff))
    if not isfinite(s) or not isfinite(alpha):
        raise NoEstimate("the spread of the uncensored values is not a finite number")
    lam = lambda_lookup(table, h, alpha)

    sigma = fsqrt(s * s + (m - cutoff) * lam * (m - cutoff))
    mu = m - (m - cutoff) * lam
    if not isfinite(sigma) or not isfinite(mu):
        raise NoEstimate("the fitted distribution is not finite")

    upper = mu + 5.0 * sigma
    step = (upper - cutoff) / 100.0
    if upper <= cutoff or _grid_stalls(cutoff, step, upper):
        # Hardly any mass lies beyond the cut-off: the integration grid would
        # run backwards or stand still, so take the moments of the normal
        # beyond the cut-off exactly.
        a = div(cutoff - mu, sigma)
        r, v = truncated_moments(a)
        value = mu + sigma * r
        variance = sigma * sigma * v
        method = "exact moments"
    else:
        method = "integration"
        twopi_var = 2.0 * PI * sigma * sigma
        x = cutoff
        s0 = 0.0
        s1 = 0.0
        while True:
            x = x + step
            z = div(x - mu, sigma)
            f = div(fexp(-(z * z) / 2.0), fsqrt(twopi_var))
            s1 = s1 + f * x
            s0 = s0 + f
            if x >= upper:
                break
        value = div(s1, s0)
        x = cutoff
        s2 = 0.0
        while True:
            x = x + step
            z = div(x - mu, sigma)
            f = div(fexp(-(z * z) / 2.0), fsqrt(twopi_var))
            s2 = s2 + (x - value) * (x - value) * f
            if x >= upper:
                break
        variance = div(s2, s0)
    if not isfinite(value) or not isfinite(variance):
        raise NoEstimate("the estimate is not a finite number")

    result = Estimate()
    result.value = value
    result.variance = variance
    result.h = h
    result.alpha = alpha
    result.lam = lam
    result.cutoff = cutoff
    result.cutoff_text = cutoff_text
    result.mu = mu
    result.sigma = sigma
    result.upper = upper
    result.method = method
    return result


def report_lines(result):
    return [
        result.cutoff_text,
        "ML-schatting: " + fmt_w(result.value, 8, 3) + "; met variantie: "
        + fmt_w(result.variance, 10, 3),
        "c/N      : " + fmt_w(result.h, 5, 3) + "; alpha    : " + fmt_w(result.alpha, 5, 3)
        + "; lambda   : " + fmt_w(result.lam, 5, 3),
    ]


# ----------------------------------------------------------------------- files


def read_input(path):
    try:
        with open(path, "rb") as f:
            return decode_text(f.read())
    except OSError as err:
        raise FileError("cannot read %s: %s" % (path, err.strerror or err))


def write_atomically(path, data):
    folder = os.path.dirname(path) or "."
    try:
        fd, temp = tempfile.mkstemp(prefix=".censored-", suffix=".tmp", dir=folder)
    except OSError as err:
        raise FileError("cannot write %s: %s" % (path, err.strerror or err))
    try:
        with os.fdopen(fd, "wb") as f:
            f.write(data)
        os.replace(temp, path)
    except OSError as err:
        try:
            os.unlink(temp)
        except OSError:
            pass
        raise FileError("cannot write %s: %s" % (path, err.strerror or err))


def _utf8(text):
    return text.encode("utf-8", "surrogateescape")


def main(argv, out=None, err=None):
    out = out or sys.stdout.buffer
    err = err or sys.stderr.buffer

    def say(message):
        err.write(_utf8(message) + b"\n")
        err.flush()

    if len(argv) != 2:
        say("usage: %s INPUT OUTPUT" % PROGRAM)
        return 2
    input_name, output_name = argv
    try:
        lines = split_lines(read_input(input_name))
        result = estimate_censored(lines, input_name, say)
        data = b"".join(_utf8(line) + b"\r\n" for line in report_lines(result))
        write_atomically(output_name, data)
    except NoEstimate as e:
        say("%s: %s: no estimate: %s" % (PROGRAM, input_name, e))
        return 1
    except FileError as e:
        say("%s: %s" % (PROGRAM, e))
        return 3
    out.write(b"%s %s\n" % (_utf8("%.17g" % result.value), _utf8("%.17g" % result.variance)))
    out.flush()
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
