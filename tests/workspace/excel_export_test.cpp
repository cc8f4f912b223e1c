#include "workspace/excel_export.h"

#include <gtest/gtest.h>

#include "recording_ui.h"
#include "xlsx_fixture.h"

namespace vd {
namespace {

using test::TempDir;

// A line table of 3 lines: a title row over 15 columns, and the grid's
// number column 0, which is not exported.
std::string GridCell(int r, int c) {
    if (c == 0) return r == 0 ? "#" : std::to_string(r);
    if (r == 0) return "Col" + std::to_string(c);
    if (c == 1) return r == 2 ? std::string("Caf\xE9") : "MH" + std::to_string(r);
    if (c == 2) return std::string("ab\0c", 4);  // a never-assigned text carries NULs
    return std::to_string(r * 100 + c);
}

struct Export : ::testing::Test {
    TempDir dir;
    ScriptedDialogs dialogs;
    test::RecordingUi ui;
    std::vector<QString> opened;
    QString path(const char* name) const { return QString::fromStdString(dir.folder() + name); }
    void run(const std::string& title, bool opens = true) {
        FlexGrid_To_Excel(GridCell, 4, 16, 1, title, dialogs, ui, [&](const QString& p) {
            opened.push_back(p);
            return opens;
        });
    }
};

TEST_F(Export, ThreeLinesReadBackInOpenpyxl) {
    dialogs.files.push_back(path("lines"));  // the extension is added
    run("Lines");
    ASSERT_TRUE(ui.boxes.empty()) << ui.boxes.front();
    ASSERT_EQ(opened, std::vector<QString>{path("lines.xlsx")});
    EXPECT_EQ(ui.status, "Excel file: " + dir.folder() + "lines.xlsx");
    EXPECT_EQ(dialogs.asked.front().title, "Print to Excel");
    EXPECT_EQ(dialogs.asked.front().preset, "Lines.xlsx");

    if (!test::HaveOpenpyxl()) GTEST_SKIP() << "openpyxl not available";
    std::string out;
    ASSERT_TRUE(test::RunPython(dir.path(), R"(
import openpyxl
ws = openpyxl.load_workbook(")" + dir.folder() + R"(lines.xlsx").active
print(ws.title, ws.max_row, ws.max_column)
for row in ws.iter_rows():
    print("|".join(c.value for c in row))
)", &out));
    std::string expected = "Lines 4 15\n";
    for (int r = 0; r < 4; ++r) {
        for (int c = 1; c < 16; ++c) {
            std::string text = r > 0 && c == 2 ? "abc" : r == 2 && c == 1 ? "Café" : GridCell(r, c);
            expected += text + " " + (c < 15 ? "|" : "\n");
        }
    }
    EXPECT_EQ(out, expected);
}

TEST_F(Export, DialogAnswersAndFailures) {
    struct Case {
        const char* name;
        std::optional<QString> file;
        std::deque<bool> answers;
        std::string title;
        bool opens;
        bool written;
        std::string box;     // part of the message shown, "" for none
        std::string status;  // part of the status text
    };
    test::WriteBytes(dir.path() / "old.xlsx", "old");
    const Case cases[] = {
        {"cancel", std::nullopt, {}, "", true, false, "", ""},
        {"keep the old file", path("old.xlsx"), {false}, "", true, false, "", ""},
        {"replace the old file", path("old.xlsx"), {true}, "", true, true, "", "Excel file: "},
        {"no spreadsheet program", path("free.xlsx"), {}, "", false, true, "", "saved as " + dir.folder() + "free.xlsx"},
        {"no such folder", path("none/x.xlsx"), {}, "", true, false, "cannot be written", ""},
        {"sheet name Excel refuses", path("bad.xlsx"), {}, "a/b", true, false, "cannot be named", ""},
    };
    for (const Case& c : cases) {
        dialogs = ScriptedDialogs();
        ui.clear();
        opened.clear();
        dialogs.files.push_back(c.file);
        dialogs.answers = c.answers;
        run(c.title, c.opens);
        if (c.box.empty()) {
            EXPECT_TRUE(ui.boxes.empty()) << c.name;
        } else {
            ASSERT_EQ(ui.boxes.size(), 1u) << c.name;
            EXPECT_NE(ui.boxes[0].find(c.box), std::string::npos) << c.name << ": " << ui.boxes[0];
        }
        EXPECT_NE(ui.status.find(c.status), std::string::npos) << c.name << ": " << ui.status;
        EXPECT_EQ(opened.size(), c.written ? 1u : 0u) << c.name;
    }
    EXPECT_NE(test::ReadBytes(dir.path() / "old.xlsx"), "old");  // replaced when the answer was Yes
}

}  // namespace
}  // namespace vd
