#include "engine/probability.h"

#include <cmath>
#include <utility>

#include "engine/linalg.h"

namespace tarnovel {

namespace {

constexpr double kMaxGammaArg = 171.624376956302;
constexpr double kMaxLogGammaArg = 2.556348e305;
constexpr double kMaxLog = 709.782712893384;
constexpr double kMinLog = -708.3964185322641;
constexpr double kBig = 9.223372036854776e18;           // 2^63
constexpr double kBigInv = 1.0842021724855044e-19;      // 2^-63
constexpr double kFractionTol = 6.661338147750939e-16;  // 3 x 2^-52
constexpr double kLnSqrt2Pi = 0.91893853320467274175;
constexpr double kLnPi = 1.1447298858494001741;
constexpr double kSqrt2Pi = 2.5066282746310005025;
constexpr double kPi = 3.14159265358979323846;
constexpr double kPiOverMaxReal = 1.7475689218952307e-308;
constexpr double kNearZero = 0.03125;

constexpr double STIR[] = {
    7.1473913781436109426E-4, -2.3638488095017589101E-5, -5.9502375540563298261E-4,
    6.9893322606231933383E-5, 7.8403348427447529072E-4,  -2.2947197478731854413E-4,
    -2.681327161876304304E-3, 3.4722222222300751227E-3,  8.333333333333331483E-2};
constexpr double S[] = {
    -1.1939450513815100165E-3, 7.220599478036909824E-3,  -9.6220233604062711807E-3,
    -4.2197733607059154104E-2, 1.6653861137208050835E-1, -4.2002635034033439232E-2,
    -6.5587807152025401347E-1, 5.7721566490153286555E-1, 1};
constexpr double SN[] = {
    1.1333741672438944412E-3,  7.22083726189317026E-3,    9.6219111550359774643E-3,
    -4.2197733437311917004E-2, -1.6653861139444134376E-1, -4.2002635034021129634E-2,
    6.558780715202536804E-1,   5.7721566490153286555E-1,  -1};
constexpr double P[] = {4.2127604874716217346E-5, 4.5429319606080093138E-4,
                        4.0926668283940356718E-3, 2.3853632434611082846E-2,
                        1.1130628160193616061E-1, 3.6295154366402393453E-1,
                        8.3780043015731264777E-1, 1};
constexpr double Q[] = {
    -1.3971485174761705161E-5, 2.3465840591606351327E-4, -1.2377992466531522603E-3,
    -7.955933682494738127E-4,  2.7737065658400731488E-2, -4.63388767124453399E-2,
    -2.2435109056703292363E-1, 4.1501609505884556883E-1, 1};
constexpr double A[] = {4.8850261424322706169E-3, -1.8808019381193769731E-3,
                        8.4127232973224975576E-4, -5.9523458517656880912E-4,
                        7.9365077958550706277E-4, -2.7777777777503497372E-3,
                        8.333333333333331483E-2};
constexpr double B[] = {-2163.6908276438130088, -87238.715228435117751, -1104326.8146914641839,
                        -6111225.0120052145794, -16255680.625437006354, -20039374.181038152426,
                        -8875666.7836507037282};
constexpr double C[] = {-513.94814844353697936, -34035.708405343044433, -622744.11640662199352,
                        -4814940.3794118817896, -17854332.870450779796, -31386464.076561827213,
                        -20993367.177578959614};

// (...((c0 x + c1) x + c2) ... ) x + cN
double PolyEval(double x, const double* c, int n) {
    double ans = c[0];
    for (int i = 1; i <= n; ++i)
        ans = ans * x + c[i];
    return ans;
}

// As PolyEval with an implied leading coefficient 1.
double PolyEval1(double x, const double* c, int n) {
    double ans = x + c[0];
    for (int i = 1; i < n; ++i)
        ans = ans * x + c[i];
    return ans;
}

bool IsNonPositiveInteger(double x) {
    return x <= 0 && x == std::floor(x);
}

double StirlingGamma(double x) {
    double w = 1 / x;
    double c;
    if (x > 1024) {
        c = ((((6.9728137583658577740E-5 * w + 7.8403922172006662744E-4) * w -
               2.2947209362139917696E-4) *
                  w -
              2.6813271604938271605E-3) *
                 w +
             3.4722222222222222222E-3) *
                w +
            8.3333333333333333332E-2;
    } else {
        c = PolyEval(w, STIR, 8);
    }
    return std::exp((x - 0.5) * std::log(x) - x) * kSqrt2Pi * (1 + w * c);
}

double StirlingLogGamma(double x) {
    double q = (x - 0.5) * std::log(x) - x + kLnSqrt2Pi;
    if (x <= 1e10) q = q + PolyEval(1 / (x * x), A, 6) / x;
    return q;
}

double BetaSeries(double a, double b, double x) {
    double u = (1 - b) * x;
    double v = u / (a + 1);
    double t1 = v;
    double t = u;
    double n = 2;
    double s = 0;
    while (std::fabs(v) > MachineEpsilon / a) {
        u = (n - b) * x / n;
        t = t * u;
        v = t / (a + n);
        s = s + v;
        n = n + 1;
    }
    s = 1 / a + (s + t1);
    u = a * std::log(x);
    if (a + b < kMaxGammaArg && std::fabs(u) < kMaxLog)
        return PowerFunction(x, a) *
               (s * (GammaFunction(a + b) / (GammaFunction(b) * GammaFunction(a))));
    t = LogGamma(a + b) - LogGamma(a) - LogGamma(b) + u + std::log(s);
    return t < kMinLog ? 0 : std::exp(t);
}

// The continued fractions differ only in their start values, the way their
// coefficients move per pass and the argument z.
struct FractionCoefficients {
    double k[9];     // k[1]..k[8]
    double step[9];  // added to k[i] after each pass
};

double BetaFraction(FractionCoefficients fc, double z) {
    double* k = fc.k;
    double pkm2 = 0, qkm2 = 1, pkm1 = 1, qkm1 = 1;
    double ans = 1, r = 1;
    for (int pass = 1; pass <= 401; ++pass) {
        double d = -(z * k[1] * k[2]) / (k[3] * k[4]);
        double pk = pkm1 + pkm2 * d;
        double qk = qkm1 + qkm2 * d;
        pkm2 = pkm1;
        pkm1 = pk;
        qkm2 = qkm1;
        qkm1 = qk;
        d = (z * k[5] * k[6]) / (k[7] * k[8]);
        pk = pkm1 + pkm2 * d;
        qk = qkm1 + qkm2 * d;
        pkm2 = pkm1;
        pkm1 = pk;
        qkm2 = qkm1;
        qkm1 = qk;
        if (qk != 0) r = pk / qk;
        double change;
        if (r != 0) {
            change = std::fabs((ans - r) / r);
            ans = r;
        } else {
            change = 1;
        }
        if (change < kFractionTol) return ans;
        for (int i = 1; i <= 8; ++i)
            k[i] += fc.step[i];
        if (std::fabs(qk) + std::fabs(pk) > kBig) {
            pkm2 *= kBigInv;
            pkm1 *= kBigInv;
            qkm2 *= kBigInv;
            qkm1 *= kBigInv;
        }
        if (std::fabs(qk) < kBigInv || std::fabs(pk) < kBigInv) {
            pkm2 *= kBig;
            pkm1 *= kBig;
            qkm2 *= kBig;
            qkm1 *= kBig;
        }
    }
    return ans;
}

double BetaFraction1(double a, double b, double x) {
    return BetaFraction(
        {{0, a, a + b, a, a + 1, 1, b - 1, a + 1, a + 2}, {0, 1, 1, 2, 2, 1, -1, 2, 2}}, x);
}

double BetaFraction2(double a, double b, double x) {
    return BetaFraction(
        {{0, a, b - 1, a, a + 1, 1, a + b, a + 1, a + 2}, {0, 1, -1, 2, 2, 1, 1, 2, 2}},
        x / (1 - x));
}

}  // namespace

double PowerFunction(double x, double y) {
    if (x < 0) return 0;
    if (x == 0) {
        if (y == 0) return 1;
        return y > 0 ? 0 : MaxReal;
    }
    if (y == 0) return 1;
    double t = y * std::log(x);
    if (t < kMinLog) return 0;
    if (t > kMaxLog) return MaxReal;
    return std::exp(t);
}

double GammaFunction(double x) {
    double sign = 1;
    if (x <= 0) sign = std::fmod(std::floor(std::fabs(x)), 2.0) == 0 ? -1 : 1;
    if (IsNonPositiveInteger(x)) return sign * MaxReal;
    if (x > kMaxGammaArg) return MaxReal;

    double q = std::fabs(x);
    if (q > 13) {
        if (x > 0) return StirlingGamma(x);
        double p = std::floor(q);
        double z = q - p;
        if (z > 0.5) {
            p = p + 1;
            z = q - p;
        }
        z = std::fabs(q * std::sin(kPi * z)) * StirlingGamma(q);
        if (z <= kPiOverMaxReal) return sign * MaxReal;
        return sign * kPi / z;
    }

    double z = 1;
    while (x >= 3) {
        x = x - 1;
        z = z * x;
    }
    while (x < -kNearZero) {
        z = z / x;
        x = x + 1;
    }
    if (x <= kNearZero) {
        if (x == 0) return MaxReal;
        double ax = std::fabs(x);
        return z / (ax * PolyEval(ax, x >= 0 ? S : SN, 8));
    }
    while (x < 2) {
        z = z / x;
        x = x + 1;
    }
    if (x == 2) return z;
    x = x - 2;
    return z * PolyEval(x, P, 7) / PolyEval(x, Q, 8);
}

double LogGamma(double x) {
    if (IsNonPositiveInteger(x)) return MaxReal;
    if (x > kMaxLogGammaArg) return MaxReal;

    double q = std::fabs(x);
    if (q > 34) {
        if (x > 0) return StirlingLogGamma(x);
        double p = std::floor(q);
        double z = q - p;
        if (z > 0.5) z = (p + 1) - q;
        z = q * std::sin(kPi * z);
        if (z == 0) return MaxReal;
        return kLnPi - std::log(z) - StirlingLogGamma(q);
    }
    if (x >= 13) return StirlingLogGamma(x);

    double z = 1;
    while (x >= 3) {
        x = x - 1;
        z = z * x;
    }
    for (;;) {
        if (x >= 2) {
            z = std::fabs(z);
            if (x == 2) return std::log(z);
            x = x - 2;
            return std::log(z) + x * PolyEval(x, B, 6) / PolyEval1(x, C, 7);
        }
        if (std::fabs(x) <= kNearZero) {
            double ax = std::fabs(x);
            return std::log(std::fabs(z / (ax * PolyEval(ax, x >= 0 ? S : SN, 8))));
        }
        z = z / x;
        x = x + 1;
    }
}

double IncompleteBeta(double a, double b, double x) {
    if (a <= 0 || b <= 0 || x < 0 || x > 1) return 0;
    if (x == 0 || x == 1) return x;
    if (b * x <= 1 && x <= 0.95) return BetaSeries(a, b, x);

    double xc = 1 - x;
    bool flipped = false;
    if (x > a / (a + b)) {
        std::swap(a, b);
        std::swap(x, xc);
        flipped = true;
    }

    double t;
    if (flipped && b * x <= 1 && x <= 0.95) {
        t = BetaSeries(a, b, x);
    } else {
        double w;
        if (x * (a + b - 2) - (a - 1) < 0)
            w = BetaFraction1(a, b, x);
        else
            w = BetaFraction2(a, b, x) / xc;
        double y = a * std::log(x);
        double u = b * std::log(xc);
        if (a + b < kMaxGammaArg && std::fabs(y) < kMaxLog && std::fabs(u) < kMaxLog) {
            t = GammaFunction(a + b) * (w * (PowerFunction(x, a) * PowerFunction(xc, b) / a)) /
                (GammaFunction(b) * GammaFunction(a));
        } else {
            y = y + u + LogGamma(a + b) - LogGamma(a) - LogGamma(b) + std::log(w / a);
            t = y < kMinLog ? 0 : std::exp(y);
        }
    }
    if (flipped) return t <= MachineEpsilon ? 0.9999999999999998 : 1 - t;
    return t;
}

double StudentTwoTail(int nu, double t) {
    if (nu < 1) return 0;
    double n = nu;
    return IncompleteBeta(n / 2, 0.5, n / (n + t * t));
}

double FisherUpperTail(int nu1, int nu2, double f) {
    if (nu1 < 1 || nu2 < 1 || f <= 0) return 0;
    double n1 = nu1;
    double n2 = nu2;
    return IncompleteBeta(n2 / 2, n1 / 2, n2 / (n2 + n1 * f));
}

}  // namespace tarnovel
