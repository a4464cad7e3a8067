#include "engine/regression_job.h"

#include "engine/result_layout.h"

#include <atomic>
#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <optional>

#include "common/io_error.h"
#include "common/number_format.h"
#include "common/text_file.h"
#include "common/utf8.h"

namespace tarnovel {

namespace {

constexpr std::size_t kMaxTokenLength = 64;
const char* const kFewVariables = "Data file must contain at least 2 variables !";

// Reads a job file the way the engine always has: line fields take a whole
// line, number fields skip every control character and blank (so a record
// may spread over lines), and the end of the file reads as 0.
class JobFileReader {
  public:
    // Reads bytes as DecodeInputText decodes them; UTF-8 without a mark, as
    // every job file of the program is, is read where it lies.
    JobFileReader(std::string_view bytes, std::string name) : name_(std::move(name)) {
        if (IsOwnText(bytes)) {
            text_ = bytes;
        } else {
            decoded_ = DecodeInputText(bytes);
            text_ = decoded_;
        }
    }

    std::string ReadLine() {
        std::size_t start = pos_;
        while (pos_ < text_.size() && text_[pos_] != '\r' && text_[pos_] != '\n')
            ++pos_;
        std::string line(text_.substr(start, pos_ - start));
        SkipLineEnd();
        return line;
    }

    void SkipRestOfLine() {
        while (pos_ < text_.size() && text_[pos_] != '\r' && text_[pos_] != '\n')
            ++pos_;
        SkipLineEnd();
    }

    double ReadReal() {
        const std::optional<std::string_view> token = ReadToken();
        if (!token) return 0;
        CheckLength(*token);
        double value = 0;
        if (ParseNumber(*token, value)) return value;
        throw Invalid(*token);
    }

    long ReadInteger() {
        const std::optional<std::string_view> token = ReadToken();
        if (!token) return 0;
        CheckLength(*token);
        const std::string t(*token);
        std::size_t digits = (t[0] == '+' || t[0] == '-') ? 1 : 0;
        bool valid = t.size() > digits && t.size() - digits <= 9 &&
                     t.find_first_not_of("0123456789", digits) == std::string::npos;
        if (!valid) throw Invalid(t);
        return std::strtol(t.c_str(), nullptr, 10);
    }

  private:
    void SkipLineEnd() {
        if (pos_ < text_.size() && text_[pos_] == '\r') {
            ++pos_;
            if (pos_ < text_.size() && text_[pos_] == '\n') ++pos_;
        } else if (pos_ < text_.size() && text_[pos_] == '\n') {
            ++pos_;
        }
    }

    static bool IsSeparator(char c) { return static_cast<unsigned char>(c) <= 32; }

    std::optional<std::string_view> ReadToken() {
        while (pos_ < text_.size() && IsSeparator(text_[pos_]))
            ++pos_;
        if (pos_ >= text_.size()) return std::nullopt;
        std::size_t start = pos_;
        while (pos_ < text_.size() && !IsSeparator(text_[pos_]))
            ++pos_;
        return text_.substr(start, pos_ - start);
    }

    // A number field holds at most 64 characters. Cutting a longer run there
    // and reading its rest as the next field would misread every later
    // value, so such a run is no number.
    void CheckLength(std::string_view token) const {
        if (token.size() > kMaxTokenLength) throw Invalid(token);
    }

    IoError Invalid(std::string_view token) const {
        const std::string shown = token.size() > kMaxTokenLength
                                      ? std::string(token.substr(0, kMaxTokenLength)) + "..."
                                      : std::string(token);
        return IoError("Invalid numeric input in", name_, "\"" + shown + "\" is not a number");
    }

    std::string decoded_;    // the text when the bytes are not it
    std::string_view text_;  // the text read
    std::string name_;
    std::size_t pos_ = 0;
};

std::string ParameterName(int i) {
    return "b" + std::to_string(i);
}

std::string FunctionText(int k, bool constant) {
    std::string text = "y = ";
    if (constant) text += "b0 + ";
    text += "b1.x1";
    for (int i = 2; i <= k; ++i)
        text += " + b" + std::to_string(i) + ".x" + std::to_string(i);
    return text;
}

bool AllFinite(const Vector& v, int lb, int ub) {
    for (int i = lb; i <= ub; ++i)
        if (!std::isfinite(v[i])) return false;
    return true;
}

// Every number the result file would show, so that a fit whose sums
// overflowed fails instead of printing inf or nan.
bool ResultsFinite(const JobRecord& job, const JobResults& r, int p0) {
    const int k = job.k;
    const int n = job.n;
    if (!std::isfinite(r.stats.Vr) || !std::isfinite(r.stats.F) || !std::isfinite(r.stats.ProbF) ||
        !AllFinite(r.b, p0, k) || !AllFinite(r.yhat, 1, n) || !AllFinite(r.sd, 1, n))
        return false;
    for (int i = p0; i <= k; ++i)
        if (!AllFinite(r.V[i], p0, k)) return false;
    const ParameterTests tests = ComputeParameterTests(r.b, r.V, n, p0, k);
    if (!AllFinite(tests.sd, p0, k) || !AllFinite(tests.t, p0, k) || !AllFinite(tests.prob, p0, k))
        return false;
    for (int i = 1; i <= n; ++i) {
        const double residual = job.Y[i] - r.yhat[i];
        if (!std::isfinite(residual) || (r.sd[i] != 0 && !std::isfinite(residual / r.sd[i])))
            return false;
    }
    return true;
}

// A result file is taken as the proof that its job succeeded, so a job that
// fails must not leave one from an earlier run standing.
void RemoveStaleResult(const std::string& jobFileName) {
    std::error_code ec;
    const std::string name = ResultFileName(jobFileName);
    if (std::filesystem::is_regular_file(name, ec)) std::filesystem::remove(name, ec);
}

}  // namespace

std::string ResultFileName(const std::string& jobFileName) {
    std::size_t slash = jobFileName.find_last_of('/');
    std::size_t base = slash == std::string::npos ? 0 : slash + 1;
    std::size_t dot = jobFileName.find('.', base);
    std::size_t end = dot == std::string::npos ? jobFileName.size() : dot;
    return jobFileName.substr(0, end) + ".out";
}

int ReadJobFile(const std::string& name, int weightingMode, JobRecord& job, Vector& model) {
    return ReadJobText(ReadFileBytes(name), name, weightingMode, job, model);
}

int ReadJobText(std::string_view bytes, const std::string& name, int weightingMode, JobRecord& job,
                Vector& model, const std::vector<double>* numbers) {
    JobFileReader reader(bytes, name);
    job.title = reader.ReadLine();
    const long m = reader.ReadInteger();
    reader.SkipRestOfLine();
    if (m < 2) return -1;
    if (m - 1 > kMaxJobVariables)
        throw JobError(name + ": more than " + std::to_string(kMaxJobVariables) +
                       " independent variables");

    job.k = static_cast<int>(m - 1);
    job.names.assign(kMaxJobVariables + 1, std::string());
    for (int i = 1; i <= job.k; ++i)
        job.names[i] = reader.ReadLine();
    job.yName = reader.ReadLine();
    const long n = reader.ReadInteger();
    reader.SkipRestOfLine();
    if (n < 1) throw JobError(name + ": the job file holds no observations");
    if (n > kMaxJobObservations)
        throw JobError(name + ": more than " + std::to_string(kMaxJobObservations) +
                       " observations");
    job.n = static_cast<int>(n);

    AllocMatrix(job.X, job.k, job.n);
    AllocVector(job.Y, job.n);
    AllocVector(job.s, job.n);
    // The records from the numbers given, when they are as many as the
    // records' fields, and otherwise from the text.
    const std::size_t fields = static_cast<std::size_t>(job.k) + (weightingMode != 0 ? 2 : 1);
    const bool given =
        numbers != nullptr && numbers->size() == fields * static_cast<std::size_t>(job.n);
    std::size_t next = 0;
    auto read = [&] { return given ? (*numbers)[next++] : reader.ReadReal(); };
    for (int i = 1; i <= job.n; ++i) {
        for (int j = 1; j <= job.k; ++j)
            job.X[j][i] = read();
        job.Y[i] = read();
        if (weightingMode != 0) job.s[i] = read();
        if (!given) reader.SkipRestOfLine();
    }
    model[0] = job.k;
    return 0;
}

std::string ResultFileText(const JobSettings& settings, const JobRecord& job, const Vector& model,
                           const JobResults& results) {
    const int k = job.k;
    const int n = job.n;
    const bool constant = model[1] == 1;
    const int p0 = constant ? 0 : 1;
    const std::string doubleRule(73, '=');
    const std::string singleRule(73, '-');
    const ParameterTests tests = ComputeParameterTests(results.b, results.V, n, p0, k);
    const FitStatistics& st = results.stats;

    namespace L = result_layout;
    std::string text;
    text.reserve(static_cast<std::size_t>(2000 + 80 * n));
    auto line = [&text](std::string_view part) {
        text += part;
        text += "\r\n";
    };
    line(doubleRule);
    line("Data file  : " + settings.jobFileName);
    line("Study name : " + job.title);
    for (int i = 1; i <= k; ++i)
        line("x" + I(i, 1) + "         : " + job.names[i]);
    line("y          : " + job.yName);
    line("Function   : " + FunctionText(k, constant));
    line(singleRule);
    line("Parameter    Est.value         Std.dev.        t Student       Prob(>|t|)");
    line(singleRule);
    for (int i = p0; i <= k; ++i) {
        std::string parameter =
            S(ParameterName(i), L::kParameterNameWidth) + W(results.b[i], L::kEstimate.count, 8);
        if (tests.sd[i] > 0)
            parameter += W(tests.sd[i], L::kStdDev.count, 8) +
                         W(tests.t[i], L::kTStudent.count, 2) + W(tests.prob[i], 17, 4);
        line(parameter);
    }
    line(singleRule);
    line(L::StatisticLine(L::kObservations, "n", I(n, L::kCount.count)));
    line(L::StatisticLine(L::kResidualError, "s", W(std::sqrt(st.Vr), L::kStatistic.count, 8)));
    if (st.r2 >= 0 && st.r2 <= 1)
        line(L::StatisticLine(L::kR2, "r2", W(st.r2, L::kStatistic.count, 8)));
    if (st.r2a >= 0 && st.r2a <= 1)
        line(L::StatisticLine(L::kR2Adjusted, "r2a", W(st.r2a, L::kStatistic.count, 8)));
    line(L::StatisticLine(L::kVarianceRatio, "F", W(st.F, L::kStatistic.count, 4)) +
         "    Prob(>F) = " + W(st.ProbF, 6, 4));
    line(singleRule);
    line("Variance-Covariance Matrix of estimated parameters");
    std::string header;
    for (int i = p0; i <= k; ++i)
        header += std::string(11, ' ') + S(ParameterName(i), 5);
    line(header);
    line(singleRule);
    for (int i = p0; i <= k; ++i) {
        std::string row;
        for (int j = p0; j <= k; ++j)
            row += "  " + W(results.V[i][j], 14, 7);
        line(row);
    }
    line(singleRule);
    line("  i        Y obs.       Y calc.      Residual      Std.dev.      Std.res.");
    line(singleRule);
    for (int i = 1; i <= n; ++i) {
        const double r = job.Y[i] - results.yhat[i];
        const double sd = results.sd[i];
        // With a residual variance of 0 every sd is 0 and the standardised
        // residual is undefined; it is shown as 0.
        const double standardised = sd != 0 ? r / sd : 0;
        // Written in place: a job has thousands of these lines.
        AppendI(text, i, 3);
        AppendWFields(text, {job.Y[i], results.yhat[i], r, sd, standardised}, 14, 4);
        text += "\r\n";
    }
    line(doubleRule);
    return text;
}

void WriteResultFile(const JobSettings& settings, const JobRecord& job, const Vector& model,
                     const JobResults& results) {
    TextFileWriter out(ResultFileName(settings.jobFileName));
    out.Write(ResultFileText(settings, job, model, results));
    out.Commit();
    if (settings.showMessages && settings.showMessage)
        settings.showMessage("Results written to file " + ResultFileName(settings.jobFileName));
}

namespace {
std::atomic<long long> fitCount{0};
}  // namespace

long long RegressionFitCount() {
    return fitCount.load();
}

JobOutcome FitRegressionJob(const JobSettings& settings, std::string& resultText) {
    auto message = [&](const std::string& text) {
        if (settings.showMessages && settings.showMessage) settings.showMessage(text);
    };
    const std::string& name = settings.jobFileName;
    Vector model;
    AllocVector(model, 1);
    model[1] = settings.constant ? 1 : 0;

    JobRecord job;
    const int read = settings.jobText != nullptr
                         ? ReadJobText(*settings.jobText, name, settings.weightingMode, job, model,
                                       settings.jobNumbers)
                         : ReadJobFile(name, settings.weightingMode, job, model);
    if (read == -1) {
        message(kFewVariables);
        message("Error reading file " + name);
        throw JobError(name + ": " + kFewVariables);
    }
    if (settings.weightingMode != 0) {
        for (int i = 1; i <= job.n; ++i)
            if (!(job.s[i] > -1))
                throw JobError(name + ": observation " + std::to_string(i) +
                               " has an sd of -1 or less, which gives no weight");
    }

    const int k = job.k;
    const int n = job.n;
    JobResults results;
    AllocVector(results.b, k);
    AllocMatrix(results.V, k, k);
    AllocVector(results.yhat, n);
    AllocVector(results.sd, n);
    ++fitCount;
    int code = FitMultipleLinear(job.X, job.Y, job.s, n, k, model[1], settings.weightingMode,
                                 results.b, results.V, results.yhat, results.sd, results.stats);
    if (code == -2) {
        message("Non-convergence of SVD algorithm !");
        return JobOutcome::NotConverged;
    }
    if (!ResultsFinite(job, results, model[1] == 1 ? 0 : 1))
        throw JobError(name + ": the fit overflowed; the numbers are too large to fit");
    resultText = ResultFileText(settings, job, model, results);
    return JobOutcome::Written;
}

JobOutcome RunRegressionJob(const JobSettings& settings) {
    const std::string& name = settings.jobFileName;
    if (ResultFileName(name) == name)
        throw JobError(name + ": the result file would replace the job file itself");
    try {
        std::string text;
        if (FitRegressionJob(settings, text) == JobOutcome::NotConverged) {
            RemoveStaleResult(name);
            return JobOutcome::NotConverged;
        }
        TextFileWriter out(ResultFileName(name));
        out.Write(text);
        out.Commit();
        if (settings.showMessages && settings.showMessage)
            settings.showMessage("Results written to file " + ResultFileName(name));
        return JobOutcome::Written;
    } catch (...) {
        RemoveStaleResult(name);
        throw;
    }
}

}  // namespace tarnovel
