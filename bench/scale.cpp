// One measurement of the performance suite, in a process of its own so that
// its peak memory is its own:
//
//   tarnovel-scale run DATES STRATA PIEZOMETERS
//       the regression run of a survey with DATES survey dates and STRATA
//       strata (all strata separately when more than one), three MxW kinds
//   tarnovel-scale predict LOCATIONS [THREADS]
//       the prediction at LOCATIONS field-work locations measured on two
//       dates, 5 % of the measurements censored, on THREADS threads (default:
//       one per core, as the program itself)
//
// Both are played on the program's own forms, from the click that starts
// the work to its end, and print one CSV line:
//
//   work,size,seconds,peak_mib,files,bytes,floor_seconds
//
// size is the number of jobs or locations; peak_mib the largest resident
// memory while the work ran; files and bytes what the work wrote;
// floor_seconds the time it takes this machine merely to write those same
// bytes into the same number of new files.

#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iostream>
#include <iterator>
#include <map>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "common/number_format.h"
#include "shell/main_form.h"
#include "tables/buisdata_form.h"
#include "tables/meetdata_form.h"

namespace {

using namespace tarnovel;
namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

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

struct Program {
    BenchPlatform platform;
    TfrmZelvimoMAIN main{platform};
    TfrmBUISDATA buisdata{platform};
    TfrmMEETDATA meetdata{platform};
    Program() {
        main.AttachDataWindows(buisdata, meetdata);
        main.FormActivate();
    }
};

void Write(const std::string& name, const std::string& text) {
    std::ofstream(name, std::ios::binary) << text;
}

std::string Read(const fs::path& name) {
    std::ifstream in(name, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

// The largest resident memory since the last reset, in MiB.
double PeakMiB() {
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line))
        if (line.rfind("VmHWM:", 0) == 0) return std::strtod(line.c_str() + 6, nullptr) / 1024.0;
    return 0;
}

// From here on the peak counts only what the work adds to what is resident.
void ResetPeak() {
    std::ofstream("/proc/self/clear_refs") << "5";
}

// Every file under the folder with its size.
std::map<fs::path, std::uintmax_t> Files(const fs::path& folder) {
    std::map<fs::path, std::uintmax_t> files;
    for (const auto& entry : fs::recursive_directory_iterator(folder))
        if (entry.is_regular_file()) files[fs::relative(entry.path(), folder)] = entry.file_size();
    return files;
}

struct Written {
    std::vector<std::string> contents;  // one per file written or grown
    std::uintmax_t bytes = 0;
};

// What the work wrote: new files whole, grown files (the log) their growth;
// the hand-off files are the work's input and do not count.
Written WrittenSince(const std::map<fs::path, std::uintmax_t>& before, const fs::path& folder) {
    Written written;
    for (const auto& [name, size] : Files(folder)) {
        if (name == "temp.csv" || name == "temp.txt") continue;
        const auto old = before.find(name);
        const std::uintmax_t from = old == before.end() ? 0 : old->second;
        if (old != before.end() && size <= from) continue;
        written.contents.push_back(Read(folder / name).substr(from));
        written.bytes += size - from;
    }
    return written;
}

// Seconds to write the same bytes into as many new files, each flushed and
// closed; the best of three.
double FloorSeconds(const Written& written, const fs::path& folder) {
    double best = 1e300;
    for (int round = 0; round < 3; ++round) {
        const fs::path target = folder / ("floor-" + std::to_string(round));
        fs::create_directories(target);
        const auto start = Clock::now();
        for (std::size_t i = 0; i < written.contents.size(); ++i) {
            const std::string& bytes = written.contents[i];
            std::FILE* file = std::fopen((target / std::to_string(i)).c_str(), "wb");
            if (file == nullptr) std::abort();
            std::fwrite(bytes.data(), 1, bytes.size(), file);
            std::fclose(file);
        }
        best = std::min(best, std::chrono::duration<double>(Clock::now() - start).count());
        if (std::getenv("TARNOVEL_SCALE_KEEP") == nullptr) fs::remove_all(target);
    }
    return best;
}

// temp.csv and temp.txt as the piezometer window hands them over: strata,
// the three MxW with their sd, and `dates` survey dates.
void WritePiezometerHandoff(int piezometers, int dates, int strata) {
    std::mt19937 gen(5);
    std::normal_distribution<double> noise(0, 8);
    std::ofstream csv("temp.csv", std::ios::binary);
    csv << "Area;GHG;sdGHG;GVG;sdGVG;GLG;sdGLG;";
    for (int d = 0; d < dates; ++d)
        csv << "D" << (d + 10) << ";";
    csv << "\r\n";
    for (int p = 0; p < piezometers; ++p) {
        const double depth = 30 + (p * 37) % 150;
        csv << "S" << (p % strata) << ";" << depth << ";3;" << depth + 20 << ";4;" << depth + 70
            << ";5;";
        for (int d = 0; d < dates; ++d)
            csv << static_cast<int>(depth + 10 * d + noise(gen)) << ";";
        csv << "\r\n";
    }
    std::ofstream txt("temp.txt", std::ios::binary);
    txt << "1 GHG\r\n2 sdGHG\r\n3 GVG\r\n4 sdGVG\r\n5 GLG\r\n6 sdGLG\r\n"
        << (strata > 1 ? "0 Area\r\n" : "-1 no STRATA found\r\n") << dates
        << " measurement dates\r\n";
    for (int d = 0; d < dates; ++d)
        txt << 7 + d << " D" << (d + 10) << "\r\n";
}

const char* const kDate1 = "14-04-2003";
const char* const kDate2 = "01-02-2003";

// 60 piezometers whose MxW follow the water tables of both dates.
std::string SmallPiezometerTable() {
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
void WriteFieldTable(const std::string& name, long locations) {
    std::mt19937 gen(11);
    std::normal_distribution<double> level(90, 30);
    std::uniform_real_distribution<double> draw(0, 1);
    const char* const depths[3] = {">120", ">150", ">200"};
    std::ofstream csv(name, std::ios::binary);
    csv << "Loc;Date1;Meas1;Date2;Meas2;\r\n";
    auto measurement = [&]() -> std::string {
        if (draw(gen) < 0.05) return depths[static_cast<int>(draw(gen) * 3) % 3];
        return W(level(gen), 0, 1);
    };
    for (long i = 1; i <= locations; ++i)
        csv << "L" << i << ";" << kDate1 << ";" << measurement() << ";" << kDate2 << ";"
            << measurement() << ";\r\n";
}

struct Measurement {
    long size = 0;
    double seconds = 0;
    double peakMiB = 0;
    Written written;
};

Measurement MeasureRun(int dates, int strata, int piezometers, const fs::path& folder) {
    Program p;
    p.platform.onModal = [&] {
        p.buisdata.aborted = false;
        WritePiezometerHandoff(piezometers, dates, strata);
    };
    p.main.btbttnFILEClick();
    if (strata > 1) {
        p.main.cmbbxSTRATAyesno.text = "all strata separately";
        p.main.cmbbxSTRATAyesnoChange();
    }
    const auto before = Files(folder);
    ResetPeak();
    // As the floor script does: the work starts without the generator's
    // (or an earlier size's) dirty pages still going out to the disk.
    ::sync();
    const auto start = Clock::now();
    p.main.btbttnOKTABINDEX0Click();
    Measurement m;
    m.seconds = std::chrono::duration<double>(Clock::now() - start).count();
    m.peakMiB = PeakMiB();
    for (const auto& entry : fs::directory_iterator(folder))
        m.size += entry.path().extension() == ".dat";
    m.written = WrittenSince(before, folder);
    return m;
}

Measurement MeasurePrediction(long locations, int threads, const fs::path& folder) {
    Program p;
    p.main.workerThreads = threads;
    p.platform.onModal = [&] {
        p.buisdata.aborted = false;
        p.buisdata.lstbxMEETKOLS.items = {kDate1, kDate2};
        Write("temp.csv", SmallPiezometerTable());
        Write("temp.txt",
              "1 MHW\r\n-1 no SDMHW found\r\n2 MSW\r\n-1 no SDMSW found\r\n3 MLW\r\n"
              "-1 no SDMLW found\r\n-1 no STRATA found\r\n2 measurement dates\r\n4 " +
                  std::string(kDate1) + "\r\n5 " + kDate2 + "\r\n");
    };
    p.main.btbttnFILEClick();
    p.main.btbttnOKTABINDEX0Click();
    p.main.tbcntrlZelvimoMAIN.tabIndex = 2;
    p.main.tbcntrlZelvimoMAINChange();

    // The field window hands over the table it read; here it is ready made
    // and copied into place, which the measured time leaves out.
    WriteFieldTable("field.csv", locations);
    double handOver = 0;
    p.platform.onModal = [&] {
        const auto start = Clock::now();
        p.meetdata.aborted = false;
        p.meetdata.codesFound = true;
        p.meetdata.censoredReplacement = true;
        p.meetdata.dlgOPENMEETDATA.fileName = "survey.csv";
        p.meetdata.roleColumns = {1, 3, -1, 2, 4, -1, -1};
        fs::copy_file("field.csv", "temp.csv", fs::copy_options::overwrite_existing);
        Write("temp.txt",
              "1 Date1\r\n3 Date2\r\n-1 no Date3 found\r\n2 Meas1\r\n4 Meas2\r\n"
              "-1 no Meas3 found\r\n-1 no STRATA found\r\n");
        handOver += std::chrono::duration<double>(Clock::now() - start).count();
    };
    const auto before = Files(folder);
    ResetPeak();
    // As the floor script does: the work starts without the generator's
    // (or an earlier size's) dirty pages still going out to the disk.
    ::sync();
    const auto start = Clock::now();
    p.main.btbttnKOPPELMETINGENClick();
    p.main.btbttnOKVERPLICHTClick();
    p.main.btbttnSTARTPREDICTClick();
    Measurement m;
    m.seconds = std::chrono::duration<double>(Clock::now() - start).count() - handOver;
    m.peakMiB = PeakMiB();
    m.size = locations;
    m.written = WrittenSince(before, folder);
    return m;
}

int Usage() {
    std::cerr << "usage: tarnovel-scale run DATES STRATA PIEZOMETERS\n"
                 "       tarnovel-scale predict LOCATIONS [THREADS]\n";
    return 2;
}

}  // namespace

int main(int argc, char** argv) {
    const std::vector<std::string> args(argv + 1, argv + argc);
    if (args.empty()) return Usage();
    const bool run = args[0] == "run" && args.size() == 4;
    const bool predict = args[0] == "predict" && (args.size() == 2 || args.size() == 3);
    if (!run && !predict) return Usage();

    std::string folder = (fs::temp_directory_path() / "tarnovel-scale-XXXXXX").string();
    if (::mkdtemp(folder.data()) == nullptr) {
        std::perror("mkdtemp");
        return 1;
    }
    const fs::path home = fs::current_path();
    fs::current_path(folder);
    const Measurement m =
        run ? MeasureRun(std::stoi(args[1]), std::stoi(args[2]), std::stoi(args[3]), folder)
            : MeasurePrediction(std::stol(args[1]), args.size() == 3 ? std::stoi(args[2]) : 0,
                                folder);
    const double floor = FloorSeconds(m.written, folder);
    std::printf("%s,%ld,%.4f,%.1f,%zu,%ju,%.4f\n", args[0].c_str(), m.size, m.seconds, m.peakMiB,
                m.written.contents.size(), m.written.bytes, floor);
    if (std::getenv("TARNOVEL_SCALE_KEEP") == nullptr) fs::remove_all(folder);
    fs::current_path(home);
    return 0;
}
