#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QContextMenuEvent>
#include <QTimer>
#include <QClipboard>
#include <QGuiApplication>
#include <QHeaderView>
#include <QLabel>
#include <QStyle>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>

#include <bit>
#include <cstdint>
#include <cstring>
#include <filesystem>
#include <functional>

#include "engine/network_file.h"
#include "engine/number_text.h"
#include "grid/flex.h"
#include "grid/function_panel.h"
#include "net_builder.h"
#include "platform/flex_grid.h"
#include "recording_ui.h"
#include "sized_network.h"
#include "stub_views.h"
#include "temp_dir.h"
#include "widget_lookup.h"
#include "workspace/main_window.h"

namespace vd {
namespace {

using test::NetBuilder;
using test::ReadBytes;
using test::TempDir;

class FlexTest : public ::testing::Test {
protected:
    void SetUp() override {
        m.SetUi(&ui);
        NetBuilder net(m);
        net.line("A", "B").len(50.125f).gr(101.234f, 100.5f).inv(99.111f, 98.75f).dia(200).lat("01").xy(500123.37f, 4100234.61f, 500150, 4100240);
        net.line("B", "C").len(40).gr(100.5f, 100).inv(98.7f, 98.3f).dia(250).lat("01");
        net.line("C", "D").len(30).gr(100, 99.8f).inv(98.2f, 98).dia(250).lat("01");
        flex = std::make_unique<Flex>(m, dialogs);
        flex->show();
        g = test::Child<FlexGrid>(flex.get(), "MSFlexGrid1");
    }
    void TearDown() override {
        flex.reset();
        m.SetUi(nullptr);
    }
    // Types text into cell (r, c) as a user would: click, type, move on.
    void type(int r, int c, const QString& text) {
        g->setRowCol(r, c);
        flex->BeginCellEdit();
        box()->setText(text);
    }
    // The editor's children, by their form names.
    QLineEdit* box() const { return test::Child<QLineEdit>(flex.get(), "txtEdit"); }
    QPushButton* button(const char* name) const { return test::Child<QPushButton>(flex.get(), name); }
    QAction* action(const char* name) const { return test::Child<QAction>(flex.get(), name); }
    void select(int r, int c, int r2, int c2) {
        g->setRowCol(r, c);
        g->setRowSel(r2);
        g->setColSel(c2);
    }

    Model m;
    test::RecordingUi ui;
    ScriptedDialogs dialogs;
    std::unique_ptr<Flex> flex;
    FlexGrid* g = nullptr;
};

TEST_F(FlexTest, ViewsShowTheirTablesAndTitles) {
    flex->mnusewer();
    type(2, 5, "");
    flex->mnusewer();  // no box left over a cell from the view before
    EXPECT_FALSE(box()->isVisible());
    EXPECT_EQ(g->Rows(), 4);
    EXPECT_EQ(g->Cols(), 16);
    EXPECT_EQ(g->TextMatrix(0, 1), "Mh1_From");
    EXPECT_EQ(g->TextMatrix(0, 7), " inv.Elv._down");  // whole, not cut to 9 characters
    EXPECT_EQ(g->TextMatrix(1, 1), "A");
    EXPECT_EQ(g->TextMatrix(3, 2), "D");
    EXPECT_EQ(g->TextMatrix(2, 0), "2");
    EXPECT_FALSE(button("Command2")->isEnabled());
    EXPECT_TRUE(action("mnueditinsertrow")->isEnabled());
    flex->mnuout();
    EXPECT_EQ(g->Cols(), 55);
    EXPECT_FALSE(action("mnueditcopy")->isEnabled());
    EXPECT_FALSE(action("mnueditinsertrow")->isEnabled());
    flex->mnulatral();  // no Process yet: one blank row
    EXPECT_EQ(g->Rows(), 2);
    EXPECT_EQ(g->TextMatrix(0, 0), " No.");
    EXPECT_EQ(g->TextMatrix(0, 1), "Level");
    EXPECT_TRUE(button("Command2")->isEnabled());
    EXPECT_TRUE(action("mnueditcopy")->isEnabled());
    EXPECT_EQ(g->Row(), 0);
}

// Whatever the font, every title shows whole: each column is at least as
// wide as its title in the header's own font and the header's margins.
TEST_F(FlexTest, EveryTitleShowsWholeInTheHeadersFont) {
    for (int points : {0, 22}) {
        if (points > 0) {
            QFont large = g->font();
            large.setPointSize(points);
            g->setFont(large);
        }
        for (auto load : {&Flex::mnusewer, &Flex::mnuout, &Flex::mnudia, &Flex::mnulatral}) {
            (flex.get()->*load)();
            const QHeaderView* header = g->horizontalHeader();
            const int margins = 2 * g->style()->pixelMetric(QStyle::PM_HeaderMargin, nullptr, header);
            auto needs = [&](const QWidget* w, int row, int col) {
                return QFontMetrics(w->font()).horizontalAdvance(QString::fromLatin1(g->TextMatrix(row, col).c_str())) +
                       margins;
            };
            for (int c = 1; c < g->Cols(); ++c)
                EXPECT_GE(g->ColWidth(c), needs(header, 0, c)) << points << " pt, \"" << g->TextMatrix(0, c) << "\"";
            EXPECT_GE(g->ColWidth(0), needs(test::Child<QLabel>(g, "cornerCell"), 0, 0)) << points << " pt";
            EXPECT_GE(g->ColWidth(0), needs(g->verticalHeader(), g->Rows() - 1, 0)) << points << " pt";
        }
    }
}

TEST_F(FlexTest, UneditedRoundTripChangesNoFieldAndEditsReachTheirRecords) {
    const std::vector<LineRecord> before(m.Lines.begin(), m.Lines.begin() + 4);
    for (auto load : {&Flex::mnusewer, &Flex::mnuout, &Flex::mnudia, &Flex::mnulatral}) {
        (flex.get()->*load)();
        flex->frm7upDATE();
        EXPECT_EQ(m.LineCount, 3);
        for (int i = 1; i <= 3; ++i) {
            EXPECT_EQ(m.Lines[i].Gr1, before[i].Gr1) << i;
            EXPECT_EQ(m.Lines[i].Y1, before[i].Y1) << i;
            EXPECT_EQ(m.Lines[i].Len, before[i].Len) << i;
            EXPECT_EQ(m.Lines[i].MhType, before[i].MhType) << i;  // never assigned stays so
        }
    }
    flex->mnusewer();
    type(2, 3, "101.75");
    g->setRowCol(3, 3);  // moving on commits at once
    EXPECT_FLOAT_EQ(m.Lines[2].Gr1, 101.75f);
    type(3, 1, "CX");
    flex->frm7upDATE();  // the pending edit is committed by the write-back
    EXPECT_EQ(m.Lines[3].From.trim(), "CX");
    EXPECT_EQ(m.Lines[1].X1, before[1].X1);
    // Esc brings back the text the box opened with.
    type(1, 1, "ZZ");
    QTest::keyClick(box(), Qt::Key_Escape);
    EXPECT_EQ(box()->text(), "A");
}

TEST_F(FlexTest, KeysMoveTheBoxAndEachMoveCommits) {
    flex->mnusewer();
    type(1, 3, "105");
    QTest::keyClick(box(), Qt::Key_Down);
    EXPECT_EQ(g->Row(), 2);
    EXPECT_FLOAT_EQ(m.Lines[1].Gr1, 105.0f);
    box()->setText("104");
    box()->setCursorPosition(1);
    QTest::keyClick(box(), Qt::Key_Left);  // caret inside: the caret moves
    EXPECT_EQ(g->Col(), 3);
    QTest::keyClick(box(), Qt::Key_Left, Qt::ControlModifier);
    EXPECT_EQ(g->Col(), 2);
    EXPECT_FLOAT_EQ(m.Lines[2].Gr1, 104.0f);
    QTest::keyClick(box(), Qt::Key_Return);
    EXPECT_EQ(g->Col(), 3);
    EXPECT_EQ(flex->EditCol, 3);
    type(1, 15, "7");
    QTest::keyClick(box(), Qt::Key_Return);  // last column: stays
    QTest::keyClick(box(), Qt::Key_Up);      // first row: stays
    EXPECT_EQ(g->Row(), 1);
    EXPECT_EQ(g->Col(), 15);
    // Scrolling with the cell unchanged moves the box and keeps the typed text.
    m.LineCount = 300;
    flex->mnusewer();
    type(5, 3, "123");
    g->setTopRow(3);
    EXPECT_EQ(box()->text(), "123");
    EXPECT_TRUE(box()->isVisible());
    g->setTopRow(50);  // out of view: hidden, still pending
    EXPECT_FALSE(box()->isVisible());
    flex->frm7upDATE();
    EXPECT_FLOAT_EQ(m.Lines[5].Gr1, 123.0f);
}

TEST_F(FlexTest, CutPasteAndUndoWorkOnTheGridAndKeepTheBoxInStep) {
    flex->mnusewer();
    type(1, 3, "111");
    select(1, 3, 2, 4);
    flex->mnueditcopy_Click();
    EXPECT_EQ(QGuiApplication::clipboard()->text(), "Copy111\t100.50\r100.50\t100.00");
    EXPECT_FLOAT_EQ(m.Lines[1].Gr1, 111.0f);  // the command committed first
    // Copied left-upward, pasted at row 2: the same 2 x 2 block lands.
    select(2, 12, 2, 12);
    flex->mnueditpaste_Click();
    EXPECT_EQ(g->TextMatrix(2, 12), "111");
    EXPECT_EQ(g->TextMatrix(3, 13), "100.00");
    flex->mnueditundo_Click();
    EXPECT_NE(g->TextMatrix(2, 12), "111");
    // Text from another program, CR LF rows, fills the selection cell for cell.
    QGuiApplication::clipboard()->setText("90.1\t90.2\r\n90.3\t90.4\r\n");
    type(2, 6, "95");
    select(2, 6, 3, 7);
    flex->mnueditpaste_Click();
    EXPECT_EQ(g->TextMatrix(3, 7), "90.4");
    EXPECT_EQ(box()->text(), "90.1");  // the box shows its cell's new text
    flex->frm7upDATE();
    EXPECT_FLOAT_EQ(m.Lines[2].Inv1, 90.1f);
    EXPECT_FLOAT_EQ(m.Lines[3].Inv2, 90.4f);
    // Cut blanks and Undo brings back; a second Undo has nothing left.
    flex->mnusewer();
    select(1, 1, 1, 2);
    flex->mnueditcut_Click();
    EXPECT_EQ(g->TextMatrix(1, 1), "");
    flex->mnueditundo_Click();
    EXPECT_EQ(g->TextMatrix(1, 2), "B");
    flex->mnueditundo_Click();
    EXPECT_EQ(g->TextMatrix(1, 1), "A");
    EXPECT_TRUE(ui.boxes.empty());
}

TEST_F(FlexTest, InsertCommitsFirstAndRecordsMoveWhole) {
    m.Lines[2].Status = "F";
    m.Lines[3].Pop1 = 12.5f;
    flex->mnusewer();
    select(1, 1, 1, 1);
    flex->mnueditdelete_Click();  // a snapshot the insert makes stale
    type(2, 3, "123");            // typed, not yet committed
    flex->mnueditinsertrow_Click();
    EXPECT_EQ(m.LineCount, 4);
    EXPECT_FLOAT_EQ(m.Lines[3].Gr1, 123.0f);  // the typed value stayed with its line
    EXPECT_EQ(m.Lines[2].From.trim(), "");
    EXPECT_EQ(m.Lines[3].From.trim(), "B");
    EXPECT_EQ(m.Lines[3].Status.trim(), "F");  // unshown fields moved with their line
    EXPECT_FLOAT_EQ(m.Lines[4].Pop1, 12.5f);
    EXPECT_EQ(g->TextMatrix(4, 0), "4");
    EXPECT_EQ(box()->text(), "");  // the box waits on the new row
    flex->mnueditundo_Click();             // rows changed: no snapshot applies
    EXPECT_EQ(g->TextMatrix(1, 1), "");
    // Remove, then edit a row below: the edit reaches the line that row shows.
    flex->mnueditdelrow_Click();  // removes the blank row 2
    type(2, 3, "222");
    flex->frm7upDATE();
    EXPECT_EQ(m.LineCount, 3);
    EXPECT_FLOAT_EQ(m.Lines[2].Gr1, 222.0f);
    EXPECT_EQ(m.Lines[2].Status.trim(), "F");
    // At the last row a blank row is appended without a write-back; left
    // blank, it is no line.
    g->setRowCol(3, 1);
    flex->mnueditinsertrow_Click();
    EXPECT_EQ(g->Rows(), 5);
    EXPECT_EQ(m.LineCount, 3);
    flex->frm7upDATE();
    EXPECT_EQ(m.LineCount, 3);
    flex->mnusewer();
    // The title row, and the lateral and results views, are never shifted.
    g->setRowCol(0, 1);
    flex->mnueditinsertrow_Click();
    EXPECT_EQ(g->Rows(), 4);
    flex->mnuout();
    g->setRowCol(1, 1);
    flex->mnueditdelrow_Click();
    EXPECT_EQ(g->Rows(), 4);
}

TEST_F(FlexTest, EmptyTablesLoadAsOneBlankRowAndStayEmpty) {
    m.LineCount = 0;
    m.DiaCount = 0;
    for (auto load : {&Flex::mnusewer, &Flex::mnudia, &Flex::mnulatral, &Flex::mnuout}) {
        (flex.get()->*load)();
        EXPECT_EQ(g->Rows(), 2);
        flex->frm7upDATE();
        EXPECT_EQ(m.LineCount, 0);
        EXPECT_EQ(m.DiaCount, 0);
    }
    flex->mnusewer();
    type(1, 1, "N1");
    flex->frm7upDATE();
    EXPECT_EQ(m.LineCount, 1);
    EXPECT_EQ(m.Lines[1].From.trim(), "N1");
}

TEST_F(FlexTest, BadInputGetsAMessageAndLosesNothing) {
    flex->mnusewer();
    type(1, 3, "abc");  // letters in a level
    g->setRowCol(2, 3);
    EXPECT_FLOAT_EQ(m.Lines[1].Gr1, 101.234f);
    EXPECT_EQ(g->TextMatrix(1, 3), "101.23");
    ASSERT_EQ(ui.boxes.size(), 1u);
    EXPECT_NE(ui.boxes[0].find("not a number"), std::string::npos);
    type(1, 1, QString(60, 'M'));  // a name too long for a cell
    flex->frm7upDATE();
    EXPECT_EQ(m.Lines[1].From.trim(), "A");
    EXPECT_EQ(ui.boxes.size(), 2u);
    // A pasted block larger than the table: what fits lands, the rest is told.
    flex->mnusewer();
    QGuiApplication::clipboard()->setText("1\t2\t3\n4\t5\t6\n7\t8\t9\n");
    select(3, 14, 3, 15);
    flex->mnueditpaste_Click();
    EXPECT_EQ(g->TextMatrix(3, 15), "2");
    EXPECT_EQ(ui.boxes.size(), 3u);
    // Binary text pastes nothing.
    QGuiApplication::clipboard()->setText(QString::fromLatin1("x\x01y\0z", 5));
    select(1, 1, 1, 1);
    flex->mnueditpaste_Click();
    EXPECT_EQ(g->TextMatrix(1, 1), "A");
    EXPECT_EQ(ui.boxes.size(), 4u);
    // Pasted letters into numbers are refused at the write-back, the rest stored.
    QGuiApplication::clipboard()->setText("x1\t99");
    select(2, 3, 2, 4);
    flex->mnueditpaste_Click();
    flex->frm7upDATE();
    EXPECT_FLOAT_EQ(m.Lines[2].Gr1, 100.5f);
    EXPECT_FLOAT_EQ(m.Lines[2].Gr2, 99.0f);
    EXPECT_EQ(g->TextMatrix(2, 3), "100.50");
    EXPECT_EQ(ui.boxes.size(), 5u);
}

// Which rows are lines is decided after the cells are stored: a row added at
// the end whose every text was refused is blank again and no line; a refused
// text beside an accepted one leaves a line. The box left open on the cell
// does not bring the text back.
TEST_F(FlexTest, AnAddedRowHoldingOnlyRefusedTextIsNoLine) {
    auto paste = [&](const char* text, int c2) {
        QGuiApplication::clipboard()->setText(text);
        select(4, 5, 4, c2);
        flex->mnueditpaste_Click();
        flex->frm7upDATE();
    };
    // The column calculator's Ok: Len " =" the constant; it writes the view back.
    auto calculate = [&](const char* constant) {
        action("mnufun")->trigger();
        auto* panel = test::Child<FunctionPanel>(flex.get(), "Frame2");
        test::Child<ListCombo>(panel, "Combo1")->setListIndex(4);
        test::Child<ListCombo>(panel, "Combo3")->setListIndex(0);
        test::Child<ListCombo>(panel, "Combo2")->setListIndex(0);
        test::Child<ListCombo>(panel, "Combo2")->setText(constant);
        test::Child<QPushButton>(panel, "Command7")->click();
    };
    const struct {
        const char* name;
        std::function<void()> fill;
        int lines;
    } cases[] = {
        {"letters pasted into Len", [&] { paste("abc", 5); }, 3},
        {"letters set in Len by the calculator", [&] { calculate("abc"); }, 3},
        {"letters and a level pasted", [&] { paste("abc\t98.5", 6); }, 4},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        flex->mnusewer();
        ui.clear();
        g->setRowCol(3, 1);
        flex->mnueditinsertrow_Click();  // a blank row 4 at the end
        g->setRowCol(4, 5);
        flex->BeginCellEdit();
        c.fill();
        EXPECT_EQ(m.LineCount, c.lines);
        ASSERT_EQ(ui.boxes.size(), 1u);
        EXPECT_NE(ui.boxes[0].find("Len"), std::string::npos) << ui.boxes[0];
        EXPECT_NE(ui.boxes[0].find("\"abc\" is not a number"), std::string::npos) << ui.boxes[0];
        g->setRowCol(1, 1);
        EXPECT_EQ(g->TextMatrix(4, 5), "");
        EXPECT_EQ(ui.boxes.size(), 1u);
        EXPECT_FLOAT_EQ(m.Lines[3].Len, 30.0f);
    }
    EXPECT_FLOAT_EQ(m.Lines[4].Inv1, 98.5f);
}

TEST_F(FlexTest, PopulationTitlesFollowTheCriteriaAtEachLoad) {
    struct Case {
        int16_t pop1, pop2;
        const char* title5;
        const char* title9;
    };
    // In turn, so that each load follows a change made after the one before.
    const Case cases[] = {
        {1, 0, " Density1", "   Pop.2"},
        {0, 1, "   Pop.1 ", " Density2 "},
        {1, 1, " Density1", " Density2 "},
        {2, 0, "   Pop.1 ", "   Pop.2"},
    };
    for (const Case& c : cases) {
        m.Criteria.Pop1Mode = c.pop1;
        m.Criteria.Pop2Mode = c.pop2;
        flex->mnusewer();  // a load that shows neither column
        flex->mnuout();
        EXPECT_EQ(g->TextMatrix(0, 5), c.title5) << c.pop1;
        EXPECT_EQ(g->TextMatrix(0, 9), c.title9) << c.pop2;
    }
}

// The fields the line view shows, bit for bit.
std::vector<std::string> ShownFields(const LineRecord& l) {
    std::vector<std::string> out = {std::string(l.From.view()), std::string(l.to.view()),
                                    std::string(l.Latral.view()), std::string(l.MhType.view())};
    for (float v : {l.Gr1, l.Gr2, l.Len, l.Inv1, l.Inv2, l.Dia, l.slope, l.X1, l.Y1, l.X2, l.Y2})
        out.push_back(std::to_string(std::bit_cast<std::uint32_t>(v)));
    return out;
}

TEST_F(FlexTest, EditsTakenBackLeaveTheStoredValuesExactlyAsTheyWere) {
    m.Lines[1].From = " A";  // the cell shows "A"
    m.Lines[1].Gr1 = 101.123456f;  // the cell shows "101.12"
    const std::vector<std::string> before = ShownFields(m.Lines[1]);
    auto undo = [&] { flex->mnueditundo_Click(); };
    struct Case {
        const char* name;
        std::function<void()> steps;
    };
    // Opens the box on a cell as a click does, its text untouched.
    auto open = [&](int r, int c) { g->setRowCol(r, c), flex->BeginCellEdit(); };
    auto shown = [&](int r, int c) { return QString::fromLatin1(g->TextMatrix(r, c).c_str()); };
    // The column calculator's Ok on `col`, times one: the texts stay, and the
    // view is written back.
    auto calculate = [&](int col) {
        action("mnufun")->trigger();
        auto* panel = test::Child<FunctionPanel>(flex.get(), "Frame2");
        test::Child<ListCombo>(panel, "Combo1")->setListIndex(col - 1);
        test::Child<ListCombo>(panel, "Combo3")->setListIndex(3);  // " *"
        test::Child<ListCombo>(panel, "Combo2")->setText("1");
        test::Child<QPushButton>(panel, "Command7")->click();
    };
    const Case cases[] = {
        {"delete on the cell being edited, then undo",
         [&] { open(1, 5), flex->mnueditdelete_Click(), undo(); }},
        {"cut a row holding the edited cell, then undo",
         [&] { open(1, 1), select(1, 1, 1, 15), flex->mnueditcut_Click(), undo(); }},
        {"outside text pasted over the edited cell, then undo", [&] {
             QGuiApplication::clipboard()->setText("7\t8\t9");
             open(1, 3), select(1, 3, 1, 5), flex->mnueditpaste_Click(), undo();
         }},
        {"a block of the grid pasted over the row, then undo twice", [&] {
             select(2, 1, 2, 15), flex->mnueditcopy_Click();
             open(1, 12), g->setRowCol(1, 1), flex->mnueditpaste_Click();
             select(1, 13, 1, 13), flex->mnueditdelete_Click(), undo(), undo();
         }},
        {"another value typed, then the old text again", [&] {
             const QString old = shown(1, 5);
             type(1, 5, "77"), g->setRowCol(2, 5), type(1, 5, old), g->setRowCol(2, 5);
         }},
        {"a value typed, letters pasted over it and refused, then the old text typed", [&] {
             const QString old = shown(1, 13);
             type(1, 13, "5"), g->setRowCol(2, 5), open(1, 13);
             QGuiApplication::clipboard()->setText("abc");
             flex->mnueditpaste_Click(), g->setRowCol(2, 5);
             EXPECT_EQ(g->TextMatrix(1, 13), "5");  // the refused cell shows what is stored
             EXPECT_EQ(m.Lines[1].Y1, 5.0f);
             ui.clear();
             type(1, 13, old);
         }},
        {"outside text pasted over the row, the calculator's Ok on another column, then undo", [&] {
             QGuiApplication::clipboard()->setText("X\tY\t7\t8");
             select(1, 1, 1, 4), flex->mnueditpaste_Click(), calculate(6), undo();
         }},
        {"a block cut, the calculator's Ok twice, then undo", [&] {
             select(1, 1, 1, 15), flex->mnueditcut_Click(), calculate(6), calculate(6), undo();
         }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        flex->mnusewer();
        c.steps();
        flex->frm7upDATE();
        EXPECT_EQ(ShownFields(m.Lines[1]), before);
        EXPECT_TRUE(ui.boxes.empty());
    }
}

// The column calculator and the grid's own Copy and Paste work on the values
// the cells stand for, not on the two decimals the inverts show; a cell the
// user changed, and a block another program changed, count as their texts.
// Each result is saved, reopened and compared bit for bit with the
// arithmetic done on the exact values.
TEST_F(FlexTest, CalculatorAndCopiesKeepTheValuesTheCellsStandFor) {
    TempDir dir("grid_exact");
    using Lines = std::vector<LineRecord>;
    // Combo3 items: 0 "=", 1 "+", 2 "--", 3 "*"; operand column -1 is the constant.
    auto calculate = [&](int target, int op, int operandCol, const char* constant) {
        action("mnufun")->trigger();
        auto* panel = test::Child<FunctionPanel>(flex.get(), "Frame2");
        test::Child<ListCombo>(panel, "Combo1")->setListIndex(target - 1);
        test::Child<ListCombo>(panel, "Combo3")->setListIndex(op);
        test::Child<ListCombo>(panel, "Combo2")->setListIndex(operandCol + 1);
        if (operandCol < 0) test::Child<ListCombo>(panel, "Combo2")->setText(constant);
        test::Child<QPushButton>(panel, "Command7")->click();
    };
    auto copyPaste = [&](int r1, int c1, int r2, int c2, int row, int col) {
        select(r1, c1, r2, c2), flex->mnueditcopy_Click();
        g->setRowCol(row, col), flex->mnueditpaste_Click();
    };
    auto each = [](Lines& l, auto&& f) {
        for (int i = 1; i <= 3; ++i) f(l[i]);
    };
    auto sum = [](float a, double b) { return static_cast<float>(static_cast<double>(a) + b); };
    const struct {
        const char* name;
        std::function<void()> steps;
        std::function<void(Lines&)> want;
    } cases[] = {
        {"+ 0.5 on the upstream inverts", [&] { calculate(6, 1, -1, "0.5"); },
         [&](Lines& l) { each(l, [&](LineRecord& x) { x.Inv1 = sum(x.Inv1, 0.5); }); }},
        {"the downstream inverts taken from them", [&] { calculate(6, 2, 7, ""); },
         [&](Lines& l) { each(l, [&](LineRecord& x) { x.Inv1 = sum(x.Inv1, -static_cast<double>(x.Inv2)); }); }},
        {"* 1 changes nothing", [&] { calculate(7, 3, -1, "1"); }, [](Lines&) {}},
        {"lengths times the slopes", [&] { calculate(5, 3, 9, ""); },
         [&](Lines& l) { each(l, [&](LineRecord& x) { x.Len = static_cast<float>(double(x.Len) * x.slope); }); }},
        {"= the upstream inverts", [&] { calculate(7, 0, 6, ""); },
         [&](Lines& l) { each(l, [](LineRecord& x) { x.Inv2 = x.Inv1; }); }},
        {"a typed cell counts as its text", [&] { type(2, 6, "68.2"), calculate(6, 1, -1, "0.5"); },
         [&](Lines& l) { each(l, [&](LineRecord& x) { x.Inv1 = sum(&x == &l[2] ? 68.2f : x.Inv1, 0.5); }); }},
        {"a line copied over another", [&] { copyPaste(1, 1, 1, 15, 3, 1); },
         [](Lines& l) { l[3].Gr1 = l[1].Gr1, l[3].Gr2 = l[1].Gr2, l[3].Len = l[1].Len, l[3].Inv1 = l[1].Inv1,
                        l[3].Inv2 = l[1].Inv2, l[3].Dia = l[1].Dia, l[3].slope = l[1].slope; }},
        {"upstream inverts copied to the downstream column", [&] { copyPaste(1, 6, 3, 6, 1, 7); },
         [&](Lines& l) { each(l, [](LineRecord& x) { x.Inv2 = x.Inv1; }); }},
        {"lines cut and pasted a row lower, past the end", [&] {
             select(2, 1, 3, 15), flex->mnueditcut_Click();
             g->setRowCol(3, 1), flex->mnueditpaste_Click();
         },
         [](Lines& l) {
             l.push_back(l[3]), l[3] = l[2];
             l[2].Gr1 = l[2].Gr2 = l[2].Len = l[2].Inv1 = l[2].Inv2 = l[2].Dia = l[2].slope = 0;
         }},
        {"a block another program changed counts as its text", [&] {
             select(1, 6, 3, 6), flex->mnueditcopy_Click();
             QGuiApplication::clipboard()->setText(QGuiApplication::clipboard()->text().replace("62.47", "62.47 "));
             g->setRowCol(1, 7), flex->mnueditpaste_Click();
         },
         [&](Lines& l) { each(l, [](LineRecord& x) { x.Inv2 = static_cast<float>(Val(FormatFixed(x.Inv1, 2))); }); }},
    };
    const float inv1[] = {62.465f, 68.203f, 70.005f}, inv2[] = {61.897f, 67.001f, 69.979f};
    for (int i = 1; i <= 3; ++i) m.Lines[i].Inv1 = inv1[i - 1], m.Lines[i].Inv2 = inv2[i - 1];
    m.Lines[3].slope = 0.00123f;
    const Lines start(m.Lines.begin(), m.Lines.begin() + 4);
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        std::copy(start.begin(), start.end(), m.Lines.begin());
        m.LineCount = 3;
        Lines want = start;
        c.want(want);
        flex->mnusewer();
        c.steps();
        flex->frm7upDATE();
        ASSERT_TRUE(SaveNetworkText(m, "exact.asb", dir.folder()));
        Model back;
        ASSERT_TRUE(LoadNetworkText(back, dir.folder() + "exact.asb"));
        ASSERT_EQ(back.LineCount, static_cast<int>(want.size()) - 1);
        for (int i = 1; i <= back.LineCount; ++i)
            for (float LineRecord::*f : {&LineRecord::Gr1, &LineRecord::Gr2, &LineRecord::Len, &LineRecord::Inv1,
                                         &LineRecord::Inv2, &LineRecord::Dia, &LineRecord::slope})
                EXPECT_EQ(std::bit_cast<std::uint32_t>(back.Lines[i].*f), std::bit_cast<std::uint32_t>(want[i].*f))
                    << "line " << i << ": " << back.Lines[i].*f << ", wanted " << want[i].*f;
        EXPECT_TRUE(ui.boxes.empty());
    }
    // In every view: the pipe sizes' n of 0.0104 shows 0.010.
    m.DiaCount = 2;
    m.DiaTable[1] = {200, 0.00455f, 3.05f, 0.0104f, 0.805f, 12.5f, 101.25f, 1234.5f};
    m.DiaTable[2] = {250.5f, 0.00333f, 2.95f, 0.0136f, 0.755f, 13.5f, 111.5f, 1300.25f};
    const auto sizes = m.DiaTable;
    flex->mnudia();
    for (int col = 1; col < g->Cols(); ++col) calculate(col, 3, -1, "1");
    for (std::size_t i = 0; i < sizes.size(); ++i)
        EXPECT_EQ(std::memcmp(&m.DiaTable[i], &sizes[i], sizeof sizes[i]), 0) << i;
}

TEST_F(FlexTest, TypedTextSurvivesAClickOnThePartlyShownLastRow) {
    m.LineCount = 300;
    flex->resize(900, 320);
    flex->mnusewer();
    QApplication::processEvents();
    const int height = g->viewport()->height();
    int partial = 0;
    for (int r = 1; r < g->Rows() && !partial; ++r)
        if (g->rowViewportPosition(r - 1) + g->rowHeight(r - 1) > height) partial = r;
    ASSERT_GT(partial, 2);
    type(2, 3, "123");
    QTest::mouseClick(g->viewport(), Qt::LeftButton, {}, QPoint(g->columnViewportPosition(2) + 5, height - 2));
    EXPECT_EQ(g->Row(), partial);
    EXPECT_EQ(g->TextMatrix(2, 3), "123");
    EXPECT_FLOAT_EQ(m.Lines[2].Gr1, 123.0f);
    EXPECT_EQ(flex->EditRow, partial);  // the box waits on the cell clicked
    box()->setText("7");
    flex->frm7upDATE();
    EXPECT_FLOAT_EQ(m.Lines[partial].Gr1, 7.0f);
    // Down into the partly shown row stores what was typed above it at once.
    flex->mnusewer();
    QApplication::processEvents();
    type(partial - 1, 4, "45");
    QTest::keyClick(box(), Qt::Key_Down);
    EXPECT_GT(g->TopRow(), 1);
    EXPECT_FLOAT_EQ(m.Lines[partial - 1].Gr2, 45.0f);
    EXPECT_EQ(g->TextMatrix(partial - 1, 4), "45");
    EXPECT_EQ(flex->EditRow, partial);
}

TEST_F(FlexTest, NumbersAreStoredWholeOrRefusedWithTheirCellNamed) {
    flex->mnusewer();
    // A block of the grid whose last cell is empty pastes that empty cell.
    select(3, 5, 3, 5);
    flex->mnueditdelete_Click();
    select(2, 5, 3, 5);
    flex->mnueditcopy_Click();
    g->setRowCol(1, 8);
    flex->mnueditpaste_Click();
    EXPECT_EQ(g->TextMatrix(2, 8), "");
    // Longer than a cell's 20 characters: the value of the whole text.
    type(1, 9, "-1.23100304104775E-05");
    QGuiApplication::clipboard()->setText("123456789012345678901234");
    select(3, 14, 3, 14);
    flex->mnueditpaste_Click();
    // Too large to read, letters after the number, a decimal comma: refused
    // with the cell named, and the write-back goes on with the cells after.
    QGuiApplication::clipboard()->setText("1E400\t60\r\n12abc\t1,5\r\n");
    select(2, 3, 3, 4);
    flex->mnueditpaste_Click();
    type(1, 6, "1E400");
    type(3, 7, "97.5");
    flex->frm7upDATE();
    EXPECT_FLOAT_EQ(m.Lines[1].Dia, 40.0f);
    EXPECT_EQ(m.Lines[2].Dia, 0.0f);
    EXPECT_EQ(m.Lines[1].slope, static_cast<float>(-1.23100304104775E-05));
    EXPECT_EQ(m.Lines[3].X2, static_cast<float>(1.23456789012345678901234e23));
    EXPECT_FLOAT_EQ(m.Lines[1].Inv1, 99.111f);
    EXPECT_FLOAT_EQ(m.Lines[2].Gr1, 100.5f);
    EXPECT_FLOAT_EQ(m.Lines[2].Gr2, 60.0f);
    EXPECT_FLOAT_EQ(m.Lines[3].Gr1, 100.0f);
    EXPECT_FLOAT_EQ(m.Lines[3].Gr2, 99.8f);
    EXPECT_FLOAT_EQ(m.Lines[3].Inv2, 97.5f);
    std::string said;
    for (const std::string& box : ui.boxes) said += box + "\n";
    for (const char* cell : {"Row 1, inv.Elv._up: \"1E400\" is a number too large to hold", "Row 2, Gr.Elv._up: \"1E400\"",
                             "Row 3, Gr.Elv._up: \"12abc\"", "Row 3, Gr.Elv._down: \"1,5\"", "with a point as the decimal mark"})
        EXPECT_NE(said.find(cell), std::string::npos) << cell << "\n" << said;
    EXPECT_EQ(g->TextMatrix(3, 4), "99.80");  // the cell shows what was kept
    EXPECT_EQ(g->TextMatrix(1, 6), "99.11");
    // Later hides store as ever.
    type(2, 3, "88");
    flex->frm7upDATE();
    EXPECT_FLOAT_EQ(m.Lines[2].Gr1, 88.0f);
}

// DWG # and Lateral # hold 16-bit fields: the grid stores -32767 to 32767
// (a half going to the even neighbour) and refuses the rest with the range
// named, the field and the cell keeping what they had.
TEST_F(FlexTest, WholeNumberColumnsStoreTheirRangeAndRefuseBeyondIt) {
    m.CreateLatTable(1);
    m.LatCount = 1;
    m.LatTable[1][LatFirst] = 1;
    m.LatTable[1][LatLast] = 3;
    m.SheetTable.assign(2, SheetRecord{});
    m.Results[2].SheetIdx = 1;
    struct Column {
        void (Flex::*load)();
        int row, col;
        int16_t* field;
    };
    const Column columns[] = {{&Flex::mnuout, 2, 53, &m.SheetTable[1].DwgNo}, {&Flex::mnulatral, 1, 1, &m.Lines[1].Level}};
    constexpr int kRefused = 99999;
    struct Case {
        const char* text;
        int stored;
    };
    const Case cases[] = {
        {"-32768", kRefused},  {"-32767", -32767},   {"32767", 32767},      {"32768", kRefused},
        {" 32767 ", 32767},    {"32765.5", 32766},   {"-32765.5", -32766},  {"32767.5", kRefused},
        {"-32767.5", kRefused}, {"&H7FFF", 32767},   {"1E5", kRefused},     {"-0.5", 0},
    };
    for (const Column& column : columns) {
        for (const Case& k : cases) {
            SCOPED_TRACE(std::to_string(column.col) + " " + k.text);
            *column.field = 1234;
            (flex.get()->*column.load)();
            const int16_t kept = *column.field;
            const std::string shown = g->TextMatrix(column.row, column.col);
            ASSERT_EQ(shown, std::to_string(kept));
            ui.clear();
            type(column.row, column.col, k.text);
            flex->frm7upDATE();
            if (k.stored == kRefused) {
                EXPECT_EQ(*column.field, kept);
                EXPECT_EQ(g->TextMatrix(column.row, column.col), shown);
                ASSERT_EQ(ui.boxes.size(), 1u);
                EXPECT_NE(ui.boxes[0].find("is not a number from -32767 to 32767"), std::string::npos) << ui.boxes[0];
            } else {
                EXPECT_EQ(*column.field, k.stored);
                EXPECT_EQ(g->TextMatrix(column.row, column.col), k.text);
                EXPECT_TRUE(ui.boxes.empty());
            }
        }
    }
}

TEST_F(FlexTest, ARightClickOnTheCellBeingEditedOpensTheGridsEditMenu) {
    flex->mnusewer();
    type(1, 1, "A");
    QString shown = "none";
    QTimer::singleShot(0, [&] {
        if (QWidget* popup = QApplication::activePopupWidget()) {
            shown = popup->objectName();
            popup->close();
        }
    });
    QContextMenuEvent click(QContextMenuEvent::Mouse, QPoint(3, 3), box()->mapToGlobal(QPoint(3, 3)));
    QApplication::sendEvent(box(), &click);
    QApplication::processEvents();
    EXPECT_EQ(shown, "mnuedit");
}

// The line, link and result tables grow with the grid up to 32000 lines: rows
// inserted inside and at the end and a block pasted past the end all reach
// the file. At the limit one row more is refused with the limit named, and
// nothing in the grid is lost.
TEST(FlexLarge, TheLineTablesGrowWithTheGridUpToTheLimit) {
    TempDir dir("grid_grow");
    test::RecordingUi ui;
    ScriptedDialogs dialogs;
    auto select = [](FlexGrid* g, int r, int c, int r2, int c2) {
        g->setRowCol(r, c);
        g->setRowSel(r2);
        g->setColSel(c2);
    };
    {
        Model m;
        m.SetUi(&ui);
        test::SizedNetwork(m, 5000);
        Flex flex(m, dialogs);
        flex.show();
        auto* g = test::Child<FlexGrid>(&flex, "MSFlexGrid1");
        flex.mnusewer();
        std::vector<std::string> from{""};  // what each row's From should hold
        for (int i = 1; i <= 5000; ++i) from.push_back("MH" + std::to_string(i));
        // 25 rows inserted inside, filled from another program.
        g->setRowCol(2500, 1);
        std::string clip;
        for (int k = 0; k < 25; ++k) {
            flex.mnueditinsertrow_Click();
            clip += "I" + std::to_string(k) + "\tJ\r\n";
            from.insert(from.begin() + 2500 + k, "I" + std::to_string(k));
        }
        QGuiApplication::clipboard()->setText(QString::fromLatin1(clip.c_str()));
        select(g, 2500, 1, 2524, 2);
        flex.mnueditpaste_Click();
        // 25 rows added at the end, then 100 lines of the grid pasted from
        // the first of them: 75 rows past the end.
        for (int k = 0; k < 25; ++k) {
            g->setRowCol(g->Rows() - 1, 1);
            flex.mnueditinsertrow_Click();
        }
        ASSERT_EQ(g->Rows(), 5051);
        select(g, 1, 1, 100, 15);
        flex.mnueditcopy_Click();
        g->setRowCol(5026, 1);
        flex.mnueditpaste_Click();
        EXPECT_EQ(g->Rows(), 5126);
        EXPECT_EQ(g->TextMatrix(5125, 0), "5125");
        for (int i = 1; i <= 100; ++i) from.push_back(from[static_cast<std::size_t>(i)]);
        flex.hide();
        flex.frm7upDATE();
        EXPECT_TRUE(ui.boxes.empty()) << ui.boxes[0];
        ASSERT_EQ(m.LineCount, 5125);
        EXPECT_EQ(m.LineUpper(), LineTableUpper(5125));
        EXPECT_EQ(m.LinkUpper(), LinkTableUpper(5125));
        EXPECT_EQ(m.Results.size(), m.Lines.size());

        ASSERT_TRUE(SaveNetworkText(m, "grown.asb", dir.folder()));
        Model back;
        ASSERT_TRUE(LoadNetworkText(back, dir.folder() + "grown.asb"));
        ASSERT_EQ(back.LineCount, 5125);
        int wrong = 0;
        for (int r = 1; r <= 5125; ++r)
            if (back.Lines[r].From.trim() != from[static_cast<std::size_t>(r)] && wrong++ < 5)
                ADD_FAILURE() << "row " << r << ": " << back.Lines[r].From.trim() << ", wanted " << from[r];
        // The pasted lines hold exactly what the copied ones do, not the two
        // decimals their 3-decimal inverts show.
        for (int k = 1; k <= 100; ++k)
            for (float LineRecord::*f : {&LineRecord::X1, &LineRecord::Gr1, &LineRecord::Gr2, &LineRecord::Len,
                                         &LineRecord::Inv1, &LineRecord::Inv2, &LineRecord::slope, &LineRecord::Dia})
                ASSERT_EQ(back.Lines[5025 + k].*f, back.Lines[k].*f) << k;
        m.SetUi(nullptr);
    }
    Model m;
    m.SetUi(&ui);
    test::SizedNetwork(m, 31999);
    Flex flex(m, dialogs);
    flex.show();
    auto* g = test::Child<FlexGrid>(&flex, "MSFlexGrid1");
    flex.mnusewer();
    g->setRowCol(31999, 1);
    flex.mnueditinsertrow_Click();
    ASSERT_EQ(g->Rows(), 32001);
    for (int row : {32000, 100}) {
        g->setRowCol(row, 1);
        flex.mnueditinsertrow_Click();
        ASSERT_EQ(ui.boxes.size(), 1u) << row;
        EXPECT_EQ(ui.boxes[0], "The line table holds at most 32000 lines; no row was added.");
        ui.clear();
    }
    select(g, 1, 1, 2, 15);
    flex.mnueditcopy_Click();
    g->setRowCol(32000, 1);
    flex.mnueditpaste_Click();
    ASSERT_EQ(ui.boxes.size(), 1u);
    EXPECT_EQ(ui.boxes[0], "The line table holds at most 32000 lines; the rows beyond row 32000 were not pasted.");
    EXPECT_EQ(g->Rows(), 32001);
    ui.clear();
    flex.frm7upDATE();
    EXPECT_TRUE(ui.boxes.empty());
    EXPECT_EQ(m.LineCount, 32000);
    EXPECT_EQ(m.LineUpper(), 32000);
    EXPECT_EQ(m.Lines[31999].From.trim(), "MH31999");
    EXPECT_EQ(m.Lines[32000].From.trim(), "MH1");
    m.SetUi(nullptr);
}

// Before every command that saves, exports, processes or replaces the
// network, and before the window closes, the text typed into the open cell
// is stored as leaving the cell would store it, and what the view shows is
// written back; a refused text gets its message and the command stops with
// nothing else asked, written or changed.
TEST(FlexInWorkspace, TheOpenCellIsStoredBeforeEveryCommandOrStopsIt) {
    TempDir dir("open_cell");
    using Run = std::function<void(Form1&, Flex&, ScriptedDialogs&)>;
    auto menu = [](const char* name) -> Run {
        return [name](Form1& f, Flex&, ScriptedDialogs&) { test::Child<QAction>(&f.workspace(), name)->trigger(); };
    };
    auto button = [](const char* name) -> Run {
        return [name](Form1& f, Flex&, ScriptedDialogs&) { test::Child<QPushButton>(&f.workspace(), name)->click(); };
    };
    const struct {
        const char* name;
        const char* file;  // the file the stored value reaches; "" none
        Run run;
    } commands[] = {
        {"Save", "net.asb", menu("mnusave")},
        {"Save As", "as.asb",
         [&](Form1& f, Flex&, ScriptedDialogs& d) {
             d.files.push_back(QString::fromStdString(dir.folder() + "as.asb"));
             test::Child<QPushButton>(&f.workspace(), "Command10")->click();
         }},
        {"Set EXCEL", "", [](Form1&, Flex& flex, ScriptedDialogs&) { test::Child<QPushButton>(&flex, "Command3")->click(); }},
        {"Process", "net-3.bak", [](Form1& f, Flex&, ScriptedDialogs&) { f.workspace().Command2_Click(); }},
        {"Open", "net.asb", menu("mnuopen")},
        {"Import (text)", "net.asb", button("Command12")},
        {"Get EXCEL: Import", "net.asb", button("Command20")},
        {"Get EXCEL Book", "net.asb", menu("mnuexcelbook")},
        {"Get ACAD", "net.asb", menu("mnugetacad")},
        {"Get ACAD Block", "net.asb", menu("mnublock")},
        {"closing the window", "net.asb",
         [](Form1& f, Flex&, ScriptedDialogs&) {
             QCloseEvent close;
             QCoreApplication::sendEvent(&f, &close);
         }},
    };
    const struct {
        const char* name;
        bool addedRow;  // typed into a row added at the end
        int col;
        const char* text;
        bool accepted;
    } typed[] = {
        {"a length", false, 5, "77.77", true},
        {"a name in an added row", true, 1, "N9", true},
        {"letters in a length", false, 5, "abc", false},
    };
    for (const auto& command : commands) {
        for (const auto& t : typed) {
            SCOPED_TRACE(std::string(command.name) + ", " + t.name);
            for (const char* f : {"net.asb", "as.asb", "net-3.bak"}) std::filesystem::remove(dir.path() / f);
            Model m;
            NetBuilder net(m);
            net.line("A", "B").len(50).gr(101, 100.5f).inv(99, 98.75f).dia(200);
            net.line("B", "C").len(40).gr(100.5f, 100).inv(98.7f, 98.3f).dia(250);
            net.line("C", "D").len(30).gr(100, 99.8f).inv(98.2f, 98).dia(250);
            m.ProjectFolder = dir.folder();
            m.ProjectName = "net";
            ScriptedDialogs d;
            auto* flex = new Flex(m, d);
            Form1 form(m, d, {flex, new test::StubProfile});
            form.show();
            form.workspace().Command4_Click();  // SEWER
            auto* g = test::Child<FlexGrid>(flex, "MSFlexGrid1");
            if (t.addedRow) {
                g->setRowCol(3, 1);
                flex->mnueditinsertrow_Click();
            }
            const int row = t.addedRow ? 4 : 2;
            g->setRowCol(row, t.col);
            flex->BeginCellEdit();
            test::Child<QLineEdit>(flex, "txtEdit")->setText(t.text);  // no Enter, no move
            d.saveChoices.push_back(Dialogs::SaveChoice::Save);
            command.run(form, *flex, d);
            if (!t.accepted) {
                ASSERT_EQ(d.asked.size(), 1u);
                EXPECT_EQ(d.asked[0].kind, ScriptedDialogs::Asked::Message);
                EXPECT_TRUE(d.asked[0].title.contains("\"abc\" is not a number")) << d.asked[0].title.toStdString();
                EXPECT_EQ(g->TextMatrix(2, 5), "40.00");
                EXPECT_FLOAT_EQ(m.Lines[2].Len, 40.0f);
                for (const char* f : {"net.asb", "as.asb", "net-3.bak"}) EXPECT_FALSE(std::filesystem::exists(dir.path() / f)) << f;
            } else if (*command.file) {
                Model back;
                ASSERT_TRUE(LoadNetworkText(back, dir.folder() + command.file));
                EXPECT_EQ(back.LineCount, t.addedRow ? 4 : 3);
                if (t.addedRow) {
                    EXPECT_EQ(back.Lines[4].From.trim(), "N9");
                }
                EXPECT_FLOAT_EQ(back.Lines[2].Len, t.addedRow ? 40.0f : 77.77f);
            } else {
                EXPECT_EQ(g->TextMatrix(row, t.col), t.text);
                ASSERT_FALSE(d.asked.empty());
                EXPECT_EQ(d.asked.back().kind, ScriptedDialogs::Asked::Save);  // the export went on
            }
        }
    }
}

TEST(FlexSample, ShowingAndHidingEveryViewSavesTheSameBytesAndAnEditSurvives) {
    TempDir dir("grid");
    const std::filesystem::path src = std::filesystem::path(VIDODUV_SOURCE_DIR) / "examples";
    std::filesystem::copy_file(src / "town.asb", dir.path() / "town.asb");
    std::filesystem::copy_file(src / "town.cor", dir.path() / "town.cor");
    Model m;
    m.ProjectFolder = dir.folder();
    m.ProjectName = "town";
    ASSERT_TRUE(LoadNetworkText(m, dir.folder() + "town.asb").ok());
    ASSERT_TRUE(SaveNetworkText(m, "before.asb", dir.folder()));
    ScriptedDialogs dialogs;
    Flex flex(m, dialogs);
    flex.show();
    for (auto load : {&Flex::mnusewer, &Flex::mnulatral, &Flex::mnuout, &Flex::mnudia}) {
        (flex.*load)();
        flex.hide();
        flex.frm7upDATE();
        flex.show();
    }
    ASSERT_TRUE(SaveNetworkText(m, "after.asb", dir.folder()));
    EXPECT_EQ(ReadBytes(dir.path() / "before.asb"), ReadBytes(dir.path() / "after.asb"));

    flex.mnusewer();
    test::Child<FlexGrid>(&flex, "MSFlexGrid1")->setRowCol(5, 6);
    flex.BeginCellEdit();
    test::Child<QLineEdit>(&flex, "txtEdit")->setText("104.321");
    flex.frm7upDATE();
    ASSERT_TRUE(SaveNetworkText(m, "edited.asb", dir.folder()));
    Model again;
    ASSERT_TRUE(LoadNetworkText(again, dir.folder() + "edited.asb").ok());
    EXPECT_FLOAT_EQ(again.Lines[5].Inv1, 104.321f);
    EXPECT_EQ(again.LineCount, m.LineCount);
}

}  // namespace
}  // namespace vd
