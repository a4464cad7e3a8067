#include "engine/multiple_fit.h"

#include <algorithm>
#include <cmath>

#include "engine/probability.h"

namespace tarnovel {

int FitMultipleLinear(const Matrix& X, const Vector& y, const Vector& s, int n, int k,
                      double constant, int weighting, Vector& b, Matrix& V, Vector& yhat,
                      Vector& sd, FitStatistics& stats) {
    const bool withConstant = constant == 1;
    const bool weighted = weighting != 0;
    const int p0 = withConstant ? 0 : 1;

    Vector w;
    if (weighted) {
        w.assign(static_cast<std::size_t>(n) + 1, 0.0);
        CopyVector(w, s, 0, n);
        double sum = 0;
        for (int i = 1; i <= n; ++i) {
            w[i] = 1 / (1 + s[i]);
            sum += w[i];
        }
        for (int i = 1; i <= n; ++i)
            w[i] = (n * w[i]) / sum;
    }

    if (SvdRegression(X, y, w, n, k, withConstant, b, V) == -2) return -2;

    Vector x(static_cast<std::size_t>(k) + 1, 0.0);
    for (int i = 1; i <= n; ++i) {
        CopyColumnToVector(x, X, p0, i, k);
        yhat[i] = LinearPredictor(x, b, p0, k);
    }

    ComputeFitStatistics(y, yhat, w, n, p0, k, V, stats);

    for (int i = 1; i <= n; ++i) {
        sd[i] = std::sqrt(stats.Vr);
        if (weighted) sd[i] = sd[i] / std::sqrt(w[i]);
    }
    return 0;
}

int SvdRegression(const Matrix& X, const Vector& y, const Vector& w, int n, int k, bool constant,
                  Vector& b, Matrix& V) {
    const bool weighted = !w.empty();
    const int lb = constant ? 0 : 1;
    const int ub1 = constant ? n - 1 : n;
    const int ub2 = k;

    // With fewer observations than parameters the decomposition still
    // touches row i of every column i, so the design gets at least as many
    // rows as columns; the extra rows stay zero and take no other part.
    const int rows = std::max(ub1, ub2) + 1;
    DenseMatrix A(static_cast<std::size_t>(rows), static_cast<std::size_t>(ub2) + 1);
    Vector r(static_cast<std::size_t>(rows), 0.0);
    for (int i = 1; i <= n; ++i) {
        const int row = constant ? i - 1 : i;
        const double c = weighted ? std::sqrt(w[i]) : 1.0;
        r[row] = c * y[i];
        if (constant) A[row][0] = c;
        for (int j = 1; j <= k; ++j)
            A[row][j] = c * X[j][i];
    }

    Vector sv(static_cast<std::size_t>(ub2) + 1, 0.0);
    Matrix Vs(static_cast<std::size_t>(ub2) + 1, Vector(static_cast<std::size_t>(ub2) + 1, 0.0));
    if (SvdDecompose(A, lb, ub1, ub2, sv, Vs) == -2) return -2;

    const double tol = n * MachineEpsilon;
    SvdZeroSmall(sv, lb, ub2, tol);
    SvdSolve(A, sv, Vs, r, lb, ub1, ub2, b);

    Vector q(static_cast<std::size_t>(ub2) + 1, 0.0);
    for (int l = lb; l <= ub2; ++l)
        q[l] = sv[l] > 0 ? 1 / (sv[l] * sv[l]) : 0;
    for (int i = lb; i <= ub2; ++i) {
        for (int j = lb; j <= i; ++j) {
            double sum = 0;
            for (int l = lb; l <= ub2; ++l)
                sum += Vs[i][l] * Vs[j][l] * q[l];
            V[i][j] = sum;
            V[j][i] = sum;
        }
    }
    return 0;
}

double LinearPredictor(const Vector& x, const Vector& b, int p0, int k) {
    double sum = p0 == 0 ? b[0] : 0;
    for (int j = 1; j <= k; ++j)
        sum = sum + b[j] * x[j];
    return sum;
}

void ComputeFitStatistics(const Vector& y, const Vector& yhat, const Vector& w, int n, int p0,
                          int k, Matrix& V, FitStatistics& stats) {
    const int Nb = k - p0 + 1;
    const bool weighted = !w.empty();
    if (n <= Nb) {
        stats = {0, 1, 0, 0, 1};
    } else {
        double sumY = 0;
        for (int i = 1; i <= n; ++i)
            sumY += y[i];
        const double mean = sumY / n;

        double SST = 0, SSR = 0, SSE = 0;
        for (int i = 1; i <= n; ++i) {
            const double dt = y[i] - mean;
            const double dr = yhat[i] - mean;
            const double de = y[i] - yhat[i];
            if (weighted) {
                SST += w[i] * (dt * dt);
                SSR += w[i] * (dr * dr);
                SSE += w[i] * (de * de);
            } else {
                SST += dt * dt;
                SSR += dr * dr;
                SSE += de * de;
            }
        }
        stats.r2 = SSR / SST;
        stats.r2a = 1 - (1 - stats.r2) * (n - 1) / (n - Nb);
        stats.Vr = SSE / (n - Nb);
        if (Nb == 1) {
            // No explained degrees of freedom: there is no variance ratio to
            // test, so report it as the guard for too few observations does.
            stats.F = 0;
            stats.ProbF = 1;
        } else if (stats.Vr > 0) {
            stats.F = SSR / (Nb - 1) / stats.Vr;
            stats.ProbF = FisherUpperTail(Nb - 1, n - Nb, stats.F);
        } else {
            stats.F = MaxReal;
            stats.ProbF = 0;
        }
    }
    for (int i = p0; i <= k; ++i)
        for (int j = i; j <= k; ++j)
            V[i][j] = V[i][j] * stats.Vr;
    for (int i = p0; i <= k; ++i)
        for (int j = p0; j < i; ++j)
            V[i][j] = V[j][i];
}

ParameterTests ComputeParameterTests(const Vector& b, const Matrix& V, int n, int p0, int k) {
    ParameterTests tests;
    const int Nb = k - p0 + 1;
    tests.sd.assign(static_cast<std::size_t>(k) + 1, 0.0);
    tests.t.assign(static_cast<std::size_t>(k) + 1, 0.0);
    tests.prob.assign(static_cast<std::size_t>(k) + 1, 0.0);
    for (int j = p0; j <= k; ++j) {
        if (V[j][j] > 0) {
            tests.sd[j] = std::sqrt(V[j][j]);
            tests.t[j] = b[j] / tests.sd[j];
            tests.prob[j] = StudentTwoTail(n - Nb, tests.t[j]);
        } else {
            tests.sd[j] = 0;
            tests.t[j] = 0;
            tests.prob[j] = 1;
        }
    }
    return tests;
}

}  // namespace tarnovel
