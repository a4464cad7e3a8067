#pragma once
// A main window with its data windows in a fresh directory, and a scripted
// piezometer data window that hands over a table as "Ready!" would.

#include <string>
#include <vector>

#include "shell/main_form.h"
#include "tables/buisdata_form.h"
#include "tables/meetdata_form.h"
#include "tests/shell/scripted_platform.h"
#include "tests/shell/temp_directory.h"

namespace tarnovel {

class PiezometerSession : public InTempDirectory {
  protected:
    ScriptedPlatform platform;
    TfrmZelvimoMAIN main{platform};
    TfrmBUISDATA buisdata{platform};
    TfrmMEETDATA meetdata{platform};

    void SetUp() override {
        InTempDirectory::SetUp();
        main.AttachDataWindows(buisdata, meetdata);
        main.FormActivate();
    }

    // temp.csv from rows of cells (";" after each), temp.txt from its lines.
    static std::string Csv(const std::vector<std::vector<std::string>>& rows) {
        std::string text;
        for (const auto& row : rows) {
            for (const auto& cell : row)
                text += cell + ";";
            text += "\r\n";
        }
        return text;
    }
    static std::string Lines(const std::vector<std::string>& lines) {
        std::string text;
        for (const auto& line : lines)
            text += line + "\r\n";
        return text;
    }

    // "select" on tab 0, the data window handing over csv and txt.
    void Load(const std::string& csv, const std::string& txt,
              const std::vector<std::string>& measurementColumns = {}) {
        platform.onModal["TfrmBUISDATA"] = [=, this] {
            buisdata.aborted = false;
            buisdata.lstbxMEETKOLS.items = measurementColumns;
            Put("temp.csv", csv);
            Put("temp.txt", txt);
        };
        main.btbttnFILEClick();
    }

    // Columns: Area, MHW, sdMHW, MSW, sdMSW, MLW, sdMLW, then the dates.
    void LoadStandard(const std::vector<std::vector<std::string>>& records,
                      const std::vector<std::string>& dates) {
        std::vector<std::string> titles = {"Area", "GHG", "sdGHG", "GVG", "sdGVG", "GLG", "sdGLG"};
        titles.insert(titles.end(), dates.begin(), dates.end());
        std::vector<std::vector<std::string>> rows = {titles};
        rows.insert(rows.end(), records.begin(), records.end());
        std::vector<std::string> txt = {
            "1 GHG", "2 sdGHG", "3 GVG",  "4 sdGVG",
            "5 GLG", "6 sdGLG", "0 Area", std::to_string(dates.size()) + " measurement dates"};
        for (std::size_t i = 0; i < dates.size(); ++i)
            txt.push_back(std::to_string(7 + i) + " " + dates[i]);
        Load(Csv(rows), Lines(txt), dates);
    }

    std::vector<std::string> LogLines() const {
        std::vector<std::string> lines;
        const std::string text = Get(main.LogFileName());
        std::size_t pos = 0, end;
        while ((end = text.find("\r\n", pos)) != std::string::npos) {
            lines.push_back(text.substr(pos, end - pos));
            pos = end + 2;
        }
        return lines;
    }
};

}  // namespace tarnovel
