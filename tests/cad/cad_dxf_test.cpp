#include <gtest/gtest.h>

#include <QDir>
#include <QTemporaryDir>
#include <cstdlib>
#include <cerrno>
#include <cmath>
#include <fstream>
#include <map>
#include <sstream>

#include "cad/cad_document.h"
#include "python_checker.h"
#include "engine/atomic_save.h"

namespace vd {
namespace {

std::string ReadAll(const std::string& path) {
    std::ifstream f(path, std::ios::binary);
    std::stringstream s;
    s << f.rdbuf();
    return s.str();
}

void WriteAll(const std::string& path, const std::string& bytes) {
    std::ofstream f(path, std::ios::binary);
    f << bytes;
}

bool HaveEzdxf() {
    static const bool have = test::SystemPythonHas("ezdxf");
    return have;
}

// Runs a Python script under the system interpreter; its output is returned.
std::string RunPython(const QTemporaryDir& dir, const std::string& script) {
    const test::PythonRun run = test::RunSystemPython(dir.path().toStdString(), script);
    EXPECT_TRUE(run.ok()) << run.output;
    return run.output;
}

// A drawing holding everything the program writes.
void FillSample(CadDocument& doc) {
    doc.Layers().Add("sewer").Color = 1;
    doc.TextStyles().Add("ROMANS").setFontFile("romans.shx");
    CadBlock& b = doc.Blocks().Add({0, 0, 0}, "Mhblock");
    b.AddCircle({0, 0, 0}, 0.5);
    b.AddAttribute(1, 0, "Upper manhole", {0, 1, 0}, "Mhname1", "");
    b.AddAttribute(1, 0, "Slope", {0, 2, 0}, "Slope", "");
    auto ref = doc.ModelSpace().InsertBlock({100.25, 200.5, 0}, "Mhblock");
    ref->setLayer("sewer");
    ref->GetAttributes()[0]->TextString = "MH 1";
    ref->GetAttributes()[1]->TextString = "0.5";
    auto line = doc.ModelSpace().AddLine({1.5, 2.5, 101.37}, {30.25, 2.5, 100.5});
    line->setLayer("sewer");
    line->Color = 3;
    line->SetXData({1001, 1000, 1040}, {std::string("SEWER"), std::string("MH\xe9 1   "), 0.005});
    line->SetXData({1001, 1040}, {std::string("DUV"), 7.0});
    auto t = doc.ModelSpace().AddText("  lead", {5, 6, 0}, 2.5);
    t->setLayer("3");
    t->StyleName = "romans";
    t->Alignment = 4;
    t->TextAlignmentPoint = {7, 8, 0};
    t->Rotation = 3.14159265358979 / 2;
    auto pl = doc.ModelSpace().AddPolyline({0.05, 0, 0, 0.05, 1, 0});
    pl->SetWidth(0, 0.1, 0.1);
    doc.ModelSpace().AddSolid({0, 0, 0}, {1, 0, 0}, {0, 1, 0}, {1, 1, 0});
}

TEST(CadDxf, RoundTripKeepsWhatTheProgramDraws) {
    QTemporaryDir dir;
    std::string path = dir.filePath("plan.dxf").toStdString();
    CadDocument doc;
    FillSample(doc);
    doc.SaveAs(path);
    EXPECT_FALSE(doc.modified());
    EXPECT_EQ(doc.Name, "plan.dxf");

    auto back = LoadDxfDocument(path);
    EXPECT_TRUE(back->loadWarnings.empty());
    EXPECT_EQ(back->Layers().Item("SEWER").Color, 1);
    EXPECT_EQ(back->TextStyles().Item("romans").fontFile(), "romans.shx");
    CadBlock& b = back->Blocks().Item("MHBLOCK");
    ASSERT_EQ(b.Count(), 3);
    EXPECT_EQ(b.Item(1)->TagString, "Mhname1");
    EXPECT_EQ(b.Item(1)->PromptString, "Upper manhole");
    const CadBlock& ms = back->ModelSpace();
    ASSERT_EQ(ms.Count(), 5);
    auto ref = ms.Item(0);
    ASSERT_EQ(ref->kind, CadKind::Insert);
    EXPECT_EQ(ref->layer(), "sewer");
    EXPECT_DOUBLE_EQ(ref->InsertionPoint[0], 100.25);
    ASSERT_EQ(ref->GetAttributes().size(), 2u);
    EXPECT_EQ(ref->GetAttributes()[0]->TextString, "MH 1");
    EXPECT_EQ(ref->GetAttributes()[1]->TagString, "Slope");
    auto line = ms.Item(1);
    EXPECT_DOUBLE_EQ(line->StartPoint[2], 101.37);
    EXPECT_EQ(line->Color, 3);
    XData sewer = line->GetXData("sewer");
    ASSERT_EQ(sewer.size(), 3u);
    EXPECT_EQ(sewer[1].text, "MH\xe9 1   ");  // Latin-1 and trailing blanks kept
    EXPECT_FLOAT_EQ(static_cast<float>(sewer[2].number), 0.005f);
    EXPECT_EQ(line->GetXData("DUV")[1].number, 7);
    auto text = ms.Item(2);
    EXPECT_EQ(text->TextString, "  lead");
    EXPECT_EQ(text->Alignment, 4);
    EXPECT_DOUBLE_EQ(text->TextAlignmentPoint[1], 8);
    EXPECT_NEAR(text->Rotation, 3.14159265358979 / 2, 1e-9);
    EXPECT_EQ(ms.Item(3)->Widths[0][0], 0.1);
    EXPECT_EQ(ms.Item(4)->kind, CadKind::Solid);
}

const std::string kLine = "0\nLINE\n";

// An ENTITIES section of the given records, then the end of the file; or
// between the given head and tail.
std::string Entities(const std::string& record, int times = 1, const char* head = "0\nSECTION\n2\nENTITIES\n",
                     const char* tail = "0\nENDSEC\n0\nEOF\n") {
    std::string out = head;
    for (int k = 0; k < times; ++k) out += record;
    return out + tail;
}

// n records, each the head with its number and a line end, then the tail.
std::string Numbered(const std::string& head, int n, const std::string& tail = "") {
    std::string out;
    for (int k = 0; k < n; ++k) out += head + std::to_string(k) + "\n" + tail;
    return out;
}

// The content after a comment that makes the file `bytes` long.
std::string Padded(const std::string& content, size_t bytes) {
    return "999\n" + std::string(bytes - content.size() - 5, 'c') + "\n" + content;
}

// n texts and n block references naming n layers, text styles, blocks and
// applications, each name in two cases.
std::string NamingEntities(int n) {
    std::string out;
    for (int k = 0; k < n; ++k) {
        const std::string i = std::to_string(k);
        out += "0\nTEXT\n8\nL" + i + "\n7\nS" + i + "\n1001\nA" + i + "\n0\nINSERT\n8\nl" + i + "\n2\nb" + i +
               "\n1001\na" + i + "\n";
    }
    return out;
}

TEST(CadDxf, BadFilesFailCleanly) {
    QTemporaryDir dir;
    std::string good = dir.filePath("good.dxf").toStdString();
    CadDocument doc;
    FillSample(doc);
    doc.SaveAs(good);
    const std::string bytes = ReadAll(good);

    struct Case {
        const char* name;
        std::string content;
        const char* says;
        int names = 0;  // layers, text styles, blocks and applications of a file that opens, at least
    } cases[] = {
        {"truncated.dxf", bytes.substr(0, bytes.size() / 2), "truncated"},
        {"binary.dxf", std::string("AutoCAD Binary DXF\r\n\x1a\0", 22) + "junk", "binary DXF"},
        {"image.dxf", std::string("\x89PNG\r\n\x1a\n\0\0\0", 11), "not a DXF"},
        {"empty.dxf", "", "not a DXF"},
        // What a drawing may hold, at the limit and one past it: objects
        // (records opened by code 0) and extended data groups (code 1001),
        // 200000 or one per 48 bytes of the file.
        {"objects.dxf", Entities(kLine, 200000 - 3), ""},
        {"objects+1.dxf", Entities(kLine, 200000 - 2),
         "holds 200001 objects and extended data groups; a drawing the program opens holds at most 200000 (200000, "
         "or one per 48 bytes of a larger file)"},
        {"groups.dxf", Entities(Entities(kLine + "1001\nA\n", 99997, "", "") + kLine + "1001\nA\n1001\nB\n"), ""},
        {"groups+1.dxf", Entities(Entities(kLine + "1001\nA\n", 99997, "", "") + kLine + "1001\nA\n1001\nB\n1001\nC\n"),
         "holds 200001 objects and extended data groups"},
        {"objects-large.dxf", Padded(Entities(kLine, 260000 - 3), 260000 * 48), ""},
        {"objects-large+1.dxf", Padded(Entities(kLine, 260000 - 2), 260000 * 48 + 47),
         "holds 260001 objects and extended data groups; a drawing the program opens holds at most 260000"},
        // As many layers, text styles, blocks and applications as a large
        // drawing holds, named by its entities or by its tables.
        {"names.dxf", "0\nSECTION\n2\nBLOCKS\n" + Numbered("0\nBLOCK\n2\nB", 2000, "0\nENDBLK\n") + "0\nENDSEC\n" +
                          Entities(NamingEntities(2000)), "", 2000},
        {"tables.dxf", "0\nSECTION\n2\nTABLES\n" + Numbered("0\nLAYER\n2\nL", 2000) + Numbered("0\nSTYLE\n2\nS", 2000) +
                           Numbered("0\nAPPID\n2\nA", 2000) + "0\nENDSEC\n0\nSECTION\n2\nBLOCKS\n" +
                           Numbered("0\nBLOCK\n2\nB", 2000, "0\nENDBLK\n") + "0\nENDSEC\n0\nEOF\n", "", 2000},
    };
    for (const auto& c : cases) {
        std::string path = dir.filePath(c.name).toStdString();
        WriteAll(path, c.content);
        try {
            auto opened = LoadDxfDocument(path);
            if (*c.says) ADD_FAILURE() << c.name << " was accepted";
            if (!c.names) continue;
            EXPECT_TRUE(opened->loadWarnings.empty()) << c.name << ": " << opened->loadWarnings.front();
            for (int n : {opened->Layers().Count(), opened->TextStyles().Count(), opened->Blocks().Count(),
                          static_cast<int>(opened->RegisteredApps().size())})
                EXPECT_EQ(n, c.names + 1) << c.name;  // and layer 0, STANDARD, model space, ACAD
        } catch (const CadError& e) {
            EXPECT_TRUE(*c.says) << c.name << ": " << e.what();
            EXPECT_NE(std::string(e.what()).find(c.says), std::string::npos) << c.name << ": " << e.what();
        }
    }

    // Unknown entities are reported and the rest is kept.
    std::string withUnknown = bytes;
    withUnknown.insert(withUnknown.find("ENTITIES") + 10,
                       "  0\r\nMTEXT\r\n  8\r\n0\r\n  1\r\nhello\r\n  0\r\nHATCH\r\n  8\r\n0\r\n");
    std::string path = dir.filePath("unknown.dxf").toStdString();
    WriteAll(path, withUnknown);
    auto loaded = LoadDxfDocument(path);
    EXPECT_EQ(loaded->ModelSpace().Count(), 5);
    ASSERT_EQ(loaded->loadWarnings.size(), 2u);
    EXPECT_NE(loaded->loadWarnings[1].find("MTEXT"), std::string::npos);

    // A failed save leaves the old file as it was.
    CadDocument other;
    EXPECT_THROW(other.SaveAs(dir.filePath("missing/sub/x.dxf").toStdString()), CadError);
    QDir(dir.path()).mkdir("ro.dxf");  // a folder in the way of the rename
    EXPECT_THROW(other.SaveAs(dir.filePath("ro.dxf").toStdString()), CadError);
    EXPECT_EQ(ReadAll(good), bytes);
}

TEST(CadDxf, AnotherReaderAcceptsOurFile) {
    if (!HaveEzdxf()) GTEST_SKIP() << "ezdxf not available";
    QTemporaryDir dir;
    std::string path = dir.filePath("plan.dxf").toStdString();
    CadDocument doc;
    FillSample(doc);
    doc.SaveAs(path);
    std::string out = RunPython(dir, R"(
import ezdxf
doc = ezdxf.readfile(')" + path + R"(')
auditor = doc.audit()
print('errors', len(auditor.errors), auditor.has_errors)
for e in auditor.errors: print('E', e.message)
print('layer', doc.layers.get('sewer').color)
msp = doc.modelspace()
ref = msp.query('INSERT')[0]
print('insert', ref.dxf.name, ref.dxf.layer, ref.dxf.insert.x)
for a in ref.attribs: print('attrib', a.dxf.tag, '[' + a.dxf.text + ']')
line = msp.query('LINE')[0]
print('xdata', line.get_xdata('SEWER'))
print('duv', line.get_xdata('DUV'))
print('block', [e.dxftype() for e in doc.blocks.get('Mhblock')])
)");
    EXPECT_NE(out.find("errors 0 False"), std::string::npos) << out;
    EXPECT_NE(out.find("layer 1"), std::string::npos) << out;
    EXPECT_NE(out.find("insert Mhblock sewer 100.25"), std::string::npos) << out;
    EXPECT_NE(out.find("attrib Mhname1 [MH 1]"), std::string::npos) << out;
    EXPECT_NE(out.find("attrib Slope [0.5]"), std::string::npos) << out;
    EXPECT_NE(out.find("(1000, 'MH\xc3\xa9 1   ')"), std::string::npos) << out;
    EXPECT_NE(out.find("(1040, 7.0)"), std::string::npos) << out;
    EXPECT_NE(out.find("'CIRCLE', 'ATTDEF', 'ATTDEF'"), std::string::npos) << out;
}

// Text alignments, attribute definitions, widths, circles, solids and several
// extended data groups as another reader sees them.
TEST(CadDxf, AnotherReaderSeesEveryShape) {
    if (!HaveEzdxf()) GTEST_SKIP() << "ezdxf not available";
    QTemporaryDir dir;
    std::string path = dir.filePath("shapes.dxf").toStdString();
    CadDocument doc;
    CadBlock& b = doc.Blocks().Add({0, 0, 0}, "Blk");
    auto def = b.AddAttribute(0.2, 0, "Prompt", {1, 2, 0}, "TAG", "def");
    def->Alignment = 4;
    def->TextAlignmentPoint = {1, 2, 0};
    b.AddCircle({0, 0, 0}, 0.5);
    auto pl = b.AddPolyline({0.05, 0, 0, 0.05, 1, 0, 1, 1, 0});
    pl->SetWidth(1, 0.2, 0.3);
    auto ref = doc.ModelSpace().InsertBlock({10, 20, 0}, "Blk", 2, 2, 1, 0);
    ref->GetAttributes()[0]->TextString = "val";
    // Alignment, expected horizontal and vertical codes.
    const int aligns[][3] = {{0, 0, 0}, {1, 1, 0}, {2, 2, 0}, {4, 4, 0}, {6, 0, 3}, {10, 1, 2}, {14, 2, 1}};
    for (const auto& a : aligns) {
        auto t = doc.ModelSpace().AddText("A" + std::to_string(a[0]), {double(a[0]), 0, 0}, 1);
        t->Alignment = a[0];
        t->TextAlignmentPoint = {a[0] + 0.5, 1, 0};
    }
    doc.ModelSpace().AddSolid({0, 0, 0}, {1, 0, 0}, {0, 1, 0}, {1, 1, 0});
    doc.ModelSpace().AddCircle({5, 5, 0}, 2.5);
    auto l = doc.ModelSpace().AddLine({0, 0, 0}, {1, 1, 0});
    l->SetXData({1001, 1000, 1040, 1070, 1010, 1020, 1030, 1002, 1000, 1002},
                {std::string("APP1"), std::string("x"), 1.5, 7.0, 1.0, 2.0, 3.0, std::string("{"), std::string("in"),
                 std::string("}")});
    l->SetXData({1001, 1000}, {std::string("APP2"), std::string("y")});
    doc.SaveAs(path);
    std::string out = RunPython(dir, R"(
import ezdxf
doc = ezdxf.readfile(')" + path + R"(')
print('errors', len(doc.audit().errors))
msp = doc.modelspace()
for t in msp.query('TEXT'):
    print('text', t.dxf.text, t.dxf.get('halign', 0), t.dxf.get('valign', 0), tuple(t.get_placement()[1]))
r = msp.query('INSERT')[0]
print('insert', r.dxf.xscale, [(a.dxf.tag, a.dxf.text, a.dxf.halign, tuple(a.dxf.insert)) for a in r.attribs])
print('solid', [tuple(msp.query('SOLID')[0].dxf.get(v)) for v in ('vtx0', 'vtx1', 'vtx2', 'vtx3')])
c = msp.query('CIRCLE')[0]
print('circle', tuple(c.dxf.center), c.dxf.radius)
line = msp.query('LINE')[0]
print('app1', [(t.code, t.value) for t in line.get_xdata('APP1')])
print('app2', [(t.code, t.value) for t in line.get_xdata('APP2')])
blk = doc.blocks.get('Blk')
for e in blk:
    if e.dxftype() == 'ATTDEF': print('attdef', e.dxf.tag, e.dxf.prompt, e.dxf.text, e.dxf.halign, tuple(e.dxf.align_point))
    if e.dxftype() == 'POLYLINE': print('widths', [(v.dxf.get('start_width', 0), v.dxf.get('end_width', 0)) for v in e.vertices])
    if e.dxftype() == 'CIRCLE': print('blkcircle', e.dxf.radius)
)");
    const char* expected[] = {
        "errors 0",
        "text A0 0 0 (0.0, 0.0, 0.0)",
        "text A1 1 0 (1.5, 1.0, 0.0)",
        "text A2 2 0 (2.5, 1.0, 0.0)",
        "text A4 4 0 (4.5, 1.0, 0.0)",
        "text A6 0 3 (6.5, 1.0, 0.0)",
        "text A10 1 2 (10.5, 1.0, 0.0)",
        "text A14 2 1 (14.5, 1.0, 0.0)",
        "insert 2.0 [('TAG', 'val', 4, (12.0, 24.0, 0.0))]",
        "solid [(0.0, 0.0, 0.0), (1.0, 0.0, 0.0), (0.0, 1.0, 0.0), (1.0, 1.0, 0.0)]",
        "circle (5.0, 5.0, 0.0) 2.5",
        "app1 [(1000, 'x'), (1040, 1.5), (1070, 7), (1010, (1.0, 2.0, 3.0)), (1002, '{'), (1000, 'in'), (1002, '}')]",
        "app2 [(1000, 'y')]",
        "attdef TAG Prompt def 4 (1.0, 2.0, 0.0)",
        "widths [(0, 0), (0.2, 0.3), (0, 0)]",
        "blkcircle 0.5",
    };
    for (const char* e : expected) EXPECT_NE(out.find(e), std::string::npos) << e << "\n" << out;
}

// What another writer puts in a file comes in whole, in both file versions.
TEST(CadDxf, ShapesFromAnotherWriter) {
    if (!HaveEzdxf()) GTEST_SKIP() << "ezdxf not available";
    QTemporaryDir dir;
    const std::string base = dir.filePath("in").toStdString();
    RunPython(dir, R"(
import ezdxf
from ezdxf.enums import TextEntityAlignment as A
for ver in ('R12', 'R2010'):
    doc = ezdxf.new(ver)
    doc.appids.new('APP1')
    msp = doc.modelspace()
    t = msp.add_text('mid', dxfattribs={'height': 2.0, 'rotation': 30})
    t.set_placement((4.5, 1), align=A.MIDDLE_CENTER)
    msp.add_solid([(0, 0), (1, 0), (0, 1), (1, 1)])
    msp.add_circle((5, 5), 2.5)
    p = msp.add_polyline2d([(0, 0), (1, 0), (1, 1)])
    p.vertices[0].dxf.start_width = 0.1
    p.vertices[0].dxf.end_width = 0.2
    blk = doc.blocks.new('BLK')
    ad = blk.add_attdef('TAG', (1, 2), dxfattribs={'prompt': 'Pr', 'height': 0.2})
    ad.set_placement((1, 2), align=A.MIDDLE_CENTER)
    r = msp.add_blockref('BLK', (10, 20))
    r.add_auto_attribs({'TAG': 'val'})
    l = msp.add_line((0, 0), (1, 1))
    l.set_xdata('APP1', [(1000, 'x'), (1040, 1.5), (1070, 7), (1010, (1, 2, 3))])
    doc.saveas(')" + base + R"(' + ver + '.dxf')
)");
    for (const char* ver : {"R12", "R2010"}) {
        SCOPED_TRACE(ver);
        auto doc = LoadDxfDocument(base + ver + ".dxf");
        EXPECT_TRUE(doc->loadWarnings.empty());
        const CadBlock& ms = doc->ModelSpace();
        ASSERT_EQ(ms.Count(), 6);
        auto t = ms.Item(0);
        EXPECT_EQ(t->TextString, "mid");
        EXPECT_EQ(t->Alignment, 10);
        EXPECT_DOUBLE_EQ(t->TextAlignmentPoint[0], 4.5);
        EXPECT_DOUBLE_EQ(t->Height, 2);
        EXPECT_NEAR(t->Rotation, 30 * 3.14159265358979 / 180, 1e-9);
        EXPECT_EQ(ms.Item(1)->Corners[3], (CadPoint{1, 1, 0}));
        EXPECT_DOUBLE_EQ(ms.Item(2)->Radius, 2.5);
        ASSERT_EQ(ms.Item(3)->Vertices.size(), 3u);
        EXPECT_DOUBLE_EQ(ms.Item(3)->Widths[0][1], 0.2);
        auto ref = ms.Item(4);
        ASSERT_EQ(ref->GetAttributes().size(), 1u);
        EXPECT_EQ(ref->GetAttributes()[0]->TextString, "val");
        EXPECT_EQ(ref->GetAttributes()[0]->Alignment, 10);
        EXPECT_EQ(doc->Blocks().Item("BLK").Item(0)->PromptString, "Pr");
        XData x = ms.Item(5)->GetXData("APP1");
        ASSERT_EQ(x.size(), 7u);
        EXPECT_EQ(x[1].text, "x");
        EXPECT_EQ(x[3].code, 1070);
        EXPECT_EQ(x[3].number, 7);
        EXPECT_EQ(x[6].code, 1030);
    }
}

// An entity the reader cannot take over is left out whole, not half-built.
TEST(CadDxf, EntityOnAnUnusableLayerIsLeftOutWhole) {
    QTemporaryDir dir;
    std::string path = dir.filePath("xref.dxf").toStdString();
    WriteAll(path,
             "  0\r\nSECTION\r\n  2\r\nENTITIES\r\n"
             "  0\r\nLINE\r\n  8\r\nPLAN|sewer\r\n 10\r\n1\r\n 20\r\n2\r\n 11\r\n3\r\n 21\r\n4\r\n"
             "  0\r\nLINE\r\n  8\r\nsewer\r\n 10\r\n  101.375\r\n 20\r\n+2.5e1\r\n 11\r\n-3\r\n 21\r\nx\r\n"
             // Each text in a style whose name no drawing allows, the second too.
             "  0\r\nTEXT\r\n  8\r\nsewer\r\n  7\r\nS|1\r\n  0\r\nTEXT\r\n  8\r\nsewer\r\n  7\r\ns|1\r\n"
             "  0\r\nENDSEC\r\n  0\r\nEOF\r\n");
    auto doc = LoadDxfDocument(path);
    ASSERT_EQ(doc->ModelSpace().Count(), 1);
    EXPECT_EQ(doc->ModelSpace().Item(0)->layer(), "sewer");
    // Blanks before a number, a plus sign and exponents are read; no number gives 0.
    EXPECT_EQ(doc->ModelSpace().Item(0)->StartPoint, (CadPoint{101.375, 25, 0}));
    EXPECT_EQ(doc->ModelSpace().Item(0)->EndPoint, (CadPoint{-3, 0, 0}));
    ASSERT_EQ(doc->loadWarnings.size(), 3u);
    EXPECT_NE(doc->loadWarnings[0].find("1 LINE"), std::string::npos);
    EXPECT_NE(doc->loadWarnings[2].find("1 TEXT (\"s|1\""), std::string::npos) << doc->loadWarnings[2];

    // A file of many such entities is told in a few lines.
    std::string many = "  0\nSECTION\n  2\nENTITIES\n";
    for (int k = 0; k < 25; ++k) many += "  0\nLINE\n  8\nPLAN|" + std::to_string(k) + "\n";
    WriteAll(path, many + "  0\nENDSEC\n  0\nEOF\n");
    doc = LoadDxfDocument(path);
    ASSERT_EQ(doc->loadWarnings.size(), 21u);
    EXPECT_EQ(doc->loadWarnings.back(), "and 5 more not listed here");
}

}  // namespace
}  // namespace vd


namespace vd {
namespace {

std::string Dxf(const std::string& blocks, const std::string& entities) {
    return "  0\nSECTION\n  2\nBLOCKS\n" + blocks + "  0\nENDSEC\n  0\nSECTION\n  2\nENTITIES\n" + entities +
           "  0\nENDSEC\n  0\nEOF\n";
}

std::unique_ptr<CadDocument> LoadText(const std::string& name, const std::string& content) {
    QTemporaryDir dir;
    std::string path = dir.filePath(QString::fromStdString(name)).toStdString();
    WriteAll(path, content);
    return LoadDxfDocument(path);
}

// Entities drawn with the extrusion (0, 0, -1), as mirroring in another CAD
// program leaves them: their points lie in the mirrored object system.
TEST(CadDxf, MirroredObjectSystemIsTurnedIntoWorldPoints) {
    const std::string mirror = "210\n0\n220\n0\n230\n-1\n";
    auto doc = LoadText("ocs.dxf", Dxf("  0\nBLOCK\n  2\nB\n 70\n0\n 10\n0\n 20\n0\n 30\n0\n  0\nENDBLK\n",
                                       "  0\nINSERT\n  8\n0\n  2\nB\n 10\n10\n 20\n5\n 30\n0\n 50\n30\n" + mirror +
                                           "  0\nTEXT\n  8\n0\n 10\n3\n 20\n4\n 30\n0\n 40\n1\n  1\nT\n" + mirror +
                                           "  0\nCIRCLE\n  8\n0\n 10\n7\n 20\n1\n 30\n0\n 40\n2\n" + mirror +
                                           "  0\nLWPOLYLINE\n  8\n0\n 90\n2\n 70\n0\n 10\n1\n 20\n2\n 10\n4\n 20\n6\n" + mirror +
                                           "  0\nINSERT\n  8\n0\n  2\nB\n 10\n10\n 20\n5\n 30\n0\n"));
    const CadBlock& ms = doc->ModelSpace();
    ASSERT_EQ(ms.Count(), 5);
    auto ref = ms.Item(0);
    EXPECT_DOUBLE_EQ(ref->InsertionPoint[0], -10);
    EXPECT_DOUBLE_EQ(ref->InsertionPoint[1], 5);
    EXPECT_DOUBLE_EQ(ref->XScale, -1);  // mirrored seen from above
    EXPECT_NEAR(ref->Rotation, -30 * 3.14159265358979 / 180, 1e-12);
    EXPECT_EQ(ms.Item(1)->InsertionPoint, (CadPoint{-3, 4, 0}));
    EXPECT_NEAR(std::fabs(ms.Item(1)->Rotation), 3.14159265358979, 1e-12);
    EXPECT_EQ(ms.Item(2)->InsertionPoint, (CadPoint{-7, 1, 0}));
    EXPECT_EQ(ms.Item(3)->Vertices[1], (CadPoint{-4, 6, 0}));
    EXPECT_EQ(ms.Item(4)->InsertionPoint, (CadPoint{10, 5, 0}));  // no extrusion: unchanged
    EXPECT_DOUBLE_EQ(ms.Item(4)->XScale, 1);
    // A direction too long or too short to turn into unit length counts as none.
    for (const char* n : {"210\n1e300\n220\n1e300\n230\n0\n", "210\n0\n220\n0\n230\n0\n"}) {
        auto odd = LoadText("odd.dxf", Dxf("", std::string("  0\nCIRCLE\n  8\n0\n 10\n7\n 20\n1\n 40\n2\n") + n));
        EXPECT_EQ(odd->ModelSpace().Item(0)->InsertionPoint, (CadPoint{7, 1, 0})) << n;
    }
}

// A block that holds a reference to another is read whichever comes first.
TEST(CadDxf, NestedBlocksInEitherOrder) {
    const std::string inner = "  0\nBLOCK\n  2\nInner\n 70\n0\n 10\n0\n 20\n0\n 30\n0\n"
                              "  0\nLINE\n  8\n0\n 10\n0\n 20\n0\n 11\n1\n 21\n1\n  0\nENDBLK\n";
    const std::string outer = "  0\nBLOCK\n  2\nOuter\n 70\n0\n 10\n0\n 20\n0\n 30\n0\n"
                              "  0\nINSERT\n  8\n0\n  2\nInner\n 10\n5\n 20\n5\n  0\nENDBLK\n";
    const std::string use = "  0\nINSERT\n  8\n0\n  2\nOuter\n 10\n1\n 20\n1\n";
    for (const auto& blocks : {inner + outer, outer + inner}) {
        auto doc = LoadText("nested.dxf", Dxf(blocks, use));
        EXPECT_TRUE(doc->loadWarnings.empty()) << doc->loadWarnings.front();
        const CadBlock& o = doc->Blocks().Item("Outer");
        ASSERT_EQ(o.Count(), 1);
        EXPECT_EQ(o.Item(0)->Name, "Inner");
        EXPECT_EQ(doc->Blocks().Item("Inner").Count(), 1);
        EXPECT_EQ(doc->ModelSpace().Count(), 1);
    }
    // Blocks that hold each other would be drawn without end: the loop is cut.
    const std::string a = "  0\nBLOCK\n  2\nA\n 70\n0\n  0\nINSERT\n  8\n0\n  2\nB\n  0\nENDBLK\n";
    const std::string b = "  0\nBLOCK\n  2\nB\n 70\n0\n  0\nINSERT\n  8\n0\n  2\nA\n  0\nENDBLK\n";
    auto loop = LoadText("loop.dxf", Dxf(a + b, ""));
    EXPECT_EQ(loop->Blocks().Item("A").Count() + loop->Blocks().Item("B").Count(), 1);  // one link goes
    ASSERT_EQ(loop->loadWarnings.size(), 1u);
    EXPECT_NE(loop->loadWarnings[0].find("holds its own block"), std::string::npos);
}

// What the document cannot hold is named at open, so that a save can say
// what it would lose.
TEST(CadDxf, OutlinesTheDocumentCannotHoldAreReported) {
    struct Case {
        const char* entity;
        const char* says;
        std::string blocks = "";
    } cases[] = {
        {"  0\nLWPOLYLINE\n  8\n0\n 70\n1\n 10\n0\n 20\n0\n 10\n1\n 20\n0\n 10\n1\n 20\n1\n", "closed LWPOLYLINE"},
        {"  0\nLWPOLYLINE\n  8\n0\n 70\n0\n 10\n0\n 20\n0\n 42\n0.5\n 10\n1\n 20\n0\n", "with arcs"},
        {"  0\nPOLYLINE\n  8\n0\n 66\n1\n 70\n1\n  0\nVERTEX\n  8\n0\n 10\n0\n 20\n0\n  0\nVERTEX\n  8\n0\n 10\n1\n 20\n0\n"
         " 42\n1\n  0\nSEQEND\n",
         "closed POLYLINE"},
        {"  0\nARC\n  8\n0\n 10\n0\n 20\n0\n 40\n1\n 50\n0\n 51\n90\n", "ARC"},
        // Names and data the drawing refuses.
        {"  0\nLINE\n  8\n0\n1001\n\n1000\nx\n", "Extended data of an entity not read: malformed"},
        {"  0\nLINE\n  8\n0\n1001\nA\n1050\n1\n", "Extended data of an entity not read: malformed"},
        {"", "1 INSERT (A block cannot hold a reference to itself) entity not read",
         "  0\nBLOCK\n  2\nB\n  0\nINSERT\n  2\nb\n  0\nENDBLK\n"},
        {"", "Block \"B|1\" not read: its name is not allowed here", "  0\nBLOCK\n  2\nB|1\n  0\nENDBLK\n"},
        {"", "LAYER \"L|1\" not read: its name is not allowed here",
         "  0\nENDSEC\n  0\nSECTION\n  2\nTABLES\n  0\nLAYER\n  2\nL|1\n"},
        {"", "STYLE \"S|1\" not read: its name is not allowed here",
         "  0\nENDSEC\n  0\nSECTION\n  2\nTABLES\n  0\nSTYLE\n  2\nS|1\n"},
        {"  0\nINSERT\n  2\nB\n 66\n1\n  0\nATTRIB\n  8\nL|1\n  2\nT\n  0\nSEQEND\n",
         "1 INSERT (\"L|1\" is not allowed as a layer name) entity not read", "  0\nBLOCK\n  2\nB\n  0\nENDBLK\n"},
    };
    for (const auto& c : cases) {
        auto doc = LoadText("lossy.dxf", Dxf(c.blocks, c.entity));
        std::string all;
        for (const auto& w : doc->loadWarnings) all += w + "\n";
        EXPECT_NE(all.find(c.says), std::string::npos) << c.says << ": " << all;
    }
}

// The block record says whether the block carries attribute definitions;
// readers that trust the flag drop the attributes of a block that denies it.
TEST(CadDxf, SavedBlocksFlagTheirAttributeDefinitions) {
    CadDocument doc;
    doc.Blocks().Add({0, 0, 0}, "Plain").AddLine({0, 0, 0}, {1, 1, 0});
    CadBlock& withDefs = doc.Blocks().Add({0, 0, 0}, "WithDefs");
    withDefs.AddCircle({0, 0, 0}, 1);
    withDefs.AddAttribute(1, 8, "Prompt", {0, 1, 0}, "TAG", "");  // 8: preset
    QTemporaryDir dir;
    const std::string path = dir.filePath("flags.dxf").toStdString();
    doc.SaveAs(path);
    std::istringstream in(ReadAll(path));
    std::vector<std::pair<int, std::string>> pairs;
    for (std::string code, value; std::getline(in, code) && std::getline(in, value);) pairs.emplace_back(std::stoi(code), value);
    std::map<std::string, int> blockFlags;
    int attdefMode = -1;
    for (size_t i = 0; i < pairs.size(); ++i) {
        if (pairs[i].first != 0 || (pairs[i].second != "BLOCK" && pairs[i].second != "ATTDEF")) continue;
        std::string name;
        int flags = -1;
        for (size_t k = i + 1; k < pairs.size() && pairs[k].first != 0; ++k) {
            if (pairs[k].first == 2) name = pairs[k].second;
            if (pairs[k].first == 70) flags = std::stoi(pairs[k].second);
        }
        if (pairs[i].second == "BLOCK") blockFlags[name] = flags;
        else attdefMode = flags;
    }
    EXPECT_EQ(blockFlags["Plain"], 0);
    EXPECT_EQ(blockFlags["WithDefs"], 2);
    EXPECT_EQ(attdefMode, 8);
    auto back = LoadDxfDocument(path);
    auto ref = back->ModelSpace().InsertBlock({0, 0, 0}, "WithDefs");
    ASSERT_EQ(ref->GetAttributes().size(), 1u);
    EXPECT_EQ(ref->GetAttributes()[0]->TagString, "TAG");
}

}  // namespace
}  // namespace vd

namespace vd {
namespace {

// A save that fails at any step names the user's file, leaves the old one as
// it was and nothing else behind.
TEST(CadDxf, FailedSaveNamesTheFileAndLeavesNothingBehind) {
    QTemporaryDir dir;
    const std::string path = dir.filePath("plan.dxf").toStdString();
    CadDocument doc;
    FillSample(doc);
    doc.SaveAs(path);
    const std::string before = ReadAll(path);
    doc.ModelSpace().AddLine({0, 0, 0}, {9, 9, 0});
    for (SaveStep failing : {SaveStep::Create, SaveStep::Write, SaveStep::Flush, SaveStep::Rename}) {
        ScopedSaveFault fault([&](SaveStep step) { return step == failing ? ENOSPC : 0; });
        try {
            doc.SaveAs(path);
            ADD_FAILURE() << "step " << static_cast<int>(failing) << " failed silently";
        } catch (const CadError& e) {
            const std::string said = e.what();
            EXPECT_NE(said.find(path), std::string::npos) << said;
            EXPECT_EQ(said.find(path + "."), std::string::npos) << said;  // no temporary name
        }
        EXPECT_EQ(ReadAll(path), before);
        EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden), QStringList{"plan.dxf"});
        EXPECT_TRUE(doc.modified());
    }
}

}  // namespace
}  // namespace vd
