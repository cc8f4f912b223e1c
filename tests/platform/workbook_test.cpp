#include "platform/workbook.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <QProcess>

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

// Every way the writer program can fail reaches the user as a sentence
// naming the file, keeps the old file and leaves no temporary behind.
TEST(WorkbookWriter, WriterFailuresLeaveNothingBehind) {
    TempDir dir;
    const auto path = dir.path() / "keep.xlsx";
    const auto script = [&](const char* file, const std::string& body) {
        const auto p = dir.path() / file;
        test::WriteBytes(p, "#!/bin/sh\n" + body + "\n");
        std::filesystem::permissions(p, std::filesystem::perms::owner_all);
        return Q(p);
    };
    const QString crashes = script("crashes.sh", "head -c 100 >/dev/null; kill -SEGV $$");
    const QString speaks = script("speaks.sh", "cat >/dev/null; echo 'the tape ran out' >&2; echo more >&2; exit 2");
    const QString quiet = script("quiet.sh", "exit 3");
    const QString empty = script("empty.sh", "cat >/dev/null; : > \"$1\"");
    test::WriteBytes(dir.path() / "plain", "");
    const int files = 6;  // the old workbook, the scripts and the plain file

    auto many = [](int r, int c) { return QStringLiteral("cell %1 %2").arg(r).arg(c); };
    struct Case {
        const char* name;
        QString tool;  // empty: the real one
        QString sheet;
        QString file;  // empty: keep.xlsx
        const char* says;
    };
    const Case cases[] = {
        {"writer missing", Q(dir.path() / "no-such-writer"), "S", {}, "cannot be started"},
        {"writer crashes", crashes, "S", {}, "stopped unexpectedly"},
        {"writer says why", speaks, "S", {}, "cannot be written: the tape ran out."},
        {"writer fails quietly", quiet, "S", {}, "failed (exit code 3)"},
        {"writer writes nothing", empty, "S", {}, "left no workbook"},
        {"name too long", {}, QString(32, 'n'), {}, "at most 31 characters"},
        {"name with a star", {}, "a*b", {}, "may not hold"},
        {"name in apostrophes", {}, "'quoted'", {}, "apostrophe"},
        {"reserved name", {}, "history", {}, "reserved"},
        {"folder is a file", {}, "S", Q(dir.path() / "plain" / "x.xlsx"), "the folder does not exist"},
    };
    for (const Case& c : cases) {
        test::WriteBytes(path, "old");
        const QString file = c.file.isEmpty() ? Q(path) : c.file;
        Outcome o = c.tool.isEmpty() ? WriteTextWorkbook(file, c.sheet, 3000, 10, many)
                                     : WriteTextWorkbookWith(c.tool, file, c.sheet, 3000, 10, many);
        EXPECT_FALSE(o.ok()) << c.name;
        EXPECT_NE(o.message().find(c.says), std::string::npos) << c.name << ": " << o.message();
        if (c.tool.isEmpty() && c.file.isEmpty()) {
            EXPECT_NE(o.message().find(c.sheet.toStdString()), std::string::npos) << c.name;
        } else {  // the user's file is named
            EXPECT_EQ(o.message().rfind("\"" + file.toStdString() + "\" cannot be written: ", 0), 0u) << o.message();
        }
        EXPECT_EQ(test::ReadBytes(path), "old") << c.name;
        EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.path()), {}), files) << c.name;
    }

    if (::geteuid() == 0) return;  // folder permissions do not bind this user
    const auto locked = dir.path() / "locked";
    std::filesystem::create_directory(locked);
    std::filesystem::permissions(locked, std::filesystem::perms::owner_read | std::filesystem::perms::owner_exec);
    Outcome o = WriteTextWorkbook(Q(locked / "x.xlsx"), "S", 1, 1, many);
    EXPECT_NE(o.message().find("may not be written to"), std::string::npos) << o.message();
    EXPECT_TRUE(std::filesystem::is_empty(locked));
}

// The writer program on its own: a damaged description or a refused
// sheet ends with one line on standard error, a failing exit and no file.
TEST(WorkbookWriterTool, RefusesWhatItCannotWrite) {
    TempDir dir;
    auto u32 = [](uint32_t v) {
        return std::string{static_cast<char>(v & 0xFF), static_cast<char>(v >> 8 & 0xFF), static_cast<char>(v >> 16 & 0xFF),
                           static_cast<char>(v >> 24 & 0xFF)};
    };
    auto text = [&](const std::string& t) { return u32(static_cast<uint32_t>(t.size())) + t; };
    auto sheet = [&](const std::string& name, uint32_t rows, uint32_t cols, const std::vector<std::string>& cells) {
        std::string d = "VDXLSX1\n" + text(name) + u32(rows) + u32(cols);
        for (const std::string& c : cells) d += text(c);
        return d;
    };
    const std::string good = sheet("S", 1, 2, {"a", "b"});
    struct Case {
        const char* name;
        std::string input;
        std::string out;  // "" for a file in the test folder
        const char* says; // nullptr: written
    };
    const Case cases[] = {
        {"good", good, "", nullptr},
        {"wrong header", "VDXLSX2\n" + good.substr(8), "", "damaged"},
        {"nothing at all", "", "", "damaged"},
        {"cut short", good.substr(0, good.size() - 1), "", "damaged"},
        {"more than described", good + "x", "", "damaged"},
        {"cell length beyond any cell", sheet("S", 1, 1, {}) + u32(0x7FFFFFFF), "", "damaged"},
        {"NUL inside a text", sheet("S", 1, 1, {std::string("a\0b", 3)}), "", "damaged"},
        {"sheet name with a slash", sheet("a/b", 1, 1, {"x"}), "", "cannot be named \"a/b\""},
        {"sheet name too long", sheet(std::string(32, 'n'), 1, 1, {"x"}), "", "cannot be named"},
        {"too many rows", sheet("S", 1048577, 1, {}), "", "larger than a workbook allows"},
        {"too many columns", sheet("S", 1, 16385, {}), "", "larger than a workbook allows"},
        {"40000-character cell", sheet("S", 2, 1, {"x", std::string(40000, 'x')}), "", "cell A2 cannot be written"},
        {"folder missing", good, (dir.path() / "none" / "x.xlsx").string(), "cannot be written"},
    };
    for (const Case& c : cases) {
        const std::string out = c.out.empty() ? (dir.path() / (std::string(c.name) + ".xlsx")).string() : c.out;
        QProcess p;
        p.start(WorkbookWriterTool(), {QString::fromStdString(out)});
        ASSERT_TRUE(p.waitForStarted()) << p.errorString().toStdString();
        p.write(c.input.data(), static_cast<qint64>(c.input.size()));
        p.closeWriteChannel();
        ASSERT_TRUE(p.waitForFinished(60000)) << c.name;
        const std::string err = p.readAllStandardError().toStdString();
        EXPECT_EQ(p.exitStatus(), QProcess::NormalExit) << c.name;
        if (!c.says) {
            EXPECT_EQ(p.exitCode(), 0) << c.name << ": " << err;
            EXPECT_TRUE(std::filesystem::is_regular_file(out)) << c.name;
            continue;
        }
        EXPECT_EQ(p.exitCode(), 1) << c.name;
        EXPECT_NE(err.substr(0, err.find('\n')).find(c.says), std::string::npos) << c.name << ": " << err;
        EXPECT_FALSE(std::filesystem::exists(out)) << c.name;
    }
    auto wb = OpenOk(dir.path() / "good.xlsx");
    ASSERT_TRUE(wb);
    Worksheet ws;
    ASSERT_TRUE(wb->loadSheet(0, ws).ok());
    CheckCells(ws, {{1, 1, Kind::Text, 0, "a"}, {1, 2, Kind::Text, 0, "b"}});
}

}  // namespace
}  // namespace vd
