#!/usr/bin/env python3
"""Second, independent implementation of the regression job.

    python3 dregmult.py [--weighted] [--no-constant] JOBFILE

Reads a job file, fits the last variable on the others and writes the result
file next to it, exactly as the engine does. Every stored value is an IEEE
double and every sum runs in the engine's order, so the two result files must
agree byte for byte; a difference points at a fault in one of them.

Python raises where IEEE arithmetic quietly yields inf or NaN (division by
zero, log(0), exp overflow). The helpers below restore the IEEE results so
that overflowing data behave as in the engine instead of ending in a
traceback.
"""

import math
import os
import re
import sys
import tempfile
from decimal import ROUND_HALF_UP, Decimal, localcontext

MACHINE_EPSILON = 2.220446049250313e-16
MAX_REAL = 1.797693134862315e308
MAX_GAMMA_ARG = 171.624376956302
MAX_LOG_GAMMA_ARG = 2.556348e305
MAX_EXP = 709.782712893384
MIN_EXP = -708.3964185322641
BIG = 9.223372036854776e18
BIG_INV = 1.0842021724855044e-19
FRACTION_TOL = 6.661338147750939e-16
LN_SQRT_2PI = 0.91893853320467274175
LN_PI = 1.1447298858494001741
SQRT_2PI = 2.5066282746310005025
ONE_MINUS_EPS = 1.0 - 2.0**-52

MAX_OBSERVATIONS = 8190
MAX_VARIABLES = 500

NAN = float("nan")
INF = float("inf")


class JobError(Exception):
    """The job ends without a result file."""


# ---------------------------------------------------------------- IEEE helpers


def div(a, b):
    if b != 0.0:
        return a / b
    if a != a or a == 0.0:
        return NAN
    return math.copysign(INF, a) * math.copysign(1.0, b)


def fsqrt(x):
    if x >= 0.0 or x != x:
        return math.sqrt(x)
    return NAN


def ln(x):
    if x > 0.0:
        return math.log(x)  # inf gives inf
    if x == 0.0:
        return -INF
    return NAN


def fexp(x):
    try:
        return math.exp(x)
    except OverflowError:
        return INF


def fsin(x):
    if math.isfinite(x):
        return math.sin(x)
    return NAN


def sign(x):
    return 1.0 if x >= 0.0 else -1.0


def isfinite(x):
    return x - x == 0.0


# ------------------------------------------------------------- linear algebra


def pythag(a, b):
    aa = abs(a)
    bb = abs(b)
    p = bb if bb > aa else aa
    q = bb if bb < aa else aa
    if p == 0.0:
        return 0.0
    r = div(q, p)
    return p * fsqrt(1.0 + r * r)


def svd_decompose(a, lb, m, nn, sv, v):
    """Golub-Reinsch: A (rows lb..m, columns lb..nn) = U diag(sv) V'.

    U overwrites A. A must hold at least nn + 1 rows even when m < nn: the
    left-hand accumulation writes the diagonal of rows beyond m.
    Returns 0, or -2 when a singular value does not converge in 30 passes.
    """
    e = [0.0] * (nn + 1)
    g = scale = anorm = 0.0
    s = 0.0
    l = lb
    for i in range(lb, nn + 1):
        l = i + 1
        e[i] = scale * g
        g = s = scale = 0.0
        if i <= m:
            for k in range(i, m + 1):
                scale += abs(a[k][i])
            if scale != 0.0:
                for k in range(i, m + 1):
                    a[k][i] = div(a[k][i], scale)
                for k in range(i, m + 1):
                    s += a[k][i] * a[k][i]
                f = a[i][i]
                g = -sign(f) * fsqrt(s)
                h = f * g - s
                a[i][i] = f - g
                for j in range(l, nn + 1):
                    s = 0.0
                    for k in range(i, m + 1):
                        s += a[k][i] * a[k][j]
                    f = div(s, h)
                    for k in range(i, m + 1):
                        a[k][j] += f * a[k][i]
                for k in range(i, m + 1):
                    a[k][i] *= scale
        sv[i] = scale * g
        g = s = scale = 0.0
        if i <= m and i != nn:
            row_i = a[i]
            for k in range(l, nn + 1):
                scale += abs(row_i[k])
            if scale != 0.0:
                for k in range(l, nn + 1):
                    row_i[k] = div(row_i[k], scale)
                for k in range(l, nn + 1):
                    s += row_i[k] * row_i[k]
                f = row_i[l]
                g = -sign(f) * fsqrt(s)
                h = f * g - s
                row_i[l] = f - g
                for k in range(l, nn + 1):
                    e[k] = div(row_i[k], h)
                for j in range(l, m + 1):
                    row_j = a[j]
                    s = 0.0
                    for k in range(l, nn + 1):
                        s += row_j[k] * row_i[k]
                    for k in range(l, nn + 1):
                        row_j[k] += s * e[k]
                for k in range(l, nn + 1):
                    row_i[k] *= scale
        t = abs(sv[i]) + abs(e[i])
        if t > anorm:
            anorm = t

    for i in range(nn, lb - 1, -1):
        if i < nn:
            if g != 0.0:
                for j in range(l, nn + 1):
                    v[j][i] = div(div(a[i][j], a[i][l]), g)
                for j in range(l, nn + 1):
                    s = 0.0
                    for k in range(l, nn + 1):
                        s += a[i][k] * v[k][j]
                    for k in range(l, nn + 1):
                        v[k][j] += s * v[k][i]
            for j in range(l, nn + 1):
                v[i][j] = 0.0
                v[j][i] = 0.0
        v[i][i] = 1.0
        g = e[i]
        l = i

    for i in range(nn, lb - 1, -1):
        l = i + 1
        g = sv[i]
        for j in range(l, nn + 1):
            a[i][j] = 0.0
        if g != 0.0:
            g = div(1.0, g)
            for j in range(l, nn + 1):
                s = 0.0
                for k in range(l, m + 1):
                    s += a[k][i] * a[k][j]
                f = div(s, a[i][i]) * g
                for k in range(i, m + 1):
                    a[k][j] += f * a[k][i]
            for j in range(i, m + 1):
                a[j][i] *= g
        else:
            for j in range(i, m + 1):
                a[j][i] = 0.0
        a[i][i] += 1.0

    for k in range(nn, lb - 1, -1):
        its = 0
        while True:
            its += 1
            cancel = True
            l = k
            while True:
                if abs(e[l]) + anorm == anorm:
                    cancel = False
                    break
                if l == lb:
                    # Only NaN data get here; sv_(lb-1) does not exist.
                    cancel = False
                    break
                if abs(sv[l - 1]) + anorm == anorm:
                    break
                l -= 1
            if cancel:
                nm = l - 1
                c = 0.0
                s = 1.0
                for i in range(l, k + 1):
                    f = s * e[i]
                    if abs(f) + anorm != anorm:
                        g = sv[i]
                        h = pythag(f, g)
                        sv[i] = h
                        h = div(1.0, h)
                        c = g * h
                        s = -f * h
                        for j in range(lb, m + 1):
                            row = a[j]
                            y = row[nm]
                            z = row[i]
                            row[nm] = y * c + z * s
                            row[i] = z * c - y * s
            z = sv[k]
            if l == k:
                if z < 0.0:
                    sv[k] = -z
                    for j in range(lb, nn + 1):
                        v[j][k] = -v[j][k]
                break
            if its == 30:
                return -2
            x = sv[l]
            y = sv[k - 1]
            g = e[k - 1]
            h = e[k]
            f = div((y - z) * (y + z) + (g - h) * (g + h), 2.0 * h * y)
            g = pythag(f, 1.0)
            f = div((x - z) * (x + z) + h * (div(y, f + sign(f) * abs(g)) - h), x)
            c = s = 1.0
            for j in range(l, k):
                i = j + 1
                g = e[i]
                y = sv[i]
                h = s * g
                g = c * g
                z = pythag(f, h)
                e[j] = z
                c = div(f, z)
                s = div(h, z)
                f = x * c + g * s
                g = g * c - x * s
                h = y * s
                y = y * c
                for jj in range(lb, nn + 1):
                    row = v[jj]
                    p = row[j]
                    q = row[i]
                    row[j] = p * c + q * s
                    row[i] = q * c - p * s
                z = pythag(f, h)
                sv[j] = z
                if z != 0.0:
                    z = div(1.0, z)
                    c = f * z
                    s = h * z
                f = c * g + s * y
                x = c * y - s * g
                for jj in range(lb, m + 1):
                    row = a[jj]
                    p = row[j]
                    q = row[i]
                    row[j] = p * c + q * s
                    row[i] = q * c - p * s
            e[l] = 0.0
            e[k] = f
            sv[k] = x
    return 0


def svd_zero_small(sv, lb, ub, tol):
    largest = sv[lb]
    for i in range(lb + 1, ub + 1):
        if sv[i] > largest:
            largest = sv[i]
    threshold = tol * largest
    for i in range(lb, ub + 1):
        if sv[i] < threshold:
            sv[i] = 0.0


def svd_solve(u, sv, v, r, lb, ub1, ub2):
    t = [0.0] * (ub2 + 1)
    for j in range(lb, ub2 + 1):
        if sv[j] > 0.0:
            s = 0.0
            for i in range(lb, ub1 + 1):
                s += u[i][j] * r[i]
            t[j] = div(s, sv[j])
    x = [0.0] * (ub2 + 1)
    for i in range(lb, ub2 + 1):
        s = 0.0
        for j in range(lb, ub2 + 1):
            s += v[i][j] * t[j]
        x[i] = s
    return x


# ------------------------------------------------------ probability functions

STIR = [7.1473913781436109426E-4, -2.3638488095017589101E-5, -5.9502375540563298261E-4,
        6.9893322606231933383E-5, 7.8403348427447529072E-4, -2.2947197478731854413E-4,
        -2.681327161876304304E-3, 3.4722222222300751227E-3, 8.333333333333331483E-2]
S_POS = [-1.1939450513815100165E-3, 7.220599478036909824E-3, -9.6220233604062711807E-3,
         -4.2197733607059154104E-2, 1.6653861137208050835E-1, -4.2002635034033439232E-2,
         -6.5587807152025401347E-1, 5.7721566490153286555E-1, 1.0]
S_NEG = [1.1333741672438944412E-3, 7.22083726189317026E-3, 9.6219111550359774643E-3,
         -4.2197733437311917004E-2, -1.6653861139444134376E-1, -4.2002635034021129634E-2,
         6.558780715202536804E-1, 5.7721566490153286555E-1, -1.0]
P_GAM = [4.2127604874716217346E-5, 4.5429319606080093138E-4, 4.0926668283940356718E-3,
         2.3853632434611082846E-2, 1.1130628160193616061E-1, 3.6295154366402393453E-1,
         8.3780043015731264777E-1, 1.0]
Q_GAM = [-1.3971485174761705161E-5, 2.3465840591606351327E-4, -1.2377992466531522603E-3,
         -7.955933682494738127E-4, 2.7737065658400731488E-2, -4.63388767124453399E-2,
         -2.2435109056703292363E-1, 4.1501609505884556883E-1, 1.0]
A_LGAM = [4.8850261424322706169E-3, -1.8808019381193769731E-3, 8.4127232973224975576E-4,
          -5.9523458517656880912E-4, 7.9365077958550706277E-4, -2.7777777777503497372E-3,
          8.333333333333331483E-2]
B_LGAM = [-2163.6908276438130088, -87238.715228435117751, -1104326.8146914641839,
          -6111225.0120052145794, -16255680.625437006354, -20039374.181038152426,
          -8875666.7836507037282]
C_LGAM = [-513.94814844353697936, -34035.708405343044433, -622744.11640662199352,
          -4814940.3794118817896, -17854332.870450779796, -31386464.076561827213,
          -20993367.177578959614]


def poly_eval(x, c, n):
    r = c[0]
    for i in range(1, n + 1):
        r = r * x + c[i]
    return r


def poly_eval1(x, c, n):
    r = x + c[0]
    for i in range(1, n):
        r = r * x + c[i]
    return r


def is_nonpositive_integer(x):
    return x <= 0.0 and x == math.floor(x)


def power_function(x, y):
    if x < 0.0:
        return 0.0
    if x == 0.0:
        if y == 0.0:
            return 1.0
        return 0.0 if y > 0.0 else MAX_REAL
    if y == 0.0:
        return 1.0
    t = y * ln(x)
    if t < MIN_EXP:
        return 0.0
    if t > MAX_EXP:
        return MAX_REAL
    return fexp(t)


def stirling_gamma(x):
    w = div(1.0, x)
    if x > 1024.0:
        c = ((((6.9728137583658577740E-5 * w + 7.8403922172006662744E-4) * w
               - 2.2947209362139917696E-4) * w - 2.6813271604938271605E-3) * w
             + 3.4722222222222222222E-3) * w + 8.3333333333333333332E-2
    else:
        c = poly_eval(w, STIR, 8)
    return fexp((x - 0.5) * ln(x) - x) * SQRT_2PI * (1.0 + w * c)


def gamma_function(x):
    if x > 0.0:
        sgn = 1.0
    else:
        sgn = -1.0 if math.floor(abs(x)) % 2 == 0 else 1.0
    if is_nonpositive_integer(x):
        return sgn * MAX_REAL
    if x > MAX_GAMMA_ARG:
        return MAX_REAL
    q = abs(x)
    if q > 13.0:
        if x > 0.0:
            return stirling_gamma(x)
        p = float(math.floor(q))
        z = q - p
        if z > 0.5:
            p = p + 1.0
            z = q - p
        z = abs(q * fsin(math.pi * z)) * stirling_gamma(q)
        if z <= math.pi / MAX_REAL:
            return sgn * MAX_REAL
        return sgn * div(math.pi, z)
    z = 1.0
    while x >= 3.0:
        x = x - 1.0
        z = z * x
    while x < -0.03125:
        z = div(z, x)
        x = x + 1.0
    if x <= 0.03125:
        if x == 0.0:
            return MAX_REAL
        ax = abs(x)
        return div(z, ax * poly_eval(ax, S_POS if x >= 0.0 else S_NEG, 8))
    while x < 2.0:
        z = div(z, x)
        x = x + 1.0
    if x == 2.0:
        return z
    x = x - 2.0
    return div(z * poly_eval(x, P_GAM, 7), poly_eval(x, Q_GAM, 8))


def stirling_log_gamma(x):
    q = (x - 0.5) * ln(x) - x + LN_SQRT_2PI
    if x <= 1e10:
        q = q + div(poly_eval(div(1.0, x * x), A_LGAM, 6), x)
    return q


def log_gamma(x):
    if is_nonpositive_integer(x) or x > MAX_LOG_GAMMA_ARG:
        return MAX_REAL
    q = abs(x)
    if q > 34.0:
        if x > 0.0:
            return stirling_log_gamma(x)
        p = float(math.floor(q))
        z = q - p
        if z > 0.5:
            z = (p + 1.0) - q
        z = q * fsin(math.pi * z)
        if z == 0.0:
            return MAX_REAL
        return LN_PI - ln(z) - stirling_log_gamma(q)
    if x >= 13.0:
        return stirling_log_gamma(x)
    z = 1.0
    while x >= 3.0:
        x = x - 1.0
        z = z * x
    while True:
        if x >= 2.0:
            z = abs(z)
            if x == 2.0:
                return ln(z)
            x = x - 2.0
            return ln(z) + div(x * poly_eval(x, B_LGAM, 6), poly_eval1(x, C_LGAM, 7))
        if abs(x) <= 0.03125:
            ax = abs(x)
            return ln(abs(div(z, ax * poly_eval(ax, S_POS if x >= 0.0 else S_NEG, 8))))
        z = div(z, x)
        x = x + 1.0


def beta_series(a, b, x):
    u = (1.0 - b) * x
    v = div(u, a + 1.0)
    t1 = v
    t = u
    n = 2.0
    s = 0.0
    limit = div(MACHINE_EPSILON, a)
    while abs(v) > limit:
        u = div((n - b) * x, n)
        t = t * u
        v = div(t, a + n)
        s = s + v
        n = n + 1.0
    s = div(1.0, a) + (s + t1)
    u = a * ln(x)
    if a + b < MAX_GAMMA_ARG and abs(u) < MAX_EXP:
        return power_function(x, a) * (s * div(gamma_function(a + b),
                                                gamma_function(b) * gamma_function(a)))
    t = log_gamma(a + b) - log_gamma(a) - log_gamma(b) + u + ln(s)
    if t < MIN_EXP:
        return 0.0
    return fexp(t)


def _continued_fraction(z, k1, k2, k3, k4, k5, k6, k7, k8, second_k2_falls):
    pkm2 = 0.0
    qkm2 = 1.0
    pkm1 = 1.0
    qkm1 = 1.0
    estimate = 1.0
    r = 1.0
    for _ in range(401):
        d = -div(z * k1 * k2, k3 * k4)
        pk = pkm1 + pkm2 * d
        qk = qkm1 + qkm2 * d
        pkm2, pkm1, qkm2, qkm1 = pkm1, pk, qkm1, qk
        d = div(z * k5 * k6, k7 * k8)
        pk = pkm1 + pkm2 * d
        qk = qkm1 + qkm2 * d
        pkm2, pkm1, qkm2, qkm1 = pkm1, pk, qkm1, qk
        if qk != 0.0:
            r = div(pk, qk)
        if r != 0.0:
            change = abs(div(estimate - r, r))
            estimate = r
        else:
            change = 1.0
        if change < FRACTION_TOL:
            return estimate
        k1 += 1.0
        k3 += 2.0
        k4 += 2.0
        k5 += 1.0
        k7 += 2.0
        k8 += 2.0
        if second_k2_falls:
            k2 -= 1.0
            k6 += 1.0
        else:
            k2 += 1.0
            k6 -= 1.0
        if abs(qk) + abs(pk) > BIG:
            pkm2 *= BIG_INV
            pkm1 *= BIG_INV
            qkm2 *= BIG_INV
            qkm1 *= BIG_INV
        if abs(qk) < BIG_INV or abs(pk) < BIG_INV:
            pkm2 *= BIG
            pkm1 *= BIG
            qkm2 *= BIG
            qkm1 *= BIG
    return estimate


def beta_fraction1(a, b, x):
    return _continued_fraction(x, a, a + b, a, a + 1.0, 1.0, b - 1.0, a + 1.0, a + 2.0, False)


def beta_fraction2(a, b, x):
    z = div(x, 1.0 - x)
    return _continued_fraction(z, a, b - 1.0, a, a + 1.0, 1.0, a + b, a + 1.0, a + 2.0, True)


def incomplete_beta(a, b, x):
    if a <= 0.0 or b <= 0.0 or x < 0.0 or x > 1.0:
        return 0.0
    if x == 0.0 or x == 1.0:
        return x
    if b * x <= 1.0 and x <= 0.95:
        return beta_series(a, b, x)
    xc = 1.0 - x
    flipped = False
    if x > div(a, a + b):
        a, b = b, a
        x, xc = xc, x
        flipped = True
    if flipped and b * x <= 1.0 and x <= 0.95:
        t = beta_series(a, b, x)
    else:
        if x * (a + b - 2.0) - (a - 1.0) < 0.0:
            w = beta_fraction1(a, b, x)
        else:
            w = div(beta_fraction2(a, b, x), xc)
        y = a * ln(x)
        u = b * ln(xc)
        if a + b < MAX_GAMMA_ARG and abs(y) < MAX_EXP and abs(u) < MAX_EXP:
            inner = div(power_function(x, a) * power_function(xc, b), a)
            t = div(gamma_function(a + b) * (w * inner), gamma_function(b) * gamma_function(a))
        else:
            y = y + u + log_gamma(a + b) - log_gamma(a) - log_gamma(b) + ln(div(w, a))
            t = 0.0 if y < MIN_EXP else fexp(y)
    if flipped:
        return ONE_MINUS_EPS if t <= MACHINE_EPSILON else 1.0 - t
    return t


def student_two_tail(nu, t):
    if nu < 1:
        return 0.0
    return incomplete_beta(nu / 2.0, 0.5, div(float(nu), nu + t * t))


def fisher_upper_tail(nu1, nu2, f):
    if nu1 < 1 or nu2 < 1 or f <= 0.0:
        return 0.0
    return incomplete_beta(nu2 / 2.0, nu1 / 2.0, div(float(nu2), nu2 + nu1 * f))


# ----------------------------------------------------------------------- fit


class Fit:
    pass


def fit_multiple_linear(X, y, s, n, k, constant, weighted):
    p0 = 0 if constant else 1
    nb = k - p0 + 1

    w = [0.0] * (n + 1)
    if weighted:
        total = 0.0
        for i in range(1, n + 1):
            w[i] = div(1.0, 1.0 + s[i])
            total += w[i]
        for i in range(1, n + 1):
            w[i] = div(n * w[i], total)

    # Design matrix: observation i goes to row i - 1 + p0; at least as many
    # rows as columns, the surplus staying zero.
    lb = p0
    m = n - 1 + p0
    rows = max(m, k) + 1
    a = [[0.0] * (k + 1) for _ in range(rows)]
    r = [0.0] * rows
    for i in range(1, n + 1):
        c = fsqrt(w[i]) if weighted else 1.0
        row = a[i - 1 + p0]
        r[i - 1 + p0] = c * y[i] if weighted else y[i]
        if constant:
            row[0] = c
        for j in range(1, k + 1):
            row[j] = c * X[j][i] if weighted else X[j][i]
    sv = [0.0] * (k + 1)
    v = [[0.0] * (k + 1) for _ in range(k + 1)]
    if svd_decompose(a, lb, m, k, sv, v) != 0:
        raise JobError("Non-convergence of SVD algorithm !")
    svd_zero_small(sv, lb, k, n * MACHINE_EPSILON)
    b = svd_solve(a, sv, v, r, lb, m, k)

    q = [0.0] * (k + 1)
    for l in range(lb, k + 1):
        if sv[l] > 0.0:
            q[l] = div(1.0, sv[l] * sv[l])
    cov = [[0.0] * (k + 1) for _ in range(k + 1)]
    for i in range(lb, k + 1):
        for j in range(lb, i + 1):
            acc = 0.0
            for l in range(lb, k + 1):
                acc += v[i][l] * v[j][l] * q[l]
            cov[i][j] = acc
            cov[j][i] = acc

    yhat = [0.0] * (n + 1)
    for i in range(1, n + 1):
        acc = b[0] if constant else 0.0
        for j in range(1, k + 1):
            acc = acc + b[j] * X[j][i]
        yhat[i] = acc

    fit = Fit()
    fit.p0, fit.nb, fit.b, fit.V, fit.yhat = p0, nb, b, cov, yhat
    compute_fit_statistics(fit, y, w if weighted else None, n, k)

    sd0 = fsqrt(fit.Vr)
    fit.sd = [0.0] * (n + 1)
    for i in range(1, n + 1):
        fit.sd[i] = div(sd0, fsqrt(w[i])) if weighted else sd0
    return fit


def compute_fit_statistics(fit, y, w, n, k):
    p0, nb, yhat, cov = fit.p0, fit.nb, fit.yhat, fit.V
    if n <= nb:
        fit.Vr, fit.r2, fit.r2a, fit.F, fit.probF = 0.0, 1.0, 0.0, 0.0, 1.0
    else:
        total = 0.0
        for i in range(1, n + 1):
            total += y[i]
        ybar = div(total, float(n))
        sst = ssr = sse = 0.0
        for i in range(1, n + 1):
            dt = y[i] - ybar
            dr = yhat[i] - ybar
            de = y[i] - yhat[i]
            if w is None:
                sst += dt * dt
                ssr += dr * dr
                sse += de * de
            else:
                sst += w[i] * (dt * dt)
                ssr += w[i] * (dr * dr)
                sse += w[i] * (de * de)
        fit.r2 = div(ssr, sst)
        fit.r2a = 1.0 - div((1.0 - fit.r2) * (n - 1), float(n - nb))
        fit.Vr = div(sse, float(n - nb))
        if nb == 1:
            # One parameter leaves no degrees of freedom for the explained
            # variance.
            fit.F, fit.probF = 0.0, 1.0
        elif fit.Vr > 0.0:
            fit.F = div(div(ssr, float(nb - 1)), fit.Vr)
            fit.probF = fisher_upper_tail(nb - 1, n - nb, fit.F)
        else:
            fit.F, fit.probF = MAX_REAL, 0.0
    for i in range(p0, k + 1):
        for j in range(i, k + 1):
            cov[i][j] = cov[i][j] * fit.Vr
    for i in range(p0, k + 1):
        for j in range(i + 1, k + 1):
            cov[j][i] = cov[i][j]


def compute_parameter_tests(fit, n, k):
    sd_b, t, prob = {}, {}, {}
    for j in range(fit.p0, k + 1):
        vjj = fit.V[j][j]
        if vjj > 0.0:
            sd_b[j] = fsqrt(vjj)
            t[j] = div(fit.b[j], sd_b[j])
            prob[j] = student_two_tail(n - fit.nb, t[j])
        else:
            sd_b[j], t[j], prob[j] = 0.0, 0.0, 1.0
    return sd_b, t, prob


# ------------------------------------------------------------------- formats


def _round_to(value, exponent):
    return value.quantize(Decimal(1).scaleb(exponent), rounding=ROUND_HALF_UP)


def _to_18_digits(value):
    if value == 0:
        return value
    return _round_to(value, value.adjusted() - 17)


def fmt_w(v, w, d):
    if not isfinite(v):
        raise JobError("a value to be written is not a finite number")
    with localcontext() as ctx:
        ctx.prec = 400
        mag = Decimal(abs(v))  # exact: abs() of a Decimal would round
        if abs(v) >= 1e36:
            digits = max(2, min(18, w - 8))
            mag = _to_18_digits(mag)
            mag = _round_to(mag, mag.adjusted() - (digits - 1))
            exp = mag.adjusted()
            # A carry (9.99.. -> 10.0) leaves one digit too many: drop it.
            mantissa = format(_round_to(mag.scaleb(-exp), 1 - digits), "f")
            text = ("-" if v < 0 else " ") + mantissa + "E" + ("-" if exp < 0 else "+")
            text += "%04d" % abs(exp)
        else:
            mag = _round_to(_to_18_digits(mag), -d)
            text = ("-" if v < 0 else "") + format(mag, "f")
    return text.rjust(w)


def fmt_i(v, w):
    return str(v).rjust(w)


def fmt_s(t, w):
    return t.rjust(w)


# ------------------------------------------------------------------- job file

_REAL = re.compile(r"[+-]?[0-9]+(\.[0-9]*)?([eE][+-]?[0-9]+)?")
_INTEGER = re.compile(r"[+-]?[0-9]+")


def _cp1252_table():
    table = []
    for byte in range(256):
        try:
            table.append(bytes([byte]).decode("cp1252"))
        except UnicodeDecodeError:
            table.append(chr(byte))
    return table


_CP1252 = _cp1252_table()


def decode_job_text(data):
    # A byte-order mark says "text", whatever follows: it never belongs to the
    # title, also when the rest turns out not to be UTF-8.
    if data.startswith(b"\xef\xbb\xbf"):
        data = data[3:]
    try:
        return data.decode("utf-8")
    except UnicodeDecodeError:
        return "".join(_CP1252[byte] for byte in data)


class JobReader:
    def __init__(self, text):
        self.text = text
        self.pos = 0

    def read_line(self):
        t, p = self.text, self.pos
        end = len(t)
        q = p
        while q < end and t[q] != "\r" and t[q] != "\n":
            q += 1
        line = t[p:q]
        if q < end:
            q += 2 if t[q] == "\r" and q + 1 < end and t[q + 1] == "\n" else 1
        self.pos = q
        return line

    def _token(self):
        t, p = self.text, self.pos
        end = len(t)
        while p < end and ord(t[p]) <= 32:
            p += 1
        q = p
        while q < end and ord(t[q]) > 32:
            q += 1
        self.pos = q
        if q - p > 64:  # a number field holds at most 64 characters
            raise JobError("invalid numeric input: a field of more than 64 characters")
        return t[p:q]

    def read_real(self):
        token = self._token()
        if token == "":
            return 0.0
        if _REAL.fullmatch(token):
            value = float(token)
            if isfinite(value):
                return value
        raise JobError("invalid numeric input " + repr(token))

    def read_integer(self):
        token = self._token()
        if token == "":
            return 0
        if _INTEGER.fullmatch(token):
            return int(token)
        raise JobError("invalid numeric input " + repr(token))


class Job:
    pass


def read_job_file(path, weighted):
    try:
        with open(path, "rb") as f:
            data = f.read()
    except OSError as err:
        raise JobError("cannot read the job file: " + (err.strerror or str(err)))
    reader = JobReader(decode_job_text(data))
    job = Job()
    job.title = reader.read_line()
    m = reader.read_integer()
    reader.read_line()
    if m < 2:
        raise JobError("Data file must contain at least 2 variables !")
    k = m - 1
    if k > MAX_VARIABLES:
        raise JobError("more than %d independent variables" % MAX_VARIABLES)
    job.k = k
    job.names = [""] + [reader.read_line() for _ in range(k)]
    job.yname = reader.read_line()
    n = reader.read_integer()
    reader.read_line()
    if n < 1 or n > MAX_OBSERVATIONS:
        raise JobError("the number of observations must lie in 1..%d" % MAX_OBSERVATIONS)
    job.n = n
    X = [[0.0] * (n + 1) for _ in range(k + 1)]
    y = [0.0] * (n + 1)
    s = [0.0] * (n + 1)
    for i in range(1, n + 1):
        for j in range(1, k + 1):
            X[j][i] = reader.read_real()
        y[i] = reader.read_real()
        if weighted:
            s[i] = reader.read_real()
        reader.read_line()
    if weighted:
        for i in range(1, n + 1):
            if s[i] <= -1.0:
                raise JobError("observation %d: sd value %r gives no valid weight" % (i, s[i]))
    job.X, job.y, job.s = X, y, s
    return job


# ---------------------------------------------------------------- result file

DOUBLE_RULE = "=" * 73
SINGLE_RULE = "-" * 73


def result_file_name(job_path):
    folder, base = os.path.split(job_path)
    return os.path.join(folder, base.split(".", 1)[0] + ".out")


def check_finite(fit, n, k):
    values = [fit.Vr]
    values += [fit.b[j] for j in range(fit.p0, k + 1)]
    values += [fit.V[i][j] for i in range(fit.p0, k + 1) for j in range(fit.p0, k + 1)]
    values += fit.yhat[1:] + fit.sd[1:]
    if not all(isfinite(v) for v in values):
        raise JobError("the fit overflowed: a result is not a finite number")


def result_lines(job_name, job, fit, constant):
    k, n, p0 = job.k, job.n, fit.p0
    function = "y = " + ("b0 + " if constant else "") + "b1.x1"
    for i in range(2, k + 1):
        function += " + b%d.x%d" % (i, i)
    out = [DOUBLE_RULE,
           "Data file  : " + job_name,
           "Study name : " + job.title]
    for i in range(1, k + 1):
        out.append("x" + fmt_i(i, 1) + "         : " + job.names[i])
    out += ["y          : " + job.yname,
            "Function   : " + function,
            SINGLE_RULE,
            "Parameter    Est.value         Std.dev.        t Student       Prob(>|t|)",
            SINGLE_RULE]
    sd_b, t, prob = compute_parameter_tests(fit, n, k)
    for j in range(p0, k + 1):
        line = fmt_s("b%d" % j, 5) + fmt_w(fit.b[j], 17, 8)
        if sd_b[j] > 0.0:
            line += fmt_w(sd_b[j], 17, 8) + fmt_w(t[j], 17, 2) + fmt_w(prob[j], 17, 4)
        out.append(line)
    out += [SINGLE_RULE,
            "Number of observations            : n   = " + fmt_i(n, 5),
            "Residual error                    : s   = " + fmt_w(fsqrt(fit.Vr), 10, 8)]
    if 0.0 <= fit.r2 <= 1.0:
        out.append("Coefficient of determination      : r2  = " + fmt_w(fit.r2, 10, 8))
    if 0.0 <= fit.r2a <= 1.0:
        out.append("Adjusted coeff. of determination  : r2a = " + fmt_w(fit.r2a, 10, 8))
    out += ["Variance ratio (explained/resid.) : F   = " + fmt_w(fit.F, 10, 4)
            + "    Prob(>F) = " + fmt_w(fit.probF, 6, 4),
            SINGLE_RULE,
            "Variance-Covariance Matrix of estimated parameters",
            "".join("           " + fmt_s("b%d" % j, 5) for j in range(p0, k + 1)),
            SINGLE_RULE]
    for i in range(p0, k + 1):
        out.append("".join("  " + fmt_w(fit.V[i][j], 14, 7) for j in range(p0, k + 1)))
    out += [SINGLE_RULE,
            "  i        Y obs.       Y calc.      Residual      Std.dev.      Std.res.",
            SINGLE_RULE]
    for i in range(1, n + 1):
        res = job.y[i] - fit.yhat[i]
        std_res = div(res, fit.sd[i]) if fit.sd[i] != 0.0 else 0.0
        out.append(fmt_i(i, 3) + fmt_w(job.y[i], 14, 4) + fmt_w(fit.yhat[i], 14, 4)
                   + fmt_w(res, 14, 4) + fmt_w(fit.sd[i], 14, 4) + fmt_w(std_res, 14, 4))
    out.append(DOUBLE_RULE)
    return out


def write_atomically(path, data):
    folder = os.path.dirname(path) or "."
    fd, temp = tempfile.mkstemp(prefix=".dregmult-", suffix=".tmp", dir=folder)
    try:
        with os.fdopen(fd, "wb") as f:
            f.write(data)
        os.replace(temp, path)
    except BaseException:
        try:
            os.unlink(temp)
        except OSError:
            pass
        raise


def run_job(job_path, constant, weighted):
    job = read_job_file(job_path, weighted)
    fit = fit_multiple_linear(job.X, job.y, job.s, job.n, job.k, constant, weighted)
    check_finite(fit, job.n, job.k)
    lines = result_lines(job_path, job, fit, constant)
    data = "".join(line + "\r\n" for line in lines).encode("utf-8", "surrogateescape")
    out = result_file_name(job_path)
    try:
        write_atomically(out, data)
    except OSError as err:
        raise JobError("cannot write %s: %s" % (out, err.strerror or err))
    return out


def main(argv):
    constant, weighted, files = True, False, []
    for arg in argv:
        if arg == "--weighted":
            weighted = True
        elif arg == "--no-constant":
            constant = False
        elif arg.startswith("--"):
            files = []
            break
        else:
            files.append(arg)
    if len(files) != 1:
        sys.stderr.write("usage: dregmult.py [--weighted] [--no-constant] JOBFILE\n")
        return 2
    try:
        run_job(files[0], constant, weighted)
    except JobError as err:
        sys.stderr.write("%s: %s\n" % (files[0], err))
        return 1
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
