#pragma once
// The hand-off from a data window to the main window: the field splitter,
// the files temp.csv (the table) and temp.txt (the column roles), and the
// report a data window leaves behind when it closes.

#include <array>
#include <string>
#include <string_view>
#include <vector>

#include "tables/table_grid.h"

namespace tarnovel {

inline constexpr const char* kHandoffTableFile = "temp.csv";
inline constexpr const char* kHandoffRoleFile = "temp.txt";
inline constexpr const char* kMissing = "missing";

// A field of a hand-off line: a lone blank stands for an empty cell.
inline std::string_view FieldText(std::string_view field) {
    return field == " " ? std::string_view() : field;
}

// Calls take(field) for the fields of a line in order, as leesveld reads
// them, until it returns false; no separator makes the whole line one field.
template <typename Take>
void ForEachField(std::string_view line, std::string_view separator, Take take) {
    if (separator.empty()) {
        take(FieldText(line));
        return;
    }
    // A separator of one character is looked for as a character: the usual
    // case, and one that a table of a million lines calls for millions of
    // times.
    const bool single = separator.size() == 1;
    for (std::size_t start = 0;;) {
        const std::size_t at =
            single ? line.find(separator[0], start) : line.find(separator, start);
        if (at == std::string_view::npos) {
            take(FieldText(line.substr(start)));
            return;
        }
        if (!take(FieldText(line.substr(start, at - start)))) return;
        start = at + separator.size();
    }
}

// Field nr (1-based) of regel split at separator. Quotes mean nothing, a
// field of exactly one blank reads as empty, and fields past the end of the
// line are empty. An empty separator never splits: the whole line is field 1.
std::string leesveld(int nr, std::string_view regel, std::string_view separator);

// All fields of regel as leesveld gives them, up to the last one the line
// holds.
std::vector<std::string> SplitFields(std::string_view regel, std::string_view separator);

// The number of fields before the first empty one.
int LeadingFieldCount(std::string_view regel, std::string_view separator);

// Seven roles per window, in the order of the lines of temp.txt; the last is
// the strata role in both windows.
inline constexpr int kRoleCount = 7;
inline constexpr int kStrataRole = 6;
using RoleTexts = std::array<std::string, kRoleCount>;
using RoleColumns = std::array<int, kRoleCount>;  // -1: no column

enum PiezometerRole { kRoleMHW, kRoleSdMHW, kRoleMSW, kRoleSdMSW, kRoleMLW, kRoleSdMLW };
enum FieldRole { kRoleDate1, kRoleDate2, kRoleDate3, kRoleMeas1, kRoleMeas2, kRoleMeas3 };

// The names in the not-found lines of temp.txt ("-1 no MHW found").
inline constexpr std::array<const char*, kRoleCount> kPiezometerRoleNames = {
    "MHW", "SDMHW", "MSW", "SDMSW", "MLW", "SDMLW", "STRATA"};
inline constexpr std::array<const char*, kRoleCount> kFieldRoleNames = {
    "Date1", "Date2", "Date3", "Meas1", "Meas2", "Meas3", "STRATA"};

// The column of each role: the right-most whose title equals the role's text
// exactly. An empty strata text means "no strata" and never names a column;
// for the other roles an empty text names a column with an empty title.
RoleColumns FindRoleColumns(const TableGrid& grid, const RoleTexts& texts);

// The lines of temp.txt. The piezometer variant adds the count of measurement
// entries and, per entry in list order, a line for every column of that
// title.
std::vector<std::string> PiezometerRoleLines(const TableGrid& grid, const RoleColumns& columns,
                                             const std::vector<std::string>& measurementColumns);
std::vector<std::string> FieldRoleLines(const TableGrid& grid, const RoleColumns& columns);

// Line r of temp.csv: every cell followed by ";". A cell is written as it
// stands, except that a ";" or a line break inside it would split the record
// when the main window reads it back: they are written as "," and a blank.
void HandoffTableLine(const TableGrid& grid, int r, std::string& line, std::string& scratch);

// In the sd columns that were found, every cell holding a "-" anywhere, the
// title included, becomes "missing".
void CleanSdColumns(TableGrid& grid, const RoleColumns& columns);

// "Ready!" of the piezometer window: finds the roles, writes temp.txt, then
// cleans the sd columns of the grid and writes temp.csv. Returns the role
// columns, which the window keeps even when a file cannot be written.
// Throws IoError; after a failure no hand-off file is left, so the main
// window can never read half a hand-off.
RoleColumns WritePiezometerHandoff(TableGrid& grid, const RoleTexts& texts,
                                   const std::vector<std::string>& measurementColumns);

// "Ready!" of the field window: writes temp.csv, then finds the roles and
// writes temp.txt. Throws IoError as above.
RoleColumns WriteFieldHandoff(const TableGrid& grid, const RoleTexts& texts);

// temp.csv read back: the column count is the number of leading non-empty
// fields of the first line, the row count the number of lines but at least
// 2, and field c+1 of line r is cell (c, r). Throws IoError.
TableGrid ReadHandoffTable(const std::string& name = kHandoffTableFile);

// temp.txt read back: only the leading integer of each line counts. The
// column numbers are the writer's; a caller checks them against the table
// it read. Throws IoError for a missing line or one that does not start
// with an integer.
struct PiezometerRoleFile {
    RoleColumns columns{};
    int dateCount = 0;
    std::vector<int> dateColumns;  // dateCount entries, empty when it is negative
};
PiezometerRoleFile ReadPiezometerRoleFile(const std::string& name = kHandoffRoleFile);
RoleColumns ReadFieldRoleFile(const std::string& name = kHandoffRoleFile);

// Per sd column the enabled states of its square-root and square buttons:
// both enabled, nothing converted; the disabled one was pressed last.
struct SdConversionState {
    bool sqrtEnabled = true;
    bool sqrEnabled = true;
};

// What a data window's table held when "Ready!" handed it over.
enum class TableContent { kData, kEmpty, kTitlesOnly };

// A code the user turned into another text: the missing-data box ("apply")
// or a coded measurement ("Conversion OK"); the cells of one column.
struct CodeConversion {
    std::string code;
    std::string replacement;
    std::string column;  // the column's title
    int cells = 0;
};

// What a data window leaves for the main window when it closes.
struct DataWindowReport {
    bool inputMode = false;  // true: the table was typed in, not read
    bool aborted = false;    // true: nothing was handed over
    std::string inputFileName;
    bool recordsAdded = false;
    bool recordsRemoved = false;
    bool columnsAdded = false;
    bool columnsRemoved = false;
    std::string missingCodeText;  // empty once missing values were marked
    TableContent content = TableContent::kData;
    std::vector<CodeConversion> conversions;  // in the order made
    RoleTexts roleTexts;                      // in the order of the roles of temp.txt
    RoleColumns roleColumns{-1, -1, -1, -1, -1, -1, -1};
    // Piezometer window only.
    std::vector<std::string> measurementColumns;
    std::array<SdConversionState, 3> sdConversion;  // MHW, MSW, MLW
    // Field window only.
    bool codesFound = false;
    // A code was converted into a value holding ">": the main window switches
    // on its maximum-likelihood estimation for "deeper than" values.
    bool censoredReplacement = false;
};

}  // namespace tarnovel
