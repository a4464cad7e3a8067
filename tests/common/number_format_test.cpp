#include "common/number_format.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <charconv>
#include <cmath>
#include <iomanip>
#include <limits>
#include <random>
#include <string>
#include <vector>

namespace tarnovel {
namespace {

struct WCase {
    double v;
    int w;
    int d;
    std::string expected;
};

void ExpectW(const std::vector<WCase>& cases) {
    for (const WCase& c : cases) {
        EXPECT_EQ(W(c.v, c.w, c.d), c.expected) << "W(" << c.v << ":" << c.w << ":" << c.d << ")";
    }
}

TEST(WFormat, RoundsHalfAwayFromZeroAtTheLastDecimal) {
    ExpectW({
        {0.125, 5, 2, " 0.13"},
        {-0.125, 6, 2, " -0.13"},
        {2.5, 3, 0, "  3"},
        {-2.5, 3, 0, " -3"},
        {3.5, 1, 0, "4"},
        {0.375, 0, 2, "0.38"},
        {1.0, 14, 4, "        1.0000"},
        {-1234.5678, 12, 2, "    -1234.57"},
        {0.9999, 6, 2, "  1.00"},
        {-99.96, 0, 1, "-100.0"},
        {123.0, 0, 0, "123"},
        {0.0, 6, 2, "  0.00"},
        {0.0, 0, 0, "0"},
        {7.0, 4, -2, "   7"},  // no negative decimals
    });
}

TEST(WFormat, ReducesToEighteenSignificantDigitsFirst) {
    ExpectW({
        // 0.1 is 0.1000000000000000055511...: the 19th digit rounds the 18th.
        {0.1, 0, 18, "0.100000000000000006"},
        {0.1, 0, 20, "0.10000000000000000600"},
        // 12345678901234567168 exactly; digits past the 18th become zeros.
        {12345678901234567168.0, 0, 0, "12345678901234567200"},
        // Exactly ...623.625 and ...623.875: 19 digits ending in a tie, which
        // goes away from zero (not to even).
        {1125899906842623.625, 0, 2, "1125899906842623.63"},
        {1125899906842623.875, 0, 2, "1125899906842623.88"},
        {-1125899906842623.625, 0, 2, "-1125899906842623.63"},
        // Exactly 3008013191702.33349609375: the reduction makes ...3335, a
        // tie at 3 decimals, which then rounds up (double rounding).
        {3008013191702.3335, 0, 3, "3008013191702.334"},
        {217141219909.55365, 0, 4, "217141219909.5537"},
        // Exactly 143.0950205262519432380...: the 18 digits end in ...43.
        {143.09502052625194, 0, 16, "143.0950205262519430"},
        // Just below 1e36 stays in fixed point.
        {9.99e35, 0, 0, "998999999999999954000000000000000000"},
        {9.99e35, 0, 1, "998999999999999954000000000000000000.0"},
        {std::nextafter(1e36, 0.0), 0, 0, "999999999999999895000000000000000000"},
        // Exactly 279.0131911456828674999997019...: digits 19-23 are nines.
        // Printed to 24 digits they carry into the 19th, which would turn
        // the 4 into a 5 and round the 18 digits up.
        {279.01319114568287, 0, 15, "279.013191145682867"},
        {-279.01319114568287, 0, 15, "-279.013191145682867"},
        // Whole numbers up to 19 digits, and just beyond.
        {1e18, 0, 2, "1000000000000000000.00"},
        {9007199254740993.0, 0, 0, "9007199254740992"},
        {123456789012345678.0, 0, 0, "123456789012345680"},
        {1e19, 0, 0, "10000000000000000000"},
        {12345678901234567890.0, 0, 0, "12345678901234567200"},
    });
}

// W's rule written out on the exact decimal expansion: the first 19
// significant digits, rounded half away from zero to 18, then rounded half
// away from zero at d decimals (no width, positive values).
std::string ReferenceFixed(double m, int d) {
    char text[800];
    const auto end =
        std::to_chars(text, text + sizeof text, m, std::chars_format::scientific, 767).ptr;
    const char* mark = std::find(text, end, 'e');
    int exponent = 0;
    std::from_chars(mark + 1 + (mark[1] == '+'), end, exponent);
    std::string digits;
    for (const char* c = text; c != mark; ++c)
        if (*c != '.') digits += *c;
    auto roundAt = [](std::string& ds, std::size_t count) {  // half away from zero
        const bool up = ds.size() > count && ds[count] >= '5';
        ds.resize(count, '0');
        for (std::size_t i = count; up && i-- > 0;) {
            if (ds[i] != '9') {
                ++ds[i];
                return false;
            }
            ds[i] = '0';
        }
        if (up) ds.insert(ds.begin(), '1');
        return up;
    };
    digits.resize(19, '0');
    int e = exponent + (roundAt(digits, 18) ? 1 : 0);
    const long kept = e + d + 1;
    if (kept <= 0) {
        digits = (kept == 0 && digits[0] >= '5') ? "1" : "0";
    } else {
        digits.resize(std::max<std::size_t>(digits.size(), static_cast<std::size_t>(kept) + 1),
                      '0');
        roundAt(digits, static_cast<std::size_t>(kept));
    }
    if (digits.size() < static_cast<std::size_t>(d) + 1)
        digits.insert(0, d + 1 - digits.size(), '0');
    if (d > 0) digits.insert(digits.size() - static_cast<std::size_t>(d), 1, '.');
    return digits;
}

TEST(WFormat, AgreesWithTheExactExpansionNearEveryRoundingBoundary) {
    // Values at, just beside and a few units in the 17th digit beside the
    // halves of the last decimal kept, over the magnitudes written.
    std::mt19937_64 random(20261210);
    std::uniform_int_distribution<long long> mantissa(0, 99999999999999LL);
    int checked = 0;
    for (int d = 0; d <= 8; ++d)
        for (int magnitude = -6; magnitude <= 12; ++magnitude)
            for (int i = 0; i < 24; ++i) {
                const double unit = std::pow(10.0, -d);
                const double scale = std::pow(10.0, magnitude);
                double v =
                    std::fmod(static_cast<double>(mantissa(random)), scale / unit + 1) * unit;
                if (i % 3 != 0) v = (std::floor(v / unit) + 0.5) * unit;  // a half
                double x = v;
                for (int k = 0; k < 40 && x > 0; ++k)
                    x = std::nextafter(x, 0.0);
                for (int step = -40; step <= 40; ++step, x = std::nextafter(x, 1e300)) {
                    if (x <= 0 || (i % 2 == 1 && step % 13 != 0)) continue;
                    ASSERT_EQ(W(x, 0, d), ReferenceFixed(x, d))
                        << std::hexfloat << x << " at " << d << " decimals";
                    ++checked;
                }
            }
    EXPECT_GT(checked, 15000);
}

TEST(WFormat, AgreesWithTheExactExpansionForEveryLengthOfDigits) {
    // Values of 1 to 16 digits at 0 to 17 decimals, with their sign and
    // padding: every split of digits around the point, zeros included.
    std::mt19937_64 random(7);
    for (int d = 0; d <= 17; ++d)
        for (int digits = 1; digits <= 16; ++digits)
            for (int i = 0; i < 12; ++i) {
                const long long top = static_cast<long long>(std::pow(10.0, digits));
                const long long n = static_cast<long long>(random() % static_cast<unsigned long long>(top));
                const double x = static_cast<double>(n) / std::pow(10.0, d) *
                                 (i % 2 == 0 ? 1 : 1 + 1e-9 * static_cast<double>(i));
                const std::string expected = ReferenceFixed(x, d);
                ASSERT_EQ(W(x, 0, d), expected) << std::hexfloat << x << " at " << d;
                const std::string negative = (x > 0 ? "-" : "") + expected;
                const std::string padded =
                    std::string(std::max<std::size_t>(negative.size(), 24) - negative.size(), ' ') +
                    negative;
                ASSERT_EQ(W(-x, 24, d), padded) << std::hexfloat << x << " at " << d;
            }
}

TEST(WFormat, FieldsOfARowAreEachValuesW) {
    // Rows written in place, and rows with a value that is not: too wide for
    // its field, NaN, infinite, in exponent form, or near a rounding half.
    const std::vector<std::vector<double>> rows = {
        {1.5, -2.25, 0.0, -0.0, 123456789.0123},
        {1.5, 1e12, -2.25},
        {-1e7, 1.5},  // exactly 14 characters
        {-1e8, 1.5},  // one more
        {std::nan(""), 1.0},
        {1.0, -std::numeric_limits<double>::infinity()},
        {2e36, 3.0},
        {0.00005, 0.00015},
        {},
    };
    for (const int width : {0, 9, 14}) {
        for (const std::vector<double>& row : rows) {
            std::string expected = "before";
            std::string text = "before";
            for (const double v : row)
                expected += W(v, width, 4);
            switch (row.size()) {  // the fields come as a list
                case 0: AppendWFields(text, {}, width, 4); break;
                case 2: AppendWFields(text, {row[0], row[1]}, width, 4); break;
                case 3: AppendWFields(text, {row[0], row[1], row[2]}, width, 4); break;
                default: AppendWFields(text, {row[0], row[1], row[2], row[3], row[4]}, width, 4);
            }
            EXPECT_EQ(text, expected) << width << " " << row.size();
        }
    }
    EXPECT_EQ(W(-1e7, 14, 4).size(), 14u);

    // Every count of digits, on both sides of each power of ten, in a field
    // exactly as wide as the text and in one a character too narrow.
    for (int d = 0; d <= 5; ++d)
        for (int digits = 1; digits <= 13; ++digits) {
            const double ten = std::pow(10.0, digits - 1);
            for (const double whole : {ten - 1, ten, ten + 1, 3 * ten + 7}) {
                const double v = -whole / std::pow(10.0, d);
                for (const std::size_t width : {W(v, 0, d).size(), W(v, 0, d).size() - 1}) {
                    const int w = static_cast<int>(width);
                    std::string text;
                    AppendWFields(text, {v, -v}, w, d);
                    EXPECT_EQ(text, W(v, w, d) + W(-v, w, d)) << v << " in " << w;
                }
            }
        }
}

TEST(WFormat, NegativeValueKeepsItsSignWhenRoundedToZero) {
    ExpectW({
        {-0.00001, 6, 4, "-0.0000"},
        {-0.00004999, 0, 4, "-0.0000"},
        {-0.00005, 0, 4, "-0.0001"},
        {-0.4, 2, 0, "-0"},
        {-1e-300, 0, 2, "-0.00"},
        {-0.0, 6, 4, "0.0000"},
        {-0.0, 0, 0, "0"},
        {std::numeric_limits<double>::denorm_min(), 0, 3, "0.000"},
    });
}

TEST(WFormat, WidensInsteadOfCutting) {
    ExpectW({
        {123456.789, 5, 2, "123456.79"},
        {-123456.789, 9, 2, "-123456.79"},
        {-123456.789, 10, 2, "-123456.79"},
        {-123456.789, 11, 2, " -123456.79"},
        {0.5, 0, 3, "0.500"},
    });
}

TEST(WFormat, ExponentFormFromTenToTheThirtySix) {
    const double max_real = 1.797693134862315e308;
    ExpectW({
        {max_real, 10, 4, " 1.8E+0308"},
        {max_real, 17, 8, " 1.79769313E+0308"},
        {-max_real, 17, 8, "-1.79769313E+0308"},
        {-max_real, 10, 4, "-1.8E+0308"},
        // Digits: w - 8, at least 2 and at most 18.
        {max_real, 0, 2, " 1.8E+0308"},
        {max_real, 11, 2, " 1.80E+0308"},
        {max_real, 26, 2, " 1.79769313486231491E+0308"},
        {max_real, 30, 2, "     1.79769313486231491E+0308"},
        {1e36, 10, 4, " 1.0E+0036"},
        {-1e36, 14, 4, "-1.00000E+0036"},
        // The mantissa's rounding carries into the exponent.
        {9.96e40, 10, 4, " 1.0E+0041"},
        {9.94e40, 10, 4, " 9.9E+0040"},
        {2.5e50, 9, 0, " 2.5E+0050"},
        {std::numeric_limits<double>::max(), 17, 8, " 1.79769313E+0308"},
    });
}

TEST(WFormat, NonFiniteValuesDoNotCrash) {
    const double inf = std::numeric_limits<double>::infinity();
    ExpectW({
        {std::numeric_limits<double>::quiet_NaN(), 6, 2, "   Nan"},
        {inf, 6, 2, "  +Inf"},
        {-inf, 2, 2, "-Inf"},
    });
}

TEST(IFormat, RightAlignsAndWidens) {
    EXPECT_EQ(I(7, 3), "  7");
    EXPECT_EQ(I(-7, 3), " -7");
    EXPECT_EQ(I(12345, 3), "12345");
    EXPECT_EQ(I(-12345, 5), "-12345");
    EXPECT_EQ(I(0, 1), "0");
    EXPECT_EQ(I(3, 0), "3");
    EXPECT_EQ(I(std::numeric_limits<long long>::min(), 1), "-9223372036854775808");
}

TEST(SFormat, RightAlignsInCodePoints) {
    EXPECT_EQ(S("x1", 5), "   x1");
    EXPECT_EQ(S("\xC3\xA9t\xC3\xA9", 5), "  \xC3\xA9t\xC3\xA9");  // "été" is three
    EXPECT_EQ(S("\xE2\x82\xAC", 2), " \xE2\x82\xAC");             // "€" is one
    EXPECT_EQ(S("constant", 5), "constant");
    EXPECT_EQ(S("", 3), "   ");
    EXPECT_EQ(S("ab", -1), "ab");
}

TEST(IsNumber, FollowsTheNumberTest) {
    const std::vector<std::pair<std::string, bool>> cases = {
        {"0", true},
        {"7", true},
        {"  7", true},
        {"-2.5e-3", true},
        {"1.", true},
        {"+1.5E+10", true},
        {"12.50", true},
        {"3e7", true},
        {"-0", true},
        {"", false},
        {" ", false},
        {"7 ", false},
        {".5", false},
        {"-.5", false},
        {"1,5", false},
        {"e5", false},
        {"1e", false},
        {"1e+", false},
        {"1.5.2", false},
        {"nan", false},
        {"inf", false},
        {"+", false},
        {"-", false},
        {"--1", false},
        {"\t7", false},
        {"1 2", false},
        {"1.e5", true},
        {"0x10", false},
        {"1E5.0", false},
        {"\xC2\xA0"
         "1",
         false},
    };
    for (const auto& [text, expected] : cases) {
        EXPECT_EQ(IsNumber(text), expected) << '"' << text << '"';
    }
}

}  // namespace
}  // namespace tarnovel

namespace tarnovel {
namespace {

TEST(ParseNumber, ReadsWhatIsNumberAcceptsWhateverTheLocale) {
    struct Case {
        const char* text;
        bool ok;
        double value;
    };
    const Case cases[] = {{"1.5", true, 1.5}, {"+2", true, 2},     {"  -3e2", true, -300},
                          {"7.", true, 7},    {"1e-400", true, 0}, {"1e400", false, 0},
                          {"1,5", false, 0},  {"nan", false, 0},   {"inf", false, 0},
                          {"1.5 ", false, 0}, {"", false, 0},      {"0.1", true, 0.1}};
    for (const Case& c : cases) {
        double v = -1;
        EXPECT_EQ(ParseNumber(c.text, v), c.ok) << c.text;
        if (c.ok) {
            EXPECT_EQ(v, c.value) << c.text;
        }
    }
}

}  // namespace
}  // namespace tarnovel
