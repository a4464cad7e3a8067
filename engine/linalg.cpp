#include "engine/linalg.h"

#include <cmath>
#include <utility>

namespace tarnovel {

namespace {

double Sign(double f) {
    return f >= 0 ? 1.0 : -1.0;
}

}  // namespace

void AllocVector(Vector& handle, int ub) {
    handle.clear();
    if (ub < 0 || ub > kMaxVectorBound) return;
    handle.assign(static_cast<std::size_t>(ub) + 1, 0.0);
}

void AllocMatrix(Matrix& handle, int ub1, int ub2) {
    handle.clear();
    if (ub1 < 0 || ub2 < 0 || ub1 > kMaxMatrixRowBound || ub2 > kMaxVectorBound) return;
    handle.assign(static_cast<std::size_t>(ub1) + 1,
                  Vector(static_cast<std::size_t>(ub2) + 1, 0.0));
}

void AllocBoolMatrix(BoolMatrix& handle, int ub1, int ub2) {
    handle.clear();
    if (ub1 < 0 || ub2 < 0 || ub1 > kMaxMatrixRowBound || ub2 > kMaxBoolColumnBound) return;
    handle.assign(static_cast<std::size_t>(ub1) + 1,
                  std::vector<unsigned char>(static_cast<std::size_t>(ub2) + 1, 0));
}

void FreeVector(Vector& handle) {
    Vector().swap(handle);
}
void FreeMatrix(Matrix& handle, int) {
    Matrix().swap(handle);
}
void FreeBoolMatrix(BoolMatrix& handle, int) {
    BoolMatrix().swap(handle);
}

void CopyVector(Vector& dest, const Vector& source, int lb, int ub) {
    for (int i = lb; i <= ub; ++i)
        dest[i] = source[i];
}

void CopyColumnToVector(Vector& dest, const Matrix& m, int lb, int j, int ub) {
    for (int i = lb; i <= ub; ++i)
        dest[i] = m[i][j];
}

double VectorMax(const Vector& v, int lb, int ub) {
    double best = v[lb];
    for (int i = lb + 1; i <= ub; ++i)
        if (v[i] > best) best = v[i];
    return best;
}

double Pythag(double a, double b) {
    double absa = std::fabs(a);
    double absb = std::fabs(b);
    double p = absa > absb ? absa : absb;
    double q = absa > absb ? absb : absa;
    if (p == 0) return 0;
    double r = q / p;
    return p * std::sqrt(1 + r * r);
}

// Golub-Reinsch: Householder bidiagonalisation, accumulation of the right-
// and left-hand transformations, then implicit-shift QR on the bidiagonal
// form. The order of every operation is fixed: result files are compared to
// the character with other implementations of the same steps.
namespace {

// The decomposition on any rows that index as Matrix rows do: a Matrix or a
// DenseMatrix, with the same arithmetic in the same order.
template <typename Rows>
int Decompose(Rows& A, int lb, int ub1, int ub2, Vector& sv, Matrix& V) {
    const int m = ub1;
    const int nn = ub2;
    Vector e;
    AllocVector(e, nn);
    if (e.empty()) e.assign(static_cast<std::size_t>(nn) + 1, 0.0);

    double g = 0, scale = 0, anorm = 0, s = 0, f = 0, h = 0;
    int l = lb;

    for (int i = lb; i <= nn; ++i) {
        l = i + 1;
        e[i] = scale * g;
        g = s = scale = 0;
        if (i <= m) {
            for (int k = i; k <= m; ++k)
                scale += std::fabs(A[k][i]);
            if (scale != 0) {
                for (int k = i; k <= m; ++k) {
                    A[k][i] /= scale;
                    s += A[k][i] * A[k][i];
                }
                f = A[i][i];
                g = -(Sign(f) * std::sqrt(s));
                h = f * g - s;
                A[i][i] = f - g;
                for (int j = l; j <= nn; ++j) {
                    s = 0;
                    for (int k = i; k <= m; ++k)
                        s += A[k][i] * A[k][j];
                    f = s / h;
                    for (int k = i; k <= m; ++k)
                        A[k][j] += f * A[k][i];
                }
                for (int k = i; k <= m; ++k)
                    A[k][i] *= scale;
            }
        }
        sv[i] = scale * g;
        g = s = scale = 0;
        if (i <= m && i != nn) {
            for (int k = l; k <= nn; ++k)
                scale += std::fabs(A[i][k]);
            if (scale != 0) {
                for (int k = l; k <= nn; ++k) {
                    A[i][k] /= scale;
                    s += A[i][k] * A[i][k];
                }
                f = A[i][l];
                g = -(Sign(f) * std::sqrt(s));
                h = f * g - s;
                A[i][l] = f - g;
                for (int k = l; k <= nn; ++k)
                    e[k] = A[i][k] / h;
                for (int j = l; j <= m; ++j) {
                    s = 0;
                    for (int k = l; k <= nn; ++k)
                        s += A[j][k] * A[i][k];
                    for (int k = l; k <= nn; ++k)
                        A[j][k] += s * e[k];
                }
                for (int k = l; k <= nn; ++k)
                    A[i][k] *= scale;
            }
        }
        double size = std::fabs(sv[i]) + std::fabs(e[i]);
        if (size > anorm) anorm = size;
    }

    for (int i = nn; i >= lb; --i) {
        if (i < nn) {
            if (g != 0) {
                for (int j = l; j <= nn; ++j)
                    V[j][i] = (A[i][j] / A[i][l]) / g;
                for (int j = l; j <= nn; ++j) {
                    s = 0;
                    for (int k = l; k <= nn; ++k)
                        s += A[i][k] * V[k][j];
                    for (int k = l; k <= nn; ++k)
                        V[k][j] += s * V[k][i];
                }
            }
            for (int j = l; j <= nn; ++j)
                V[i][j] = V[j][i] = 0;
        }
        V[i][i] = 1;
        g = e[i];
        l = i;
    }

    for (int i = nn; i >= lb; --i) {
        l = i + 1;
        g = sv[i];
        for (int j = l; j <= nn; ++j)
            A[i][j] = 0;
        if (g != 0) {
            g = 1 / g;
            for (int j = l; j <= nn; ++j) {
                s = 0;
                for (int k = l; k <= m; ++k)
                    s += A[k][i] * A[k][j];
                f = (s / A[i][i]) * g;
                for (int k = i; k <= m; ++k)
                    A[k][j] += f * A[k][i];
            }
            for (int j = i; j <= m; ++j)
                A[j][i] *= g;
        } else {
            for (int j = i; j <= m; ++j)
                A[j][i] = 0;
        }
        A[i][i] += 1;
    }

    for (int k = nn; k >= lb; --k) {
        for (int its = 1;; ++its) {
            bool cancel = true;
            for (l = k; l >= lb; --l) {
                // e[lb] is always 0, so the search ends at lb; stopping there
                // explicitly keeps NaN data from reading sv[lb - 1].
                if (std::fabs(e[l]) + anorm == anorm || l == lb) {
                    cancel = false;
                    break;
                }
                if (std::fabs(sv[l - 1]) + anorm == anorm) break;
            }
            if (cancel) {
                double c = 0;
                s = 1;
                for (int i = l; i <= k; ++i) {
                    f = s * e[i];
                    if (std::fabs(f) + anorm != anorm) {
                        g = sv[i];
                        h = Pythag(f, g);
                        sv[i] = h;
                        h = 1 / h;
                        c = g * h;
                        s = -(f * h);
                        for (int j = lb; j <= m; ++j) {
                            double y = A[j][l - 1];
                            double z = A[j][i];
                            A[j][l - 1] = y * c + z * s;
                            A[j][i] = z * c - y * s;
                        }
                    }
                }
            }
            double z = sv[k];
            if (l == k) {
                if (z < 0) {
                    sv[k] = -z;
                    for (int j = lb; j <= nn; ++j)
                        V[j][k] = -V[j][k];
                }
                break;
            }
            if (its == 30) return -2;
            double x = sv[l];
            double y = sv[k - 1];
            g = e[k - 1];
            h = e[k];
            f = ((y - z) * (y + z) + (g - h) * (g + h)) / (2 * h * y);
            g = Pythag(f, 1);
            f = ((x - z) * (x + z) + h * (y / (f + Sign(f) * std::fabs(g)) - h)) / x;
            double c = 1;
            s = 1;
            for (int j = l; j <= k - 1; ++j) {
                int i = j + 1;
                g = e[i];
                y = sv[i];
                h = s * g;
                g = c * g;
                z = Pythag(f, h);
                e[j] = z;
                c = f / z;
                s = h / z;
                f = x * c + g * s;
                g = g * c - x * s;
                h = y * s;
                y = y * c;
                for (int jj = lb; jj <= nn; ++jj) {
                    double p = V[jj][j];
                    double q = V[jj][i];
                    V[jj][j] = p * c + q * s;
                    V[jj][i] = q * c - p * s;
                }
                z = Pythag(f, h);
                sv[j] = z;
                if (z != 0) {
                    z = 1 / z;
                    c = f * z;
                    s = h * z;
                }
                f = c * g + s * y;
                x = c * y - s * g;
                for (int jj = lb; jj <= m; ++jj) {
                    double p = A[jj][j];
                    double q = A[jj][i];
                    A[jj][j] = p * c + q * s;
                    A[jj][i] = q * c - p * s;
                }
            }
            e[l] = 0;
            e[k] = f;
            sv[k] = x;
        }
    }
    return 0;
}

}  // namespace

void SvdZeroSmall(Vector& sv, int lb, int ub, double tol) {
    double threshold = tol * VectorMax(sv, lb, ub);
    for (int i = lb; i <= ub; ++i)
        if (sv[i] < threshold) sv[i] = 0;
}

namespace {

template <typename Rows>
void Solve(const Rows& U, const Vector& sv, const Matrix& V, const Vector& r, int lb, int ub1,
           int ub2, Vector& x) {
    Vector t(static_cast<std::size_t>(ub2) + 1, 0.0);
    for (int j = lb; j <= ub2; ++j) {
        if (sv[j] > 0) {
            double s = 0;
            for (int i = lb; i <= ub1; ++i)
                s += U[i][j] * r[i];
            t[j] = s / sv[j];
        }
    }
    for (int i = lb; i <= ub2; ++i) {
        double s = 0;
        for (int j = lb; j <= ub2; ++j)
            s += V[i][j] * t[j];
        x[i] = s;
    }
}

}  // namespace

int SvdDecompose(Matrix& A, int lb, int ub1, int ub2, Vector& sv, Matrix& V) {
    return Decompose(A, lb, ub1, ub2, sv, V);
}

int SvdDecompose(DenseMatrix& A, int lb, int ub1, int ub2, Vector& sv, Matrix& V) {
    return Decompose(A, lb, ub1, ub2, sv, V);
}

void SvdSolve(const Matrix& U, const Vector& sv, const Matrix& V, const Vector& r, int lb, int ub1,
              int ub2, Vector& x) {
    Solve(U, sv, V, r, lb, ub1, ub2, x);
}

void SvdSolve(const DenseMatrix& U, const Vector& sv, const Matrix& V, const Vector& r, int lb,
              int ub1, int ub2, Vector& x) {
    Solve(U, sv, V, r, lb, ub1, ub2, x);
}

}  // namespace tarnovel
