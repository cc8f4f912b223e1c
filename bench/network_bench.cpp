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

namespace vd {
namespace {

// A sewer tree of `count` lines: each manhole has one outgoing line and at
// most three incoming ones; lines mostly continue the previous run, so the
// laterals are long, and the rest branch off at random. Grounds rise away
// from the outfalls, covers stay within 1.2 to 4 m where the ground allows,
// and diameters grow with the area drained. Line order is shuffled.
void GenerateNetwork(Model& m, int count, unsigned seed) {
    std::mt19937 rng(seed);
    std::uniform_real_distribution<double> unit(0.0, 1.0);
    const int outfalls = std::max(1, count / 1500);
    std::vector<int> parent(count + 1, 0), inflows(count + 1, 0), drained(count + 1, 1);
    for (int k = outfalls + 1; k <= count; ++k) {
        int p = 0;
        if (unit(rng) < 0.75 && inflows[k - 1] < 3) p = k - 1;
        for (int tries = 0; p == 0; ++tries) {
            int c = 1 + static_cast<int>(rng() % (k - 1));
            if (inflows[c] < 3) p = c;
            if (tries > 50 && p == 0) p = 1;  // never reached: a tree has room
        }
        parent[k] = p;
        ++inflows[p];
    }
    for (int k = count; k > outfalls; --k) drained[parent[k]] += drained[k];

    std::vector<double> ground(count + 1), invert(count + 1), x(count + 1), y(count + 1), len(count + 1),
        slope(count + 1);
    for (int k = 1; k <= count; ++k) {
        len[k] = 30 + 50 * unit(rng);
        const double angle = 6.2831853 * unit(rng);
        if (parent[k] == 0) {
            ground[k] = 95 + 10 * unit(rng);
            x[k] = 1000.0 * k;
            y[k] = 0;
            invert[k] = ground[k] - 2.0;
            slope[k] = 0.004;
            continue;
        }
        const int p = parent[k];
        x[k] = x[p] + len[k] * std::cos(angle);
        y[k] = y[p] + len[k] * std::sin(angle);
        ground[k] = ground[p] + len[k] * (0.002 + 0.01 * unit(rng));
        double s = 0.003 + 0.005 * unit(rng);
        double up = invert[p] + s * len[k];
        if (ground[k] - up > 4.0) up = ground[k] - 2.5;  // a drop at the lower manhole
        if (ground[k] - up < 1.2) up = ground[k] - 1.2;
        slope[k] = (up - invert[p]) / len[k];
        invert[k] = up;
    }

    std::vector<int> order(count);
    for (int k = 0; k < count; ++k) order[k] = k + 1;
    std::shuffle(order.begin(), order.end(), rng);

    m.CreateLineTables(count + 10, count + 20);
    m.LineCount = count;
    m.LatCount = 0;
    for (int i = 1; i <= count; ++i) {
        const int k = order[i - 1];
        const int p = parent[k];
        LineRecord& r = m.Lines[i];
        r.From = "MH" + std::to_string(k);
        r.to = p ? "MH" + std::to_string(p) : std::string("0");
        r.Len = static_cast<float>(len[k]);
        r.Gr1 = static_cast<float>(ground[k]);
        r.Gr2 = static_cast<float>(p ? ground[p] : ground[k] - 0.2);
        r.Inv1 = static_cast<float>(invert[k]);
        r.Inv2 = static_cast<float>(invert[k] - slope[k] * len[k]);
        r.slope = static_cast<float>(slope[k]);
        const int d = drained[k];
        r.Dia = d < 15 ? 200 : d < 40 ? 250 : d < 100 ? 300 : d < 300 ? 400 : d < 1000 ? 500 : 600;
        r.X1 = static_cast<float>(x[k]);
        r.Y1 = static_cast<float>(y[k]);
        r.X2 = static_cast<float>(p ? x[p] : x[k] + len[k]);
        r.Y2 = static_cast<float>(p ? y[p] : y[k]);
    }
}

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
    LoadResult read = LoadNetworkText(s.loaded, s.folder + s.name + ".asb");
    if (!read.ok || read.linesRead != count)
        std::fprintf(stderr, "read %d of %d lines: %s\n", read.linesRead, count, read.message.c_str());
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
        LoadResult r = LoadNetworkText(m, s.folder + s.name + ".asb");
        benchmark::DoNotOptimize(r.linesRead);
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
        LoadNetworkText(m, s.folder + s.name + ".asb");
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
