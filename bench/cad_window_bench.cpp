// Timings of the plan exchange as the user meets it: "ACAD" and "Get ACAD" in
// the main window with the Drawing window open, the same commands without
// windows, and saving a large plan drawing as DXF.
#include <benchmark/benchmark.h>

#include <QApplication>
#include <QTemporaryDir>
#include <algorithm>
#include <string>

#include "cad/cad_document.h"
#include "engine/model.h"
#include "platform/dialogs.h"
#include "platform/drawing_window.h"
#include "workspace/acad_commands.h"
#include "window_views.h"
#include "workspace/main_window.h"

namespace vd {
namespace {

// A plan of `count` lines in runs of fifty, each line 40 m long.
void PlanNetwork(Model& m, int count) {
    if (count > m.LineUpper()) m.CreateLineTables(count, count);
    for (int i = 1; i <= count; ++i) {
        LineRecord& l = m.Lines[static_cast<size_t>(i)];
        const float x = 500000.0f + 40.0f * static_cast<float>(i % 50), y = 4000000.0f + 60.0f * static_cast<float>(i / 50);
        l.From = "MH" + std::to_string(i);
        l.to = "MH" + std::to_string(i + 1);
        l.Latral = "L" + std::to_string(i / 50);
        l.X1 = x;
        l.Y1 = y;
        l.X2 = x + 40;
        l.Y2 = y;
        l.Gr1 = 101;
        l.Gr2 = 100.8f;
        l.Inv1 = 99;
        l.Dia = 300;
        l.slope = 0.005f;
        l.Len = 40;
        l.Level = static_cast<int16_t>(1 + i % 5);
        m.Links[static_cast<size_t>(i)].NextLine = static_cast<int16_t>(i % 50 ? i + 1 : 0);
        m.Links[static_cast<size_t>(i)].UpLine = static_cast<int16_t>(i % 50 != 1 ? i - 1 : 0);
    }
    m.LineCount = count;
}

void BM_AcadInWindow(benchmark::State& state) {
    Model m;
    ScriptedDialogs dialogs;
    Form1 window(m, dialogs, ProgramViews(m, dialogs));
    window.show();
    PlanNetwork(m, static_cast<int>(state.range(0)));
    QApplication::processEvents();
    for (auto _ : state) {
        window.workspace().Command11_Click();
        // The Drawing window and the progress bar show the result.
        QApplication::processEvents();
    }
    state.SetItemsProcessed(state.iterations() * state.range(0));
}
BENCHMARK(BM_AcadInWindow)->Arg(2000)->Unit(benchmark::kMillisecond);

// "Get ACAD" from the File menu of the window, with its progress bar and Esc
// test, of a plan the program drew: read back whole, each run into tables
// of the start-up size, as a program started afresh has them.
void BM_GetAcadWhole(benchmark::State& state) {
    Model m;
    ScriptedDialogs dialogs;
    Form1 window(m, dialogs, ProgramViews(m, dialogs));
    window.show();
    PlanNetwork(m, static_cast<int>(state.range(0)));
    window.workspace().Command11_Click();
    QApplication::processEvents();
    for (auto _ : state) {
        state.PauseTiming();
        m.CreateLineTables(kStartupLineUpper, kStartupLineUpper);
        dialogs.messages.clear();
        dialogs.asked.clear();
        // The plan read replaces the network without saving it.
        dialogs.saveChoices = {Dialogs::SaveChoice::Discard};
        state.ResumeTiming();
        window.workspace().mnugetacad_Click();
        QApplication::processEvents();
    }
    if (m.LineCount != state.range(0)) state.SkipWithError("Get ACAD did not read the whole plan");
    state.SetItemsProcessed(state.iterations() * state.range(0));
}
BENCHMARK(BM_GetAcadWhole)->Arg(2000)->Arg(30000)->Unit(benchmark::kMillisecond);

void BM_AcadHeadless(benchmark::State& state) {
    Model m;
    CadApplication app;
    PlanNetwork(m, static_cast<int>(state.range(0)));
    for (auto _ : state) benchmark::DoNotOptimize(AcadPlanCommand(m, app));
    state.SetItemsProcessed(state.iterations() * state.range(0));
}
BENCHMARK(BM_AcadHeadless)->Arg(2000)->Arg(30000)->Unit(benchmark::kMillisecond);

void BM_DxfSave(benchmark::State& state) {
    Model m;
    CadApplication app;
    PlanNetwork(m, static_cast<int>(state.range(0)));
    (void)AcadPlanCommand(m, app);
    QTemporaryDir dir;
    const std::string path = dir.filePath("plan.dxf").toStdString();
    for (auto _ : state) app.ActiveDocument().SaveAs(path);
    state.SetItemsProcessed(state.iterations() * state.range(0));
}
BENCHMARK(BM_DxfSave)->Arg(30000)->Unit(benchmark::kMillisecond);

// Get ACAD of a plan of `lines` lines without windows, into a fresh model.
void BM_GetAcad(benchmark::State& state) {
    Model drawn;
    CadApplication app;
    PlanNetwork(drawn, static_cast<int>(state.range(0)));
    (void)AcadPlanCommand(drawn, app);
    for (auto _ : state) {
        Model m;
        benchmark::DoNotOptimize(GetAcadLines(m, app, nullptr));
    }
    state.SetItemsProcessed(state.iterations() * state.range(0));
}
BENCHMARK(BM_GetAcad)->Arg(2000)->Arg(30000)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace vd
