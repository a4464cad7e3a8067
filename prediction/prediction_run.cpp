#include "prediction/prediction_run.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <exception>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <unordered_map>
#include <vector>

#include "common/io_error.h"
#include "common/number_format.h"
#include "common/parallel.h"
#include "common/text.h"
#include "common/text_file.h"
#include "prediction/censored.h"
#include "prediction/censored_exact.h"
#include "prediction/prediction_model.h"
#include "regression/job_names.h"
#include "regression/overview.h"
#include "tables/handoff.h"

namespace tarnovel {

namespace {

constexpr const char* kCensoredInput = "invoer_censored.txt";
constexpr const char* kCensoredOutput = "uitvoer_censored.txt";
constexpr const char* kLineBreak = "\r\n";
const std::string kIndent(20, ' ');

std::string_view TrueFalse(bool value) {
    return value ? "true" : "false";
}

// A value for the prediction file; nothing that is not a finite number is
// ever written there.
void PutValue(std::string& cell, double value) {
    if (std::isfinite(value)) cell = W(value, 10, 3);
}

double RequiredNumber(const ResultSummary& file, const std::optional<double>& value,
                      const char* what) {
    if (!value)
        throw IoError("Cannot read file", file.name, std::string(what) + " is not a number");
    return *value;
}

std::string CellOf(const StringGrid& table, int column, int row) {
    return column < 0 ? std::string() : table.Cell(column, row);
}

// The variance column and the prediction columns, all "missing".
void AppendResultColumns(StringGrid& table, const std::string& kindsText) {
    const int R = table.rowCount;
    const int base = table.colCount;
    const std::vector<std::string> titles = AppendedColumnTitles(kindsText);
    table.Resize(base + static_cast<int>(titles.size()), R);
    for (std::size_t k = 0; k < titles.size(); ++k) {
        TextColumn& column = table.cells[static_cast<std::size_t>(base) + k];
        column.assign(static_cast<std::size_t>(R), kMissing);
        if (R > 0) column.Set(0, titles[k]);
    }
}

// One measurement of a location: its row, and the columns of the measurement
// and of its variance.
struct Measurement {
    int row;
    int measColumn;
    int varColumn;
};

using MeasurementsByDate = std::unordered_map<std::string, std::vector<Measurement>>;

// The measurements of each date in row order, the first pair of a row before
// its second; the dates themselves never change here.
MeasurementsByDate GroupByDate(const StringGrid& table, const PredictionSettings& settings,
                               int colVar1) {
    MeasurementsByDate byDate;
    const std::pair<int, int> pairs[2] = {{settings.colDate1, settings.colMeas1},
                                          {settings.colDate2, settings.colMeas2}};
    const int varColumns[2] = {colVar1, colVar1 + 1};
    for (int r = 1; r < table.rowCount; ++r)
        for (int k = 0; k < 2; ++k)
            if (pairs[k].second >= 0)
                byDate[CellOf(table, pairs[k].first, r)].push_back(
                    {r, pairs[k].second, varColumns[k]});
    return byDate;
}

// The measurements of a date, one a line without blanks, for the
// estimation's input file; a censored one as written, or as M when M is
// given (the table method knows a single cut-off).
std::vector<std::string> CensoredInputLines(const StringGrid& table,
                                            const std::vector<Measurement>& measured,
                                            const std::string* M) {
    std::vector<std::string> lines;
    lines.reserve(measured.size());
    for (const Measurement& m : measured) {
        const std::string& cell = table.Cell(m.measColumn, m.row);
        lines.push_back(RemoveBlanks(M != nullptr && Contains(cell, ">") ? *M : cell));
    }
    return lines;
}

// The exact estimate for the censored measurement M from the lines of its
// date, every censored line at its own depth; a line without a depth is
// left out of the fit, as the table method leaves it out of its count.
CensoredEstimate EstimateExact(const std::vector<std::string>& lines, const std::string& M,
                               Feedback& feedback) {
    const CensoredSample sample = ReadCensoredLines(lines);
    for (const CensoredValue& value : sample.censored) {
        if (value.depth) continue;
        std::string rest;
        for (const char ch : value.text)
            if (ch != '>') rest += ch;
        feedback.Message("niet-numerieke tekens in " + rest + " in " + kCensoredInput);
    }
    const std::string cutOffText = RemoveBlanks(M);
    const CensoredSample own = ReadCensoredLines({cutOffText});
    if (own.censored.empty() || !own.censored.front().depth) {
        CensoredEstimate none;
        none.exact = true;
        none.noEstimateReason = "the censored value has no depth";
        return none;
    }
    const CensoredEstimate estimate =
        EstimateCensoredExact(sample, *own.censored.front().depth, cutOffText);
    if (estimate.estimated) WriteCensoredReport(kCensoredOutput, estimate);
    return estimate;
}

// The table method's estimate from the estimation's input file, which holds
// `lines`; read back only when the file would not give the same lines.
CensoredEstimate EstimateByTable(const std::vector<std::string>& lines, Feedback& feedback) {
    const CensoredSample sample =
        ReadsBackUnchanged(lines) ? ReadCensoredLines(lines) : ReadCensoredInput(kCensoredInput);
    const CensoredEstimate estimate =
        EstimateCensored(sample, kCensoredInput,
                         [&feedback](const std::string& message) { feedback.Message(message); });
    if (estimate.estimated) WriteCensoredReport(kCensoredOutput, estimate);
    return estimate;
}

// Replaces the censored measurement M of date D by the estimate from the
// lines of that date; false when no estimate is possible.
bool ReplaceCensoredEntry(StringGrid& table, const std::vector<Measurement>& measured,
                          const std::vector<std::string>& lines, const std::string& D,
                          const std::string& M, bool exact, Feedback& feedback) {
    WriteTextFile(kCensoredInput, lines);
    const CensoredEstimate estimate =
        exact ? EstimateExact(lines, M, feedback) : EstimateByTable(lines, feedback);
    if (!estimate.estimated) {
        // The censored values stay as they are: only models that do not
        // need them can be chosen for their locations.
        const std::string message = ReduceBlanks(
            M + " at date <" + D + "> not replaced: no maximum-likelihood estimate possible.");
        feedback.Message(message);
        feedback.Log(kIndent + message);
        return false;
    }
    const std::string E = W(estimate.estimate, 15, 2);
    const std::string V = W(estimate.variance, 15, 3);
    for (const Measurement& m : measured) {
        const std::string cell = table.Cell(m.measColumn, m.row);
        if (Contains(cell, M)) {
            table.SetCell(m.measColumn, m.row, E);
            table.SetCell(m.varColumn, m.row, V);
        } else if (table.Cell(m.varColumn, m.row) == kMissing && IsNumber(RemoveBlanks(cell))) {
            // Observed on a date with censored values. A value replaced for
            // an earlier entry of this date keeps its variance, and
            // "missing" stays missing.
            table.SetCell(m.varColumn, m.row, "0");
        }
    }
    feedback.Log(kIndent +
                 ReduceBlanks(M + " at date <" + D + "> replaced by " + E + " with variance " + V));
    return true;
}

void ReplaceCensored(StringGrid& table, const PredictionSettings& settings, int colVar1,
                     Feedback& feedback, PredictionOutcome& outcome) {
    MeasurementsByDate byDate = GroupByDate(table, settings, colVar1);
    const bool exact = settings.exactMaximumLikelihood;
    // The exact fit takes each date's measurements as loaded: a value
    // replaced for an earlier entry of the date is an estimate, not an
    // observation, and must not narrow the next fit.
    std::unordered_map<std::string, std::vector<std::string>> asLoaded;
    if (exact)
        for (const auto& [D, M] : settings.censoredEntries)
            if (asLoaded.find(D) == asLoaded.end())
                asLoaded[D] = CensoredInputLines(table, byDate[D], nullptr);
    for (const auto& [D, M] : settings.censoredEntries) {
        const std::vector<std::string> lines =
            exact ? asLoaded[D] : CensoredInputLines(table, byDate[D], &M);
        if (ReplaceCensoredEntry(table, byDate[D], lines, D, M, exact, feedback))
            ++outcome.estimatesMade;
        else
            ++outcome.estimatesRefused;
    }
}

// The measurements of one location, as the model choice sees them.
struct Location {
    std::string D1, M1, D2, M2;  // the cells
    std::string d1, d2;          // the dates without blanks
    std::string stratum;
    bool m1Number = false, m2Number = false;
    double x1 = 0, x2 = 0;
};

double ReadNumber(const std::string& text, bool& isNumber) {
    double value = std::nan("");
    isNumber = IsNumber(text) && ParseNumber(text, value);
    return isNumber ? value : std::nan("");
}

Location LocationAt(const StringGrid& table, const PredictionSettings& settings, int r) {
    Location l;
    l.D1 = CellOf(table, settings.colDate1, r);
    l.M1 = CellOf(table, settings.colMeas1, r);
    l.D2 = CellOf(table, settings.colDate2, r);
    l.M2 = CellOf(table, settings.colMeas2, r);
    l.d1 = RemoveBlanks(l.D1);
    l.d2 = RemoveBlanks(l.D2);
    l.stratum = settings.separately ? table.Cell(settings.colStrata, r) : kPooledStratum;
    l.x1 = ReadNumber(RemoveBlanks(l.M1), l.m1Number);
    l.x2 = ReadNumber(RemoveBlanks(l.M2), l.m2Number);
    return l;
}

// The three candidate models of a location and kind: the result files of
// both dates (either order), of date 1 and of date 2.
struct Candidates {
    std::string names[3];                         // as the log labels them: d1-d2, d1-d1, d2-d2
    std::array<const ResultSummary*, 3> files{};  // the complete model in the order found
    std::string note;                             // the log's remark on the complete model
    // Per model: whether the name of its file holds d1-d2 or d2-d1.
    std::array<bool, 3> twoDates{};
    // The log's statistics lines of these files, once worked out.
    const std::array<std::string, 3>* statistics = nullptr;
};

// What one thread keeps from one location to the next. The result files
// it has met, so that it asks the shared cache only for new ones; and the
// statistics text of each set of candidate files, which depends on the
// files alone and is the same for every location that has them.
struct WorkerMemory {
    std::unordered_map<std::string, const ResultSummary*> files;
    std::map<std::array<const ResultSummary*, 3>, std::array<std::string, 3>> statistics;
    // The candidates of each stratum, pair of dates and kind met: every
    // location that shares them has the same candidates.
    std::unordered_map<std::string, Candidates> candidates;
    std::string key;  // of the candidates asked for

    const ResultSummary& Get(const std::string& name, ResultCache& cache) {
        const auto found = files.find(name);
        if (found != files.end()) return *found->second;
        const ResultSummary& summary = cache.Get(name);
        files.emplace(name, &summary);
        return summary;
    }
};

std::string ResultName(const std::string& stratum, const std::string& a, const std::string& b,
                       const std::string& tail) {
    std::string name;
    name.reserve(stratum.size() + a.size() + b.size() + tail.size() + 2);
    name.append(stratum).append(1, '-').append(a).append(1, '-').append(b).append(tail);
    return name;
}

// Where a kind of model stands among a location's candidates.
std::size_t ModelIndex(ModelKind kind) {
    return static_cast<std::size_t>(kind);
}

// tail: "-" kind "-" tag ".out".
Candidates& FindCandidates(const Location& l, const std::string& tail, ResultCache& cache,
                           WorkerMemory& memory) {
    // Each part with its length first, so that no two sets of parts make
    // the same key.
    std::string& key = memory.key;
    key.clear();
    for (const std::string* part : {&l.stratum, &l.d1, &l.d2, &tail}) {
        const std::size_t size = part->size();
        key.append(reinterpret_cast<const char*>(&size), sizeof size).append(*part);
    }
    const auto found = memory.candidates.find(key);
    if (found != memory.candidates.end()) return found->second;

    Candidates c;
    c.names[0] = ResultName(l.stratum, l.d1, l.d2, tail);
    c.names[1] = ResultName(l.stratum, l.d1, l.d1, tail);
    c.names[2] = ResultName(l.stratum, l.d2, l.d2, tail);
    const std::string name21 = ResultName(l.stratum, l.d2, l.d1, tail);
    const ResultSummary& file12 = memory.Get(c.names[0], cache);
    const ResultSummary& file21 = memory.Get(name21, cache);
    c.files[0] = &file12;
    c.files[1] = &memory.Get(c.names[1], cache);
    c.files[2] = &memory.Get(c.names[2], cache);
    if (file12.exists) {
        if (file21.exists) c.note = name21 + kLineBreak + "2 complete models found (?)";
    } else if (file21.exists) {
        c.files[0] = &file21;
    } else {
        c.note = name21 + " (complete model): not found" + kLineBreak;
    }
    const std::string forward = l.d1 + "-" + l.d2;
    const std::string backward = l.d2 + "-" + l.d1;
    for (std::size_t model = 0; model < 3; ++model) {
        const std::string& name = model == 0 ? c.files[0]->name : c.names[model];
        c.twoDates[model] = Contains(name, forward) || Contains(name, backward);
    }
    return memory.candidates.emplace(key, std::move(c)).first->second;
}

ModelChoice Choose(const Candidates& c, const Location& l, bool constant) {
    ModelEvidence evidence;
    evidence.constant = constant;
    evidence.m1Number = l.m1Number;
    evidence.m2Number = l.m2Number;
    for (int model = 0; model < 3; ++model) {
        const ResultSummary& file = *c.files[model];
        evidence.exists[model] = file.exists;
        if (!file.exists) continue;
        evidence.n[model] = RequiredNumber(file, file.n, "the number of observations");
        evidence.s[model] = RequiredNumber(file, file.s, "the residual error");
    }
    return ChooseModel(evidence);
}

// The result file of the model chosen; null when none is.
const std::string* SelectedName(const ModelChoice& choice, const Candidates& c) {
    if (!choice.selected) return nullptr;
    switch (*choice.selected) {
        case ModelKind::kComplete:
            return &c.files[0]->name;
        case ModelKind::kDate1:
            return &c.names[1];
        case ModelKind::kDate2:
            return &c.names[2];
    }
    return nullptr;
}

// The statistics line of each candidate, as the log shows it.
const std::array<std::string, 3>& StatisticsText(Candidates& c, const ModelChoice& choice,
                                                 WorkerMemory& memory) {
    if (c.statistics != nullptr) return *c.statistics;
    std::array<std::string, 3>& text = memory.statistics[c.files];
    if (text[0].empty())
        for (std::size_t model = 0; model < 3; ++model) {
            const ModelStatistics& st = choice.statistics[model];
            text[model] = " Cp=" + W(st.Cp, 5, 2) + "; SSres=" + W(st.SS, 10, 2);
        }
    c.statistics = &text;
    return text;
}

// The log's account of one location and kind: the statistics and flags of
// each candidate, then the model selected.
void ChoiceBlock(const Location& l, Candidates& c, const ModelChoice& choice,
                 const std::string* selectedName, WorkerMemory& memory, std::string& block) {
    block.clear();
    block.reserve(768);
    for (const std::string_view piece :
         {std::string_view("datapoint: "), std::string_view(l.D1), std::string_view("/"),
          std::string_view(l.M1), std::string_view(" en "), std::string_view(l.D2),
          std::string_view("/"), std::string_view(l.M2), std::string_view(kLineBreak),
          std::string_view(c.note)})
        AppendReduced(block, piece);
    const std::array<std::string, 3>& statistics = StatisticsText(c, choice, memory);
    for (std::size_t model = 0; model < 3; ++model) {
        const ModelFlags& flags = choice.flags[model];
        block.append("MODEL ").append(1, static_cast<char>('1' + model)).append(1, ' ');
        block.append(c.names[model]).append(":  ").append(kLineBreak);
        block.append(statistics[model]).append(kLineBreak);
        block.append(" Measurements present=").append(TrueFalse(flags.present));
        block.append(" Candidate model=").append(TrueFalse(flags.candidate));
        block.append(" Selected model=").append(TrueFalse(flags.selectable));
        if (model < 2) block += kLineBreak;
    }
    block += kLineBreak;
    block.append("MODEL ").append(selectedName != nullptr ? *selectedName : std::string("none"));
    block.append(" selected.").append(kLineBreak).append(kLineBreak);
}

// The models list as the prediction fills it, each result file once, in
// the order the locations first use them.
class ModelKeeper {
  public:
    ModelKeeper(PredictionOutcome& outcome, const StringGrid& table,
                const PredictionSettings& settings)
        : outcome_(outcome), table_(table), settings_(settings) {}

    void Keep(std::size_t at, int row, const ResultSummary& summary, ModelKind kind,
              const PredictionValues& values) {
        LocationModel& kept = outcome_.choices[at];
        kept.model = IndexOf(row, summary, kind);
        kept.use = kind == ModelKind::kComplete ? ModelUse::kBothDates
                   : kind == ModelKind::kDate1  ? ModelUse::kDate1
                                                : ModelUse::kDate2;
        kept.extrapolation = ExtrapolationOf(values.leverage, values.threshold);
    }

  private:
    std::int32_t IndexOf(int row, const ResultSummary& summary, ModelKind kind) {
        const auto found = index_.find(&summary);
        if (found != index_.end()) return found->second;
        // The dates of the location that uses the model first; the
        // prediction never changes a date cell.
        const std::string d1 = RemoveBlanks(CellOf(table_, settings_.colDate1, row));
        const std::string d2 = RemoveBlanks(CellOf(table_, settings_.colDate2, row));
        PredictionModel model;
        model.resultFile = summary.name;
        model.date1 = kind == ModelKind::kDate2 ? d2 : d1;
        if (kind == ModelKind::kComplete) model.date2 = d2;
        // The terms the prediction used: those it read a coefficient for.
        const bool wanted[3] = {settings_.constant, true, kind == ModelKind::kComplete};
        for (std::size_t k = 0; k < 3; ++k)
            model.p += wanted[k] && summary.coefficientFound[k] ? 1 : 0;
        model.n = summary.n.value_or(0);
        outcome_.models.push_back(std::move(model));
        const auto index = static_cast<std::int32_t>(outcome_.models.size() - 1);
        index_.emplace(&summary, index);
        return index;
    }

    PredictionOutcome& outcome_;
    const StringGrid& table_;
    const PredictionSettings& settings_;
    // By file: the shared cache holds one summary per result file.
    std::unordered_map<const ResultSummary*, std::int32_t> index_;
};

// What one location and kind comes to, worked out apart from every other
// location: the log's account and the values of the model chosen. An error
// is kept for the location's turn, with whether its account was logged
// before it, so that the prediction ends where it would end with one
// location after another.
struct KindOutcome {
    std::string block;
    std::exception_ptr error;
    bool errorAfterLog = false;
    const ResultSummary* selected = nullptr;  // null: the kind gets no values
    ModelKind kind = ModelKind::kComplete;
    PredictionValues values;
    std::array<std::string, 4> cells;  // empty for a value that is no finite number
};

// The kinds to predict with what every location needs of them.
struct KindPlan {
    std::string kind, tag;
    std::string tail;  // of its result files' names: "-" kind "-" tag ".out"
    int column = -1;   // the first of its four columns; -1 when the table has none
};

void WorkOut(const Location& l, const KindPlan& plan, bool constant, ResultCache& cache,
             WorkerMemory& memory, KindOutcome& out) {
    ModelChoice choice;
    const ResultSummary* selected = nullptr;
    bool twoDates = false;
    try {
        Candidates& c = FindCandidates(l, plan.tail, cache, memory);
        choice = Choose(c, l, constant);
        const std::string* selectedName = SelectedName(choice, c);
        ChoiceBlock(l, c, choice, selectedName, memory, out.block);
        if (selectedName == nullptr || plan.column < 0) return;
        selected = c.files[ModelIndex(*choice.selected)];  // the file of that name
        twoDates = c.twoDates[ModelIndex(*choice.selected)];
    } catch (...) {
        out.error = std::current_exception();
        return;
    }
    if (!selected->exists) return;
    try {
        out.values = Predict(*selected, constant, twoDates, l.d1, l.d2, l.x1, l.x2);
    } catch (...) {
        out.error = std::current_exception();
        out.errorAfterLog = true;
        return;
    }
    out.selected = selected;
    out.kind = *choice.selected;
    const double values[4] = {out.values.y0, out.values.sd, out.values.threshold,
                              out.values.leverage};
    for (std::size_t k = 0; k < 4; ++k)
        PutValue(out.cells[k], values[k]);
}

// Logs one location and kind and fills in its values; true when a value
// was predicted. The keeper, when there is one, gets the model at position
// `at` of its list.
bool Finish(KindOutcome& out, const KindPlan& plan, StringGrid& table, int r, Feedback& feedback,
            ModelKeeper* keeper, std::size_t at) {
    if (out.error && !out.errorAfterLog) std::rethrow_exception(out.error);
    feedback.Log(out.block);
    if (out.error) std::rethrow_exception(out.error);
    if (out.selected == nullptr) return false;
    for (int k = 0; k < 4; ++k)
        if (!out.cells[static_cast<std::size_t>(k)].empty())
            table.SetCell(plan.column + k, r, out.cells[static_cast<std::size_t>(k)]);
    if (keeper != nullptr) keeper->Keep(at, r, *out.selected, out.kind, out.values);
    return std::isfinite(out.values.y0);
}

// The shape of the models list: the kinds, their columns and one empty
// entry per location and kind.
void KeepLayout(PredictionOutcome& outcome, const std::vector<KindPlan>& plans, int base,
                int columns) {
    for (const KindPlan& plan : plans) {
        outcome.kinds.push_back(plan.kind);
        outcome.kindColumns.push_back(plan.column);
    }
    outcome.locationColumns = base + 2;
    outcome.tableColumns = columns;
    outcome.choices.assign(static_cast<std::size_t>(outcome.locations) * plans.size(), {});
}

std::vector<KindPlan> PlanKinds(const PredictionSettings& settings, int base) {
    std::vector<KindPlan> plans;
    const std::vector<std::string> kinds = KindsToPredict(settings.kindsText);
    for (std::size_t k = 0; k < kinds.size(); ++k) {
        const int block = KindBlock(settings.kindsText, kinds[k]);
        plans.push_back({kinds[k], settings.tags[k],
                         "-" + kinds[k] + "-" + settings.tags[k] + ".out",
                         block < 0 ? -1 : base + 2 + 4 * block});
    }
    return plans;
}

// Predicts every location and kind. The locations are worked out a block
// at a time on the threads; meanwhile the calling thread logs and fills in
// the block before, one location after another, so that the log, the
// table and the models list come out as with one thread.
class LocationRun {
  public:
    LocationRun(const PredictionSettings& settings, StringGrid& table, int base, Feedback& feedback,
                ThreadTeam& team, PredictionOutcome& outcome)
        : settings_(settings),
          table_(table),
          feedback_(feedback),
          outcome_(outcome),
          plans_(PlanKinds(settings, base)),
          memories_(team.size()),
          team_(team),
          blockSize_(std::clamp(settings.blockLocations, 1, std::max(1, table.rowCount))) {
        outcome.predicted.assign(plans_.size(), 0);
        if (settings.keepModels) {
            keeper_.emplace(outcome, table, settings);
            KeepLayout(outcome, plans_, base, table.colCount);
        }
    }

    void Run() {
        WorkInBlocks<std::vector<KindOutcome>>(
            1, static_cast<std::size_t>(std::max(1, table_.rowCount)),
            static_cast<std::size_t>(blockSize_),
            [this](std::size_t first, std::vector<KindOutcome>& block,
                   const std::function<void()>& alongside) {
                WorkOutBlock(static_cast<int>(first), block, alongside);
            },
            [this](std::size_t first, std::vector<KindOutcome>& block) {
                FinishBlock(static_cast<int>(first), block);
            });
    }

  private:
    void WorkOutBlock(int first, std::vector<KindOutcome>& block,
                      const std::function<void()>& alongside) {
        const std::size_t K = plans_.size();
        const int last = std::min(table_.rowCount, first + blockSize_);
        block.assign(static_cast<std::size_t>(last - first) * K, {});
        auto work = [&](std::size_t i, unsigned thread) {
            const Location l = LocationAt(table_, settings_, first + static_cast<int>(i));
            for (std::size_t k = 0; k < K; ++k)
                WorkOut(l, plans_[k], settings_.constant, cache_, memories_[thread],
                        block[i * K + k]);
        };
        team_.ForEach(static_cast<std::size_t>(last - first), work, alongside);
    }

    void FinishBlock(int first, std::vector<KindOutcome>& block) {
        const std::size_t K = plans_.size();
        const int R = table_.rowCount;
        const int last = std::min(R, first + blockSize_);
        for (int r = first; r < last; ++r) {
            for (std::size_t k = 0; k < K; ++k)
                if (Finish(block[static_cast<std::size_t>(r - first) * K + k], plans_[k], table_, r,
                           feedback_, keeper_ ? &*keeper_ : nullptr,
                           static_cast<std::size_t>(r - 1) * K + k))
                    ++outcome_.predicted[k];

            // Repainted only when the bar moves: a survey has far more
            // locations than the bar has positions.
            const int position = static_cast<int>(std::nearbyint(100.0 * r / (R - 1)));
            if (position != shown_) {
                shown_ = position;
                feedback_.Progress(position);
            }
        }
    }

    const PredictionSettings& settings_;
    StringGrid& table_;
    Feedback& feedback_;
    PredictionOutcome& outcome_;
    const std::vector<KindPlan> plans_;
    ResultCache cache_;
    std::vector<WorkerMemory> memories_;
    ThreadTeam& team_;
    const int blockSize_;
    std::optional<ModelKeeper> keeper_;
    int shown_ = 0;
};

}  // namespace

PredictionOutcome RunPrediction(const PredictionSettings& settings, StringGrid& table,
                                Feedback& feedback) {
    PredictionOutcome outcome;
    const int R = table.rowCount;
    const int base = table.colCount;
    outcome.locations = R > 1 ? R - 1 : 0;
    AppendResultColumns(table, settings.kindsText);
    if (settings.maximumLikelihood && !settings.censoredEntries.empty())
        ReplaceCensored(table, settings, base, feedback, outcome);

    ThreadTeam team(WorkerThreads(settings.threads));
    WritePredictionFile(table, settings.outputName, settings.delimiter, &team);
    feedback.Log("");
    feedback.Log("****** " + settings.sessionLabel + " PREDICTION MxW MEASUREMENTS ******");
    LocationRun(settings, table, base, feedback, team, outcome).Run();
    WritePredictionFile(table, settings.outputName, settings.delimiter, &team);
    return outcome;
}

void WritePredictionFile(const StringGrid& table, const std::string& name,
                         const std::string& delimiter, ThreadTeam* team) {
    // Lines are made in pieces of rows, a block of pieces at a time; the
    // pieces of a block are made on the team while the block before is
    // written, so the file is written in row order at any count of threads.
    constexpr std::size_t kPieceRows = 1024;
    constexpr std::size_t kBlockRows = 16 * kPieceRows;
    const std::size_t rows = static_cast<std::size_t>(std::max(0, table.rowCount));
    ThreadTeam alone(1);
    ThreadTeam& threads = team != nullptr ? *team : alone;
    TextFileWriter out(name);
    auto makePiece = [&table, &delimiter](std::size_t first, std::size_t last, std::string& text) {
        text.clear();
        for (std::size_t r = first; r < last; ++r) {
            for (int c = 0; c < table.colCount; ++c) {
                table.cells[static_cast<std::size_t>(c)].AppendWithoutBlanks(text, r);
                text += delimiter;
            }
            text += kLineBreak;
        }
    };
    WorkInBlocks<std::vector<std::string>>(
        0, rows, kBlockRows,
        [&](std::size_t first, std::vector<std::string>& block,
            const std::function<void()>& alongside) {
            const std::size_t last = std::min(rows, first + kBlockRows);
            block.resize((last - first + kPieceRows - 1) / kPieceRows);
            threads.ForEach(
                block.size(),
                [&](std::size_t i, unsigned) {
                    const std::size_t from = first + i * kPieceRows;
                    makePiece(from, std::min(last, from + kPieceRows), block[i]);
                },
                alongside);
        },
        [&out](std::size_t, std::vector<std::string>& block) {
            for (const std::string& piece : block)
                out.Write(piece);
        });
    out.Commit();
}

Extrapolation ExtrapolationOf(double leverage, double threshold) {
    if (!std::isfinite(leverage) || !std::isfinite(threshold)) return Extrapolation::kUnknown;
    return leverage > threshold ? Extrapolation::kYes : Extrapolation::kNo;
}

namespace {

const char* ExtrapolationText(Extrapolation e) {
    switch (e) {
        case Extrapolation::kYes:
            return "yes";
        case Extrapolation::kNo:
            return "no";
        case Extrapolation::kUnknown:
            break;
    }
    return kMissing;
}

std::string Count(double n) {
    const std::string text = W(n, 0, n == std::floor(n) ? 0 : 3);
    return text.substr(text.find_first_not_of(' '));
}

const char* const kModelTitles[] = {"MxW",  "Model",    "Date 1",        "Date 2",
                                    "p",    "n",        "Prediction",    "sd",
                                    "2p/n", "Leverage", "Extrapolation", "Result file"};

const char* UseText(ModelUse use) {
    switch (use) {
        case ModelUse::kBothDates:
            return "both dates";
        case ModelUse::kDate1:
            return "date 1";
        case ModelUse::kDate2:
            return "date 2";
        case ModelUse::kNone:
            break;
    }
    return "none";
}

// The cell of the model's part of a row: the kind, the model and its
// values.
std::string ModelPart(const PredictionOutcome& outcome, const StringGrid& table, int r,
                      std::size_t k, int part) {
    const LocationModel& choice =
        outcome.choices[static_cast<std::size_t>(r - 1) * outcome.kinds.size() + k];
    const PredictionModel* model =
        choice.model >= 0 ? &outcome.models[static_cast<std::size_t>(choice.model)] : nullptr;
    const int column = outcome.kindColumns[k];
    if (part >= 6 && part <= 9)
        return column < 0 ? std::string(kMissing) : RemoveBlanks(table.Cell(column + part - 6, r));
    switch (part) {
        case 0:
            return outcome.kinds[k];
        case 1:
            return UseText(choice.use);
        case 2:
            return model != nullptr ? model->date1 : "";
        case 3:
            return model != nullptr ? model->date2 : "";
        case 4:
            return model != nullptr ? std::to_string(model->p) : "";
        case 5:
            return model != nullptr ? Count(model->n) : "";
        case 10:
            return ExtrapolationText(choice.extrapolation);
        case 11:
            return model != nullptr ? model->resultFile : "";
        default:
            return {};
    }
}

void WriteModelsLine(std::string& line, const std::vector<std::string>& cells) {
    line.clear();
    for (std::size_t c = 0; c < cells.size(); ++c)
        line += (c == 0 ? "" : ";") + CsvField(cells[c]);
}

// The models list as ";"-separated lines without their line ends, the
// titles first.
void ForEachModelsLine(const PredictionOutcome& outcome, const StringGrid& table,
                       const std::function<void(const std::string&)>& put) {
    std::string line;
    std::vector<std::string> cells = ModelsTitles(outcome, table);
    WriteModelsLine(line, cells);
    put(line);
    const std::size_t rows = ModelsRowCount(outcome, table);
    for (std::size_t i = 0; i < rows; ++i) {
        for (std::size_t c = 0; c < cells.size(); ++c)
            cells[c] = ModelsCell(outcome, table, i, static_cast<int>(c));
        WriteModelsLine(line, cells);
        put(line);
    }
}

}  // namespace

std::size_t ModelsRowCount(const PredictionOutcome& outcome, const StringGrid& table) {
    const std::size_t K = outcome.kinds.size();
    if (K == 0 || table.colCount != outcome.tableColumns ||
        static_cast<long long>(table.rowCount) != outcome.locations + 1 ||
        outcome.choices.size() != static_cast<std::size_t>(outcome.locations) * K)
        return 0;
    return outcome.choices.size();
}

std::vector<std::string> ModelsTitles(const PredictionOutcome& outcome, const StringGrid& table) {
    std::vector<std::string> titles = {"Row"};
    for (int c = 0; c < outcome.locationColumns && c < table.colCount && table.rowCount > 0; ++c)
        titles.push_back(RemoveBlanks(table.Cell(c, 0)));
    for (const char* title : kModelTitles)
        titles.push_back(title);
    return titles;
}

std::string ModelsCell(const PredictionOutcome& outcome, const StringGrid& table, std::size_t row,
                       int column) {
    const std::size_t K = outcome.kinds.size();
    const int r = static_cast<int>(row / K) + 1;
    if (column == 0) return std::to_string(r);
    if (column <= outcome.locationColumns) return RemoveBlanks(table.Cell(column - 1, r));
    return ModelPart(outcome, table, r, row % K, column - outcome.locationColumns - 1);
}

std::string ModelsCsv(const PredictionOutcome& outcome, const StringGrid& table) {
    std::string text;
    ForEachModelsLine(outcome, table, [&text](const std::string& line) { text += line + "\r\n"; });
    return text;
}

void WriteModelsFile(const std::string& name, const PredictionOutcome& outcome,
                     const StringGrid& table) {
    // Line by line: for a large survey the whole text would be a copy of
    // the table several times over.
    TextFileWriter out(name);
    ForEachModelsLine(outcome, table, [&out](const std::string& line) { out.WriteLine(line); });
    out.Commit();
}

}  // namespace tarnovel
