// The Process command in the window on a generated network: the engine's
// stages plus the log box, status bar and progress bar they report through.
// File > Open of a generated network in a fresh program, and the commands a
// user runs next on what it opened: the grid, Process, Profile and "ACAD".
#include <benchmark/benchmark.h>

#include <QApplication>
#include <sys/resource.h>
#include <filesystem>

#include <memory>
#include <string>

#include "engine/network_file.h"
#include "generated_network.h"
#include "platform/dialogs.h"
#include "window_views.h"
#include "workspace/grid_host.h"
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

// A generated network of `count` lines saved as a project (with its
// coordinates); the path of its network file.
std::string SavedNetworkFile(int count) {
    const std::filesystem::path folder = std::filesystem::temp_directory_path() / "vidoduv_bench_open";
    std::filesystem::create_directories(folder);
    const std::string name = "net" + std::to_string(count);
    if (!std::filesystem::exists(folder / (name + ".asb"))) {
        Model g;
        GenerateNetwork(g, count, 1000u + static_cast<unsigned>(count));
        (void)SaveProject(g, name, folder.string() + "/");
    }
    return (folder / (name + ".asb")).string();
}

// A fresh program: its model and main window, with the program's own views.
struct FreshProgram {
    Model m;
    ScriptedDialogs dialogs;
    std::unique_ptr<Form1> form;
    FreshProgram() : form(std::make_unique<Form1>(m, dialogs, ProgramViews(m, dialogs))) {
        form->show();
        QApplication::processEvents();
    }
    ~FreshProgram() {
        form.reset();
        m.SetUi(nullptr);
    }
    Vorlan& w() { return form->workspace(); }
    bool open(const std::string& path) {
        dialogs.files.push_back(QString::fromStdString(path));
        w().openvrl();
        QApplication::processEvents();
        return dialogs.messages.empty();
    }
};

// File > Open in a fresh program: the reader, the tables sized to the file,
// the .bak, the caption and the window's repaint.
void BM_OpenInWindow(benchmark::State& state) {
    const int count = static_cast<int>(state.range(0));
    const std::string path = SavedNetworkFile(count);
    for (auto _ : state) {
        state.PauseTiming();
        auto program = std::make_unique<FreshProgram>();
        state.ResumeTiming();
        const bool opened = program->open(path);
        state.PauseTiming();
        if (!opened || program->m.LineCount != count) state.SkipWithError("the network did not open whole");
        program.reset();
        state.ResumeTiming();
    }
    state.counters["lines"] = count;
}
BENCHMARK(BM_OpenInWindow)->Arg(2000)->Arg(30000)->Unit(benchmark::kMillisecond);

// One command on a network just opened as above in a fresh program (and
// processed first where the command needs it), as the user first meets it.
template <class Run>
void CommandOnOpenedNetwork(benchmark::State& state, bool processed, Run run) {
    const int count = static_cast<int>(state.range(0));
    const std::string path = SavedNetworkFile(count);
    for (auto _ : state) {
        state.PauseTiming();
        auto program = std::make_unique<FreshProgram>();
        if (!program->open(path)) state.SkipWithError("the network did not open");
        if (processed) program->w().Command2_Click();
        QApplication::processEvents();
        state.ResumeTiming();
        run(*program);
        QApplication::processEvents();
        state.PauseTiming();
        program.reset();
        state.ResumeTiming();
    }
    state.counters["lines"] = count;
}

// The grid's line view shown from the main window's button.
void BM_OpenedGridInWindow(benchmark::State& state) {
    CommandOnOpenedNetwork(state, false, [](FreshProgram& p) { p.w().Command4_Click(); });
}
BENCHMARK(BM_OpenedGridInWindow)->Arg(2000)->Arg(30000)->Unit(benchmark::kMillisecond);

void BM_OpenedProcessInWindow(benchmark::State& state) {
    CommandOnOpenedNetwork(state, false, [](FreshProgram& p) { p.w().Command2_Click(); });
}
BENCHMARK(BM_OpenedProcessInWindow)->Arg(2000)->Arg(30000)->Unit(benchmark::kMillisecond);

// The profile view shown after Process: sheets cut, the list filled, the
// first sheet drawn.
void BM_OpenedProfileInWindow(benchmark::State& state) {
    CommandOnOpenedNetwork(state, true, [](FreshProgram& p) { p.w().Command3_Click(); });
}
BENCHMARK(BM_OpenedProfileInWindow)->Arg(2000)->Arg(30000)->Unit(benchmark::kMillisecond);

// "ACAD" after Process: the plan drawn into the Drawing window.
void BM_OpenedAcadInWindow(benchmark::State& state) {
    CommandOnOpenedNetwork(state, true, [](FreshProgram& p) { p.w().Command11_Click(); });
}
BENCHMARK(BM_OpenedAcadInWindow)->Arg(2000)->Arg(30000)->Unit(benchmark::kMillisecond);

// The largest network the program holds, opened in a fresh program,
// processed, shown in the grid's results view, drawn with "ACAD" and shown in
// the profile view; the process's peak resident memory (run it alone:
// the peak counts everything the process did before).
void BM_LargestNetworkPeakMemory(benchmark::State& state) {
    const int count = static_cast<int>(state.range(0));
    const std::string path = SavedNetworkFile(count);
    for (auto _ : state) {
        FreshProgram program;
        if (!program.open(path)) state.SkipWithError("the network did not open");
        program.w().Command2_Click();
        auto* grid = program.form->findChild<GridHost*>("FLEX1");
        grid->show();
        grid->mnuout();
        QApplication::processEvents();
        grid->hide();
        program.w().Command11_Click();
        program.w().Command3_Click();
        QApplication::processEvents();
    }
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    state.counters["peak_MB"] = static_cast<double>(usage.ru_maxrss) / 1024.0;
}
BENCHMARK(BM_LargestNetworkPeakMemory)->Arg(2000)->Arg(32000)->Iterations(1)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace vd
