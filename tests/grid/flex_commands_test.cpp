#include "grid/flex_commands.h"

#include <gtest/gtest.h>

#include <QAction>
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
#include "platform/workbook.h"
#include "recording_ui.h"
#include "temp_dir.h"
#include "widget_lookup.h"
#include "xlsx_fixture.h"

namespace vd {
namespace {

using test::NetBuilder;

class FlexCommandsTest : public ::testing::Test {
protected:
    void SetUp() override {
        m.SetUi(&ui);
        m.ProjectFolder = dir.folder();
        m.ProjectName = "net";
        flex = std::make_unique<Flex>(m, dialogs);
        flex->show();
        g = test::Child<FlexGrid>(flex.get(), "MSFlexGrid1");
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
    // The editor's children, by their form names.
    QLineEdit* box() const { return test::Child<QLineEdit>(flex.get(), "txtEdit"); }
    QLineEdit* searchBox() const { return test::Child<QLineEdit>(flex.get(), "Text1"); }
    QPushButton* button(const char* name) const { return test::Child<QPushButton>(flex.get(), name); }
    void type(int r, int c, const QString& text) {
        g->setRowCol(r, c);
        flex->BeginCellEdit();
        box()->setText(text);
    }

    test::TempDir dir;
    Model m;
    test::RecordingUi ui;
    ScriptedDialogs dialogs;
    std::unique_ptr<Flex> flex;
    FlexGrid* g = nullptr;
    FlexCommands* cmds = nullptr;
};

TEST_F(FlexCommandsTest, ByLengthNamesTheLongestPathFirstAndShowsTheNewLaterals) {
    ProcessedJunction();
    flex->mnulatral();
    button("Command1")->click();
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
    button("Command9")->click();
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
    button("Command6")->click();
    EXPECT_EQ(NameOf("B"), "MAIN");
    EXPECT_EQ(m.Lines[branchHead].Latral.rtrim(), "MAIN-1");
    EXPECT_EQ(m.Lines[branchHead].Level, 2);
    EXPECT_FALSE(std::filesystem::exists(dir.path() / "temp.asb"));  // names only

    // A line removed since Process: the links no longer fit, nothing changes.
    flex->mnusewer();
    g->setRowCol(3, 1);
    flex->mnueditdelrow_Click();
    const std::string before = NameOf("A");
    button("Command1")->click();
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
        searchBox()->setText(c.key);
        button(c.next ? "Command5" : "Command10")->click();
        EXPECT_EQ(g->Row(), c.found);
        if (c.found >= 1) {
            EXPECT_EQ(flex->EditRow, c.found);
            EXPECT_TRUE(box()->isVisible());
        }
    }
    // Text typed in the box is stored before the search moves it.
    type(1, 1, "Q");
    searchBox()->setText("b");
    button("Command10")->click();
    EXPECT_EQ(m.Lines[1].From.trim(), "Q");
    EXPECT_EQ(g->TextMatrix(1, 1), "Q");
    EXPECT_EQ(box()->text(), "b");
}

TEST_F(FlexCommandsTest, CalculatorComputesAPickedColumnOnly) {
    NetBuilder net(m);
    net.line("A", "B").len(10);
    net.line("B", "C").len(2.5f);
    flex->mnusewer();
    type(1, 5, "7");  // Length, still in the box
    test::Child<QAction>(flex.get(), "mnufun")->trigger();
    auto* p = test::Child<FunctionPanel>(flex.get(), "Frame2");
    auto list = [p](const char* name) { return test::Child<ListCombo>(p, name); };
    ASSERT_TRUE(p->isVisible());
    EXPECT_FALSE(box()->isVisible());
    EXPECT_EQ(g->TextMatrix(0, 0), "No");
    EXPECT_EQ(list("Combo1")->ListIndex(), 4);
    EXPECT_EQ(list("Combo1")->Text(), " Lenght(m)  ");
    EXPECT_EQ(list("Combo2")->count(), 17);
    EXPECT_EQ(list("Combo3")->count(), 7);

    list("Combo3")->setCurrentIndex(1);  // a pick of " +"
    emit list("Combo3")->activated(1);
    QTest::keyClicks(list("Combo2")->lineEdit(), "1");
    EXPECT_EQ(list("Combo2")->ListIndex(), -1);
    test::Child<QPushButton>(p, "Command7")->click();
    EXPECT_EQ(g->TextMatrix(1, 5), "8");
    EXPECT_EQ(g->TextMatrix(2, 5), "3.5");
    EXPECT_FLOAT_EQ(m.Lines[1].Len, 8);
    EXPECT_FLOAT_EQ(m.Lines[2].Len, 3.5f);
    EXPECT_EQ(box()->text(), "8");
    EXPECT_TRUE(p->isVisible());  // stays open for another press

    // A column name typed into the target list picks nothing.
    list("Combo1")->lineEdit()->clear();
    QTest::keyClicks(list("Combo1")->lineEdit(), "Diameter(");
    test::Child<QPushButton>(p, "Command7")->click();
    ASSERT_EQ(ui.boxes.size(), 1u);
    EXPECT_EQ(ui.boxes[0], "Pick the column to compute from the list.");
    EXPECT_EQ(g->TextMatrix(1, 5), "8");
    test::Child<QPushButton>(p, "Command8")->click();
    EXPECT_FALSE(p->isVisible());
}

TEST_F(FlexCommandsTest, SetExcelWritesTheGridShownAfterStoringTheTypedCell) {
    NetBuilder net(m);
    net.line("A", "B").len(10);
    net.line("B", "C").len(2.5f);
    flex->mnusewer();
    std::vector<QString> opened;
    flex->setWorkbookOpener([&](const QString& path) {
        opened.push_back(path);
        return true;
    });
    // Cancel writes nothing and says nothing.
    button("Command3")->click();
    ASSERT_EQ(dialogs.asked.size(), 1u);
    EXPECT_EQ(dialogs.asked[0].title, "Print to Excel");
    EXPECT_EQ(dialogs.asked[0].preset, "grid.xlsx");
    EXPECT_TRUE(opened.empty());
    EXPECT_TRUE(ui.boxes.empty());

    type(2, 1, "Q");  // still in the box
    dialogs.files.push_back(QString::fromStdString(dir.folder() + "lines"));
    button("Command3")->click();
    ASSERT_TRUE(ui.boxes.empty()) << ui.boxes.front();
    ASSERT_EQ(opened, std::vector<QString>{QString::fromStdString(dir.folder() + "lines.xlsx")});
    EXPECT_EQ(m.Lines[2].From.trim(), "Q");
    EXPECT_EQ(box()->text(), "Q");
    EXPECT_EQ(ui.status, "Excel file: " + dir.folder() + "lines.xlsx");

    if (!test::HaveOpenpyxl()) GTEST_SKIP() << "openpyxl not available";
    std::string out;
    ASSERT_TRUE(test::RunPython(dir.path(), R"(
import openpyxl
ws = openpyxl.load_workbook(")" + dir.folder() + R"(lines.xlsx").active
print(ws.max_row, ws.max_column)
for row in ws.iter_rows():
    print("|".join(c.value if isinstance(c.value, str) else "#%.15G" % c.value for c in row))
)", &out));
    // The title row and every data column; the number column stays behind.
    // Numbers are numeric cells, texts keep their blank.
    std::string expected = "3 15\n";
    for (int r = 0; r < 3; ++r) {
        for (int c = 1; c < 16; ++c) {
            const std::string text = g->TextMatrix(r, c) + " ";
            char number[40] = "";
            if (std::optional<double> v = CellTextNumber(text)) std::snprintf(number, sizeof number, "#%.15G", *v);
            expected += (*number ? std::string(number) : text) + (c < 15 ? "|" : "\n");
        }
    }
    EXPECT_EQ(out, expected);
    EXPECT_NE(out.find("Mh1_From |"), std::string::npos);
    EXPECT_NE(out.find("\nQ |"), std::string::npos);
}

}  // namespace
}  // namespace vd
