// The DXF reader on damaged and random files: it opens the drawing or says
// why not, and the read-backs run on whatever it opened.
#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

#include "byte_mutator.h"
#include "net_builder.h"
#include "cad/cad_document.h"
#include "recording_ui.h"
#include "temp_dir.h"
#include "workspace/acad_commands.h"

namespace vd {
namespace {

std::string ReadAll(const std::filesystem::path& p) {
    std::ifstream f(p, std::ios::binary);
    std::stringstream s;
    s << f.rdbuf();
    return s.str();
}

void WriteAll(const std::filesystem::path& p, const std::string& bytes) {
    std::ofstream f(p, std::ios::binary | std::ios::trunc);
    f << bytes;
}

// A plan drawing and a block with attributes, as the program saves them.
std::string SavedDrawing(const test::TempDir& dir) {
    test::RecordingUi ui;
    Model m;
    m.SetUi(&ui);
    test::NetBuilder net(m);
    net.line("1", "2").len(40).dia(300).slope(0.005f).gr(101, 100).inv(99, 98.8f).lat("A").xy(0, 0, 40, 0);
    net.line("2", "3").len(30).dia(300).slope(0.005f).gr(100, 99).inv(98.7f, 98.5f).lat("A").xy(40, 0, 70, 0);
    m.Links[1].NextLine = 2;
    m.Links[2].UpLine = 1;
    CadApplication app;
    EXPECT_TRUE(AcadPlanCommand(m, app));
    CadDocument& doc = app.ActiveDocument();
    doc.Blocks().Add({0, 0, 0}, "Mhblock");
    auto ref = doc.ModelSpace().InsertBlock({5, 6, 0}, "Mhblock");
    ref->setLayer("sewer");
    for (auto [tag, text] : {std::pair{"Mhname1", "1"}, {"Mhname2", "2"}, {"Gr-el", "101"}, {"Slope", "0.5"}}) {
        auto a = std::make_shared<CadEntity>(CadKind::Attribute, &doc, nullptr);
        a->TagString = tag;
        a->TextString = text;
        ref->attributeList().push_back(a);
    }
    doc.ModelSpace().AddPolyline({0, 0, 0, 10, 10, 0, 20, 0, 0});
    const std::string path = (dir.path() / "plan.dxf").string();
    doc.SaveAs(path);
    return ReadAll(path);
}

// Opens bytes as a drawing; a file it refuses is a CadError, anything else
// must read back without harm.
void OpenAndRead(const test::TempDir& dir, const std::string& bytes, const std::string& label) {
    const std::string path = (dir.path() / "damaged.dxf").string();
    WriteAll(path, bytes);
    CadApplication app;
    try {
        app.OpenDocument(path);
    } catch (const CadError& e) {
        ASSERT_FALSE(std::string(e.what()).empty()) << label;
        return;
    }
    test::RecordingUi ui;
    Model m;
    m.SetUi(&ui);
    for (int pass = 0; pass < 2; ++pass) {
        if (pass == 0) (void)GetAcadCommand(m, app);
        else (void)GetAcadBlockCommand(m, app);
        ASSERT_GE(m.LineCount, 0) << label;
        ASSERT_LE(m.LineCount, std::min(m.LineUpper(), m.LinkUpper())) << label;
    }
    // What was opened saves again.
    try {
        app.ActiveDocument().SaveAs((dir.path() / "again.dxf").string());
    } catch (const CadError&) {
    }
}

TEST(HostileDxf, DamagedDrawingAndNoise) {
    test::TempDir dir("hostile_dxf");
    const std::string good = SavedDrawing(dir);
    ASSERT_NE(good.find("EOF"), std::string::npos);
    test::ByteMutator mut(65535u, {"  0\r\nSECTION\r\n", "  0\r\nEOF\r\n", "1001\r\nDUV\r\n", "1040\r\n1E400\r\n",
                                   " 66\r\n1\r\n", "  0\r\nATTRIB\r\n", "  0\r\nVERTEX\r\n", " 90\r\n999999999\r\n",
                                   "  0\r\nLWPOLYLINE\r\n", "1071\r\n1e300\r\n"});
    const int n = test::HostileIterations(600);
    for (int it = 0; it < n; ++it) {
        std::string bytes = it % 10 == 0 ? mut.noise() : mut.mutate(good);
        OpenAndRead(dir, bytes, "iteration " + std::to_string(it));
        if (HasFailure()) return;
    }
}

// A drawing file around one entity's group pairs.
std::string Drawing(const std::string& entity) {
    return "  0\nSECTION\n  2\nTABLES\n  0\nTABLE\n  2\nAPPID\n  0\nAPPID\n  2\nDUV\n 70\n0\n"
           "  0\nENDTAB\n  0\nENDSEC\n  0\nSECTION\n  2\nENTITIES\n" +
           entity + "  0\nENDSEC\n  0\nEOF\n";
}

// A drawing of n blocks, and texts and references naming n layers, text
// styles, blocks and applications.
std::string ManyNames(int n) {
    std::string blocks = "  0\nSECTION\n  2\nBLOCKS\n", entities;
    for (int k = 0; k < n; ++k) {
        const std::string i = std::to_string(k);
        blocks += "  0\nBLOCK\n  2\nB" + i + "\n  0\nENDBLK\n";
        entities += "  0\nTEXT\n  8\nL" + i + "\n  7\nS" + i + "\n1001\nA" + i + "\n  0\nINSERT\n  8\nL" + i +
                    "\n  2\nB" + i + "\n";
    }
    return blocks + "  0\nENDSEC\n" + Drawing(entities);
}

// Files once found to misbehave, and what the reader makes of them.
TEST(HostileDxf, KnownHardFiles) {
    const struct {
        const char* name;
        std::string bytes;
        bool opens;
    } cases[] = {
        {"empty", "", false},
        {"no EOF", "  0\nSECTION\n  2\nENTITIES\n  0\nENDSEC\n", false},
        {"integer extended data beyond 32 bits",
         Drawing("  0\nLINE\n  8\nsewer\n 10\n0\n 20\n0\n 11\n1\n 21\n1\n1001\nDUV\n1071\n1e300\n"
                 "1070\n-1e300\n1071\n3000000000\n"),
         true},
        {"huge counts and coordinates",
         Drawing("  0\nLWPOLYLINE\n  8\n0\n 90\n2000000000\n 10\n1e308\n 20\n-1e308\n 10\n1\n 20\n1\n"),
         true},
        {"attributes without their reference", Drawing("  0\nATTRIB\n  2\nX\n  0\nSEQEND\n"), true},
        {"long line", Drawing("  0\nTEXT\n  1\n" + std::string(100000, 'x') + "\n"), true},
        {"group code not a number", Drawing("  x\nfoo\n"), false},
        {"NUL far from the start", Drawing(std::string(" 999\n") + std::string(200, 'c') + '\0' + "\n"), false},
        {"2000 layers, text styles, blocks and applications", ManyNames(2000), true},
    };
    test::TempDir dir("hostile_dxf_cases");
    for (const auto& c : cases) {
        const std::string path = (dir.path() / "case.dxf").string();
        WriteAll(path, c.bytes);
        CadApplication app;
        bool opened = true;
        try {
            app.OpenDocument(path);
        } catch (const CadError&) {
            opened = false;
        }
        ASSERT_EQ(opened, c.opens) << c.name;
        if (!opened) continue;
        OpenAndRead(dir, c.bytes, c.name);
        const std::string again = (dir.path() / "again.dxf").string();
        app.ActiveDocument().SaveAs(again);
        CadApplication back;
        EXPECT_NO_THROW(back.OpenDocument(again)) << c.name;
    }
    // A long value is one value, not the start of further pairs.
    const std::string path = (dir.path() / "long.dxf").string();
    WriteAll(path, Drawing("  0\nTEXT\n  1\n" + std::string(5000, 'x') + "\n"));
    CadApplication app;
    CadDocument& doc = app.OpenDocument(path);
    ASSERT_EQ(doc.ModelSpace().Count(), 1);
    EXPECT_EQ(doc.ModelSpace().Item(0)->TextString.size(), 5000u);
}

}  // namespace
}  // namespace vd
