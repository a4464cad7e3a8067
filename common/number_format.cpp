#include "common/number_format.h"

#include <algorithm>
#include <bit>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <iterator>
#include <string_view>

#include "common/utf8.h"

namespace tarnovel {

namespace {

bool IsDigit(char c) {
    return c >= '0' && c <= '9';
}

void AppendPadded(std::string& text, std::string_view ascii, int w) {
    if (w > 0 && ascii.size() < static_cast<std::size_t>(w))
        text.append(static_cast<std::size_t>(w) - ascii.size(), ' ');
    text += ascii;
}

// Adds one unit in the last place of the digits in [first, last); true when
// the carry runs out of the first digit (all nines, now all zeros).
bool CarryOut(char* first, char* last) {
    while (last != first) {
        --last;
        if (*last != '9') {
            ++*last;
            return false;
        }
        *last = '0';
    }
    return true;
}

// Adds one unit in the last place of a digit string; a carry out of the first
// digit makes the string one digit longer ("999" -> "1000").
void Increment(std::string& digits) {
    if (CarryOut(digits.data(), digits.data() + digits.size())) digits.insert(digits.begin(), '1');
}

// The value as written to files is first cut down to 18 significant digits.
constexpr int kSignificant = 18;

// Significant digits of a positive value: value = d0.d1d2... x 10^exponent.
// Held in place: formatting is the busiest work of every file the program
// writes.
struct Digits {
    char digits[kSignificant + 1];
    std::size_t size = 0;
    int exponent = 0;
    std::string_view view() const { return {digits, size}; }
};

// The leading digits of the exact decimal expansion of m (finite, > 0),
// cut off, not rounded, after kSignificant + 1 digits.
Digits TruncatedDigits(double m) {
    constexpr int count = kSignificant + 1;
    Digits value;
    value.size = count;
    // Whole numbers below 10^19 print exactly as integers.
    if (m < 1e19 && m == std::floor(m)) {
        char text[24];
        const auto result = std::to_chars(text, text + sizeof text, static_cast<std::uint64_t>(m));
        const std::size_t length = static_cast<std::size_t>(result.ptr - text);
        std::fill(std::copy(text, result.ptr, value.digits), value.digits + count, '0');
        value.exponent = static_cast<int>(length) - 1;
        return value;
    }
    // to_chars prints the exact expansion rounded after as many digits as
    // asked. A few digits more than needed settle the leading ones unless
    // those extra digits print as zeros: then the printer may have rounded a
    // run of nines upwards into them, and only the full expansion (at most
    // 767 significant digits for a double) tells.
    char buffer[800];
    for (const int precision : {count + 4, 767}) {
        const auto result = std::to_chars(buffer, buffer + sizeof buffer, m,
                                          std::chars_format::scientific, precision);
        // d.ddd...e±xx: digits at 0 and 2 .. precision + 1.
        const char* fraction = buffer + 2;
        const char* tail = fraction + (count - 1);
        const char* exponent = fraction + precision;
        const bool ambiguous =
            precision < 767 && std::all_of(tail, exponent, [](char c) { return c == '0'; });
        if (ambiguous) continue;
        value.digits[0] = buffer[0];
        std::copy(fraction, tail, value.digits + 1);
        std::from_chars(exponent + 1 + (exponent[1] == '+'), result.ptr, value.exponent);
        return value;
    }
    return value;  // not reached: the full expansion is never ambiguous
}

// Rounds digits half away from zero to `count` digits; a carry into a new
// leading digit raises the exponent.
void RoundDigits(Digits& value, std::size_t count) {
    if (value.size <= count) return;
    const bool up = value.digits[count] >= '5';
    value.size = count;
    if (!up) return;
    if (CarryOut(value.digits, value.digits + count)) {
        // All nines: 9.99 becomes 1.00 one decade up.
        value.digits[0] = '1';
        ++value.exponent;
    }
}

Digits EighteenDigits(double m) {
    Digits value = TruncatedDigits(m);
    RoundDigits(value, kSignificant);
    return value;
}

// The rounded value times 10^d from the shortest digits that read back as
// m, where they decide it. Those digits lie within half a unit in the 17th
// significant digit of m's exact expansion: when at most 14 digits are kept
// and the digits dropped are not within two hundredths of a half, the
// shortest digits, the exact expansion and its 18-digit reduction all round
// to the same kept digits, and no carry of the reduction can reach them.
// Most values written qualify, and the shortest digits cost a fraction of the
// exact expansion.
bool ShortestDigitsDecide(double m, int d, std::string& n) {
    char text[32];
    const auto result = std::to_chars(text, text + sizeof text, m, std::chars_format::scientific);
    const char* mark = std::find(text, result.ptr, 'e');
    int exponent = 0;
    std::from_chars(mark + 1 + (mark[1] == '+'), result.ptr, exponent);
    const std::int64_t kept = std::int64_t{exponent} + d + 1;
    if (kept < 1 || kept > 14) return false;
    char digits[20];
    std::size_t size = 0;
    for (const char* c = text; c != mark; ++c)
        if (*c != '.') digits[size++] = *c;
    const auto at = [&](std::int64_t i) {
        return static_cast<std::size_t>(i) < size ? digits[i] - '0' : 0;
    };
    const int dropped = 10 * at(kept) + at(kept + 1);  // the first two
    if (dropped >= 48 && dropped < 52) return false;
    n.assign(digits, std::min(size, static_cast<std::size_t>(kept)));
    n.append(static_cast<std::size_t>(kept) - n.size(), '0');
    if (dropped >= 52) Increment(n);
    return true;
}

// The rounded value times 10^d by scaling, where that decides it: below
// 2^42 the product m * 10^d (10^d exact, one rounding) lies within 2^-12 of
// the exact one, and the 18-digit reduction moves it less still, so unless
// its fraction lies within a hundredth of a half, both round the same way.
// Most values written have few digits and take this way.
bool ScaledValueDecides(double m, int d, std::uint64_t& rounded) {
    static constexpr double kPowers[] = {1e0, 1e1, 1e2,  1e3,  1e4,  1e5,  1e6,  1e7,
                                         1e8, 1e9, 1e10, 1e11, 1e12, 1e13, 1e14, 1e15};
    if (d >= static_cast<int>(std::size(kPowers))) return false;
    const double q = m * kPowers[d];
    if (!(q < 0x1p42)) return false;
    // Below 2^42 the conversion cuts off exactly the fraction, which the
    // subtraction then gives exactly. (A signed conversion is one
    // instruction; an unsigned one takes a branch.)
    const std::int64_t whole = static_cast<std::int64_t>(q);
    const double fraction = q - static_cast<double>(whole);
    if (fraction > 0.49 && fraction < 0.51) return false;
    rounded = static_cast<std::uint64_t>(whole) + static_cast<std::uint64_t>(fraction >= 0.51);
    return true;
}

// Appends the value n / 10^d (n the decimal digits of a whole number, empty
// for zero) with d decimals, right-aligned in w characters.
void AppendFixed(std::string& text, bool negative, std::string_view n, int d, int w) {
    const std::size_t decimals = static_cast<std::size_t>(d);
    const std::size_t zeros = n.size() < decimals + 1 ? decimals + 1 - n.size() : 0;
    const std::size_t length = (negative ? 1 : 0) + zeros + n.size() + (d > 0 ? 1 : 0);
    const std::size_t pad = w > 0 && length < static_cast<std::size_t>(w) ? w - length : 0;
    const std::size_t at = text.size();
    text.resize(at + pad + length);
    char* out = text.data() + at;
    out = std::fill_n(out, pad, ' ');
    // The sign follows the value, not the rounded text: -0.00001 stays
    // visibly negative; -0.0 is zero and is not.
    if (negative) *out++ = '-';
    // n after `zeros` leading zeros, with the point before its last d digits.
    const std::size_t whole = zeros + n.size() - decimals;
    const std::size_t zerosBefore = std::min(zeros, whole);
    const std::size_t fromN = whole - zerosBefore;
    out = std::fill_n(out, zerosBefore, '0');
    out = std::copy_n(n.data(), fromN, out);
    if (d > 0) {
        *out++ = '.';
        out = std::fill_n(out, zeros - zerosBefore, '0');
        std::copy(n.data() + fromN, n.data() + n.size(), out);
    }
}

// Writes the last `count` decimal digits of *n before `end`, two at a time,
// and takes them off *n; returns where they begin.
inline char* DigitsBefore(char* end, std::uint64_t& n, int count) {
    static constexpr char kPairs[] =
        "00010203040506070809101112131415161718192021222324252627282930313233343536373839"
        "40414243444546474849505152535455565758596061626364656667686970717273747576777879"
        "8081828384858687888990919293949596979899";
    for (; count >= 2; count -= 2) {
        const std::size_t pair = static_cast<std::size_t>(n % 100) * 2;
        n /= 100;
        *--end = kPairs[pair + 1];
        *--end = kPairs[pair];
    }
    if (count == 1) {
        *--end = static_cast<char>('0' + n % 10);
        n /= 10;
    }
    return end;
}

// Room for the text of ScaledBefore.
constexpr std::size_t kScaledRoom = 40;

// Writes n / 10^d (d at most 15, n at most 2^42) with d decimals, unpadded,
// so that it ends just before `end`, in one pass from the last digit; the
// text is what AppendFixed makes of n's digits. Returns its first char.
char* ScaledBefore(char* end, bool negative, std::uint64_t n, int d) {
    char* first = DigitsBefore(end, n, d);
    if (d > 0) *--first = '.';
    do {
        first = DigitsBefore(first, n, n >= 10 ? 2 : 1);
    } while (n != 0);
    if (negative) *--first = '-';
    return first;
}

// The length of ScaledBefore's text.
std::size_t ScaledLength(bool negative, std::uint64_t n, int d) {
    static constexpr std::uint64_t kTens[] = {1ULL,
                                              10ULL,
                                              100ULL,
                                              1000ULL,
                                              10000ULL,
                                              100000ULL,
                                              1000000ULL,
                                              10000000ULL,
                                              100000000ULL,
                                              1000000000ULL,
                                              10000000000ULL,
                                              100000000000ULL,
                                              1000000000000ULL,
                                              10000000000000ULL,
                                              100000000000000ULL};
    // floor(log10(n)) from the bit length (n at most 2^42: index at most 13).
    const int log2 = std::bit_width(n | 1) - 1;
    const int estimate = ((log2 + 1) * 1233) >> 12;
    const int digits = estimate + (n >= kTens[estimate] ? 1 : 0);
    return (negative ? 1 : 0) + static_cast<std::size_t>(std::max(digits, d + 1)) + (d > 0 ? 1 : 0);
}

// Appends ScaledBefore's text right-aligned in w characters.
void AppendScaled(std::string& text, bool negative, std::uint64_t n, int d, int w) {
    char buffer[kScaledRoom];
    char* const end = buffer + sizeof buffer;
    const char* first = ScaledBefore(end, negative, n, d);
    AppendPadded(text, {first, static_cast<std::size_t>(end - first)}, w);
}

// Appends the value in fixed point with d decimals, right-aligned in w
// characters.
void AppendFixedForm(std::string& text, bool negative, double m, int d, int w) {
    std::uint64_t rounded = 0;
    if (ScaledValueDecides(m, d, rounded)) return AppendScaled(text, negative, rounded, d, w);
    if (m == 0.0) return AppendFixed(text, negative, {}, d, w);
    // n holds the rounded value times 10^d as a decimal integer.
    std::string n;
    if (!ShortestDigitsDecide(m, d, n)) {
        const Digits value = EighteenDigits(m);
        const std::string_view digits = value.view();
        // Digits at positions 0 .. kept-1 lie at or above the d-th decimal.
        const std::int64_t kept = std::int64_t{value.exponent} + d + 1;
        if (kept >= kSignificant) {
            n.reserve(static_cast<std::size_t>(kept));
            n = digits;
            n.append(static_cast<std::size_t>(kept - kSignificant), '0');
        } else if (kept > 0) {
            n = digits.substr(0, static_cast<std::size_t>(kept));
            if (digits[static_cast<std::size_t>(kept)] >= '5') Increment(n);
        } else if (kept == 0 && digits[0] >= '5') {
            n = "1";
        }
    }
    AppendFixed(text, negative, n, d, w);
}

std::string ExponentForm(bool negative, double m, int w) {
    const int significant = std::max(2, std::min(kSignificant, w - 8));
    Digits value = EighteenDigits(m);
    RoundDigits(value, static_cast<std::size_t>(significant));
    std::string text;
    text += negative ? '-' : ' ';
    text += value.digits[0];
    text += '.';
    text.append(value.view().substr(1));
    text += 'E';
    text += value.exponent < 0 ? '-' : '+';
    char exponent[16];
    std::snprintf(exponent, sizeof exponent, "%04d", std::abs(value.exponent));
    text += exponent;
    return text;
}

}  // namespace

bool IsNumber(std::string_view text) {
    std::size_t i = 0;
    const std::size_t size = text.size();
    auto digits = [&] {
        const std::size_t start = i;
        while (i < size && IsDigit(text[i]))
            ++i;
        return i > start;
    };
    while (i < size && text[i] == ' ')
        ++i;
    if (i < size && (text[i] == '+' || text[i] == '-')) ++i;
    if (!digits()) return false;
    if (i < size && text[i] == '.') {
        ++i;
        digits();
    }
    if (i < size && (text[i] == 'E' || text[i] == 'e')) {
        ++i;
        if (i < size && (text[i] == '+' || text[i] == '-')) ++i;
        if (!digits()) return false;
    }
    return i == size;
}

bool ParseNumber(std::string_view text, double& value) {
    if (!IsNumber(text)) return false;
    std::size_t start = text.find_first_not_of(' ');
    if (text[start] == '+') ++start;  // from_chars takes no plus sign
    const char* first = text.data() + start;
    const char* last = text.data() + text.size();
    double parsed = 0;
    const auto [ptr, ec] = std::from_chars(first, last, parsed);
    if (ptr != last) return false;
    if (ec == std::errc::result_out_of_range) {
        // Out of range either way: too large is no number, too small is 0.
        std::size_t e = text.find_first_of("eE");
        if (e == std::string_view::npos || text[e + 1] != '-') return false;
        parsed = 0;
    } else if (ec != std::errc()) {
        return false;
    }
    value = parsed;
    return std::isfinite(value);
}

void AppendW(std::string& text, double v, int w, int d) {
    if (std::isnan(v)) return AppendPadded(text, "Nan", w);
    if (std::isinf(v)) return AppendPadded(text, v < 0 ? "-Inf" : "+Inf", w);
    const bool negative = v < 0;
    const double m = std::fabs(v);
    if (m >= 1e36) return AppendPadded(text, ExponentForm(negative, m, w), w);
    AppendFixedForm(text, negative, m, std::max(d, 0), w);
}

void AppendWFields(std::string& text, std::initializer_list<double> values, int w, int d) {
    // The usual row is written into its fields in place; a row with a value
    // that takes another way or does not fit its field is appended value by
    // value instead.
    const std::size_t at = text.size();
    const std::size_t width = static_cast<std::size_t>(std::max(w, 0));
    if (d >= 0 && width > 0 && width < kScaledRoom) {
        text.resize(at + values.size() * width);
        char* field = text.data() + at;
        bool placed = true;
        for (const double v : values) {
            std::uint64_t rounded = 0;
            const double m = std::fabs(v);
            placed = m < 1e36 && ScaledValueDecides(m, d, rounded);  // false for NaN
            if (!placed) break;
            const std::size_t length = ScaledLength(v < 0, rounded, d);
            placed = length <= width;
            if (!placed) break;
            std::fill_n(field, width - length, ' ');
            field += width;
            ScaledBefore(field, v < 0, rounded, d);
        }
        if (placed) return;
        text.resize(at);
    }
    for (const double v : values)
        AppendW(text, v, w, d);
}

std::string W(double v, int w, int d) {
    std::string text;
    AppendW(text, v, w, d);
    return text;
}

void AppendI(std::string& text, long long v, int w) {
    char digits[24];
    const char* end = std::to_chars(digits, digits + sizeof digits, v).ptr;
    AppendPadded(text, {digits, static_cast<std::size_t>(end - digits)}, w);
}

std::string I(long long v, int w) {
    std::string text;
    AppendI(text, v, w);
    return text;
}

std::string S(std::string_view t, int w) {
    return PadLeft(t, static_cast<std::size_t>(std::max(w, 0)));
}

}  // namespace tarnovel
