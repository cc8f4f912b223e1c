// Timings of the design run on large generated networks: reading the network
// file, linking, lateral naming, processing (with sheet cutting) and writing,
// each alone and all together.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <map>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "engine/lateral_naming.h"
#include "engine/linking.h"
#include "engine/model.h"
#include "engine/network_file.h"
#include "engine/number_text.h"
#include "engine/process.h"
#include "generated_network.h"

namespace vd {
namespace {

struct Sample {
    std::string folder;  // ends with '/'
    std::string name;    // base name
    int count = 0;
    Model loaded, linked, named, processed;
};

std::string Decimal(float v) {
    char buf[48];
    std::snprintf(buf, sizeof buf, "%.3f", static_cast<double>(v));
    return buf;
}

// One generated file per size, shared by all benchmarks of the run.
Sample& GetSample(int count) {
    static std::map<int, std::unique_ptr<Sample>> samples;
    auto& slot = samples[count];
    if (slot) return *slot;
    slot = std::make_unique<Sample>();
    Sample& s = *slot;
    s.count = count;
    namespace fs = std::filesystem;
    fs::path dir = fs::temp_directory_path() / ("vidoduv_bench_" + std::to_string(count));
    fs::create_directories(dir);
    s.folder = dir.string() + "/";
    s.name = "net" + std::to_string(count);

    Model gen;
    GenerateNetwork(gen, count, 1000u + static_cast<unsigned>(count));
    if (!SaveNetworkText(gen, s.name + ".asb", s.folder)) std::fprintf(stderr, "could not write the network\n");
    std::ofstream cor(s.folder + s.name + ".cor", std::ios::binary);
    for (int i = 1; i <= count; ++i) {
        const LineRecord& r = gen.Lines[i];
        cor << "MHB," << Decimal(r.X1) << "," << Decimal(r.Y1) << "," << Decimal(r.X2) << "," << Decimal(r.Y2)
            << "\r\n";
    }
    cor.close();

    s.loaded.CreateLineTables(count + 10, count + 20);
    s.loaded.ProjectFolder = s.folder;
    s.loaded.ProjectName = s.name;
    Outcome read = LoadNetworkText(s.loaded, s.folder + s.name + ".asb");
    if (!read || s.loaded.LineCount != count)
        std::fprintf(stderr, "read %d of %d lines: %s\n", s.loaded.LineCount, count, read.message().c_str());
    s.linked = s.loaded;
    BuildNetworkLinks(s.linked);
    s.named = s.linked;
    NameLaterals(s.named);
    s.processed = s.named;
    ProcessNetwork(s.processed);
    return s;
}

void Counters(benchmark::State& state, const Sample& s) {
    state.counters["lines"] = s.count;
    state.counters["laterals"] = s.processed.LatCount;
    state.counters["sheets"] = s.processed.SheetCount;
}

void BM_Load(benchmark::State& state) {
    Sample& s = GetSample(static_cast<int>(state.range(0)));
    Model m;
    m.ProjectFolder = s.folder;
    m.ProjectName = s.name;
    for (auto _ : state) {
        state.PauseTiming();
        m.CreateLineTables(s.count + 10, s.count + 20);
        m.LineCount = 0;
        state.ResumeTiming();
        Outcome r = LoadNetworkText(m, s.folder + s.name + ".asb");
        benchmark::DoNotOptimize(m.LineCount);
    }
    Counters(state, s);
}

// Runs `stage` on a fresh copy of `input` per iteration; the copy is not timed.
template <typename Stage>
void TimeStage(benchmark::State& state, const Model& input, Stage stage) {
    Model m;
    for (auto _ : state) {
        state.PauseTiming();
        m = input;
        state.ResumeTiming();
        stage(m);
        benchmark::ClobberMemory();
    }
}

void BM_Link(benchmark::State& state) {
    Sample& s = GetSample(static_cast<int>(state.range(0)));
    TimeStage(state, s.loaded, [](Model& m) { BuildNetworkLinks(m); });
    Counters(state, s);
}

void BM_NameLaterals(benchmark::State& state) {
    Sample& s = GetSample(static_cast<int>(state.range(0)));
    TimeStage(state, s.linked, [](Model& m) { NameLaterals(m); });
    Counters(state, s);
}

void BM_Process(benchmark::State& state) {
    Sample& s = GetSample(static_cast<int>(state.range(0)));
    TimeStage(state, s.named, [](Model& m) { ProcessNetwork(m); });
    Counters(state, s);
}

void BM_Save(benchmark::State& state) {
    Sample& s = GetSample(static_cast<int>(state.range(0)));
    Model m = s.processed;
    for (auto _ : state) benchmark::DoNotOptimize(SaveNetworkText(m, "saved.asb", s.folder));
    Counters(state, s);
}

// Open, Process and Save as the program runs them, from file to file.
void BM_WholeRun(benchmark::State& state) {
    Sample& s = GetSample(static_cast<int>(state.range(0)));
    Model m;
    m.ProjectFolder = s.folder;
    m.ProjectName = s.name;
    for (auto _ : state) {
        state.PauseTiming();
        m.CreateLineTables(s.count + 10, s.count + 20);
        m.LineCount = 0;
        m.LatCount = 0;
        state.ResumeTiming();
        (void)LoadNetworkText(m, s.folder + s.name + ".asb");
        BuildNetworkLinks(m);
        NameLaterals(m);
        ProcessNetwork(m);
        benchmark::DoNotOptimize(SaveNetworkText(m, "whole.asb", s.folder));
    }
    Counters(state, s);
}

BENCHMARK(BM_Load)->Arg(2000)->Arg(30000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Link)->Arg(2000)->Arg(30000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_NameLaterals)->Arg(2000)->Arg(30000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Process)->Arg(2000)->Arg(30000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Save)->Arg(2000)->Arg(30000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_WholeRun)->Arg(2000)->Arg(30000)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace vd
