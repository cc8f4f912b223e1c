// The Process command in the window on a generated network: the engine's
// stages plus the log box, status bar and progress bar they report through.
#include <benchmark/benchmark.h>

#include <QApplication>
#include <filesystem>

#include "generated_network.h"
#include "platform/dialogs.h"
#include "window_views.h"
#include "workspace/main_window.h"

namespace vd {
namespace {

void BM_ProcessInWindow(benchmark::State& state) {
    const int count = static_cast<int>(state.range(0));
    Model generated;
    GenerateNetwork(generated, count, 1000u + static_cast<unsigned>(count));
    Model m = generated;
    // The Process backup goes beside the project.
    const std::filesystem::path folder = std::filesystem::temp_directory_path() / "vidoduv_bench_window";
    std::filesystem::create_directories(folder);
    m.ProjectFolder = folder.string() + "/";
    m.ProjectName = "net";
    ScriptedDialogs dialogs;
    Form1 form(m, dialogs, ProgramViews(m, dialogs));
    form.show();
    Vorlan& w = form.workspace();
    for (auto _ : state) {
        state.PauseTiming();
        m.Lines = generated.Lines;
        m.Links = generated.Links;
        m.Results = generated.Results;
        m.LineCount = generated.LineCount;
        m.LatCount = 0;
        state.ResumeTiming();
        w.Command2_Click();
        QApplication::processEvents();
    }
    state.counters["lines"] = count;
    m.SetUi(nullptr);
}
BENCHMARK(BM_ProcessInWindow)->Arg(2000)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace vd
