// Timings of the design run on large generated networks: reading the network
// file, linking, lateral naming, processing (with sheet cutting) and writing,
// each alone and all together, beside a hand-written floor of the whole run.
#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstring>
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
    state.counters["bytes"] = static_cast<double>(std::filesystem::file_size(s.folder + "whole.asb"));
}

// The floor of the whole run: the least any program must do for it, done
// well. It reads the network file in one read into a buffer of its size,
// saves the .bak, splits the 12 fields of each row (numbers parsed), links
// the lines into a tree through a hash map of names, walks the tree once
// depth-first (a lateral a branch) and writes the rows again in that order
// with the same bytes the program writes: names at their widths, the numbers
// in their print zones as their shortest texts, the lateral's name. Each file
// goes through one flushed save, as every file here must: a temporary file,
// flushed to the disk and renamed over the target. Every buffer is sized
// before it is filled, so each repetition does the same work in the same order.
namespace floor_run {

constexpr std::size_t kZone = 14;

std::string_view TrimLeft(std::string_view s) {
    while (!s.empty() && s.front() == ' ') s.remove_prefix(1);
    return s;
}
std::string_view Trim(std::string_view s) {
    s = TrimLeft(s);
    while (!s.empty() && s.back() == ' ') s.remove_suffix(1);
    return s;
}

struct Row {
    std::string_view field[12];
    float number[7];
};

void ReadFile(const std::string& path, std::string& bytes) {
    const int fd = ::open(path.c_str(), O_RDONLY);
    if (fd < 0) return;
    struct stat st {};
    ::fstat(fd, &st);
    bytes.resize(static_cast<std::size_t>(st.st_size));
    std::size_t done = 0;
    for (ssize_t n; done < bytes.size() && (n = ::read(fd, bytes.data() + done, bytes.size() - done)) > 0;)
        done += static_cast<std::size_t>(n);
    bytes.resize(done);
    ::close(fd);
}

void SaveFile(const std::string& path, std::string_view bytes) {
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

// Blanks from p up to the start of the next print zone of the row at start.
char* Pad(char* start, char* p) {
    const auto col = static_cast<std::size_t>(p - start);
    const std::size_t to = (col / kZone + 1) * kZone;
    std::memset(p, ' ', to - col);
    return start + to;
}

// A text at the width its field has in the file.
char* PutWide(char* p, std::string_view text, std::size_t width) {
    std::memcpy(p, text.data(), text.size());
    if (text.size() < width) std::memset(p + text.size(), ' ', width - text.size());
    return p + std::max(text.size(), width);
}

// The buffers of a run, kept from one repetition to the next at the size the
// first gave them.
struct Buffers {
    std::string in, out;
    std::vector<Row> rows;
    std::unordered_map<std::string_view, int> byFrom;
    std::vector<int> firstChild, nextSibling, roots, stack, lateral;
};

void Run(const std::string& in, const std::string& bak, const std::string& outPath, Buffers& b) {
    ReadFile(in, b.in);
    SaveFile(bak, b.in);
    const std::string_view bytes = b.in;
    const auto rowCount = static_cast<std::size_t>(std::count(bytes.begin(), bytes.end(), '\n'));
    b.rows.clear();
    b.rows.reserve(rowCount);
    for (std::string_view rest = bytes; !rest.empty();) {
        const std::size_t end = rest.find('\n');
        std::string_view line = rest.substr(0, end);
        rest = end == std::string_view::npos ? std::string_view() : rest.substr(end + 1);
        if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
        if (line.substr(0, 2) != "L,") break;
        Row& r = b.rows.emplace_back();
        for (int f = 0; f < 12; ++f) {
            const std::size_t comma = f < 11 ? line.find(',') : std::string_view::npos;
            r.field[f] = line.substr(0, comma);
            line = comma == std::string_view::npos ? std::string_view() : line.substr(comma + 1);
        }
        for (int k = 0; k < 7; ++k) {
            const std::string_view t = Trim(r.field[3 + k]);
            std::from_chars(t.data(), t.data() + t.size(), r.number[k]);
        }
    }

    const int n = static_cast<int>(b.rows.size());
    b.byFrom.clear();
    b.byFrom.reserve(static_cast<std::size_t>(n));
    for (int i = 0; i < n; ++i) b.byFrom.emplace(Trim(b.rows[i].field[1]), i);
    b.firstChild.assign(n, -1);
    b.nextSibling.assign(n, -1);
    b.lateral.assign(n, 0);
    b.roots.clear();
    for (int i = n - 1; i >= 0; --i) {
        const auto it = b.byFrom.find(Trim(b.rows[i].field[2]));
        if (it == b.byFrom.end() || it->second == i) {
            b.roots.push_back(i);
        } else {
            b.nextSibling[i] = b.firstChild[it->second];
            b.firstChild[it->second] = i;
        }
    }

    // The longest row: names at 25, seven numbers in zones, lateral at 40,
    // manhole type at 30.
    b.out.resize(static_cast<std::size_t>(n) * 320 + 8);
    char* const begin = b.out.data();
    char* p = begin;
    b.stack.assign(b.roots.rbegin(), b.roots.rend());
    int laterals = 0;
    for (int i : b.roots) b.lateral[i] = ++laterals;
    while (!b.stack.empty()) {
        const int i = b.stack.back();
        b.stack.pop_back();
        // The first branch up continues this lateral; the others start their own.
        for (int c = b.firstChild[i]; c >= 0; c = b.nextSibling[c]) {
            b.lateral[c] = c == b.firstChild[i] ? b.lateral[i] : ++laterals;
            b.stack.push_back(c);
        }
        const Row& r = b.rows[i];
        char* const start = p;
        *p++ = 'L';
        *p++ = ',';
        p = PutWide(p, r.field[1], 25);
        *p++ = ',';
        p = PutWide(p, r.field[2], 25);
        *p++ = ',';
        for (float v : r.number) {
            p = Pad(start, p);
            if (!std::signbit(v)) *p++ = ' ';
            char* const digits = p;
            p = std::to_chars(p, p + 32, v, std::chars_format::general).ptr;
            if (char* e = std::find(digits, p, 'e'); e != p) *e = 'E';
            *p++ = ' ';
            *p++ = ',';
        }
        p = Pad(start, p);
        char name[16];
        p = PutWide(p, std::string_view(name, static_cast<std::size_t>(std::to_chars(name, name + sizeof name, b.lateral[i]).ptr - name)), 40);
        *p++ = ',';
        p = Pad(start, p);
        p = PutWide(p, TrimLeft(r.field[11]), 30);
        *p++ = '\r';
        *p++ = '\n';
    }
    std::memcpy(p, "END\r\n", 5);
    p += 5;
    SaveFile(outPath, std::string_view(begin, static_cast<std::size_t>(p - begin)));
}

}  // namespace floor_run

void BM_WholeRunFloor(benchmark::State& state) {
    Sample& s = GetSample(static_cast<int>(state.range(0)));
    floor_run::Buffers buffers;
    for (auto _ : state)
        floor_run::Run(s.folder + s.name + ".asb", s.folder + "floor.bak", s.folder + "floor.asb", buffers);
    state.counters["bytes"] = static_cast<double>(std::filesystem::file_size(s.folder + "floor.asb"));
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
