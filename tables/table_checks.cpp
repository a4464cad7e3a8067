#include "tables/table_checks.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>

#include "common/number_format.h"

namespace tarnovel {

namespace {

// The job reader takes no number field longer than this.
constexpr std::size_t kLongestNumber = 64;

constexpr const char* kMissingBoxAdvice =
    "if it means \"missing\", type it in the box code \"missing data\"= of the data window and "
    "press \"apply\".";

std::string Counted(long long n, const char* one, const char* many) {
    return std::to_string(n) + " " + (n == 1 ? one : many);
}

std::string Quoted(std::string_view text) {
    return "\"" + std::string(text) + "\"";
}

// Selected, not sorted: a survey's column holds a million values. Called
// with at least one value.
double Median(std::vector<double> values) {
    const std::size_t n = values.size();
    const auto upper = values.begin() + static_cast<std::ptrdiff_t>(n / 2);
    std::nth_element(values.begin(), upper, values.end());
    if (n % 2 == 1) return *upper;
    // The value just below the middle is the largest of the lower half.
    return (*std::max_element(values.begin(), upper) + *upper) / 2.0;
}

// The values of a column from which a cell lies far off: their median and
// spread, or nothing when the column holds too few numbers to tell.
struct Centre {
    bool known = false;
    double median = 0;
    double spread = 0;
};

Centre CentreOf(const std::vector<double>& values) {
    Centre centre;
    if (values.size() < static_cast<std::size_t>(kOutlierMinimumCount)) return centre;
    centre.known = true;
    centre.median = Median(values);
    std::vector<double> deviations;
    deviations.reserve(values.size());
    for (double v : values)
        deviations.push_back(std::fabs(v - centre.median));
    centre.spread = std::max({Median(std::move(deviations)),
                              kOutlierMedianShare * std::fabs(centre.median), kOutlierSpreadFloor});
    return centre;
}

// One suspicious value of a column and the cells that hold it.
struct Suspect {
    std::string text;
    bool code = false;  // a missing-code lookalike, else far outside
    int cells = 0;
};

void CheckColumn(const TableGrid& grid, const NumberColumn& column, std::string_view commaItem,
                 std::vector<std::string>& findings) {
    std::vector<std::pair<int, double>> numbers;  // row, value
    int commas = 0;
    std::string example;
    std::string text;
    const TextColumn& cells = grid.cells[static_cast<std::size_t>(column.column)];
    for (int r = 1; r < grid.rowCount; ++r) {
        const std::string_view cell = TrimBlanks(cells.View(static_cast<std::size_t>(r), text));
        double value = 0;
        if (ReadCellNumber(cell, value)) {
            numbers.emplace_back(r, value);
        } else if (HasDecimalComma(cell) && commas++ == 0) {
            example = cell;
        }
    }
    std::vector<double> values;
    values.reserve(numbers.size());
    for (const auto& number : numbers)
        values.push_back(number.second);
    const Centre centre = CentreOf(values);

    std::vector<Suspect> suspects;
    for (const auto& [row, value] : numbers) {
        const bool code = LooksLikeMissingCode(value);
        const bool far = !code && centre.known &&
                         std::fabs(value - centre.median) > kOutlierFactor * centre.spread;
        if (!code && !far) continue;
        const std::string_view cell = TrimBlanks(cells.View(static_cast<std::size_t>(row), text));
        auto known = std::find_if(suspects.begin(), suspects.end(),
                                  [&](const Suspect& s) { return s.text == cell; });
        if (known == suspects.end())
            known = suspects.insert(suspects.end(), {std::string(cell), code, 0});
        ++known->cells;
    }
    for (const Suspect& s : suspects)
        findings.push_back("Warning: column " + Quoted(column.title) + " holds " + s.text + " in " +
                           Counted(s.cells, "cell", "cells") + ", " +
                           (s.code ? "which looks like a missing-data code; "
                                   : "far outside the other values of the column; ") +
                           kMissingBoxAdvice);
    if (commas > 0)
        findings.push_back("Warning: column " + Quoted(column.title) +
                           " holds numbers written with a decimal comma (" +
                           Counted(commas, "cell", "cells") + ", such as " + Quoted(example) +
                           "), which cannot be read as numbers; convert them with " +
                           Quoted(commaItem) +
                           " in the menu of the data window's table (right mouse button).");
}

}  // namespace

std::string_view TrimBlanks(std::string_view cell) {
    const std::size_t first = cell.find_first_not_of(' ');
    if (first == std::string_view::npos) return {};
    return cell.substr(first, cell.find_last_not_of(' ') - first + 1);
}

bool ReadCellNumber(std::string_view cell, double& value) {
    const std::string_view text = TrimBlanks(cell);
    return text.size() <= kLongestNumber && ParseNumber(text, value);
}

bool IsReadableNumber(std::string_view cell) {
    const std::string_view text = TrimBlanks(cell);
    if (text.size() > kLongestNumber || !IsNumber(text)) return false;
    // Without an exponent, 64 characters cannot leave the range of a double:
    // only a number with one needs reading to know.
    double value = 0;
    return text.find_first_of("eE") == std::string_view::npos || ParseNumber(text, value);
}

bool LooksLikeMissingCode(double value) {
    if (value != std::floor(value)) return false;
    const double size = std::fabs(value);
    for (double nines = value < 0 ? 99 : 999; nines <= size && nines < 1e15; nines = nines * 10 + 9)
        if (size == nines) return true;
    return false;
}

bool HasDecimalComma(std::string_view cell) {
    std::string text(TrimBlanks(cell));
    if (text.find(',') == std::string::npos) return false;
    std::replace(text.begin(), text.end(), ',', '.');
    double value = 0;
    return ReadCellNumber(text, value);
}

TableContent ContentOf(const TableGrid& grid) {
    bool titles = false;
    for (int c = 0; c < grid.colCount; ++c)
        for (int r = 0; r < grid.rowCount; ++r) {
            if (TrimBlanks(grid.Cell(c, r)).empty()) continue;
            if (r > 0) return TableContent::kData;
            titles = true;
        }
    return titles ? TableContent::kTitlesOnly : TableContent::kEmpty;
}

std::string BaseName(std::string_view path) {
    const std::size_t slash = path.find_last_of("/\\");
    return std::string(slash == std::string_view::npos ? path : path.substr(slash + 1));
}

std::string NoDataMessage(TableContent content, std::string_view table, std::string_view fileName) {
    if (content == TableContent::kData) return {};
    const std::string name = BaseName(fileName);
    return "The " + std::string(table) + (name.empty() ? "" : " " + name) + " holds no data: " +
           (content == TableContent::kEmpty ? "it is empty." : "it has a title line only.");
}

std::vector<std::string> CheckNumberColumns(const TableGrid& grid,
                                            const std::vector<NumberColumn>& columns,
                                            std::string_view commaItem) {
    std::vector<std::string> findings;
    std::vector<int> done;
    for (const NumberColumn& column : columns) {
        if (column.column < 0 || column.column >= grid.colCount) continue;
        if (std::find(done.begin(), done.end(), column.column) != done.end()) continue;
        done.push_back(column.column);
        CheckColumn(grid, column, commaItem, findings);
    }
    return findings;
}

std::vector<std::string> CheckCodeConversions(const std::vector<CodeConversion>& conversions,
                                              std::string_view commaItem) {
    // A code that is a number with a decimal comma is reported by its column,
    // any other by its text.
    struct Group {
        bool comma;
        std::string key;
        std::string example;
        long long cells;
    };
    std::vector<Group> groups;
    for (const CodeConversion& conversion : conversions) {
        // A cell that read "missing" already meant it.
        if (conversion.replacement != kMissing || conversion.code == kMissing ||
            conversion.cells <= 0)
            continue;
        const bool comma = HasDecimalComma(conversion.code);
        const std::string& key = comma ? conversion.column : conversion.code;
        auto group = std::find_if(groups.begin(), groups.end(),
                                  [&](const Group& g) { return g.comma == comma && g.key == key; });
        if (group == groups.end())
            group = groups.insert(groups.end(), {comma, key, conversion.code, 0});
        group->cells += conversion.cells;
    }
    std::vector<std::string> findings;
    for (const Group& g : groups) {
        if (g.comma)
            findings.push_back(
                "Warning: column " + Quoted(g.key) +
                " held numbers written with a decimal comma (" + Counted(g.cells, "cell", "cells") +
                ", such as " + Quoted(g.example) +
                "), which were turned into \"missing\"; convert them with " + Quoted(commaItem) +
                " in the menu of the data window's table (right mouse button).");
        else
            findings.push_back("Warning: the code " + Quoted(g.key) +
                               " was turned into \"missing\" in " +
                               Counted(g.cells, "cell", "cells") + ".");
    }
    return findings;
}

std::vector<std::string> CheckPiezometerTable(const TableGrid& grid,
                                              const std::vector<NumberColumn>& columns,
                                              const DataWindowReport& report) {
    std::vector<std::string> findings = CheckNumberColumns(grid, columns, kPiezometerCommaItem);
    for (std::string& line : CheckCodeConversions(report.conversions, kPiezometerCommaItem))
        findings.push_back(std::move(line));
    return findings;
}

std::vector<std::string> CheckFieldTable(const TableGrid& grid,
                                         const std::vector<NumberColumn>& columns,
                                         const DataWindowReport& report) {
    std::vector<std::string> findings = CheckNumberColumns(grid, columns, kFieldCommaItem);
    for (std::string& line : CheckCodeConversions(report.conversions, kFieldCommaItem))
        findings.push_back(std::move(line));
    return findings;
}

std::vector<std::string> CheckFieldDates(const TableGrid& grid, const std::vector<int>& dateColumns,
                                         const std::vector<std::string>& runDates) {
    if (runDates.empty()) return {};
    struct Unknown {
        std::string date;
        long long locations = 0;
    };
    std::vector<Unknown> unknown;
    for (int r = 1; r < grid.rowCount; ++r) {
        std::vector<std::string> counted;  // a location counts once per date
        for (int c : dateColumns) {
            if (c < 0 || c >= grid.colCount) continue;
            const std::string cell = grid.Cell(c, r);
            const std::string_view date = TrimBlanks(cell);
            if (date.empty()) continue;
            std::string key(date);
            key.erase(std::remove(key.begin(), key.end(), ' '), key.end());
            if (std::find(runDates.begin(), runDates.end(), key) != runDates.end()) continue;
            if (std::find(counted.begin(), counted.end(), date) != counted.end()) continue;
            counted.emplace_back(date);
            auto entry = std::find_if(unknown.begin(), unknown.end(),
                                      [&](const Unknown& u) { return u.date == date; });
            if (entry == unknown.end()) entry = unknown.insert(unknown.end(), {std::string(date)});
            ++entry->locations;
        }
    }
    std::string titles;
    for (const std::string& date : runDates)
        titles += (titles.empty() ? "" : ", ") + date;
    std::vector<std::string> findings;
    for (const Unknown& u : unknown)
        findings.push_back("Warning: the field date " + Quoted(u.date) +
                           " is not a date title of the regression run (" + titles + "); " +
                           Counted(u.locations, "location", "locations") +
                           " cannot use a model on that date.");
    return findings;
}

std::string CellPlace(std::string_view fileName, bool rowsAreLines, int row,
                      std::string_view title) {
    const std::string column = ", column " + Quoted(title);
    const std::string name = BaseName(fileName);
    if (rowsAreLines && !name.empty()) return name + ", line " + std::to_string(row + 1) + column;
    return "the piezometer table, row " + std::to_string(row) + column;
}

std::string NotANumberReason(std::string_view cell) {
    const std::string_view text = TrimBlanks(cell);
    // Cut after kLongestNumber code points, as the job reader shows a field.
    std::string shown(text);
    std::size_t starts = 0;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if ((static_cast<unsigned char>(text[i]) & 0xC0) == 0x80) continue;
        if (++starts > kLongestNumber) {
            shown = std::string(text.substr(0, i)) + "...";
            break;
        }
    }
    std::string reason = Quoted(shown) + " is not a number";
    if (text.empty()) return reason + " (an empty cell)";
    if (HasDecimalComma(text))
        reason += " (decimal comma? use '" + std::string(kPiezometerCommaItem) + "')";
    return reason;
}

}  // namespace tarnovel
