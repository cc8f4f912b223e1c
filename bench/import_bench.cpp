// The imports on large inputs: one long text-table row, and a lateral-name
// file of many records on a generated network.
#include <benchmark/benchmark.h>

#include <string>
#include <vector>

#include "engine/linking.h"
#include "generated_network.h"
#include "workspace/lateral_names.h"
#include "workspace/text_import.h"

namespace vd {
namespace {

void BM_TextRowSplit(benchmark::State& state) {
    const auto size = static_cast<std::size_t>(state.range(0));
    std::string row;
    while (row.size() < size) row += "MH12,,, 35.5 ,";
    for (auto _ : state) benchmark::DoNotOptimize(SplitTextRow(row).values.size());
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * static_cast<int64_t>(row.size()));
}
BENCHMARK(BM_TextRowSplit)->Arg(1 << 20)->Unit(benchmark::kMillisecond);

void BM_LateralNames(benchmark::State& state) {
    const int lines = static_cast<int>(state.range(0)), records = static_cast<int>(state.range(1));
    Model base;
    GenerateNetwork(base, lines, 7u);
    // Manhole names as numbers, as the lateral-name file keys them.
    for (int i = 1; i <= lines; ++i) {
        base.Lines[i].From = base.Lines[i].From.trim().substr(2);
        if (base.Lines[i].to.trim() != "0") base.Lines[i].to = base.Lines[i].to.trim().substr(2);
    }
    BuildNetworkLinks(base);
    std::vector<LateralNameRecord> file;
    for (int r = 0; r < records; ++r)
        file.push_back({"L" + std::to_string(r), static_cast<double>(1 + r % lines),
                        static_cast<double>(1 + (r * 7) % lines)});
    Model m;
    for (auto _ : state) {
        state.PauseTiming();
        m = base;
        state.ResumeTiming();
        benchmark::DoNotOptimize(ApplyLateralNames(m, file).ok());
    }
}
BENCHMARK(BM_LateralNames)->Args({2000, 10000})->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace vd
