// The profile view on the sample network: captions, the sheet list, zoom,
// selection through the control, and every key on both key handlers.
#include <gtest/gtest.h>

#include <QCheckBox>
#include <QComboBox>
#include <QFrame>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRegularExpression>
#include <cmath>
#include <QScrollBar>
#include <QTest>
#include <filesystem>
#include <fstream>
#include <functional>
#include <map>

#include "engine/linking.h"
#include "engine/lateral_naming.h"
#include "engine/network_file.h"
#include "engine/number_text.h"
#include "engine/process.h"
#include "profile_drawing/drawing_settings.h"
#include "profile_view/canvas_widget.h"
#include "profile_view/key_table.h"
#include "profile_view/profile_control.h"
#include "profile_view/search.h"
#include "profile_view/selection.h"
#include "recording_ui.h"
#include "temp_dir.h"
#include "widget_lookup.h"
#include "town_network.h"

namespace vd {
namespace {

namespace fs = std::filesystem;

struct View {
    test::TempDir dir{"profile_view"};
    test::RecordingUi ui;
    Model m;
    ScriptedDialogs dialogs;
    std::unique_ptr<ProfileControl> c;

    explicit View(bool town = true) {
        m.SetUi(&ui);
        if (town) {
            EXPECT_TRUE(test::OpenProcessedTown(m, dir.path()));
            const float sizes[] = {150, 200, 250, 300, 400, 500, 600, 800};
            for (int i = 0; i < 8; ++i) m.DiaTable[i + 1] = {sizes[i], 0.002f, 3, 0.013f, 0.8f, 0, 0, 0};
            m.DiaCount = 8;
        }
        c = std::make_unique<ProfileControl>(m, dialogs, nullptr, QString::fromStdString(dir.folder()));
        c->resize(900, 560);
        c->ReloadSheetOptions();
        m.SheetLayoutMode = CInt(m.ObjectStyles[26].Color);
        c->ff();
        c->Resize1();
    }
    ~View() {
        c.reset();
        m.SetUi(nullptr);
    }
    ProfileViewState& v() { return c->view(); }
    int key(KeyTarget t, int code, int mask = 0) {
        if (t == KeyTarget::Canvas)
            c->prof1_KeyDown(code, mask);
        else
            c->Picture1_KeyDown(code, mask);
        return code;
    }
    int selected() { return SelectedLine(v(), m); }
    QComboBox* sheetList() { return test::Child<QComboBox>(c.get(), "Combo1"); }
    QScrollBar* sheetScroll() { return test::Child<QScrollBar>(c.get(), "VScroll5"); }
    QScrollBar* zoomBar() { return test::Child<QScrollBar>(c.get(), "HScroll1"); }
    QScrollBar* stepBar(int k) { return test::Child<QScrollBar>(c.get(), QString("VScroll%1").arg(k)); }
    QFrame* keyHelp() { return test::Child<QFrame>(c.get(), "Frame9"); }
};

template <class W>
QString Caption(QWidget& root, const char* name) {
    W* w = root.findChild<W*>(name);
    return w ? w->text() : QString("<missing %1>").arg(name);
}

TEST(ProfileControl, CaptionsAndHelp) {
    View f(false);
    struct {
        const char* name;
        const char* caption;
    } buttons[] = {
        {"Command2", "Zoom1 (Space)"},
        {"Command1", "Zoom2 (F5)"},
        {"Command8", "Zoom1 Set"},
        {"Command9", "Zoom2 Set"},
        {"Command3", "Next Selection (Tab)"},
        {"Command4", "Previous Selection(Shift+Tab)"},
        {"Command5", "Add to Selection (Ctrl + Right Arrow)"},
        {"Command6", "Remove Selection (Ctrl+Left arrow)"},
        {"Command7", "Zoom to Selection (Space)"},
        {"Command10", " Mean"},
    };
    for (auto b : buttons) EXPECT_EQ(Caption<QPushButton>(*f.c, b.name), b.caption) << b.name;
    EXPECT_EQ(Caption<QLabel>(*f.c, "Label9"), "Step  :");
    EXPECT_EQ(Caption<QLabel>(*f.c, "Label8"), "1");
    EXPECT_EQ(Caption<QLabel>(*f.c, "Label10"), "Right-click---->Select Line");
    QStringList help;
    for (QLabel* l : f.keyHelp()->findChildren<QLabel*>()) help << l->text();
    ASSERT_EQ(help.size(), static_cast<qsizetype>(KeyHelp().size()));
    for (std::size_t i = 0; i < KeyHelp().size(); ++i) EXPECT_EQ(help[i], KeyHelp()[i].caption);
    EXPECT_TRUE(f.keyHelp()->isHidden());
    f.c->Command41_Click();
    EXPECT_FALSE(f.keyHelp()->isHidden());
    f.c->Command42_Click();
    EXPECT_TRUE(f.keyHelp()->isHidden());
    for (const char* name : {"prof1", "Combo1", "VScroll5", "HScroll1", "VScroll1", "VScroll4", "Frame9"})
        EXPECT_NE(f.c->findChild<QWidget*>(name), nullptr) << name;
}

TEST(ProfileControl, ProfileShowsTheFirstSheet) {
    View f;
    ASSERT_GE(f.m.SheetCount, 2);
    ASSERT_EQ(f.sheetList()->count(), f.m.SheetCount);
    EXPECT_EQ(f.sheetList()->currentIndex(), 0);
    EXPECT_EQ(f.sheetScroll()->maximum(), f.m.SheetCount - 1);
    EXPECT_EQ(f.zoomBar()->value(), kZoomBarMax);  // the whole sheet
    EXPECT_GT(f.c->canvasWidget().marks().marks().size(), 50u);
    EXPECT_NE(f.selected(), 0);
    EXPECT_EQ(f.v().SheetIndex, 0);

    // The list, the scroll bar and PgDn/PgUp lead to the same sheet.
    f.sheetList()->setCurrentIndex(1);
    EXPECT_EQ(f.v().SheetIndex, 1);
    EXPECT_EQ(f.sheetScroll()->value(), 1);
    f.sheetScroll()->setValue(0);
    EXPECT_EQ(f.sheetList()->currentIndex(), 0);
    EXPECT_EQ(f.v().SheetIndex, 0);
    const std::size_t marks = f.c->canvasWidget().marks().marks().size();
    f.sheetScroll()->setValue(0);  // the sheet already shown: no redraw
    EXPECT_EQ(f.c->canvasWidget().marks().marks().size(), marks);

    // Zoom to selection with the default preset zoom 0.2: a close view round the line.
    f.key(KeyTarget::Canvas, 9);
    EXPECT_LT(f.zoomBar()->value(), 20);
    EXPECT_GE(f.zoomBar()->value(), 0);
    const DrawingRect box = SelectionBoxOf(f.v(), f.m);
    EXPECT_NEAR(f.v().ViewOriginX + f.v().ScaleWidth / 2, (box.left + box.right) / 2, 1e-6);

    // Zoom Set buttons store record 26 and do not redraw.
    f.zoomBar()->setValue(12);
    f.v().ViewTopY = f.v().SelBaseY - 3;
    f.c->Command8_Click();
    Model reread;
    ASSERT_TRUE(LoadDrawingSettings(reread, f.dir.folder()).ok());
    EXPECT_EQ(reread.ObjectStyles[25].TextHeight, 12);
    EXPECT_NEAR(reread.ObjectStyles[25].VSpace, 3, 1e-5);

    // A drag pans; a right click picks the line under the pointer.
    f.v().ViewTopY = 60, f.v().ViewOriginX = 0;
    f.c->prof1_MouseDown(1, 100, 50);
    f.c->prof1_MouseUp(1, 90, 60);
    EXPECT_EQ(f.v().ViewOriginX, 10);
    EXPECT_EQ(f.v().ViewTopY, 70);
    const int far = Strip(f.v(), f.v().SelBand).end;
    const int farLine = f.m.Links[far].PosLine;
    const double x = f.m.Results[farLine].ProfX + f.m.Lines[farLine].Len / 20.0 - f.v().ViewOriginX;
    f.c->prof1_MouseDown(2, x, f.v().ViewTopY - f.v().SelBaseY);
    f.c->prof1_MouseUp(2, x, f.v().ViewTopY - f.v().SelBaseY);
    EXPECT_EQ(f.v().SelPos, far);
}

TEST(ProfileControl, FindsheetShowsTheLineAndSyncsTheList) {
    View f;
    const int last = f.m.SheetCount - 1;
    const SheetRecord& row = f.m.SheetTable[last];
    const int line = f.m.Links[row.Band2End > 0 ? row.Band2End : row.Band1End].PosLine;
    f.c->findsheet(line);
    EXPECT_EQ(f.v().SheetIndex, last);
    EXPECT_EQ(f.sheetList()->currentIndex(), last);
    EXPECT_EQ(f.sheetScroll()->value(), last);
    EXPECT_EQ(f.selected(), line);
    f.c->findsheet(0);  // nothing
    EXPECT_EQ(f.selected(), line);
}

// The canvas's texts that begin with `prefix`.
QStringList CanvasTexts(View& f, const std::string& prefix) {
    QStringList found;
    for (const CanvasMark& m : f.c->canvasWidget().marks().marks())
        if (m.kind == CanvasMark::Text && m.text.rfind(prefix, 0) == 0) found << QString::fromStdString(m.text);
    return found;
}

// Sheet numbers show only after Alt+R, and then the list names every sheet
// by the number its drawing prints.
TEST(ProfileControl, SheetNumbersWaitForAltRAndTheListShowsThem) {
    View f;
    ASSERT_GE(f.m.SheetCount, 2);
    ASSERT_EQ(f.sheetList()->count(), f.m.SheetCount);
    EXPECT_FALSE(f.v().ShowSheetLabel);
    for (int i = 0; i < f.m.SheetCount; ++i) {
        f.sheetList()->setCurrentIndex(i);
        EXPECT_TRUE(CanvasTexts(f, "DWG#").isEmpty()) << "sheet " << i;
        // No joining invert carries a sheet number ("I.E.  102.40 1").
        const QRegularExpression numbered(R"(^I\.E\. +-?[0-9]+\.[0-9]{2} +-?[0-9]+$)");
        for (const QString& t : CanvasTexts(f, "I.E. ")) EXPECT_FALSE(numbered.match(t).hasMatch()) << t.toStdString();
    }
    f.key(KeyTarget::Canvas, 82, 4);  // Alt+R
    int labelled = 0;
    for (int i = 0; i < f.m.SheetCount; ++i) {
        f.sheetList()->setCurrentIndex(i);
        const QStringList labels = CanvasTexts(f, "DWG#(");
        // The label stands under the lower strip; an incoming note may name the sheet before.
        if (f.v().Band2End > 0) {
            EXPECT_TRUE(labels.contains("DWG#(" + f.sheetList()->itemText(i) + ")"))
                << "sheet " << i << ": " << labels.join(' ').toStdString();
            ++labelled;
        }
    }
    EXPECT_GT(labelled, 0);
    f.key(KeyTarget::Canvas, 82, 4);
    EXPECT_TRUE(CanvasTexts(f, "DWG#").isEmpty());
}

// "Profile" starts the selection base on the upper strip's base, or at
// 58 + 4 x BandLift when the sheet's upper strip is empty.
TEST(ProfileControl, FirstViewSelectionBase) {
    struct Case { int b1Start, b1End, b2Start, b2End, bandLift; double base; } cases[] = {
        {4, 3, 2, 1, 1, 66.2}, {4, 3, 0, 0, 1, 66.2}, {0, 0, 2, 1, 1, 62}, {0, 0, 2, 1, 0, 58}, {0, 0, 2, 1, 2, 66},
    };
    for (const Case& c : cases) {
        ProfileViewState v;
        v.Band1Start = c.b1Start, v.Band1End = c.b1End, v.Band2Start = c.b2Start, v.Band2End = c.b2End;
        v.BandLift = static_cast<int16_t>(c.bandLift);
        EXPECT_NEAR(FirstViewBaseY(v), c.base, 1e-5) << c.b1End << " " << c.bandLift;
    }
}

// The style page's colour sample takes the mouse as the canvas does: a drag
// pans, the right button picks the line under the pointer.
TEST(ProfileControl, ColourSampleMouseDragsAndPicks) {
    View f;
    QWidget* sample = test::Child<QWidget>(f.c.get(), "Picture1");
    ASSERT_NE(sample, nullptr);
    sample->resize(80, 40);
    ProfileCanvasWidget& canvas = f.c->canvasWidget();
    const double ux = canvas.marks().ScaleWidth() / canvas.width(), uy = canvas.marks().ScaleHeight() / canvas.height();

    f.v().ViewOriginX = 0, f.v().ViewTopY = 60;
    QTest::mousePress(sample, Qt::LeftButton, {}, QPoint(40, 10));
    QTest::mouseRelease(sample, Qt::LeftButton, {}, QPoint(20, 30));
    EXPECT_NEAR(f.v().ViewOriginX, 20 * ux, 1e-9);
    EXPECT_NEAR(f.v().ViewTopY, 60 + 20 * uy, 1e-9);

    // The far line of the selected strip, brought under the sample.
    const int far = Strip(f.v(), f.v().SelBand).end;
    ASSERT_NE(f.v().SelPos, far);
    const int line = f.m.Links[far].PosLine;
    f.v().ViewOriginX = f.m.Results[line].ProfX - 2 * ux;
    f.v().ViewTopY = f.v().SelBaseY + (f.v().SelBand == 1 ? 40 : 5);
    const QPoint at(2 + std::max(1, static_cast<int>(std::lround(f.m.Lines[line].Len / 20.0 / ux))), 3);
    ASSERT_LT(at.x(), sample->width());
    QTest::mousePress(sample, Qt::RightButton, {}, at);
    QTest::mouseRelease(sample, Qt::RightButton, {}, at);
    EXPECT_EQ(f.v().SelPos, far);
    EXPECT_EQ(f.v().SelPosEnd, far);
}

// The key help says what each key it names does on the canvas.
TEST(KeyTable, HelpAgreesWithTheKeys) {
    using C = KeyCommand;
    // What each caption promises, read as a user would.
    const std::map<std::string, C> promised = {
        {"Alt+T----->Profile Type", C::TextSize},      {"Press D----->Draw all", C::DrawAll},
        {"Press S----->Make dxf", C::MakeDxf},         {"Press [0...9]----->Change  Step", C::PanStepDigit},
        {"Alt+B----->Base Of Draw", C::LatBase},       {"Alt +H ----->Prof Hight", C::BandLift},
        {"Alt+I----->Hydrulic Iformation", C::LineInfo}, {"Alt+R----->Sheet Numbers", C::SheetLabel},
        {"Press L----->Lateral Numbers", C::LKey},     {"F2----->Larger Dia, DDF", C::PipeLarger},
        {"Alt+F2----->Smaller Dia", C::PipeSmaller},   {"F5----->Zoom Out", C::Zoom2},
        {"Space ----->Zoom To Selected Line, In The Middle", C::ZoomToSelection},
        {"F8----->Search", C::Search},
        {"F9, Alt+F9----->Lateral", C::BranchOrNext},
    };
    std::size_t keys = 0;
    for (const KeyHelpEntry& e : KeyHelp()) {
        if (e.keyCode == 0) continue;
        ++keys;
        auto it = promised.find(e.caption);
        ASSERT_NE(it, promised.end()) << e.caption;
        EXPECT_EQ(e.command, it->second) << e.caption;
        EXPECT_EQ(LookUpKey(KeyTarget::Canvas, e.keyCode, e.mask).command, it->second) << e.caption;
    }
    EXPECT_EQ(keys, promised.size());
    // Every digit sets the step; Alt+F9 goes the other way.
    for (int code = 48; code <= 57; ++code) EXPECT_EQ(LookUpKey(KeyTarget::Canvas, code, 0).command, C::PanStepDigit);
    EXPECT_EQ(LookUpKey(KeyTarget::Canvas, 120, kAltMask).command, C::BranchOrUp);
}

// Every row of the key table, on the canvas and on the colour sample.
TEST(ProfileControl, KeyTableOnBothHandlers) {
    using T = KeyTarget;
    struct Case {
        const char* what;
        T target;
        int code, mask;
        std::function<void(View&)> prepare;
        std::function<void(View&, const ProfileViewState& before)> check;
    };
    auto none = [](View&) {};
    auto same = [](View& f, const ProfileViewState& b) {
        EXPECT_EQ(f.v().SelPos, b.SelPos);
        EXPECT_EQ(f.v().ViewOriginX, b.ViewOriginX);
        EXPECT_EQ(f.v().ViewTopY, b.ViewTopY);
        EXPECT_EQ(f.v().PanStep, b.PanStep);
        EXPECT_EQ(f.v().BandLift, b.BandLift);
    };
    auto status = [](const char* text) {
        return [text](View& f, const ProfileViewState&) { EXPECT_EQ(f.ui.status, text); };
    };
    auto panStep = [](int n) { return [n](View& f, const ProfileViewState&) { EXPECT_EQ(f.v().PanStep, n); }; };
    auto bandLift = [](int from, int to) {
        return std::make_pair([from](View& f) { f.v().BandLift = static_cast<int16_t>(from); },
                              [to](View& f, const ProfileViewState&) { EXPECT_EQ(f.v().BandLift, to); });
    };
    auto latBase = [](double from, double to) {
        auto lat = [](View& f) -> double& { return f.m.LatTable[f.m.Links[f.selected()].LatNo][LatBase]; };
        return std::make_pair([from, lat](View& f) { lat(f) = from; },
                              [to, lat](View& f, const ProfileViewState&) { EXPECT_EQ(lat(f), to); });
    };
    auto scroll = [](int bar, int delta) {
        return [bar, delta](View& f, const ProfileViewState&) { EXPECT_EQ(f.stepBar(bar)->value(), delta); };
    };
    auto pipe = [](bool larger, bool marked) {
        return [larger, marked](View& f, const ProfileViewState& b) {
            const LineRecord& l = f.m.Lines[SelectedLine(b, f.m)];
            if (larger) { EXPECT_GT(l.Dia, 300); }
            if (!larger) { EXPECT_EQ(l.Dia, 300); }
            EXPECT_EQ(l.Status.view().substr(0, 2), marked ? "DE" : "E ");
        };
    };
    auto pipePrep = [](View& f) {
        LineRecord& l = f.m.Lines[f.selected()];
        l.Dia = 300;
        l.Status = "E";
    };
    const auto h8 = bandLift(8, 0), h7 = bandLift(7, 8), h4 = bandLift(4, 0), h3 = bandLift(3, 4);
    const auto b12 = latBase(12, -4), b11 = latBase(11, 12), b7 = latBase(7, -1), bm = latBase(-1, 0);
    std::vector<Case> cases = {
        {"Esc", T::Canvas, 27, 0, none, same},
        {"Tab", T::Canvas, 9, 0, none, [](View& f, const ProfileViewState& b) { EXPECT_EQ(f.v().SelPos, b.SelPos - 1); }},
        {"Shift+Tab", T::Canvas, 9, 1, none,
         [](View& f, const ProfileViewState& b) { EXPECT_NE(f.v().SelPos, b.SelPos); EXPECT_NE(f.v().SelPos, b.SelPos - 1); }},
        {"Ctrl+Tab", T::Canvas, 9, 2, none, same},
        {"Alt+Tab", T::ColourSample, 9, 4, none, same},
        {"PgDn", T::Canvas, 34, 2, none, [](View& f, const ProfileViewState&) { EXPECT_EQ(f.v().SheetIndex, 1); }},
        {"PgUp on the first sheet", T::ColourSample, 33, 0, none,
         [](View& f, const ProfileViewState&) { EXPECT_EQ(f.v().SheetIndex, 0); }},
        {"Ctrl+M", T::Canvas, 77, 2, none, same},
        {"Up", T::Canvas, 38, 1, none, [](View& f, const ProfileViewState& b) { EXPECT_EQ(f.v().ViewTopY, b.ViewTopY - 3); }},
        {"Down", T::ColourSample, 40, 0, none,
         [](View& f, const ProfileViewState& b) { EXPECT_EQ(f.v().ViewTopY, b.ViewTopY + 3); }},
        {"Right", T::Canvas, 39, 0, none,
         [](View& f, const ProfileViewState& b) { EXPECT_EQ(f.v().ViewOriginX, b.ViewOriginX - 3); EXPECT_EQ(f.v().SelPosEnd, b.SelPosEnd); }},
        {"Ctrl+Right", T::Canvas, 39, 2, none,
         [](View& f, const ProfileViewState& b) {
             EXPECT_NEAR(f.v().ViewOriginX, b.ViewOriginX - 3 + f.m.Lines[SelectedLine(b, f.m)].Len / 10.0, 1e-4);
             EXPECT_EQ(f.v().SelPosEnd, b.SelPosEnd - 1);
         }},
        {"Left", T::Canvas, 37, 4, none,
         [](View& f, const ProfileViewState& b) { EXPECT_EQ(f.v().ViewOriginX, b.ViewOriginX + 3); }},
        {"Ctrl+Left on one line only pans", T::Canvas, 37, 2, none,
         [](View& f, const ProfileViewState& b) { EXPECT_EQ(f.v().ViewOriginX, b.ViewOriginX + 3); EXPECT_EQ(f.v().SelPosEnd, b.SelPosEnd); }},
        {"Ctrl+Left on a run", T::ColourSample, 37, 2, [](View& f) { AddToSelection(f.v(), f.m); },
         [](View& f, const ProfileViewState& b) {
             EXPECT_EQ(f.v().SelPosEnd, b.SelPosEnd + 1);
             EXPECT_NEAR(f.v().ViewOriginX, b.ViewOriginX + 3 - f.m.Lines[SelectedLine(b, f.m)].Len / 10.0, 1e-4);
         }},
        {"Space", T::Canvas, 32, 0, [](View& f) { f.v().ViewOriginX = 500; },
         [](View& f, const ProfileViewState& b) {
             const int line = SelectedLine(b, f.m);
             EXPECT_NEAR(f.v().ViewOriginX + f.v().ScaleWidth / 2, f.m.Results[line].ProfX + f.m.Lines[line].Len / 20, 1e-4);
         }},
        {"F2", T::Canvas, 113, 0, pipePrep, pipe(true, true)},
        {"Shift+F2 on the canvas", T::Canvas, 113, 1, pipePrep, pipe(true, true)},
        {"Alt+F2 on the canvas", T::Canvas, 113, 4, pipePrep, pipe(false, false)},
        {"F2 on the sample", T::ColourSample, 113, 0, pipePrep, pipe(true, true)},
        {"Shift+F2 on the sample", T::ColourSample, 113, 1, pipePrep, pipe(false, false)},
        {"Alt+F2 on the sample", T::ColourSample, 113, 4, pipePrep, pipe(true, true)},
        {"F3", T::Canvas, 114, 0, none, scroll(1, -1)},
        {"Shift+F3", T::Canvas, 114, 1, none, scroll(3, -1)},
        {"F4", T::ColourSample, 115, 2, none, scroll(1, 1)},
        {"Shift+F4", T::Canvas, 115, 1, none, scroll(3, 1)},
        {"F6", T::Canvas, 117, 0, none, scroll(2, -1)},
        {"Shift+F6", T::Canvas, 117, 1, none, scroll(4, -1)},
        {"F7", T::Canvas, 118, 0, none, scroll(2, 1)},
        {"Shift+F7", T::ColourSample, 118, 1, none, scroll(4, 1)},
        {"F5", T::Canvas, 116, 0, [](View& f) { f.v().ViewOriginX = 77; },
         [](View& f, const ProfileViewState&) { EXPECT_EQ(f.v().ViewOriginX, 0); EXPECT_EQ(f.zoomBar()->value(), 50); }},
        {"F8 on the canvas", T::Canvas, 119, 0, none,
         [](View& f, const ProfileViewState&) {
             auto* search = f.c->findChild<SearchFrame*>();
             ASSERT_TRUE(search);
             EXPECT_FALSE(search->isHidden());
         }},
        {"F8 on the sample", T::ColourSample, 119, 0, none, status("")},
        {"Alt+H at 7", T::Canvas, 72, 4, h7.first, h7.second},
        {"Alt+H at 8", T::Canvas, 72, 4, h8.first, h8.second},
        {"Alt+H at 3 on the sample", T::ColourSample, 72, 4, h3.first, h3.second},
        {"Alt+H at 4 on the sample", T::ColourSample, 72, 4, h4.first, h4.second},
        {"H", T::Canvas, 72, 0, none, same},
        {"Alt+I", T::Canvas, 73, 4, none, [](View& f, const ProfileViewState&) { EXPECT_EQ(f.v().ShowLineInfo, 1); }},
        {"L", T::Canvas, 76, 2, none, [](View& f, const ProfileViewState&) { EXPECT_EQ(f.v().LKeySwitch, 1); }},
        {"Alt+R", T::Canvas, 82, 4, none, [](View& f, const ProfileViewState&) { EXPECT_TRUE(f.v().ShowSheetLabel); }},
        {"R", T::Canvas, 82, 0, none, [](View& f, const ProfileViewState&) { EXPECT_FALSE(f.v().ShowSheetLabel); }},
        {"Alt+B at 11", T::Canvas, 66, 4, b11.first, b11.second},
        {"Alt+B at 12", T::Canvas, 66, 4, b12.first, b12.second},
        {"Alt+B at 7 on the sample", T::ColourSample, 66, 4, b7.first, b7.second},
        {"Alt+B at -1 on the sample", T::ColourSample, 66, 4, bm.first, bm.second},
        {"S", T::Canvas, 83, 0, none,
         [](View& f, const ProfileViewState&) { EXPECT_EQ(f.ui.status.rfind("Make dxf", 0), 0u) << f.ui.status; }},
        {"D", T::ColourSample, 68, 1, none,
         [](View& f, const ProfileViewState&) { EXPECT_EQ(f.ui.status.find("not available"), std::string::npos); }},
        {"Alt+T", T::Canvas, 84, 4, none,
         [](View& f, const ProfileViewState&) { EXPECT_EQ(f.v().TextSizeMode, 2); EXPECT_EQ(f.v().BandLift, 0); }},
        {"Alt+T twice", T::Canvas, 84, 4, [](View& f) { f.key(KeyTarget::Canvas, 84, 4); },
         [](View& f, const ProfileViewState&) { EXPECT_EQ(f.v().TextSizeMode, 1); EXPECT_EQ(f.v().BandLift, 1); }},
        {"5", T::Canvas, '5', 0, none, panStep(5)},
        {"keypad 5", T::ColourSample, 101, 0, none, panStep(5)},
        {"0", T::Canvas, '0', 2, none, panStep(10)},
        {"keypad 0", T::Canvas, 96, 0, none, panStep(10)},
        {"Q", T::Canvas, 'Q', 0, none, same},
    };
    for (const Case& c : cases) {
        View f;
        f.stepBar(1)->setValue(0), f.stepBar(2)->setValue(0), f.stepBar(3)->setValue(0), f.stepBar(4)->setValue(0);
        f.key(KeyTarget::Canvas, '3');
        f.ui.status.clear();
        c.prepare(f);
        const ProfileViewState before = f.v();
        const int code = f.key(c.target, c.code, c.mask);
        SCOPED_TRACE(c.what);
        c.check(f, before);
        EXPECT_EQ(code, c.code == 77 && c.mask == 2 ? 0 : c.code);
        EXPECT_TRUE(f.m.Lines[0].Status.unassigned() || f.m.Lines[0].Status.trim().empty());
    }
}

// F9 goes to a line's branch, or on down the network; on the colour sample
// F9 and Shift+F9 show the branch's strip below the one shown.
TEST(ProfileControl, BranchKeys) {
    View f;
    int junction = 0;
    for (int i = 1; i <= f.m.LineCount && !junction; ++i)
        if (f.m.Links[i].Branch1 > 0 && f.m.Links[i].NextLine > 0) junction = i;
    ASSERT_NE(junction, 0);
    const int branch = f.m.Links[junction].Branch1;
    struct {
        KeyTarget target;
        int mask, expected;
    } cases[] = {
        {KeyTarget::Canvas, 0, branch},
        {KeyTarget::Canvas, 4, f.m.Links[junction].Branch2 > 0 ? f.m.Links[junction].Branch2 : f.m.Links[junction].UpLine},
        {KeyTarget::ColourSample, 0, branch},
    };
    for (auto c : cases) {
        f.c->findsheet(junction);
        ASSERT_EQ(f.selected(), junction);
        f.key(c.target, 120, c.mask);
        EXPECT_EQ(f.m.Lines[f.selected()].From.trim(), f.m.Lines[c.expected].From.trim()) << c.mask;
        EXPECT_EQ(f.sheetList()->currentIndex(), f.v().SheetIndex);
    }
    // A line without that branch leaves the view as it was.
    f.c->findsheet(junction);
    const int before = f.v().SelPos;
    if (f.m.Links[junction].Branch2 == 0) {
        f.key(KeyTarget::ColourSample, 120, 1);
        EXPECT_EQ(f.v().SelPos, before);
    }
}

// A resize repaints the marks of the last draw without drawing the sheet again.
TEST(ProfileControl, ResizeRepaintsTheKeptMarks) {
    View f;
    int draws = 0;
    QObject::connect(f.c.get(), &ProfileControl::redrawn, [&] { ++draws; });
    ProfileCanvasWidget& canvas = f.c->canvasWidget();
    const std::size_t marks = canvas.marks().marks().size();
    f.c->resize(1000, 700);
    const QImage image = canvas.grab().toImage();
    EXPECT_EQ(draws, 0);
    EXPECT_EQ(canvas.marks().marks().size(), marks);
    const QRgb back = image.pixel(image.width() - 2, image.height() - 2);
    int drawn = 0;
    for (int y = 0; y < image.height(); y += 2)
        for (int x = 0; x < image.width(); x += 2) drawn += image.pixel(x, y) != back;
    EXPECT_GT(drawn, 100);
    f.key(KeyTarget::Canvas, 38);  // a pan step draws again
    EXPECT_EQ(draws, 1);
}

TEST(ProfileControl, KeysReachTheCanvasThroughQt) {
    View f;
    ProfileCanvasWidget& canvas = f.c->canvasWidget();
    const int first = f.v().SelPos;
    QTest::keyClick(&canvas, Qt::Key_Tab);
    EXPECT_EQ(f.v().SelPos, first - 1);
    QTest::keyClick(&canvas, Qt::Key_Backtab, Qt::ShiftModifier);
    EXPECT_EQ(f.v().SelPos, first);
    QTest::keyClick(&canvas, Qt::Key_7, Qt::KeypadModifier);
    EXPECT_EQ(f.v().PanStep, 7);
    QTest::keyClick(&canvas, Qt::Key_PageDown);
    EXPECT_EQ(f.v().SheetIndex, 1);
    QTest::keyClick(&canvas, Qt::Key_H, Qt::AltModifier);
    EXPECT_EQ(f.v().BandLift, 2);
    struct {
        int key, modifiers, code, mask;
    } translated[] = {
        {Qt::Key_F2, Qt::AltModifier, 113, 4},     {Qt::Key_F9, Qt::ShiftModifier, 120, 1},
        {Qt::Key_Left, Qt::ControlModifier, 37, 2}, {Qt::Key_5, Qt::KeypadModifier, 101, 0},
        {Qt::Key_0, 0, 48, 0},                      {Qt::Key_B, Qt::AltModifier | Qt::ShiftModifier, 66, 5},
        {Qt::Key_Escape, 0, 27, 0},                 {Qt::Key_Backtab, Qt::ShiftModifier, 9, 1},
        {Qt::Key_Space, 0, 32, 0},                  {Qt::Key_PageUp, Qt::MetaModifier, 33, 0},
    };
    for (auto t : translated) {
        VirtualKey vk = ToVirtualKey(t.key, t.modifiers);
        EXPECT_EQ(vk.code, t.code) << t.key;
        EXPECT_EQ(vk.mask, t.mask) << t.key;
    }
}

// Keys pressed with no network at all change nothing and never touch row 0.
TEST(ProfileControl, KeysWithNoSheet) {
    View f(false);
    EXPECT_EQ(f.sheetList()->count(), 1);
    EXPECT_EQ(f.selected(), 0);
    const LineRecord blank = f.m.Lines[0];
    for (KeyTarget t : {KeyTarget::Canvas, KeyTarget::ColourSample})
        for (const KeyRow& row : KeyTable())
            for (int mask : {0, 1, 2, 4}) {
                if (row.mask != kAnyMask && row.mask != mask) continue;
                f.key(t, row.keyCode, mask);
            }
    EXPECT_EQ(f.m.Lines[0].Dia, blank.Dia);
    EXPECT_EQ(f.m.Lines[0].slope, blank.slope);
    EXPECT_TRUE(f.m.Lines[0].Status.unassigned() || f.m.Lines[0].Status.trim().empty());
    EXPECT_EQ(f.selected(), 0);
    f.c->Command3_Click(), f.c->Command5_Click(), f.c->Command7_Click();
    f.c->prof1_MouseDown(2, 100, 10);
    EXPECT_EQ(f.selected(), 0);
}

TEST(ProfileControl, StartUpWritesTheCustomLengthIntoItsOwnBox) {
    // Beyond the range the cutting takes, and as the single-precision field holds:
    // as the box shows it after Enter.
    const struct {
        float stored;
        const char* shown;
    } lengths[] = {{9000, "8000"}, {2500.3f, "2500.3"}};
    for (const auto& l : lengths) {
        test::TempDir dir{"profile_custom"};
        Model m;
        ApplyDefaultStyles(m);
        m.ObjectStyles[26].Color = 3;
        m.ObjectStyles[26].Rotate = l.stored;
        m.SettingsFilePath = dir.folder() + "vorlan.cfg";
        ASSERT_TRUE(SaveDrawingSettings(m, m.SettingsFilePath).ok());
        // The frames that hold these boxes build them before the start-up runs.
        struct Control : ProfileControl {
            using ProfileControl::ProfileControl;
        };
        Model fresh;
        ScriptedDialogs dialogs;
        Control c(fresh, dialogs, nullptr, QString::fromStdString(dir.folder()));
        QLineEdit* text6 = test::Child<QLineEdit>(&c, "Text6");
        ASSERT_NE(text6, nullptr);
        text6->setText("2000");
        c.UserControl_Initialize();
        EXPECT_EQ(text6->text(), l.shown);
        EXPECT_EQ(fresh.SheetLayoutMode, 3);
    }
}

// The start-up keeps record 28 as it stands, zeros where the file ends before it.
TEST(ProfileControl, StartUpReadsRecord28) {
    for (bool written : {true, false}) {
        test::TempDir dir{"profile_rec28"};
        Model m;
        ApplyDefaultStyles(m);
        m.SettingsFilePath = dir.folder() + "vorlan.cfg";
        ASSERT_TRUE(SaveDrawingSettings(m, m.SettingsFilePath).ok());
        std::string bytes;
        {
            std::ifstream in(m.SettingsFilePath, std::ios::binary);
            bytes.assign(std::istreambuf_iterator<char>(in), {});
        }
        std::string record(128, '\0');
        for (int i = 0; i < 128; ++i) record[i] = static_cast<char>(i * 7 + 1);
        if (written) bytes.replace(27 * 128, 128, record);
        {
            std::ofstream out(m.SettingsFilePath, std::ios::binary | std::ios::trunc);
            out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
        }
        Model fresh;
        ScriptedDialogs dialogs;
        ProfileControl c(fresh, dialogs, nullptr, QString::fromStdString(dir.folder()));
        EXPECT_EQ(fresh.SettingsRec28, written ? record : std::string(128, '\0'));
        EXPECT_TRUE(c.startupMessage().isEmpty()) << c.startupMessage().toStdString();
    }
}

}  // namespace
}  // namespace vd
