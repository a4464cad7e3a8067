#pragma once
// Least-squares fit of y = b0 + b1 x1 + ... + bk xk (b0 only with a
// constant), unweighted or weighted, always through a singular value
// decomposition so that a rank-deficient design yields the minimum-norm
// solution instead of failing.

#include "engine/linalg.h"

namespace tarnovel {

struct FitStatistics {
    double Vr = 0;     // residual variance
    double r2 = 0;     // coefficient of determination
    double r2a = 0;    // adjusted coefficient of determination
    double F = 0;      // variance ratio
    double ProbF = 0;  // Prob(>F)
};

struct ParameterTests {
    Vector sd;    // standard deviation of each parameter, p0..k
    Vector t;     // Student t
    Vector prob;  // Prob(>|t|)
};

// X is k x n (row j = variable xj, column i = observation i); y and s run
// 1..n; `constant` is element 1 of the model settings (a constant exactly
// when it equals 1); weighting 0 is unweighted. b and V must hold 0..k,
// yhat and sd 0..n. Returns 0, or -2 when the decomposition did not converge
// (then nothing after the solver is computed).
int FitMultipleLinear(const Matrix& X, const Vector& y, const Vector& s, int n, int k,
                      double constant, int weighting, Vector& b, Matrix& V, Vector& yhat,
                      Vector& sd, FitStatistics& stats);

// b and the unscaled covariance (A'A)^+ in V. w is empty when unweighted.
int SvdRegression(const Matrix& X, const Vector& y, const Vector& w, int n, int k, bool constant,
                  Vector& b, Matrix& V);

// b0 (with a constant) + sum of b_j x_j, j = 1..k in this order.
double LinearPredictor(const Vector& x, const Vector& b, int p0, int k);

// Fills stats and multiplies V by the residual variance. w is empty when
// unweighted.
void ComputeFitStatistics(const Vector& y, const Vector& yhat, const Vector& w, int n, int p0,
                          int k, Matrix& V, FitStatistics& stats);

ParameterTests ComputeParameterTests(const Vector& b, const Matrix& V, int n, int p0, int k);

}  // namespace tarnovel
