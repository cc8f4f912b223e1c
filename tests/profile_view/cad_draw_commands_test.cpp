// "Draw", "Draw all", the Draw frame's "Draw" and the block commands against
// the program's CAD drawing: prompts, point moves, layers and colours, a
// cancelled prompt, a block in use, and the drawing saved and audited by ezdxf.
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <map>
#include <set>
#include <sstream>

#include "cad/cad_document.h"
#include "profile_drawing/cfgplot.h"
#include "profile_drawing/output.h"
#include "profile_view/cad_draw_commands.h"
#include "town_fixture.h"

namespace vd {
namespace {

using Point = std::array<double, 3>;

struct Drawing {
    test::Town t;
    CadApplication app;
    CadDrawCommands c{t.m, t.v, t.dialogs};
    std::vector<int> windowStates;

    Drawing() {
        c.app = &app;
        c.windowState = [this](int s) { windowStates.push_back(s); };
        t.Select(0);
    }
    // Entities in the model space but the connection's marker texts.
    int entities() {
        if (!app.HasDocument()) return 0;
        int n = 0;
        for (const auto& e : app.ActiveDocument().ModelSpace().entities()) n += e->TextString != "VORLAN-Profile";
        return n;
    }
};

TEST(CadDrawCommands, LayersOfTheStyleRowsInUse) {
    test::Town t;
    CadDocument doc;
    auto& S = t.m.ObjectStyles;
    for (int r = 1; r <= 25; ++r) {
        S[r].Visible = "N";
        S[r].Color = -1;
    }
    S[1].Visible = "Y", S[1].Color = 3;     // shown: layer "3"
    S[2].Visible = "N", S[2].Color = 5;     // hidden: none
    S[3].Visible = "y", S[3].Color = 6;     // only "Y" counts
    S[20].Visible = "Y", S[20].Color = 46;  // "46"
    S[21].Color = 0;                        // rows 21..25 by colour: "0"
    S[22].Color = -1;                       // none
    S[25].Color = 7;
    AddStyleLayers(t.m, doc);
    std::map<std::string, int> layers;
    for (const auto& l : doc.Layers().all()) layers[l->Name] = l->Color;
    const std::map<std::string, int> expected = {{"0", 0}, {"3", 3}, {"46", 46}, {"7", 7}};
    EXPECT_EQ(layers, expected);
}

TEST(CadDrawCommands, DrawFramePointMoves) {
    struct Case {
        int choice;
        Point to;
    } cases[] = {{0, {100, 20, 0}}, {1, {170, 20, 0}}, {2, {60, 20, 0}}, {3, {10, 100, 0}}, {-1, {10, 20, 0}}};
    for (const Case& c : cases) EXPECT_EQ(NextDrawPoint({10, 20, 0}, c.choice), c.to) << c.choice;
}

TEST(CadDrawCommands, DrawAllPutsEverySheetFromTheFirst120Apart) {
    std::map<bool, int> inserts;
    for (bool lineText : {true, false}) {
        Drawing d;
        const int n = d.t.m.SheetCount;
        ASSERT_GE(n, 3);
        d.c.lineText = lineText;
        d.t.v.TextSizeMode = 1;
        d.t.v.BandLift = 1;
        d.app.pendingPoints = {Point{10, 20, 0}};
        std::vector<Point> points;
        std::vector<int> counts;
        ASSERT_TRUE(d.c.DrawAll(n, [&](int i) {
            if (i > 0) points.push_back(d.t.v.InsertionPoint);
            counts.push_back(d.entities());
            d.t.Select(i);
        })) << (d.t.dialogs.messages.empty() ? "" : d.t.dialogs.messages.front().toStdString());
        points.push_back(d.t.v.InsertionPoint);
        counts.push_back(d.entities());
        ASSERT_EQ(points.size(), static_cast<size_t>(n));
        for (int i = 0; i < n; ++i) EXPECT_EQ(points[i], (Point{10, 20 + 120.0 * i, 0})) << i;
        for (int i = 1; i <= n; ++i) EXPECT_GT(counts[i], counts[i - 1]) << "sheet " << i - 1 << " drew nothing";
        EXPECT_EQ(d.t.v.TextSizeMode, 2);
        EXPECT_EQ(d.t.v.BandLift, 0);
        EXPECT_EQ(d.t.v.DrawMode, kDrawCanvas);
        EXPECT_EQ(d.windowStates, std::vector<int>{2});
        EXPECT_TRUE(d.t.dialogs.messages.empty());

        // Lines, solids and texts on a layer named by a colour number, in the
        // colour of their layer; block mode's level-scale texts on layer "0"
        // in the colour of style row 1.
        for (const auto& e : d.app.ActiveDocument().ModelSpace().entities()) {
            const std::string& layer = e->layer();
            const bool numbered = !layer.empty() && layer.find_first_not_of("-0123456789") == std::string::npos;
            if (e->kind == CadKind::Insert) {
                ++inserts[lineText];
                continue;
            }
            const bool scaleText = !lineText && e->kind == CadKind::Text && layer == "0" &&
                                   e->Color == ColourIndex(d.t.m.ObjectStyles[1].Color);
            EXPECT_TRUE(scaleText || (numbered && e->Color == 256)) << e->ObjectName() << " on " << layer << " colour " << e->Color;
        }
    }
    EXPECT_GT(inserts[false], inserts[true]);
}

const char* kAudit = R"(import sys, ezdxf
doc = ezdxf.readfile(sys.argv[1])
print("ERRORS", len(doc.audit().errors))
for e in doc.modelspace().query("INSERT"):
    if e.dxf.name.upper() == "KADR":
        print("%.3f" % e.dxf.insert.y)
)";

TEST(CadDrawCommands, DrawingAfterDrawAllSavedAsDxfPassesTheAudit) {
    for (bool lineText : {true, false}) {
        Drawing d;
        const int n = d.t.m.SheetCount;
        d.c.lineText = lineText;
        d.app.pendingPoints = {Point{0, 0, 0}};
        ASSERT_TRUE(d.c.DrawAll(n, [&](int i) { d.t.Select(i); }));
        const std::string file = d.t.path("drawing.dxf");
        SaveDxfDocument(d.app.ActiveDocument(), file);
        int status = 0;
        const std::string out = test::RunPython(d.t.dir.path(), kAudit, {file}, status);
        ASSERT_EQ(status, 0) << out.substr(0, 2000);
        std::istringstream in(out);
        std::string word;
        int errors = -1;
        in >> word >> errors;
        EXPECT_EQ(errors, 0) << out.substr(0, 400);
        // Each sheet's frame "KADR" stands 120 above the last.
        std::vector<double> frames;
        for (double y; in >> y;) frames.push_back(y);
        ASSERT_EQ(frames.size(), static_cast<size_t>(n));
        for (size_t i = 1; i < frames.size(); ++i) EXPECT_NEAR(frames[i] - frames[i - 1], 120, 1e-6);
    }
}

// Model-space counts per file: entity kinds, block references by name, their
// attributes and the joining-pipe marks "0"; audit errors first.
const char* kCounts = R"(import sys, ezdxf, collections
for path in sys.argv[1:]:
    doc = ezdxf.readfile(path)
    c = collections.Counter()
    for e in doc.modelspace():
        c[e.dxftype()] += 1
        if e.dxftype() == "INSERT":
            c["INSERT:" + e.dxf.name.upper()] += 1
            c["ATTRIB"] += len(e.attribs)
        elif e.dxftype() == "TEXT" and e.dxf.text == "0":
            c["MARK0"] += 1
    print(len(doc.audit().errors), " ".join("%s=%d" % kv for kv in sorted(c.items())))
)";

// Every drawing command, in both modes, with and without "Explode Attrib",
// into drawings holding none, some or all of the profile blocks. A missing
// block is defined on first need and only the insert that met it runs again,
// so each drawing holds what the one started with every block holds; only
// the joining notes' "FROM" blocks stay out where the drawing lacks "FROM",
// their marks "0" still drawn.
TEST(CadDrawCommands, EveryCommandIntoDrawingsHoldingSomeBlocksCountsEachEntityOnce) {
    enum Command { Draw, DrawChosen, DrawAll };
    const std::vector<std::vector<std::string>> starts = {
        {}, {"TITLE"}, {"TITLE", "RL"}, {"KADR", "RL", "NEXTPIPE", "TITLE", "TABLE", "TEXT1", "TEXT2"},
        {"KADR", "RL", "NEXTPIPE", "TITLE", "TABLE", "TEXT1", "TEXT2", "FROM"}};
    const std::size_t all = starts.size() - 1, withoutFrom = all - 1;
    struct Run {
        Command command;
        bool lineText, explode;
        std::size_t start;
        std::string file;
    };
    std::vector<Run> runs;
    for (Command command : {Draw, DrawChosen, DrawAll})
        for (bool lineText : {true, false})
            for (bool explode : {false, true})
                for (std::size_t s = 0; s < starts.size(); ++s)
                    if (lineText || command != Draw) runs.push_back({command, lineText, explode, s, {}});

    test::TempDir dir("vd_cad_starts");
    std::vector<std::string> files;
    for (Run& run : runs) {
        Drawing d;
        d.app.Create();
        CadDocument& doc = d.app.ActiveDocument();
        DefineProfileBlocks(d.t.m, &doc, d.t.ui);
        for (const char* name : kProfileBlockNames)
            if (std::find(starts[run.start].begin(), starts[run.start].end(), name) == starts[run.start].end())
                doc.Blocks().Item(name).Delete();
        d.c.lineText = run.lineText;
        d.t.v.ExplodeAttrib = run.explode;
        d.app.pendingPoints = {Point{0, 0, 0}};
        const bool drawn = run.command == Draw         ? d.c.Draw()
                           : run.command == DrawChosen ? d.c.DrawChosen()
                                                       : d.c.DrawAll(2, [&](int i) { d.t.Select(i); });
        const std::string label = "command " + std::to_string(run.command) + (run.lineText ? " lines" : " blocks") +
                                  (run.explode ? " exploded" : "") + " start " + std::to_string(run.start);
        // Only the notes without their block are reported.
        EXPECT_EQ(drawn, run.lineText || run.start != withoutFrom) << label;
        run.file = (dir.path() / (std::to_string(files.size()) + ".dxf")).string();
        SaveDxfDocument(doc, run.file);
        files.push_back(run.file);
    }

    int status = 0;
    const std::string out = test::RunPython(dir.path(), kCounts, files, status);
    ASSERT_EQ(status, 0) << out.substr(0, 2000);
    std::istringstream lines(out);
    std::vector<std::map<std::string, int>> counts;
    for (std::string row; std::getline(lines, row);) {
        std::istringstream words(row);
        int errors = -1;
        words >> errors;
        EXPECT_EQ(errors, 0) << runs[counts.size()].file;
        std::map<std::string, int> c;
        for (std::string kv; words >> kv;) c[kv.substr(0, kv.find('='))] = std::stoi(kv.substr(kv.find('=') + 1));
        counts.push_back(c);
    }
    ASSERT_EQ(counts.size(), runs.size());
    for (std::size_t i = 0; i < runs.size(); ++i) {
        const Run& run = runs[i];
        const std::size_t ref = i - run.start + all;  // the same run into a drawing holding every block
        std::map<std::string, int> expected = counts[ref];
        const std::string label = run.file + " start " + std::to_string(run.start);
        if (!run.lineText) {
            // Every lateral frame: one "TABLE", eight rulers and the "rl" at its foot.
            EXPECT_GT(expected["INSERT:TABLE"], 0) << label;
            EXPECT_EQ(expected["INSERT:RL"], 9 * expected["INSERT:TABLE"]) << label;
            EXPECT_GT(expected["MARK0"], 0) << label;
            EXPECT_GT(expected["INSERT:FROM"], 0) << label;
            if (run.start == withoutFrom) {
                expected["INSERT"] -= expected["INSERT:FROM"];
                expected["ATTRIB"] -= 4 * expected["INSERT:FROM"];
                expected.erase("INSERT:FROM");
            }
        }
        EXPECT_EQ(counts[i], expected) << label;
        // "Explode Attrib" plays no part in lines and texts.
        if (run.lineText && run.explode) { EXPECT_EQ(counts[i], counts[i - starts.size()]) << label; }
    }
}

TEST(CadDrawCommands, CancelledPromptDrawsNothing) {
    Drawing d;
    d.app.Create();
    d.app.pendingPoints = {std::nullopt};
    d.t.v.InsertionPoint = {5, 5, 0};
    const int before = d.entities();
    EXPECT_FALSE(d.c.DrawAll(d.t.m.SheetCount, [&](int i) { d.t.Select(i); }));
    EXPECT_EQ(d.entities(), before);
    EXPECT_EQ(d.t.v.InsertionPoint, (Point{5, 5, 0}));
    EXPECT_NE(d.t.ui.status.find("No insertion point"), std::string::npos);
    EXPECT_TRUE(d.t.dialogs.messages.empty());

    // The Draw frame's first use asks even with the box cleared; a cancel ends it too.
    d.app.pendingPoints = {std::nullopt};
    EXPECT_FALSE(d.c.DrawChosen());
    EXPECT_EQ(d.entities(), before);

    // "Draw": the same.
    d.app.pendingPoints = {std::nullopt};
    EXPECT_FALSE(d.c.Draw());
    EXPECT_EQ(d.entities(), before);
    EXPECT_EQ(d.windowStates, (std::vector<int>{1, 2}));

    // A later command that draws says so itself; none keeps the cancel's word.
    const std::function<bool()> commands[] = {[&] { return d.c.Draw(); }, [&] { return d.c.DrawChosen(); },
                                              [&] { return d.c.DrawAll(1, [&](int i) { d.t.Select(i); }); }};
    for (const auto& command : commands) {
        d.app.pendingPoints = {std::nullopt};
        d.c.askPoint = true;
        EXPECT_FALSE(command());
        EXPECT_NE(d.t.ui.status.find("No insertion point"), std::string::npos);
        d.app.pendingPoints = {Point{0, 0, 0}};
        EXPECT_TRUE(command());
        EXPECT_EQ(d.t.ui.status.rfind("Draw", 0), 0u) << d.t.ui.status;
        EXPECT_NE(d.t.ui.status.find("drawn"), std::string::npos) << d.t.ui.status;
    }
}

TEST(CadDrawCommands, DrawFrameAsksOnceThenMovesByTheSheetLength) {
    Drawing d;
    int choice = 1;
    d.c.lengthChoice = [&] { return choice; };
    d.app.pendingPoints = {Point{1, 2, 0}, Point{50, 60, 0}};
    struct Step {
        bool ask;
        int choice;
        Point at;
    } steps[] = {
        {false, 1, {1, 2, 0}},     // nothing held yet: asks
        {false, 1, {161, 2, 0}},   // " 1400m": X + 160
        {false, 3, {161, 82, 0}},  // custom length: Y + 80
        {true, 0, {50, 60, 0}},    // "Get Insertion point": asks again
    };
    int before = d.entities();
    for (const Step& s : steps) {
        d.c.askPoint = s.ask;
        choice = s.choice;
        ASSERT_TRUE(d.c.DrawChosen());
        EXPECT_EQ(d.t.v.InsertionPoint, s.at);
        EXPECT_GT(d.entities(), before);
        before = d.entities();
    }
    EXPECT_TRUE(d.app.pendingPoints.empty());
}

TEST(CadDrawCommands, DrawNeedsAConnectedDrawing) {
    Drawing d;
    EXPECT_FALSE(d.c.Draw());
    ASSERT_EQ(d.t.dialogs.messages.size(), 1u);
    // Plain words: where no drawing is, and how to open or start one there, which comes up.
    for (const char* words : {"No drawing is open in the Drawing window", "File > Open", "File > New"})
        EXPECT_NE(d.t.dialogs.messages[0].indexOf(words), -1) << words;
    EXPECT_EQ(d.t.dialogs.messages[0].indexOf("AutoCAD"), -1);
    EXPECT_TRUE(d.app.Visible());
    EXPECT_TRUE(d.windowStates.empty());  // the window is not left minimized
    d.app.Create();
    d.app.pendingPoints = {Point{0, 0, 0}};
    EXPECT_TRUE(d.c.Draw());
    EXPECT_GT(d.entities(), 0);
    EXPECT_EQ(d.windowStates, (std::vector<int>{1, 2}));
}

TEST(CadDrawCommands, DelBlockStopsAtABlockInUse) {
    Drawing d;
    d.app.Create();
    CadDocument& doc = d.app.ActiveDocument();
    DefineProfileBlocks(d.t.m, &doc, d.t.ui);
    doc.Blocks().Add({0, 0, 0}, "Mine");
    doc.Blocks().Item("TITLE").Name = "title";  // names compare without case
    ASSERT_TRUE(d.c.DeleteBlocks());
    std::set<std::string> left;
    for (const auto& b : doc.Blocks().all()) left.insert(b->Name);
    for (const char* name : kProfileBlockNames) EXPECT_EQ(left.count(name), 0u) << name;
    EXPECT_EQ(left.count("title"), 0u);
    EXPECT_EQ(left.count("Mine"), 1u);

    // In use: the message; the profile blocks before it in the drawing's
    // order are gone, the rest stay.
    d.c.SetBlocks();
    ASSERT_NE(doc.Blocks().Find("TABLE"), nullptr);
    doc.ModelSpace().InsertBlock({0, 0, 0}, "TABLE");
    std::vector<std::string> order;
    for (const auto& b : doc.Blocks().all()) order.push_back(b->Name);
    EXPECT_FALSE(d.c.DeleteBlocks());
    ASSERT_EQ(d.t.dialogs.messages.size(), 1u);
    EXPECT_EQ(d.t.dialogs.messages[0], "Erase All Profile for Redefine");
    bool before = true;
    for (const std::string& name : order) {
        if (name == "TABLE") before = false;
        const bool profile = std::find(std::begin(kProfileBlockNames), std::end(kProfileBlockNames), name) !=
                             std::end(kProfileBlockNames);
        EXPECT_EQ(doc.Blocks().Find(name) != nullptr, !(profile && before)) << name;
    }
}

}  // namespace
}  // namespace vd
