#pragma once
// The number test and the three formats (W, I, S) through which every number
// and padded text in the program's files is written.

#include <initializer_list>
#include <string>
#include <string_view>

namespace tarnovel {

// True when, after optional leading blanks, the whole remaining text is an
// optional sign, digits, an optional "." with decimals and an optional
// exponent ("E" or "e", optional sign, digits). Empty text, trailing blanks
// or any other character make it false.
bool IsNumber(std::string_view text);

// The value of a text that passes IsNumber, read with "." as the decimal
// point whatever the locale. False (value untouched) when the text is not a
// number or lies beyond the range of a double (1e400); a value too small
// for a double reads as 0 or a denormal.
bool ParseNumber(std::string_view text, double& value);

// Fixed-point text of v with exactly d decimals, right-aligned in w
// characters (wider when needed, never cut). The value is first reduced to
// 18 significant digits, then rounded half away from zero at the last
// decimal; a negative value that rounds to zero keeps its "-". Values of
// magnitude 1e36 and above are written in exponent form:
// blank or "-", a digit, ".", max(2, min(18, w - 8)) - 1 digits, "E",
// the exponent's sign and four exponent digits.
std::string W(double v, int w, int d);
// W(v, w, d) appended to text.
void AppendW(std::string& text, double v, int w, int d);
// W(v, w, d) of every value in turn appended to text: a row of a table.
void AppendWFields(std::string& text, std::initializer_list<double> values, int w, int d);

// Integer right-aligned in w characters (wider when needed).
std::string I(long long v, int w);
// I(v, w) appended to text.
void AppendI(std::string& text, long long v, int w);

// Text right-aligned in w characters counted in code points (wider when
// needed).
std::string S(std::string_view t, int w);

}  // namespace tarnovel
