// Timing of the profile view's search: every filter once over a generated
// network, as a user runs them one after another.
#include <benchmark/benchmark.h>

#include <map>
#include <memory>

#include "engine/lateral_naming.h"
#include "engine/linking.h"
#include "engine/number_text.h"
#include "engine/process.h"
#include "generated_network.h"
#include "profile_drawing/drawing_settings.h"
#include "profile_view/search.h"

namespace vd {
namespace {

Model& SearchedNetwork(int count) {
    static std::map<int, std::unique_ptr<Model>> models;
    auto& slot = models[count];
    if (slot) return *slot;
    slot = std::make_unique<Model>();
    Model& m = *slot;
    GenerateNetwork(m, count, 2000u + static_cast<unsigned>(count));
    ApplyDefaultStyles(m);
    m.SheetLayoutMode = CInt(m.ObjectStyles[26].Color);
    BuildNetworkLinks(m);
    NameLaterals(m);
    ProcessNetwork(m);
    // Velocities as a design run leaves them, so the velocity filters list lines.
    for (int i = 1; i <= m.LineCount; ++i) m.Results[i].VmaxEnd = 0.3f + 0.01f * static_cast<float>(i % 250);
    return m;
}

void BM_ProfileSearch(benchmark::State& state) {
    Model& m = SearchedNetwork(static_cast<int>(state.range(0)));
    const SearchRequest requests[] = {
        {SearchFilter::ManholeName, "MH17", MarkOption::None, ""},
        {SearchFilter::Latral, "", MarkOption::None, ""},
        {SearchFilter::LengthAtLeast, "60", MarkOption::None, ""},
        {SearchFilter::DepthBelow, "1.5", MarkOption::None, ""},
        {SearchFilter::DepthAbove, "3", MarkOption::None, ""},
        {SearchFilter::VelocityBelow, "0.6", MarkOption::None, ""},
        {SearchFilter::VelocityAbove, "2.5", MarkOption::None, ""},
        {SearchFilter::DropAtLeast, "0.1", MarkOption::None, ""},
        {SearchFilter::ChangeDia, "", MarkOption::None, ""},
        {SearchFilter::LengthAtMost, "40", MarkOption::None, ""},
        {SearchFilter::None, "", MarkOption::Diameter, "300"},
    };
    std::size_t rows = 0;
    for (auto _ : state) {
        rows = 0;
        for (const SearchRequest& q : requests) {
            SearchResult r = RunSearch(m, q);
            rows += r.rows.size();
            benchmark::DoNotOptimize(r);
        }
    }
    state.counters["filters"] = static_cast<double>(std::size(requests));
    state.counters["rows"] = static_cast<double>(rows);
    state.counters["laterals"] = m.LatCount;
}
BENCHMARK(BM_ProfileSearch)->Arg(30000)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace vd
