#include "workspace/excel_export.h"

#include <gtest/gtest.h>

#include "engine/number_text.h"
#include "net_builder.h"
#include "recording_ui.h"
#include "workspace/excel_import.h"
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
    print("|".join(c.value if isinstance(c.value, str) else "#%r" % c.value for c in row))
)", &out));
    // Numbers go in as numbers; texts keep their blank.
    std::string expected = "Lines 4 15\n";
    for (int r = 0; r < 4; ++r) {
        for (int c = 1; c < 16; ++c) {
            std::string text = r > 0 && c == 2 ? "abc " : r == 2 && c == 1 ? "Café " : GridCell(r, c) + " ";
            if (r > 0 && c > 2) text = "#" + GridCell(r, c);
            expected += text + (c < 15 ? "|" : "\n");
        }
    }
    EXPECT_EQ(out, expected);
}

// What "Set EXCEL" writes, the line import reads back as the same lines:
// names (numbers among them), levels, sizes and coordinates, for a network
// within the start-up tables and one larger than them.
TEST_F(Export, LinesReadBackByTheLineImport) {
    for (const int count : {4, 5000}) {
        SCOPED_TRACE(count);
        Model before;
        before.CreateLineTablesFor(count);
        test::NetBuilder net(before);
        const char* names[][2] = {{"MH-1", "007"}, {"007", "12"}, {"12", "1E5"}, {"1E5", "Caf\xE9 2"}};
        for (int i = 0; i < count; ++i) {
            const std::string round = i < 4 ? "" : "_" + std::to_string(i / 4);
            const float k = static_cast<float>(i % 4);
            net.line(names[i % 4][0] + round, names[i % 4][1] + round)
                .len(40.25f + k)
                .gr(101.5f - k, 100.5f - k)
                .inv(99.125f - k, 98.5f - k)
                .dia(300);
            LineRecord& l = before.Lines[i + 1];
            l.slope = 0.004f * (k + 1);
            l.Latral = i % 4 < 2 ? "01" : "01 02";
            l.MhType = i % 4 ? "T2" : "";
            l.X1 = 500012.5f + static_cast<float>(i);
            l.Y1 = -4200000.25f;
            l.X2 = 1e-5f * k;
            l.Y2 = 0;
        }
        // The frame's default map: From, To, Gr1, Gr2, Len, Inv1, Inv2, Dia, Slope, Latral, MhType, X1, Y1, X2, Y2.
        auto cell = [&](int r, int c) -> std::string {
            if (c == 0 || r == 0) return c == 0 ? std::to_string(r) : "T" + std::to_string(c);
            const LineRecord& l = before.Lines[r];
            const float numbers[] = {l.Gr1, l.Gr2, l.Len, l.Inv1, l.Inv2, l.Dia, l.slope, 0, 0, l.X1, l.Y1, l.X2, l.Y2};
            switch (c) {
                case 1: return l.From.rtrim();
                case 2: return l.to.rtrim();
                case 10: return l.Latral.rtrim();
                case 11: return l.MhType.rtrim();
                default: return FormatFixed(numbers[c - 3], c >= 12 ? 2 : c == 9 ? 4 : 3);
            }
        };
        ASSERT_TRUE(WriteGridWorkbook(path("round.xlsx"), cell, count + 1, 16, "").ok());
        Model after;
        after.SetUi(&ui);
        ExcelLineSettings frame;
        ImportColumnMap map;
        frame.column = map.column;
        frame.ticked = map.ticked;
        Outcome o = ImportExcelLineFile(after, path("round.xlsx"), frame);
        ASSERT_TRUE(o.ok()) << o.message();
        ASSERT_EQ(after.LineCount, count);
        const int columns[] = {3, 4, 5, 6, 7, 8, 9, 12, 13, 14, 15};
        float LineRecord::*fields[] = {&LineRecord::Gr1, &LineRecord::Gr2, &LineRecord::Len, &LineRecord::Inv1,
                                       &LineRecord::Inv2, &LineRecord::Dia, &LineRecord::slope, &LineRecord::X1,
                                       &LineRecord::Y1, &LineRecord::X2, &LineRecord::Y2};
        int wrong = 0;
        for (int i = 1; i <= count && wrong < 5; ++i) {
            const LineRecord &a = after.Lines[i], &b = before.Lines[i];
            bool same = a.From.rtrim() == b.From.rtrim() && a.to.rtrim() == b.to.rtrim() &&
                        a.Latral.rtrim() == b.Latral.rtrim() && a.MhType.rtrim() == b.MhType.rtrim();
            // Every number as the grid showed it.
            for (int k = 0; k < 11; ++k) same = same && a.*fields[k] == static_cast<float>(Val(cell(i, columns[k])));
            if (!same) ADD_FAILURE() << "line " << i << " " << a.From.rtrim() << " -> " << a.to.rtrim(), ++wrong;
        }
    }
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
