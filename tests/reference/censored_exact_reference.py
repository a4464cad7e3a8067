#!/usr/bin/env python3
"""Second, independent implementation of the exact maximum-likelihood
estimation of censored measurements.

    python3 censored_exact_reference.py INPUT OUTPUT

Reads the measurements of one survey date (numbers, and censored values
written ">" followed by the depth, each beyond its own depth), fits a normal
distribution by maximum likelihood and writes the four-line report OUTPUT
for the cut-off: the smallest depth up to 99999, named by the last line that
holds it. On stdout: the replacement of that cut-off and its variance
("%.17g" each). Exit status 0 when an estimate was written, 1 when none is
possible, 2 usage, 3 file errors.

The fit runs the EM algorithm (the program uses Newton's method): each
censored value is replaced by its conditional mean and second moment under
the current fit, and the mean and variance of the completed sample give the
next one, until they no longer move. The moments beyond a cut-off use
1 - Phi from erfc up to 10 standard deviations and, beyond, a continued
fraction in 60-digit decimal arithmetic. Standard library only.
"""

import math
import os
import re
import sys
import tempfile
from decimal import Decimal, localcontext

NO_CUTOFF = 99999.0
NUMBER = re.compile(r" *[+-]?[0-9]+(\.[0-9]*)?([eE][+-]?[0-9]+)?")
TAIL_FROM = 10.0
MAX_EM_STEPS = 1000000


class NoEstimate(Exception):
    """The data admit no estimate: exit status 1."""


# ------------------------------------------------------------------ reading


def split_lines(data):
    if data.startswith(b"\xef\xbb\xbf"):
        data = data[3:]
    try:
        text = data.decode("utf-8")
    except UnicodeDecodeError:
        text = data.decode("cp1252", "replace")
    lines = re.split("\r\n|\n|\r", text)
    if lines and lines[-1] == "":
        lines.pop()
    return lines


def read_sample(lines):
    """Uncensored values and (depth, line) of each censored value whose
    rest, without ">" and blanks, is a number."""
    values, censored = [], []
    for line in lines:
        if NUMBER.fullmatch(line):
            values.append(float(line))
        elif ">" in line:
            rest = line.replace(">", "").replace(" ", "")
            if NUMBER.fullmatch(rest):
                censored.append((float(rest), line))
    return values, censored


def cut_off(censored):
    value, text = NO_CUTOFF, ""
    for depth, line in censored:
        if depth <= value:
            value, text = depth, line
    return value, text


# ------------------------------------------------------------------ the normal tail


def tail(a):
    """r = phi(a) / (1 - Phi(a)) and the variance 1 + a r - r^2 of the
    standard normal beyond a."""
    if a < TAIL_FROM:
        upper = math.erfc(a / math.sqrt(2.0)) / 2
        r = math.exp(-a * a / 2) / math.sqrt(2 * math.pi) / upper
        return r, 1 + a * r - r * r
    # r = a + d, d = 1 / (a + 2 / (a + 3 / (a + ...))).
    with localcontext() as ctx:
        ctx.prec = 60
        x = Decimal(a)
        e = Decimal(0)
        for k in range(400, 1, -1):
            e = k / (x + e)
        d = 1 / (x + e)
        return float(x + d), float(1 - x * d - d * d)


# ------------------------------------------------------------------ the fit


def fit(values, depths):
    n = len(values)
    if n < 2:
        raise NoEstimate("fewer than two uncensored values")
    if not all(math.isfinite(v) for v in values + depths):
        raise NoEstimate("a value is not finite")
    mu = math.fsum(values) / n
    var = math.fsum((x - mu) ** 2 for x in values) / n
    if var == 0 and all(t <= mu for t in depths):
        # The likelihood grows without end as sigma goes to 0 at mu.
        raise NoEstimate("no finite maximum")
    if var == 0:
        var = max((t - mu) ** 2 for t in depths)
    total = n + len(depths)
    for _ in range(MAX_EM_STEPS):
        sigma = math.sqrt(var)
        means, spreads = [], []
        for t in depths:
            r, spread = tail((t - mu) / sigma)
            means.append(mu + sigma * r)
            spreads.append(var * spread)
        new_mu = math.fsum(values + means) / total
        new_var = (math.fsum((x - new_mu) ** 2 for x in values)
                   + math.fsum(s + (m - new_mu) ** 2 for m, s in zip(means, spreads))) / total
        moved = abs(new_mu - mu) + abs(math.sqrt(new_var) - sigma)
        mu, var = new_mu, new_var
        if moved <= 4e-15 * (abs(mu) + math.sqrt(var)):
            return mu, math.sqrt(var)
    raise NoEstimate("the EM steps did not settle")


class Estimate:
    pass


def estimate(lines):
    values, censored = read_sample(lines)
    if not censored:
        raise NoEstimate("no censored value")
    T, text = cut_off(censored)
    mu, sigma = fit(values, [depth for depth, _ in censored])
    r, spread = tail((T - mu) / sigma)
    result = Estimate()
    result.cutoff, result.text, result.mu, result.sigma = T, text, mu, sigma
    result.value = mu + sigma * r
    result.variance = sigma * sigma * spread
    result.h = len(censored) / (len(values) + len(censored))
    m = math.fsum(values) / len(values)
    s2 = math.fsum((x - m) ** 2 for x in values) / (len(values) - 1)
    result.alpha = s2 / (m - T) ** 2 if m != T else math.inf
    result.lambda_ = (m - mu) / (m - T) if m != T else -math.inf
    return result


# ------------------------------------------------------------------ the report


def fixed(v, w, d):
    """v with d decimals, rounded half away from zero, right-aligned in w."""
    if math.isinf(v):
        return ("+Inf" if v > 0 else "-Inf").rjust(w)
    q = Decimal(repr(v)).quantize(Decimal(1).scaleb(-d), rounding="ROUND_HALF_UP")
    text = format(q, "f")
    if v < 0 and not text.startswith("-"):
        text = "-" + text
    return text.rjust(w)


def report_lines(e):
    return [
        e.text,
        "ML-schatting: %s; met variantie: %s" % (fixed(e.value, 8, 3), fixed(e.variance, 10, 3)),
        "c/N      : %s; alpha    : %s; lambda   : %s"
        % (fixed(e.h, 5, 3), fixed(e.alpha, 5, 3), fixed(e.lambda_, 5, 3)),
        "method   : exact maximum likelihood; mu : %s; sigma : %s"
        % (fixed(e.mu, 8, 3), fixed(e.sigma, 8, 3)),
    ]


def main(argv, out=None, err=None):
    out = out or sys.stdout.buffer
    err = err or sys.stderr.buffer
    if len(argv) != 2:
        err.write(b"usage: censored_exact_reference.py INPUT OUTPUT\n")
        return 2
    input_name, output_name = argv
    try:
        with open(input_name, "rb") as f:
            lines = split_lines(f.read())
    except OSError as e:
        err.write(("%s: %s\n" % (input_name, e)).encode())
        return 3
    try:
        result = estimate(lines)
    except NoEstimate as e:
        err.write(("%s: no estimate: %s\n" % (input_name, e)).encode())
        return 1
    data = "".join(line + "\r\n" for line in report_lines(result)).encode("utf-8")
    try:
        folder = os.path.dirname(os.path.abspath(output_name))
        with tempfile.NamedTemporaryFile(dir=folder, delete=False) as f:
            f.write(data)
        os.replace(f.name, output_name)
    except OSError as e:
        err.write(("%s: %s\n" % (output_name, e)).encode())
        return 3
    out.write(b"%.17g %.17g\n" % (result.value, result.variance))
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
