#include <gtest/gtest.h>

#include <QTemporaryDir>

#include "engine/project_reset.h"
#include "net_builder.h"
#include "workspace/plan_network.h"
#include "cad/cad_document.h"
#include "platform/drawing_window.h"
#include "platform/key_poll.h"
#include "recording_ui.h"
#include "workspace/acad_commands.h"

namespace vd {
namespace {

class AcadPlan : public ::testing::Test {
protected:
    void SetUp() override {
        m.SetUi(&ui);
        test::BuildPlanNetwork(m);
        m.Lines[1].Level = 1;
        m.Lines[3].Level = 2;
    }
    int planLines() {
        CadSelectionSet& s = app.ActiveDocument().SelectionSets().Add("count");
        s.Select(5, {0, 8}, {"LINE", "sewer"});
        int n = s.Count();
        s.Delete();
        return n;
    }
    test::RecordingUi ui;
    Model m;
    CadApplication app;
};

TEST_F(AcadPlan, ConnectPreparesTheDrawing) {
    ASSERT_TRUE(ConnectAutoCAD(m, app));  // no drawing open: a new one is made
    CadDocument& doc = app.ActiveDocument();
    EXPECT_TRUE(app.Visible());
    doc.Layers().Item("sewer").Color = 9;
    doc.Layers().Item("EDIT").Color = 9;
    doc.Layers().Item("Error").Color = 9;
    CadBlock* end = &doc.Blocks().Item("ENDBLOCK");
    end->AddLine({0, 0, 0}, {1, 0, 0});
    ASSERT_TRUE(ConnectAutoCAD(m, app));
    EXPECT_EQ(doc.Layers().Item("SEWER").Color, 1);  // colours given again
    EXPECT_EQ(doc.Layers().Item("GELV").Color, 2);
    EXPECT_EQ(doc.Layers().Item("EDIT").Color, 9);   // these two keep theirs
    EXPECT_EQ(doc.Layers().Item("ERROR").Color, 9);
    EXPECT_EQ(&doc.Blocks().Item("Endblock"), end);
    EXPECT_EQ(end->Count(), 1);
    int markers = 0;
    for (const auto& e : doc.ModelSpace().entities())
        markers += e->TextString == "VORLAN-Profile" && e->Height == 100 && e->layer() == "0";
    EXPECT_EQ(markers, 2);
    EXPECT_TRUE(ui.boxes.empty());
}

TEST_F(AcadPlan, DrawingTwiceKeepsOneLinePerRecordAndTheUsersLines) {
    ASSERT_TRUE(ConnectAutoCAD(m, app));
    auto own = app.ActiveDocument().ModelSpace().AddLine({0, 0, 0}, {5, 5, 0});
    own->setLayer("sewer");
    ASSERT_TRUE(AcadPlanCommand(m, app));
    ASSERT_TRUE(AcadPlanCommand(m, app));
    EXPECT_EQ(planLines(), 4);  // three plan lines and the user's own
    EXPECT_FALSE(own->erased());
    EXPECT_EQ(ui.logs[0].rfind("Active Document =Drawing", 0), 0u);
    EXPECT_EQ(ui.logs[1], "Draw plan sewer line  ");

    CadEntityPtr first;
    for (const auto& e : app.ActiveDocument().ModelSpace().entities())
        if (!e->GetXData("DUV").empty() && e->GetXData("DUV")[1].number == 1) first = e;
    ASSERT_TRUE(first);
    EXPECT_EQ(first->layer(), "sewer");
    EXPECT_EQ(first->Color, 1);
    EXPECT_FLOAT_EQ(static_cast<float>(first->StartPoint[2]), 101.37f);
    XData sewer = first->GetXData("SEWER"), dorado = first->GetXData("DORADO"), duv = first->GetXData("DUV");
    ASSERT_EQ(sewer.size(), 21u);
    ASSERT_EQ(dorado.size(), 21u);
    ASSERT_EQ(duv.size(), 11u);
    EXPECT_EQ(sewer[1].text, "MH1" + std::string(22, ' '));
    EXPECT_EQ(sewer[8].text.size(), 40u);
    EXPECT_FLOAT_EQ(static_cast<float>(sewer[11].number), 101.37f - 99.5f - 0.3f);
    EXPECT_EQ(sewer[15].text, "e");
    EXPECT_EQ(sewer[20].text, "0");
    EXPECT_FLOAT_EQ(static_cast<float>(dorado[12].number), 100.85f);
    EXPECT_EQ(duv[2].number, 2);
    EXPECT_EQ(duv[4].number, 3);
}

TEST_F(AcadPlan, NeverAssignedFieldsAndEmptyNetworks) {
    m.Lines[4] = LineRecord{};
    m.LineCount = 4;  // row 4 never assigned: names are NULs, coordinates 0
    m.Lines[4].Gr1 = 50;
    ASSERT_TRUE(AcadPlanCommand(m, app));
    for (const auto& e : app.ActiveDocument().ModelSpace().entities()) {
        XData d = e->GetXData("SEWER");
        if (d.empty() || e->GetXData("DUV")[1].number != 4) continue;
        EXPECT_EQ(d[1].text, std::string(25, ' '));
        EXPECT_EQ(d[8].text, std::string(40, ' '));
        EXPECT_EQ(e->StartPoint, (CadPoint{0, 0, 50}));
    }
    m.LineCount = 0;
    ASSERT_TRUE(AcadPlanCommand(m, app));
    EXPECT_EQ(planLines(), 0);
}

TEST_F(AcadPlan, SynchronisationTakesPositionsAndLateralNames) {
    ASSERT_TRUE(AcadPlanCommand(m, app));
    CadDocument& doc = app.ActiveDocument();
    for (const auto& e : doc.ModelSpace().entities()) {
        XData d = e->GetXData("SEWER");
        if (d.empty()) continue;
        if (d[1].text.rfind("MH1", 0) == 0) {  // the user moved this one and renamed its lateral
            e->StartPoint = {10, 20, 0};
            e->EndPoint = {30, 40, 0};
            d[8].text = "LA";
            std::vector<int16_t> codes;
            std::vector<XValue> values;
            for (const auto& i : d) {
                codes.push_back(i.code);
                values.push_back(i.isText() ? XValue(i.text) : XValue(i.number));
            }
            e->SetXData(codes, values);
        }
    }
    auto stranger = doc.ModelSpace().AddLine({0, 0, 0}, {1, 1, 0});
    stranger->setLayer("sewer");
    stranger->SetXData({1001, 1000, 1000, 1000, 1000, 1000, 1000, 1000, 1000},
                       {std::string("SEWER"), std::string("mh1"), std::string("MHX"), std::string(), std::string(),
                        std::string(), std::string(), std::string(), std::string("ZZ")});
    auto bare = doc.ModelSpace().AddLine({0, 0, 0}, {1, 1, 0});
    bare->setLayer("sewer");
    // A LINE far beyond any plan, naming MH1, leaves the positions as they are.
    auto far = doc.ModelSpace().AddLine({1e300, 0, 0}, {1, 1e39, 0});
    far->setLayer("sewer");
    far->SetXData({1001, 1000, 1000, 1000, 1000, 1000, 1000, 1000, 1000},
                  {std::string("SEWER"), std::string("MH1"), std::string("MH2"), std::string(), std::string(),
                   std::string(), std::string(), std::string(), std::string("ZZ")});
    ASSERT_TRUE(SyncWithAutoCAD(m, app));
    EXPECT_EQ(m.Lines[1].X1, 10);
    EXPECT_EQ(m.Lines[1].Y1, 20);
    EXPECT_EQ(m.Lines[1].X2, 1040.5f);  // the later LINE into MH2 gave its end point
    EXPECT_EQ(m.Lines[1].Latral.trim(), "LA");
    EXPECT_EQ(m.Lines[3].X2, 1040.5f);  // every line into MH2 takes the end point of a LINE ending there
    EXPECT_EQ(stranger->Color, 6);  // "mh1" is not "MH1"
    EXPECT_EQ(bare->Color, 256);
    EXPECT_EQ(ui.logs.back(), "Syncron...");
    EXPECT_NE(std::find(ui.logs.begin(), ui.logs.end(), "Syncron: a LINE without SEWER data skipped"), ui.logs.end());
    EXPECT_NE(std::find(ui.logs.begin(), ui.logs.end(), "Syncron: a LINE beyond the plan's range skipped"),
              ui.logs.end());
    for (const auto& e : doc.ModelSpace().entities()) {
        if (!e->GetXData("DUV").empty()) {
            EXPECT_EQ(e->Color, 20);
        }
    }
}

TEST_F(AcadPlan, InOutBlockIsDefinedOnce) {
    ASSERT_TRUE(ConnectAutoCAD(m, app));
    CadDocument& doc = app.ActiveDocument();
    DefineInOutBlock(doc);
    DefineInOutBlock(doc);  // the drawing answered the same way twice
    CadBlock& b = doc.Blocks().Item("IN-OUT");
    ASSERT_EQ(b.Count(), 9);  // circle, seven attribute definitions, line
    EXPECT_EQ(b.Item(0)->kind, CadKind::Circle);
    EXPECT_EQ(b.Item(1)->TagString, "DIA");
    EXPECT_EQ(b.Item(7)->TagString, "P2");
    EXPECT_EQ(b.Item(7)->InsertionPoint, (CadPoint{0, -5, 0}));
    EXPECT_EQ(b.Item(8)->EndPoint, (CadPoint{1, 0, 0}));
}

}  // namespace
}  // namespace vd

namespace vd {
namespace {

// After ACAD the window shows the plan, not the marker text at the origin with
// the network a speck beside it; Zoom Extents still shows everything.
TEST_F(AcadPlan, WindowFramesThePlanItDrew) {
    DrawingWindow window(app);
    window.resize(800, 600);
    app.NewDocument();
    for (int run = 0; run < 2; ++run) {  // the second run sees the window already open
        ASSERT_TRUE(AcadPlanCommand(m, app));
        DrawingView& view = *window.view();
        const QRectF shown = view.rect();
        const QPointF a = view.toScreen(1000.5, 2000.25), b = view.toScreen(1070.5, 2025.25);
        EXPECT_TRUE(shown.contains(a) && shown.contains(b)) << run;
        EXPECT_GT(b.x() - a.x(), shown.width() / 2) << run;
        EXPECT_FALSE(shown.contains(view.toScreen(0, 0))) << run;
    }
    (void)GetAcadCommand(m, app);  // a read-back's repaint keeps the frame
    EXPECT_GT(window.view()->toScreen(1070.5, 0).x() - window.view()->toScreen(1000.5, 0).x(), 400);
    app.ZoomExtents();
    EXPECT_TRUE(window.view()->rect().contains(window.view()->toScreen(0, 0).toPoint()));
    EXPECT_TRUE(window.view()->rect().contains(window.view()->toScreen(1070.5, 2025.25).toPoint()));
}

}  // namespace
}  // namespace vd
