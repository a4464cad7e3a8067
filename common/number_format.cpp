#include "common/number_format.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>

#include "common/utf8.h"

namespace tarnovel {

namespace {

bool IsDigit(char c) {
    return c >= '0' && c <= '9';
}

std::string PadLeftAscii(std::string text, int w) {
    if (w > 0 && text.size() < static_cast<std::size_t>(w)) {
        text.insert(0, static_cast<std::size_t>(w) - text.size(), ' ');
    }
    return text;
}

// Adds one unit in the last place of a digit string; a carry out of the first
// digit makes the string one digit longer ("999" -> "1000").
void Increment(std::string& digits) {
    for (auto it = digits.rbegin(); it != digits.rend(); ++it) {
        if (*it != '9') {
            ++*it;
            return;
        }
        *it = '0';
    }
    digits.insert(digits.begin(), '1');
}

// Significant digits of a positive value: value = d0.d1d2... x 10^exponent.
struct Digits {
    std::string digits;
    int exponent = 0;
};

// The leading digits of the exact decimal expansion of m (finite, > 0),
// cut off, not rounded, after `count` digits (count <= 40).
Digits TruncatedDigits(double m, int count) {
    // to_chars prints the exact expansion as far as asked. Forty digits
    // settle the leading ones unless the printed tail is all zeros: then the
    // printer may have rounded a run of nines upwards into them, and only the
    // full expansion (at most 767 significant digits for a double) tells.
    char buffer[800];
    int precision = 40;
    for (;;) {
        const auto result = std::to_chars(buffer, buffer + sizeof buffer - 1, m,
                                          std::chars_format::scientific, precision);
        char* end = result.ptr;
        *end = '\0';
        std::string all;
        all.reserve(static_cast<std::size_t>(precision) + 1);
        all += buffer[0];
        const char* p = buffer + 2;
        while (p < end && IsDigit(*p))
            all += *p++;
        const int exponent = std::atoi(p + 1);  // p points at 'e'
        const bool ambiguous = precision < 767 && std::all_of(all.begin() + count, all.end(),
                                                              [](char c) { return c == '0'; });
        if (!ambiguous) {
            all.resize(static_cast<std::size_t>(count));
            return {all, exponent};
        }
        precision = 767;
    }
}

// Rounds a digit string half away from zero to `count` digits; a carry into a
// new leading digit raises the exponent.
void RoundDigits(Digits& value, std::size_t count) {
    if (value.digits.size() <= count) return;
    const bool up = value.digits[count] >= '5';
    value.digits.resize(count);
    if (!up) return;
    Increment(value.digits);
    if (value.digits.size() > count) {
        value.digits.resize(count);
        ++value.exponent;
    }
}

// The value as written to files is first cut down to 18 significant digits.
constexpr int kSignificant = 18;

Digits EighteenDigits(double m) {
    Digits value = TruncatedDigits(m, kSignificant + 1);
    RoundDigits(value, kSignificant);
    return value;
}

std::string FixedForm(bool negative, double m, int d) {
    // n holds the rounded value times 10^d as a decimal integer.
    std::string n;
    if (m != 0.0) {
        const Digits value = EighteenDigits(m);
        // Digits at positions 0 .. kept-1 lie at or above the d-th decimal.
        const std::int64_t kept = std::int64_t{value.exponent} + d + 1;
        if (kept >= kSignificant) {
            n = value.digits + std::string(static_cast<std::size_t>(kept - kSignificant), '0');
        } else if (kept > 0) {
            n = value.digits.substr(0, static_cast<std::size_t>(kept));
            if (value.digits[static_cast<std::size_t>(kept)] >= '5') Increment(n);
        } else if (kept == 0 && value.digits[0] >= '5') {
            n = "1";
        }
    }
    const std::size_t decimals = static_cast<std::size_t>(d);
    if (n.size() < decimals + 1) n.insert(0, decimals + 1 - n.size(), '0');
    if (d > 0) n.insert(n.size() - decimals, 1, '.');
    // The sign follows the value, not the rounded text: -0.00001 stays
    // visibly negative; -0.0 is zero and is not.
    if (negative) n.insert(0, 1, '-');
    return n;
}

std::string ExponentForm(bool negative, double m, int w) {
    const int significant = std::max(2, std::min(kSignificant, w - 8));
    Digits value = EighteenDigits(m);
    RoundDigits(value, static_cast<std::size_t>(significant));
    std::string text;
    text += negative ? '-' : ' ';
    text += value.digits[0];
    text += '.';
    text.append(value.digits, 1);
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

std::string W(double v, int w, int d) {
    if (std::isnan(v)) return PadLeftAscii("Nan", w);
    if (std::isinf(v)) return PadLeftAscii(v < 0 ? "-Inf" : "+Inf", w);
    const bool negative = v < 0;
    const double m = std::fabs(v);
    if (m >= 1e36) return PadLeftAscii(ExponentForm(negative, m, w), w);
    return PadLeftAscii(FixedForm(negative, m, std::max(d, 0)), w);
}

std::string I(long long v, int w) {
    return PadLeftAscii(std::to_string(v), w);
}

std::string S(std::string_view t, int w) {
    return PadLeft(t, static_cast<std::size_t>(std::max(w, 0)));
}

}  // namespace tarnovel
