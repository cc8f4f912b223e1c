#include <gtest/gtest.h>

#include <algorithm>
#include <random>

#include "cad/cad_document.h"

namespace vd {
namespace {

int ErrorOf(const std::function<void()>& f) {
    try {
        f();
    } catch (const CadError& e) {
        return e.number();
    }
    return 0;
}

TEST(CadDocument, TablesCompareNamesWithoutCase) {
    CadDocument doc;
    CadLayer& a = doc.Layers().Add("sewer");
    a.Color = 1;
    EXPECT_EQ(&doc.Layers().Add("SEWER"), &a);
    EXPECT_EQ(doc.Layers().Add("46").Color, 46);  // a numeric layer takes its colour
    EXPECT_EQ(ErrorOf([&] { doc.Layers().Item("nope"); }), caderr::KeyNotFound);
    auto t = doc.ModelSpace().AddText("x", {0, 0, 0}, 1);
    t->setLayer("Error");
    t->setLayer("ERROR");
    EXPECT_EQ(t->layer(), "Error");
    EXPECT_EQ(&doc.TextStyles().Add("standard"), &doc.TextStyles().Item("STANDARD"));
    EXPECT_EQ(ErrorOf([&] { doc.TextStyles().Add("DOT").setFontFile("DOT"); }), caderr::InvalidInput);
    EXPECT_EQ(ErrorOf([&] { doc.TextStyles().Add("R").setFontFile("romans.shx"); }), 0);

    // The tables' indexes find what a search through every name finds, as
    // names come and blocks go; Latin-1 letters keep their case.
    std::mt19937 rng(7);
    const std::string letters = "aAbB\xe9\xc9_1";
    auto linear = [](const auto& all, const std::string& name) {
        decltype(all.front().get()) found = nullptr;
        for (const auto& x : all)
            if (SameCadName(x->Name, name)) found = x.get();
        return found;
    };
    for (int k = 0; k < 3000; ++k) {
        std::string name;
        for (size_t n = 1 + rng() % 3; n > 0; --n) name += letters[rng() % letters.size()];
        switch (rng() % 5) {
        case 0: doc.Layers().Add(name); break;
        case 1: doc.TextStyles().Add(name); break;
        case 2: doc.Blocks().Add({0, 0, 0}, name); break;
        case 3:
            if (CadBlock* b = doc.Blocks().Find(name)) b->Delete();
            break;
        default: doc.RegisterApp(name);
        }
        ASSERT_EQ(doc.Layers().Find(name), linear(doc.Layers().all(), name)) << name;
        ASSERT_EQ(doc.TextStyles().Find(name), linear(doc.TextStyles().all(), name)) << name;
        ASSERT_EQ(doc.Blocks().Find(name), linear(doc.Blocks().all(), name)) << name;
        ASSERT_LE(std::count_if(doc.RegisteredApps().begin(), doc.RegisteredApps().end(),
                                [&](const std::string& a) { return SameCadName(a, name); }),
                  1)
            << name;
    }
    EXPECT_EQ(doc.Blocks().Find("*model_space"), &doc.ModelSpace());
}

TEST(CadDocument, SelectionFilters) {
    CadDocument doc;
    CadBlock& ms = doc.ModelSpace();
    doc.Blocks().Add({0, 0, 0}, "Mhblock");
    ms.AddLine({0, 0, 0}, {1, 1, 0})->setLayer("sewer");
    ms.AddLine({0, 0, 0}, {1, 1, 0})->setLayer("other");
    ms.AddText("VORLAN", {0, 0, 0}, 1)->setLayer("VORLAN");
    ms.InsertBlock({0, 0, 0}, "MHBLOCK")->setLayer("sewer-2");
    ms.InsertBlock({0, 0, 0}, "Mhblock")->setLayer("plan");
    struct Case {
        std::vector<int16_t> types;
        std::vector<std::string> values;
        int count;
    } cases[] = {
        {{0, 8}, {"Line", "sewer"}, 1},
        {{0, 8}, {"LINE", "SEWER"}, 1},
        {{0}, {"LINE,TEXT"}, 3},
        {{0, 2, 8}, {"INSERT", "Mhblock", "sewer*"}, 1},
        {{0, 8, 0}, {"TEXT", "VORLAN", ""}, 1},  // an empty value sets no condition
        {{8}, {"?ewer*"}, 2},
        {{}, {}, 5},
    };
    for (const auto& c : cases) {
        CadSelectionSet& s = doc.SelectionSets().Add("T");
        s.Select(5, c.types, c.values);
        EXPECT_EQ(s.Count(), c.count) << (c.values.empty() ? "" : c.values[0]);
        EXPECT_EQ(ErrorOf([&] { doc.SelectionSets().Add("t"); }), caderr::DuplicateKey);
        s.Delete();
    }
    EXPECT_EQ(ErrorOf([&] { doc.SelectionSets().Item("T"); }), caderr::KeyNotFound);
    // A set keeps what it selected, erased or not, while the drawing moves on.
    CadSelectionSet& kept = doc.SelectionSets().Add("E");
    kept.Select(5, {0}, {"LINE"});
    for (int i = 0; i < kept.Count(); ++i) kept.Item(i)->Erase();
    ms.AddLine({2, 2, 0}, {3, 3, 0})->setLayer("sewer");
    EXPECT_EQ(ms.Count(), 4);
    ASSERT_EQ(kept.Count(), 2);
    EXPECT_TRUE(kept.Item(0)->erased());
    EXPECT_EQ(kept.Item(1)->layer(), "other");
    kept.Select(5, {0}, {"LINE"});  // adds only the line not in it yet
    ASSERT_EQ(kept.Count(), 3);
    EXPECT_EQ(kept.Item(2)->StartPoint[0], 2);
    kept.Delete();
    // A walk over model space meets each entity it started with, in order,
    // whatever it erases and adds on the way and however often the block is
    // counted meanwhile.
    std::vector<CadKind> walked;
    for (const CadEntityPtr& e : ms.entities()) {
        walked.push_back(e->kind);
        e->Erase();
        EXPECT_EQ(ms.Count(), 3);
        for (int k = 0; k < 20; ++k) ms.AddCircle(e->InsertionPoint, 1);
        ms.Item(ms.Count() - 1)->Erase();
        EXPECT_EQ(ms.Count(), 22);
        for (int k = 0; k < 18; ++k) ms.Item(ms.Count() - 1)->Erase();
    }
    EXPECT_EQ(walked, (std::vector<CadKind>{CadKind::Text, CadKind::Insert, CadKind::Insert, CadKind::Line}));
    ASSERT_EQ(ms.Count(), 4);
    for (const CadEntityPtr& e : ms.entities()) EXPECT_EQ(e->kind, CadKind::Circle);
}

TEST(CadDocument, BlocksAttributesAndDeletion) {
    CadDocument doc;
    EXPECT_EQ(ErrorOf([&] { doc.Blocks().Item("Endblock"); }), caderr::KeyNotFound);
    CadBlock& b = doc.Blocks().Add({0, 0, 0}, "From");
    b.AddLine({0, 0, 0}, {0, 0, 0});
    b.AddAttribute(0.18, 0, "INV", {-0.1, -0.9, 0}, "INV", " ");
    b.AddAttribute(0.18, 0, "DWG#", {0.3, -0.3, 0}, "DWG", " ");
    EXPECT_EQ(&doc.Blocks().Add({5, 5, 0}, "FROM"), &b);  // an existing definition is kept
    auto ref = doc.ModelSpace().InsertBlock({10, 20, 0}, "from", 2, 2, 1, 0);
    auto atts = ref->GetAttributes();
    ASSERT_EQ(atts.size(), 2u);
    EXPECT_EQ(atts[0]->TagString, "INV");
    EXPECT_DOUBLE_EQ(atts[0]->InsertionPoint[0], 9.8);
    EXPECT_DOUBLE_EQ(atts[1]->InsertionPoint[1], 19.4);
    atts[1]->TextString = "7";
    EXPECT_EQ(ref->GetAttributes()[1]->TextString, "7");  // the list is the reference's own
    EXPECT_EQ(ErrorOf([&] { b.Delete(); }), caderr::ObjectReferenced);
    ref->Erase();
    EXPECT_EQ(doc.ModelSpace().Count(), 0);
    CadEntityPtr held = b.Item(0);
    EXPECT_EQ(ErrorOf([&] { doc.Blocks().Item("From").Delete(); }), 0);
    EXPECT_EQ(doc.Blocks().Find("From"), nullptr);
    EXPECT_TRUE(held->erased());  // a part still held does not reach the freed block
    EXPECT_EQ(ErrorOf([&] { held->Erase(); }), caderr::InvalidObject);
    EXPECT_EQ(ErrorOf([&] { doc.ModelSpace().InsertBlock({0, 0, 0}, "From"); }), caderr::KeyNotFound);
    auto pl = doc.ModelSpace().AddPolyline({0.05, 0, 0, 0.05, 1, 0});
    pl->SetWidth(0, 0.1, 0.1);
    EXPECT_EQ(pl->Widths[0][1], 0.1);
    EXPECT_EQ(ErrorOf([&] { pl->SetWidth(1, 0.1, 0.1); }), caderr::InvalidInput);
}

TEST(CadDocument, ExtendedData) {
    CadDocument doc;
    auto l = doc.ModelSpace().AddLine({0, 0, 0}, {1, 0, 0});
    std::string nul(25, '\0');
    l->SetXData({1001, 1000, 1040, 1000}, {std::string("SEWER"), nul, 2.5, 0.0});
    XData d = l->GetXData("sewer");
    ASSERT_EQ(d.size(), 4u);
    EXPECT_EQ(d[1].text, std::string(25, ' '));  // never-assigned fields arrive as blanks
    EXPECT_EQ(d[2].number, 2.5);
    EXPECT_EQ(d[3].text, "0");
    EXPECT_TRUE(l->GetXData("DUV").empty());
    EXPECT_EQ(doc.RegisteredApps().back(), "SEWER");
    l->SetXData({1001, 1040}, {std::string("Sewer"), 1.0});  // replaces, whatever the case
    EXPECT_EQ(l->AllXData().size(), 1u);
    l->SetXData({1001, 1000, 1000}, {std::string("NUMS"), 1.5, -0.005});  // numbers under text codes
    EXPECT_EQ(l->GetXData("NUMS")[1].text, "1.5");
    EXPECT_EQ(l->GetXData("NUMS")[2].text, "-0.005");
    EXPECT_EQ(ErrorOf([&] { l->SetXData({1000}, {std::string("x")}); }), caderr::InvalidInput);
    EXPECT_EQ(ErrorOf([&] { l->SetXData({1001, 1040}, {std::string("A"), std::string("x")}); }), caderr::TypeMismatch);
}

TEST(CadDocument, ApplicationAttachAndPointPrompt) {
    CadApplication app;
    EXPECT_EQ(ErrorOf([&] { app.Attach(); }), caderr::NoServer);
    EXPECT_EQ(ErrorOf([&] { app.ActiveDocument(); }), caderr::ObjectNotSet);
    app.Create();
    CadDocument* first = &app.ActiveDocument();
    first->ModelSpace().AddLine({0, 0, 0}, {1, 1, 0});
    app.Create();  // an open drawing is kept
    EXPECT_EQ(&app.ActiveDocument(), first);
    EXPECT_EQ(app.ActiveDocument().ModelSpace().Count(), 1);
    app.pendingPoints.push_back(CadPoint{1, 2, 0});
    app.pendingPoints.push_back(std::nullopt);
    EXPECT_EQ(app.ActiveDocument().Utility().GetPoint("Enter Insertion point: ")[1], 2);
    EXPECT_EQ(ErrorOf([&] { app.ActiveDocument().Utility().GetPoint("p"); }), caderr::UserCancelled);
    EXPECT_EQ(ErrorOf([&] { app.ActiveDocument().Utility().GetPoint("p"); }), caderr::UserCancelled);
}

}  // namespace
}  // namespace vd
