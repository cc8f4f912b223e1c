#include "platform/workbook.h"

#include <gtest/gtest.h>

#include "xlsx_fixture.h"

namespace vd {
namespace {

using test::TempDir;
using Kind = CellValue::Kind;

QString Q(const std::filesystem::path& p) { return QString::fromStdString(p.string()); }

std::unique_ptr<Workbook> OpenOk(const std::filesystem::path& p) {
    Outcome o;
    auto wb = Workbook::Open(Q(p), o);
    EXPECT_TRUE(o.ok()) << o.message();
    return wb;
}

struct Expect {
    int row, col;
    Kind kind;
    double number;
    QString text;
};

void CheckCells(const Worksheet& ws, const std::vector<Expect>& cells) {
    for (const Expect& e : cells) {
        CellValue v = ws.cell(e.row, e.col);
        EXPECT_EQ(v.kind, e.kind) << e.row << "," << e.col;
        if (e.kind == Kind::Number || e.kind == Kind::Bool) { EXPECT_DOUBLE_EQ(v.number, e.number) << e.row << "," << e.col; }
        if (e.kind == Kind::Text || e.kind == Kind::Error) { EXPECT_EQ(v.text, e.text) << e.row << "," << e.col; }
    }
}

TEST(WorkbookReader, OpenpyxlWorkbook) {
    if (!test::HaveOpenpyxl()) GTEST_SKIP() << "openpyxl not available";
    TempDir dir;
    ASSERT_TRUE(test::RunPython(dir.path(), R"(
import openpyxl, datetime
wb = openpyxl.Workbook()
a = wb.active
a.title = "First"
a["A1"] = "MH-1"
a["B1"] = 2.5
a["C3"] = True
a["D4"] = datetime.datetime(2020, 1, 1, 12, 0)
a["E5"] = "Zürich"
b = wb.create_sheet(" sewer ")
b["B3"] = "start"
b["C3"] = -0.001
b["A9"] = 123456789012345
b["Z9"] = ""
wb.active = 1
wb.save(")" + (dir.path() / "a.xlsx").string() + R"(")
)"));
    auto wb = OpenOk(dir.path() / "a.xlsx");
    ASSERT_TRUE(wb);
    EXPECT_EQ(wb->sheetNames(), QStringList({"First", " sewer "}));
    EXPECT_EQ(wb->activeSheet(), 1);

    Worksheet first, second;
    ASSERT_TRUE(wb->loadSheet(0, first).ok());
    ASSERT_TRUE(wb->loadSheet(1, second).ok());
    CheckCells(first, {{1, 1, Kind::Text, 0, "MH-1"},
                       {1, 2, Kind::Number, 2.5, {}},
                       {3, 3, Kind::Bool, 1, {}},
                       {4, 4, Kind::Number, 43831.5, {}},
                       {5, 5, Kind::Text, 0, QString::fromUtf8("Zürich")},
                       {1, 3, Kind::Empty, 0, {}},
                       {6, 1, Kind::Empty, 0, {}}});
    EXPECT_EQ(first.firstRow(), 1);
    EXPECT_EQ(first.lastRow(), 5);
    // The used range starts at row 3: its row count is not its last row.
    CheckCells(second, {{3, 2, Kind::Text, 0, "start"}, {3, 3, Kind::Number, -0.001, {}}, {9, 1, Kind::Number, 123456789012345.0, {}}});
    EXPECT_EQ(second.firstRow(), 3);
    EXPECT_EQ(second.lastRow(), 9);
    EXPECT_EQ(second.usedRowCount(), 7);
}

TEST(WorkbookReader, HandWrittenParts) {
    TempDir dir;
    // Rich text with a phonetic hint, an escaped carriage return, inline
    // strings, formulas with cached values, rows and cells without
    // references, out of order cells, booleans and error values.
    const std::string shared =
        "<si><t>plain</t></si>"
        "<si><r><t>ri</t></r><r><rPr><b/></rPr><t>ch</t></r><rPh><t>hint</t></rPh></si>"
        "<si><t>a_x000D_b</t></si>";
    const std::string sheet = test::SheetXml(
        "<row r=\"2\"><c r=\"C2\" t=\"s\"><v>1</v></c><c r=\"A2\" t=\"s\"><v>0</v></c></row>"
        "<row><c t=\"inlineStr\"><is><t>in</t></is></c><c t=\"inlineStr\"><is><r><t>li</t></r><r><t>ne</t></r></is></c>"
        "<c t=\"s\"><v>2</v></c></row>"
        "<row r=\"7\"><c r=\"B7\"><f>1+1</f><v>2</v></c><c r=\"C7\" t=\"str\"><f>\"x\"&amp;\"y\"</f><v>xy</v></c>"
        "<c r=\"D7\" t=\"b\"><v>0</v></c><c r=\"E7\" t=\"e\"><v>#DIV/0!</v></c><c r=\"F7\" s=\"1\"/>"
        "<c r=\"G7\" t=\"str\"><f>\"\"</f><v></v></c><c r=\"H7\" t=\"d\"><v>2020-01-02</v></c></row>");
    test::WriteZip(dir.path() / "h.xlsx",
                   test::WorkbookParts({{"One", test::SheetXml("")}, {"Two", sheet}}, &shared, 1));
    auto wb = OpenOk(dir.path() / "h.xlsx");
    ASSERT_TRUE(wb);
    EXPECT_EQ(wb->activeSheet(), 1);
    Worksheet ws;
    ASSERT_TRUE(wb->loadSheet(1, ws).ok());
    CheckCells(ws, {{2, 1, Kind::Text, 0, "plain"},
                    {2, 3, Kind::Text, 0, "rich"},
                    {3, 1, Kind::Text, 0, "in"},
                    {3, 2, Kind::Text, 0, "line"},
                    {3, 3, Kind::Text, 0, "a\rb"},
                    {7, 2, Kind::Number, 2, {}},
                    {7, 3, Kind::Text, 0, "xy"},
                    {7, 4, Kind::Bool, 0, {}},
                    {7, 5, Kind::Error, 0, "#DIV/0!"},
                    {7, 6, Kind::Empty, 0, {}},
                    {7, 7, Kind::Text, 0, ""},
                    {7, 8, Kind::Number, 43832, {}}});
    EXPECT_TRUE(ws.cell(7, 7).isBlank());
    EXPECT_EQ(ws.firstRow(), 2);
    EXPECT_EQ(ws.lastRow(), 7);
    Worksheet empty;
    ASSERT_TRUE(wb->loadSheet(0, empty).ok());
    EXPECT_EQ(empty.usedRowCount(), 0);
    EXPECT_EQ(empty.cell(1, 1).kind, Kind::Empty);
}

TEST(WorkbookReader, RefusesDamagedAndForeignFiles) {
    TempDir dir;
    const std::string good = test::SheetXml("<row r=\"1\"><c r=\"A1\"><v>1</v></c></row>");
    const std::string longText(40000, 'x');
    const std::string longShared = "<si><t>" + longText + "</t></si>";
    const std::string oneShared = "<si><t>a</t></si>";
    test::WriteZip(dir.path() / "good.xlsx", test::WorkbookParts({{"S", good}}));
    std::string goodBytes = test::ReadBytes(dir.path() / "good.xlsx");

    struct Case {
        const char* name;
        std::function<void(const std::filesystem::path&)> make;
        bool opens;       // the sheet list reads; the sheet itself fails
        const char* says;
    };
    const Case cases[] = {
        {"text file", [](auto p) { test::WriteBytes(p, "From,To\nMH1,MH2\n"); }, false, "not an Excel workbook"},
        {"empty file", [](auto p) { test::WriteBytes(p, ""); }, false, "not an Excel workbook"},
        {"zip without workbook", [](auto p) { test::WriteZip(p, {{"readme.txt", "hello"}}); }, false, "holds no Excel workbook"},
        {"cut in half", [&](auto p) { test::WriteBytes(p, goodBytes.substr(0, goodBytes.size() / 2)); }, false, "not an Excel workbook"},
        {"sheet bytes damaged",
         [&](auto p) {
             std::string b = goodBytes;
             auto at = b.find("xl/worksheets/sheet1.xml");
             // Inside the stored data of the first entry that follows the name.
             for (std::size_t k = at + 30; k < at + 60 && k < b.size(); ++k) b[k] = static_cast<char>(b[k] ^ 0x5A);
             test::WriteBytes(p, b);
         },
         true, "damaged"},
        {"shared texts missing",
         [&](auto p) { test::WriteZip(p, test::WorkbookParts({{"S", test::SheetXml("<row r=\"1\"><c r=\"A1\" t=\"s\"><v>0</v></c></row>")}})); },
         true, "shared texts, which is missing"},
        {"shared text beyond the table",
         [&](auto p) { test::WriteZip(p, test::WorkbookParts({{"S", test::SheetXml("<row r=\"1\"><c r=\"A1\" t=\"s\"><v>5</v></c></row>")}}, &oneShared)); },
         true, "does not hold"},
        {"40000-character inline text",
         [&](auto p) { test::WriteZip(p, test::WorkbookParts({{"S", test::SheetXml("<row r=\"1\"><c r=\"A1\" t=\"inlineStr\"><is><t>" + longText + "</t></is></c></row>")}})); },
         true, "more than 32767 characters"},
        {"40000-character shared text", [&](auto p) { test::WriteZip(p, test::WorkbookParts({{"S", good}}, &longShared)); }, false,
         "more than 32767 characters"},
        {"row beyond the last", [&](auto p) { test::WriteZip(p, test::WorkbookParts({{"S", test::SheetXml("<row r=\"1048577\"><c><v>1</v></c></row>")}})); },
         true, "out of range"},
        {"sheet part missing",
         [&](auto p) {
             test::Parts parts = test::WorkbookParts({{"S", good}});
             parts.erase("xl/worksheets/sheet1.xml");
             test::WriteZip(p, parts);
         },
         true, "missing from the archive"},
        {"broken XML", [&](auto p) { test::WriteZip(p, test::WorkbookParts({{"S", "<worksheet><sheetData><row>"}})); }, true, "damaged"},
        {"number that is none", [&](auto p) { test::WriteZip(p, test::WorkbookParts({{"S", test::SheetXml("<row><c><v>abc</v></c></row>")}})); },
         true, "holds no number"},
    };
    for (const Case& c : cases) {
        auto path = dir.path() / (std::string(c.name) + ".xlsx");
        c.make(path);
        Outcome o;
        auto wb = Workbook::Open(Q(path), o);
        if (!c.opens) {
            EXPECT_FALSE(wb) << c.name;
            EXPECT_NE(o.message().find(c.says), std::string::npos) << c.name << ": " << o.message();
            continue;
        }
        ASSERT_TRUE(wb) << c.name << ": " << o.message();
        Worksheet ws;
        Outcome loaded = wb->loadSheet(0, ws);
        EXPECT_FALSE(loaded.ok()) << c.name;
        EXPECT_NE(loaded.message().find(c.says), std::string::npos) << c.name << ": " << loaded.message();
        EXPECT_EQ(ws.lastRow(), 0) << c.name;
    }
}

TEST(WorkbookWriter, TextSheetReadsBackInOpenpyxlAndHere) {
    TempDir dir;
    const auto path = dir.path() / "out.xlsx";
    const QString cells[2][3] = {{"Title ", QString::fromUtf8("Zürich "), QString("a") + QChar(1) + "b" + QChar(0xB) + " "},
                                 {"1.5 ", "", "tab\there "}};
    ASSERT_TRUE(WriteTextWorkbook(Q(path), "Lines", 2, 3, [&](int r, int c) { return cells[r][c]; }).ok());

    auto wb = OpenOk(path);
    ASSERT_TRUE(wb);
    EXPECT_EQ(wb->sheetNames(), QStringList({"Lines"}));
    Worksheet ws;
    ASSERT_TRUE(wb->loadSheet(0, ws).ok());
    CheckCells(ws, {{1, 1, Kind::Text, 0, "Title "},
                    {1, 2, Kind::Text, 0, QString::fromUtf8("Zürich ")},
                    {1, 3, Kind::Text, 0, "ab "},
                    {2, 1, Kind::Text, 0, "1.5 "},
                    {2, 2, Kind::Empty, 0, {}},
                    {2, 3, Kind::Text, 0, "tab\there "}});

    if (!test::HaveOpenpyxl()) GTEST_SKIP() << "openpyxl not available";
    std::string out;
    ASSERT_TRUE(test::RunPython(dir.path(), R"(
import openpyxl
wb = openpyxl.load_workbook(")" + path.string() + R"(")
ws = wb.active
print(ws.title)
for row in ws.iter_rows(min_row=1, max_row=2, max_col=3):
    print("|".join(repr(c.value) for c in row))
)", &out));
    EXPECT_EQ(out, "Lines\n'Title '|'Zürich '|'ab '\n'1.5 '|None|'tab\\there '\n");
}

TEST(WorkbookWriter, FailureKeepsTheOldFile) {
    TempDir dir;
    const auto path = dir.path() / "keep.xlsx";
    test::WriteBytes(path, "old");
    auto one = [](int, int) { return QString("x"); };
    Outcome badName = WriteTextWorkbook(Q(path), "a/b", 1, 1, one);
    EXPECT_FALSE(badName.ok());
    EXPECT_NE(badName.message().find("a/b"), std::string::npos) << badName.message();
    Outcome tooLong = WriteTextWorkbook(Q(path), "", 1, 1, [](int, int) { return QString(40000, 'x'); });
    EXPECT_FALSE(tooLong.ok());
    EXPECT_EQ(test::ReadBytes(path), "old");
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.path()), {}), 1);  // no temporary left
    Outcome noFolder = WriteTextWorkbook(Q(dir.path() / "none" / "x.xlsx"), "", 1, 1, one);
    EXPECT_FALSE(noFolder.ok());
    EXPECT_NE(noFolder.message().find("cannot be written"), std::string::npos) << noFolder.message();
}

}  // namespace
}  // namespace vd
