#pragma once
// Tail probabilities of the regression report, through the regularised
// incomplete beta function, Gamma and log Gamma. Faults are not reported:
// arguments outside the domain and underflow give 0, poles and overflow
// MaxReal (signed where a sign exists).

namespace tarnovel {

inline constexpr double MaxReal = 1.797693134862315e308;

double IncompleteBeta(double a, double b, double x);
double GammaFunction(double x);
double LogGamma(double x);  // log of |Gamma(x)|
double PowerFunction(double x, double y);

// Prob(|T| > |t|) for nu degrees of freedom.
double StudentTwoTail(int nu, double t);

// Prob(F > f) for (nu1, nu2) degrees of freedom.
double FisherUpperTail(int nu1, int nu2, double f);

}  // namespace tarnovel
