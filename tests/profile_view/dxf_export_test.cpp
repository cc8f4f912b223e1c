// "DXF" and "Make dxf": the dialog, the overwrite question, the batches and
// where each sheet lands in its file, read back by ezdxf.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <map>
#include <sstream>

#include "engine/atomic_save.h"
#include "profile_drawing/dxf_output.h"
#include "profile_view/dxf_export.h"
#include "town_fixture.h"

namespace vd {
namespace {

namespace fs = std::filesystem;

TEST(DxfExport, SheetsPerFileBox) {
    const std::string digits(1000, '7');
    const std::string notWhole = "is no whole number of at least 1";
    struct Case {
        std::string text;
        int count;         // 0: refused
        std::string says;  // the refusal after "Sheets per file: "
    } cases[] = {{"10", 10, ""}, {"1", 1, ""},   {" 7", 7, ""},  {"2.5", 2, ""}, {"3.5", 4, ""}, {"1e300", 1000000, ""},
                 {"0", 0, "\"0\" " + notWhole},  {"-2", 0, "\"-2\" " + notWhole},  {"0.4", 0, "\"0.4\" " + notWhole},
                 {"", 0, "the box is empty"},  {"abc", 0, "\"abc\" is not a number"},
                 // Read whole: no count from the number a text starts with.
                 {"12abc", 0, "\"12abc\" is not a number"},
                 {"1E400", 0, "\"1E400\" is a number too large to hold"},
                 {digits, 0, "\"" + digits.substr(0, 40) + "...\" is a number too large to hold"}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text.substr(0, 20));
        SheetsPerFile k = ReadSheetsPerFile(c.text);
        EXPECT_EQ(k.ok, c.count > 0);
        if (k.ok) EXPECT_EQ(k.count, c.count);
        else EXPECT_EQ(k.message, "Sheets per file: " + c.says + "; no file was written.");
    }
}

TEST(DxfExport, BatchPlan) {
    struct Case {
        int sheets, perFile;
        std::vector<std::pair<int, int>> files;
    } cases[] = {
        {25, 10, {{0, 9}, {10, 19}, {20, 24}}},
        {3, 1, {{0, 0}, {1, 1}, {2, 2}}},
        {5, 100, {{0, 4}}},
        {10, 10, {{0, 9}}},
        {0, 10, {}},
        {4, 0, {}},
    };
    for (const Case& c : cases) {
        std::vector<std::pair<int, int>> got;
        for (const DxfBatchFile& f : PlanDxfBatch(c.sheets, c.perFile)) got.push_back({f.first, f.last});
        EXPECT_EQ(got, c.files) << c.sheets << " sheets, " << c.perFile << " a file";
    }
    EXPECT_EQ(DxfBatchOffsetY(0), 800);
    EXPECT_EQ(DxfBatchOffsetY(2), 2400);
}

// Expects `raised` to be `file` with every group 20 and 21 value (the Y of
// texts and lines) raised by dy and every other line unchanged.
void ExpectRaised(const std::string& file, const std::string& raised, double dy) {
    auto lines = [](const std::string& bytes) {
        std::vector<std::string> out;
        std::istringstream in(bytes);
        for (std::string l; std::getline(in, l, '\n');) out.push_back(l);
        return out;
    };
    const std::vector<std::string> a = lines(file), b = lines(raised);
    ASSERT_EQ(a.size(), b.size());
    for (std::size_t i = 0; i + 1 < a.size(); i += 2) {
        ASSERT_EQ(a[i], b[i]) << "line " << i;
        if (a[i] == " 20 \r" || a[i] == " 21 \r")
            ASSERT_NEAR(std::stod(b[i + 1]), std::stod(a[i + 1]) + dy, 1e-3) << "line " << i + 1;
        else
            ASSERT_EQ(a[i + 1], b[i + 1]) << "line " << i + 1;
    }
}

TEST(DxfExport, DialogQuestionAndRefusals) {
    test::Town t;
    DxfExport x(t.m, t.v, t.dialogs);
    x.Label1Caption = "   To";
    t.Select(0);
    const std::string kept = t.path("kept.dxf");
    test::WriteBytes(kept, "keep me");

    t.dialogs.files = {QString::fromStdString(kept), std::nullopt, QString::fromStdString(t.path("no/such/folder/a.dxf")),
                       QString("")};
    t.dialogs.answers = {false};
    for (int i = 0; i < 4; ++i) EXPECT_FALSE(x.ExportCurrentSheet());

    ASSERT_EQ(t.dialogs.asked.size(), 7u);
    const auto& a = t.dialogs.asked;
    EXPECT_EQ(a[0].kind, ScriptedDialogs::Asked::Save);
    EXPECT_EQ(a[0].title, "Save DXF");
    EXPECT_EQ(a[0].filter, "DXF File (*.dxf)|*.dxf");
    EXPECT_EQ(a[0].preset, "DXF-To");
    EXPECT_EQ(a[1].kind, ScriptedDialogs::Asked::YesNo);
    EXPECT_EQ(a[1].title, " Overwrite ?");
    EXPECT_EQ(a[1].preset, "No");  // No is the default answer
    EXPECT_EQ(a[3].title, "Cancel was selected.");
    EXPECT_NE(a[5].title.indexOf("does not exist"), -1) << a[5].title.toStdString();
    EXPECT_EQ(a[6].kind, ScriptedDialogs::Asked::Save);  // an empty name: nothing more said
    EXPECT_EQ(test::ReadBytes(kept), "keep me");
    EXPECT_FALSE(fs::exists(t.path("no")));
    EXPECT_FALSE(x.isOpen());
}

TEST(DxfExport, OneSheetFileIsTheSheetOnceRaised800AndDxfStartsAtTheOrigin) {
    test::Town t;
    DxfExport x(t.m, t.v, t.dialogs);
    t.Select(1);
    t.dialogs.files = {QString::fromStdString(t.path("single"))};  // ".dxf" is added
    ASSERT_TRUE(x.ExportCurrentSheet());
    const std::string single = test::ReadBytes(t.path("single.dxf"));
    EXPECT_EQ(single.rfind(" 0 \r\nSECTION\r\n 2 \r\nENTITIES\r\n 0 \r\n", 0), 0u);
    EXPECT_TRUE(single.ends_with("\r\n 0 \r\nENDSEC\r\n 0 \r\nEOF\r\n"));
    EXPECT_EQ(single.find("SECTION", 10), std::string::npos);  // one section
    EXPECT_EQ(t.ui.status, "DXF file written: " + t.path("single.dxf"));

    // Sheets 0..2, one a file: sheet 1's file is the single file moved up 800, once.
    for (const char* f : {"b0.dxf", "b1.dxf", "b2.dxf"}) t.dialogs.files.push_back(QString::fromStdString(t.path(f)));
    DxfExport::BatchResult r = x.ExportAllSheets(3, "1", [&](int i) { t.Select(i); });
    EXPECT_EQ(r.filesWritten, 3);
    EXPECT_EQ(r.sheetsWritten, 3);
    ExpectRaised(single, test::ReadBytes(t.path("b1.dxf")), 800);

    // The batch left its offsets at 800; "DXF" starts from 0 again.
    t.Select(1);
    t.dialogs.files = {QString::fromStdString(t.path("again.dxf"))};
    ASSERT_TRUE(x.ExportCurrentSheet());
    EXPECT_EQ(test::ReadBytes(t.path("again.dxf")), single);
}

TEST(DxfExport, BadSheetsPerFileAsksNothing) {
    for (const char* text : {"0", "abc", ""}) {
        test::Town t;
        DxfExport x(t.m, t.v, t.dialogs);
        DxfExport::BatchResult r = x.ExportAllSheets(t.m.SheetCount, text, [&](int i) { t.Select(i); });
        EXPECT_FALSE(r.started) << text;
        EXPECT_TRUE(r.boxRefused) << text;
        ASSERT_EQ(t.dialogs.asked.size(), 1u) << text;
        EXPECT_EQ(t.dialogs.asked[0].kind, ScriptedDialogs::Asked::Message);
        EXPECT_TRUE(t.dialogs.messages[0].startsWith("Sheets per file: "));
    }
}

TEST(DxfExport, RefusedAndFailedFilesAreSkippedAndTheBatchGoesOn) {
    test::Town t;
    ASSERT_GE(t.m.SheetCount, 4);
    DxfExport x(t.m, t.v, t.dialogs);
    test::WriteBytes(t.path("b.dxf"), "keep me");
    for (const char* f : {"a.dxf", "b.dxf", "c.dxf", "d.dxf"}) t.dialogs.files.push_back(QString::fromStdString(t.path(f)));
    t.dialogs.answers = {false};
    int saves = 0;
    // The second file written, c.dxf, cannot be: the disk is full.
    ScopedSaveFault fault([&](SaveStep s) { return s == SaveStep::Write && ++saves == 2 ? 28 : 0; });
    DxfExport::BatchResult r = x.ExportAllSheets(4, "1", [&](int i) { t.Select(i); });
    EXPECT_EQ(r.filesWritten, 2);
    EXPECT_EQ(r.filesSkipped, 1);
    EXPECT_EQ(r.filesFailed, 1);
    EXPECT_EQ(r.sheetsWritten, 2);
    EXPECT_TRUE(fs::exists(t.path("a.dxf")));
    EXPECT_EQ(test::ReadBytes(t.path("b.dxf")), "keep me");
    EXPECT_FALSE(fs::exists(t.path("c.dxf")));
    EXPECT_TRUE(fs::exists(t.path("d.dxf")));
    ASSERT_EQ(t.dialogs.messages.size(), 1u);
    EXPECT_NE(t.dialogs.messages[0].indexOf("was not written"), -1) << t.dialogs.messages[0].toStdString();
    EXPECT_EQ(t.ui.status, "Make dxf: 2 sheet(s) in 2 file(s), 1 file(s) skipped, 1 file(s) failed.");
    EXPECT_EQ(t.ui.progress, 0);
}

const char* kYs = R"(import sys, ezdxf
for path in sys.argv[1:]:
    doc = ezdxf.readfile(path)
    ys = []
    for e in doc.modelspace():
        if e.dxftype() == "TEXT":
            ys.append(e.dxf.insert.y)
        elif e.dxftype() == "LINE":
            ys.append(e.dxf.start.y)
            ys.append(e.dxf.end.y)
        else:
            ys.append(1e12)
    print("FILE " + path)
    for y in ys:
        print("%.3f" % y)
)";

std::map<std::string, std::vector<double>> YsOf(const test::Town& t, const std::vector<std::string>& files) {
    int status = 0;
    const std::string out = test::RunPython(t.dir.path(), kYs, files, status);
    EXPECT_EQ(status, 0) << out.substr(0, 2000);
    std::map<std::string, std::vector<double>> ys;
    std::istringstream in(out);
    std::string line, file;
    while (std::getline(in, line)) {
        if (line.rfind("FILE ", 0) == 0) file = line.substr(5);
        else ys[file].push_back(std::stod(line));
    }
    for (auto& [f, v] : ys) std::sort(v.begin(), v.end());
    return ys;
}

TEST(DxfExport, EveryBatchFileOfTheTownHoldsItsSheetsOnceEach) {
    test::Town t;
    const int n = t.m.SheetCount;
    ASSERT_GE(n, 3);
    DxfExport x(t.m, t.v, t.dialogs);
    std::vector<std::string> singles, batch;
    for (int i = 0; i < n; ++i) {
        singles.push_back(t.path("s" + std::to_string(i) + ".dxf"));
        t.dialogs.files.push_back(QString::fromStdString(singles.back()));
        t.Select(i);
        ASSERT_TRUE(x.ExportCurrentSheet());
    }
    const int perFile = 2;
    for (const DxfBatchFile& f : PlanDxfBatch(n, perFile)) {
        batch.push_back(t.path("batch" + std::to_string(f.first) + ".dxf"));
        t.dialogs.files.push_back(QString::fromStdString(batch.back()));
    }
    DxfExport::BatchResult r = x.ExportAllSheets(n, "2", [&](int i) { t.Select(i); });
    EXPECT_EQ(r.sheetsWritten, n);
    EXPECT_TRUE(t.dialogs.messages.empty()) << t.dialogs.messages.front().toStdString();

    std::vector<std::string> all = singles;
    all.insert(all.end(), batch.begin(), batch.end());
    auto ys = YsOf(t, all);
    int k = 0;
    for (const DxfBatchFile& f : PlanDxfBatch(n, perFile)) {
        std::vector<double> expected;
        for (int i = f.first; i <= f.last; ++i)
            for (double y : ys[singles[i]]) expected.push_back(y + DxfBatchOffsetY(i - f.first));
        std::sort(expected.begin(), expected.end());
        const std::vector<double>& got = ys[batch[k++]];
        ASSERT_EQ(got.size(), expected.size()) << "file of sheets " << f.first << ".." << f.last;
        for (std::size_t j = 0; j < got.size(); ++j) ASSERT_NEAR(got[j], expected[j], 2e-3) << j;
    }
}

}  // namespace
}  // namespace vd
