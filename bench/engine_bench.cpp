// How the fit and a whole regression job grow with the number of
// observations and variables.

#include <benchmark/benchmark.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>

#include "common/number_format.h"
#include "engine/multiple_fit.h"
#include "engine/regression_job.h"

namespace {

using namespace tarnovel;

struct Data {
    Matrix X;
    Vector y, s;
};

Data MakeData(int n, int k) {
    std::mt19937 gen(42);
    std::normal_distribution<double> noise(0, 10);
    Data d;
    AllocMatrix(d.X, k, n);
    AllocVector(d.y, n);
    AllocVector(d.s, n);
    for (int i = 1; i <= n; ++i) {
        double yi = 20;
        for (int j = 1; j <= k; ++j) {
            d.X[j][i] = 50 + 40 * std::sin(i * (j + 1.0)) + noise(gen);
            yi += 0.8 * d.X[j][i];
        }
        d.y[i] = yi + noise(gen);
        d.s[i] = std::abs(noise(gen));
    }
    return d;
}

void BM_Fit(benchmark::State& state) {
    const int n = static_cast<int>(state.range(0));
    const int k = static_cast<int>(state.range(1));
    Data d = MakeData(n, k);
    for (auto _ : state) {
        Vector b, yhat, sd;
        Matrix V;
        AllocVector(b, k);
        AllocMatrix(V, k, k);
        AllocVector(yhat, n);
        AllocVector(sd, n);
        FitStatistics st;
        benchmark::DoNotOptimize(FitMultipleLinear(d.X, d.y, d.s, n, k, 1, 0, b, V, yhat, sd, st));
    }
    state.SetComplexityN(n);
}
BENCHMARK(BM_Fit)->ArgsProduct({{100, 1000, 8190}, {1, 2}})->Unit(benchmark::kMicrosecond);

void BM_Job(benchmark::State& state) {
    const int n = static_cast<int>(state.range(0));
    const int k = 2;
    Data d = MakeData(n, k);
    const std::string dir = std::filesystem::temp_directory_path() / "tarnovel-bench";
    std::filesystem::create_directories(dir);
    const std::string job = dir + "/bench-job.dat";
    {
        std::ofstream f(job, std::ios::binary);
        f << "bench\r\n3 variables\r\nx1\r\nx2\r\ny\r\n" << n << " observations\r\n";
        char buf[64];
        for (int i = 1; i <= n; ++i) {
            for (int j = 1; j <= k; ++j) {
                std::snprintf(buf, sizeof buf, "%.4f ", d.X[j][i]);
                f << buf;
            }
            std::snprintf(buf, sizeof buf, "%.4f %.4f \r\n", d.y[i], d.s[i]);
            f << buf;
        }
    }
    JobSettings settings;
    settings.jobFileName = job;
    settings.weightingMode = 1;
    for (auto _ : state)
        benchmark::DoNotOptimize(RunRegressionJob(settings));
    std::filesystem::remove_all(dir);
}
BENCHMARK(BM_Job)->Arg(500)->Arg(8190)->Unit(benchmark::kMicrosecond);

}  // namespace

namespace {

// 1024 values as a residual table has them.
std::vector<double> FormattedValues() {
    std::mt19937 gen(3);
    std::uniform_real_distribution<double> u(-500, 500);
    std::vector<double> values(1024);
    for (double& v : values)
        v = u(gen);
    return values;
}

// Number formatting is most of the cost of writing a result file.
void BM_FormatW(benchmark::State& state) {
    const std::vector<double> values = FormattedValues();
    std::size_t i = 0;
    for (auto _ : state)
        benchmark::DoNotOptimize(tarnovel::W(values[i++ & 1023], 14, 4));
}
BENCHMARK(BM_FormatW);

// The same appended to a file's text, as the result files are written.
void BM_AppendW(benchmark::State& state) {
    const std::vector<double> values = FormattedValues();
    std::string text;
    text.reserve(14 * 1024);
    std::size_t i = 0;
    for (auto _ : state) {
        if ((i & 1023) == 0) text.clear();
        tarnovel::AppendW(text, values[i++ & 1023], 14, 4);
        benchmark::DoNotOptimize(text.data());
    }
}
BENCHMARK(BM_AppendW);

// A row of five, as the residual table of a result file has them.
void BM_AppendWFields(benchmark::State& state) {
    const std::vector<double> values = FormattedValues();
    std::string text;
    text.reserve(14 * 1024);
    std::size_t i = 0;
    for (auto _ : state) {
        if ((i & 1023) == 0) text.clear();
        tarnovel::AppendWFields(text,
                                {values[i & 1023], values[(i + 1) & 1023], values[(i + 2) & 1023],
                                 values[(i + 3) & 1023], values[(i + 4) & 1023]},
                                14, 4);
        i += 5;
        benchmark::DoNotOptimize(text.data());
    }
    state.SetItemsProcessed(static_cast<std::int64_t>(state.iterations()) * 5);
}
BENCHMARK(BM_AppendWFields);

}  // namespace
