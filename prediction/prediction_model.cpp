#include "prediction/prediction_model.h"
#include "common/text.h"

#include <algorithm>
#include <cmath>

#include "common/file_system.h"
#include "common/io_error.h"
#include "common/number_format.h"
#include "common/utf8.h"
#include "regression/result_file.h"

namespace tarnovel {

namespace {

const char* const kKinds[3] = {"MHW", "MSW", "MLW"};

std::optional<double> NumberIn(std::string_view field) {
    double value = 0;
    if (!ParseNumber(RemoveBlanks(field), value)) return std::nullopt;
    return value;
}

// The numbers at the start of a line, separated by blanks, up to the first
// text that is not one.
std::vector<double> LeadingNumbers(const std::string& line) {
    std::vector<double> numbers;
    std::size_t pos = 0;
    for (;;) {
        pos = line.find_first_not_of(" \t", pos);
        if (pos == std::string::npos) break;
        const std::size_t end = std::min(line.find_first_of(" \t", pos), line.size());
        double value = 0;
        if (!ParseNumber(std::string_view(line).substr(pos, end - pos), value)) break;
        numbers.push_back(value);
        pos = end;
    }
    return numbers;
}

[[noreturn]] void Unreadable(const ResultSummary& file, const std::string& what) {
    throw IoError("Cannot read file", file.name, what);
}

}  // namespace

std::string RemoveBlanks(std::string_view text) {
    std::string bare;
    bare.reserve(text.size());
    AppendWithoutBlanks(bare, text);
    return bare;
}

void AppendReduced(std::string& to, std::string_view text) {
    // Copied a run at a time: up to and including a blank, after which
    // every blank that follows is dropped.
    std::size_t i = 0;
    const auto skipBlanks = [&] {
        while (i < text.size() && text[i] == ' ')
            ++i;
    };
    if (!to.empty() && to.back() == ' ') skipBlanks();
    while (i < text.size()) {
        const std::size_t blank = text.find(' ', i);
        if (blank == std::string_view::npos) {
            to.append(text.substr(i));
            return;
        }
        to.append(text.substr(i, blank + 1 - i));
        i = blank + 1;
        skipBlanks();
    }
}

std::string ReduceBlanks(std::string_view text) {
    std::string reduced;
    reduced.reserve(text.size());
    AppendReduced(reduced, text);
    return reduced;
}

std::vector<std::string> KindsToPredict(const std::string& kinds) {
    if (!Contains(kinds, "+")) return {kinds};
    std::vector<std::string> list;
    std::string piece;
    for (const char c : RemoveBlanks(kinds) + "+") {
        if (c != '+') {
            piece += c;
        } else if (!piece.empty()) {
            list.push_back(piece);
            piece.clear();
        }
    }
    return list;
}

std::vector<std::string> AppendedColumnTitles(const std::string& kinds) {
    std::vector<std::string> titles = {"varMeas1", "varMeas2"};
    auto block = [&titles](const std::string& kind) {
        for (const std::string& prefix : {std::string(), std::string("sd"), std::string("2p/n "),
                                          std::string("x0'.(X'WX)^-1 .x0 ")})
            titles.push_back(prefix + kind);
    };
    if (Contains(kinds, "+")) {
        for (const char* kind : kKinds)
            block(kind);
    } else {
        block(kinds);
    }
    return titles;
}

int KindBlock(const std::string& kinds, const std::string& kind) {
    if (!Contains(kinds, "+")) return kind == kinds ? 0 : -1;
    for (int k = 0; k < 3; ++k)
        if (kind == kKinds[k]) return k;
    return -1;
}

bool DateKeyGreater(std::string_view a, std::string_view b) {
    const std::vector<std::string> ca = SplitCodePoints(a);
    const std::vector<std::string> cb = SplitCodePoints(b);
    if (ca.size() != cb.size()) return ca.size() > cb.size();
    for (std::size_t i = ca.size(); i-- > 0;) {
        if (ca[i] == cb[i]) continue;
        return DecodeCodePoint(ca[i], 0).value > DecodeCodePoint(cb[i], 0).value;
    }
    return false;
}

double CutOffOf(std::string_view measurement) {
    const std::size_t mark = measurement.find('>');
    if (mark == std::string_view::npos) return 0;
    const std::optional<double> value = NumberIn(measurement.substr(mark + 1));
    return value && std::isfinite(*value) ? std::trunc(*value) : 0;
}

void OrderCensoredList(std::vector<CensoredEntry>& list) {
    std::vector<std::pair<CensoredEntry, double>> keyed;
    keyed.reserve(list.size());
    for (CensoredEntry& entry : list) {
        const double cutOff = CutOffOf(entry.measurement);
        keyed.emplace_back(std::move(entry), cutOff);
    }
    std::stable_sort(keyed.begin(), keyed.end(), [](const auto& a, const auto& b) {
        if (a.first.date != b.first.date) return DateKeyGreater(a.first.date, b.first.date);
        return a.second < b.second;
    });
    list.clear();
    for (auto& [entry, cutOff] : keyed)
        list.push_back(std::move(entry));
}

ModelChoice ChooseModel(const ModelEvidence& e) {
    ModelChoice choice;
    const double c = e.constant ? 1 : 0;
    const double p[3] = {c + 2, c + 1, c + 1};
    for (int k = 0; k < 3; ++k) {
        if (!e.exists[k]) continue;
        ModelStatistics& st = choice.statistics[k];
        st.n = e.n[k];
        st.MS = e.s[k] * e.s[k];
        st.p = p[k];
        st.SS = (st.n - st.p) * st.MS;
        // A single-date model without a complete model still gets a Cp, from
        // the placeholder MS; it plays no part in the choice then.
        const double errorVariance = k == 0 ? st.MS : choice.statistics[0].MS;
        st.Cp = st.SS / errorVariance - st.n + 2 * st.p;
    }

    ModelFlags* f = choice.flags;
    f[1].present = e.m1Number && e.exists[1];
    f[2].present = e.m2Number && e.exists[2];
    f[0].present = f[1].present && f[2].present;
    for (int k = 0; k < 3; ++k)
        f[k].candidate = choice.statistics[k].p + 3 > choice.statistics[k].Cp;
    f[1].selectable = f[1].present && f[1].candidate;
    f[2].selectable = f[2].present && f[2].candidate;
    f[0].selectable = f[0].present && f[0].candidate && !f[1].selectable && !f[2].selectable;

    if (!e.exists[0]) {
        if (f[2].present)
            choice.selected = ModelKind::kDate2;
        else if (f[1].present)
            choice.selected = ModelKind::kDate1;
    } else if (f[1].selectable && f[2].selectable) {
        choice.selected = choice.statistics[1].SS >= choice.statistics[2].SS ? ModelKind::kDate2
                                                                             : ModelKind::kDate1;
    } else if (f[1].selectable) {
        choice.selected = ModelKind::kDate1;
    } else if (f[2].selectable) {
        choice.selected = ModelKind::kDate2;
    } else if (f[0].selectable) {
        choice.selected = ModelKind::kComplete;
    }
    return choice;
}

ResultSummary ReadResultSummary(const std::string& name) {
    ResultSummary summary;
    summary.name = name;
    if (!FileExists(name)) return summary;
    summary.exists = true;
    ResultLines file = OpenResultLines(name);
    std::string line;
    namespace L = result_layout;
    if (FindLine(file, L::kObservations, line)) summary.n = NumberIn(Columns(line, L::kCount));
    if (FindLine(file, L::kResidualError, line)) summary.s = NumberIn(Columns(line, L::kStatistic));
    const char* const coefficients[3] = {"   b0", "   b1", "   b2"};
    for (std::size_t k = 0; k < 3; ++k) {
        summary.coefficientFound[k] = FindLine(file, coefficients[k], line);
        if (summary.coefficientFound[k])
            summary.coefficient[k] = NumberIn(Columns(line, L::kEstimate));
    }
    FindLine(file, "x1    ", line);
    summary.x1Line = line;
    FindLine(file, "x2  ", line);
    summary.x2Line = line;
    if (FindLine(file, L::kCovarianceHeading, line)) {
        ReadNextLine(file, line);
        ReadNextLine(file, line);
        for (int row = 0; row < 3 && ReadNextLine(file, line); ++row)
            summary.covarianceRows.push_back(LeadingNumbers(line));
    }
    return summary;
}

const ResultSummary& ResultCache::Get(const std::string& name) {
    // Reading under the lock: there are few files, and a second thread
    // asking for the same one waits for it instead of reading it again.
    const std::lock_guard<std::mutex> lock(mutex_);
    std::unique_ptr<ResultSummary>& entry = files_[name];
    if (!entry) entry = std::make_unique<ResultSummary>(ReadResultSummary(name));
    return *entry;
}

PredictionValues Predict(const ResultSummary& file, bool constant, bool twoDates,
                         const std::string& d1, const std::string& d2, double m1, double m2) {
    // An empty date names no variable: in a single-date survey the absent
    // date's text is empty, and every line would "contain" it.
    auto names = [](const std::string& line, const std::string& date) {
        return !date.empty() && Contains(line, date);
    };
    const bool wanted[3] = {constant, true, twoDates};
    double b[3] = {0, 0, 0};
    bool read[3] = {false, false, false};
    for (std::size_t k = 0; k < 3; ++k) {
        // A coefficient whose line the file lacks (a pair of equal dates has
        // no b2) is not read: it stays 0 and has no row in the matrix.
        if (!wanted[k] || !file.coefficientFound[k]) continue;
        if (!file.coefficient[k])
            Unreadable(file, "the estimate of b" + std::to_string(k) + " is not a number");
        b[k] = *file.coefficient[k];
        read[k] = true;
    }
    // A term without coefficient is no term: its measurement, which may be
    // no number at all, plays no part.
    const double x1 = !read[1] ? 0 : names(file.x1Line, d1) ? m1 : m2;
    const double x2 = !read[2] ? 0 : names(file.x2Line, d2) ? m2 : m1;
    const double y0 = b[0] + b[1] * x1 + b[2] * x2;
    const double regressor[3] = {1, x1, x2};
    double x0[3] = {0, 0, 0};
    std::size_t H = 0;
    for (std::size_t k = 0; k < 3; ++k)
        if (read[k]) x0[H++] = regressor[k];

    if (!file.n) Unreadable(file, "the number of observations is not a number");
    if (!file.s) Unreadable(file, "the residual error is not a number");
    const double n = *file.n;
    const double MS = *file.s * *file.s;

    if (file.covarianceRows.size() < H)
        Unreadable(file,
                   "the variance-covariance matrix has fewer than " + std::to_string(H) + " rows");
    double q = 0;
    for (std::size_t i = 0; i < H; ++i) {
        const std::vector<double>& row = file.covarianceRows[i];
        if (row.size() < H)
            Unreadable(file, "row " + std::to_string(i + 1) +
                                 " of the variance-covariance matrix has fewer than " +
                                 std::to_string(H) + " numbers");
        double sum = 0;
        for (std::size_t j = 0; j < H; ++j)
            sum = sum + row[j] * x0[j];
        q = q + sum * x0[i];
    }

    PredictionValues values;
    values.y0 = y0;
    values.sd = std::sqrt(MS + q);
    values.leverage = q / MS;
    values.threshold = 2 * static_cast<double>(H) / n;
    return values;
}

}  // namespace tarnovel
