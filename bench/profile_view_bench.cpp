// The redraw behind one zoom or pan step of the profile view: clear the
// canvas's marks and draw the fullest sheet of a generated network again.
#include <benchmark/benchmark.h>

#include "engine/lateral_naming.h"
#include "engine/linking.h"
#include "engine/number_text.h"
#include "engine/process.h"
#include "engine/sheet_cutting.h"
#include "processed_network.h"
#include "profile_drawing/drawing_settings.h"
#include "profile_drawing/sheet_routine.h"
#include "profile_view/canvas_widget.h"
#include "profile_view/selection.h"

namespace vd {
namespace {

void BM_ProfileRedraw(benchmark::State& state) {
    Model& m = ProcessedNetwork(static_cast<int>(state.range(0)), 2000u);
    int fullest = 0, most = -1;
    for (int i = 0; i < m.SheetCount; ++i) {
        ProfileViewState probe;
        ShowSheet(probe, m, i);
        int lines = 0;
        for (int band : {1, 2})
            if (Strip(probe, band).present()) lines += Strip(probe, band).start - Strip(probe, band).end + 1;
        if (lines > most) most = lines, fullest = i;
    }
    CanvasMarks canvas;
    canvas.SetScale(600, 400);
    OutputSet out;
    out.Canvas = &canvas;
    ProfileViewState v;
    ShowSheet(v, m, fullest);
    v.ViewTopY = 60;
    for (auto _ : state) {
        canvas.Clear();
        v.DrawMode = kDrawCanvas;
        v.ViewOriginX += 1;  // a pan step
        Outcome o = scrp(m, v, out);
        benchmark::DoNotOptimize(o);
    }
    state.counters["lines"] = most;
    state.counters["marks"] = static_cast<double>(canvas.marks().size());
}
BENCHMARK(BM_ProfileRedraw)->Arg(2000)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace vd
