// Timings of the design run on large generated networks: reading the network
// file, linking, lateral naming, processing (with sheet cutting) and writing,
// each alone and all together, beside a hand-written floor of the whole run.
#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <map>
#include <memory>
#include <random>
#include <string>
#include <string_view>
#include <unordered_map>
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

// The floor of the whole run: the least any program does to read the same
// network file, split its 12 fields a row (numbers parsed), link its lines
// into a tree through a hash map of names, walk the tree once depth-first
// and write the rows again in that order, saved as every file here must be:
// a temporary file, flushed to the disk and renamed over the target.
namespace floor_run {

std::string_view Trim(std::string_view s) {
    while (!s.empty() && s.front() == ' ') s.remove_prefix(1);
    while (!s.empty() && s.back() == ' ') s.remove_suffix(1);
    return s;
}

struct Row {
    std::string_view field[12];
    float number[7];
};

std::string ReadFile(const std::string& path) {
    std::string bytes;
    const int fd = ::open(path.c_str(), O_RDONLY);
    if (fd < 0) return bytes;
    char buf[65536];
    for (ssize_t n; (n = ::read(fd, buf, sizeof buf)) > 0;) bytes.append(buf, static_cast<std::size_t>(n));
    ::close(fd);
    return bytes;
}

void SaveFile(const std::string& path, const std::string& bytes) {
    const std::string tmp = path + ".tmp";
    const int fd = ::open(tmp.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    if (fd < 0) return;
    for (std::size_t done = 0; done < bytes.size();) {
        const ssize_t n = ::write(fd, bytes.data() + done, bytes.size() - done);
        if (n <= 0) break;
        done += static_cast<std::size_t>(n);
    }
    ::fsync(fd);
    ::close(fd);
    ::rename(tmp.c_str(), path.c_str());
}

void Pad(std::string& out, std::size_t rowStart, std::size_t zone) {
    const std::size_t col = out.size() - rowStart;
    out.append((col / zone + 1) * zone - col, ' ');
}

void Run(const std::string& in, const std::string& outPath) {
    const std::string bytes = ReadFile(in);
    std::vector<Row> rows;
    std::string_view rest = bytes;
    while (!rest.empty()) {
        std::size_t end = rest.find('\n');
        std::string_view line = rest.substr(0, end);
        rest = end == std::string_view::npos ? std::string_view() : rest.substr(end + 1);
        if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
        if (line.substr(0, 2) != "L,") break;
        Row& r = rows.emplace_back();
        for (int f = 0; f < 12; ++f) {
            std::size_t comma = f < 11 ? line.find(',') : std::string_view::npos;
            r.field[f] = line.substr(0, comma);
            line = comma == std::string_view::npos ? std::string_view() : line.substr(comma + 1);
        }
        for (int k = 0; k < 7; ++k) {
            std::string_view t = Trim(r.field[3 + k]);
            std::from_chars(t.data(), t.data() + t.size(), r.number[k]);
        }
    }

    const int n = static_cast<int>(rows.size());
    std::unordered_map<std::string_view, int> byFrom;
    byFrom.reserve(static_cast<std::size_t>(n));
    for (int i = 0; i < n; ++i) byFrom.emplace(Trim(rows[i].field[1]), i);
    std::vector<int> firstChild(n, -1), nextSibling(n, -1), roots;
    for (int i = n - 1; i >= 0; --i) {
        auto it = byFrom.find(Trim(rows[i].field[2]));
        if (it == byFrom.end() || it->second == i) {
            roots.push_back(i);
        } else {
            nextSibling[i] = firstChild[it->second];
            firstChild[it->second] = i;
        }
    }

    std::string out;
    out.reserve(bytes.size() + 64);
    std::vector<int> stack(roots.rbegin(), roots.rend());
    std::vector<char> seen(n, 0);
    while (!stack.empty()) {
        const int i = stack.back();
        stack.pop_back();
        if (seen[i]) continue;
        seen[i] = 1;
        for (int c = firstChild[i]; c >= 0; c = nextSibling[c]) stack.push_back(c);
        const Row& r = rows[i];
        const std::size_t start = out.size();
        out += "L,";
        out.append(r.field[1]);
        out += ',';
        out.append(r.field[2]);
        out += ',';
        for (float v : r.number) {
            Pad(out, start, 14);
            char buf[32];
            out += ' ';
            out.append(buf, std::to_chars(buf, buf + sizeof buf, v).ptr);
            out += " ,";
        }
        Pad(out, start, 14);
        out.append(Trim(r.field[10]));
        out += ',';
        Pad(out, start, 14);
        out.append(Trim(r.field[11]));
        out += "\r\n";
    }
    out += "END\r\n";
    SaveFile(outPath, out);
}

}  // namespace floor_run

void BM_WholeRunFloor(benchmark::State& state) {
    Sample& s = GetSample(static_cast<int>(state.range(0)));
    for (auto _ : state) floor_run::Run(s.folder + s.name + ".asb", s.folder + "floor.asb");
    Counters(state, s);
}

BENCHMARK(BM_Load)->Arg(2000)->Arg(30000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Link)->Arg(2000)->Arg(30000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_NameLaterals)->Arg(2000)->Arg(30000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Process)->Arg(2000)->Arg(30000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Save)->Arg(2000)->Arg(30000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_WholeRun)->Arg(2000)->Arg(30000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_WholeRunFloor)->Arg(2000)->Arg(30000)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace vd
