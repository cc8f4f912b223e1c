// The output primitives on every target: routing by mode, the profile DXF
// bytes, the CAD drawing's entities, attribute filling, the palette and the
// canvas pixels.
#include <gtest/gtest.h>

#include <filesystem>

#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <random>

#include <QPainter>

#include "cad/aci_palette.h"
#include "cad/cad_document.h"
#include "platform/profile_canvas.h"
#include "profile_drawing/cad_output.h"
#include "profile_drawing/canvas_target.h"
#include "profile_drawing/context.h"
#include "profile_drawing/dxf_output.h"
#include "profile_drawing/recording_output.h"
#include "temp_dir.h"
#include "python_checker.h"

namespace vd {
namespace {

using test::OutputMark;
using test::RecordingOutput;

// "⏎" stands for CR LF in the expected texts.
std::string Lines(std::string s) {
    std::string out;
    for (std::size_t i = 0; i < s.size();) {
        if (s.compare(i, 3, "⏎") == 0) {
            out += "\r\n";
            i += 3;
        } else {
            out += s[i++];
        }
    }
    return out;
}

struct Fixture {
    Model m;
    ProfileViewState v;
    OutputSet out;
    DrawContext ctx{m, v, out};
};

TEST(ProfilePrimitives, EachModeReachesOnlyItsTarget) {
    Fixture f;
    RecordingOutput canvas, dxf, lines, blocks;
    f.out.Canvas = &canvas;
    f.out.Dxf = &dxf;
    f.out.CadLines = &lines;
    f.out.CadBlocks = &blocks;
    RecordingOutput* byMode[] = {nullptr, &canvas, &dxf, &lines, &blocks, nullptr};
    for (int mode = 0; mode <= 5; ++mode) {
        for (auto* r : {&canvas, &dxf, &lines, &blocks}) r->marks.clear();
        txtplot(f.ctx, 1, 2, 3, 0.2, 90, "ROMANS", "A", mode);
        LINEplot(f.ctx, 0, 0, 1, 1, mode, 3);
        solid(f.ctx, 1, 2, 3, 4, 5, 6, 7, 8, mode);
        for (auto* r : {&canvas, &dxf, &lines, &blocks}) {
            SCOPED_TRACE(mode);
            const bool mine = r == byMode[mode];
            EXPECT_EQ(r->of(OutputMark::Text).size(), mine ? 1u : 0u);
            EXPECT_EQ(r->of(OutputMark::Line).size(), mine ? 1u : 0u);
            EXPECT_EQ(r->of(OutputMark::Solid).size(), mine && mode >= 3 ? 1u : 0u);
        }
    }
    SelectionBox(f.ctx, 1, 2, 3, 4, 255);
    EXPECT_EQ(canvas.of(OutputMark::Box).size(), 1u);

    // A mark always meant for the screen is dropped when no canvas is there.
    f.out.Canvas = nullptr;
    txtplot(f.ctx, 1, 2, 3, 0.2, 0, "", "Vd=", kDrawCanvas);
    SelectionBox(f.ctx, 1, 2, 3, 4, 255);
    EXPECT_TRUE(f.ctx.skipped.empty());
}

TEST(ProfilePrimitives, PlacementAndLineTypeAsTheyStandAtTheCall) {
    Fixture f;
    RecordingOutput rec;
    f.out.Dxf = &rec;
    f.v.ViewOriginX = 3;
    f.v.ViewTopY = 60;
    f.v.InsertionPoint = {100, 200, 0};
    f.m.DxfOffsetY = 800;
    f.m.ObjectStyles[21].Color = 14.5f;  // the solid's layer: nearest whole number, half to even
    f.out.CadLines = &rec;
    std::string type = "dot  ";
    double colour = 4;
    LINEplot(f.ctx, 1, 2, 3, 4, kDrawDxf, colour, type);
    EXPECT_EQ(type, "DOT");
    EXPECT_EQ(colour, 4);
    solid(f.ctx, 1, 2, 3, 4, 5, 6, 7, 8, kDrawCadLines);
    ASSERT_EQ(rec.marks.size(), 2u);
    EXPECT_EQ(rec.marks[0].lineType, "DOT");
    EXPECT_EQ(rec.marks[0].at.ViewOriginX, 3);
    EXPECT_EQ(rec.marks[0].at.DxfOffsetY, 800);
    EXPECT_EQ(rec.marks[0].at.InsertionPoint[1], 200);
    EXPECT_EQ(rec.marks[1].layerColour, 14);
}

TEST(ProfileDxf, NumberForms) {
    const struct {
        double v;
        const char* text;
    } cases[] = {
        {0, " 0 "},           {-0.0, " 0 "},          {0.5, " .5 "},         {-0.5, "-.5 "},
        {125, " 125 "},       {-3, "-3 "},            {22.5, " 22.5 "},      {1234567.25, " 1234567.25 "},
        {58.4999992847443, " 58.5 "},  // single-precision noise is not written
        {10 * static_cast<double>(8.4f), " 84 "},     {0.001, " .001 "},     {1e20, " 1E+20 "},
        {2.5e-7, " 2.5E-07 "},  {123456789, " 123456789 "},  {1.0 / 3, " .3333333 "},
        {800 + 10 * static_cast<double>(0.1f), " 801 "},
    };
    for (const auto& c : cases) EXPECT_EQ(DxfNumber(c.v), c.text) << c.v;
    EXPECT_THROW(DxfNumber(std::nan("")), RuntimeError);
    EXPECT_THROW(DxfNumber(INFINITY), RuntimeError);
}

// The number text built from the library's general forms, as a plain
// reading of its rule; the writer's own digit handling must give the same bytes.
std::string ReferenceDxfNumber(double v) {
    auto general = [](double x, int digits) {
        char buf[64];
        return std::string(buf, std::to_chars(buf, buf + sizeof buf, x, std::chars_format::general, digits).ptr);
    };
    if (v == 0) return " 0 ";
    std::string t = general(v, 15);
    const std::string mantissa = t.substr(0, t.find('e'));
    const std::size_t first = mantissa.find_first_of("123456789");
    int significant = 0;
    for (std::size_t i = first; i < mantissa.size(); ++i) significant += std::isdigit(static_cast<unsigned char>(mantissa[i])) != 0;
    if (significant > 12) {
        const std::string shortText = general(v, 7);
        const double shortForm = std::strtod(shortText.c_str(), nullptr);
        if (std::fabs(v - shortForm) <= std::fabs(shortForm) * 1.2e-7) t = shortText;
    }
    for (char& c : t)
        if (c == 'e') c = 'E';
    if (t.rfind("0.", 0) == 0) t.erase(0, 1);
    else if (t.rfind("-0.", 0) == 0) t.erase(1, 1);
    return (t[0] == '-' ? t : " " + t) + " ";
}

TEST(ProfileDxf, NumberFormsMatchTheGeneralFormOverManyValues) {
    std::mt19937_64 rng(20);
    std::uniform_real_distribution<double> unit(0, 1);
    std::vector<double> values;
    // Drawing coordinates from single-precision data, sheet offsets, exact
    // decimals, halves of the 7th and 15th digit, powers of ten and their
    // neighbours, and arbitrary bit patterns.
    for (int i = 0; i < 200000; ++i) {
        const float f = static_cast<float>((unit(rng) - 0.3) * std::pow(10.0, static_cast<int>(rng() % 9) - 2));
        values.push_back(10 * static_cast<double>(f) + 800.0 * static_cast<double>(rng() % 40));
        values.push_back(static_cast<double>(f));
        values.push_back(static_cast<double>(static_cast<long long>(rng() % 2000000) - 1000000) / 1000.0);
        const double mantissa = static_cast<double>(1000000 + rng() % 9000000) + 0.5;
        const int shift = static_cast<int>(rng() % 30) - 15;
        values.push_back(mantissa * std::pow(10.0, shift));
        values.push_back(std::nextafter(mantissa * std::pow(10.0, shift), 0.0));
        values.push_back((static_cast<double>(rng() % 100000000000000ull) + 0.5) * std::pow(10.0, shift));
        const double power = std::pow(10.0, static_cast<int>(rng() % 40) - 20);
        values.push_back(power);
        values.push_back(std::nextafter(power, 0.0));
        values.push_back(-std::nextafter(power, 1e300));
        double bits;
        const std::uint64_t raw = rng();
        std::memcpy(&bits, &raw, sizeof bits);
        if (std::isfinite(bits)) values.push_back(bits);
    }
    for (double v : values) ASSERT_EQ(DxfNumber(v), ReferenceDxfNumber(v)) << std::hexfloat << v;
}

TEST(ProfileDxf, WorkedTextAndLineBytes) {
    Fixture f;
    DxfProfileWriter w;
    f.out.Dxf = &w;
    w.Begin();
    txtplot(f.ctx, 12.5, 4, 3, 0.2, 90, "ROMANS", "MH1", kDrawDxf);
    std::string dot = "dot ";
    LINEplot(f.ctx, 1, 2, 3.5, 2.25, kDrawDxf, 4, dot);
    w.End();
    EXPECT_EQ(w.bytes(), Lines(" 0 ⏎SECTION⏎ 2 ⏎ENTITIES⏎"
                               " 0 ⏎TEXT⏎ 8 ⏎3⏎ 62 ⏎ 3 ⏎ 10 ⏎ 125 ⏎ 20 ⏎ 40 ⏎ 30 ⏎ 0 ⏎ 50 ⏎ 90 ⏎ 7 ⏎STANDARD⏎ 40 ⏎ 2 ⏎ 1 ⏎MH1⏎"
                               " 0 ⏎LINE⏎ 8 ⏎S⏎ 62 ⏎ 30⏎ 6 ⏎DOT⏎ 10 ⏎ 10 ⏎ 20 ⏎ 20 ⏎ 30 ⏎ 0 ⏎ 11 ⏎ 35 ⏎ 21 ⏎ 22.5 ⏎ 31 ⏎ 0 ⏎"
                               " 0 ⏎ENDSEC⏎ 0 ⏎EOF⏎"));
}

TEST(ProfileDxf, EntityVariants) {
    const struct {
        const char* name;
        bool text;
        double colour;
        std::string lineType, value;
        double offsetY;
        const char* expected;
    } cases[] = {
        {"line colour 0: no 62", false, 0, "", "", 0,
         " 0 ⏎LINE⏎ 8 ⏎0⏎ 10 ⏎ 10 ⏎ 20 ⏎ 20 ⏎ 30 ⏎ 0 ⏎ 11 ⏎ 30 ⏎ 21 ⏎ 40 ⏎ 31 ⏎ 0 ⏎"},
        {"line colour 4: layer 4, colour 30", false, 4, "", "", 0,
         " 0 ⏎LINE⏎ 8 ⏎4⏎ 62 ⏎ 30⏎ 10 ⏎ 10 ⏎ 20 ⏎ 20 ⏎ 30 ⏎ 0 ⏎ 11 ⏎ 30 ⏎ 21 ⏎ 40 ⏎ 31 ⏎ 0 ⏎"},
        {"line type with a NUL: no 6", false, 46, std::string("ROM\0NS", 6), "", 0,
         " 0 ⏎LINE⏎ 8 ⏎46⏎ 62 ⏎ 46⏎ 10 ⏎ 10 ⏎ 20 ⏎ 20 ⏎ 30 ⏎ 0 ⏎ 11 ⏎ 30 ⏎ 21 ⏎ 40 ⏎ 31 ⏎ 0 ⏎"},
        {"second sheet of a batch: y 800 higher", false, 2, "ROMANS", "", 800,
         " 0 ⏎LINE⏎ 8 ⏎2⏎ 62 ⏎ 2⏎ 6 ⏎ROMANS⏎ 10 ⏎ 10 ⏎ 20 ⏎ 820 ⏎ 30 ⏎ 0 ⏎ 11 ⏎ 30 ⏎ 21 ⏎ 840 ⏎ 31 ⏎ 0 ⏎"},
        {"text colour 0, leading blanks dropped", true, 0, "", "  105", 0,
         " 0 ⏎TEXT⏎ 8 ⏎0⏎ 10 ⏎ 10 ⏎ 20 ⏎ 20 ⏎ 30 ⏎ 0 ⏎ 50 ⏎-.3 ⏎ 7 ⏎STANDARD⏎ 40 ⏎ 4 ⏎ 1 ⏎105⏎"},
        {"line breaks and NULs in a text become blanks", true, 60, "", std::string("A\r\nB\0C", 6), 0,
         " 0 ⏎TEXT⏎ 8 ⏎60⏎ 62 ⏎ 60 ⏎ 10 ⏎ 10 ⏎ 20 ⏎ 20 ⏎ 30 ⏎ 0 ⏎ 50 ⏎-.3 ⏎ 7 ⏎STANDARD⏎ 40 ⏎ 4 ⏎ 1 ⏎A  B C⏎"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        Fixture f;
        DxfProfileWriter w;
        f.out.Dxf = &w;
        f.m.DxfOffsetY = c.offsetY;
        w.Begin();
        const std::size_t header = w.bytes().size();
        if (c.text)
            txtplot(f.ctx, 1, 2, c.colour, 0.4, -0.3, "ROMANS", c.value, kDrawDxf);
        else
            LINEplot(f.ctx, 1, 2, 3, 4, kDrawDxf, c.colour, c.lineType);
        EXPECT_EQ(w.bytes().substr(header), Lines(c.expected));
    }
}

TEST(ProfileDxf, FailuresAreCountedAndLeaveNoHalfEntity) {
    Fixture f;
    DxfProfileWriter w;
    f.out.Dxf = &w;
    txtplot(f.ctx, 1, 2, 3, 0.2, 0, "", "before the file", kDrawDxf);
    EXPECT_EQ(f.ctx.skipped.size(), 1u);
    EXPECT_TRUE(w.bytes().empty());

    w.Begin();
    w.End();
    EXPECT_EQ(w.bytes(), Lines(" 0 ⏎SECTION⏎ 2 ⏎ENTITIES⏎ 0 ⏎ENDSEC⏎ 0 ⏎EOF⏎"));
    w.Begin();
    // Each failure says in words which value of which line could not be written.
    f.ctx.r.CurLine = 7;
    LINEplot(f.ctx, 1, std::nan(""), 3, 4, kDrawDxf, 3);
    txtplot(f.ctx, 1, 2, 3, INFINITY, 0, "", "MH4", kDrawDxf);
    txtplot(f.ctx, 1, 2, 3, 1e308, 0, "", "MH5", kDrawDxf);
    EXPECT_EQ(w.bytes(), Lines(" 0 ⏎SECTION⏎ 2 ⏎ENTITIES⏎"));
    EXPECT_EQ(f.ctx.skipped, (std::vector<std::string>{
                                 "text \"before the file\": no DXF file is open to take it",
                                 "line: its start's y is not a finite number and cannot be written to the DXF file (line 7)",
                                 "text \"MH4\": its height is not a finite number and cannot be written to the DXF file (line 7)",
                                 "text \"MH5\": its height is not a finite number and cannot be written to the DXF file (line 7)"}));
}

TEST(ProfileDxf, SavedFileReadsBackInAnIndependentReader) {
    test::TempDir dir;
    Fixture f;
    DxfProfileWriter w;
    f.out.Dxf = &w;
    w.Begin();
    txtplot(f.ctx, 12.5, 4, 3, 0.2, 90, "ROMANS", " MH1", kDrawDxf);
    LINEplot(f.ctx, 1, 2, 3.5, 2.25, kDrawDxf, 4, "DOT");
    LINEplot(f.ctx, 0.5, -1, 7, 8, kDrawDxf, 46, "ROMANS");
    w.End();
    const std::string path = dir.folder() + "sheet.dxf";
    ASSERT_TRUE(w.SaveTo(path).ok());
    const Outcome refused = w.SaveTo(dir.folder() + "missing/sheet.dxf");
    EXPECT_EQ(refused.message(), dir.folder() + "missing/sheet.dxf was not saved: the folder does not exist.");

    const std::string script =
        "import ezdxf,sys\n"
        "d=ezdxf.readfile(sys.argv[1])\n"
        "for e in d.modelspace():\n"
        "  if e.dxftype()=='TEXT': print('TEXT',e.dxf.layer,e.dxf.color,e.dxf.insert.x,e.dxf.insert.y,e.dxf.rotation,e.dxf.height,e.dxf.text)\n"
        "  else: print('LINE',e.dxf.layer,e.dxf.color,e.dxf.start.x,e.dxf.start.y,e.dxf.end.x,e.dxf.end.y)\n";
    const test::PythonRun run = test::RunSystemPython(std::filesystem::path(path).parent_path(), script, {path});
    ASSERT_TRUE(run.ok()) << run.output;
    const std::string& got = run.output;
    EXPECT_EQ(got,
              "TEXT 3 3 125.0 40.0 90.0 2.0 MH1\n"
              "LINE S 30 10.0 20.0 35.0 22.5\n"
              "LINE 46 46 5.0 -10.0 70.0 80.0\n");
}

TEST(ProfileCad, PlainAndBlockModes) {
    Fixture f;
    CadDocument doc;
    doc.TextStyles().Add("ROMANS");
    f.out.Acad = &doc;
    CadOutput lines(f.out.Acad, false), blocks(f.out.Acad, true);
    f.out.CadLines = &lines;
    f.out.CadBlocks = &blocks;
    f.v.InsertionPoint = {100, 200, 0};
    f.m.ObjectStyles[21].Color = 3;

    txtplot(f.ctx, 1, 2, 46, 0.25, 90, "ROMANS", "A", kDrawCadLines);
    txtplot(f.ctx, 1, 2, 46, 0.25, 90, "ROMANS", "B", kDrawCadBlocks);  // block mode: texts come from blocks
    LINEplot(f.ctx, 1, 2, 3, 4, kDrawCadBlocks, 14, "DOT");
    solid(f.ctx, 10, 20, 30, 40, 50, 60, 70, 80, kDrawCadLines);
    solid(f.ctx, 10, 20, 30, 40, 50, 60, 70, 80, kDrawDxf);  // the file has no solids

    const auto& e = doc.ModelSpace().entities();
    ASSERT_EQ(e.size(), 3u);
    EXPECT_EQ(e[0]->kind, CadKind::Text);
    EXPECT_EQ(e[0]->TextString, "A");
    EXPECT_EQ(e[0]->InsertionPoint, (CadPoint{101, 202, 0}));
    EXPECT_DOUBLE_EQ(e[0]->Rotation, 90 * 3.14159 / 180);
    EXPECT_EQ(e[0]->layer(), "46");
    EXPECT_EQ(e[0]->Color, 256);
    EXPECT_EQ(e[0]->Height, 0.25);
    EXPECT_EQ(e[0]->StyleName, "ROMANS");
    EXPECT_EQ(e[1]->kind, CadKind::Line);
    EXPECT_EQ(e[1]->StartPoint, (CadPoint{101, 202, 0}));
    EXPECT_EQ(e[1]->EndPoint, (CadPoint{103, 204, 0}));
    EXPECT_EQ(e[1]->layer(), "14");  // a colour without a layer gets one of its colour
    EXPECT_EQ(doc.Layers().Item("14").Color, 14);
    EXPECT_EQ(e[2]->kind, CadKind::Solid);
    EXPECT_EQ(e[2]->Corners[0], (CadPoint{101, 205, 0}));
    EXPECT_EQ(e[2]->Corners[3], (CadPoint{104, 208, 0}));
    EXPECT_EQ(e[2]->layer(), "3");

    // No drawing: marks are skipped and said, a solid fails to its caller.
    f.out.Acad = nullptr;
    txtplot(f.ctx, 1, 2, 3, 0.2, 0, "", "C", kDrawCadLines);
    LINEplot(f.ctx, 1, 2, 3, 4, kDrawCadLines, 3);
    EXPECT_EQ(f.ctx.skipped.size(), 2u);
    EXPECT_THROW(solid(f.ctx, 1, 2, 3, 4, 5, 6, 7, 8, kDrawCadLines), CadError);
}

TEST(ProfileCad, AttributesFilledByTagOrExploded) {
    for (bool explode : {false, true}) {
        SCOPED_TRACE(explode);
        Fixture f;
        CadDocument doc;
        f.out.Acad = &doc;
        f.v.ExplodeAttrib = explode;
        CadBlock& b = doc.Blocks().Add({0, 0, 0}, "NextPIPE");
        auto a1 = b.AddAttribute(0.2, 0, "DWG#", {1, -1.4, 0}, "DWG", " ");
        a1->setLayer("2");
        a1->Alignment = 4;
        b.AddAttribute(0.2, 0, "Again", {1, 2, 0}, "dwg", " ");
        b.AddAttribute(0.2, 0, "Manhole", {1, 1.3, 0}, "MH", " ");
        auto ref = doc.ModelSpace().InsertBlock({10, 20, 0}, "nextpipe");

        attplot(f.ctx, ref, "dwg", "lower-case tag matches nothing");
        attplot(f.ctx, ref, " DWG ", "DWG# 3");
        const auto atts = ref->GetAttributes();
        if (!explode) {
            EXPECT_EQ(atts[0]->TextString, "DWG# 3");
            EXPECT_EQ(atts[1]->TextString, "DWG# 3");  // every matching attribute
            EXPECT_EQ(atts[2]->TextString, " ");
            EXPECT_EQ(doc.ModelSpace().Count(), 1);
        } else {
            EXPECT_EQ(atts[0]->TextString, " ");
            const auto& e = doc.ModelSpace().entities();
            ASSERT_EQ(e.size(), 3u);
            EXPECT_EQ(e[1]->TextString, "DWG# 3");
            EXPECT_EQ(e[1]->InsertionPoint, (CadPoint{11, 18.6, 0}));
            EXPECT_EQ(e[1]->TextAlignmentPoint, (CadPoint{11, 18.6, 0}));
            EXPECT_EQ(e[1]->layer(), "2");
            EXPECT_EQ(e[1]->Height, 0.2);
            EXPECT_EQ(e[1]->Alignment, 4);
        }
    }
    Fixture f;
    EXPECT_THROW(attplot(f.ctx, nullptr, "DWG", "x"), CadError);
}

TEST(Palette, AciToRgb) {
    const struct {
        int index, r, g, b;
    } cases[] = {
        {0, 0, 0, 0},         {-5, 0, 0, 0},         {258, 0, 0, 0},         {300, 0, 0, 0},
        {1, 255, 0, 0},       {2, 255, 255, 0},      {3, 0, 255, 0},         {4, 0, 255, 255},
        {5, 0, 0, 255},       {6, 255, 0, 255},      {7, 255, 255, 255},     {255, 255, 255, 255},
        {256, 255, 255, 255}, {257, 255, 255, 255},  {8, 128, 128, 128},     {9, 192, 192, 192},
        {10, 255, 0, 0},      {50, 255, 255, 0},     {90, 0, 255, 0},        {130, 0, 255, 255},
        {170, 0, 0, 255},     {210, 255, 0, 255},    {11, 255, 127, 127},    {12, 204, 0, 0},
        {13, 204, 102, 102},  {14, 153, 0, 0},       {15, 153, 76, 76},      {16, 127, 0, 0},
        {17, 127, 63, 63},    {18, 76, 0, 0},        {19, 76, 38, 38},       {20, 255, 63, 0},
        {21, 255, 159, 127},  {27, 127, 79, 63},     {30, 255, 127, 0},      {40, 255, 191, 0},
        {46, 127, 95, 0},     {60, 191, 255, 0},     {249, 76, 38, 47},      {250, 51, 51, 51},
        {251, 91, 91, 91},    {252, 132, 132, 132},  {253, 173, 173, 173},   {254, 214, 214, 214},
    };
    for (const auto& c : cases) {
        const int32_t rgb = AciToRgb(c.index);
        EXPECT_EQ(rgb, c.r + 256 * c.g + 65536 * c.b) << c.index << ": " << AciRed(rgb) << "," << AciGreen(rgb) << ","
                                                      << AciBlue(rgb);
    }
}

// The ink of one colour inside a part of the image: left, top, right, bottom; right < left when none.
QRect InkOf(const QImage& img, QRgb colour, const QRect& within) {
    int left = img.width(), top = img.height(), right = -1, bottom = -1;
    for (int y = within.top(); y <= within.bottom(); ++y)
        for (int x = within.left(); x <= within.right(); ++x)
            if (img.pixel(x, y) == colour) {
                left = std::min(left, x), right = std::max(right, x);
                top = std::min(top, y), bottom = std::max(bottom, y);
            }
    return QRect(QPoint(left, top), QPoint(right, bottom));
}

TEST(ProfileCanvasTarget, TextsStandOnTheirPointAtTheirHeight) {
    // Scaled with the lines, however small; a size that is no number is left out.
    // Capitals of 3 px and more are lettered, smaller ones are a bar ('L', 'B'; '-' nothing).
    const struct {
        double height, pixelsPerUnit, pixels;
        char painted;
    } rule[] = {{0.3, 10, 3, 'L'},     {0.3, 9.9, 2.97, 'B'}, {0.25, 40, 10, 'L'},   {2, 1.4, 2.8, 'B'},
                {-0.5, 20, 10, 'L'},   {0.3, NAN, 0, '-'},    {1e300, 1e300, 0, '-'}, {1, 2.9999, 2.9999, 'B'}};
    for (auto r : rule) {
        const double px = CanvasTextPixels(r.height, r.pixelsPerUnit);
        EXPECT_DOUBLE_EQ(px, r.pixels) << r.height;
        // Whatever face letters it, a lettered text is not its bar.
        auto paint = [&](bool asBar) {
            QImage img(60, 20, QImage::Format_RGB32);
            img.fill(Qt::black);
            QPainter p(&img);
            if (!asBar) {
                PaintCanvasText(p, QPointF(5, 15), "I I", px, 0, Qt::white);
            } else if (px > 0) {
                const double thick = std::max(px, 1.0);
                p.fillRect(QRectF(5, 15 - thick, std::max(CanvasTextLength("I I", px), 1.0), thick), Qt::white);
            }
            p.end();
            return img;
        };
        QImage blank(60, 20, QImage::Format_RGB32);
        blank.fill(Qt::black);
        const QImage shown = paint(false);
        EXPECT_EQ(shown == paint(true), r.painted != 'L') << px;
        EXPECT_EQ(shown == blank, r.painted == '-') << px;
    }

    ProfileCanvas canvas(600, 400);
    canvas.SetScale(600, 400);  // one unit a pixel
    canvas.SetBackColour(0);
    canvas.Clear();
    CanvasTarget target(canvas);
    Fixture f;
    f.out.Canvas = &target;
    f.v.ViewOriginX = 100;
    f.v.ViewTopY = 60;
    // (110, -44) -> canvas (10, 104): the capitals stand 48 px tall on that point, leading blanks dropped as in the DXF.
    txtplot(f.ctx, 110, -44, 3, 48, 0, "", "  HH", kDrawCanvas);
    // Upright at (400, -40) -> (300, 100): it runs up from its point, the letters' tops to the left.
    txtplot(f.ctx, 400, -40, 1, 30, 90, "", "EE", kDrawCanvas);
    // Too small to read: a bar of its colour as long as its letters and as tall as its capitals,
    // at least a pixel thick. (110, -140) -> (10, 200), (110, -160) -> (10, 220); (400, -180) -> (300, 240).
    txtplot(f.ctx, 110, -140, 3, 2.5, 0, "", "HHHH  ", kDrawCanvas);
    txtplot(f.ctx, 110, -160, 3, 0.2, 0, "", "HH", kDrawCanvas);
    txtplot(f.ctx, 400, -180, 1, 2, 90, "", "EEE", kDrawCanvas);
    LINEplot(f.ctx, 300, 10, 400, 10, kDrawCanvas, 5);
    const QImage& img = canvas.image();
    const QRect flat = InkOf(img, qRgb(0, 255, 0), QRect(0, 0, 250, 150));
    EXPECT_NEAR(flat.bottom(), 103, 1);
    EXPECT_NEAR(flat.height(), 48, 1.5);
    EXPECT_GE(flat.left(), 10);
    EXPECT_LE(flat.left(), 16);
    const QRect upright = InkOf(img, qRgb(255, 0, 0), QRect(250, 0, 350, 150));
    EXPECT_NEAR(upright.right(), 299, 1);
    EXPECT_NEAR(upright.width(), 30, 1.5);
    EXPECT_LE(upright.bottom(), 100);
    EXPECT_GT(upright.bottom(), 94);
    // Letter advances as shares of the pixel size, whose capitals are 0.716 of it: H 0.722, E 0.667.
    const QRect bar = InkOf(img, qRgb(0, 255, 0), QRect(0, 150, 250, 60));
    EXPECT_EQ(bar.left(), 10);
    EXPECT_EQ(bar.bottom(), 199);
    EXPECT_NEAR(bar.height(), 2.5, 0.6);
    EXPECT_NEAR(bar.width(), 4 * 0.722 / 0.716 * 2.5, 1);
    EXPECT_EQ(InkOf(img, qRgb(0, 255, 0), QRect(0, 210, 250, 190)), QRect(10, 219, 1, 1));
    const QRect upBar = InkOf(img, qRgb(255, 0, 0), QRect(250, 150, 350, 250));
    EXPECT_EQ(upBar.bottom(), 239);
    EXPECT_NEAR(upBar.height(), 3 * 0.667 / 0.716 * 2, 1);
    EXPECT_EQ(upBar.right(), 299);
    EXPECT_NEAR(upBar.width(), 2, 0.6);
    EXPECT_EQ(img.pixel(250, 50), qRgb(0, 0, 255));
    EXPECT_EQ(img.pixel(250, 52), qRgb(0, 0, 0));
}

// A bar about a pixel thick, turned off the axes, shows wherever it stands
// within a pixel, however short its text; a blank text shows nothing.
TEST(ProfileCanvasTarget, AThinTurnedBarAlwaysShows) {
    const struct {
        const char* text;
        double capPixels;
        bool shows;
    } bars[] = {{"I", 0.3, true}, {"I", 0.9, true}, {"II", 1.4, true}, {"-", 0.5, true}, {"  ", 0.9, false}};
    const double angles[] = {3, 30, 45, 60, 89, 135, 210, 300, 359};
    for (const auto& b : bars)
        for (double angle : angles) {
            int missed = 0, shown = 0;
            for (int i = 0; i < 10; ++i)
                for (int j = 0; j < 10; ++j) {
                    QImage img(12, 12, QImage::Format_RGB32);
                    img.fill(Qt::black);
                    QPainter p(&img);
                    PaintCanvasText(p, QPointF(6 + i / 10.0, 6 + j / 10.0), b.text, b.capPixels, angle, Qt::white);
                    p.end();
                    bool any = false;
                    for (int y = 0; y < 12 && !any; ++y)
                        for (int x = 0; x < 12 && !any; ++x) any = img.pixel(x, y) == qRgb(255, 255, 255);
                    (any ? shown : missed) += 1;
                }
            EXPECT_EQ(b.shows ? missed : shown, 0) << "\"" << b.text << "\" " << b.capPixels << " px at " << angle;
        }
}

}  // namespace
}  // namespace vd
