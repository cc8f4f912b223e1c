#include <gtest/gtest.h>

#include <QAction>
#include <QClipboard>
#include <QGuiApplication>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>

#include "engine/network_file.h"
#include "grid/flex.h"
#include "net_builder.h"
#include "platform/flex_grid.h"
#include "recording_ui.h"
#include "temp_dir.h"

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
        flex = std::make_unique<Flex>(m);
        flex->show();
        g = flex->MSFlexGrid1;
    }
    void TearDown() override {
        flex.reset();
        m.SetUi(nullptr);
    }
    // Types text into cell (r, c) as a user would: click, type, move on.
    void type(int r, int c, const QString& text) {
        g->setRowCol(r, c);
        flex->BeginCellEdit();
        flex->txtEdit->setText(text);
    }
    void select(int r, int c, int r2, int c2) {
        g->setRowCol(r, c);
        g->setRowSel(r2);
        g->setColSel(c2);
    }

    Model m;
    test::RecordingUi ui;
    std::unique_ptr<Flex> flex;
    FlexGrid* g = nullptr;
};

TEST_F(FlexTest, ViewsShowTheirTablesAndTitles) {
    flex->mnusewer();
    EXPECT_EQ(g->Rows(), 4);
    EXPECT_EQ(g->Cols(), 16);
    EXPECT_EQ(g->TextMatrix(0, 1), "Mh1_From ");
    EXPECT_EQ(g->TextMatrix(1, 1), "A");
    EXPECT_EQ(g->TextMatrix(3, 2), "D");
    EXPECT_EQ(g->TextMatrix(2, 0), "2");
    EXPECT_FALSE(flex->Command2->isEnabled());
    EXPECT_TRUE(flex->mnueditinsertrow->isEnabled());
    flex->mnuout();
    EXPECT_EQ(g->Cols(), 55);
    EXPECT_FALSE(flex->mnueditcopy->isEnabled());
    EXPECT_FALSE(flex->mnueditinsertrow->isEnabled());
    flex->mnulatral();  // no Process yet: one blank row
    EXPECT_EQ(g->Rows(), 2);
    EXPECT_EQ(g->TextMatrix(0, 0), " No.");
    EXPECT_EQ(g->TextMatrix(0, 1), "Level");
    EXPECT_TRUE(flex->Command2->isEnabled());
    EXPECT_TRUE(flex->mnueditcopy->isEnabled());
    EXPECT_EQ(g->Row(), 0);
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
    QTest::keyClick(flex->txtEdit, Qt::Key_Escape);
    EXPECT_EQ(flex->txtEdit->text(), "A");
}

TEST_F(FlexTest, KeysMoveTheBoxAndEachMoveCommits) {
    flex->mnusewer();
    type(1, 3, "105");
    QTest::keyClick(flex->txtEdit, Qt::Key_Down);
    EXPECT_EQ(g->Row(), 2);
    EXPECT_FLOAT_EQ(m.Lines[1].Gr1, 105.0f);
    flex->txtEdit->setText("104");
    flex->txtEdit->setCursorPosition(1);
    QTest::keyClick(flex->txtEdit, Qt::Key_Left);  // caret inside: the caret moves
    EXPECT_EQ(g->Col(), 3);
    QTest::keyClick(flex->txtEdit, Qt::Key_Left, Qt::ControlModifier);
    EXPECT_EQ(g->Col(), 2);
    EXPECT_FLOAT_EQ(m.Lines[2].Gr1, 104.0f);
    QTest::keyClick(flex->txtEdit, Qt::Key_Return);
    EXPECT_EQ(g->Col(), 3);
    EXPECT_EQ(flex->EditCol, 3);
    type(1, 15, "7");
    QTest::keyClick(flex->txtEdit, Qt::Key_Return);  // last column: stays
    QTest::keyClick(flex->txtEdit, Qt::Key_Up);      // first row: stays
    EXPECT_EQ(g->Row(), 1);
    EXPECT_EQ(g->Col(), 15);
    // Scrolling with the cell unchanged moves the box and keeps the typed text.
    m.LineCount = 300;
    flex->mnusewer();
    type(5, 3, "123");
    g->setTopRow(3);
    EXPECT_EQ(flex->txtEdit->text(), "123");
    EXPECT_TRUE(flex->txtEdit->isVisible());
    g->setTopRow(50);  // out of view: hidden, still pending
    EXPECT_FALSE(flex->txtEdit->isVisible());
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
    EXPECT_EQ(flex->txtEdit->text(), "90.1");  // the box shows its cell's new text
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
    EXPECT_EQ(flex->txtEdit->text(), "");  // the box waits on the new row
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
    Flex flex(m);
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
    flex.MSFlexGrid1->setRowCol(5, 6);
    flex.BeginCellEdit();
    flex.txtEdit->setText("104.321");
    flex.frm7upDATE();
    ASSERT_TRUE(SaveNetworkText(m, "edited.asb", dir.folder()));
    Model again;
    ASSERT_TRUE(LoadNetworkText(again, dir.folder() + "edited.asb").ok());
    EXPECT_FLOAT_EQ(again.Lines[5].Inv1, 104.321f);
    EXPECT_EQ(again.LineCount, m.LineCount);
}

}  // namespace
}  // namespace vd
