// Filling the results view: every column code 1..55 for 30,000 lines.
#include <benchmark/benchmark.h>

#include <vector>

#include "engine/cell_text.h"
#include "engine/column_catalogue.h"
#include "engine/model.h"

namespace {

constexpr int kLines = 30000;

void BuildNetwork(vd::Model& m) {
    m.CreateLineTables(kLines + 10, kLines + 20);
    m.LineCount = kLines;
    const float sizes[] = {200, 250, 300, 400, 500, 600};
    m.DiaCount = 6;
    for (int i = 1; i <= 6; ++i) {
        vd::DiaRecord& d = m.DiaTable[i];
        d.Dia = sizes[i - 1];
        d.Mins = 0.004f - 0.0004f * i;
        d.nCoef = 0.013f;
        d.HdMax = 0.75f;
        d.PipeCons = 50.0f * i;
        d.Pipeprice = 30.0f * i;
        d.MhCons = 200;
    }
    m.SheetTable.assign(kLines / 10 + 1, vd::SheetRecord{});
    for (std::size_t s = 0; s < m.SheetTable.size(); ++s) m.SheetTable[s].DwgNo = static_cast<int16_t>(s + 1);
    m.Criteria.LPCD1 = 150;
    m.Criteria.InflowPercent = 10;
    float ground = 500;
    for (int i = 1; i <= kLines; ++i) {
        vd::LineRecord& l = m.Lines[i];
        l.From = "MH" + std::to_string(i);
        l.to = "MH" + std::to_string(i + 1);
        l.Latral = "01";
        l.Status = i % 7 == 0 ? "N0.014" : "";
        l.Len = 30 + i % 40;
        l.Dia = sizes[(i / 5000) % 6];
        l.slope = 0.004567f + 0.0001f * (i % 5);
        l.Gr1 = ground;
        ground -= 0.2f;
        l.Gr2 = ground;
        l.Inv1 = l.Gr1 - 1.8f - 0.1f * (i % 40);
        l.Inv2 = l.Gr2 - 2.2f - 0.1f * (i % 35);
        l.Pop1 = 40;
        l.Pop2 = 60;
        vd::LinkRecord& k = m.Links[i];
        k.NextLine = static_cast<int16_t>(i < kLines ? i + 1 : 0);
        k.UpLine = static_cast<int16_t>(i - 1);
        vd::ResultRecord& r = m.Results[i];
        r.Pop1_total = 40.0f * i;
        r.Pop2_total = 60.0f * i;
        r.QavgEnd = r.Pop2_total * 150 / 86400;
        r.QmaxBig = r.QavgEnd * 3;
        r.QmaxEnd = r.QavgEnd * 2.5f;
        r.Qsw = i % 3 == 0 ? 5.0f : 0.0f;
        r.SheetIdx = static_cast<float>(i / 10);
    }
}

void BM_FillResultsView(benchmark::State& state) {
    vd::Model m;
    BuildNetwork(m);
    std::vector<vd::GridColumnDef> catalogue(vd::kGridCatalogueUpper + 1);
    vd::SetColumnTitles(m, catalogue);
    for (auto _ : state) {
        vd::CostMessages fill;
        for (int row = 1; row <= kLines; ++row)
            for (int code = 1; code <= 55; ++code) vd::LineFieldToCell(m, code, row, catalogue, &fill);
        benchmark::DoNotOptimize(catalogue.data());
    }
    state.SetItemsProcessed(state.iterations() * kLines * 55);
}
BENCHMARK(BM_FillResultsView)->Unit(benchmark::kMillisecond);

}  // namespace
