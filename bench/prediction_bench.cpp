// How the prediction at field-work locations grows with the number of
// locations: a survey on two dates, three MxW kinds, 5 % censored values on
// each date, from "Select" on the prediction tab to the prediction file.
//
// Peak memory of the largest survey:
//   /usr/bin/time -v tarnovel-bench --benchmark_filter='BM_Prediction/100000'

#include <benchmark/benchmark.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <functional>
#include <random>
#include <string>
#include <vector>

#include "common/number_format.h"
#include "shell/main_form.h"
#include "tables/buisdata_form.h"
#include "tables/meetdata_form.h"

namespace {

using namespace tarnovel;

// A user who answers every modal window with a prepared action.
class BenchPlatform : public Platform {
  public:
    std::function<void()> onModal;
    std::string OpenFileDialog(const std::string&, const std::vector<FileFilter>&) override {
        return "";
    }
    void ShowMessage(const std::string&) override {}
    void ShowModal(const std::string&) override {
        if (onModal) onModal();
    }
    void Repaint(const std::string&) override {}
    void OpenHelpKey(const std::string&) override {}
    void OpenHelpContext(int) override {}
    LocalDateTime Now() override {
        LocalDateTime t;
        t.year = 2013;
        t.shortDate = "05-01-2013";
        t.longTime = "09:03:07";
        return t;
    }
    std::unique_ptr<Canvas> NewCanvas(int, int) override { return nullptr; }
};

void Write(const std::string& name, const std::string& text) {
    std::ofstream(name, std::ios::binary) << text;
}

const char* const kDate1 = "14-04-2003";
const char* const kDate2 = "01-02-2003";

// 60 piezometers whose MxW follow the water tables of both dates.
std::string PiezometerTable() {
    std::mt19937 gen(7);
    std::normal_distribution<double> level(90, 30);
    std::normal_distribution<double> noise(0, 8);
    std::string csv = std::string("Loc;MHW;MSW;MLW;") + kDate1 + ";" + kDate2 + ";\r\n";
    for (int i = 1; i <= 60; ++i) {
        const double a = level(gen);
        const double b = a + 15 + noise(gen);
        csv += "P" + std::to_string(i) + ";" + W(0.6 * a + 0.2 * b + noise(gen), 0, 1) + ";" +
               W(0.7 * a + 0.3 * b + 10 + noise(gen), 0, 1) + ";" +
               W(0.8 * a + 0.5 * b + 40 + noise(gen), 0, 1) + ";" + W(a, 0, 1) + ";" + W(b, 0, 1) +
               ";\r\n";
    }
    return csv;
}

// Locations measured on both dates; 5 % of each date's measurements are dry
// holes of 120, 150 or 200.
std::string FieldTable(int locations) {
    std::mt19937 gen(11);
    std::normal_distribution<double> level(90, 30);
    std::uniform_real_distribution<double> draw(0, 1);
    const char* const depths[3] = {">120", ">150", ">200"};
    std::string csv = "Loc;Date1;Meas1;Date2;Meas2;\r\n";
    auto measurement = [&]() -> std::string {
        if (draw(gen) < 0.05) return depths[static_cast<int>(draw(gen) * 3) % 3];
        return W(level(gen), 0, 1);
    };
    for (int i = 1; i <= locations; ++i)
        csv += "L" + std::to_string(i) + ";" + kDate1 + ";" + measurement() + ";" + kDate2 + ";" +
               measurement() + ";\r\n";
    return csv;
}

struct Program {
    BenchPlatform platform;
    TfrmZelvimoMAIN main{platform};
    TfrmBUISDATA buisdata{platform};
    TfrmMEETDATA meetdata{platform};
    Program() { main.AttachDataWindows(buisdata, meetdata); }
};

void BM_Prediction(benchmark::State& state) {
    const int locations = static_cast<int>(state.range(0));
    const std::filesystem::path previous = std::filesystem::current_path();
    std::string folder =
        (std::filesystem::temp_directory_path() / "tarnovel-bench-XXXXXX").string();
    if (::mkdtemp(folder.data()) == nullptr) {
        state.SkipWithError("no scratch folder");
        return;
    }
    std::filesystem::current_path(folder);
    {
        Program p;
        p.main.FormActivate();
        p.platform.onModal = [&] {
            p.buisdata.aborted = false;
            p.buisdata.lstbxMEETKOLS.items = {kDate1, kDate2};
            Write("temp.csv", PiezometerTable());
            Write("temp.txt",
                  "1 MHW\r\n-1 no SDMHW found\r\n2 MSW\r\n-1 no SDMSW found\r\n3 MLW\r\n"
                  "-1 no SDMLW found\r\n-1 no STRATA found\r\n2 measurement dates\r\n4 " +
                      std::string(kDate1) + "\r\n5 " + kDate2 + "\r\n");
        };
        p.main.btbttnFILEClick();
        p.main.btbttnOKTABINDEX0Click();
        p.main.tbcntrlZelvimoMAIN.tabIndex = 2;
        p.main.tbcntrlZelvimoMAINChange();

        const std::string field = FieldTable(locations);
        p.platform.onModal = [&] {
            p.meetdata.aborted = false;
            p.meetdata.codesFound = true;
            p.meetdata.censoredReplacement = true;
            p.meetdata.dlgOPENMEETDATA.fileName = "survey.csv";
            p.meetdata.roleColumns = {1, 3, -1, 2, 4, -1, -1};
            Write("temp.csv", field);
            Write("temp.txt",
                  "1 Date1\r\n3 Date2\r\n-1 no Date3 found\r\n2 Meas1\r\n4 Meas2\r\n"
                  "-1 no Meas3 found\r\n-1 no STRATA found\r\n");
        };
        for (auto _ : state) {
            p.main.btbttnKOPPELMETINGENClick();
            p.main.btbttnOKVERPLICHTClick();
            p.main.btbttnSTARTPREDICTClick();
        }
        state.SetComplexityN(locations);
        state.counters["locations/s"] =
            benchmark::Counter(static_cast<double>(locations), benchmark::Counter::kIsRate);
        p.main.FormClose();
    }
    std::filesystem::current_path(previous);
    std::error_code ignored;
    std::filesystem::remove_all(folder, ignored);
}
BENCHMARK(BM_Prediction)
    ->Arg(10000)
    ->Arg(30000)
    ->Arg(100000)
    ->Iterations(1)
    ->Unit(benchmark::kMillisecond)
    ->Complexity(benchmark::oN);

}  // namespace
