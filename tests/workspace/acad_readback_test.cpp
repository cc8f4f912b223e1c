#include <gtest/gtest.h>

#include <QTemporaryDir>
#include <algorithm>
#include <cstdlib>
#include <fstream>
#include <sstream>

#include "net_builder.h"
#include "workspace/plan_network.h"
#include "cad/cad_document.h"
#include "platform/key_poll.h"
#include "recording_ui.h"
#include "sized_network.h"
#include "workspace/acad_commands.h"

namespace vd {
namespace {

bool Logged(const test::RecordingUi& ui, const std::string& part) {
    for (const auto& l : ui.logs)
        if (l.find(part) != std::string::npos) return true;
    return false;
}

class AcadReadBack : public ::testing::Test {
protected:
    void SetUp() override { m.SetUi(&ui); }
    void buildNetwork() {
        test::BuildPlanNetwork(m);
    }
    test::RecordingUi ui;
    Model m;
    CadApplication app;
};

// Draw the plan, save the drawing, open it again and read it back.
TEST_F(AcadReadBack, PlanRoundTripThroughDxf) {
    buildNetwork();
    m.ProjectName = "net";
    ASSERT_TRUE(AcadPlanCommand(m, app));
    QTemporaryDir dir;
    std::string path = dir.filePath("plan.dxf").toStdString();
    app.ActiveDocument().SaveAs(path);
    app.OpenDocument(path);
    EscKeyPoll keys;
    ASSERT_TRUE(GetAcadCommand(m, app, &keys));
    EXPECT_EQ(ui.status, "Get Acad Data ... OK");
    EXPECT_EQ(m.ProjectName, "");
    ASSERT_EQ(m.LineCount, 3);
    const LineRecord& l = m.Lines[1];
    EXPECT_EQ(l.From.trim(), "MH1");
    EXPECT_EQ(l.to.trim(), "MH2");
    EXPECT_EQ(l.Latral.trim(), "01");
    EXPECT_EQ(l.Status.trim(), "e");
    EXPECT_FLOAT_EQ(l.Gr1, 101.37f);  // levels and coordinates as drawn
    EXPECT_FLOAT_EQ(l.Gr2, 100.85f);
    EXPECT_FLOAT_EQ(l.X1, 1000.5f);
    EXPECT_FLOAT_EQ(l.Y1, 2000.25f);
    EXPECT_FLOAT_EQ(l.Len, 40);
    EXPECT_FLOAT_EQ(l.Dia, 300);
    EXPECT_FLOAT_EQ(l.Mincover, 101.37f - 99.5f - 0.3f);
    EXPECT_FLOAT_EQ(l.Inv2, 99.5f - 40 * 0.005f);
    EXPECT_EQ(m.Links[1].NextLine, 2);
    EXPECT_EQ(m.Links[2].UpLine, 1);
    EXPECT_EQ(m.Links[1].Branch1, 3);
    // Laterals in the order of the name of their last line: "01" ends at line 2, "0101" at line 3.
    ASSERT_EQ(m.LatCount, 2);
    EXPECT_EQ(m.Lat(1, LatLast), 2);
    EXPECT_EQ(m.Lat(1, LatFirst), 1);
    EXPECT_EQ(m.Lat(2, LatLast), 3);
    EXPECT_EQ(m.Links[3].LatNo, 2);
}

TEST_F(AcadReadBack, NothingToReadLeavesTheProject) {
    buildNetwork();
    m.ProjectName = "net";
    EXPECT_FALSE(GetAcadCommand(m, app));
    EXPECT_EQ(ui.status, "Get Acad Data ... no drawing");
    EXPECT_FALSE(app.HasDocument());
    EXPECT_TRUE(app.Visible());  // shown, so the drawing can be opened there
    app.NewDocument();
    EXPECT_FALSE(GetAcadCommand(m, app));
    EXPECT_EQ(ui.status, "Get Acad Data ... nothing to read");
    EXPECT_FALSE(GetAcadBlockCommand(m, app));
    EXPECT_EQ(ui.status, "Get Block Data ... nothing to read");
    EXPECT_EQ(m.LineCount, 3);
    EXPECT_EQ(m.ProjectName, "net");
    EXPECT_EQ(ui.boxes.size(), 3u);
}

class EscAfter : public EscKeyPoll {
public:
    explicit EscAfter(int reads) : left_(reads) {}
    bool EscPressed() override { return left_-- <= 0; }

private:
    int left_;
};

TEST_F(AcadReadBack, EscStopsAndSaysSo) {
    buildNetwork();
    ASSERT_TRUE(AcadPlanCommand(m, app));
    EscAfter keys(3);  // two reads for the first line, one for the second
    EXPECT_FALSE(GetAcadCommand(m, app, &keys));
    EXPECT_EQ(ui.status, "Get Acad Data ... stopped by Esc");
    EXPECT_EQ(m.LineCount, 1);
    EXPECT_EQ(m.LatCount, 0);
    EXPECT_TRUE(Logged(ui, "stopped by Esc after 2 of 3"));
    EXPECT_EQ(ui.progress, 0);
}

TEST_F(AcadReadBack, GapsAndBadLinesAreLoggedNotDropped) {
    buildNetwork();
    ASSERT_TRUE(AcadPlanCommand(m, app));
    CadDocument& doc = app.ActiveDocument();
    for (const auto& e : doc.ModelSpace().entities()) {
        XData d = e->GetXData("DUV");
        if (d.size() > 1 && d[1].number == 2) {
            std::vector<XValue> v;
            std::vector<int16_t> codes;
            for (const auto& i : d) {
                codes.push_back(i.code);
                v.push_back(i.isText() ? XValue(i.text) : XValue(i.number));
            }
            v[1] = 5.0;  // line 2 becomes line 5: rows 2 and 4 stay blank
            e->SetXData(codes, v);
        }
    }
    auto noData = doc.ModelSpace().AddLine({0, 0, 0}, {1, 1, 0});
    noData->setLayer("SEWER");
    ASSERT_TRUE(GetAcadCommand(m, app));
    EXPECT_EQ(m.LineCount, 5);
    EXPECT_EQ(m.Lines[5].From.trim(), "MH2");
    EXPECT_TRUE(Logged(ui, "no LINE for line 2"));
    EXPECT_TRUE(Logged(ui, "no LINE for line 4"));
    EXPECT_TRUE(Logged(ui, "without complete DUV and SEWER data skipped"));
    EXPECT_EQ(ui.status, "Get Acad Data ... OK");
}

TEST_F(AcadReadBack, SheetCellNames) {
    app.SheetOriginX = 1000;
    app.SheetOriginY = 5000;
    app.SheetSize = 100;
    struct Case {
        double x, y;
        const char* name;
    } cases[] = {
        {1000, 5000, "A1"},    {1050, 4950, "A1"},    {3550, 4950, "Z1"},  {3650, 4950, "AA1"},
        {3750, 4950, "AB1"},   {6250, 4950, "BA1"},   {950, 4950, "A1"},   {850, 4950, "-A1"},
        {1050, 5050, "A1"},    {1050, 5150, "A0"},    {1050, 4850, "A2"},  {1000 + 676 * 100, 4950, "ZA1"},
        {1000 + 702 * 100, 4950, "AAA1"},
    };
    for (const auto& c : cases) EXPECT_EQ(SheetCellText(app, c.x, c.y), c.name) << c.x << "," << c.y;
    app.SheetSize = 0;
    EXPECT_EQ(SheetCellText(app, 1050, 4950), "");
}

TEST_F(AcadReadBack, SheetGridFromTheVorlanText) {
    buildNetwork();
    ASSERT_TRUE(AcadPlanCommand(m, app));
    auto t = app.ActiveDocument().ModelSpace().AddText("VORLAN", {0, 0, 0}, 1);
    t->setLayer("VORLAN");
    t->SetXData({1001, 1040, 1040, 1040, 1040, 1040},
                {std::string("Sheetindex"), 1000.0, 2100.0, 0.0, 0.0, 20.0});
    ASSERT_TRUE(GetAcadCommand(m, app));
    EXPECT_EQ(m.Lines[1].SeqText.trim(), "A5");
    EXPECT_EQ(m.Lines[2].SeqText.trim(), "C5");
}

// Mhblock references as a user inserts them.
class MhBlocks : public AcadReadBack {
protected:
    CadEntityPtr block(double x, double y, std::vector<std::pair<std::string, std::string>> atts,
                       const std::string& layer = "sewer") {
        CadDocument& doc = app.ActiveDocument();
        CadBlock& def = doc.Blocks().Add({0, 0, 0}, "Mhblock");
        auto ref = doc.ModelSpace().InsertBlock({x, y, 0}, "Mhblock");
        ref->setLayer(layer);
        for (const auto& [tag, value] : atts) {
            auto a = std::make_shared<CadEntity>(CadKind::Attribute, &doc, nullptr);
            a->TagString = tag;
            a->TextString = value;
            ref->attributeList().push_back(a);
        }
        (void)def;
        return ref;
    }
};

TEST_F(MhBlocks, BlocksBecomeLines) {
    app.NewDocument();
    auto b1 = block(10, 20, {{"Mhname1", "A"}, {"Mhname2", "B"}, {"Gr-el", "102.5"}, {"Inv-el", "100.00"},
                             {"Dia", "300"}, {"Slope", "0.5"}, {"Dist", "40"}, {"Lat", "L1"}});
    auto b3 = block(90, 20, {{"Mhname1", "B"}, {"Mhname2", "0"}});
    auto b2 = block(50, 20, {{"MHNAME1", "B"}, {"MHNAME2", "C"}, {"GR-EL", "101.75"}, {"INV-EL", "99.7"}});
    auto b4 = block(0, 0, {});
    auto other = block(0, 0, {{"Mhname1", "X"}, {"Mhname2", "Y"}}, "plan");
    ASSERT_TRUE(GetAcadBlockCommand(m, app));
    EXPECT_EQ(ui.status, "Get Block Data ... OK");
    ASSERT_EQ(m.LineCount, 4);
    const LineRecord& l = m.Lines[1];
    EXPECT_EQ(l.From.trim(), "A");
    EXPECT_FLOAT_EQ(l.slope, 0.005f);
    EXPECT_NEAR(l.Inv2, 99.80f, 1e-4);
    EXPECT_EQ(l.Latral.trim(), "L1");
    EXPECT_FLOAT_EQ(l.Gr2, 101.75f);  // from the block of its downstream manhole
    EXPECT_EQ(l.X2, 50);
    EXPECT_EQ(m.Lines[3].to.trim(), "C");  // upper-cased tags are read too
    EXPECT_EQ(b1->layer(), "sewer");
    EXPECT_EQ(b3->layer(), "Error");  // first of two blocks named B
    EXPECT_EQ(b2->layer(), "sewer");
    EXPECT_EQ(b4->layer(), "Error");  // no attributes: no downstream name
    EXPECT_EQ(other->layer(), "plan");
    EXPECT_TRUE(Logged(ui, "has no attributes"));
    EXPECT_EQ(m.LatCount, 4);  // no links: every line a lateral of its own
}

// A drawing written by another CAD writer is read by both read-backs.
TEST_F(AcadReadBack, DrawingFromAnotherWriter) {
    if (std::system("/usr/bin/python3 -c 'import ezdxf' >/dev/null 2>&1") != 0) GTEST_SKIP() << "ezdxf not available";
    QTemporaryDir dir;
    std::string dxf = dir.filePath("other.dxf").toStdString(), py = dir.filePath("w.py").toStdString();
    std::ofstream(py) << R"(import ezdxf
doc = ezdxf.new('R2010')
for app in ('SEWER', 'DUV'): doc.appids.new(app)
doc.layers.new('SEWER', dxfattribs={'color': 1})
msp = doc.modelspace()
def plan(k, nxt, up, a, b, p, q):
    l = msp.add_line(p, q, dxfattribs={'layer': 'SEWER'})
    s = [(1000, a), (1000, b)] + [(1040, 0.0)] * 5 + [(1000, 'L1'), (1040, 300.0), (1040, 0.005), (1040, 1.5),
         (1040, 0.0), (1040, 0.0), (1040, 99.5), (1000, 'e')]
    l.set_xdata('SEWER', s)
    l.set_xdata('DUV', [(1040, float(k)), (1040, float(nxt)), (1040, float(up)), (1040, 0.0), (1040, 0.0), (1040, 0.0), (1040, 0.0)])
plan(1, 2, 0, 'M1', 'M2', (0, 0, 101.25), (30, 40, 100.75))
plan(2, 0, 1, 'M2', 'M3', (30, 40, 100.75), (60, 40, 100.5))
blk = doc.blocks.new('MHBLOCK')
blk.add_attdef('MHNAME1', (0, 1))
blk.add_attdef('MHNAME2', (0, 2))
r = msp.add_blockref('MHBLOCK', (5, 6), dxfattribs={'layer': 'sewer-mh'})
r.add_attrib('MHNAME1', 'M1', (5, 7))
r.add_attrib('MHNAME2', 'M2', (5, 8))
msp.add_mtext('a note')
doc.saveas(')" << dxf << "')\n";
    ASSERT_EQ(std::system(("/usr/bin/python3 " + py).c_str()), 0);
    app.OpenDocument(dxf);
    EXPECT_FALSE(app.ActiveDocument().loadWarnings.empty());  // the MTEXT is reported
    ASSERT_TRUE(GetAcadCommand(m, app));
    ASSERT_EQ(m.LineCount, 2);
    EXPECT_EQ(m.Lines[2].From.trim(), "M2");
    EXPECT_FLOAT_EQ(m.Lines[1].Gr1, 101.25f);
    EXPECT_FLOAT_EQ(m.Lines[1].Len, 50);
    EXPECT_EQ(m.Links[1].NextLine, 2);
    EXPECT_EQ(m.Links[2].UpLine, 1);
    ASSERT_TRUE(GetAcadBlockCommand(m, app));
    ASSERT_EQ(m.LineCount, 1);
    EXPECT_EQ(m.Lines[1].to.trim(), "M2");
    EXPECT_EQ(m.Lines[1].X1, 5);
}

}  // namespace
}  // namespace vd

namespace vd {
namespace {

std::vector<int> ProgressSteps(const test::RecordingUi& ui) {
    std::vector<int> v;
    for (const auto& e : ui.events)
        if (e.kind == test::UiEvent::Progress) v.push_back(e.value);
    return v;
}

bool Has(const std::vector<int>& v, int x) { return std::find(v.begin(), v.end(), x) != v.end(); }

// The read-backs show the whole percent reached: two of three is 66, not 67.
TEST_F(AcadReadBack, ProgressCountsWholePercentsReached) {
    buildNetwork();
    ASSERT_TRUE(AcadPlanCommand(m, app));
    ui.clear();
    ASSERT_TRUE(GetAcadCommand(m, app));
    std::vector<int> steps = ProgressSteps(ui);
    EXPECT_TRUE(Has(steps, 33));
    EXPECT_TRUE(Has(steps, 66));
    EXPECT_FALSE(Has(steps, 67));
    EXPECT_EQ(steps.back(), 0);
}

// Blocks beyond the start-up tables all become lines; the last block of a
// name is the one a line ends at, and an earlier one of that name is marked.
TEST_F(MhBlocks, EveryBlockOfALargeDrawing) {
    app.NewDocument();
    constexpr int kBlocks = 3000;
    std::vector<CadEntityPtr> refs;
    for (int k = 1; k <= kBlocks; ++k)
        refs.push_back(block(10.0 * k, 0, {{"Mhname1", "M" + std::to_string(k)},
                                           {"Mhname2", k < kBlocks ? "M" + std::to_string(k + 1) : "0"},
                                           {"Gr-el", std::to_string(100 + k)}, {"Dist", "40"}}));
    refs.push_back(block(7, 7, {{"Mhname1", "M5"}, {"Mhname2", "M6"}, {"Gr-el", "99"}}));
    ASSERT_TRUE(GetAcadBlockCommand(m, app));
    ASSERT_EQ(m.LineCount, kBlocks + 1);
    EXPECT_EQ(m.LineUpper(), kBlocks + 11);
    int wrong = 0;
    for (int k = 1; k < kBlocks; ++k)
        wrong += m.Lines[static_cast<size_t>(k)].Gr2 != (k == 4 ? 99.0f : static_cast<float>(101 + k));
    EXPECT_EQ(wrong, 0);
    std::vector<int> marked;
    for (size_t i = 0; i < refs.size(); ++i)
        if (refs[i]->layer() == "Error") marked.push_back(static_cast<int>(i) + 1);
    EXPECT_EQ(marked, (std::vector<int>{5, kBlocks}));
}

// The line table's limit in blocks: at it all are read; beyond it the user is
// told in a box, not only in the log.
TEST_F(MhBlocks, BlocksAtTheLimitAndOneBeyond) {
    for (const int blocks : {kMaxLineUpper, kMaxLineUpper + 1}) {
        ui.clear();
        app.NewDocument();
        for (int k = 1; k <= blocks; ++k) block(k, 0, {{"Mhname1", "M" + std::to_string(k)}, {"Mhname2", "0"}});
        ASSERT_TRUE(GetAcadBlockCommand(m, app));
        EXPECT_EQ(m.LineCount, kMaxLineUpper);
        if (blocks == kMaxLineUpper) {
            EXPECT_EQ(ui.status, "Get Block Data ... OK");
            EXPECT_TRUE(ui.boxes.empty());
        } else {
            EXPECT_EQ(ui.status, "Get Block Data ... 1 blocks did not fit");
            ASSERT_EQ(ui.boxes.size(), 1u);
            EXPECT_EQ(ui.boxes[0], "1 of the 32001 blocks did not fit in the line table, which holds at most 32000 "
                                   "lines. Only the first 32000 blocks were read.");
        }
    }
}

TEST_F(MhBlocks, DownstreamNamesSlopesAndProgress) {
    app.NewDocument();
    struct Case {
        const char* down;
        const char* slope;
        bool error;
        float expectSlope;
    } cases[] = {
        {"0", "0.5", true, 0.005f},
        {" 0", "0.7", false, static_cast<float>(0.7 / 100)},  // only trailing blanks are cut
        {"", "1.3", true, static_cast<float>(1.3 / 100)},
        {"  ", "0.35", true, static_cast<float>(0.35 / 100)},
        {"Z", "0.03", false, static_cast<float>(0.03 / 100)},
        {"0 ", "abc", true, 0},
    };
    std::vector<CadEntityPtr> refs;
    int n = 0;
    for (const auto& c : cases) {
        ++n;
        refs.push_back(block(10.0 * n, 0, {{"Mhname1", "U" + std::to_string(n)}, {"Mhname2", c.down}, {"Slope", c.slope}}));
    }
    ASSERT_TRUE(GetAcadBlockCommand(m, app));
    ASSERT_EQ(m.LineCount, 6);
    for (size_t i = 0; i < std::size(cases); ++i) {
        EXPECT_EQ(refs[i]->layer() == "Error", cases[i].error) << i;
        EXPECT_EQ(m.Lines[i + 1].slope, cases[i].expectSlope) << i;
    }
    std::vector<int> steps = ProgressSteps(ui);
    EXPECT_TRUE(Has(steps, 16));  // 1 of 6
    EXPECT_FALSE(Has(steps, 17));
    EXPECT_TRUE(Has(steps, 66));  // 4 of 6
    EXPECT_FALSE(Has(steps, 67));
}

}  // namespace
}  // namespace vd

namespace vd {
namespace {

// Plan LINEs copied from a drawn line, each under its own DUV number.
void CopyPlanLines(CadDocument& doc, const CadEntity& model, int first, int last) {
    for (int k = first; k <= last; ++k) {
        auto line = doc.ModelSpace().AddLine({double(k), 0, 100}, {double(k), 10, 100});
        line->setLayer("sewer");
        for (const auto& [application, d] : model.AllXData()) {
            std::vector<int16_t> codes;
            std::vector<XValue> values;
            for (const auto& i : d) {
                codes.push_back(i.code);
                values.push_back(i.isText() ? XValue(i.text) : XValue(i.number));
            }
            if (SameCadName(d[0].text, "DUV")) values[1] = double(k);
            line->SetXData(codes, values);
        }
    }
}

// What a drawing may hold that the read-back cannot take as it stands: each
// case says so and leaves nothing silently wrong.
TEST_F(AcadReadBack, LinesWithoutPlanDataLeaveTheProject) {
    buildNetwork();
    m.ProjectName = "net";
    app.NewDocument();
    for (int i = 0; i < 3; ++i) app.ActiveDocument().ModelSpace().AddLine({0, 0, 0}, {10, double(i), 0})->setLayer("sewer");
    EXPECT_FALSE(GetAcadCommand(m, app));
    EXPECT_EQ(ui.status, "Get Acad Data ... nothing to read");
    ASSERT_EQ(ui.boxes.size(), 1u);
    EXPECT_NE(ui.boxes[0].find("left as it was"), std::string::npos);
    EXPECT_EQ(m.LineCount, 3);
    EXPECT_EQ(m.ProjectName, "net");
    EXPECT_EQ(m.Lines[1].From.trim(), "MH1");
}

// The tables grow to the highest line number drawn; lines numbered beyond
// the limit of any network are counted once and said with the limit.
TEST_F(AcadReadBack, LinesBeyondTheLimitAreCountedOnce) {
    buildNetwork();
    ASSERT_TRUE(AcadPlanCommand(m, app));
    CadDocument& doc = app.ActiveDocument();
    CadEntityPtr model;
    for (const auto& e : doc.ModelSpace().entities())
        if (!e->GetXData("DUV").empty()) model = e;
    CopyPlanLines(doc, *model, 4, 2200);
    CopyPlanLines(doc, *model, 32001, 32250);
    ui.clear();
    auto r = GetAcadCommand(m, app);
    EXPECT_TRUE(r);
    EXPECT_EQ(m.LineCount, 2200);
    EXPECT_EQ(m.LineUpper(), 2210);
    EXPECT_EQ(ui.status, "Get Acad Data ... 250 lines did not fit");
    ASSERT_EQ(ui.boxes.size(), 1u);
    EXPECT_EQ(ui.boxes[0],
              "250 of the 2450 plan lines did not fit in the line table, which holds at most 32000 lines. Only the "
              "lines numbered 1 to 32000 were read.");
    EXPECT_LT(ui.logs.size(), 5u);
}

// Plan LINEs numbered at the limit and one beyond, each with the shortest
// plan data a LINE may carry (DUV items 0 to 7, SEWER items 0 to 15), or one
// item less: what the line table cannot take is said, and a drawing with
// nothing it can take leaves the project as it was.
TEST_F(AcadReadBack, LinesAtTheLimitAndOneBeyond) {
    const struct {
        std::vector<int> numbers;
        std::size_t duvItems;
        bool ok;
        int lineCount;
        const char* status;
        const char* box;  // part of the one box shown, "" for none
    } cases[] = {
        {{kMaxLineUpper}, 8, true, kMaxLineUpper, "Get Acad Data ... OK", ""},
        {{kMaxLineUpper + 1}, 8, false, 3, "Get Acad Data ... nothing to read",
         "holds no plan line the line table can take: 1 plan line is numbered beyond 32000, the most lines the line "
         "table holds. The project is left as it was."},
        {{kMaxLineUpper}, 7, false, 3, "Get Acad Data ... nothing to read", "holds no plan lines on layer"},
        {{1, kMaxLineUpper + 1}, 8, true, 1, "Get Acad Data ... 1 lines did not fit",
         "1 of the 2 plan lines did not fit in the line table"},
    };
    for (const auto& c : cases) {
        m = Model();
        m.SetUi(&ui);
        ui.clear();
        buildNetwork();
        CadDocument& doc = app.NewDocument();
        for (int k : c.numbers) {
            auto line = doc.ModelSpace().AddLine({double(k), 0, 100}, {double(k), 10, 100});
            line->setLayer("sewer");
            std::vector<int16_t> codes(c.duvItems, 1040);
            std::vector<XValue> values(c.duvItems, XValue(0.0));
            codes[0] = 1001;
            values[0] = std::string("DUV");
            values[1] = double(k);
            line->SetXData(codes, values);
            std::vector<int16_t> sewerCodes(16, 1040);
            std::vector<XValue> sewerValues(16, XValue(0.0));
            sewerCodes[0] = 1001;
            sewerValues[0] = std::string("SEWER");
            line->SetXData(sewerCodes, sewerValues);
        }
        EXPECT_EQ(GetAcadCommand(m, app).ok(), c.ok) << c.numbers.back();
        EXPECT_EQ(m.LineCount, c.lineCount) << c.numbers.back();
        EXPECT_EQ(ui.status, c.status) << c.numbers.back();
        ASSERT_EQ(ui.boxes.size(), *c.box ? 1u : 0u) << c.numbers.back();
        if (*c.box) {
            EXPECT_NE(ui.boxes[0].find(c.box), std::string::npos) << ui.boxes[0];
        }
        if (!c.ok) {
            EXPECT_EQ(m.Lines[1].From.trim(), "MH1");
        }
    }
}

// "ACAD" then "Get ACAD" in a fresh program of a network far larger than
// the start-up tables gives back every line with all the plan carries, and the lateral table
// in the order of the laterals' names.
TEST_F(AcadReadBack, ThirtyThousandLinesComeBackWhole) {
    constexpr int kLines = 30000;
    test::SizedNetwork(m, kLines);
    for (int i = 1; i <= kLines; i += 7) m.Links[static_cast<size_t>(i)].Branch1 = static_cast<int16_t>(i + 3);
    const Model drawn = m;
    ASSERT_TRUE(AcadPlanCommand(m, app));
    // Read back by a program started afresh, its tables of the start-up size.
    m = Model();
    m.SetUi(&ui);
    ui.clear();
    ASSERT_TRUE(GetAcadCommand(m, app));
    EXPECT_TRUE(ui.boxes.empty());
    ASSERT_EQ(m.LineCount, kLines);
    int differing = 0;
    for (int i = 1; i <= kLines; ++i) {
        const LineRecord &a = m.Lines[static_cast<size_t>(i)], &b = drawn.Lines[static_cast<size_t>(i)];
        const LinkRecord &ka = m.Links[static_cast<size_t>(i)], &kb = drawn.Links[static_cast<size_t>(i)];
        const bool same = a.From == b.From && a.to == b.to && a.Latral == b.Latral && a.Dia == b.Dia &&
                          a.slope == b.slope && a.Inv1 == b.Inv1 && a.Gr1 == b.Gr1 && a.Gr2 == b.Gr2 &&
                          a.X1 == b.X1 && a.Y1 == b.Y1 && a.X2 == b.X2 && a.Y2 == b.Y2 && a.Len == b.Len &&
                          a.Mincover == b.Gr1 - b.Inv1 - b.Dia / 1000.0f && a.Inv2 == a.Inv1 - a.Len * a.slope &&
                          a.Status.trim() == "e" && ka.NextLine == kb.NextLine && ka.UpLine == kb.UpLine &&
                          ka.Branch1 == kb.Branch1 && ka.Branch2 == kb.Branch2;
        differing += !same;
    }
    EXPECT_EQ(differing, 0);
    // Lateral k holds lines 50k+1 to 50k+50 and is named "L<k>".
    std::vector<int> laterals(kLines / 50);
    for (int k = 0; k < kLines / 50; ++k) laterals[static_cast<size_t>(k)] = k;
    std::sort(laterals.begin(), laterals.end(),
              [](int a, int b) { return "L" + std::to_string(a) < "L" + std::to_string(b); });
    ASSERT_EQ(m.LatCount, kLines / 50);
    int misplaced = 0;
    for (int row = 1; row <= m.LatCount; ++row) {
        const int k = laterals[static_cast<size_t>(row - 1)];
        misplaced += m.Lat(row, LatFirst) != 50 * k + 1 || m.Lat(row, LatLast) != 50 * k + 50 ||
                     m.Links[static_cast<size_t>(50 * k + 25)].LatNo != row;
    }
    EXPECT_EQ(misplaced, 0);
}

TEST_F(AcadReadBack, NamesOutsideLatin1AreLoggedWithTheirLine) {
    test::NetBuilder net(m);
    net.line("XRP1", "MH9").len(10).lat("L\xE9");
    net.line("YRP1", "MH9").len(10).lat("L2");
    ASSERT_TRUE(AcadPlanCommand(m, app));
    CadDocument& drawn = app.ActiveDocument();
    drawn.Blocks().Add({0, 0, 0}, "Mhblock").AddAttribute(1, 0, "Upper", {0, 1, 0}, "Mhname1", "");
    auto ref = drawn.ModelSpace().InsertBlock({5, 5, 0}, "Mhblock");
    ref->setLayer("sewer");
    ref->GetAttributes()[0]->TextString = "YRP1";
    QTemporaryDir dir;
    std::string path = dir.filePath("drawn.dxf").toStdString();
    app.ActiveDocument().SaveAs(path);
    std::ifstream in(path, std::ios::binary);
    const std::string drawnBytes((std::istreambuf_iterator<char>(in)), {});
    // Czech manhole names, and a Latin-1 letter, as a newer CAD program
    // writes them (UTF-8) and as a 2000 one does (its code page, with
    // escapes for what the code page lacks).
    struct Case {
        const char *version, *c1, *s2, *e1, *e2;
    };
    const Case cases[] = {
        {"AC1024", "\xC4\x8C", "\xC5\xA0", "\xC3\xA9", "\xC3\xA9"},
        {"AC1015", "\\U+010C", "\\U+0160", "\xE9", "\\U+00e9"},
    };
    for (const Case& c : cases) {
        std::string bytes = drawnBytes;
        auto replaceAll = [&](const std::string& from, const std::string& to) {
            for (size_t at = bytes.find(from); at != std::string::npos; at = bytes.find(from, at + to.size()))
                bytes.replace(at, from.size(), to);
        };
        replaceAll("AC1009", c.version);
        replaceAll("XRP1", c.c1 + std::string("RP1"));
        replaceAll("YRP1", c.s2 + std::string("RP1"));
        replaceAll("L\xE9", "L" + std::string(c.e1));
        replaceAll("L2", "L" + std::string(c.e2) + "2");
        std::ofstream(path, std::ios::binary) << bytes;
        ui.clear();
        app.OpenDocument(path);
        ASSERT_TRUE(GetAcadCommand(m, app)) << c.version;
        EXPECT_EQ(m.Lines[1].From.trim(), "?RP1") << c.version;
        EXPECT_EQ(m.Lines[1].Latral.trim(), "L\xE9") << c.version;  // Latin-1 letters come through unchanged
        EXPECT_EQ(m.Lines[2].Latral.trim(), "L\xE9" "2") << c.version;
        EXPECT_TRUE(Logged(ui, "line 1: the name \"<U+010C>RP1\" was read as \"?RP1")) << c.version;
        EXPECT_TRUE(Logged(ui, "line 2: the name \"<U+0160>RP1\" was read as \"?RP1")) << c.version;
        EXPECT_FALSE(Logged(ui, "L\xE9")) << c.version;
        ASSERT_TRUE(GetAcadBlockCommand(m, app)) << c.version;
        EXPECT_TRUE(Logged(ui, "Get ACAD Block: line 1: the name \"<U+0160>RP1\" was read as \"?RP1\"")) << c.version;
    }
}

}  // namespace
}  // namespace vd
