#pragma once
// Vectors, matrices and the singular value decomposition behind every
// least-squares problem of the regression engine. Arrays are used from index
// 1 but allocated from 0; element 0 carries the constant term or settings
// where a routine says so.

#include <cstddef>
#include <vector>

namespace tarnovel {

using Vector = std::vector<double>;
using Matrix = std::vector<Vector>;                          // Matrix[i][j]: row i, column j
using BoolMatrix = std::vector<std::vector<unsigned char>>;  // 0 false, else true

inline constexpr int kMaxVectorBound = 8190;
inline constexpr int kMaxMatrixRowBound = 16382;
inline constexpr int kMaxBoolColumnBound = 32766;

// As a double this is 2^-52.
inline constexpr double MachineEpsilon = 2.220446049250313E-16;

// Each leaves `handle` empty when a bound is negative or above its limit.
void AllocVector(Vector& handle, int ub);
void AllocMatrix(Matrix& handle, int ub1, int ub2);
void AllocBoolMatrix(BoolMatrix& handle, int ub1, int ub2);
void FreeVector(Vector& handle);
void FreeMatrix(Matrix& handle, int ub1);
void FreeBoolMatrix(BoolMatrix& handle, int ub1);

void CopyVector(Vector& dest, const Vector& source, int lb, int ub);
void CopyColumnToVector(Vector& dest, const Matrix& m, int lb, int j, int ub);
double VectorMax(const Vector& v, int lb, int ub);

double Pythag(double a, double b);

// rows x cols values in one block, row after row; m[i][j] reads and
// writes element j of row i as a Matrix's does. A design matrix has many
// short rows: one block keeps them together.
class DenseMatrix {
  public:
    DenseMatrix(std::size_t rows, std::size_t cols) : cols_(cols), values_(rows * cols, 0.0) {}
    double* operator[](std::size_t i) { return values_.data() + i * cols_; }
    const double* operator[](std::size_t i) const { return values_.data() + i * cols_; }

  private:
    std::size_t cols_;
    std::vector<double> values_;
};

// Decomposes rows lb..ub1, columns lb..ub2 of A into U diag(sv) V'. U
// overwrites A. A must have at least max(ub1, ub2) + 1 rows (the
// accumulation writes row i for every column i); sv needs ub2 + 1 elements
// and V (ub2 + 1) x (ub2 + 1). Returns 0, or -2 when a singular value did
// not converge in 30 passes. The singular values are not sorted.
int SvdDecompose(Matrix& A, int lb, int ub1, int ub2, Vector& sv, Matrix& V);
int SvdDecompose(DenseMatrix& A, int lb, int ub1, int ub2, Vector& sv, Matrix& V);

// Sets to 0 every sv_i below tol times the largest of sv_lb..sv_ub.
void SvdZeroSmall(Vector& sv, int lb, int ub, double tol);

// x := V diag(1/sv) U' r, leaving out the terms whose sv_j is 0.
void SvdSolve(const Matrix& U, const Vector& sv, const Matrix& V, const Vector& r, int lb, int ub1,
              int ub2, Vector& x);
void SvdSolve(const DenseMatrix& U, const Vector& sv, const Matrix& V, const Vector& r, int lb,
              int ub1, int ub2, Vector& x);

}  // namespace tarnovel
