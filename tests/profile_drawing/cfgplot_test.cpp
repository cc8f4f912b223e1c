// The profile blocks made from the drawing-style rows, only where missing,
// and the drawing they give read back by an independent DXF reader.
#include <gtest/gtest.h>

#include <filesystem>

#include <cstdio>

#include "cad/cad_document.h"
#include "profile_drawing/cfgplot.h"
#include "profile_drawing/context.h"
#include "profile_drawing/drawing_settings.h"
#include "recording_ui.h"
#include "temp_dir.h"
#include "python_checker.h"

namespace vd {
namespace {

constexpr double kDeg = 3.14159 / 180;

std::vector<CadEntityPtr> Attributes(const CadBlock& b) {
    std::vector<CadEntityPtr> out;
    for (const auto& e : b.entities())
        if (e->kind == CadKind::AttributeDef) out.push_back(e);
    return out;
}

std::string Tags(const CadBlock& b) {
    std::string out;
    for (const auto& a : Attributes(b)) out += a->TagString + ",";
    return out;
}

TEST(ProfileBlocks, MadeFromTheDefaultStyles) {
    Model m;
    ApplyDefaultStyles(m);
    CadDocument doc;
    test::RecordingUi ui;
    DefineProfileBlocks(m, &doc, ui);
    EXPECT_TRUE(ui.boxes.empty());

    std::string names;
    for (const auto& b : doc.Blocks().all()) names += b->Name + ",";
    EXPECT_EQ(names.substr(names.find(',') + 1), "table,title,Text1,Text2,From,NextPIPE,Kadr,Rl,");
    for (const char* layer : {"9", "3", "46", "2", "50", "4"}) EXPECT_NE(doc.Layers().Find(layer), nullptr) << layer;
    EXPECT_EQ(doc.Layers().Item("46").Color, 46);
    ASSERT_NE(doc.TextStyles().Find("romans"), nullptr);

    // The rows with an "M" in their placement go to TEXT2, the others to TEXT1.
    const CadBlock& text1 = doc.Blocks().Item("TEXT1");
    const CadBlock& text2 = doc.Blocks().Item("TEXT2");
    EXPECT_EQ(Tags(text1), "Mhname,GR.EL,INV.EL,INV.EL1,Lateral,KM,");
    EXPECT_EQ(Tags(text2), "DIST,Diameter,SLOPE,");
    const struct {
        const CadBlock* block;
        int index;
        CadPoint at;
        double rotation;
        int alignment;
    } atts[] = {
        {&text1, 0, {-0.1, 16 - 25 + 0.2, 0}, 0, 4},   // Mhname, spacing 1: middle
        {&text1, 1, {-0.1, 16 - 18 + 0.2, 0}, 90 * kDeg, 0},
        {&text1, 3, {0.4, 16 - 20 + 0.2, 0}, 90 * kDeg, 0},  // the second INV.EL, half a unit right
        {&text1, 5, {-0.1, 16 - 22 + 0.2, 0}, 0, 4},
        {&text2, 0, {0, 16 - 21 + 0.2, 0}, 0, 4},  // "M0": x 0, always middle
    };
    for (const auto& a : atts) {
        SCOPED_TRACE(a.index);
        const auto e = Attributes(*a.block)[static_cast<std::size_t>(a.index)];
        EXPECT_NEAR(e->InsertionPoint[0], a.at[0], 1e-9);
        EXPECT_NEAR(e->InsertionPoint[1], a.at[1], 1e-6);
        EXPECT_DOUBLE_EQ(e->Rotation, a.rotation);
        EXPECT_EQ(e->Alignment, a.alignment);
        EXPECT_NEAR(e->Height, 0.2, 1e-9);
        EXPECT_EQ(e->layer(), "3");
        EXPECT_EQ(e->Color, 256);
        EXPECT_EQ(e->PromptString, e->TagString);
    }
    // TABLE and TITLE: a base line and one line per visible row (rows 1 to 8).
    const CadBlock& table = doc.Blocks().Item("TABLE");
    ASSERT_EQ(table.Count(), 9);
    EXPECT_EQ(table.Item(1)->StartPoint, (CadPoint{0, -9, 0}));
    const CadBlock& title = doc.Blocks().Item("TITLE");
    EXPECT_EQ(title.Count(), 17);
    EXPECT_EQ(title.Item(2)->TextString, "Mhname         ");
    EXPECT_EQ(title.Item(2)->Height, 0.5);

    const CadBlock& from = doc.Blocks().Item("FROM");
    EXPECT_EQ(Tags(from), "INV,DWG,MH,DIAS,");
    EXPECT_DOUBLE_EQ(Attributes(from)[2]->Rotation, 90 * kDeg);
    EXPECT_EQ(Attributes(from)[2]->InsertionPoint, (CadPoint{-0.1, -2.8, 0}));
    EXPECT_EQ(Tags(doc.Blocks().Item("NEXTPIPE")), "MH,Dia,Slope,DWG,");
    EXPECT_EQ(Tags(doc.Blocks().Item("KADR")), "DWG,");
    const CadBlock& rl = doc.Blocks().Item("RL");
    ASSERT_EQ(rl.Count(), 3);
    EXPECT_EQ(rl.Item(2)->Color, 1);
    EXPECT_EQ(rl.Item(2)->Widths[0][0], 0.1);
}

TEST(ProfileBlocks, OnlyWhatIsMissingAndOddRows) {
    Model m;
    ApplyDefaultStyles(m);
    m.ObjectStyles[5].Visible = "N";  // hidden: its text style still, no layer
    m.ObjectStyles[5].Color = 77;
    m.ObjectStyles[5].StyleName = "SIMPLEX";
    m.ObjectStyles[17].StyleName = "DOT";  // a line type: no font of that name
    m.ObjectStyles[22].Color = 88;        // rows 21 to 25 ignore visibility
    m.ObjectStyles[9].Visible = "Y";      // visible row 9 with a name and "M0"
    m.ObjectStyles[10].Visible = "Y";     // visible row 10 without a name: no attribute
    m.ObjectStyles[10].EntityName.clear();
    m.ObjectStyles[10].HSpace = "0";
    m.ObjectStyles[4].HeightText = "abc";  // unreadable height text: its text height
    m.ObjectStyles[4].TextHeight = 0.35f;
    CadDocument doc;
    CadBlock& kept = doc.Blocks().Add({0, 0, 0}, "TaBle");
    kept.AddLine({0, 0, 0}, {5, 5, 0});
    ProfileViewState v;
    v.LKeySwitch = 1;
    OutputSet out;
    out.Acad = &doc;
    DrawContext ctx(m, v, out);
    cfgplot(ctx);
    EXPECT_EQ(v.LKeySwitch, 0);

    EXPECT_EQ(doc.Blocks().Item("table").Count(), 1);
    EXPECT_EQ(doc.Blocks().Count(), 2 + 7);  // model space, the kept one, the seven made
    EXPECT_NE(doc.TextStyles().Find("SIMPLEX"), nullptr);
    EXPECT_EQ(doc.Layers().Find("77"), nullptr);
    EXPECT_NE(doc.Layers().Find("88"), nullptr);
    ASSERT_NE(doc.TextStyles().Find("DOT"), nullptr);
    EXPECT_EQ(doc.TextStyles().Find("DOT")->fontFile(), "ROMANS");
    EXPECT_EQ(Tags(doc.Blocks().Item("TEXT1")), "Mhname,GR.EL,INV.EL,INV.EL1,Lateral,KM,");
    EXPECT_EQ(Tags(doc.Blocks().Item("TEXT2")), "Diameter,SLOPE,Depth,");
    EXPECT_NEAR(Attributes(doc.Blocks().Item("TEXT1"))[4]->Height, 0.35, 1e-6);

    // A second call leaves every block as it is.
    const int before = doc.Blocks().Item("TEXT1").Count();
    m.ObjectStyles[6].HSpace = "M0";
    cfgplot(ctx);
    EXPECT_EQ(doc.Blocks().Item("TEXT1").Count(), before);

    // No drawing connected: nothing to do, nothing said.
    out.Acad = nullptr;
    test::RecordingUi ui;
    m.SetUi(&ui);
    cfgplot(ctx);
    EXPECT_TRUE(ui.boxes.empty());
}

TEST(ProfileBlocks, SavedDrawingPassesAnIndependentAudit) {
    Model m;
    ApplyDefaultStyles(m);
    CadDocument doc;
    test::RecordingUi ui;
    DefineProfileBlocks(m, &doc, ui);
    for (const char* name : {"KADR", "RL", "NEXTPIPE", "TITLE", "TABLE", "TEXT1", "TEXT2", "FROM"})
        doc.ModelSpace().InsertBlock({10, 20, 0}, name);
    test::TempDir dir;
    const std::string path = dir.folder() + "blocks.dxf";
    SaveDxfDocument(doc, path);

    const std::string script =
        "import ezdxf,sys\n"
        "d=ezdxf.readfile(sys.argv[1])\n"
        "a=d.audit()\n"
        "print('errors',len(a.errors))\n"
        "for n in ['KADR','RL','NEXTPIPE','TITLE','TABLE','TEXT1','TEXT2','FROM']:\n"
        "  b=d.blocks.get(n)\n"
        "  print(n, b is not None and ','.join(e.dxf.tag for e in b if e.dxftype()=='ATTDEF'))\n"
        "print('inserts',len(d.modelspace().query('INSERT')))\n"
        "print('attribs',sum(len(i.attribs) for i in d.modelspace().query('INSERT')))\n";
    const test::PythonRun run = test::RunSystemPython(std::filesystem::path(path).parent_path(), script, {path});
    ASSERT_TRUE(run.ok()) << run.output;
    const std::string& got = run.output;
    EXPECT_EQ(got,
              "errors 0\n"
              "KADR DWG\n"
              "RL \n"
              "NEXTPIPE MH,Dia,Slope,DWG\n"
              "TITLE \n"
              "TABLE \n"
              "TEXT1 Mhname,GR.EL,INV.EL,INV.EL1,Lateral,KM\n"
              "TEXT2 DIST,Diameter,SLOPE\n"
              "FROM INV,DWG,MH,DIAS\n"
              "inserts 8\n"
              "attribs 18\n");
}

}  // namespace
}  // namespace vd
