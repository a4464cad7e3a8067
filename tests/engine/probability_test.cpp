#include "engine/probability.h"

#include <gtest/gtest.h>

#include <cmath>

#include "common/number_format.h"
#include "engine/linalg.h"

namespace tarnovel {
namespace {

const double kPi = 3.14159265358979323846;

TEST(Probability, TextbookCriticalValuesPrintAsFivePercent) {
    EXPECT_EQ(W(StudentTwoTail(10, 2.228), 6, 4), "0.0500");
    EXPECT_EQ(W(StudentTwoTail(10, -2.228), 6, 4), "0.0500");
    EXPECT_EQ(W(FisherUpperTail(1, 10, 4.965), 6, 4), "0.0500");
    EXPECT_EQ(W(StudentTwoTail(1, 12.706), 6, 4), "0.0500");
    EXPECT_EQ(W(StudentTwoTail(120, 1.980), 6, 4), "0.0500");
    EXPECT_EQ(W(FisherUpperTail(3, 20, 3.098), 6, 4), "0.0500");
    EXPECT_EQ(W(FisherUpperTail(5, 100, 3.206), 6, 4), "0.0100");
    // t with one degree of freedom is Cauchy: P(|T| > 1) = 1/2 exactly.
    EXPECT_NEAR(StudentTwoTail(1, 1), 0.5, 1e-15);
    // F(2, nu2) has a closed form: P(F > f) = (1 + 2f/nu2)^(-nu2/2).
    EXPECT_NEAR(FisherUpperTail(2, 7, 3.3), std::pow(1 + 2 * 3.3 / 7, -3.5), 1e-14);
}

TEST(Probability, DomainEdges) {
    EXPECT_EQ(StudentTwoTail(5, 0), 1.0);
    EXPECT_EQ(StudentTwoTail(0, 2), 0.0);
    EXPECT_EQ(FisherUpperTail(1, 10, 0), 0.0);
    EXPECT_EQ(FisherUpperTail(1, 10, -1), 0.0);
    EXPECT_EQ(FisherUpperTail(0, 10, 1), 0.0);
    EXPECT_EQ(W(StudentTwoTail(3, 1e16), 6, 4), "0.0000");
    EXPECT_EQ(W(FisherUpperTail(2, 3, 1e31), 6, 4), "0.0000");
    EXPECT_EQ(IncompleteBeta(-1, 2, 0.5), 0.0);
    EXPECT_EQ(IncompleteBeta(1, 2, 1.5), 0.0);
    EXPECT_EQ(IncompleteBeta(1, 2, 0), 0.0);
    EXPECT_EQ(IncompleteBeta(1, 2, 1), 1.0);
}

TEST(IncompleteBeta, FlippedTinyTailStopsJustBelowOne) {
    // I_0.9(1, 50) = 1 - 0.1^50: evaluated through the flip, whose tail is
    // far below the machine epsilon.
    EXPECT_EQ(IncompleteBeta(1, 50, 0.9), 0.9999999999999998);
    // Closed forms on all three evaluation paths: I_x(a, 1) = x^a and
    // I_x(1, b) = 1 - (1 - x)^b.
    for (double x : {0.01, 0.3, 0.5, 0.7, 0.96}) {
        EXPECT_NEAR(IncompleteBeta(3, 1, x), x * x * x, 1e-14) << x;
        EXPECT_NEAR(IncompleteBeta(1, 4, x), 1 - std::pow(1 - x, 4), 1e-14) << x;
    }
    // Symmetry I_x(a, b) = 1 - I_(1-x)(b, a) on the continued-fraction path.
    EXPECT_NEAR(IncompleteBeta(30, 40, 0.45), 1 - IncompleteBeta(40, 30, 0.55), 1e-13);
    // Large arguments take the logarithmic route.
    EXPECT_NEAR(IncompleteBeta(500, 500, 0.5), 0.5, 1e-12);
}

TEST(Gamma, ValuesPolesAndSigns) {
    EXPECT_NEAR(GammaFunction(0.5), std::sqrt(kPi), 1e-15);
    EXPECT_NEAR(GammaFunction(-0.5), -2 * std::sqrt(kPi), 1e-14);
    EXPECT_DOUBLE_EQ(GammaFunction(5), 24);
    EXPECT_DOUBLE_EQ(GammaFunction(2), 1);
    EXPECT_NEAR(GammaFunction(20) / 121645100408832000.0, 1, 1e-14);  // 19!
    EXPECT_NEAR(GammaFunction(0.01), 99.43258511915060, 1e-11);
    EXPECT_NEAR(GammaFunction(-13.5) / 1.3604492473031707e-10, 1, 1e-12);
    EXPECT_NEAR(GammaFunction(150) / 3.8089226376305703e260, 1, 1e-12);
    // Poles: MaxReal with the sign of the integer-part rule.
    EXPECT_EQ(GammaFunction(0), -MaxReal);
    EXPECT_EQ(GammaFunction(-1), MaxReal);
    EXPECT_EQ(GammaFunction(-2), -MaxReal);
    EXPECT_EQ(GammaFunction(172), MaxReal);

    EXPECT_EQ(LogGamma(0), MaxReal);
    EXPECT_EQ(LogGamma(-3), MaxReal);
    EXPECT_NEAR(LogGamma(10), std::log(362880.0), 1e-13);
    EXPECT_NEAR(LogGamma(0.5), 0.5 * std::log(kPi), 1e-15);
    EXPECT_NEAR(LogGamma(100), 359.13420536957539878, 1e-11);
    EXPECT_NEAR(LogGamma(20.5), std::lgamma(20.5), 1e-12);
    EXPECT_NEAR(LogGamma(-40.5), std::lgamma(-40.5), 1e-11);
    EXPECT_NEAR(LogGamma(-2.5), std::lgamma(-2.5), 1e-14);
    EXPECT_NEAR(LogGamma(1e12), std::lgamma(1e12), 1e-3);
}

TEST(PowerFunction, EdgesOfTheDomain) {
    EXPECT_EQ(PowerFunction(-2, 2), 0.0);
    EXPECT_EQ(PowerFunction(0, 0), 1.0);
    EXPECT_EQ(PowerFunction(0, 3), 0.0);
    EXPECT_EQ(PowerFunction(0, -1), MaxReal);
    EXPECT_EQ(PowerFunction(5, 0), 1.0);
    EXPECT_EQ(PowerFunction(10, 400), MaxReal);
    EXPECT_EQ(PowerFunction(10, -400), 0.0);
    EXPECT_NEAR(PowerFunction(2, 10), 1024, 1e-10);
}

}  // namespace
}  // namespace tarnovel
