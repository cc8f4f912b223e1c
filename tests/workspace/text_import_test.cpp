#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <random>
#include <vector>

#include "net_builder.h"
#include "workspace/text_import.h"

namespace vd {
namespace {

using Values = std::vector<std::string>;
const std::string kBar(1, static_cast<char>(0xB3));

TEST(TextRowSplit, Table) {
    struct Case {
        std::string row;
        Values values;
    };
    const Case cases[] = {
        {"MH1 MH2 35.5", {"MH1 ", "MH2 ", "35.5"}},
        {"MH1,,MH2", {"MH1 ", "MH2"}},
        {"MH1,,,,,,MH2", {"MH1 ", ",,MH2"}},
        {",MH2,35.5", {" ", "MH2 ", "35.5"}},
        {kBar + "MH1" + kBar + "MH2" + kBar, {"MH1 ", "MH2 ", ""}},
        {"ABCDEFGHIJ,,,,,,,,,,,,X Y", {"ABCDEFGHIJ ", " X ", "Y"}},
        {"  MH1   MH2  ", {"MH1 ", "MH2"}},
        {"single", {"single"}},
        {"", {}},
        {"\tMH1\tMH2\t\t35.5\t", {"MH1 ", "MH2 ", "35.5"}},  // a tab separates as a blank
    };
    for (const Case& c : cases) EXPECT_EQ(SplitTextRow(c.row).values, c.values) << c.row;
}

TEST(TextRowSplit, AtMostElevenValues) {
    for (const char* row : {"1 2 3 4 5 6 7 8 9 10 11 12 13", "1 2 3 4 5 6 7 8 9 10 11 12"}) {
        RowSplit s = SplitTextRow(row);
        EXPECT_EQ(s.values.size(), 11u) << row;
        EXPECT_TRUE(s.cut) << row;
    }
    EXPECT_FALSE(SplitTextRow("1 2 3 4 5 6 7 8 9 10 11").cut);
    // A box-drawn row's closing bar is no twelfth value.
    std::string boxed = kBar;
    for (int k = 1; k <= 11; ++k) boxed += std::to_string(k) + kBar;
    EXPECT_FALSE(SplitTextRow(boxed).cut);
}

// The split rules applied as they read, pass by pass, on a copy of the row.
RowSplit ReferenceSplit(std::string row) {
    const char bar = kBar[0];
    auto replaceFirst = [](std::string& s, char what) {
        auto pos = s.find(what);
        if (pos != std::string::npos) s[pos] = ' ';
    };
    auto trimLeft = [](std::string s) { return s.erase(0, std::min(s.find_first_not_of(' '), s.size())); };
    auto beyond = [&](const std::string& rest) { return rest.find_first_not_of(std::string(" ,") + bar) != std::string::npos; };
    RowSplit out;
    std::replace(row.begin(), row.end(), '\t', ' ');
    row = trimLeft(row);
    row.erase(row.find_last_not_of(' ') + 1);
    if (!row.empty() && row[0] == ',') row[0] = ' ';
    if (row.find(bar) != std::string::npos) {
        replaceFirst(row, bar);
        row = trimLeft(row);
    }
    const std::size_t L = row.size();
    for (std::size_t p = 1; p <= L; ++p) {
        replaceFirst(row, ',');
        replaceFirst(row, bar);
        if (p <= row.size() && row[p - 1] == ' ') {
            out.values.push_back(row.substr(0, p));
            row = trimLeft(row.substr(p - 1));
            p = 1;
        }
        if (row.find(' ') == std::string::npos) {
            if (out.values.size() >= 11) out.cut = beyond(row);
            else out.values.push_back(row);
            return out;
        }
        if (out.values.size() >= 11) {
            out.cut = beyond(row);
            return out;
        }
    }
    return out;
}

TEST(TextRowSplit, MatchesThePassByPassRulesOnRandomRows) {
    std::mt19937 rng(7);
    const std::string alphabet = std::string("AB1.  ,,,\t") + kBar;
    for (int n = 0; n < 20000; ++n) {
        std::string row(std::uniform_int_distribution<int>(0, 40)(rng), ' ');
        for (char& c : row) c = alphabet[rng() % alphabet.size()];
        RowSplit fast = SplitTextRow(row), slow = ReferenceSplit(row);
        ASSERT_EQ(fast.values, slow.values) << "[" << row << "]";
        ASSERT_EQ(fast.cut, slow.cut) << "[" << row << "]";
    }
    // A megabyte row splits at once (the pass-by-pass reading takes minutes).
    std::string wide = "MH1" + std::string(1 << 20, ',') + "MH2 3";
    RowSplit split = SplitTextRow(wide);
    ASSERT_EQ(split.values.size(), 3u);
    EXPECT_EQ(split.values[0], "MH1 ");
}

std::array<bool, kTextImportFields> DefaultTicks() {
    std::array<bool, kTextImportFields> t{};
    for (int k = 0; k < 10; ++k) t[k] = true;
    return t;
}

TEST(TextImport, DefaultTicksFillTheLine) {
    Model m;
    std::array<bool, kTextImportFields> ticks{};
    for (int k = 0; k < 10; ++k) ticks[k] = true;
    LineRecord line;
    StoreTextValues(line, SplitTextRow("MH1 MH2 35.5 101.2 100.9 99.5 99.3 0.2 5.7 300").values, ticks);
    EXPECT_EQ(line.From.trim(), "MH1");
    EXPECT_EQ(line.to.trim(), "MH2");
    EXPECT_FLOAT_EQ(line.Len, 35.5f);
    EXPECT_FLOAT_EQ(line.Gr1, 101.2f);
    EXPECT_FLOAT_EQ(line.Gr2, 100.9f);
    EXPECT_FLOAT_EQ(line.Inv1, 99.5f);
    EXPECT_FLOAT_EQ(line.Inv2, 99.3f);
    EXPECT_FLOAT_EQ(line.slope, 0.0057f);
    EXPECT_FLOAT_EQ(line.Dia, 300.0f);
    EXPECT_TRUE(line.Latral.unassigned());
}

TEST(TextImport, NumbersBeyondSingleRangeLeaveTheField) {
    LineRecord line;
    line.Len = 7;
    line.Gr1 = 8;
    line.slope = 0.5f;
    StoreTextValues(line, SplitTextRow("A B 1E39 -5E40 3 4 5 0 1E300 1E999").values, DefaultTicks());
    EXPECT_FLOAT_EQ(line.Len, 7.0f);
    EXPECT_FLOAT_EQ(line.Gr1, 8.0f);
    EXPECT_FLOAT_EQ(line.Gr2, 3.0f);
    EXPECT_FLOAT_EQ(line.slope, 0.5f);
    EXPECT_TRUE(std::isfinite(line.Dia));
}

TEST(TextImport, UntickedFieldsTakeNoColumn) {
    std::array<bool, kTextImportFields> ticks{};
    ticks[0] = ticks[1] = ticks[10] = ticks[11] = true;
    LineRecord line;
    StoreTextValues(line, {"A ", "B ", "L-1 ", "T3"}, ticks);
    EXPECT_EQ(line.Latral.trim(), "L-1");
    EXPECT_EQ(line.MhType.trim(), "T3");
    EXPECT_FLOAT_EQ(line.Len, 0.0f);
}

TEST(TextImport, ReplacesTheWholeOldNetwork) {
    Model m;
    test::NetBuilder net(m);
    for (int i = 0; i < 5; ++i) net.line("OLD" + std::to_string(i), "X").len(9).lat("OLDLAT");
    m.LineCount = 1;  // as an interrupted import leaves it
    m.LatCount = 4;
    Outcome r = ImportTextTable(m, "A B 10\r\n\nC D 20", DefaultTicks(), 5);
    ASSERT_TRUE(r.ok());
    EXPECT_EQ(m.LineCount, 3);
    EXPECT_EQ(m.LatCount, 0);
    EXPECT_EQ(m.Lines[1].From.trim(), "A");
    EXPECT_EQ(m.Lines[2].From.rtrim(), std::string(25, '\0'));  // the blank row counts
    EXPECT_EQ(m.Lines[3].to.trim(), "D");
    for (int i = 1; i <= 5; ++i) EXPECT_EQ(m.Lines[i].Latral.trim(), "0") << i;
    EXPECT_FLOAT_EQ(m.Lines[4].Len, 0.0f);

    // A table larger than the start-up tables comes in whole, and a small one
    // after it gives the tables back their start-up size.
    for (const int rows : {5000, kMaxLineUpper, 3}) {
        std::string bytes;
        for (int i = 1; i <= rows; ++i) bytes += "N" + std::to_string(i) + " N" + std::to_string(i + 1) + " " + std::to_string(i) + "\n";
        ASSERT_TRUE(ImportTextTable(m, bytes, DefaultTicks(), m.LineCount).ok()) << rows;
        EXPECT_EQ(m.LineCount, rows);
        EXPECT_EQ(m.LineUpper(), LineTableUpper(rows));
        EXPECT_EQ(m.LinkUpper(), LinkTableUpper(rows));
        EXPECT_EQ(m.Lines[rows].From.trim(), "N" + std::to_string(rows));
        EXPECT_FLOAT_EQ(m.Lines[rows].Len, static_cast<float>(rows));
    }

    // Rows may end with CR alone; tabs separate; Latin-1 letters are names
    // like any other.
    // Numbers in every form the grid takes typed, with the value it gives.
    ASSERT_TRUE(ImportTextTable(m, "A\xE9 B 10\rC\tD\xFF\t20\r\nE F 30 1D3 &H10 -.75 5e+3 0 -5", DefaultTicks(),
                                m.LineCount)
                    .ok());
    EXPECT_EQ(m.LineCount, 3);
    EXPECT_EQ(m.Lines[1].From.trim(), "A\xE9");
    EXPECT_EQ(m.Lines[2].to.trim(), "D\xFF");
    EXPECT_FLOAT_EQ(m.Lines[2].Len, 20.0f);
    EXPECT_EQ(m.Lines[3].From.trim(), "E");
    const LineRecord& e = m.Lines[3];
    EXPECT_EQ((std::vector<float>{e.Gr1, e.Gr2, e.Inv1, e.Inv2, e.slope}),
              (std::vector<float>{1000, 16, -0.75f, 5000, -0.005f}));
}

TEST(TextImport, BadFilesChangeNothing) {
    std::string tooWide = "A B 1 2 3 4 5 6 7 8 9 10\n";
    std::string tooLong, tooLongCr;
    for (int i = 0; i < kMaxLineUpper + 1; ++i) tooLong += "A B 1\n";
    for (int i = 0; i < kMaxLineUpper + 1; ++i) tooLongCr += "A B 1\r";
    const struct {
        std::string bytes;
        std::string says;
    } cases[] = {
        {"", "empty"},
        {std::string("A B\0\x01\x02", 6), "binary"},
        {tooWide, "Row 1 has more than 11 values"},
        {tooLong, "The file has 32001 lines; the line table holds at most 32000."},
        {std::string(20000000, '\n'), "20000000 lines"},  // refused before any row is held
        {tooLongCr, "The file has 32001 lines"},
        {"A\x7F" "B C 1\n", "Row 1: the From value holds a control character (byte 0x7F), which no name may hold."},
        {"A B 1\nC D\x0C 2\n", "Row 2: the To value holds a control character (byte 0x0C)"},
        // A table separated by ";" gives one long From name per row.
        {"MH1;MH2;35.5\nMH2;MH3;20\n", "No row of the file holds a number in a ticked number column. The import "
                                         "reads values separated by blanks, tabs, commas or the bar character"},
        {"MH1 MH2 abc\nMH2 MH3 -\n", "No row of the file holds a number"},
        // A number column's value is one number or the table is refused: read
        // by its leading number "12abc" would come in as 12.
        {"MH1 MH2 12abc\nA B 1\n", "Row 1: the length value \"12abc\" is not a number. Write one number, with a point"},
        {"A B 1\nC D 2 1.2.3\n", "Row 2: the Gr.El.From value \"1.2.3\" is not a number."},
        {"A B 1.5 m\n", "Row 1: the Gr.El.From value \"m\" is not a number."},
        {"A B 1 &H 3\n", "Row 1: the Gr.El.From value \"&H\" is not a number."},
        {"A B 5 " + std::string(100, '7') + "x\n", "Row 1: the Gr.El.From value \"" + std::string(40, '7') + "...\" is not"},
        {"A B 1E39\n", "Row 1: the length value \"1E39\" is a number too large for its field."},
        {"A B 1 2 3 -1e39\n", "Row 1: the Inv.El.From value \"-1e39\" is a number too large for its field."},
        {"A B 1 2 3 4 5 6 1e300\n", "Row 1: the Slope value \"1e300\" is a number too large for its field."},
        {"A B 1 2 3 4 5 1E400\n", "Row 1: the Gslope value \"1E400\" is a number too large to hold."},
        {"A B " + std::string(400, '9') + "\n",
         "Row 1: the length value \"" + std::string(40, '9') + "...\" is a number too large to hold."},
        {"A B 1 2 3 4 5 6 7 &H1FFFFFFFF\n", "Row 1: the Dia value \"&H1FFFFFFFF\" is a number too large to hold."},
    };
    for (const auto& c : cases) {
        Model m;
        test::NetBuilder net(m);
        net.line("KEEP", "ME").len(12);
        net.line("KEEP2", "ME");
        m.LatCount = 2;
        Outcome r = ImportTextTable(m, c.bytes, DefaultTicks(), 2);
        EXPECT_FALSE(r.ok()) << c.bytes.substr(0, 60);
        EXPECT_NE(r.message().find(c.says), std::string::npos) << r.message();
        EXPECT_NE(r.message().find("Nothing was imported"), std::string::npos);
        EXPECT_EQ(m.LineCount, 2);
        EXPECT_EQ(m.LatCount, 2);
        EXPECT_EQ(m.Lines[1].From.trim(), "KEEP");
    }
}

}  // namespace
}  // namespace vd
