#include "widget_lookup.h"
#include "workspace/excel_import.h"

#include <gtest/gtest.h>
#include <sys/resource.h>

#include <QGroupBox>
#include <QLineEdit>
#include <QPushButton>
#include <QStandardPaths>
#include <algorithm>
#include <map>

#include "byte_mutator.h"
#include "comma_decimals.h"
#include "net_builder.h"
#include "recording_ui.h"
#include "engine/network_file.h"
#include "engine/number_text.h"
#include "platform/key_poll.h"
#include "stub_views.h"
#include "workspace/main_window.h"
#include "xlsx_fixture.h"

namespace vd {
namespace {

using test::TempDir;

// Every workbook the tests import, written once by openpyxl.
class ExcelImport : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        dir_ = new TempDir("xlsx");
        if (!test::HaveOpenpyxl()) return;
        const std::string d = dir_->folder();
        ready_ = test::RunPython(dir_->path(), "D = '" + d + R"('
import openpyxl
def book(name, sheets, active=0):
    wb = openpyxl.Workbook()
    wb.remove(wb.active)
    for title, rows in sheets:
        ws = wb.create_sheet(title)
        for r, row in rows.items():
            for c, v in enumerate(row, 1):
                if v is not None: ws.cell(r, c, v)
    wb.active = active
    wb.save(D + name)

head = ["From", "To", "Gr1", "Gr2", "Len", "Inv1", "Inv2", "Dia", "Slope", "Lat", "Type", "X1", "Y1", "X2", "Y2"]
lines = {1: head,
  2: ["MH-1", "MH-2", 100.5, 100, 40, 98, 97.5, 300, 5, "L1", "T2", 1000.25, 2000.5, 1010, 2010],
  3: ["MH-2", "MH-3", 100, 99.5, 0, 99.5, 98, 250, 0, "L1", None, "  ", " 12.5 ", True, None],
  5: ["end", 7, 100, 100, 30, 98, 97, " 200 ", "0.004", 17, "T3", 1, 2, 3, 4],
  6: ["MH-6", "MH-7", 100, 100, 30, 98, 97, 200, 0.004, "#N/A", "T3", 1, 2, 3, 4],
  7: ["END", "x", 1, 1, 1, 1, 1, 1, 1],
  8: ["MH-9", "MH-10", 100, 100, 30, 98, 97, 200, 0.004]}
book("lines.xlsx", [("Other", {1: ["not", "this"]}), ("Data", lines)], active=1)
book("gaps.xlsx", [("S", {1: head, 2: ["A", "B", 9, 9, 1, 1, 1, 1, 1], 3: ["B", "C", 9, 9, 1, 1, 1, 1, 1],
                          5: ["C", "D", 9, 9, 1, 1, 1, 1, 1], 8: ["X", "Y", 9, 9, 1, 1, 1, 1, 1]})])
book("ten.xlsx", [("S", {r: ["MH%d" % r, "MH%d" % (r + 1), 9, 9, 1, 1, 1, 1, 1] for r in range(1, 11)})])
book("low.xlsx", [("S", {r: ["MH%d" % r, "MH%d" % (r + 1), 9, 9, 1, 1, 1, 1, 1] for r in range(5, 15)})])

sewer = {1: ["From", "To", "Gr1", "Gr2", "Len", "Qadd", "A1", "P1", "A2", "P2", "Dia", "Slope", "Cover", "Status", "X1", "Y1", "X2", "Y2"]}
for r in range(2, 41):
    sewer[r] = ["S%d" % r, "S%d" % (r + 1), 100 + r, 99 + r, 10 * r, 0.5, 1.5, 100, 2.5, 200, 300, 5, 1.2, "F  ", 1000 + r, 2000, 1001 + r, 2001]
sewer[5][0] = None
sewer[3][2] = "#DIV/0!"
sewer[41] = ["END"]
sewer[42] = ["S42", "S43", 1, 1, 1]
dia = {1: ["Dia", "Mins", "Vmax", "Hd", "n", "Price", "Cons", "x", "Mh"]}
for r in range(2, 10):
    dia[r] = [100 * r, 0.001 * r, 3, 0.8, 0.013, 10 * r, 5 * r, 999, 7 * r]
project = {r: ["name", 1.5 * r] for r in range(1, 32)}
project[11] = ["n", "0.014 mix"]
project[13] = ["inf", 1.5]
project[14] = ["inf2", "7.25"]
project[17] = ["pop", 2]
project[22] = ["a1", None]
book("book.xlsx", [("Notes", {1: ["x"]}), (" sewer ", sewer), ("dia", dia), ("Project", project)])
blank = dict(sewer)
del blank[41]
del blank[42]
book("book_blank.xlsx", [("SEWER", blank)])
big = {r: ["B%d" % r, "B%d" % (r + 1), 9, 9, 1] for r in range(2, 2102)}
bigdia = {r: [r, 0.001, 1, 1, 1, 1, 1, 1, 1] for r in range(2, 27)}
book("big.xlsx", [("SEWER", big), ("DIA", bigdia)])
book("none.xlsx", [("Sheet1", {1: ["x"]})])
book("nolines.xlsx", [("SEWER", {1: sewer[1], 2: ["END"]}), ("DIA", dia)])
# Formulas openpyxl stores without a value: they read as empty cells.
formulas = {1: sewer[1]}
for r in range(2, 6):
    formulas[r] = ["F%d" % r, "F%d" % (r + 1), 100, "=C%d-0.5" % r, "=10*%d" % r, 0.5, 1, 2, 3, 4, 300, 0.004, "=1.2", "F"]
book("formulas.xlsx", [("SEWER", formulas)])
)");
        // A table whose shared texts are missing: found only when the sheet is read.
        test::WriteZip(dir_->path() / "broken.xlsx",
                       test::WorkbookParts({{"DIA", test::SheetXml("<row r=\"2\"><c r=\"A2\"><v>100</v></c></row>")},
                                            {"SEWER", test::SheetXml("<row r=\"2\"><c r=\"A2\" t=\"s\"><v>0</v></c></row>")}}));
    }
    static void TearDownTestSuite() {
        delete dir_;
        dir_ = nullptr;
    }
    void SetUp() override {
        if (!ready_) GTEST_SKIP() << "openpyxl not available";
        m.SetUi(&ui);
        // An open project the failing imports must leave alone.
        test::NetBuilder net(m);
        net.line("old1", "old2").len(10).inv(50, 49);
        net.line("old2", "old3").len(10).inv(49, 48);
        m.Lines[1].Latral = "OLD";
        m.Lines[1].MhType = "T5";
        m.Criteria.LPCD1 = 321;
        m.DiaCount = 3;
    }
    static QString file(const char* name) { return QString::fromStdString(dir_->folder() + name); }

    // Settings of the frame with columns 1 to 15, all ticked.
    static ExcelLineSettings Frame(const char* startRow = "2", const char* textStart = "1") {
        ExcelLineSettings s;
        ImportColumnMap map;
        s.column = map.column;
        s.ticked = map.ticked;
        s.startRow = startRow;
        s.textStart = textStart;
        return s;
    }
    bool logged(const std::string& text) const {
        return std::find(ui.logs.begin(), ui.logs.end(), text) != ui.logs.end();
    }
    void expectUnchanged() {
        EXPECT_EQ(m.LineCount, 2);
        EXPECT_EQ(m.Lines[1].From.rtrim(), "old1");
        EXPECT_EQ(m.Lines[1].Inv1, 50);
        EXPECT_EQ(m.Criteria.LPCD1, 321);
        EXPECT_EQ(m.DiaCount, 3);
    }

    static inline TempDir* dir_ = nullptr;
    static inline bool ready_ = false;
    test::RecordingUi ui;
    Model m;
};

TEST_F(ExcelImport, LinesOfTheActiveSheet) {
    Outcome o = ImportExcelLineFile(m, file("lines.xlsx"), Frame());
    ASSERT_TRUE(o.ok()) << o.message();
    EXPECT_TRUE(o.message().empty());
    // Row 4 is a single blank row; "end" in lower case is a line; "END" stops.
    ASSERT_EQ(m.LineCount, 4);
    const LineRecord& a = m.Lines[1];
    EXPECT_EQ(a.From.rtrim(), "MH-1");
    EXPECT_EQ(a.to.rtrim(), "MH-2");
    EXPECT_EQ(a.Latral.rtrim(), "L1");
    EXPECT_EQ(a.MhType.rtrim(), "T2");
    EXPECT_FLOAT_EQ(a.Gr1, 100.5f);
    EXPECT_FLOAT_EQ(a.Len, 40);
    EXPECT_FLOAT_EQ(a.Inv2, 97.5f);
    EXPECT_FLOAT_EQ(a.Dia, 300);
    EXPECT_FLOAT_EQ(a.slope, 5);  // not divided by 1000
    // Fields 11 to 14 at columns 12 to 15: column 13 is Y1, column 14 X2.
    EXPECT_FLOAT_EQ(a.X1, 1000.25f);
    EXPECT_FLOAT_EQ(a.Y1, 2000.5f);
    EXPECT_FLOAT_EQ(a.X2, 1010);
    EXPECT_FLOAT_EQ(a.Y2, 2010);
    // X and Y convert the value itself: a text of blanks is 0, a number
    // typed as text converts, True is -1; an empty ticked text is blank.
    const LineRecord& b = m.Lines[2];
    EXPECT_EQ(b.X1, 0);
    EXPECT_FLOAT_EQ(b.Y1, 12.5f);
    EXPECT_EQ(b.X2, -1);
    EXPECT_EQ(b.MhType.str(), std::string(30, ' '));
    // Numbers and texts that are numbers through the leading-number rule.
    const LineRecord& c = m.Lines[3];
    EXPECT_EQ(c.From.rtrim(), "end");
    EXPECT_EQ(c.to.rtrim(), "7");
    EXPECT_EQ(c.Latral.rtrim(), "17");
    EXPECT_FLOAT_EQ(c.Dia, 200);
    EXPECT_FLOAT_EQ(c.slope, 0.004f);
    // An error value leaves its field as the new table had it.
    EXPECT_TRUE(m.Lines[4].Latral.unassigned());
    EXPECT_TRUE(m.Lines[5].From.unassigned());

    const std::vector<std::string> expected = {"Import Xls", "Row:3 Line 2 Length=0", "Row:3 Line 2 Depth1 <1",
                                               "Row:3 Line 2 Slope=0", "end row=7------- Line=4", "Import..."};
    EXPECT_EQ(ui.logs, expected);
    EXPECT_EQ(ui.status, "Import...");
    EXPECT_EQ(ui.progress, 0);
    EXPECT_EQ(m.Criteria.LPCD1, [] { DesignCriteria d; ApplyDefaultCriteria(d); return d.LPCD1; }());
    EXPECT_EQ(m.LatCount, 0);
    EXPECT_GE(m.LineUpper(), kStartupLineUpper);
}

TEST_F(ExcelImport, FrameSettingsTable) {
    struct Case {
        const char* file;
        const char* startRow;
        const char* textStart;
        std::vector<int> untick;
        int lines;
        std::string endLog;
        std::string firstFrom;
    };
    const Case cases[] = {
        {"lines.xlsx", "2", "3", {}, 4, "end row=7------- Line=4", "-1"},
        {"lines.xlsx", "2", "9", {}, 4, "end row=7------- Line=4", ""},
        {"lines.xlsx", "6", "1", {}, 1, "end row=7------- Line=1", "MH-6"},
        {"lines.xlsx", "5.5", "1", {}, 1, "end row=7------- Line=1", "MH-6"},  // 5.5 rounds to the even 6
        {"lines.xlsx", " &H6 ", "1D0", {}, 1, "end row=7------- Line=1", "MH-6"},  // the forms the grid takes
        {"lines.xlsx", "2", "1", {0}, 4, "end row=7------- Line=4", "(none)"},  // From unticked still ends the table
        {"gaps.xlsx", "2", "1", {}, 3, "end row=6------- Line=3", "A"},       // two blank rows end it
        {"ten.xlsx", "2", "1", {}, 9, "end row=11------- Line=9", "MH2"},     // rows 2 to 10 of a 10-row range
        {"low.xlsx", "5", "1", {}, 10, "end row=15------- Line=10", "MH5"},   // a range starting at row 5 is read whole
    };
    for (const Case& c : cases) {
        ui.clear();
        ExcelLineSettings s = Frame(c.startRow, c.textStart);
        for (int k : c.untick) s.ticked[k] = false;
        Outcome o = ImportExcelLineFile(m, file(c.file), s);
        ASSERT_TRUE(o.ok()) << c.file << " " << c.startRow << ": " << o.message();
        EXPECT_EQ(m.LineCount, c.lines) << c.file << " " << c.startRow;
        EXPECT_TRUE(logged(c.endLog)) << c.file << " " << c.startRow << ": " << ui.logs.back();
        const FixedText<25>& from = m.Lines[1].From;
        if (c.lines > 0) { EXPECT_EQ(from.unassigned() ? "(none)" : from.rtrim(), c.firstFrom) << c.file << " " << c.textStart; }
    }
    // Inverts not ticked stay 0: the depth checks then speak only of grounds below 1 m.
    ui.clear();
    ExcelLineSettings s = Frame();
    s.ticked[5] = s.ticked[6] = false;
    ASSERT_TRUE(ImportExcelLineFile(m, file("gaps.xlsx"), s).ok());
    EXPECT_EQ(m.Lines[1].Inv1, 0);
    EXPECT_EQ(std::count_if(ui.logs.begin(), ui.logs.end(), [](auto& l) { return l.find("Depth") != l.npos; }), 0);
}

TEST_F(ExcelImport, RefusalsLeaveTheProject) {
    TempDir local;
    test::WriteBytes(local.path() / "text.xlsx", "From,To\n1,2\n");
    struct Case {
        QString path;
        ExcelLineSettings settings;
        const char* says;
    };
    ExcelLineSettings noFromColumn = Frame();
    noFromColumn.column[0] = "0";
    noFromColumn.ticked[0] = false;
    ExcelLineSettings hugeColumn = Frame();
    hugeColumn.column[4] = "99999";
    const Case cases[] = {
        {QString::fromStdString((local.path() / "text.xlsx").string()), Frame(), "not an Excel workbook"},
        {QString::fromStdString((local.path() / "none.xlsx").string()), Frame(), "does not exist"},
        {file("lines.xlsx"), Frame("0"), "Start import at row"},
        {file("lines.xlsx"), Frame("x"), "\"Start import at row :\": \"x\" is not a number."},
        {file("lines.xlsx"), Frame("2", "0"), "Start text at"},
        // A box is one number or refused, never its leading number, in the
        // words every box uses.
        {file("lines.xlsx"), Frame("2abc"), "\"Start import at row :\": \"2abc\" is not a number."},
        {file("lines.xlsx"), Frame("2", "1,5"), "\"Start text at :\": \"1,5\" is not a number."},
        {file("lines.xlsx"), Frame(std::string(1000, '9').c_str()), "\" is a number too large to hold."},
        {file("lines.xlsx"), noFromColumn, "From"},
        {file("lines.xlsx"), hugeColumn, "Length"},
        // Rows 2 and 3 blank: the active sheet holds no lines.
        {file("low.xlsx"), Frame("2"), "active sheet \"S\" holds no lines: its column A (From) is empty from row 2"},
        {file("lines.xlsx"), Frame("7"), "holds no lines"},  // "END" at once
    };
    for (const Case& c : cases) {
        Outcome o = ImportExcelLineFile(m, c.path, c.settings);
        EXPECT_FALSE(o.ok()) << c.says;
        EXPECT_NE(o.message().find(c.says), std::string::npos) << o.message();
        expectUnchanged();
    }
    EXPECT_TRUE(ui.logs.empty());
}

TEST_F(ExcelImport, MillionRowSheetStopsAtTheTableEnd) {
    TempDir local;
    const auto path = local.path() / "million.xlsx";
    // Lines down to row 33000 and a last value in the sheet's last row.
    ASSERT_TRUE(WriteTextWorkbook(QString::fromStdString(path.string()), "S", kSheetMaxRow, 1, [](int r, int) {
                    return r < 33000 || r == kSheetMaxRow - 1 ? QString("M%1").arg(r + 1) : QString();
                }).ok());
    Outcome o = ImportExcelLineFile(m, QString::fromStdString(path.string()), Frame());
    ASSERT_TRUE(o.ok()) << o.message();
    EXPECT_NE(o.message().find("32000"), std::string::npos) << o.message();
    EXPECT_EQ(m.LineCount, kMaxLineUpper);
    EXPECT_EQ(m.Lines[kMaxLineUpper].From.rtrim(), "M32001");
    EXPECT_EQ(m.Lines[kMaxLineUpper - 1].From.rtrim(), "M32000");
    EXPECT_TRUE(logged("end row=32002------- Line=32000"));
}

TEST_F(ExcelImport, WorkbookSheets) {
    Outcome o = ImportExcelWorkbookFile(m, file("book.xlsx"));
    ASSERT_TRUE(o.ok()) << o.message();
    // " sewer ": rows 2 to 40, "END" in row 41.
    EXPECT_EQ(m.LineCount, 39);
    const LineRecord& a = m.Lines[1];
    EXPECT_EQ(a.From.rtrim(), "S2");
    EXPECT_EQ(a.to.rtrim(), "S3");
    EXPECT_FLOAT_EQ(a.Gr1, 102);
    EXPECT_FLOAT_EQ(a.Gr2, 101);
    EXPECT_FLOAT_EQ(a.Len, 20);
    EXPECT_FLOAT_EQ(a.Qadd, 0.5f);
    EXPECT_FLOAT_EQ(a.Area1_sub, 1.5f);
    EXPECT_FLOAT_EQ(a.Pop1, 100);
    EXPECT_FLOAT_EQ(a.Area2_sub, 2.5f);
    EXPECT_FLOAT_EQ(a.Pop2, 200);
    EXPECT_FLOAT_EQ(a.Dia, 300);
    EXPECT_FLOAT_EQ(a.slope, 5);
    EXPECT_FLOAT_EQ(a.Mincover, 1.2f);
    EXPECT_EQ(a.Status.str(), "F" + std::string(29, ' '));
    EXPECT_FLOAT_EQ(a.X1, 1002);
    EXPECT_FLOAT_EQ(a.Y2, 2001);
    // Fields the sheet has no column for keep what the lines held.
    EXPECT_EQ(a.Inv1, 50);
    EXPECT_EQ(a.Inv2, 49);
    EXPECT_EQ(a.Latral.rtrim(), "OLD");
    EXPECT_EQ(a.MhType.rtrim(), "T5");
    EXPECT_EQ(m.Lines[2].Inv1, 49);
    EXPECT_EQ(m.Lines[4].From.rtrim(), "");  // blank From, length filled: a line
    EXPECT_FLOAT_EQ(m.Lines[4].Len, 50);
    EXPECT_EQ(m.Lines[2].Gr1, 0);  // its cell held an error value
    EXPECT_NE(o.message().find("SEWER!C3"), std::string::npos) << o.message();

    ASSERT_EQ(m.DiaCount, 8);
    const DiaRecord& d = m.DiaTable[8];
    EXPECT_FLOAT_EQ(d.Dia, 900);
    EXPECT_FLOAT_EQ(d.Mins, 0.009f);
    EXPECT_FLOAT_EQ(d.Maxvel, 3);
    EXPECT_FLOAT_EQ(d.HdMax, 0.8f);
    EXPECT_FLOAT_EQ(d.nCoef, 0.013f);
    EXPECT_FLOAT_EQ(d.Pipeprice, 90);
    EXPECT_FLOAT_EQ(d.PipeCons, 45);
    EXPECT_FLOAT_EQ(d.MhCons, 63);  // column 9; column 8 is not read

    const DesignCriteria& k = m.Criteria;
    struct Row {
        Number value;
        double expected;
    };
    for (const Row& r : {Row{k.LPCD1, 1.5}, Row{k.LPCD2, 3}, Row{k.Connect1, 4.5}, Row{k.Connect2, 6},
                         Row{k.GroundWaterLevel, 7.5}, Row{k.InflowPercent, 9}, Row{k.MinCoverDefault, 10.5},
                         Row{k.MinVelocity, 12}, Row{k.MinHD, 13.5}, Row{k.MhHeadloss, 15}, Row{k.Inf2, 7.25},
                         Row{k.Inf1, 22.5}, Row{k.ReturnPeriod, 30}, Row{k.MinConTime, 31.5}, Row{k.B1, 34.5},
                         Row{k.C1, 36}, Row{k.InterConTime, 37.5}, Row{k.A2, 39}, Row{k.B2, 40.5}, Row{k.C2, 42},
                         Row{k.CValue, 43.5}, Row{k.InletTime, 45}, Row{k.AreaCoef, 46.5}})
        EXPECT_EQ(r.value, r.expected);
    EXPECT_FALSE(k.A1.has_value());  // an empty cell stored as it is
    EXPECT_EQ(k.NVariable, "0.014 mix");
    EXPECT_EQ(k.InfMode, 2);  // 1.5 to the even neighbour
    EXPECT_EQ(k.Pop1Mode, 2);
    EXPECT_EQ(k.Pop2Mode, 2);
    EXPECT_EQ(ui.progress, 100);
    EXPECT_EQ(m.LatCount, 0);

    ASSERT_TRUE(ImportExcelWorkbookFile(m, file("book_blank.xlsx")).ok());
    EXPECT_EQ(m.LineCount, 39);  // a blank row 41 ends the table as "END" does
    EXPECT_EQ(m.DiaCount, 8);    // no DIA sheet: the sizes stay
}

// A user's decimal comma changes nothing: numbers stored as text ("7.25",
// " 12.5 ") still read, and numbers print with a point.
TEST_F(ExcelImport, UserLocaleDoesNotChangeNumbers) {
    // The book keeps fields its sheets lack, so both runs start from the line import.
    auto run = [&] {
        EXPECT_TRUE(ImportExcelLineFile(m, file("lines.xlsx"), Frame()).ok());
        const std::uint64_t lines = NetworkFingerprint(m);
        EXPECT_TRUE(ImportExcelWorkbookFile(m, file("book.xlsx")).ok());
        return std::pair(lines, NetworkFingerprint(m));
    };
    const auto plain = run();
    test::CommaDecimals comma(dir_->path());
    if (!comma) GTEST_SKIP() << "no locale with a decimal comma to be had";
    EXPECT_EQ(run(), plain);
    EXPECT_EQ(m.Criteria.Inf2, 7.25);  // stored as the text "7.25"
    std::string text;
    ASSERT_TRUE(CellText({CellValue::Kind::Number, -2.5e-7, {}}, text));
    EXPECT_EQ(text, "-2.5E-07");
    EXPECT_EQ(GeneralNumberText(1234.5, 15), "1234.5");
}

TEST_F(ExcelImport, WorkbookTablesStopAtTheirLastRow) {
    Outcome o = ImportExcelWorkbookFile(m, file("big.xlsx"));
    ASSERT_TRUE(o.ok()) << o.message();
    // The line tables grow with the sheet; the pipe-size table does not.
    EXPECT_EQ(m.LineCount, 2100);
    EXPECT_EQ(m.LineUpper(), 2110);
    EXPECT_EQ(m.Lines[2100].From.rtrim(), "B2101");
    EXPECT_EQ(m.DiaCount, 20);
    EXPECT_FLOAT_EQ(m.DiaTable[20].Dia, 21);
    EXPECT_EQ(o.message().find("SEWER holds more lines"), std::string::npos) << o.message();
    EXPECT_NE(o.message().find("DIA holds more pipe sizes"), std::string::npos) << o.message();
    EXPECT_TRUE(ui.boxes.empty());
}

// Networks larger than the start-up tables: "Get EXCEL" of 5,000 lines is
// saved and opened again in a fresh program with the same lines, and "Get
// EXCEL Book" then grows that network, keeping what its sheet has no column for.
TEST_F(ExcelImport, NetworksLargerThanTheStartUpTables) {
    auto text = [](const std::string& ref, const std::string& t) {
        return "<c r=\"" + ref + "\" t=\"inlineStr\"><is><t>" + t + "</t></is></c>";
    };
    auto number = [](const std::string& ref, double v) { return "<c r=\"" + ref + "\"><v>" + std::to_string(v) + "</v></c>"; };
    constexpr int kLines = 5000, kBookLines = 6000;
    std::string lines, sewer;
    for (int r = 2; r <= kBookLines + 1; ++r) {
        const std::string n = std::to_string(r), i = std::to_string(r - 1), next = std::to_string(r);
        if (r <= kLines + 1) {
            lines += "<row r=\"" + n + "\">" + text("A" + n, "MH" + i) + text("B" + n, "MH" + next);
            const char* cols = "CDEFGHI";
            const double values[] = {100 + 0.01 * r, 99.8 + 0.01 * r, 40, 98 + 0.01 * r, 97.8 + 0.01 * r, 300, 5};
            for (int c = 0; c < 7; ++c) lines += number(std::string(1, cols[c]) + n, values[c]);
            lines += text("J" + n, "L" + std::to_string(r / 50)) + text("K" + n, "T" + std::to_string(r % 7)) +
                     number("L" + n, 500000 + r) + number("M" + n, 4000000 - r) + number("N" + n, 500040 + r) +
                     number("O" + n, 4000000 - r) + "</row>";
        }
        sewer += "<row r=\"" + n + "\">" + text("A" + n, "S" + i) + text("B" + n, "S" + next) + number("C" + n, 200) +
                 number("D" + n, 199) + number("E" + n, 30) + "</row>";
    }
    const std::string five = dir_->folder() + "five.xlsx", book = dir_->folder() + "book6.xlsx";
    test::WriteZip(five, test::WorkbookParts({{"S", test::SheetXml(lines)}}));
    test::WriteZip(book, test::WorkbookParts({{"SEWER", test::SheetXml(sewer)}}));

    ASSERT_TRUE(ImportExcelLineFile(m, QString::fromStdString(five), Frame()).ok());
    ASSERT_EQ(m.LineCount, kLines);
    EXPECT_EQ(m.LineUpper(), kLines + 1 + 10);  // the sheet's rows, its title row too, and ten more
    EXPECT_EQ(m.Lines[kLines].From.rtrim(), "MH5000");
    ASSERT_TRUE(SaveProject(m, "five", dir_->folder()));
    {
        Model fresh;
        ScriptedDialogs dialogs;
        Form1 program(fresh, dialogs, test::StubViews());
        dialogs.files.push_back(QString::fromStdString(dir_->folder() + "five.asb"));
        program.workspace().openvrl();
        EXPECT_TRUE(dialogs.messages.empty());
        ASSERT_EQ(fresh.LineCount, kLines);
        int differing = 0;
        for (int i = 1; i <= kLines; ++i) {
            const LineRecord &a = fresh.Lines[static_cast<size_t>(i)], &b = m.Lines[static_cast<size_t>(i)];
            differing += !(a.From == b.From && a.to == b.to && a.Latral == b.Latral && a.MhType == b.MhType &&
                           a.Gr1 == b.Gr1 && a.Gr2 == b.Gr2 && a.Len == b.Len && a.Inv1 == b.Inv1 &&
                           a.Inv2 == b.Inv2 && a.Dia == b.Dia && a.slope == b.slope && a.X1 == b.X1 &&
                           a.Y1 == b.Y1 && a.X2 == b.X2 && a.Y2 == b.Y2);
        }
        EXPECT_EQ(differing, 0);
    }

    Outcome o = ImportExcelWorkbookFile(m, QString::fromStdString(book));
    ASSERT_TRUE(o.ok()) << o.message();
    EXPECT_TRUE(o.message().empty()) << o.message();
    ASSERT_EQ(m.LineCount, kBookLines);
    EXPECT_EQ(m.LineUpper(), kBookLines + 10);
    EXPECT_EQ(m.Lines[kLines].Latral.rtrim(), "L100");  // no column for it in the sheet
    EXPECT_EQ(m.Lines[kLines].From.rtrim(), "S5000");
    EXPECT_EQ(m.Lines[kBookLines].From.rtrim(), "S6000");
    EXPECT_FLOAT_EQ(m.Lines[kBookLines].Len, 30);
}

// A workbook whose formulas were never calculated imports; their cells are empty.
TEST_F(ExcelImport, OpenpyxlFormulasReadAsEmptyCells) {
    Outcome o = ImportExcelWorkbookFile(m, file("formulas.xlsx"));
    ASSERT_TRUE(o.ok()) << o.message();
    EXPECT_TRUE(o.message().empty()) << o.message();
    ASSERT_EQ(m.LineCount, 4);
    for (int i = 1; i <= 4; ++i) {
        const LineRecord& l = m.Lines[i];
        EXPECT_EQ(l.From.rtrim(), "F" + std::to_string(i + 1));
        EXPECT_FLOAT_EQ(l.Gr1, 100);
        EXPECT_EQ(l.Gr2, 0);
        EXPECT_EQ(l.Len, 0);
        EXPECT_EQ(l.Mincover, 0);
        EXPECT_FLOAT_EQ(l.Dia, 300);
    }
}

TEST_F(ExcelImport, WorkbookFailuresChangeNothing) {
    TempDir local;
    test::WriteBytes(local.path() / "text.xlsx", "SEWER\n");
    for (const auto& [path, says] : std::vector<std::pair<QString, const char*>>{
             {file("none.xlsx"), "no sheet named SEWER, DIA or PROJECT"},
             {file("broken.xlsx"), "shared texts"},
             {file("nolines.xlsx"), "\"SEWER\" holds no lines"},
             {QString::fromStdString((local.path() / "text.xlsx").string()), "not an Excel workbook"}}) {
        Outcome o = ImportExcelWorkbookFile(m, path);
        EXPECT_FALSE(o.ok()) << says;
        EXPECT_NE(o.message().find(says), std::string::npos) << o.message();
        expectUnchanged();
    }
}

// A name holding a line break (Alt+Enter), a tab, DEL or another control
// character, typed or escaped as "_x0009_", refuses either import, naming
// its cells: the grid refuses such a text when typed, and the network file
// would keep it as blanks. So does a text where a number belongs that is not
// one number ("0,004" would read as 0); blanks around a number, and a text
// of blanks (0), go in. The open network stays as it was.
TEST(ExcelImportNames, ControlCharactersAndTextsThatAreNoNumberRefuseTheImport) {
    TempDir dir;
    auto text = [](const std::string& ref, const std::string& t) {
        return "<c r=\"" + ref + "\" t=\"inlineStr\"><is><t>" + t + "</t></is></c>";
    };
    // Row 2 of the lines (Get EXCEL: From, To, levels, ..., Lat, Type, X, Y in
    // A to O) or of the sheet SEWER (From, To, Gr1, Gr2, Len, Qadd, ..., Dia in
    // K, slope in L, Status in N, X1 in O): texts where given ("v:" a number
    // cell), 100 in the other columns.
    auto line = [&](bool book, std::map<std::string, std::string> texts) {
        std::map<std::string, std::string> all = {{"A", "MH1"}, {"B", "MH2"}};
        if (book) all["N"] = "ok";
        else all["J"] = "L1", all["K"] = "T2";
        for (auto& [col, t] : texts) all[col] = t;
        std::string row = "<row r=\"2\">";
        for (char col = 'A'; col <= 'O'; ++col) {
            const std::string ref = std::string(1, col) + "2";
            const std::string t = all.count(std::string(1, col)) ? all[std::string(1, col)] : "v:100";
            row += t.rfind("v:", 0) == 0 ? "<c r=\"" + ref + "\"><v>" + t.substr(2) + "</v></c>" : text(ref, t);
        }
        return test::SheetXml("<row r=\"1\">" + text("A1", "From") + "</row>" + row + "</row>");
    };
    auto lines = [&](std::map<std::string, std::string> texts) { return line(false, std::move(texts)); };
    auto sewer = [&](std::map<std::string, std::string> texts) { return line(true, std::move(texts)); };
    const std::string shared = "<si><t>MH_x0007_2</t></si>";
    const std::string sharedTo = test::SheetXml("<row r=\"2\">" + text("A2", "MH1") + "<c r=\"B2\" t=\"s\"><v>0</v></c></row>");
    // Rows of the sheet PROJECT, column B: texts.
    auto project = [&](std::map<int, std::string> rows) {
        std::string xml;
        for (auto& [r, t] : rows) xml += "<row r=\"" + std::to_string(r) + "\">" + text("B" + std::to_string(r), t) + "</row>";
        return test::SheetXml(xml);
    };
    const std::string dia = test::SheetXml("<row r=\"2\"><c r=\"A2\"><v>300</v></c>" + text("B2", "0,004") +
                                           text("C2", " 3 ") + "</row>");
    struct Case {
        const char* name;
        bool book;             // "Get EXCEL Book", else "Get EXCEL" on the active sheet "Data"
        std::string sewer;     // the sheet of lines
        std::string extra;     // PROJECT of the book
        const char* cells;     // named in the refusal; empty: the import goes in
        const char* numbers;   // cells named as holding no number
        std::string dia = {};  // DIA of the book
        const char* large = "";  // cells named as holding a number too large for its field
    };
    const Case cases[] = {
        {"line break in From", false, lines({{"A", "MH1\nNorth"}}), "", "Data!A2", ""},
        {"tab escapes in From and To", false, lines({{"A", "MH_x0009_1"}, {"B", "\tMH2"}}), "", "Data!A2, Data!B2", ""},
        {"control escape in the lateral", false, lines({{"J", "L_x0001_1"}}), "", "Data!J2", ""},
        {"carriage return in the manhole type", false, lines({{"K", "T&#13;2"}}), "", "Data!K2", ""},
        {"DEL in From", false, lines({{"A", "MH\x7F" "1"}}), "", "Data!A2", ""},
        {"texts that are no number", false,
         lines({{"E", "12abc"}, {"F", "1 2"}, {"G", "&amp;H1FFFFFFFF"}, {"H", "1.5 m"}, {"I", "0,004"}, {"L", "abc"},
                {"O", "1e999"}}),
         "", "", "Data!E2, Data!F2, Data!G2, Data!H2, Data!I2, Data!L2, Data!O2"},
        // Beyond the single range, whether the cell is a number or a text:
        // never stored as inf, nor left out as 0.
        {"numbers too large for their field", false, lines({{"E", "v:1e300"}, {"F", "1e39"}, {"L", "v:-1e39"}}), "", "",
         "", {}, "Data!E2, Data!F2, Data!L2"},
        {"a control character and a text that is no number", false, lines({{"A", "M\tH"}, {"C", "1 000"}}), "", "Data!A2",
         "Data!C2"},
        {"blanks only", false, lines({{"A", " MH1  North "}, {"C", " 12.5 "}, {"D", "   "}, {"L", " "}}), "", "", ""},
        {"the forms a cell takes typed", false,
         lines({{"A", " MH1  North "}, {"C", "1.25D1"}, {"D", "&amp;H0"}, {"E", "5e+3"}, {"L", "-.75"}, {"M", "\t"}}), "",
         "", ""},
        {"line break in From", true, sewer({{"A", "MH1\nNorth"}}), project({{11, "x"}}), "SEWER!A2", ""},
        {"DEL in To", true, sewer({{"B", "MH\x7F" "2"}}), project({{11, "x"}}), "SEWER!B2", ""},
        {"shared text with an escape", true, sharedTo, project({{11, "x"}}), "SEWER!B2", ""},
        {"line feed escape in the status", true, sewer({{"N", "ok_x000A_"}}), project({{11, "x"}}), "SEWER!N2", ""},
        {"tab in the n variable", true, sewer({}), project({{11, "n\tv"}}), "PROJECT!B11", ""},
        {"texts that are no number", true, sewer({{"E", "12abc"}, {"L", "0,004"}, {"O", "x1"}}),
         project({{1, "1.5 m"}, {11, "n"}, {13, "one"}, {14, "0,5"}, {15, " 7.25 "}}), "",
         "SEWER!E2, SEWER!L2, SEWER!O2, PROJECT!B1, PROJECT!B13, PROJECT!B14, DIA!B2", dia},
        {"numbers too large for their field", true, sewer({{"E", "v:1e300"}, {"F", "1e39"}, {"O", "v:-1e39"}}),
         project({{11, "n"}}), "", "",
         test::SheetXml("<row r=\"2\"><c r=\"A2\"><v>300</v></c><c r=\"B2\"><v>1e39</v></c></row>"),
         "SEWER!E2, SEWER!F2, SEWER!O2, DIA!B2"},
        {"blanks only", true, sewer({{"A", " MH1  North "}, {"C", " 12.5 "}, {"D", "   "}}), project({{11, " n v "}, {14, " "}}),
         "", ""},
        {"the forms a cell takes typed", true, sewer({{"A", " MH1  North "}, {"C", "\t125D-1\n"}, {"D", "&amp;O0"}}),
         project({{1, "&amp;H10"}, {11, "n"}, {13, "1D0"}, {14, " -.75 "}}), "", ""},
    };
    ExcelLineSettings frame;
    ImportColumnMap map;
    frame.column = map.column;
    frame.ticked = map.ticked;
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.name) + (c.book ? " (book)" : " (lines)"));
        const auto path = dir.path() / "names.xlsx";
        if (c.book) {
            std::vector<std::pair<std::string, std::string>> sheets = {{"SEWER", c.sewer}, {"PROJECT", c.extra}};
            if (!c.dia.empty()) sheets.emplace_back("DIA", c.dia);
            test::WriteZip(path, test::WorkbookParts(sheets, &shared));
        } else {
            test::WriteZip(path, test::WorkbookParts({{"Data", c.sewer}}, &shared));
        }
        Model m;
        test::NetBuilder(m).line("old1", "old2");
        const QString q = QString::fromStdString(path.string());
        Outcome o = c.book ? ImportExcelWorkbookFile(m, q) : ImportExcelLineFile(m, q, frame);
        if (!*c.cells && !*c.numbers && !*c.large) {
            ASSERT_TRUE(o.ok()) << o.message();
            EXPECT_EQ(m.Lines[1].From.rtrim(), " MH1  North");
            EXPECT_FLOAT_EQ(m.Lines[1].Gr1, 12.5f);
            EXPECT_EQ(m.Lines[1].Gr2, 0);
            continue;
        }
        EXPECT_FALSE(o.ok());
        if (*c.cells) {
            EXPECT_NE(o.message().find(std::string("control character, which no name may hold: ") + c.cells + "."),
                      std::string::npos)
                << o.message();
        }
        if (*c.numbers) {
            EXPECT_NE(o.message().find(std::string("not one number where a number belongs: ") + c.numbers + ";"),
                      std::string::npos)
                << o.message();
        }
        if (*c.large) {
            EXPECT_NE(o.message().find(std::string("a number too large for its field: ") + c.large + "."),
                      std::string::npos)
                << o.message();
        }
        EXPECT_NE(o.message().find("Nothing was imported."), std::string::npos) << o.message();
        EXPECT_EQ(m.LineCount, 1);
        EXPECT_EQ(m.Lines[1].From.rtrim(), "old1");
    }
}

TEST(CellText, NumbersBooleansAndErrors) {
    struct Case {
        CellValue v;
        bool ok;
        std::string text;
    };
    using K = CellValue::Kind;
    const Case cases[] = {
        {{K::Number, 2.5, {}}, true, "2.5"},         {{K::Number, -0.0, {}}, true, "0"},
        {{K::Number, 1e15, {}}, true, "1E+15"},      {{K::Number, 123456789012345, {}}, true, "123456789012345"},
        {{K::Number, 0.0001, {}}, true, "0.0001"},   {{K::Number, 1e-5, {}}, true, "1E-05"},
        {{K::Number, 0.1 + 0.2, {}}, true, "0.3"},   {{K::Bool, 1, {}}, true, "True"},
        {{K::Bool, 0, {}}, true, "False"},           {{K::Empty, 0, {}}, true, ""},
        {{K::Text, 0, QString::fromUtf8("Zürich")}, true, "Z\xFCrich"},
        {{K::Error, 0, "#N/A"}, false, ""},
    };
    for (const Case& c : cases) {
        std::string t = "unchanged";
        EXPECT_EQ(CellText(c.v, t), c.ok) << c.text;
        if (c.ok) { EXPECT_EQ(t, c.text); }
    }
}

}  // namespace
}  // namespace vd

namespace vd {
namespace {

// The entries on the workspace: the frame's "Import", "Get EXCEL" and
// "Get EXCEL Book".
TEST(ExcelImportEntries, FrameAndMenu) {
    QStandardPaths::setTestModeEnabled(true);
    TempDir dir;
    const QString lines = QString::fromStdString(dir.folder() + "lines.xlsx");
    const QString book = QString::fromStdString(dir.folder() + "book.xlsx");
    ASSERT_TRUE(WriteTextWorkbook(lines, "S", 3, 5, [](int r, int c) {
                    const char* cells[3][5] = {{"From", "To", "Gr", "Gr", "Len"},
                                               {"A", "B", "10", "9", "40"},
                                               {"B", "C", "9", "8", "30"}};
                    return QString(cells[r][c]);
                }).ok());
    ASSERT_TRUE(WriteTextWorkbook(book, " Sewer ", 2, 5, [](int r, int c) {
                    return r == 0 ? QString("h") : c < 2 ? QString("X%1").arg(c) : QString::number(c);
                }).ok());
    Model m;
    ScriptedDialogs dialogs;
    Form1 form(m, dialogs, test::StubViews());
    Vorlan* w = &form.workspace();
    test::NetBuilder(m).line("old1", "old2").len(5);
    m.Criteria.LPCD1 = 321;

    // "Get EXCEL" only shows the frame; a cancelled Import keeps the project.
    w->mnuexcel_Click();
    EXPECT_FALSE(test::Child<QGroupBox>(w, "Frame2")->isHidden());
    test::Child<QLineEdit>(w, "Text3")->setText("0");
    w->Command20_Click();
    ASSERT_EQ(dialogs.messages.size(), 1u);
    EXPECT_TRUE(dialogs.messages[0].contains("Start import at row"));
    EXPECT_TRUE(dialogs.asked.back().kind == ScriptedDialogs::Asked::Message);  // no file was asked for
    test::Child<QLineEdit>(w, "Text3")->setText("2");
    // The network has changes: each import asks first, and is answered Discard.
    dialogs.saveChoices.assign(4, Dialogs::SaveChoice::Discard);
    dialogs.files.push_back(std::nullopt);
    w->Command20_Click();
    EXPECT_EQ(dialogs.asked.back().filter, "Excel File (*.xlsx)|*.xlsx");
    EXPECT_EQ(dialogs.asked[dialogs.asked.size() - 2].kind, ScriptedDialogs::Asked::SaveChanges);
    EXPECT_EQ(m.LineCount, 1);
    EXPECT_EQ(m.Criteria.LPCD1, 321);

    // Esc during the read: nothing changes, nothing but the status says so.
    struct HeldEsc : EscKeyPoll {
        bool EscPressed() override { return true; }
    } esc;
    w->setWorkbookEscKeys(&esc);
    dialogs.files.push_back(lines);
    w->Command20_Click();
    EXPECT_EQ(m.LineCount, 1);
    EXPECT_EQ(m.Lines[1].From.rtrim(), "old1");
    EXPECT_EQ(m.Criteria.LPCD1, 321);
    EXPECT_EQ(dialogs.messages.size(), 1u);
    EXPECT_EQ(w->statusText(), kWorkbookReadCancelled);
    w->setWorkbookEscKeys(nullptr);

    dialogs.files.push_back(lines);
    w->Command20_Click();
    EXPECT_EQ(m.LineCount, 2);
    EXPECT_EQ(m.Lines[2].From.rtrim(), "B");
    EXPECT_NE(m.Criteria.LPCD1, 321);  // a new project's criteria
    EXPECT_TRUE(test::Child<QGroupBox>(w, "Frame2")->isHidden());
    EXPECT_EQ(w->statusText(), "Import...");

    test::Child<QPushButton>(w, "Command13")->setEnabled(true);
    dialogs.files.push_back(book);
    w->mnuexcelbook_Click();
    EXPECT_EQ(dialogs.asked.back().title, "Import Text");
    EXPECT_EQ(m.LineCount, 1);
    EXPECT_EQ(m.Lines[1].From.rtrim(), "X0");
    EXPECT_FALSE(test::Child<QPushButton>(w, "Command13")->isEnabled());

    // A sheet SEWER of as many lines as the tables take goes in whole; one
    // line more is said in a message box, the lines up to the limit in.
    for (const int extra : {0, 1}) {
        SCOPED_TRACE(extra);
        const QString most = QString::fromStdString(dir.folder() + "most.xlsx");
        ASSERT_TRUE(WriteTextWorkbook(most, "SEWER", kMaxLineUpper + 1 + extra, 5, [](int r, int c) {
                        return r == 0 ? QString("h") : c < 2 ? QString("M%1").arg(r + c) : QString::number(100 + c);
                    }).ok());
        const std::size_t said = dialogs.messages.size();
        dialogs.saveChoices.assign(1, Dialogs::SaveChoice::Discard);
        dialogs.files.push_back(most);
        w->mnuexcelbook_Click();
        EXPECT_EQ(m.LineCount, kMaxLineUpper);
        EXPECT_EQ(m.Lines[kMaxLineUpper].to.rtrim(), "M32001");
        ASSERT_EQ(dialogs.messages.size(), said + extra);
        if (extra) {
            EXPECT_EQ(dialogs.messages.back(), "The sheet SEWER holds more lines than the line table (32000); the rows "
                                               "from row 32002 on were not read.");
        }
    }
}

}  // namespace
}  // namespace vd


namespace vd {
namespace {

// Damaged sheet XML inside a sound archive, and damaged archives: every
// import either succeeds or says why, and never crashes.
TEST(ExcelImportHostile, DamagedPartsAndArchives) {
    TempDir dir;
    const std::string shared = "<si><t>MH1</t></si><si><r><t>M</t></r><r><t>H2</t></r></si><si><t>END</t></si>";
    const std::string sheet = test::SheetXml(
        "<row r=\"1\"><c r=\"A1\" t=\"s\"><v>0</v></c><c r=\"B1\" t=\"s\"><v>1</v></c></row>"
        "<row r=\"2\"><c r=\"A2\" t=\"inlineStr\"><is><t>MH2</t></is></c><c r=\"C2\"><v>101.5</v></c>"
        "<c r=\"D2\" t=\"b\"><v>1</v></c><c r=\"E2\" t=\"e\"><v>#N/A</v></c><c r=\"F2\" t=\"str\"><f>A1</f><v>x</v></c></row>"
        "<row r=\"3\"><c r=\"A3\" t=\"s\"><v>2</v></c></row>");
    const std::string project = test::SheetXml("<row r=\"17\"><c r=\"B17\"><v>2</v></c></row>");
    test::ByteMutator mutate(1307, {"<row r=\"", "<c r=\"", "\" t=\"s\">", "\" t=\"inlineStr\">", "<v>", "</v>",
                                    "</c>", "</row>", "<is><t>", "1048577", "XFD", "XFE1", "_x0000_", "&amp;",
                                    "<rPh>", "]]>", "<!DOCTYPE x [<!ENTITY a \"aaaa\">]>", "&a;", "99999999999"});
    ExcelLineSettings frame;
    ImportColumnMap map;
    frame.column = map.column;
    frame.ticked = map.ticked;
    const auto path = dir.path() / "h.xlsx";
    const QString qpath = QString::fromStdString(path.string());
    const int rounds = test::HostileIterations(300);
    for (int n = 0; n < rounds; ++n) {
        std::string s = sheet, sst = shared, p = project;
        std::string& target = n % 3 == 0 ? s : n % 3 == 1 ? sst : p;
        target = mutate.mutate(target);
        test::Parts parts = test::WorkbookParts({{"SEWER", s}, {"Project", p}}, &sst);
        test::WriteZip(path, parts);
        if (n % 10 == 9) test::WriteBytes(path, mutate.mutate(test::ReadBytes(path)));
        Model m;
        Outcome book = ImportExcelWorkbookFile(m, qpath);
        if (!book) { EXPECT_FALSE(book.message().empty()) << n; }
        Outcome lines = ImportExcelLineFile(m, qpath, frame);
        if (!lines) { EXPECT_FALSE(lines.message().empty()) << n; }
        EXPECT_LE(m.LineCount, m.LineUpper()) << n;
    }
}

// A book of 2,000 sheets SEWER whose every cell is an error, which no field
// takes: each of the 1,440,000 cells is left out and counted, ten named,
// and no name is kept for the others (those took 80 MB beside the sheets).
TEST(ExcelImportHostile, CellsLeftOutAreCountedNotKept) {
    TempDir dir;
    std::string rows;
    for (int r = 2; r <= 41; ++r) {
        rows += "<row r=\"" + std::to_string(r) + "\">";
        for (int c = 0; c < 18; ++c) rows += "<c t=\"e\"/>";
        rows += "</row>";
    }
    const auto path = dir.path() / "book.xlsx";
    test::WriteZip(path, test::WorkbookParts(std::vector<std::pair<std::string, std::string>>(
                             2000, {"SEWER", test::SheetXml(rows)})));
    Model m;
    rusage before{}, after{};
    getrusage(RUSAGE_SELF, &before);
    const Outcome o = ImportExcelWorkbookFile(m, QString::fromStdString(path.string()));
    getrusage(RUSAGE_SELF, &after);
    ASSERT_TRUE(o.ok()) << o.message();
    EXPECT_EQ(m.LineCount, 40);
    EXPECT_NE(o.message().find("left out: SEWER!A2, SEWER!B2, "), std::string::npos) << o.message();
    EXPECT_NE(o.message().find("SEWER!J2 and 1439990 more."), std::string::npos) << o.message();
#if !defined(__SANITIZE_ADDRESS__)  // whose allocations weigh more, and stay a while once freed
    // The sheets themselves take 16 MB more than writing the book did.
    EXPECT_LT(after.ru_maxrss - before.ru_maxrss, 40 * 1024);
#endif
}

}  // namespace
}  // namespace vd
