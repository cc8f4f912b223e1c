#include "grid/flex_commands.h"

#include <gtest/gtest.h>

#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <filesystem>
#include <memory>

#include "engine/lateral_naming.h"
#include "engine/linking.h"
#include "engine/process.h"
#include "grid/flex.h"
#include "grid/function_panel.h"
#include "net_builder.h"
#include "platform/flex_grid.h"
#include "recording_ui.h"
#include "temp_dir.h"

namespace vd {
namespace {

using test::NetBuilder;

class FlexCommandsTest : public ::testing::Test {
protected:
    void SetUp() override {
        m.SetUi(&ui);
        m.ProjectFolder = dir.folder();
        m.ProjectName = "net";
        flex = std::make_unique<Flex>(m);
        flex->show();
        g = flex->MSFlexGrid1;
        cmds = flex->findChild<FlexCommands*>();
        ASSERT_NE(cmds, nullptr);
    }
    void TearDown() override {
        flex.reset();
        m.SetUi(nullptr);
    }
    // A -> B (10 m) and C -> B (50 m) join at B; B -> D (20 m) to the outfall.
    void ProcessedJunction() {
        NetBuilder net(m);
        net.line("A", "B").len(10).gr(101, 100).inv(99, 98.9f).dia(200);
        net.line("C", "B").len(50).gr(102, 100).inv(99.5f, 98.9f).dia(200);
        net.line("B", "D").len(20).gr(100, 99).inv(98.8f, 98.6f).dia(250);
        BuildNetworkLinks(m);
        NameLaterals(m);
        ProcessNetwork(m);
    }
    int LineFrom(const std::string& from) {
        for (int i = 1; i <= m.LineCount; ++i)
            if (m.Lines[i].From.trim() == from) return i;
        return 0;
    }
    std::string NameOf(const std::string& from) { return m.Lines[LineFrom(from)].Latral.rtrim(); }
    // The lateral view row whose lateral starts with the line from `from`.
    int LateralRow(const std::string& from) {
        for (int k = 1; k <= m.LatCount; ++k)
            if (m.Lat(k, LatFirst) == LineFrom(from)) return k;
        return 0;
    }
    void type(int r, int c, const QString& text) {
        g->setRowCol(r, c);
        flex->BeginCellEdit();
        flex->txtEdit->setText(text);
    }

    test::TempDir dir;
    Model m;
    test::RecordingUi ui;
    std::unique_ptr<Flex> flex;
    FlexGrid* g = nullptr;
    FlexCommands* cmds = nullptr;
};

TEST_F(FlexCommandsTest, ByLengthNamesTheLongestPathFirstAndShowsTheNewLaterals) {
    ProcessedJunction();
    flex->mnulatral();
    flex->Command1->click();
    EXPECT_EQ(NameOf("C"), "01");
    EXPECT_EQ(NameOf("B"), "01");
    EXPECT_EQ(NameOf("A"), "2");
    EXPECT_EQ(m.Links[LineFrom("B")].UpLine, LineFrom("C"));
    EXPECT_TRUE(std::filesystem::exists(dir.path() / "temp.asb"));
    // The lateral view was loaded again with the adopted laterals.
    ASSERT_EQ(g->Rows(), 3);
    EXPECT_EQ(g->TextMatrix(0, 1), "Level");
    EXPECT_EQ(g->TextMatrix(LateralRow("C"), 2), "01");
    EXPECT_EQ(g->TextMatrix(LateralRow("A"), 2), "2");
    EXPECT_TRUE(ui.boxes.empty());
}

TEST_F(FlexCommandsTest, ByLevelUsesTheLevelStillBeingTyped) {
    ProcessedJunction();
    flex->mnulatral();
    // Make the short branch A the main route: level 1 on its head, 2 on C's,
    // the last one still in the edit box when the button is pressed.
    type(LateralRow("C"), 1, "2");
    type(LateralRow("A"), 1, "1");
    flex->Command9->click();
    EXPECT_EQ(m.Links[LineFrom("B")].UpLine, LineFrom("A"));
    EXPECT_EQ(NameOf("A"), "*1");
    EXPECT_EQ(NameOf("B"), "*1");
    EXPECT_EQ(NameOf("C"), "*1-01");
    EXPECT_TRUE(std::filesystem::exists(dir.path() / "net-2.bak"));
    EXPECT_EQ(g->TextMatrix(LateralRow("C"), 2), "*1-01");
}

TEST_F(FlexCommandsTest, SetNameKeepsTheTrunkNameAndRefusesWithoutLaterals) {
    ProcessedJunction();
    flex->mnulatral();
    const int mainHead = m.Links[LineFrom("B")].UpLine;
    const int branchHead = mainHead == LineFrom("A") ? LineFrom("C") : LineFrom("A");
    m.Lines[mainHead].Latral = "MAIN";
    flex->Command6->click();
    EXPECT_EQ(NameOf("B"), "MAIN");
    EXPECT_EQ(m.Lines[branchHead].Latral.rtrim(), "MAIN-1");
    EXPECT_EQ(m.Lines[branchHead].Level, 2);
    EXPECT_FALSE(std::filesystem::exists(dir.path() / "temp.asb"));  // names only

    // A line removed since Process: the links no longer fit, nothing changes.
    flex->mnusewer();
    g->setRowCol(3, 1);
    flex->mnueditdelrow_Click();
    const std::string before = NameOf("A");
    flex->Command1->click();
    ASSERT_EQ(ui.boxes.size(), 1u);
    EXPECT_EQ(ui.boxes[0], "The laterals no longer match the line table: run Process first.");
    EXPECT_EQ(NameOf("A"), before);
}

TEST_F(FlexCommandsTest, FindMatchesWholeCellsInTheCurrentColumn) {
    NetBuilder net(m);
    net.line("A", "X");
    net.line("b", "Y");
    net.line("B", "Z");
    m.Lines[3].to = "";
    flex->mnusewer();
    struct Case {
        const char* key;
        bool next;     // Find next instead of Find
        int row, col;  // current cell before
        int found;     // current row after
    };
    const Case cases[] = {
        {"B", false, 1, 1, 2},        {"b", true, 2, 1, 3},   {"B", true, 3, 1, 3},
        {"mh1_from", false, 2, 1, 0}, {"  a ", false, 3, 1, 1}, {"", false, 1, 2, 3},
        {"zz", false, 2, 1, 2},       {"y", false, 1, 2, 2},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.key) + (c.next ? " next" : ""));
        g->setRowCol(c.row, c.col);
        flex->BeginCellEdit();
        flex->Text1->setText(c.key);
        (c.next ? flex->Command5 : flex->Command10)->click();
        EXPECT_EQ(g->Row(), c.found);
        if (c.found >= 1) {
            EXPECT_EQ(flex->EditRow, c.found);
            EXPECT_TRUE(flex->txtEdit->isVisible());
        }
    }
    // Text typed in the box is stored before the search moves it.
    type(1, 1, "Q");
    flex->Text1->setText("b");
    flex->Command10->click();
    EXPECT_EQ(m.Lines[1].From.trim(), "Q");
    EXPECT_EQ(g->TextMatrix(1, 1), "Q");
    EXPECT_EQ(flex->txtEdit->text(), "b");
}

TEST_F(FlexCommandsTest, CalculatorComputesAPickedColumnOnly) {
    NetBuilder net(m);
    net.line("A", "B").len(10);
    net.line("B", "C").len(2.5f);
    flex->mnusewer();
    type(1, 5, "7");  // Length, still in the box
    flex->mnufun->trigger();
    FunctionPanel* p = cmds->Frame2;
    ASSERT_TRUE(p->isVisible());
    EXPECT_FALSE(flex->txtEdit->isVisible());
    EXPECT_EQ(g->TextMatrix(0, 0), "No");
    EXPECT_EQ(p->Combo1->ListIndex(), 4);
    EXPECT_EQ(p->Combo1->Text(), " Lenght(m");
    EXPECT_EQ(p->Combo2->count(), 17);
    EXPECT_EQ(p->Combo3->count(), 7);

    p->Combo3->setCurrentIndex(1);  // a pick of " +"
    emit p->Combo3->activated(1);
    QTest::keyClicks(p->Combo2->lineEdit(), "1");
    EXPECT_EQ(p->Combo2->ListIndex(), -1);
    p->Command7->click();
    EXPECT_EQ(g->TextMatrix(1, 5), "8");
    EXPECT_EQ(g->TextMatrix(2, 5), "3.5");
    EXPECT_FLOAT_EQ(m.Lines[1].Len, 8);
    EXPECT_FLOAT_EQ(m.Lines[2].Len, 3.5f);
    EXPECT_EQ(flex->txtEdit->text(), "8");
    EXPECT_TRUE(p->isVisible());  // stays open for another press

    // A column name typed into the target list picks nothing.
    p->Combo1->lineEdit()->clear();
    QTest::keyClicks(p->Combo1->lineEdit(), "Diameter(");
    p->Command7->click();
    ASSERT_EQ(ui.boxes.size(), 1u);
    EXPECT_EQ(ui.boxes[0], "Pick the column to compute from the list.");
    EXPECT_EQ(g->TextMatrix(1, 5), "8");
    p->Command8->click();
    EXPECT_FALSE(p->isVisible());
}

TEST_F(FlexCommandsTest, SetExcelSaysTheExportIsNotAvailable) {
    NetBuilder(m).line("A", "B");
    flex->mnusewer();
    flex->Command3->click();
    ASSERT_EQ(ui.boxes.size(), 1u);
    EXPECT_EQ(ui.boxes[0], "The export to a workbook is not available yet.");
}

}  // namespace
}  // namespace vd
