#pragma once
// The result file's layout in one place: the texts its lines are found by
// and the columns (1-based, counted in characters) its numbers stand in. The
// regression job writes it; the results tab and the prediction read it.

#include <cstddef>
#include <string>
#include <string_view>

namespace tarnovel::result_layout {

// `count` characters from the 1-based column `first`.
struct Span {
    std::size_t first;
    std::size_t count;
};

inline constexpr std::string_view kParameterHeading = "Parameter";
inline constexpr std::string_view kObservations = "Number of observations";
inline constexpr std::string_view kResidualError = "Residual error";
inline constexpr std::string_view kR2 = "Coefficient of determination";
inline constexpr std::string_view kR2Adjusted = "Adjusted coeff. of determination";
inline constexpr std::string_view kVarianceRatio = "Variance ratio (explained/resid.)";
inline constexpr std::string_view kCovarianceHeading = "Variance-Covariance ";
inline constexpr std::string_view kResidualHeading = "Std.res.";

// A parameter line: its name right-aligned in 5 characters, then the
// estimate, its standard deviation and t in 17 characters each.
inline constexpr std::size_t kParameterNameWidth = 5;
inline constexpr Span kEstimate{6, 17};
inline constexpr Span kStdDev{23, 17};
inline constexpr Span kTStudent{40, 17};

// A statistic line: the label in 34 characters, ": ", the symbol in 4,
// "= ", then the value from column 43: the count in 5 characters, any other
// statistic in 10.
inline constexpr std::size_t kLabelWidth = 34;
inline constexpr std::size_t kSymbolWidth = 4;
inline constexpr Span kCount{43, 5};
inline constexpr Span kStatistic{43, 10};

inline std::string StatisticLine(std::string_view label, std::string_view symbol,
                                 const std::string& value) {
    std::string line(label);
    line.resize(kLabelWidth, ' ');
    line += ": ";
    line += symbol;
    line.resize(kLabelWidth + 2 + kSymbolWidth, ' ');
    return line + "= " + value;
}

}  // namespace tarnovel::result_layout
