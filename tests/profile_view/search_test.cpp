// Search rows byte for byte with every filter and marking choice, Info, Msg,
// and bad input.
#include <gtest/gtest.h>

#include <QLineEdit>
#include <QListWidget>
#include <QTest>

#include <string>
#include <vector>

#include "net_builder.h"
#include "profile_view/search.h"
#include "recording_ui.h"
#include "widget_lookup.h"

namespace vd {
namespace {

using Rows = std::vector<std::string>;

// MH1 and MH4 drain into MH2, MH2 and mh5 into MH3, MH3 to the outfall OUT.
void SearchNet(Model& m) {
    test::NetBuilder net(m);
    net.line("MH1", "MH2").len(50).dia(200).gr(101.25f, 100.5f).inv(99.0f, 98.5f).lat("L-A");
    net.line("MH2", "MH3").len(49.5f).dia(300).gr(100.5f, 100).inv(98.25f, 98.0f).lat("L-A");
    net.line("MH4", "MH2").len(50.5f).dia(250).gr(102, 100.5f).inv(100, 98.75f).lat("L-B");
    net.line("MH3", "OUT").len(20).dia(300).gr(100, 99.5f).inv(97.5f, 97.25f).lat("L-A");
    net.line("mh5", "MH3").len(10).dia(400).gr(100.2f, 100).inv(98.7f, 97.5f).lat("L-C");
    auto link = [&](int i, int next, int up, int b1) {
        m.Links[i].NextLine = next;
        m.Links[i].UpLine = up;
        m.Links[i].Branch1 = b1;
    };
    link(1, 2, 0, 3);
    link(2, 4, 1, 5);
    link(3, 2, 0, 1);
    link(4, 0, 2, 0);
    link(5, 4, 0, 2);
    const float vmax[] = {0, 0.75f, 1.5f, 2.25f, 0.5f, 0};
    for (int i = 1; i <= 5; ++i) m.Results[i].VmaxEnd = vmax[i];
    m.LatCount = 3;
    m.CreateLatTable(3);
    m.LatTable[1][LatFirst] = 1;
    m.LatTable[2][LatFirst] = 3;
    m.LatTable[3][LatFirst] = 5;
}

std::string Pad(const std::string& s, std::size_t n) { return s + std::string(n - s.size(), ' '); }

TEST(Search, RowsOfEveryFilterByteForByte) {
    using S = SearchFilter;
    using M = MarkOption;
    struct Case {
        const char* name;
        S filter;
        const char* text;
        M mark;
        const char* markText;
        Rows rows;
        float shortLine = 0;  // a length line 5 takes instead of its own
    };
    const std::vector<Case> cases = {
        {"a name is searched upper-cased", S::ManholeName, " mh2 ", M::None, "", {"MH2              | 2"}},
        {"a lower-case name never matches", S::ManholeName, "mh5", M::None, "", {}},
        {"an end manhole lists the outfall line only", S::ManholeName, "out", M::None, "", {"MH3              | 4"}},
        {"an unknown name lists nothing", S::ManholeName, "MH9", M::None, "", {}},
        {"every lateral by its first line", S::Latral, "", M::Color, "",
         {Pad("L-A", 40) + "          |1", Pad("L-B", 40) + "          |3", Pad("L-C", 40) + "          |5"}},
        {"length at least, 50 included", S::LengthAtLeast, "50", M::None, "",
         {" 50            |1", " 50.5            |3"}},
        {"length at most, 50 included", S::LengthAtMost, "50", M::None, "",
         {" 50                |1", " 49.5                |2", " 20                |4", " 10                |5"}},
        {"depth below is strict", S::DepthBelow, "2.25", M::None, "", {" 2.00          |3", " 1.50          |5"}},
        {"depth above is strict", S::DepthAbove, "2.25", M::None, "", {" 2.50          |4"}},
        {"velocity below", S::VelocityBelow, "0.75", M::None, "", {" 0.50          |4", " 0.00          |5"}},
        {"velocity above", S::VelocityAbove, "1.5", M::None, "", {" 2.25          |3"}},
        {"drop at least, never the outfall", S::DropAtLeast, "0.25", M::None, "",
         {" 0.25          |1", " 0.50          |2", " 0.50          |3"}},
        {"negative drops with a negative bound", S::DropAtLeast, "-1", M::None, "",
         {" 0.25          |1", " 0.50          |2", " 0.50          |3", " 0.00          |5"}},
        {"a larger next line is listed once", S::ChangeDia, "", M::None, "", {" 300                 |2"}},
        {"an empty bound counts as 0", S::LengthAtMost, "", M::None, "", {}},
        {"marking by colour stops the bound filters", S::LengthAtLeast, "0", M::Color, "", {}},
        {"marking by package stops them too", S::DepthAbove, "0", M::Package, "", {}},
        {"filter None marks the diameter", S::None, "", M::Diameter, "300",
         {Pad("MH2", 25) + "            |2", Pad("MH3", 25) + "            |4"}},
        {"filter None with another marking lists nothing", S::None, "", M::Color, "300", {}},
        {"the change of diameter ignores the marking", S::ChangeDia, "", M::Package, "", {" 300                 |2"}},
        {"a length under a metre has no zero before the point", S::LengthAtMost, "1", M::None, "",
         {" .75                |5"}, 0.75f},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Model m;
        SearchNet(m);
        if (c.shortLine > 0) m.Lines[5].Len = c.shortLine;
        const SearchResult r = RunSearch(m, {c.filter, c.text, c.mark, c.markText});
        EXPECT_EQ(r.rows, c.rows);
        // Each row's line goes beside it, the number its text ends with.
        ASSERT_EQ(r.lines.size(), r.rows.size());
        for (std::size_t k = 0; k < r.rows.size(); ++k)
            EXPECT_TRUE(r.rows[k].ends_with("|" + std::to_string(r.lines[k])) ||
                        r.rows[k].ends_with("| " + std::to_string(r.lines[k])));
        EXPECT_EQ(r.message, "");
        EXPECT_EQ(r.markReset, c.filter == S::ManholeName || c.filter == S::Latral);
    }
}

TEST(Search, BadInputAndEmptyNetworksSayWhyAndListNothing) {
    struct Case {
        const char* name;
        bool empty;
        SearchFilter filter;
        const char* text;
        MarkOption mark;
        const char* markText;
    };
    const std::vector<Case> cases = {
        {"letters as a bound", false, SearchFilter::LengthAtLeast, "long", MarkOption::None, ""},
        {"a bound with letters after it", false, SearchFilter::DepthBelow, "2m", MarkOption::None, ""},
        {"a bound beyond single precision", false, SearchFilter::VelocityAbove, "1e39", MarkOption::None, ""},
        {"no manhole name", false, SearchFilter::ManholeName, "   ", MarkOption::None, ""},
        {"letters as the marked diameter", false, SearchFilter::None, "", MarkOption::Diameter, "big"},
        {"a marked diameter beyond single precision", false, SearchFilter::None, "", MarkOption::Diameter, "1e300"},
        {"no laterals yet", false, SearchFilter::Latral, "", MarkOption::None, ""},
        {"an empty network, by name", true, SearchFilter::ManholeName, "MH1", MarkOption::None, ""},
        {"an empty network, by length", true, SearchFilter::LengthAtLeast, "0", MarkOption::None, ""},
        {"an empty network, by diameter change", true, SearchFilter::ChangeDia, "", MarkOption::None, ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Model m;
        if (!c.empty) SearchNet(m);
        if (std::string(c.name) == "no laterals yet") m.LatCount = 0;
        const SearchResult r = RunSearch(m, {c.filter, c.text, c.mark, c.markText});
        EXPECT_TRUE(r.rows.empty());
        EXPECT_FALSE(r.message.empty());
    }
}

TEST(Search, InfoAndStepping) {
    EXPECT_EQ(SearchInfoText(3, " 50            |1", " 10                |5"), "Count: 3\nMin: 50\nMax: 10");
    EXPECT_EQ(SearchInfoText(1, " 2.50          |4", " 2.50          |4"), "Count: 1\nMin: 2.5\nMax: 2.5");
    EXPECT_EQ(SearchInfoText(2, "MH2              | 2", "-0.25          |9"), "Count: 2\nMin: 0\nMax: -0.25");
    EXPECT_EQ(SearchInfoText(0, "", ""), "Count: 0\nMin: 0\nMax: 0");
    EXPECT_EQ(SearchInfoText(1, "1E400              | 3", "1E400              | 3"), "Count: 1\nMin: 0\nMax: 0");

    struct StepCase {
        int selected, count, next;
    };
    for (const StepCase& c : std::vector<StepCase>{{-1, 3, 0}, {0, 3, 1}, {1, 3, 2}, {2, 3, 2}, {-1, 0, -1}, {5, 2, 0}})
        EXPECT_EQ(NextRow(c.selected, c.count), c.next) << c.selected << " of " << c.count;

    double step = 2.5;
    std::vector<double> seen;
    for (int i = 0; i < 4; ++i) seen.push_back(step = NextCanvasStep(step));
    EXPECT_EQ(seen, (std::vector<double>{5, 7.5, 10, 2.5}));
}

TEST(Search, FrameFindsStepsAndReports) {
    Model m;
    test::RecordingUi ui;
    m.SetUi(&ui);
    SearchNet(m);
    SearchFrame frame(m);
    std::vector<int> jumps;
    std::vector<std::string> boxes;
    frame.findsheet = [&](int line) { jumps.push_back(line); };
    frame.showMessage = [&](const std::string& s) { boxes.push_back(s); };
    auto* searchBox = test::Child<QLineEdit>(&frame, "Txt1");
    auto* list = test::Child<QListWidget>(&frame, "List1");
    ASSERT_TRUE(searchBox && list);

    frame.setMark(MarkOption::Color);
    frame.setFilter(SearchFilter::ManholeName);
    searchBox->setText("mh3");
    frame.Comand1_Click();
    EXPECT_EQ(frame.mark(), MarkOption::None);  // a name search marks nothing
    ASSERT_EQ(list->count(), 1);
    EXPECT_EQ(list->item(0)->text(), "MH3              | 4");
    EXPECT_EQ(jumps, (std::vector<int>{4}));  // Find goes to the first hit

    frame.setFilter(SearchFilter::LengthAtLeast);
    searchBox->setText("50");
    frame.Comand1_Click();
    QTest::keyClick(searchBox, Qt::Key_Return);  // Enter is Find Next
    frame.Comand2_Click();                               // the last row stays
    EXPECT_EQ(jumps, (std::vector<int>{4, 1, 3, 3}));

    frame.Command24_Click();
    frame.Command27_Click();
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0], "Count: 2\nMin: 50\nMax: 50.5");
    ASSERT_FALSE(ui.logs.empty());
    EXPECT_EQ(ui.logs.back(), "2");

    frame.Option2_Click();
    EXPECT_EQ(list->count(), 0);
    EXPECT_TRUE(searchBox->text().isEmpty());
    searchBox->setText("x");
    frame.Comand1_Click();
    EXPECT_EQ(boxes.size(), 2u);
    frame.Comand2_Click();  // nothing listed: nothing happens
    EXPECT_EQ(jumps.size(), 4u);

    // Rows found before the network shrank jump nowhere.
    frame.setFilter(SearchFilter::LengthAtMost);
    searchBox->setText("20");
    frame.Comand1_Click();
    EXPECT_EQ(jumps, (std::vector<int>{4, 1, 3, 3, 4}));
    m.LineCount = 4;
    frame.Comand2_Click();
    EXPECT_EQ(jumps.size(), 5u);

    // Names holding bars and numbers go to the line of their row.
    m.LineCount = 5;
    m.Lines[2].From = "X|1";
    m.Lines[3].From = "Y|1E400";
    m.Lines[5].From = "1E400";
    jumps.clear();
    frame.setFilter(SearchFilter::ManholeName);
    for (const char* name : {"X|1", "y|1e400", "1E400"}) {
        searchBox->setText(name);
        frame.Comand1_Click();
        frame.Command24_Click();  // Info reads the row's leading number
    }
    EXPECT_EQ(jumps, (std::vector<int>{2, 3, 5}));
}

}  // namespace
}  // namespace vd
