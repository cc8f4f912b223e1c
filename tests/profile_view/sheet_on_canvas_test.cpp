// The sample's sheets on the profile view's canvas: each sheet first shows
// whole, the zoom bar steps evenly down to a few lines, the selection box
// stays on the canvas, and the canvas's texts stand where the DXF puts them.
#include <gtest/gtest.h>

#include <QComboBox>
#include <QWidget>
#include <QScrollBar>
#include <cmath>
#include <sstream>

#include "engine/number_text.h"
#include "platform/profile_canvas.h"
#include "profile_drawing/canvas_target.h"
#include "profile_drawing/dxf_output.h"
#include "profile_view/canvas_widget.h"
#include "profile_view/profile_control.h"
#include "profile_view/selection.h"
#include "profile_view/view_mapping.h"
#include "recording_ui.h"
#include "temp_dir.h"
#include "town_network.h"
#include "widget_lookup.h"

namespace vd {
namespace {

struct Canvas {
    test::TempDir dir{"sheet_on_canvas"};
    test::RecordingUi ui;
    Model m;
    ScriptedDialogs dialogs;
    std::unique_ptr<ProfileControl> c;

    explicit Canvas(int width = 1200, int height = 700) {
        m.SetUi(&ui);
        EXPECT_TRUE(test::OpenProcessedTown(m, dir.path()));
        c = std::make_unique<ProfileControl>(m, dialogs, nullptr, QString::fromStdString(dir.folder()));
        c->resize(width, height);
        c->ReloadSheetOptions();
        m.SheetLayoutMode = CInt(m.ObjectStyles[26].Color);
        c->ff();
        c->Resize1();
    }
    ~Canvas() {
        c.reset();
        m.SetUi(nullptr);
    }
    ProfileViewState& v() { return c->view(); }
    ProfileCanvasWidget& canvas() { return c->canvasWidget(); }
    const std::vector<CanvasMark>& marks() { return canvas().marks().marks(); }
    QScrollBar* zoomBar() { return test::Child<QScrollBar>(c.get(), "HScroll1"); }
    int key(int code, int mask = 0) {
        c->prof1_KeyDown(code, mask);
        return code;
    }
    // The drawing plane the canvas shows.
    DrawingRect window() {
        DrawingRect r;
        r.include(v().ViewOriginX, v().ViewTopY);
        r.include(v().ViewOriginX + v().ScaleWidth, v().ViewTopY - v().ScaleHeight);
        return r;
    }
    DrawingRect drawn() { return MarksExtent(marks(), v().ViewOriginX, v().ViewTopY); }
    // The selection box, in drawing units.
    DrawingRect box() {
        DrawingRect r;
        for (const CanvasMark& k : marks())
            if (k.kind == CanvasMark::Box) {
                r.include(k.x1 + v().ViewOriginX, v().ViewTopY - k.y1);
                r.include(k.x2 + v().ViewOriginX, v().ViewTopY - k.y2);
            }
        return r;
    }
};

// One scale both ways, the one the view computed, and the whole sheet filling the canvas.
void ExpectWholeSheet(Canvas& f, const std::string& how) {
    SCOPED_TRACE(how);
    ASSERT_GT(f.marks().size(), 50u);
    EXPECT_EQ(f.zoomBar()->value(), kZoomBarMax);
    EXPECT_DOUBLE_EQ(f.canvas().marks().ScaleWidth(), f.v().ScaleWidth);
    EXPECT_NEAR(f.v().ScaleWidth / f.v().ScaleHeight, double(f.canvas().width()) / f.canvas().height(), 1e-9);
    const DrawingRect all = f.drawn(), window = f.window();
    EXPECT_TRUE(window.contains(all)) << all.left << " " << all.bottom << " " << all.right << " " << all.top;
    EXPECT_GT(std::max(all.width() / window.width(), all.height() / window.height()), 0.95);
}

TEST(SheetOnCanvas, EveryWayToASheetShowsItWhole) {
    Canvas f;
    ASSERT_GE(f.m.SheetCount, 3);
    ExpectWholeSheet(f, "Profile");
    test::Child<QComboBox>(f.c.get(), "Combo1")->setCurrentIndex(2);
    ExpectWholeSheet(f, "the list");
    f.key(34);
    ExpectWholeSheet(f, "PgDn");
    f.key(33);
    f.key(33);
    ExpectWholeSheet(f, "PgUp");
    const int last = f.m.SheetCount - 1;
    const SheetRecord& row = f.m.SheetTable[last];
    const int line = f.m.Links[row.Band2End > 0 ? row.Band2End : row.Band1End].PosLine;
    f.c->findsheet(line);
    ExpectWholeSheet(f, "findsheet");
    EXPECT_EQ(SelectedLine(f.v(), f.m), line);
    EXPECT_TRUE(f.window().contains(f.box()));
    f.c->resize(900, 800);
    f.c->Resize1();
    ExpectWholeSheet(f, "a taller window");
}

// The host sites the view below its buttons but as tall as itself: the
// canvas still ends above the host's status and progress bars.
TEST(SheetOnCanvas, TheCanvasEndsAboveTheHostsFoot) {
    test::TempDir dir{"canvas_foot"};
    Model m;
    ScriptedDialogs dialogs;
    QWidget host;
    host.resize(1000, 700);
    ProfileControl view(m, dialogs, &host, QString::fromStdString(dir.folder()));
    view.setGeometry(0, 24, 1000, 700);
    view.Resize1();
    const QRect canvas = view.canvasWidget().geometry().translated(view.pos());
    EXPECT_LE(canvas.bottom(), 700 - 25);  // the status bar's height
    EXPECT_GE(canvas.bottom(), 700 - 40);
}

// The whole sheet is too small to read any text: each shows as a bar of its
// colour over its letters' room, so the sheet shows where its labels stand.
TEST(SheetOnCanvas, TheWholeSheetShowsWhereItsTextsStand) {
    Canvas f;
    const double k = f.canvas().PixelsPerUnit();
    const QImage img = f.canvas().grab().toImage();
    int texts = 0, shown = 0;
    for (const CanvasMark& m : f.marks()) {
        if (m.kind != CanvasMark::Text) continue;
        const double cap = CanvasTextPixels(m.height, k);
        EXPECT_LT(cap, kSmallestCanvasTextPixels) << m.text;
        // The bar's middle, turned with the text about its point.
        const double a = m.escapement / 10.0 * 3.14159265358979 / 180;
        const double along = CanvasTextLength(m.text, cap) / 2, up = std::max(cap, 1.0) / 2;
        const QPoint mid(static_cast<int>(std::floor(m.x1 * k + along * std::cos(a) - up * std::sin(a))),
                         static_cast<int>(std::floor(m.y1 * k - along * std::sin(a) - up * std::cos(a))));
        ++texts;
        shown += img.valid(mid) && img.pixel(mid) == QColor(m.rgb & 0xFF, (m.rgb >> 8) & 0xFF, m.rgb >> 16).rgb();
    }
    ASSERT_GT(texts, 100);
    EXPECT_GT(shown, texts * 9 / 10) << texts << " " << shown;
}

// Step by step down the bar, as the user clicks it: one factor a step, the
// centre kept, something of the sheet always on the canvas.
TEST(SheetOnCanvas, ZoomBarStepsEvenlyDownToAFewLines) {
    Canvas f;
    const DrawingRect sheet = f.drawn();
    double width = f.v().ScaleWidth, factor = 0;
    for (int z = kZoomBarMax - 1; z >= kZoomBarMin; --z) {
        const DrawingRect before = f.window();
        f.zoomBar()->setValue(z);
        const DrawingRect after = f.window();
        const double step = width / f.v().ScaleWidth;
        if (factor == 0) factor = step;
        EXPECT_NEAR(step, factor, 1e-9) << z;
        width = f.v().ScaleWidth;
        EXPECT_NEAR((after.left + after.right) / 2, (before.left + before.right) / 2, 1e-6) << z;
        EXPECT_NEAR((after.top + after.bottom) / 2, (before.top + before.bottom) / 2, 1e-6) << z;
        EXPECT_DOUBLE_EQ(f.canvas().marks().ScaleWidth(), width);
        EXPECT_LT(std::max(after.left, sheet.left), std::min(after.right, sheet.right)) << z;
        EXPECT_LT(std::max(after.bottom, sheet.bottom), std::min(after.top, sheet.top)) << z;
    }
    EXPECT_GT(factor, 1.01);
    EXPECT_LT(factor, 1.1);
    EXPECT_DOUBLE_EQ(f.v().ScaleWidth, kCloseUpWidth);
    // A few lines across: the sample's lines are 30 to 100 m long.
    int across = 0;
    for (int p = Strip(f.v(), 1).start; p >= Strip(f.v(), 1).end; --p) {
        const int line = f.m.Links[p].PosLine;
        const double x = f.m.Results[line].ProfX, len = f.m.Lines[line].Len / 10.0;
        across += x >= f.window().left - len && x + len <= f.window().right + len;
    }
    EXPECT_GE(across, 2);
    EXPECT_LE(across, 6);

    // The presets are clamped to the bar as before.
    f.v().Zoom1Scale = 500;
    f.c->Command2_Click();
    EXPECT_EQ(f.zoomBar()->value(), kZoomBarMax);
    f.v().Zoom2Scale = -50;
    f.c->Command1_Click();
    EXPECT_EQ(f.zoomBar()->value(), kZoomBarMin);
}

TEST(SheetOnCanvas, TheSelectionBoxStaysOnTheCanvas) {
    for (auto [w, h] : {std::pair{1200, 700}, std::pair{1000, 360}}) {
        Canvas f(w, h);
        auto onCanvas = [&](const std::string& how) {
            SCOPED_TRACE(how);
            const DrawingRect box = f.box();
            ASSERT_FALSE(box.empty());
            const int line = SelectedLine(f.v(), f.m);
            EXPECT_NEAR(box.left, f.m.Results[line].ProfX, 1e-4);
            EXPECT_NEAR(box.right, f.m.Results[line].ProfX + f.m.Lines[line].Len / 10, 1e-4);
            EXPECT_TRUE(f.window().contains(box));
        };
        onCanvas("first view");
        // Through both strips and round again.
        for (int i = 0; i < 16; ++i) {
            f.key(9);
            onCanvas("Tab " + std::to_string(i));
            EXPECT_NEAR((f.box().left + f.box().right) / 2, (f.window().left + f.window().right) / 2, 1e-4);
        }
        f.key(9, 1);
        onCanvas("Shift+Tab");
        f.zoomBar()->setValue(kZoomBarMax);
        f.c->Command7_Click();
        onCanvas("Zoom to Selection");
        // A right click on the next line of the strip, at a closer zoom.
        f.zoomBar()->setValue(kZoomBarMin + 10);
        const int band = StripOf(f.v(), f.v().SelPos);
        const int next = f.v().SelPos > Strip(f.v(), band).end ? f.v().SelPos - 1 : f.v().SelPos + 1;
        const int line = f.m.Links[next].PosLine;
        const double x = f.m.Results[line].ProfX + f.m.Lines[line].Len / 20 - f.v().ViewOriginX;
        const double y = f.v().ViewTopY - f.v().SelBaseY;
        ASSERT_GT(x, 0);
        ASSERT_LT(x, f.v().ScaleWidth);
        f.c->prof1_MouseDown(2, x, y);
        f.c->prof1_MouseUp(2, x, y);
        EXPECT_EQ(f.v().SelPos, next);
        const DrawingRect box = f.box();
        EXPECT_TRUE(box.left < x + f.v().ViewOriginX && x + f.v().ViewOriginX < box.right);
        EXPECT_TRUE(box.bottom < f.v().SelBaseY && f.v().SelBaseY < box.top);
    }
}

struct PlacedText {
    std::string text;
    double x, y, height, angle;
};

// The TEXT entities of a profile DXF, in drawing units.
std::vector<PlacedText> DxfTexts(const std::string& bytes) {
    std::vector<std::pair<int, std::string>> groups;
    std::istringstream in(bytes);
    std::string code, value;
    while (std::getline(in, code) && std::getline(in, value)) {
        if (!value.empty() && value.back() == '\r') value.pop_back();
        groups.emplace_back(static_cast<int>(Val(code)), value);
    }
    std::vector<PlacedText> out;
    for (std::size_t i = 0; i < groups.size(); ++i) {
        if (groups[i].first != 0 || groups[i].second != "TEXT") continue;
        PlacedText t{};
        for (std::size_t j = i + 1; j < groups.size() && groups[j].first != 0; ++j) {
            const double n = Val(groups[j].second);
            switch (groups[j].first) {
                case 10: t.x = n / 10; break;
                case 20: t.y = n / 10; break;
                case 40: t.height = n / 10; break;
                case 50: t.angle = n; break;
                case 1: t.text = groups[j].second; break;
            }
        }
        out.push_back(t);
    }
    return out;
}

// The screen writes a few symbols its own way: "%o" for " o/oo", no "%%c".
std::string ScreenForm(std::string t) {
    for (const char* sign : {"%%c", "%%C"})
        for (std::size_t at; (at = t.find(sign)) != std::string::npos;) t.erase(at, 3);
    for (std::size_t at; (at = t.find(" o/oo")) != std::string::npos;) t.replace(at, 5, "%o");
    return t;
}

// Each text the DXF holds is on the canvas with the same words, in the same
// place and at the same height within a pixel at the closest zoom; the
// canvas holds no other texts but its screen notes.
TEST(SheetOnCanvas, TextsStandWhereTheDxfHasThem) {
    Canvas f;
    const double pixel = kCloseUpWidth / f.canvas().width();  // drawing units
    for (int sheet : {0, 1, f.m.SheetCount - 1}) {
        SCOPED_TRACE("sheet " + std::to_string(sheet));
        test::Child<QComboBox>(f.c.get(), "Combo1")->setCurrentIndex(sheet);
        std::vector<PlacedText> screen;
        for (const CanvasMark& k : f.marks())
            if (k.kind == CanvasMark::Text)
                screen.push_back({ScreenForm(k.text), k.x1 + f.v().ViewOriginX, f.v().ViewTopY - k.y1, k.height,
                                  std::fmod(k.escapement / 10.0 + 360, 360)});
        DxfProfileWriter writer;
        writer.Begin();
        f.c->outputs.Dxf = &writer;
        f.v().DrawMode = kDrawDxf;
        f.c->Redraw();
        f.c->outputs.Dxf = nullptr;
        writer.End();
        const std::vector<PlacedText> file = DxfTexts(writer.bytes());
        ASSERT_GT(file.size(), 40u);
        std::vector<bool> matched(screen.size(), false);
        for (const PlacedText& t : file) {
            const std::string words = ScreenForm(t.text);
            auto same = [&](const PlacedText& s) {
                const double turn = std::fabs(std::remainder(s.angle - t.angle, 360));
                return s.text == words && std::hypot(s.x - t.x, s.y - t.y) <= pixel &&
                       std::fabs(s.height - t.height) <= pixel && turn < 0.1;
            };
            std::size_t i = 0;
            while (i < screen.size() && (matched[i] || !same(screen[i]))) ++i;
            if (i == screen.size()) {
                ADD_FAILURE() << "\"" << t.text << "\" at " << t.x << ", " << t.y << " h " << t.height;
                continue;
            }
            matched[i] = true;
        }
        for (std::size_t i = 0; i < screen.size(); ++i) {
            if (matched[i]) continue;
            const std::string& s = screen[i].text;
            const bool screenNote = s == "DDF" || s == "SDF" || s == "S,D" || s.rfind("Vd=", 0) == 0 || s.rfind("VM1=", 0) == 0;
            EXPECT_TRUE(screenNote) << "only on the screen: \"" << s << "\"";
        }
    }
}

}  // namespace
}  // namespace vd
