#include "platform/workbook.h"

#include <gtest/gtest.h>
#include <sys/resource.h>
#include <unistd.h>

#include <QStringEncoder>
#include <algorithm>
#include <clocale>
#include <cstdint>
#include <cstdlib>
#include <cstring>


#include "comma_decimals.h"
#include "xlsx_fixture.h"

namespace vd {
namespace {

using test::TempDir;
using Kind = CellValue::Kind;

QString Q(const std::filesystem::path& p) { return QString::fromStdString(p.string()); }

// The archive with its entry `name` saying it unpacks to `more` bytes more
// than it does, in its local header and in the central directory alike.
std::string Oversized(std::string zip, const std::string& name, std::uint32_t more) {
    auto patch = [&](std::size_t at) {
        std::uint32_t size = 0;
        std::memcpy(&size, &zip[at], 4);
        size += more;
        std::memcpy(&zip[at], &size, 4);
    };
    for (std::size_t at = 0; (at = zip.find(name, at)) != std::string::npos; at += name.size()) {
        if (at >= 30 && zip.compare(at - 30, 4, std::string("PK\x03\x04", 4)) == 0) patch(at - 30 + 22);
        else if (at >= 46 && zip.compare(at - 46, 4, std::string("PK\x01\x02", 4)) == 0) patch(at - 46 + 24);
    }
    return zip;
}

// UTF-8 text as UTF-16 bytes.
std::string Utf16(const std::string& utf8, bool bigEndian, bool byteOrderMark) {
    QStringEncoder encoder(bigEndian ? QStringEncoder::Utf16BE : QStringEncoder::Utf16LE,
                           byteOrderMark ? QStringEncoder::Flag::WriteBom : QStringEncoder::Flag::Default);
    const QByteArray bytes = encoder(QString::fromUtf8(utf8));
    return bytes.toStdString();
}

long PeakRssKb() {
    rusage u{};
    getrusage(RUSAGE_SELF, &u);
    return u.ru_maxrss;
}

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
        "<c r=\"G7\" t=\"str\"><f>\"\"</f><v></v></c><c r=\"H7\" t=\"d\"><v>2020-01-02</v></c>"
        // Formulas never calculated: no value, or an empty one, whatever the type.
        "<c r=\"I7\"><f>B7*2</f><v></v></c><c r=\"J7\"><f>B7*2</f></c><c r=\"K7\" t=\"b\"><f>1=1</f><v> </v></c>"
        "<c r=\"L7\" t=\"e\"><f>1/0</f><v/></c>"
        // Sections that may hold "<": a comment, an instruction, CDATA.
        "<!-- <row r=\"8\"> - ]]> ?> --><?pi <c> ? > ?><c r=\"M7\" t=\"inlineStr\"><is><t><![CDATA[a<b> ]] c]]></t></is></c>"
        // Dates with a time: the clock as written, whatever zone it names.
        "<c r=\"N7\" t=\"d\"><v>2020-01-02T12:00:00.000+02:00</v></c><c r=\"O7\" t=\"d\"><v> 2020-01-02T18:00:00Z </v></c>"
        "<c r=\"P7\" t=\"d\"><v>2020-01-02T06:00:00</v></c><c r=\"Q7\" t=\"d\"><v>2020-02-30</v></c></row>"
        // Names with a prefix read by their local names.
        "<row r=\"9\" xmlns:x=\"urn:x\" xmlns:y=\"urn:y\"><x:c x:r=\"B9\" y:r=\"Z9\" t=\"inlineStr\"><x:is>"
        "<x:t xml:space=\"preserve\"> sp </x:t></x:is></x:c><c r=\"C9\"><x:v>9</x:v></c></row>");
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
                    {7, 7, Kind::Empty, 0, {}},
                    {7, 8, Kind::Number, 43832, {}},
                    {7, 9, Kind::Empty, 0, {}},
                    {7, 10, Kind::Empty, 0, {}},
                    {7, 11, Kind::Empty, 0, {}},
                    {7, 12, Kind::Empty, 0, {}},
                    {7, 13, Kind::Text, 0, "a<b> ]] c"},
                    {7, 14, Kind::Number, 43832.5, {}},
                    {7, 15, Kind::Number, 43832.75, {}},
                    {7, 16, Kind::Number, 43832.25, {}},
                    {7, 17, Kind::Text, 0, "2020-02-30"},
                    {9, 2, Kind::Text, 0, " sp "},
                    {9, 3, Kind::Number, 9, {}}});
    EXPECT_EQ(ws.firstRow(), 2);
    EXPECT_EQ(ws.lastRow(), 9);
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
    const std::string mismatchedShared = "<si><t>a</si>";
    const std::string sheetHead = test::SheetXml("").substr(0, test::SheetXml("").find("</sheetData>"));
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
        {"broken XML", [&](auto p) { test::WriteZip(p, test::WorkbookParts({{"S", "<worksheet><sheetData><row>"}})); }, true,
         "is damaged: broken XML in xl/worksheets/sheet1.xml, line 1: Premature end of document"},
        // Broken XML in a sound archive is said as such, with its part and line.
        {"tags that do not match",
         [&](auto p) { test::WriteZip(p, test::WorkbookParts({{"S", test::SheetXml("\n<row><c></row>" + std::string(70000, ' '))}})); },
         true, "is damaged: broken XML in xl/worksheets/sheet1.xml, line 2: Opening and ending tag mismatch"},
        {"shared texts with tags that do not match",
         [&](auto p) { test::WriteZip(p, test::WorkbookParts({{"S", good}}, &mismatchedShared)); }, false,
         "table of shared texts is damaged: broken XML in xl/sharedStrings.xml, line 1: Opening and ending tag mismatch"},
        // What would cost without bound: elements nested a million deep in
        // 15 kB, entities expanding to gigabytes, a comment holding "<"
        // unpacking to 64 MB.
        {"nested a million deep",
         [&](auto p) {
             test::WriteInflatingZip(p, test::WorkbookParts({{"S", good}}), "xl/worksheets/sheet1.xml", sheetHead, "<a>",
                                     1 << 20, "");
         },
         true, "its elements nest more than 256 deep (xl/worksheets/sheet1.xml, line 1)"},
        {"document type",
         [&](auto p) {
             test::WriteZip(p, test::WorkbookParts({{"S", "<?xml version=\"1.0\"?><!DOCTYPE w [<!ENTITY e \"" +
                                                            std::string(4000, 'e') + "\">]><worksheet><sheetData><row><c "
                                                            "t=\"inlineStr\"><is><t>&e;&e;</t></is></c></row></sheetData></worksheet>"}}));
         },
         true, "it declares a document type"},
        {"inflating comment",
         [&](auto p) {
             test::WriteInflatingZip(p, test::WorkbookParts({{"S", good}}), "xl/worksheets/sheet1.xml", sheetHead + "<!--",
                                     "<" + std::string(1023, 'c'), 1 << 16, "--></sheetData></worksheet>");
         },
         true, "holds a comment longer than 1048576 bytes"},
        // The deflated data ends short of the size the archive gives: its
        // checksum is never reached, so only the end of the entry tells.
        {"entry shorter than it says",
         [&](auto p) { test::WriteBytes(p, Oversized(goodBytes, "xl/worksheets/sheet1.xml", 100)); },
         true, "cannot be unpacked: the archive is damaged"},
        // One tag the XML reader would take seconds over, comparing every
        // attribute with every other.
        {"80000 attributes",
         [&](auto p) {
             std::string tag = "<row r=\"1\"";
             for (int k = 0; k < 80000; ++k) tag += " a" + std::to_string(k) + "=\"\"";
             test::WriteZip(p, test::WorkbookParts({{"S", test::SheetXml(tag + "/>")}}));
         },
         true, "a tag holds more than 64 attributes"},
        // Namespaces as XML has them: a prefix is declared, and two prefixes
        // of one address make one attribute of two.
        {"prefix not declared",
         [&](auto p) { test::WriteZip(p, test::WorkbookParts({{"S", test::SheetXml("<row><p:c/></row>")}})); }, true,
         "broken XML in xl/worksheets/sheet1.xml, line 1: Namespace prefix 'p' not declared"},
        {"one attribute twice",
         [&](auto p) {
             test::WriteZip(p, test::WorkbookParts({{"S", test::SheetXml("<row xmlns:p=\"u\" xmlns:q=\"u\" p:a=\"1\" q:a=\"2\"/>")}}));
         },
         true, "broken XML in xl/worksheets/sheet1.xml, line 1: Attribute 'q:a' redefined"},
        {"number that is none", [&](auto p) { test::WriteZip(p, test::WorkbookParts({{"S", test::SheetXml("<row><c><v>abc</v></c></row>")}})); },
         true, "holds no number"},
        {"may not be read",
         [&](auto p) {
             test::WriteBytes(p, goodBytes);
             std::filesystem::permissions(p, std::filesystem::perms::none);
         },
         false, "cannot be read: you are not permitted"},
        {"folder", [&](auto p) { std::filesystem::create_directory(p); }, false, "cannot be read: it is a folder"},
        // One cell, and one shared text, unpacking to 64 MB from a few hundred kB.
        {"inflating cell",
         [&](auto p) {
             test::WriteInflatingZip(p, test::WorkbookParts({{"S", good}}), "xl/worksheets/sheet1.xml",
                                     test::SheetXml("").substr(0, test::SheetXml("").find("</sheetData>")) +
                                         "<row r=\"1\"><c r=\"A1\" t=\"inlineStr\"><is><t>",
                                     std::string(4096, 'x'), 1 << 14, "</t></is></c></row></sheetData></worksheet>");
         },
         true, "longer than any cell may hold"},
        {"inflating shared text",
         [&](auto p) {
             test::WriteInflatingZip(p, test::WorkbookParts({{"S", good}}, &oneShared), "xl/sharedStrings.xml",
                                     "<sst><si><t>", std::string(4096, 'y'), 1 << 14, "</t></si></sst>");
         },
         false, "longer than any cell may hold"},
        {"many runs of one shared text",
         [&](auto p) {
             test::WriteInflatingZip(p, test::WorkbookParts({{"S", good}}, &oneShared), "xl/sharedStrings.xml",
                                     "<sst><si>", "<r><t>" + std::string(1000, 'z') + "</t></r>", 1 << 12, "</si></sst>");
         },
         false, "more than 32767 characters"},
    };
    const long peakBefore = PeakRssKb();
    for (const Case& c : cases) {
        auto path = dir.path() / (std::string(c.name) + ".xlsx");
        c.make(path);
        Outcome o;
        // Permissions do not bind the superuser: the read runs as nobody.
        const bool asNobody = ::geteuid() == 0 && std::string(c.name) == "may not be read";
        if (asNobody) { ASSERT_EQ(::seteuid(65534), 0); }
        auto wb = Workbook::Open(Q(path), o);
        if (asNobody) { ASSERT_EQ(::seteuid(0), 0); }
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
    // The 64 MB texts were never held (they would take 128 MB as text, and
    // as much again in the XML reader): refused as they unpacked.
    EXPECT_LT(PeakRssKb() - peakBefore, 100 * 1024);
}

// A part in UTF-16 reads as in UTF-8, in either byte order, with or without
// a byte-order mark; no document type passes, whatever the encoding, before
// its entities expand (a 2.5 kB part in UTF-16 whose one entity of 4000
// characters was used 60000 times took 7 s and 950 MB); an encoding the
// part is not written in, or one a workbook may not use, is refused.
TEST(WorkbookReader, EncodingsOfAPart) {
    TempDir dir;
    const std::string entity = "<!DOCTYPE worksheet [<!ENTITY e \"" + std::string(4000, 'e') + "\">]>";
    auto sheet = [&](const std::string& encoding, bool documentType) {
        std::string uses;
        for (int k = 0; k < 8; ++k) uses += "&e;";
        return (encoding.empty() ? "" : "<?xml version=\"1.0\" encoding=\"" + encoding + "\"?>") +
               (documentType ? entity : "") +
               "<worksheet xmlns=\"http://schemas.openxmlformats.org/spreadsheetml/2006/main\"><sheetData><row r=\"1\">"
               "<c r=\"A1\" t=\"inlineStr\"><is><t>" +
               (documentType ? uses : "Z\u00fcrich") + "</t></is></c><c r=\"B1\"><v>2.5</v></c></row></sheetData></worksheet>";
    };
    const std::string utf32 = [&] {
        QStringEncoder encoder(QStringEncoder::Utf32LE, QStringEncoder::Flag::WriteBom);
        return QByteArray(encoder(QString::fromStdString(sheet("UTF-32", false)))).toStdString();
    }();
    struct Case {
        const char* name;
        std::string part;
        const char* refused;  // empty: the sheet reads
    };
    const Case cases[] = {
        {"UTF-8 with a byte-order mark", "\xEF\xBB\xBF" + sheet("UTF-8", false), ""},
        {"UTF-16 LE with a byte-order mark", Utf16(sheet("UTF-16", false), false, true), ""},
        {"UTF-16 LE without", Utf16(sheet("", false), false, false), ""},
        {"UTF-16 BE with a byte-order mark", Utf16(sheet("UTF-16", false), true, true), ""},
        {"UTF-16 BE without", Utf16(sheet("UTF-16BE", false), true, false), ""},
        {"UTF-8 document type", sheet("UTF-8", true), "it declares a document type"},
        {"UTF-16 LE document type with a byte-order mark", Utf16(sheet("UTF-16", true), false, true), "it declares a document type"},
        {"UTF-16 LE document type without", Utf16(sheet("", true), false, false), "it declares a document type"},
        {"UTF-16 BE document type with a byte-order mark", Utf16(sheet("UTF-16", true), true, true), "it declares a document type"},
        {"UTF-16 BE document type without", Utf16(sheet("UTF-16BE", true), true, false), "it declares a document type"},
        // The reader would switch to the encoding declared, where "<" may be
        // written as "+ADw-".
        {"UTF-7 document type",
         "<?xml version=\"1.0\" encoding=\"UTF-7\"?>+ADw-!DOCTYPE w +AFs-+ADw-!ENTITY e +ACI-eeee+ACI-+AD4-+AF0-+AD4-"
         "+ADw-worksheet+AD4-&e;&e;+ADw-/worksheet+AD4-",
         "its XML declares the encoding UTF-7, which is not the form it is written in"},
        {"UTF-16 LE declared big-endian", Utf16(sheet("UTF-16BE", false), false, false), "declares the encoding UTF-16BE"},
        {"UTF-8 declared UTF-16", sheet("UTF-16", false), "declares the encoding UTF-16,"},
        {"UTF-32", utf32, "its XML is in UTF-32"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const auto path = dir.path() / "encoding.xlsx";
        test::WriteZip(path, test::WorkbookParts({{"S", c.part}}));
        auto wb = OpenOk(path);
        ASSERT_TRUE(wb);
        Worksheet ws;
        const Outcome o = wb->loadSheet(0, ws);
        if (!*c.refused) {
            ASSERT_TRUE(o.ok()) << o.message();
            CheckCells(ws, {{1, 1, Kind::Text, 0, QString::fromUtf8("Z\u00fcrich")}, {1, 2, Kind::Number, 2.5, {}}});
            continue;
        }
        EXPECT_FALSE(o.ok());
        EXPECT_NE(o.message().find(c.refused), std::string::npos) << o.message();
    }
}

// A read stops where its reader has enough, keeps only the columns wanted,
// tells its progress, and a cancel leaves nothing.
TEST(WorkbookReader, StreamsAndStopsEarly) {
    TempDir dir;
    const auto path = dir.path() / "rows.xlsx";
    ASSERT_TRUE(WriteTextWorkbook(Q(path), "S", 50000, 3, [](int r, int c) { return QString("R%1C%2").arg(r + 1).arg(c + 1); }).ok());
    auto wb = OpenOk(path);
    ASSERT_TRUE(wb);
    long long calls = 0, last = -1, total = 0;
    SheetReadOptions options;
    options.lastColumn = 2;
    options.keepReading = [](const Worksheet& ws) { return ws.lastRow() < 10; };
    options.progress = [&](long long done, long long all) {
        ++calls;
        EXPECT_GT(done, last);
        last = done;
        total = all;
        return true;
    };
    Worksheet ws;
    ASSERT_TRUE(wb->loadSheet(0, ws, options).ok());
    EXPECT_TRUE(ws.cut());
    EXPECT_EQ(ws.lastRow(), 10);
    CheckCells(ws, {{10, 2, Kind::Text, 0, "R10C2"}, {10, 3, Kind::Empty, 0, {}}, {11, 1, Kind::Empty, 0, {}}});
    EXPECT_GE(calls, 1);
    EXPECT_GT(total, 1000000);  // the part's unpacked size, from the archive

    options.keepReading = {};
    options.progress = [](long long, long long) { return false; };
    Outcome cancelled = wb->loadSheet(0, ws, options);
    EXPECT_EQ(cancelled.message(), kWorkbookReadCancelled);
    EXPECT_EQ(ws.lastRow(), 0);
    Outcome o;
    EXPECT_FALSE(Workbook::Open(Q(path), o, [](long long, long long) { return true; }) == nullptr);
}

// The reader's limits hold exactly their most and refuse one more: values
// and characters of text on a sheet, nesting depth, the XML all reads of
// one workbook unpack (markup without cells too), the texts, tags,
// comments and the like the XML reader holds whole, and the attributes and
// namespaces it compares.
TEST(WorkbookReader, LimitsHoldTheirMostAndRefuseOneMore) {
    TempDir dir;
    const std::string valueRow = [] {
        std::string cells;
        for (int c = 0; c < kSheetMaxColumn; ++c) cells += "<c><v>1</v></c>";
        return "<row>" + cells + "</row>";
    }();
    auto values = [&](std::size_t extra) {
        std::string rows;
        for (std::size_t r = 0; r < kWorkbookMaxValues / kSheetMaxColumn; ++r) rows += valueRow;
        for (std::size_t k = 0; k < extra; ++k) rows += "<row><c><v>1</v></c></row>";
        return test::SheetXml(rows);
    };
    auto texts = [](std::size_t extra) {
        const std::size_t full = kWorkbookMaxTextChars / kCellMaxText, rest = kWorkbookMaxTextChars % kCellMaxText;
        const std::string cell = "<c t=\"inlineStr\"><is><t>" + std::string(kCellMaxText, 'x') + "</t></is></c>";
        std::string row = "<row>";
        for (std::size_t k = 0; k < full; ++k) row += cell;
        row += "<c t=\"inlineStr\"><is><t>" + std::string(rest + extra, 'y') + "</t></is></c></row>";
        return test::SheetXml(row);
    };
    auto nested = [](int depth) {  // worksheet and sheetData are two levels
        std::string open, close;
        for (int k = 2; k < depth; ++k) open += "<a>", close += "</a>";
        return test::SheetXml(open + close);
    };
    // Tags (but end tags), attributes, comments, CDATA sections and
    // instructions of every part read but the sheet, whose empty tags then
    // bring the whole to `total`.
    auto markup = [](long long total) {
        const test::Parts parts = test::WorkbookParts({{"S", test::SheetXml("")}});
        long long others = 0;
        for (const auto& [name, part] : parts) {
            if (name == "[Content_Types].xml") continue;
            bool inTag = false;
            for (std::size_t k = 0; k < part.size(); ++k) {
                if (part[k] == '<') {
                    others += part[k + 1] != '/';
                    inTag = part[k + 1] != '?' && part[k + 1] != '!';
                } else if (part[k] == '>') {
                    inTag = false;
                } else if (part[k] == '=' && inTag) {
                    ++others;
                }
            }
        }
        std::string tags;
        tags.reserve(static_cast<std::size_t>(total - others) * 4);
        for (long long k = others; k < total; ++k) tags += "<a/>";
        return test::SheetXml(tags);
    };
    // Every part read, the sheet padded to bring the whole to `total` bytes.
    auto bytes = [](long long total) {
        const test::Parts parts = test::WorkbookParts({{"S", test::SheetXml("")}});
        long long others = 0;
        for (const auto& [name, part] : parts)
            if (name != "xl/worksheets/sheet1.xml" && name != "[Content_Types].xml") others += static_cast<long long>(part.size());
        const std::size_t pad = static_cast<std::size_t>(total - others) - test::SheetXml("").size();
        const std::string piece = "<a/>" + std::string(4092, ' ');
        std::string padding;
        padding.reserve(pad);
        while (padding.size() + piece.size() <= pad) padding += piece;
        return test::SheetXml(padding + std::string(pad - padding.size(), ' '));
    };
    const std::size_t run = kWorkbookMaxMarkupRun;
    auto names = [](const std::string& stem, std::size_t count) {
        std::string attributes;
        for (std::size_t k = 0; k < count; ++k) attributes += stem + std::to_string(k) + "=\"u" + std::to_string(k) + "\"";
        return attributes;
    };
    auto Utf16Sheet = [](const std::string& rows) {
        std::string xml = test::SheetXml(rows);
        xml.replace(xml.find("UTF-8"), 5, "UTF-16");
        return Utf16(xml, false, true);
    };
    struct Case {
        const char* name;
        std::function<std::string(std::size_t)> sheet;  // at the most, and `extra` beyond
        const char* refused;
    };
    const Case cases[] = {
        {"values", values, "more than 2097152 values"},
        {"characters of text", texts, "16777216 characters of text"},
        {"depth", [&](std::size_t extra) { return nested(kWorkbookMaxDepth + static_cast<int>(extra)); }, "nest more than 256 deep"},
        {"XML bytes", [&](std::size_t extra) { return bytes(kWorkbookMaxXmlBytes + static_cast<long long>(extra)); }, "more than 72 MB of XML"},
        {"tags and attributes", [&](std::size_t extra) { return markup(kWorkbookMaxMarkup + static_cast<long long>(extra)); },
         "holds more than 8388608 tags and attributes"},
        // What the XML reader holds whole, in bytes of the part.
        {"comment", [&](std::size_t extra) { return test::SheetXml("<!--" + std::string(run + extra, 'c') + "-->"); },
         "holds a comment longer than 1048576 bytes"},
        {"comment in UTF-16",
         [&](std::size_t extra) { return Utf16Sheet("<!--" + std::string(run / 2 + extra, 'c') + "-->"); },
         "holds a comment longer than 1048576 bytes"},
        {"CDATA section", [&](std::size_t extra) { return test::SheetXml("<![CDATA[" + std::string(run + extra, 'd') + "]]>"); },
         "holds a CDATA section longer than 1048576 bytes"},
        {"processing instruction", [&](std::size_t extra) { return test::SheetXml("<?p " + std::string(run + extra - 2, 'i') + "?>"); },
         "holds a processing instruction longer than 1048576 bytes"},
        {"tag", [&](std::size_t extra) { return test::SheetXml("<a b=\"" + std::string(run + extra - 9, 't') + "\"/>"); },
         "holds a tag longer than 1048576 bytes"},
        {"text between tags", [&](std::size_t extra) { return test::SheetXml(std::string(run + extra, ' ')); },
         "holds a text longer than any cell may hold"},
        // What the XML reader compares with every other.
        {"attributes", [&](std::size_t extra) { return test::SheetXml("<a" + names(" a", kWorkbookMaxAttributes + extra) + "/>"); },
         "a tag holds more than 64 attributes"},
        // The root declares one; those of a closed element are no longer in force.
        {"namespaces in force",
         [&](std::size_t extra) {
             return test::SheetXml("<x" + names(" xmlns:x", 40) + "></x><y" + names(" xmlns:y", 23 + extra) + "><z" +
                                   names(" xmlns:z", 40) + "/></y>");
         },
         "declares more than 64 namespaces at once"},
        // What is kept of each namespace in force, and compared as it is declared.
        {"namespace address",
         [&](std::size_t extra) {
             return test::SheetXml("<a xmlns:p=\"" + std::string(kWorkbookMaxNamespaceUri + extra, 'u') + "\" p:b=\"\"/>");
         },
         "declares a namespace whose address is longer than 2048 bytes, far longer than any workbook's "
         "(xl/worksheets/sheet1.xml, line 1)"},
    };
    for (const Case& c : cases) {
        for (std::size_t extra : {0, 1}) {
            SCOPED_TRACE(std::string(c.name) + (extra ? " one more" : " at the most"));
            const auto path = dir.path() / "limit.xlsx";
            test::WriteZip(path, test::WorkbookParts({{"S", c.sheet(extra)}}));
            auto wb = OpenOk(path);
            ASSERT_TRUE(wb);
            Worksheet ws;
            Outcome o = wb->loadSheet(0, ws);
            EXPECT_EQ(o.ok(), extra == 0) << o.message();
            if (extra) { EXPECT_NE(o.message().find(c.refused), std::string::npos) << o.message(); }
        }
    }
}

// The parser keeps every distinct name of a part while it reads it, some
// 70 bytes each: a hundred thousand read, a million are refused at its
// memory's bound, naming part and line.
TEST(WorkbookReader, NamesTheParserKeepsAreBounded) {
    TempDir dir;
    for (const int names : {100000, 1000000}) {
        std::string tags;
        tags.reserve(static_cast<std::size_t>(names) * 11);
        for (int k = 0; k < names; ++k) tags += "<a" + std::to_string(k) + "/>";
        const auto path = dir.path() / "names.xlsx";
        test::WriteZip(path, test::WorkbookParts({{"S", test::SheetXml(tags)}}));
        auto wb = OpenOk(path);
        ASSERT_TRUE(wb);
        Worksheet ws;
        const Outcome o = wb->loadSheet(0, ws);
        EXPECT_EQ(o.ok(), names == 100000) << names << ": " << o.message();
        if (!o.ok()) {
            EXPECT_NE(o.message().find("reading its XML takes more than 32 MB of memory, far more than any "
                                       "workbook's (xl/worksheets/sheet1.xml, line 1)"),
                      std::string::npos)
                << o.message();
        }
    }
}

// A workbook lists as many sheets as the reader takes, and one more is
// refused before any is read.
TEST(WorkbookReader, SheetsListedHoldTheirMostAndRefuseOneMore) {
    TempDir dir;
    for (const int extra : {0, 1}) {
        std::vector<std::pair<std::string, std::string>> sheets;
        for (int k = 0; k < kWorkbookMaxSheets + extra; ++k) sheets.emplace_back("S" + std::to_string(k), test::SheetXml(""));
        const auto path = dir.path() / "sheets.xlsx";
        test::WriteZip(path, test::WorkbookParts(sheets));
        Outcome o;
        auto wb = Workbook::Open(Q(path), o);
        EXPECT_EQ(wb != nullptr, extra == 0) << o.message();
        if (extra) { EXPECT_NE(o.message().find("lists more than 4096 sheets"), std::string::npos) << o.message(); }
        if (wb) { EXPECT_EQ(wb->sheetNames().size(), kWorkbookMaxSheets); }
    }
}

// A sheet whose rows are stored out of order is read whole once that shows,
// whatever the reader's question says after; in order, it stops where asked.
TEST(WorkbookReader, RowsOutOfOrderAreReadWhole) {
    TempDir dir;
    const std::vector<int> orders[] = {
        {1, 2, 3, 4, 5, 6, 7, 8}, {2, 1, 3, 4, 5, 6, 7, 8}, {1, 2, 4, 3, 5, 6, 7, 8}, {1, 2, 5, 3, 4, 7, 6, 8, 9}};
    for (const std::vector<int>& order : orders) {
        std::string rows, trace;
        for (int r : order) {
            rows += "<row r=\"" + std::to_string(r) + "\"><c r=\"B" + std::to_string(r) + "\"><v>" + std::to_string(r) +
                    "</v></c></row>";
            trace += std::to_string(r) + " ";
        }
        SCOPED_TRACE(trace);
        const auto path = dir.path() / "order.xlsx";
        test::WriteZip(path, test::WorkbookParts({{"S", test::SheetXml(rows)}}));
        auto wb = OpenOk(path);
        ASSERT_TRUE(wb);
        SheetReadOptions options;
        options.keepReading = [](const Worksheet& ws) { return ws.lastRow() < 6; };
        Worksheet ws;
        ASSERT_TRUE(wb->loadSheet(0, ws, options).ok());
        const bool sorted = std::is_sorted(order.begin(), order.end());
        EXPECT_EQ(ws.cut(), sorted);
        EXPECT_EQ(ws.firstRow(), 1);
        EXPECT_EQ(ws.lastRow(), sorted ? 6 : *std::max_element(order.begin(), order.end()));
        for (int r : order) { EXPECT_EQ(ws.cell(r, 2).number, sorted && r > 6 ? 0 : r) << r; }
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

// Every refusal reaches the user as a sentence naming the file or the sheet,
// keeps the old file and leaves no temporary behind.
TEST(WorkbookWriter, RefusalsLeaveNothingBehind) {
    TempDir dir;
    const auto path = dir.path() / "keep.xlsx";
    test::WriteBytes(dir.path() / "plain", "");
    auto many = [](int r, int c) { return QStringLiteral("cell %1 %2").arg(r).arg(c); };
    struct Case {
        const char* name;
        QString sheet;
        QString file;  // empty: keep.xlsx
        int rows, columns;
        const char* says;
    };
    const Case cases[] = {
        {"name too long", QString(32, 'n'), {}, 3000, 10, "at most 31 characters"},
        {"name with a star", "a*b", {}, 3000, 10, "may not hold"},
        {"name in apostrophes", "'quoted'", {}, 3000, 10, "apostrophe"},
        {"reserved name", "history", {}, 3000, 10, "reserved"},
        {"too many rows", "S", {}, kSheetMaxRow + 1, 1, "do not fit"},
        {"too many columns", "S", {}, 1, kSheetMaxColumn + 1, "do not fit"},
        {"folder is a file", "S", Q(dir.path() / "plain" / "x.xlsx"), 3000, 10, "the folder does not exist"},
    };
    for (const Case& c : cases) {
        test::WriteBytes(path, "old");
        const QString file = c.file.isEmpty() ? Q(path) : c.file;
        Outcome o = WriteTextWorkbook(file, c.sheet, c.rows, c.columns, many);
        EXPECT_FALSE(o.ok()) << c.name;
        EXPECT_NE(o.message().find(c.says), std::string::npos) << c.name << ": " << o.message();
        EXPECT_EQ(test::ReadBytes(path), "old") << c.name;
        EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.path()), {}), 2) << c.name;
    }
}

TEST(WorkbookWriter, TypedTextsThatAreNumbers) {
    struct Case {
        const char* text;
        std::optional<double> number;
    };
    const Case cases[] = {
        {"12.50 ", 12.5},  {" 300", 300},      {"-3", -3},          {"0.004", 0.004},     {"0", 0},
        {"-0.00", 0},      {"1E-05", 1e-5},    {"-1.23100304104775E-05", -1.23100304104775e-5},
        {"1E+15", 1e15},   {"123456789012345", 123456789012345.0},
        // Names and texts stay texts: the cell would give another text back.
        {"007", {}},       {"00.5", {}},       {"1E5", {}},         {"+5", {}},           {"5.", {}},
        {".5", {}},        {"1234567890123456", {}}, {"1,5", {}},   {"12abc", {}},        {"MH-1", {}},
        {"", {}},          {" ", {}},          {"inf", {}},         {"nan", {}},          {"1e400", {}},
        {"0x10", {}},      {"1 2", {}},        {"-", {}},
    };
    for (const Case& c : cases) {
        const std::optional<double> v = CellTextNumber(c.text);
        EXPECT_EQ(v.has_value(), c.number.has_value()) << "\"" << c.text << "\"";
        if (v && c.number) { EXPECT_DOUBLE_EQ(*v, *c.number) << c.text; }
    }
}

// Numbers as numbers, texts as texts with their blanks, read by openpyxl;
// the same file when the user's locale writes decimals with a comma.
TEST(WorkbookWriter, NumbersGoInAsNumbers) {
    if (!test::HaveOpenpyxl()) GTEST_SKIP() << "openpyxl not available";
    TempDir dir;
    const QString cells[2][5] = {{"From ", " 12.50 ", "007 ", " ", "1E+15 "},
                                 {"-1.5E-05 ", "300 ", "1,5 ", "T2 ", "-1.23100304104775E-05 "}};
    auto write = [&](const char* name) {
        return WriteTextWorkbook(Q(dir.path() / name), "S", 2, 5, [&](int r, int c) { return cells[r][c]; },
                                 CellTyping::Numbers);
    };
    ASSERT_TRUE(write("point.xlsx").ok());
    bool comma = false;
    {
        test::CommaDecimals locale(dir.path());
        comma = static_cast<bool>(locale);
        if (comma) {
            ASSERT_TRUE(write("comma.xlsx").ok());
        }
    }
    std::string out;
    ASSERT_TRUE(test::RunPython(dir.path(), R"(
import openpyxl, os
for name in ("point.xlsx", "comma.xlsx"):
    if os.path.exists(os.path.join(")" + dir.path().string() + R"(", name)):
        ws = openpyxl.load_workbook(os.path.join(")" + dir.path().string() + R"(", name)).active
        for row in ws.iter_rows(min_row=1, max_row=2, max_col=5):
            print("|".join(repr(c.value) for c in row))
)", &out));
    const std::string rows = "'From '|12.5|'007 '|' '|1000000000000000\n-1.5e-05|300|'1,5 '|'T2 '|-1.23100304104775e-05\n";
    EXPECT_EQ(out, comma ? rows + rows : rows);
    if (!comma) GTEST_SKIP() << "no locale with a decimal comma to be had";
}

}  // namespace
}  // namespace vd
