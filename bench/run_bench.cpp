// The whole regression run on a regional survey: how its time grows with the
// number of piezometers and with the number of jobs.

#include <benchmark/benchmark.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <random>
#include <string>

#include "shell/main_form.h"
#include "tables/buisdata_form.h"
#include "tables/meetdata_form.h"
#include "tests/shell/scripted_platform.h"

namespace {

using namespace tarnovel;
namespace fs = std::filesystem;

// temp.csv and temp.txt as the piezometer window hands them over: strata,
// the three MxW with their sd, and `dates` survey dates.
void WriteHandoff(int piezometers, int dates) {
    std::mt19937 gen(5);
    std::normal_distribution<double> noise(0, 8);
    std::ofstream csv("temp.csv", std::ios::binary);
    csv << "Area;GHG;sdGHG;GVG;sdGVG;GLG;sdGLG;";
    for (int d = 0; d < dates; ++d)
        csv << "D" << (d + 10) << ";";
    csv << "\r\n";
    for (int p = 0; p < piezometers; ++p) {
        const double depth = 30 + (p * 37) % 150;
        csv << "S" << (p % 5) << ";" << depth << ";3;" << depth + 20 << ";4;" << depth + 70
            << ";5;";
        for (int d = 0; d < dates; ++d)
            csv << static_cast<int>(depth + 10 * d + noise(gen)) << ";";
        csv << "\r\n";
    }
    std::ofstream txt("temp.txt", std::ios::binary);
    txt << "1 GHG\r\n2 sdGHG\r\n3 GVG\r\n4 sdGVG\r\n5 GLG\r\n6 sdGLG\r\n0 Area\r\n"
        << dates << " measurement dates\r\n";
    for (int d = 0; d < dates; ++d)
        txt << 7 + d << " D" << (d + 10) << "\r\n";
}

void BM_RegressionRun(benchmark::State& state) {
    const int piezometers = static_cast<int>(state.range(0));
    const int dates = static_cast<int>(state.range(1));
    const fs::path home = fs::current_path();
    const fs::path dir =
        fs::temp_directory_path() / ("tarnovel-run-bench-" + std::to_string(::getpid()));
    long long jobs = 0;
    for (auto _ : state) {
        state.PauseTiming();
        fs::remove_all(dir);
        fs::create_directories(dir);
        fs::current_path(dir);
        ScriptedPlatform platform;
        TfrmZelvimoMAIN main(platform);
        TfrmBUISDATA buisdata(platform);
        TfrmMEETDATA meetdata(platform);
        main.AttachDataWindows(buisdata, meetdata);
        main.FormActivate();
        platform.onModal["TfrmBUISDATA"] = [&] {
            buisdata.aborted = false;
            WriteHandoff(piezometers, dates);
        };
        main.btbttnFILEClick();
        main.cmbbxSTRATAyesno.text = "all strata separately";
        main.cmbbxSTRATAyesnoChange();
        state.ResumeTiming();

        main.btbttnOKTABINDEX0Click();

        state.PauseTiming();
        jobs = 0;
        for (const auto& entry : fs::directory_iterator("."))
            jobs += entry.path().extension() == ".dat";
        fs::current_path(home);
        fs::remove_all(dir);
        state.ResumeTiming();
    }
    state.counters["jobs"] = static_cast<double>(jobs);
    state.counters["ms_per_job"] = benchmark::Counter(
        static_cast<double>(jobs),
        benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
}
BENCHMARK(BM_RegressionRun)
    ->Args({500, 12})
    ->Args({1000, 12})
    ->Args({2000, 12})
    ->Args({2000, 4})
    ->Args({2000, 8})
    ->Unit(benchmark::kMillisecond)
    ->Iterations(1);

}  // namespace
