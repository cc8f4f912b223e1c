#include <gtest/gtest.h>

#include <QDir>
#include <QTemporaryDir>
#include <cstdlib>
#include <fstream>
#include <sstream>

#include "platform/cad_document.h"

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

bool HaveEzdxf() { return std::system("/usr/bin/python3 -c 'import ezdxf' >/dev/null 2>&1") == 0; }

// Runs a Python script under the system interpreter; its output is returned.
std::string RunPython(const QTemporaryDir& dir, const std::string& script) {
    std::string py = dir.filePath("t.py").toStdString(), out = dir.filePath("t.out").toStdString();
    WriteAll(py, script);
    int rc = std::system(("/usr/bin/python3 " + py + " > " + out + " 2>&1").c_str());
    std::string text = ReadAll(out);
    EXPECT_EQ(rc, 0) << text;
    return text;
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
    } cases[] = {
        {"truncated.dxf", bytes.substr(0, bytes.size() / 2), "truncated"},
        {"binary.dxf", std::string("AutoCAD Binary DXF\r\n\x1a\0", 22) + "junk", "binary DXF"},
        {"image.dxf", std::string("\x89PNG\r\n\x1a\n\0\0\0", 11), "not a DXF"},
        {"empty.dxf", "", "not a DXF"},
    };
    for (const auto& c : cases) {
        std::string path = dir.filePath(c.name).toStdString();
        WriteAll(path, c.content);
        try {
            LoadDxfDocument(path);
            ADD_FAILURE() << c.name << " was accepted";
        } catch (const CadError& e) {
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

}  // namespace
}  // namespace vd
