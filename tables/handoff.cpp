#include "tables/handoff.h"

#include <algorithm>
#include <cctype>

#include "common/file_system.h"
#include "common/io_error.h"
#include "common/text_file.h"

namespace tarnovel {

namespace {

std::string RoleLine(const TableGrid& grid, int column, const char* name) {
    if (column < 0) return std::string("-1 no ") + name + " found";
    return std::to_string(column) + " " + Title(grid, column);
}

void AppendHandoffCell(std::string& line, std::string_view cell) {
    const std::size_t start = line.size();
    line += cell;
    // Nearly every cell is taken as it is.
    if (cell.find_first_of(";\r\n") == std::string_view::npos) return;
    for (std::size_t i = start; i < line.size(); ++i) {
        if (line[i] == ';') line[i] = ',';
        if (line[i] == '\r' || line[i] == '\n') line[i] = ' ';
    }
}

void WriteHandoffTable(const TableGrid& grid) {
    TextFileWriter out(kHandoffTableFile);
    std::string line;
    std::string scratch;
    for (int r = 0; r < grid.rowCount; ++r) {
        HandoffTableLine(grid, r, line, scratch);
        out.WriteLine(line);
    }
    out.Commit();
}

// Runs the writing steps of a hand-off; when one fails, whatever was written
// goes again, so the main window finds either a whole hand-off or none.
template <typename Steps>
void WriteAllOrNothing(Steps steps) {
    try {
        steps();
    } catch (...) {
        DeleteFile(kHandoffTableFile);
        DeleteFile(kHandoffRoleFile);
        throw;
    }
}

// The leading integer of a line of temp.txt (blanks before it skipped).
int LeadingInteger(const std::vector<std::string>& lines, std::size_t index,
                   const std::string& name) {
    if (index >= lines.size())
        throw IoError("Cannot read file", name,
                      "line " + std::to_string(index + 1) + " is missing");
    const std::string& line = lines[index];
    std::size_t i = 0;
    while (i < line.size() && (line[i] == ' ' || line[i] == '\t'))
        ++i;
    bool negative = false;
    if (i < line.size() && (line[i] == '-' || line[i] == '+')) negative = line[i++] == '-';
    const std::size_t digits = i;
    long long value = 0;
    while (i < line.size() && std::isdigit(static_cast<unsigned char>(line[i])) != 0) {
        value = value * 10 + (line[i++] - '0');
        if (value > 1'000'000'000) break;
    }
    if (i == digits || value > 1'000'000'000)
        throw IoError("Cannot read file", name,
                      "line " + std::to_string(index + 1) + " does not start with a number");
    return static_cast<int>(negative ? -value : value);
}

}  // namespace

std::vector<std::string> SplitFields(std::string_view regel, std::string_view separator) {
    std::vector<std::string> fields;
    ForEachField(regel, separator, [&fields](std::string_view field) {
        fields.emplace_back(field);
        return true;
    });
    return fields;
}

std::string leesveld(int nr, std::string_view regel, std::string_view separator) {
    if (nr < 1) return {};
    std::vector<std::string> fields = SplitFields(regel, separator);
    if (static_cast<std::size_t>(nr) > fields.size()) return {};
    return std::move(fields[static_cast<std::size_t>(nr) - 1]);
}

int LeadingFieldCount(std::string_view regel, std::string_view separator) {
    int count = 0;
    ForEachField(regel, separator, [&count](std::string_view field) {
        if (field.empty()) return false;
        ++count;
        return true;
    });
    return count;
}

RoleColumns FindRoleColumns(const TableGrid& grid, const RoleTexts& texts) {
    RoleColumns columns;
    for (int role = 0; role < kRoleCount; ++role) {
        const std::string& text = texts[static_cast<std::size_t>(role)];
        columns[static_cast<std::size_t>(role)] =
            role == kStrataRole && text.empty() ? -1 : FindColumn(grid, text);
    }
    return columns;
}

std::vector<std::string> PiezometerRoleLines(const TableGrid& grid, const RoleColumns& columns,
                                             const std::vector<std::string>& measurementColumns) {
    std::vector<std::string> lines;
    for (int role = 0; role < kRoleCount; ++role)
        lines.push_back(RoleLine(grid, columns[static_cast<std::size_t>(role)],
                                 kPiezometerRoleNames[static_cast<std::size_t>(role)]));
    lines.push_back(std::to_string(measurementColumns.size()) + " measurement dates");
    for (const std::string& entry : measurementColumns) {
        if (grid.rowCount < 1) break;
        for (int c = 0; c < grid.colCount; ++c)
            if (grid.Cell(c, 0) == entry) lines.push_back(std::to_string(c) + " " + entry);
    }
    return lines;
}

std::vector<std::string> FieldRoleLines(const TableGrid& grid, const RoleColumns& columns) {
    std::vector<std::string> lines;
    for (int role = 0; role < kRoleCount; ++role)
        lines.push_back(RoleLine(grid, columns[static_cast<std::size_t>(role)],
                                 kFieldRoleNames[static_cast<std::size_t>(role)]));
    return lines;
}

void HandoffTableLine(const TableGrid& grid, int r, std::string& line, std::string& scratch) {
    line.clear();
    for (int c = 0; c < grid.colCount; ++c) {
        AppendHandoffCell(line, grid.CellView(c, r, scratch));
        line += ';';
    }
}

void CleanSdColumns(TableGrid& grid, const RoleColumns& columns) {
    for (int role : {kRoleSdMHW, kRoleSdMSW, kRoleSdMLW}) {
        const int c = columns[static_cast<std::size_t>(role)];
        if (c < 0 || c >= grid.colCount) continue;
        for (int r = 0; r < grid.rowCount; ++r)
            if (grid.Cell(c, r).find('-') != std::string::npos) grid.SetCell(c, r, kMissing);
    }
}

RoleColumns WritePiezometerHandoff(TableGrid& grid, const RoleTexts& texts,
                                   const std::vector<std::string>& measurementColumns) {
    const RoleColumns columns = FindRoleColumns(grid, texts);
    WriteAllOrNothing([&] {
        WriteTextFile(kHandoffRoleFile, PiezometerRoleLines(grid, columns, measurementColumns));
        CleanSdColumns(grid, columns);
        WriteHandoffTable(grid);
    });
    return columns;
}

RoleColumns WriteFieldHandoff(const TableGrid& grid, const RoleTexts& texts) {
    RoleColumns columns;
    WriteAllOrNothing([&] {
        WriteHandoffTable(grid);
        columns = FindRoleColumns(grid, texts);
        WriteTextFile(kHandoffRoleFile, FieldRoleLines(grid, columns));
    });
    return columns;
}

TableGrid ReadHandoffTable(const std::string& name) {
    // Cells are made straight from the file's text: a field table can have
    // a million lines, and a copy of each line would only be split again.
    const std::string text = ReadTextFile(name);
    const std::vector<std::string_view> lines = SplitLineViews(text);
    const int cols = LeadingFieldCount(lines.empty() ? std::string_view() : lines.front(), ";");
    const int rows = std::max<int>(2, static_cast<int>(lines.size()));
    std::vector<TextColumn> cells(static_cast<std::size_t>(cols));
    for (TextColumn& column : cells)
        column.reserve(static_cast<std::size_t>(rows));
    for (std::size_t r = 0; cols > 0 && r < lines.size(); ++r) {
        std::size_t c = 0;
        ForEachField(lines[r], ";", [&](std::string_view field) {
            cells[c++].push_back(field);
            return c < cells.size();
        });
        for (; c < cells.size(); ++c)
            cells[c].push_back({});
    }
    for (TextColumn& column : cells)
        column.resize(static_cast<std::size_t>(rows));
    return MakeGrid(std::move(cells), rows);
}

PiezometerRoleFile ReadPiezometerRoleFile(const std::string& name) {
    const std::vector<std::string> lines = ReadTextLines(name);
    PiezometerRoleFile file;
    for (std::size_t role = 0; role < kRoleCount; ++role)
        file.columns[role] = LeadingInteger(lines, role, name);
    file.dateCount = LeadingInteger(lines, kRoleCount, name);
    for (int i = 0; i < file.dateCount; ++i)
        file.dateColumns.push_back(
            LeadingInteger(lines, kRoleCount + 1 + static_cast<std::size_t>(i), name));
    return file;
}

RoleColumns ReadFieldRoleFile(const std::string& name) {
    const std::vector<std::string> lines = ReadTextLines(name);
    RoleColumns columns;
    for (std::size_t role = 0; role < kRoleCount; ++role)
        columns[role] = LeadingInteger(lines, role, name);
    return columns;
}

}  // namespace tarnovel
