// The table editor on a 30,000-line network: loading the line and results
// views into the grid, writing an unedited view back, and exporting the
// results view to a workbook.
#include <benchmark/benchmark.h>

#include <QTemporaryDir>
#include <string>

#include "engine/model.h"
#include "grid/flex.h"
#include "platform/dialogs.h"
#include "platform/flex_grid.h"
#include "workspace/excel_export.h"

namespace {

void BuildNetwork(vd::Model& m, int lines) {
    m.CreateLineTables(lines + 10, lines + 20);
    m.LineCount = lines;
    m.DiaCount = 3;
    const float sizes[] = {200, 250, 300};
    for (int i = 1; i <= 3; ++i) {
        m.DiaTable[i].Dia = sizes[i - 1];
        m.DiaTable[i].Mins = 0.004f;
        m.DiaTable[i].nCoef = 0.013f;
        m.DiaTable[i].HdMax = 0.75f;
    }
    m.SheetTable.assign(lines / 10 + 1, vd::SheetRecord{});
    m.Criteria.LPCD1 = 150;
    float ground = 5000;
    for (int i = 1; i <= lines; ++i) {
        vd::LineRecord& l = m.Lines[i];
        l.From = "MH" + std::to_string(i);
        l.to = "MH" + std::to_string(i + 1);
        l.Latral = "01";
        l.Len = 30.0f + static_cast<float>(i % 40);
        l.Dia = sizes[i % 3];
        l.slope = 0.004567f;
        l.Gr1 = ground;
        ground -= 0.1f;
        l.Gr2 = ground;
        l.Inv1 = l.Gr1 - 1.8f;
        l.Inv2 = l.Gr2 - 2.0f;
        l.X1 = 500000.0f + static_cast<float>(i);
        l.Y1 = 4100000.0f + static_cast<float>(i);
        m.Links[i].NextLine = static_cast<int16_t>(i < lines ? i + 1 : 0);
        m.Links[i].UpLine = static_cast<int16_t>(i - 1);
        m.Results[i].QmaxEnd = 0.01f * static_cast<float>(i);
        m.Results[i].SheetIdx = static_cast<float>(i / 10);
    }
}

void BM_GridLoadLines(benchmark::State& state) {
    vd::Model m;
    BuildNetwork(m, static_cast<int>(state.range(0)));
    vd::ScriptedDialogs dialogs;
    vd::Flex flex(m, dialogs);
    for (auto _ : state) flex.mnusewer();
}
BENCHMARK(BM_GridLoadLines)->Arg(30000)->Unit(benchmark::kMillisecond);

void BM_GridLoadResults(benchmark::State& state) {
    vd::Model m;
    BuildNetwork(m, static_cast<int>(state.range(0)));
    vd::ScriptedDialogs dialogs;
    vd::Flex flex(m, dialogs);
    for (auto _ : state) flex.mnuout();
}
BENCHMARK(BM_GridLoadResults)->Arg(30000)->Unit(benchmark::kMillisecond);

// The results view, the widest: every one of its cells is compared.
void BM_GridWriteBackUnedited(benchmark::State& state) {
    vd::Model m;
    BuildNetwork(m, static_cast<int>(state.range(0)));
    vd::ScriptedDialogs dialogs;
    vd::Flex flex(m, dialogs);
    flex.mnuout();
    for (auto _ : state) flex.frm7upDATE();
}
BENCHMARK(BM_GridWriteBackUnedited)->Arg(30000)->Unit(benchmark::kMillisecond);

// "Set EXCEL" on the results view, 55 columns of 30,000 lines, without its
// dialog: the grid's texts to a workbook, numbers as numbers.
void BM_XlsxExportResults(benchmark::State& state) {
    vd::Model m;
    BuildNetwork(m, static_cast<int>(state.range(0)));
    vd::ScriptedDialogs dialogs;
    vd::Flex flex(m, dialogs);
    flex.mnuout();
    const vd::FlexGrid* g = flex.findChild<vd::FlexGrid*>();
    QTemporaryDir dir;
    const QString path = dir.path() + "/results.xlsx";
    for (auto _ : state) {
        vd::Outcome o = vd::WriteGridWorkbook(path, [g](int r, int c) { return g->TextMatrix(r, c); }, g->Rows(),
                                              g->Cols(), "");
        if (!o) state.SkipWithError(o.message().c_str());
    }
    state.counters["cells"] = static_cast<double>(g->Rows()) * (g->Cols() - 1);
}
BENCHMARK(BM_XlsxExportResults)->Arg(30000)->Unit(benchmark::kMillisecond);

}  // namespace
