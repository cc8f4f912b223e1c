// Timings of the profile drawing on a generated network: every sheet into the
// in-memory DXF writer and a recording target, and one full sheet onto the
// canvas image as a redraw of the profile view paints it.
#include <benchmark/benchmark.h>

#include <charconv>
#include <map>
#include <memory>
#include <vector>

#include "engine/lateral_naming.h"
#include "engine/linking.h"
#include "engine/number_text.h"
#include "engine/process.h"
#include "engine/sheet_cutting.h"
#include "processed_network.h"
#include "platform/profile_canvas.h"
#include "profile_drawing/canvas_target.h"
#include "profile_drawing/drawing_settings.h"
#include "profile_drawing/dxf_output.h"
#include "profile_drawing/sheet_routine.h"
#include "profile_view/canvas_widget.h"
#include "profile_view/view_mapping.h"

namespace vd {
namespace {

// Keeps every mark, as a test's recording target does.
class Recorder : public ProfileOutput {
public:
    struct Mark {
        double x1, y1, x2, y2, colour;
        std::string text;
    };
    std::vector<Mark> marks;
    void Text(const Placement&, double x, double y, double colour, double, double, const std::string&,
              const std::string& text) override {
        marks.push_back({x, y, 0, 0, colour, text});
    }
    void Line(const Placement&, double x1, double y1, double x2, double y2, double colour,
              const std::string&) override {
        marks.push_back({x1, y1, x2, y2, colour, {}});
    }
};

// A processed network with its sheets cut, one per size.
Model& Processed(int count) { return ProcessedNetwork(count, 1000u + static_cast<unsigned>(count)); }

void ShowSheet(ProfileViewState& v, const Model& m, int sheet) {
    v.LoadSheet(m.SheetTable[sheet]);
    v.SelPos = v.SelPosEnd = static_cast<int16_t>(v.Band1End > 0 ? v.Band1Start : v.Band2Start);
}

// Every sheet drawn into one DXF text, as "DXF" writes them: through one
// writer that the export keeps from file to file (its buffer with it). The
// marks are counted once, outside the timing.
void BM_ProfileAllSheetsDxf(benchmark::State& state) {
    Model& m = Processed(static_cast<int>(state.range(0)));
    ProfileViewState v;
    auto drawAll = [&](ProfileOutput& target) {
        OutputSet out;
        out.Dxf = &target;
        for (int i = 0; i < m.SheetCount; ++i) {
            ShowSheet(v, m, i);
            v.DrawMode = kDrawDxf;
            Outcome o = scrp(m, v, out);
            benchmark::DoNotOptimize(o);
        }
    };
    Recorder rec;
    drawAll(rec);
    DxfProfileWriter writer;
    for (auto _ : state) {
        writer.Begin();
        drawAll(writer);
        writer.End();
    }
    state.counters["sheets"] = m.SheetCount;
    state.counters["marks"] = static_cast<double>(rec.marks.size());
    state.counters["dxf_bytes"] = static_cast<double>(writer.bytes().size());
}
BENCHMARK(BM_ProfileAllSheetsDxf)->Arg(2000)->Unit(benchmark::kMillisecond);

// The numbers the DXF writer formats, in its order.
class DxfNumbers : public ProfileOutput {
public:
    std::vector<double> values;
    void Text(const Placement& at, double x, double y, double colour, double height, double angle, const std::string&,
              const std::string&) override {
        values.insert(values.end(), {10 * x + at.DxfOffsetX, 10 * y + at.DxfOffsetY, angle, 10 * height});
        if (colour != 0) values.push_back(colour);
    }
    void Line(const Placement& at, double x1, double y1, double x2, double y2, double colour,
              const std::string&) override {
        values.insert(values.end(), {10 * x1 + at.DxfOffsetX, 10 * y1 + at.DxfOffsetY, 10 * x2 + at.DxfOffsetX,
                                     10 * y2 + at.DxfOffsetY});
        if (colour != 0) values.push_back(colour == 4 ? 30 : colour);
    }
};

// The floor of BM_ProfileAllSheetsDxf: the same numbers formatted by the
// fastest formatter there is, std::to_chars in its shortest form, into one
// reserved buffer, one a line.
void BM_ProfileDxfNumberFloor(benchmark::State& state) {
    Model& m = Processed(static_cast<int>(state.range(0)));
    ProfileViewState v;
    DxfNumbers numbers;
    OutputSet out;
    out.Dxf = &numbers;
    for (int i = 0; i < m.SheetCount; ++i) {
        ShowSheet(v, m, i);
        v.DrawMode = kDrawDxf;
        (void)scrp(m, v, out);
    }
    std::string buffer;
    buffer.reserve(numbers.values.size() * 26);
    for (auto _ : state) {
        buffer.clear();
        for (double x : numbers.values) {
            char text[40];
            const auto r = std::to_chars(text, text + sizeof text, x);
            buffer.append(text, r.ptr);
            buffer.append("\r\n", 2);
        }
        benchmark::DoNotOptimize(buffer.data());
    }
    state.counters["numbers"] = static_cast<double>(numbers.values.size());
}
BENCHMARK(BM_ProfileDxfNumberFloor)->Arg(2000)->Unit(benchmark::kMillisecond);

// The sheet with the most lines, as the profile view first shows it: whole,
// filling a canvas of 1600 x 1000 pixels.
void BM_ProfileSheetCanvas(benchmark::State& state) {
    Model& m = Processed(static_cast<int>(state.range(0)));
    int fullest = 0, most = -1;
    for (int i = 0; i < m.SheetCount; ++i) {
        const SheetRecord& s = m.SheetTable[i];
        int lines = (s.Band1End > 0 ? s.Band1End - s.Band1Start + 1 : 0) +
                    (s.Band2End > 0 ? s.Band2End - s.Band2Start + 1 : 0);
        if (lines > most) most = lines, fullest = i;
    }
    ProfileViewState v;
    ShowSheet(v, m, fullest);
    {
        CanvasMarks marks;
        OutputSet measure;
        measure.Canvas = &marks;
        (void)scrp(m, v, measure);
        FrameSheet(v, MarksExtent(marks.marks(), v.ViewOriginX, v.ViewTopY), 1600, 1000);
    }
    ProfileCanvas canvas(1600, 1000);
    canvas.SetScale(v.ScaleWidth, v.ScaleHeight);
    CanvasTarget target(canvas);
    OutputSet out;
    out.Canvas = &target;
    for (auto _ : state) {
        canvas.Clear();
        v.DrawMode = kDrawCanvas;
        Outcome o = scrp(m, v, out);
        benchmark::DoNotOptimize(o);
    }
    state.counters["lines"] = most;
}
BENCHMARK(BM_ProfileSheetCanvas)->Arg(2000)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace vd
