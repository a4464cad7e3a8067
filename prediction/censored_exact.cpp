#include "prediction/censored_exact.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace tarnovel {

namespace {

constexpr double kLogSqrtTwoPi = 0.91893853320467274178;
// Where StandardNormalTail turns to its continued fraction, 1 - Phi is
// still far from underflow; beyond it only its logarithm is kept.
constexpr double kLogTailFrom = 5.0;
constexpr int kMaxIterations = 100;
constexpr int kMaxHalvings = 60;
// Newton converges quadratically: after a step this small the next one
// would lie below the rounding of the parameters.
constexpr double kConverged = 1e-10;
// Rises of the log-likelihood smaller than this, relative to its size, are
// lost in its rounding.
constexpr double kUnseenRise = 1e-11;

// log(1 - Phi(a)), finite as far out as a^2 / 2 is.
double LogUpperTail(double a) {
    if (a < 0) return std::log1p(-std::erfc(-a / std::sqrt(2.0)) / 2);
    if (a < kLogTailFrom) return std::log(std::erfc(a / std::sqrt(2.0)) / 2);
    return -(a * a) / 2 - kLogSqrtTwoPi - std::log(StandardNormalTail(a).r);
}

// The sample centred and scaled by the uncensored values, so that the fit
// starts from delta = 0, h = 1 and its steps are of order 1 whatever the
// unit of the depths.
struct ScaledSample {
    std::vector<double> y;  // uncensored values
    std::vector<double> t;  // cut-offs
};

// The log-likelihood in delta = mu / sigma and h = 1 / sigma, without its
// constant. In these parameters it is strictly concave, so a Newton
// step always points uphill and a maximum, where there is one, is the only
// one; in mu and sigma it is not.
double LogLikelihood(const ScaledSample& s, double delta, double h) {
    if (!(h > 0)) return -std::numeric_limits<double>::infinity();
    double value = static_cast<double>(s.y.size()) * std::log(h);
    for (double y : s.y) {
        const double z = h * y - delta;
        value -= z * z / 2;
    }
    for (double t : s.t)
        value += LogUpperTail(h * t - delta);
    return value;
}

struct NewtonStep {
    double delta = 0;
    double h = 0;
    double gain = 0;     // gradient times step: twice the rise it promises
    bool valid = false;  // false when the Hessian is not negative definite
};

NewtonStep StepAt(const ScaledSample& s, double delta, double h) {
    const double n = static_cast<double>(s.y.size());
    double gDelta = 0, gH = n / h;
    double hDD = -n, hDH = 0, hHH = -n / (h * h);
    for (double y : s.y) {
        const double z = h * y - delta;
        gDelta += z;
        gH -= z * y;
        hDH += y;
        hHH -= y * y;
    }
    for (double t : s.t) {
        const NormalTail tail = StandardNormalTail(h * t - delta);
        const double slope = 1 - tail.spread;  // dr/da = r (r - a)
        gDelta += tail.r;
        gH -= tail.r * t;
        hDD -= slope;
        hDH += slope * t;
        hHH -= slope * t * t;
    }
    const double det = hDD * hHH - hDH * hDH;
    NewtonStep step;
    step.valid = det > 0 && hDD < 0 && std::isfinite(det);
    if (step.valid) {
        step.delta = (-gDelta * hHH + gH * hDH) / det;
        step.h = (-gH * hDD + gDelta * hDH) / det;
        step.gain = gDelta * step.delta + gH * step.h;
        step.valid = std::isfinite(step.delta) && std::isfinite(step.h);
    }
    return step;
}

bool IsSmall(const NewtonStep& step, double delta, double h, double tolerance) {
    return std::fabs(step.delta) <= tolerance * (1 + std::fabs(delta)) &&
           std::fabs(step.h) <= tolerance * h;
}

// Newton's method with step halving from delta = 0, h = 1; false when the
// iterations run away (no finite maximum) or stall far from one.
bool Maximise(const ScaledSample& s, double& delta, double& h, int& iterations) {
    for (iterations = 1; iterations <= kMaxIterations; ++iterations) {
        const NewtonStep step = StepAt(s, delta, h);
        if (!step.valid) return false;
        if (IsSmall(step, delta, h, kConverged)) {
            delta += step.delta;
            h += step.h;
            return true;
        }
        const double current = LogLikelihood(s, delta, h);
        // A rise below the rounding of the likelihood cannot be checked;
        // so close to the maximum the full step is the right one.
        double fraction = 1;
        if (step.gain > kUnseenRise * (1 + std::fabs(current)) || !(h + step.h > 0)) {
            int halvings = 0;
            while (!(LogLikelihood(s, delta + fraction * step.delta, h + fraction * step.h) >
                     current)) {
                if (++halvings > kMaxHalvings) return false;
                fraction /= 2;
            }
        }
        delta += fraction * step.delta;
        h += fraction * step.h;
    }
    return false;
}

bool AllFinite(const std::vector<double>& values) {
    return std::all_of(values.begin(), values.end(), [](double v) { return std::isfinite(v); });
}

}  // namespace

NormalFit FitCensoredNormal(const std::vector<double>& uncensored,
                            const std::vector<double>& cutOffs) {
    NormalFit fit;
    if (uncensored.size() < 2) {
        fit.noFitReason = "fewer than two uncensored values";
        return fit;
    }
    if (!AllFinite(uncensored) || !AllFinite(cutOffs)) {
        fit.noFitReason = "a value is not finite";
        return fit;
    }
    // Divided before they are added, and the deviations by the largest
    // before they are squared: no overflow short of the largest doubles.
    const double n = static_cast<double>(uncensored.size());
    double centre = 0;
    for (double x : uncensored)
        centre += x / n;
    // Equal values must not spread by the rounding of their mean.
    if (std::all_of(uncensored.begin(), uncensored.end(),
                    [&](double x) { return x == uncensored.front(); }))
        centre = uncensored.front();
    double largest = 0;
    for (double x : uncensored)
        largest = std::max(largest, std::fabs(x - centre));
    double squares = 0;
    if (largest > 0)
        for (double x : uncensored)
            squares += ((x - centre) / largest) * ((x - centre) / largest);
    double scale = largest * std::sqrt(squares / n);
    // Equal uncensored values leave only the cut-offs to measure the spread.
    if (scale == 0)
        for (double t : cutOffs)
            scale = std::max(scale, std::fabs(t - centre));
    ScaledSample s;
    for (double x : uncensored)
        s.y.push_back((x - centre) / scale);
    for (double t : cutOffs)
        s.t.push_back((t - centre) / scale);
    double delta = 0;
    double h = 1;
    if (!(scale > 0) || !Maximise(s, delta, h, fit.iterations)) {
        fit.noFitReason = "the likelihood has no finite maximum";
        return fit;
    }
    fit.mu = centre + scale * (delta / h);
    fit.sigma = scale / h;
    fit.fitted = std::isfinite(fit.mu) && std::isfinite(fit.sigma) && fit.sigma > 0;
    if (!fit.fitted) fit.noFitReason = "the likelihood has no finite maximum";
    return fit;
}

CensoredMoments MomentsBeyond(double mu, double sigma, double cutOff) {
    const NormalTail tail = StandardNormalTail((cutOff - mu) / sigma);
    return {mu + sigma * tail.r, sigma * sigma * tail.spread};
}

CensoredEstimate EstimateCensoredExact(const CensoredSample& sample, double cutOff,
                                       const std::string& cutOffText) {
    CensoredEstimate result;
    result.exact = true;
    result.cutOff = cutOff;
    result.cutOffText = cutOffText;
    std::vector<double> cutOffs;
    for (const CensoredValue& value : sample.censored)
        if (value.depth) cutOffs.push_back(*value.depth);
    const std::vector<double>& values = sample.uncensored;
    const std::size_t N = values.size() + cutOffs.size();
    result.h = N > 0 ? static_cast<double>(cutOffs.size()) / static_cast<double>(N) : 0.0;
    if (cutOffs.empty()) {
        result.noEstimateReason = "no censored value";
        return result;
    }
    const NormalFit fit = FitCensoredNormal(values, cutOffs);
    if (!fit.fitted || !std::isfinite(cutOff)) {
        result.noEstimateReason = fit.fitted ? "the cut-off is not finite" : fit.noFitReason;
        return result;
    }
    result.mu = fit.mu;
    result.sigma = fit.sigma;
    result.iterations = fit.iterations;

    double m = 0;
    for (double x : values)
        m += x;
    m /= static_cast<double>(values.size());
    double squares = 0;
    for (double x : values)
        squares += (x - m) * (x - m);
    const double variance = squares / static_cast<double>(values.size() - 1);
    result.alpha = variance / ((m - cutOff) * (m - cutOff));
    result.lambda = (m - fit.mu) / (m - cutOff);

    const CensoredMoments moments = MomentsBeyond(fit.mu, fit.sigma, cutOff);
    if (!std::isfinite(moments.estimate) || !std::isfinite(moments.variance)) {
        result.noEstimateReason = "the fitted normal distribution is not finite";
        return result;
    }
    result.estimated = true;
    result.estimate = moments.estimate;
    result.variance = moments.variance;
    return result;
}

CensoredEstimate EstimateCensoredExact(const CensoredSample& sample, const std::string& source,
                                       const CensoredMessages& showMessage) {
    const CutOffChoice choice = ChooseCutOff(sample, source, showMessage);
    return EstimateCensoredExact(sample, choice.value, choice.text);
}

}  // namespace tarnovel
