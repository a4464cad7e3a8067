#include "prediction/censored.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <limits>
#include <string_view>
#include <vector>

#include "common/number_format.h"
#include "common/text_file.h"

namespace tarnovel {

namespace {

constexpr double kPi = 3.14159265358979323846;

// Below this the ratio phi / (1 - Phi) is taken from erfc directly; above it
// from the continued fraction, which neither underflows nor needs the
// difference r - x by subtraction.
constexpr double kContinuedFractionFrom = 5.0;
constexpr int kContinuedFractionTerms = 200;

// The text of a line that IsNumber accepted, as a double. Magnitudes beyond
// the double range become infinity or zero, as strtod makes them.
double ToNumber(std::string_view text) {
    while (!text.empty() && text.front() == ' ')
        text.remove_prefix(1);
    bool negative = false;
    if (!text.empty() && (text.front() == '+' || text.front() == '-')) {
        negative = text.front() == '-';
        text.remove_prefix(1);
    }
    double value = 0;
    if (std::from_chars(text.data(), text.data() + text.size(), value).ec ==
        std::errc::result_out_of_range) {
        // Out of range means far from 1 either way: the decimal order of the
        // first non-zero digit tells overflow from underflow.
        long long digitsBeforePoint = 0;
        long long digitIndex = 0;
        long long firstNonZero = -1;
        bool afterPoint = false;
        std::size_t i = 0;
        for (; i < text.size() && text[i] != 'E' && text[i] != 'e'; ++i) {
            if (text[i] == '.') {
                afterPoint = true;
                continue;
            }
            if (firstNonZero < 0 && text[i] != '0') firstNonZero = digitIndex;
            ++digitIndex;
            if (!afterPoint) ++digitsBeforePoint;
        }
        long long exponent = 0;
        if (i < text.size()) {
            std::string_view digits = text.substr(i + 1);
            const bool minus = !digits.empty() && digits.front() == '-';
            if (!digits.empty() && (digits.front() == '+' || digits.front() == '-'))
                digits.remove_prefix(1);
            for (char ch : digits)
                exponent = std::min(exponent * 10 + (ch - '0'), 1'000'000'000LL);
            if (minus) exponent = -exponent;
        }
        const bool overflow =
            firstNonZero >= 0 && digitsBeforePoint - firstNonZero - 1 + exponent > 0;
        value = overflow ? std::numeric_limits<double>::infinity() : 0.0;
    }
    return negative ? -value : value;
}

// Lambda as a function of xi for one h, through the definition.
struct LambdaCurve {
    double ratio;  // h / (1 - h)

    double Y(double xi) const { return ratio * StandardNormalTail(xi).r; }

    double Alpha(double xi) const {
        const double y = Y(xi);
        const double t = y + xi;
        return (1 - y * t) / (t * t);
    }
};

LambdaTable BuildLambdaTable() {
    static constexpr double kRows[kLambdaRows] = {0.01, 0.02, 0.03, 0.04, 0.05, 0.06, 0.07, 0.08,
                                                  0.09, 0.10, 0.15, 0.20, 0.25, 0.30, 0.35, 0.40,
                                                  0.45, 0.50, 0.60, 0.70, 0.80, 0.90};
    static constexpr double kWideColumns[] = {0.90, 0.95, 1.0, 1.5, 2.0, 2.5, 3.0,
                                              3.5,  4.0,  5.0, 6.0, 7.0, 8.0, 10.0};
    LambdaTable table;
    AllocMatrix(table.cell, kLambdaRows, kLambdaColumns);
    AllocVector(table.rowValues, kLambdaRows);
    AllocVector(table.columnValues, kLambdaColumns);
    for (int i = 1; i <= kLambdaRows; ++i)
        table.rowValues[i] = kRows[i - 1];
    // Division, not repeated addition of 0.01: each value is then the double
    // nearest to its decimal, and an alpha read as "0.07" meets its column.
    for (int j = 1; j <= 86; ++j)
        table.columnValues[j] = (j - 1) / 100.0;
    for (int j = 87; j <= kLambdaColumns; ++j)
        table.columnValues[j] = kWideColumns[j - 87];
    for (int i = 1; i <= kLambdaRows; ++i) {
        for (int j = 1; j <= kLambdaColumns; ++j) {
            const double lambda = LambdaFromDefinition(table.rowValues[i], table.columnValues[j]);
            table.cell[i][j] = std::round(lambda * 1e5) / 1e5;
        }
    }
    return table;
}

}  // namespace

NormalTail StandardNormalTail(double x) {
    if (x < kContinuedFractionFrom) {
        const double density = std::exp(-(x * x) / 2) / std::sqrt(2 * kPi);
        const double upper = std::erfc(x / std::sqrt(2.0)) / 2;
        const double r = density / upper;
        return {r, 1 + x * r - r * r};
    }
    // (1 - Phi) / phi = 1 / (x + 1 / (x + 2 / (x + 3 / (x + ...)))), so
    // r = x + d with d = 1 / (x + e), e = 2 / (x + 3 / (x + ...)). Then
    // x d = 1 - e d, and 1 + x r - r^2 = 1 - x d - d^2 = d (e - d), which
    // keeps its digits where 1 + x r - r^2 would cancel them.
    double e = 0;
    for (int k = kContinuedFractionTerms; k >= 2; --k)
        e = k / (x + e);
    const double d = 1 / (x + e);
    return {x + d, d * (e - d)};
}

double LambdaFromDefinition(double h, double alpha) {
    const LambdaCurve curve{h / (1 - h)};
    // Y + xi rises steadily with xi: about xi far below zero, and Y (> 0)
    // at zero. Its root is where alpha starts, at plus infinity.
    double low = -40.0;
    double high = 0.0;
    for (;;) {
        const double mid = low + (high - low) / 2;
        if (mid <= low || mid >= high) break;
        if (curve.Y(mid) + mid > 0) {
            high = mid;
        } else {
            low = mid;
        }
    }
    // From just above that root alpha falls through every value of the
    // table before it first turns; widening steps reach below the wanted
    // alpha, and the last step brackets its smallest root.
    double left = high;
    double step = 1e-3;
    double right = left + step;
    for (int widen = 0; !(curve.Alpha(right) <= alpha); ++widen) {
        if (widen == 60) return std::numeric_limits<double>::quiet_NaN();
        left = right;
        step *= 2;
        right = left + step;
    }
    for (;;) {
        const double mid = left + (right - left) / 2;
        if (mid <= left || mid >= right) break;
        if (curve.Alpha(mid) > alpha) {
            left = mid;
        } else {
            right = mid;
        }
    }
    const double y = curve.Y(right);
    return y / (y + right);
}

const LambdaTable& GetLambdaTable() {
    // Built once per process rather than at every estimation: it depends on
    // constants only, and its 2200 root searches cost far more than an
    // estimation itself.
    static const LambdaTable table = BuildLambdaTable();
    return table;
}

double LambdaLookup(double h, double alpha) {
    const LambdaTable& table = GetLambdaTable();
    const Vector& hv = table.rowValues;
    const Vector& av = table.columnValues;
    const Matrix& L = table.cell;
    int lo = 1;
    for (int i = 1; i <= kLambdaRows; ++i)
        if (hv[i] <= h) lo = i;
    int hi = kLambdaRows;
    for (int i = kLambdaRows; i >= 1; --i)
        if (hv[i] >= h) hi = i;
    int jlo = 1;
    for (int j = 1; j <= kLambdaColumns; ++j)
        if (av[j] <= alpha) jlo = j;
    int jhi = kLambdaColumns;
    for (int j = kLambdaColumns; j >= 1; --j)
        if (av[j] >= alpha) jhi = j;

    double a;
    double b;
    if (lo != hi) {
        a = L[lo][jlo] + (h - hv[lo]) * (L[hi][jlo] - L[lo][jlo]) / (hv[hi] - hv[lo]);
        b = L[lo][jhi] + (h - hv[lo]) * (L[hi][jhi] - L[lo][jhi]) / (hv[hi] - hv[lo]);
    } else {
        a = L[lo][jlo];
        b = L[lo][jhi];
    }
    if (jlo != jhi) return a + (alpha - av[jlo]) * (b - a) / (av[jhi] - av[jlo]);
    return a;
}

namespace {

// A censored line without its ">" and blanks: the text of its depth.
std::string DepthText(const std::string& line) {
    std::string rest;
    for (char ch : line)
        if (ch != '>' && ch != ' ') rest += ch;
    return rest;
}

bool IsBlankLine(const std::string& line) {
    return line.find_first_not_of(" \t") == std::string::npos;
}

// Mean and variance of the fitted normal beyond T, and the integration
// passes they took (0: in closed form).
struct TailMoments {
    double estimate = 0;
    double variance = 0;
    int passes = 0;
};

TailMoments IntegrateTail(double mu, double sigma, double T) {
    const double U = mu + 5 * sigma;
    const double delta = (U - T) / 100;
    auto density = [&](double x) {
        const double z = (x - mu) / sigma;
        return std::exp(-(z * z) / 2) / std::sqrt(2 * kPi * sigma * sigma);
    };
    // x normally reaches U after 100 or 101 steps; a step too small to move
    // x (U a few units in the last place above T) would never get there.
    constexpr int kMaxPasses = 1000;
    TailMoments moments;
    if (U > T) {
        double x = T;
        double S0 = 0;
        double S1 = 0;
        do {
            x = x + delta;
            const double f = density(x);
            S1 = S1 + f * x;
            S0 = S0 + f;
            ++moments.passes;
        } while (x < U && moments.passes < kMaxPasses);
        if (x >= U) {
            moments.estimate = S1 / S0;
            x = T;
            double S2 = 0;
            do {
                x = x + delta;
                const double f = density(x);
                S2 = S2 + (x - moments.estimate) * (x - moments.estimate) * f;
            } while (x < U);
            moments.variance = S2 / S0;
            return moments;
        }
    }
    // The fitted distribution lies (almost) wholly below the cut-off, as
    // after one dry hole far below the water table found elsewhere: no
    // integration grid covers its tail, but its moments are known.
    const NormalTail tail = StandardNormalTail((T - mu) / sigma);
    return {mu + sigma * tail.r, sigma * sigma * tail.spread, 0};
}

// The correction-factor estimator for a sample singly censored at T, from
// the uncensored values; mu and sigma stay unset (0) when it has none.
void FitByTable(const std::vector<double>& values, double T, CensoredEstimate& result) {
    const int n = static_cast<int>(values.size());
    double Sx = 0;
    double Sxx = 0;
    for (double x : values) {
        Sx = Sx + x;
        Sxx = Sxx + x * x;
    }
    const double m = Sx / n;
    if (m == T) {
        result.noEstimateReason = "the mean of the uncensored values equals the cut-off";
        return;
    }
    // The one-pass sum of squares of equal values can come out a rounding
    // error below zero; their spread is zero.
    double squares = Sxx - Sx * Sx / n;
    if (squares < 0) squares = 0;
    const double s = std::sqrt(squares / (n - 1));
    const double alpha = s * s / ((m - T) * (m - T));
    const double lambda = LambdaLookup(result.h, alpha);
    const double sigma = std::sqrt(s * s + (m - T) * lambda * (m - T));
    const double mu = m - (m - T) * lambda;
    result.alpha = alpha;
    result.lambda = lambda;
    if (!std::isfinite(s) || !std::isfinite(alpha) || !std::isfinite(lambda) ||
        !std::isfinite(sigma) || !std::isfinite(mu) || !(sigma > 0)) {
        result.noEstimateReason = "the fitted normal distribution is not finite";
        return;
    }
    result.mu = mu;
    result.sigma = sigma;
}

}  // namespace

CensoredSample ReadCensoredLines(const std::vector<std::string>& lines,
                                 const IgnoredLine& ignored) {
    CensoredSample sample;
    for (std::size_t i = 0; i < lines.size(); ++i) {
        const std::string& line = lines[i];
        if (IsNumber(line)) {
            sample.uncensored.push_back(ToNumber(line));
        } else if (line.find('>') != std::string::npos) {
            const std::string rest = DepthText(line);
            CensoredValue value{line, std::nullopt};
            if (IsNumber(rest)) value.depth = ToNumber(rest);
            sample.censored.push_back(std::move(value));
        } else if (ignored && !IsBlankLine(line)) {
            ignored(i + 1, line);
        }
    }
    return sample;
}

CensoredSample ReadCensoredInput(const std::string& inputFile, const IgnoredLine& ignored) {
    return ReadCensoredLines(ReadTextLines(inputFile), ignored);
}

CutOffChoice ChooseCutOff(const CensoredSample& sample, const std::string& source,
                          const CensoredMessages& showMessage) {
    auto tell = [&showMessage](const std::string& message) {
        if (showMessage) showMessage(message);
    };
    CutOffChoice choice;
    for (const CensoredValue& value : sample.censored) {
        if (!value.depth) {
            tell("niet-numerieke tekens in " + DepthText(value.text) + " in " + source);
            continue;
        }
        ++choice.censored;
        if (*value.depth > choice.value) {
            tell("meerdere cut-off waarden in " + source);
        } else {
            choice.value = *value.depth;
            choice.text = value.text;
        }
    }
    return choice;
}

CensoredEstimate EstimateCensored(const CensoredSample& sample, const std::string& source,
                                  const CensoredMessages& showMessage) {
    GetLambdaTable();
    const CutOffChoice cutOff = ChooseCutOff(sample, source, showMessage);
    CensoredEstimate result;
    result.cutOff = cutOff.value;
    result.cutOffText = cutOff.text;
    const int c = cutOff.censored;
    const int N = static_cast<int>(sample.uncensored.size()) + c;
    result.h = N > 0 ? static_cast<double>(c) / N : 0.0;
    if (c == 0) {
        result.noEstimateReason = "no censored value";
        return result;
    }
    if (sample.uncensored.size() < 2) {
        result.noEstimateReason = "fewer than two uncensored values";
        return result;
    }
    FitByTable(sample.uncensored, result.cutOff, result);
    if (!result.noEstimateReason.empty()) return result;

    const TailMoments moments = IntegrateTail(result.mu, result.sigma, result.cutOff);
    if (!std::isfinite(moments.estimate) || !std::isfinite(moments.variance)) {
        result.noEstimateReason = "the fitted normal distribution is not finite";
        return result;
    }
    result.estimated = true;
    result.estimate = moments.estimate;
    result.variance = moments.variance;
    result.integrationPasses = moments.passes;
    return result;
}

void WriteCensoredReport(const std::string& outputFile, const CensoredEstimate& estimate) {
    TextFileWriter out(outputFile);
    out.WriteLine(estimate.cutOffText);
    out.WriteLine("ML-schatting: " + W(estimate.estimate, 8, 3) +
                  "; met variantie: " + W(estimate.variance, 10, 3));
    out.WriteLine("c/N      : " + W(estimate.h, 5, 3) + "; alpha    : " + W(estimate.alpha, 5, 3) +
                  "; lambda   : " + W(estimate.lambda, 5, 3));
    if (estimate.exact) {
        out.WriteLine("method   : exact maximum likelihood; mu : " + W(estimate.mu, 8, 3) +
                      "; sigma : " + W(estimate.sigma, 8, 3));
    }
    out.Commit();
}

CensoredEstimate EstimateCensored(const std::string& inputFile, const std::string& outputFile,
                                  const CensoredMessages& showMessage) {
    const CensoredEstimate result =
        EstimateCensored(ReadCensoredInput(inputFile), inputFile, showMessage);
    if (result.estimated) WriteCensoredReport(outputFile, result);
    return result;
}

}  // namespace tarnovel
