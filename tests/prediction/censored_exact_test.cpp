#include "prediction/censored_exact.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <limits>
#include <numbers>
#include <optional>
#include <random>
#include <string>
#include <utility>
#include <vector>

#include "prediction/censored.h"
#include "tests/common/scratch_dir.h"

namespace tarnovel {
namespace {

constexpr double kInf = std::numeric_limits<double>::infinity();

struct Sample {
    const char* name;
    std::vector<double> uncensored;
    std::vector<double> cutOffs;
};

// The log-likelihood and its gradient in mu and sigma, written out from
// the normal density and 1 - Phi, for cut-offs no further than a few sigma
// from mu.
struct Likelihood {
    double value = 0;
    double dMu = 0;
    double dSigma = 0;
};

Likelihood LikelihoodAt(const Sample& s, double mu, double sigma) {
    Likelihood l;
    for (double x : s.uncensored) {
        const double z = (x - mu) / sigma;
        l.value += -std::log(sigma) - z * z / 2;
        l.dMu += z / sigma;
        l.dSigma += (z * z - 1) / sigma;
    }
    for (double t : s.cutOffs) {
        const double a = (t - mu) / sigma;
        const double upper = std::erfc(a / std::sqrt(2.0)) / 2;
        const double r = std::exp(-a * a / 2) / std::sqrt(2 * std::numbers::pi) / upper;
        l.value += std::log(upper);
        l.dMu += r / sigma;
        l.dSigma += a * r / sigma;
    }
    return l;
}

TEST(FitCensoredNormal, WithoutCutOffsIsTheOrdinaryFit) {
    const Sample samples[] = {
        {"two values", {90, 110}, {}},
        {"five values", {80, 95, 110, 120, 100.5}, {}},
        {"far from zero", {1e6 + 0.25, 1e6 - 0.5, 1e6 + 1.75, 1e6}, {}},
    };
    for (const Sample& s : samples) {
        SCOPED_TRACE(s.name);
        const double n = static_cast<double>(s.uncensored.size());
        double mean = 0;
        for (double x : s.uncensored)
            mean += x / n;
        double squares = 0;
        for (double x : s.uncensored)
            squares += (x - mean) * (x - mean);
        const NormalFit fit = FitCensoredNormal(s.uncensored, s.cutOffs);
        ASSERT_TRUE(fit.fitted) << fit.noFitReason;
        EXPECT_NEAR(fit.mu, mean, 1e-14 * std::fabs(mean) + 1e-14);
        EXPECT_NEAR(fit.sigma, std::sqrt(squares / n), 1e-13 * std::sqrt(squares / n));
    }
}

TEST(FitCensoredNormal, GradientVanishesAtTheMaximum) {
    const Sample samples[] = {
        {"one cut-off", {80, 95, 110, 120}, {150}},
        {"several cut-offs", {60, 75, 82, 90, 101}, {95, 110, 110, 130}},
        {"80 % censored", {90, 100}, {105, 105, 105, 105, 105, 105, 105, 105}},
        {"cut-off below the mean", {140, 160, 150}, {120}},
        {"mean on the cut-off", {140, 160}, {150}},
        {"equal values, cut-off above", {100, 100, 100}, {110}},
        {"dry hole far beyond the others", {48, 50, 51, 53, 49, 52}, {90}},
        {"far from zero", {1e6 + 2, 1e6 - 3, 1e6 + 1, 1e6}, {1e6 + 1.5, 1e6 + 2.5}},
    };
    for (const Sample& s : samples) {
        SCOPED_TRACE(s.name);
        const NormalFit fit = FitCensoredNormal(s.uncensored, s.cutOffs);
        ASSERT_TRUE(fit.fitted) << fit.noFitReason;
        const Likelihood at = LikelihoodAt(s, fit.mu, fit.sigma);
        const double N = static_cast<double>(s.uncensored.size() + s.cutOffs.size());
        // Zero to the rounding of x - mu, relative to the terms summed.
        double largest = 0;
        for (double x : s.uncensored)
            largest = std::max(largest, std::fabs(x));
        const double tolerance = 1e-12 * (1 + largest / fit.sigma);
        EXPECT_LT(std::fabs(at.dMu) * fit.sigma / N, tolerance);
        EXPECT_LT(std::fabs(at.dSigma) * fit.sigma / N, tolerance);
        // A maximum, not a saddle: every way out goes down.
        const double d = 1e-3 * fit.sigma;
        const std::pair<double, double> moves[] = {{d, 0}, {-d, 0}, {0, d}, {0, -d}, {d, d}};
        for (const auto& [dm, ds] : moves)
            EXPECT_LT(LikelihoodAt(s, fit.mu + dm, fit.sigma + ds).value, at.value);
    }
}

TEST(MomentsBeyond, TailMomentsHoldFarOut) {
    struct Case {
        double mu, sigma, cutOff, estimate, variance;
        double estimateTolerance = 1e-15, varianceTolerance = 1e-15;  // relative
    };
    auto series = [](double mu, double sigma, double a) {
        // r = a + 1/a - 2/a^3 + 10/a^5 - 74/a^7 + 706/a^9 and
        // 1 + a r - r^2 = 1/a^2 - 6/a^4 + 50/a^6 - 518/a^8, plus smaller terms.
        const double u = 1 / (a * a);
        const double r = a + (1 - u * (2 - u * (10 - u * (74 - u * 706)))) / a;
        const double spread = u * (1 - u * (6 - u * (50 - u * 518)));
        return Case{mu, sigma, mu + sigma * a, mu + sigma * r, sigma * sigma * spread};
    };
    Case cases[] = {
        {0, 1, 0, std::sqrt(2 / std::numbers::pi), 1 - 2 / std::numbers::pi},
        {100, 2, 100 - 2 * 40, 100, 4, 0, 0},  // a = -40: the whole distribution
        series(100, 2, 40),
        series(0, 1, 1e4),
        series(-3, 0.5, 1e150),
    };
    cases[2].varianceTolerance = 1e-8;  // the series' next term
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << "a = " << (c.cutOff - c.mu) / c.sigma);
        const CensoredMoments m = MomentsBeyond(c.mu, c.sigma, c.cutOff);
        ASSERT_TRUE(std::isfinite(m.estimate) && std::isfinite(m.variance));
        EXPECT_GE(m.estimate, c.cutOff);
        EXPECT_GT(m.variance, 0.0);
        EXPECT_NEAR(m.estimate, c.estimate, c.estimateTolerance * std::fabs(c.estimate));
        EXPECT_NEAR(m.variance, c.variance, c.varianceTolerance * c.variance);
    }
}

CensoredSample SampleOf(const std::vector<double>& values, const std::vector<double>& cutOffs) {
    CensoredSample sample{values, {}};
    for (double t : cutOffs)
        sample.censored.push_back({">" + std::to_string(t), t});
    return sample;
}

TEST(EstimateCensoredExact, NoEstimateWithoutAFiniteMaximum) {
    struct Case {
        const char* name;
        CensoredSample sample;
        bool estimated;
    };
    const Case cases[] = {
        {"no uncensored value", SampleOf({}, {150, 150}), false},
        {"one uncensored value", SampleOf({80}, {150}), false},
        {"no censored value", SampleOf({80, 90, 100}, {}), false},
        {"no censored value with a depth", {{80, 90}, {{">abc", std::nullopt}}}, false},
        {"infinite value", SampleOf({80, kInf}, {150}), false},
        {"infinite depth", SampleOf({80, 90}, {kInf}), false},
        // Equal uncensored values: sigma goes to 0 unless a cut-off lies
        // above them.
        {"equal values, cut-off below", SampleOf({100, 100}, {90}), false},
        {"equal values, cut-off on them", SampleOf({100, 100}, {100, 90}), false},
        {"equal values, cut-off just above", SampleOf({100, 100}, {100.001, 90}), true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const CensoredEstimate r = EstimateCensoredExact(c.sample, 150, ">150");
        EXPECT_EQ(r.estimated, c.estimated) << r.noEstimateReason;
        EXPECT_EQ(r.noEstimateReason.empty(), c.estimated);
        if (c.estimated) {
            EXPECT_GT(r.estimate, 150);
        } else {
            EXPECT_EQ(r.estimate, 0.0);
            EXPECT_EQ(r.variance, 0.0);
        }
    }
}

TEST(EstimateCensoredExact, EachCensoredValueCountsWithItsOwnDepth) {
    const CensoredSample sample = SampleOf({60, 75, 82, 90, 101}, {95, 110, 110, 130});
    const CensoredEstimate at95 = EstimateCensoredExact(sample, 95, ">95");
    const CensoredEstimate at130 = EstimateCensoredExact(sample, 130, ">130");
    ASSERT_TRUE(at95.estimated && at130.estimated);
    // One fit for the date, whichever cut-off is replaced.
    EXPECT_EQ(at130.mu, at95.mu);
    EXPECT_EQ(at130.sigma, at95.sigma);
    EXPECT_EQ(at95.h, 4.0 / 9);
    EXPECT_GT(at95.estimate, 95);
    EXPECT_GT(at130.estimate, 130);
    // Taken all at the smallest depth, the deeper holes would tell less.
    const CensoredEstimate single =
        EstimateCensoredExact(SampleOf({60, 75, 82, 90, 101}, {95, 95, 95, 95}), 95, ">95");
    EXPECT_LT(single.mu, at95.mu - 1);
}

class ExactReportTest : public ScratchDirTest {};

TEST_F(ExactReportTest, NamesTheMethodInAFourthLine) {
    // The numbers agree with the EM fit of censored_exact_reference.py.
    const CensoredEstimate r =
        EstimateCensoredExact(SampleOf({80, 95, 110, 120}, {150}), 150, ">150");
    ASSERT_TRUE(r.estimated);
    WriteCensoredReport("report.txt", r);
    EXPECT_EQ(Get("report.txt"),
              ">150\r\n"
              "ML-schatting:  163.883; met variantie:    144.757\r\n"
              "c/N      : 0.200; alpha    : 0.129; lambda   : 0.257\r\n"
              "method   : exact maximum likelihood; mu :  113.777; sigma :   28.989\r\n");
}

// Censored normal samples: the exact fit replaces the censored values
// closer to their true conditional mean than the table-driven one, whose
// interpolated factor and coarse integration leave a bias.
TEST(EstimateCensoredExact, CloserToTheTruthThanTheTableOnSimulatedSamples) {
    std::mt19937 random(20240917);
    auto uniform = [&random] { return (random() + 0.5) / 4294967296.0; };
    auto normal = [&] {
        const double radius = std::sqrt(-2 * std::log(uniform()));
        return radius * std::cos(2 * std::numbers::pi * uniform());
    };
    constexpr double kMu = 100, kSigma = 25;
    double squaresTable = 0, squaresExact = 0;
    int samples = 0;
    while (samples < 2000) {
        const int N = 20 + static_cast<int>(random() % 21);
        // A hole depth in whole centimetres leaving 10 to 40 % censored.
        const double z = 0.2533 + (1.2816 - 0.2533) * uniform();
        const double T = std::round(kMu + kSigma * z);
        std::vector<double> values;
        std::vector<double> cutOffs;
        for (int i = 0; i < N; ++i) {
            const double x = kMu + kSigma * normal();
            if (x > T) {
                cutOffs.push_back(T);
            } else {
                values.push_back(x);
            }
        }
        if (cutOffs.empty()) continue;
        const CensoredSample sample = SampleOf(values, cutOffs);
        const CensoredEstimate table = EstimateCensored(sample, "simulated", {});
        const CensoredEstimate exact = EstimateCensoredExact(sample, T, "");
        ASSERT_TRUE(table.estimated && exact.estimated) << samples;
        const double truth = MomentsBeyond(kMu, kSigma, T).estimate;
        squaresTable += (table.estimate - truth) * (table.estimate - truth);
        squaresExact += (exact.estimate - truth) * (exact.estimate - truth);
        ++samples;
    }
    const double rmsTable = std::sqrt(squaresTable / samples);
    const double rmsExact = std::sqrt(squaresExact / samples);
    EXPECT_LT(rmsExact, 0.97 * rmsTable) << rmsExact << " against " << rmsTable;
}

}  // namespace
}  // namespace tarnovel
