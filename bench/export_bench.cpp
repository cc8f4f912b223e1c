// Timings of the profile view's exports on a generated network: "Make dxf" of
// every sheet in files of 10 to a temporary folder and in one file, and "Draw
// all" in Block-Attrib mode into the CAD drawing.
#include <benchmark/benchmark.h>

#include <filesystem>
#include <map>
#include <memory>
#include <stdlib.h>
#include <sys/resource.h>

#include "cad/cad_document.h"
#include "engine/lateral_naming.h"
#include "engine/linking.h"
#include "engine/number_text.h"
#include "engine/process.h"
#include "engine/sheet_cutting.h"
#include "processed_network.h"
#include "platform/dialogs.h"
#include "profile_drawing/drawing_settings.h"
#include "profile_view/cad_draw_commands.h"
#include "profile_view/dxf_export.h"
#include "profile_view/selection.h"

namespace vd {
namespace {

namespace fs = std::filesystem;

Model& Network(int count) { return ProcessedNetwork(count, 1000u + static_cast<unsigned>(count)); }

struct TempFolder {
    fs::path path;
    TempFolder() {
        std::string t = (fs::temp_directory_path() / "vd_bench_dxf_XXXXXX").string();
        if (mkdtemp(t.data())) path = t;
    }
    ~TempFolder() {
        std::error_code ec;
        fs::remove_all(path, ec);
    }
};

void BM_MakeDxfBatch(benchmark::State& state) {
    Model& m = Network(static_cast<int>(state.range(0)));
    TempFolder dir;
    ProfileViewState v;
    ScriptedDialogs dialogs;
    DxfExport x(m, v, dialogs);
    const int files = static_cast<int>(PlanDxfBatch(m.SheetCount, 10).size());
    int written = 0;
    for (auto _ : state) {
        state.PauseTiming();
        dialogs.files.clear();
        dialogs.asked.clear();
        for (int f = 0; f < files; ++f) {
            const fs::path p = dir.path / ("batch" + std::to_string(f) + ".dxf");
            fs::remove(p);
            dialogs.files.push_back(QString::fromStdString(p.string()));
        }
        state.ResumeTiming();
        DxfExport::BatchResult r = x.ExportAllSheets(m.SheetCount, "10", [&](int i) { ShowSheet(v, m, i); });
        written = r.sheetsWritten;
    }
    state.counters["sheets"] = m.SheetCount;
    state.counters["files"] = files;
    state.counters["written"] = written;
}
BENCHMARK(BM_MakeDxfBatch)->Arg(2000)->Unit(benchmark::kMillisecond);

long PeakRssKb() {
    rusage u{};
    getrusage(RUSAGE_SELF, &u);
    return u.ru_maxrss;
}

// "Make dxf" of every sheet into one file: how much the export adds to the
// process's peak memory beyond the network it draws.
void BM_MakeDxfOneFile(benchmark::State& state) {
    Model& m = Network(static_cast<int>(state.range(0)));
    TempFolder dir;
    ProfileViewState v;
    ScriptedDialogs dialogs;
    DxfExport x(m, v, dialogs);
    const fs::path file = dir.path / "all.dxf";
    const long before = PeakRssKb();
    for (auto _ : state) {
        state.PauseTiming();
        dialogs.files = {QString::fromStdString(file.string())};
        dialogs.answers = {true};  // the file of the last round is replaced
        dialogs.asked.clear();
        state.ResumeTiming();
        DxfExport::BatchResult r = x.ExportAllSheets(m.SheetCount, "1000000", [&](int i) { ShowSheet(v, m, i); });
        if (r.filesWritten != 1) state.SkipWithError("the file was not written");
    }
    std::error_code ec;
    state.counters["sheets"] = m.SheetCount;
    state.counters["file_MB"] = static_cast<double>(fs::file_size(file, ec)) / (1024.0 * 1024.0);
    state.counters["peak_rss_growth_MB"] = static_cast<double>(PeakRssKb() - before) / 1024.0;
}
BENCHMARK(BM_MakeDxfOneFile)->Arg(30000)->Unit(benchmark::kMillisecond);

void BM_DrawAllBlocks(benchmark::State& state) {
    Model& m = Network(static_cast<int>(state.range(0)));
    ProfileViewState v;
    ScriptedDialogs dialogs;
    int entities = 0;
    for (auto _ : state) {
        state.PauseTiming();
        auto app = std::make_unique<CadApplication>();
        CadDrawCommands c(m, v, dialogs);
        c.app = app.get();
        c.lineText = false;
        app->pendingPoints = {CadPoint{0, 0, 0}};
        state.ResumeTiming();
        c.DrawAll(m.SheetCount, [&](int i) { ShowSheet(v, m, i); });
        state.PauseTiming();
        entities = app->ActiveDocument().ModelSpace().Count();
        app.reset();
        state.ResumeTiming();
    }
    state.counters["sheets"] = m.SheetCount;
    state.counters["entities"] = entities;
}
BENCHMARK(BM_DrawAllBlocks)->Arg(2000)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace vd
