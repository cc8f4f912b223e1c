#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <bit>
#include <charconv>
#include <cerrno>
#include <cmath>
#include <cstring>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <limits>
#include <random>
#include <sstream>
#include <string>

#include "engine/atomic_save.h"
#include "engine/network_file.h"
#include "engine/number_text.h"
#include "net_builder.h"
#include "alloc_meter.h"
#include "recording_ui.h"
#include "temp_dir.h"

namespace vd {
namespace {

namespace fs = std::filesystem;

using test::ReadBytes;
using test::WriteBytes;

int CountOf(const std::string& hay, const std::string& needle) {
    int n = 0;
    for (std::size_t p = hay.find(needle); p != std::string::npos; p = hay.find(needle, p + 1)) ++n;
    return n;
}

class NetworkFile : public ::testing::Test {
protected:
    void SetUp() override {
        dir = tmp.path();
        folder = tmp.folder();
        m.SetUi(&ui);
    }
    // Reads bytes as project "net" of the test folder.
    Outcome Load(const std::string& bytes) {
        WriteBytes(dir / "net.asb", bytes);
        m.ProjectFolder = folder;
        m.ProjectName = "net";
        return LoadNetworkText(m, folder + "net.asb");
    }
    // Reads a saved file of the test folder into a fresh model.
    Model ReadBack(const std::string& name, Outcome* result = nullptr) {
        Model back;
        back.SetUi(&ui);
        back.ProjectFolder = folder;
        back.ProjectName = name;
        Outcome r = LoadNetworkText(back, folder + name + ".asb");
        if (result) *result = r;
        return back;
    }
    void MakeWorkedLine() {
        test::NetBuilder(m).line("MH1", "MH2").len(50).gr(100.5f, 100.25f).inv(98, 97.75f).slope(0.005f)
            .dia(300).lat("01").mhType("T2");
    }

    test::TempDir tmp{"vd_netfile"};
    fs::path dir;
    std::string folder;
    test::RecordingUi ui;
    Model m;
};

TEST_F(NetworkFile, WorkedRowByteForByte) {
    MakeWorkedLine();
    ASSERT_TRUE(SaveNetworkText(m, "net.asb", folder));
    std::string want = "L,MH1" + std::string(22, ' ') + ",MH2" + std::string(22, ' ') + ",  " +
                       " 50 ," + std::string(9, ' ') + " 100.5 ," + std::string(6, ' ') + " 100.25 ," +
                       std::string(5, ' ') + " 98 ," + std::string(9, ' ') + " 97.75 ," + std::string(6, ' ') +
                       " 0.005 ," + std::string(6, ' ') + " 300 ," + std::string(8, ' ') + "01" +
                       std::string(38, ' ') + ", " + "T2" + std::string(28, ' ');
    ASSERT_EQ(want.size(), 226u);
    EXPECT_EQ(ReadBytes(dir / "net.asb"), want + "\r\nEND\r\n");
    EXPECT_TRUE(ui.boxes.empty());
}

TEST_F(NetworkFile, CommaJustBeforeAZoneStartMovesToTheFollowingZone) {
    MakeWorkedLine();
    m.Lines[1].Len = -1.23456e8f;  // "-1.23456E+08 " fills columns 57 to 69, comma at 70
    ASSERT_TRUE(SaveNetworkText(m, "net.asb", folder));
    std::string row = ReadBytes(dir / "net.asb");
    EXPECT_EQ(row.substr(56, 15), "-1.23456E+08 , ");
    EXPECT_EQ(row.substr(84, 8), " 100.5 ,");
}

TEST_F(NetworkFile, RoundTripRestoresTheTablesAndRewritesTheSameBytes) {
    test::NetBuilder net(m);
    MakeWorkedLine();
    net.line("MH2", "MH3").len(12.5f).gr(100.25f, 99).inv(97.7f, 96.1f).slope(0.0123f).dia(400).lat("01")
        .mhType("T13");
    net.line("\"Q", "\"\"R\"").len(2).lat("\"").mhType("\"T\" 4");
    net.line("A,7", "MH \"2\"").len(0.001f).gr(-3.5f, 1e9f).inv(0, -0.25f).slope(1e-5f).dia(150).lat("01, east")
        .mhType("T9");
    ASSERT_TRUE(SaveNetworkText(m, "first.asb", folder));

    Outcome r;
    Model back = ReadBack("first", &r);
    ASSERT_TRUE(r.ok());
    ASSERT_EQ(back.LineCount, 4);
    for (int i = 1; i <= 4; ++i) {
        const LineRecord &a = m.Lines[i], &b = back.Lines[i];
        EXPECT_TRUE(a.From == b.From && a.to == b.to && a.Latral == b.Latral && a.MhType == b.MhType) << i;
        EXPECT_TRUE(a.Len == b.Len && a.Gr1 == b.Gr1 && a.Gr2 == b.Gr2 && a.Inv1 == b.Inv1 && a.Inv2 == b.Inv2 &&
                    a.slope == b.slope && a.Dia == b.Dia) << i;
    }
    // The read left its backup, which is the same file again.
    EXPECT_EQ(ReadBytes(dir / "first.bak"), ReadBytes(dir / "first.asb"));
}

// Every finite single-precision value the writers save, the readers read back
// as the same value: the extremes of the range by table, then random bit
// patterns, in all seven numbers of a row and the four plan coordinates.
TEST_F(NetworkFile, EveryFiniteValueReadsBackAsSaved) {
    constexpr float kMax = std::numeric_limits<float>::max();
    constexpr float kTiny = std::numeric_limits<float>::denorm_min();
    std::vector<float> values = {kMax, 0.1f, -kMax, std::nextafter(kMax, 0.0f), std::numeric_limits<float>::min(), kTiny,
                                 -kTiny, 1234567.25f, 16777215.0f, -1e-38f, 3.0e-39f, 1.0000001f, 99999.99f,
                                 4100234.61f, 123456789.0f};
    std::uint32_t bits = 12345;
    while (values.size() < 15 * 40) {
        bits = bits * 1664525u + 1013904223u;
        float v;
        std::memcpy(&v, &bits, sizeof v);
        if (std::isfinite(v)) values.push_back(v);
    }
    test::NetBuilder net(m);
    // Where the writer's whole-number way hands over to the general one (2^-13,
    // 2^23, powers of two), where a rounding carries into the next decade, and
    // where seven, eight or nine digits are the shortest: all in number columns.
    const float edges[] = {0.00012207031f, 0.00012207032f, 0.0001220703f, 8388607.5f,  8388608.0f, 8388609.0f,
                           9.9999995f,     999999.94f,     0.099999994f,  1234567.5f,  -0.0f,      0.0001f,
                           6.1035156e-05f, 2.5e-3f,        0.5f,          1.0000001f,  7654321.5f, 0.00099999993f,
                           99.999992f,     -1.00000012f,   3e-4f,         0.01f,       -0.001f};
    for (std::size_t k = 0; k < std::size(edges); k += 7) {
        auto edge = [&](std::size_t i) { return edges[(k + i) % std::size(edges)]; };
        auto l = net.line("E" + std::to_string(k), "B");
        l.len(edge(0)).gr(edge(1), edge(2)).inv(edge(3), edge(4)).slope(edge(5)).dia(edge(6));
    }
    std::size_t next = 0;
    auto take = [&] { return values[next++ % values.size()]; };
    while (next < values.size()) {
        auto l = net.line("A" + std::to_string(m.LineCount), "B");
        l.len(take()).gr(take(), take()).inv(take(), take()).slope(take()).dia(take());
        l.xy(take(), take(), take(), take());
    }
    ASSERT_TRUE(SaveProject(m, "wide", folder));
    Outcome r;
    Model back = ReadBack("wide", &r);
    ASSERT_TRUE(r.ok()) << r.message();
    ASSERT_EQ(back.LineCount, m.LineCount);
    for (int i = 1; i <= m.LineCount; ++i) {
        const LineRecord &a = m.Lines[i], &b = back.Lines[i];
        const float sent[] = {a.Len, a.Gr1, a.Gr2, a.Inv1, a.Inv2, a.slope, a.Dia, a.X1, a.Y1, a.X2, a.Y2};
        const float got[] = {b.Len, b.Gr1, b.Gr2, b.Inv1, b.Inv2, b.slope, b.Dia, b.X1, b.Y1, b.X2, b.Y2};
        for (int k = 0; k < 11; ++k) ASSERT_EQ(got[k], sent[k]) << "line " << i << " field " << k;
    }
    // Values seven digits hold keep their print form; the others are written
    // with the fewest digits that read back.
    EXPECT_NE(ReadBytes(dir / "wide.asb").find(" 0.1 ,"), std::string::npos);
    EXPECT_TRUE(ui.boxes.empty());
    auto expected = [](float v) {
        std::string t = FloatText(v);
        float read = 0;
        if (std::from_chars(t.data(), t.data() + t.size(), read).ec == std::errc() && read == v) return t;
        char buf[32];
        t.assign(buf, std::to_chars(buf, buf + sizeof buf, v, std::chars_format::general).ptr);
        for (char& c : t) c = c == 'e' ? 'E' : c;
        return t;
    };
    std::istringstream rows(ReadBytes(dir / "wide.asb"));
    std::string row;
    for (int i = 1; i <= m.LineCount && std::getline(rows, row); ++i) {
        const LineRecord& a = m.Lines[i];
        const float sent[] = {a.Len, a.Gr1, a.Gr2, a.Inv1, a.Inv2, a.slope, a.Dia};
        std::istringstream fields(row);
        std::string field;
        for (int k = -3; k < 7 && std::getline(fields, field, ','); ++k) {
            if (k >= 0) {
                ASSERT_EQ(Trim(field), expected(sent[k])) << "line " << i << " field " << k;
            }
        }
    }
}

TEST_F(NetworkFile, LateralOrderWritesEachLateralFromItsHead) {
    test::NetBuilder net(m);
    net.line("A", "B").lat("01");   // 1
    net.line("B", "C").lat("01");   // 2
    net.line("D", "B").lat("0101"); // 3, a branch into B
    // Lateral 1 is 3 alone, lateral 2 runs 1 -> 2.
    m.Links[1].NextLine = 2;
    m.Links[2].UpLine = 1;
    m.Links[3].NextLine = 2;
    m.CreateLatTable(2);
    m.LatTable[1][LatFirst] = 3;
    m.LatTable[1][LatLast] = 3;
    m.LatTable[2][LatFirst] = 1;
    m.LatTable[2][LatLast] = 2;
    m.LatCount = 2;
    ASSERT_TRUE(SaveNetworkText(m, "net.asb", folder));

    Model back = ReadBack("net");
    ASSERT_EQ(back.LineCount, 3);
    EXPECT_EQ(back.Lines[1].From.trim(), "D");
    EXPECT_EQ(back.Lines[2].From.trim(), "A");
    EXPECT_EQ(back.Lines[3].From.trim(), "B");
    EXPECT_EQ(back.LatCount, 0);
}

TEST_F(NetworkFile, EveryLineWrittenOnceWhateverTheLateralTableSays) {
    test::NetBuilder net(m);
    for (int i = 1; i <= 6; ++i) net.line("N" + std::to_string(i), "X");
    // 1 -> 2, and a cycle 4 -> 5 -> 4 that no LatLast ends.
    m.Links[1].NextLine = 2;
    m.Links[2].UpLine = 1;
    m.Links[4].NextLine = 5;
    m.Links[5].UpLine = 4;
    m.Links[5].NextLine = 4;
    m.Links[4].UpLine = 5;
    m.CreateLatTable(3);
    m.LatTable[1] = {0, 1, 2, 0, 0, 0, 0, 0};
    m.LatTable[2] = {0, 4, 0, 0, 0, 0, 0, 0};  // walk never meets its LatLast
    m.LatTable[3] = {0, 1, 2, 0, 0, 0, 0, 0};  // same lateral again
    m.LatCount = 5;                            // beyond the rows the table has

    ASSERT_TRUE(SaveNetworkText(m, "net.asb", folder));
    std::string file = ReadBytes(dir / "net.asb");
    for (int i = 1; i <= 6; ++i) EXPECT_EQ(CountOf(file, "L,N" + std::to_string(i) + " "), 1) << i;
    EXPECT_EQ(CountOf(file, "\r\n"), 7);
    EXPECT_LT(file.find("L,N2 "), file.find("L,N4 "));
    EXPECT_LT(file.find("L,N5 "), file.find("L,N3 "));
    EXPECT_FALSE(ui.logs.empty());  // the walk that came round again
}

TEST_F(NetworkFile, UnassignedTextsAreFilledAndNoNulIsWritten) {
    m.LineCount = 2;
    m.Lines[2].From = "P";
    m.Lines[2].Latral = std::string("a\nb");
    for (int lateralOrder = 0; lateralOrder < 2; ++lateralOrder) {
        if (lateralOrder) {
            m.Lines[1] = LineRecord{};
            m.CreateLatTable(2);
            m.LatTable[1][LatFirst] = 2;
            m.LatTable[1][LatLast] = 2;
            m.LatCount = 2;
        }
        ASSERT_TRUE(SaveNetworkText(m, "net.asb", folder));
        std::string file = ReadBytes(dir / "net.asb");
        EXPECT_EQ(file.find('\0'), std::string::npos);
        EXPECT_EQ(CountOf(file, "\r\n"), 3);
        EXPECT_EQ(CountOf(file, "\n"), 3);
        EXPECT_EQ(m.Lines[1].to.rtrim(), "0");
        EXPECT_EQ(m.Lines[1].Latral.rtrim(), " 0");
        EXPECT_EQ(m.Lines[1].MhType.rtrim(), " 0");
        EXPECT_TRUE(m.Lines[1].From.unassigned());
        EXPECT_NE(file.find("L," + std::string(25, ' ') + ",0 "), std::string::npos);
    }
}

const std::string kRowA = "L,A,B, 10 , 5 , 4 , 3 , 2 , 0.1 , 300 ,01,T2";
const std::string kRowC = "L,C,D, 20 , 6 , 5 , 4 , 3 , 0.2 , 400 ,02,T3";

TEST_F(NetworkFile, ReaderCases) {
    struct Case {
        const char* name;
        std::string bytes;
        int lines;
        bool ok;
        std::string box;     // "": no box
        std::string logged;  // "": not looked at; else the last line logged
    };
    const std::string net = folder + "net.asb";
    // A name holding a control character refuses the file, naming the row and the field.
    auto control = [&](int row, const char* field, int number, int code) {
        return "Row " + std::to_string(row) + " of " + net + ": " + field + " (field " + std::to_string(number) +
               ") holds a control character (code " + std::to_string(code) +
               "), which no name may hold. The file was not opened.";
    };
    const Case cases[] = {
        {"no END row", kRowA + "\r\n" + kRowC + "\r\n", 2, true, "", ""},
        {"lower-case tags", "l" + kRowA.substr(1) + "\r\nend\r\n" + kRowC + "\r\n", 1, true, "", ""},
        {"LF only, last row unended", kRowA + "\n" + kRowC, 2, true, "", ""},
        {"short row at the end", kRowA + "\r\nL,C,D, 20", 2, true, "", ""},
        {"short row mid-file", "L,C,D, 20\r\n" + kRowA + "\r\nEND\r\n", 2, true, "", ""},
        {"blank rows after the lines", kRowA + "\r\n\r\n\r\n", 1, true, "", ""},
        {"unknown row with no lines after it", kRowA + "\r\nremark\r\n", 1, true, "", ""},
        {"blank row before more lines", kRowA + "\r\n\r\n" + kRowC + "\r\nEND\r\n", 1, false, "", ""},
        {"NUL row before more lines", kRowA + "\r\n" + std::string("\0\0x", 3) + "\r\n" + kRowC + "\r\n", 1, false,
         "", ""},
        {"number field not a number", kRowA + "\r\nL,C,D, 2x0\r\n", 1, false, " Error in file open",
         "Row 2 of " + net + " holds a field that is not a number"},
        {"number too large, plain", kRowA + "\r\nL,C,D, 1" + std::string(39, '0') + "\r\n", 1, false,
         " Error in file open", "Row 2 of " + net + ": field 4 (Len) \"1" + std::string(39, '0') + "\" is a number too large for its field"},
        {"number just too large for a single", kRowA + "\r\nL,C,D, 1, 2, 3, 4, 5, 0.1, 3.4028236e38 ,01\r\n", 1, false,
         " Error in file open", "Row 2 of " + net + ": field 10 (Dia) \"3.4028236e38\" is a number too large for its field"},
        {"number too large, negative", "L,C,D, 1, 2, 3, -1E39\r\n", 0, false, " Error in file open",
         "Row 1 of " + net + ": field 7 (Inv1) \"-1E39\" is a number too large for its field"},
        {"number too large for a single, not for a double", "L,C,D, 1e300\r\n", 0, false, " Error in file open",
         "Row 1 of " + net + ": field 4 (Len) \"1e300\" is a number too large for its field"},
        {"the largest single", "L,C,D, 3.4028235E+38\r\n", 1, true, "", ""},
        {"binary", std::string("L,A,B\0\x01\x02", 8) + "\r\n", 0, false, control(1, "the To name", 3, 0), ""},
        {"binary in a number", std::string("L,A,B, 1\x01") + "\r\n", 0, false, " Error in file open",
         net + " is not a network text file"},
        {"form feed in a From name", "L,MH\f1,B, 10\r\nEND\r\n", 0, false, control(1, "the From name", 2, 12), ""},
        {"DEL in a To name", kRowA + "\r\nL,C,D\x7F, 20\r\n", 1, false, control(2, "the To name", 3, 127), ""},
        {"tab in a quoted lateral name", "L,A,B, 1, 2, 3, 4, 5, 0.1, 300 ,\"0\t1\",T2\r\n", 0, false,
         control(1, "the lateral name", 11, 9), ""},
        {"tab after a manhole type", kRowA + "\t\r\n", 0, false, control(1, "the manhole type", 12, 9), ""},
        {"NUL among a name's letters", std::string("L,M\0" "1,B\r\n", 9), 0, false, control(1, "the From name", 2, 0),
         ""},
        {"binary byte in a lateral name", kRowA.substr(0, kRowA.size() - 5) + "\x01" + "1,T2\r\n", 0, false,
         control(1, "the lateral name", 11, 1), ""},
        {"tabs before fields", "L,\tA,\t B,\t 10\r\n", 1, true, "", ""},
        {"Latin-1 letters from 0x80 up", "L,M\xFC" "1,\x80\xFF, 10 , 1 , 1 , 1 , 1 , 0 , 0 ,\xC9,T\xE9\r\n", 1, true, "",
         ""},
        {"end-of-file mark right after the last field", kRowA + "\x1A\x1A", 1, true, "", ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        m = Model();
        ui.clear();
        m.SetUi(&ui);
        m.Lines[2].Gr1 = 99;  // a field a short row does not reach
        fs::remove(dir / "net.bak");
        Outcome r = Load(c.bytes);
        EXPECT_EQ(m.LineCount, c.lines);
        EXPECT_EQ(r.ok(), c.ok);
        EXPECT_EQ(fs::exists(dir / "net.bak"), c.ok);
        if (!c.box.empty()) {
            ASSERT_EQ(ui.boxes.size(), 1u);
            EXPECT_EQ(ui.boxes[0], c.box);
            EXPECT_EQ(r.message(), c.box);
        } else if (!c.ok) {
            ASSERT_EQ(ui.boxes.size(), 1u);
            EXPECT_NE(ui.boxes[0].find("row 2"), std::string::npos) << ui.boxes[0];
            EXPECT_EQ(ui.boxes[0].find('\0'), std::string::npos);
            ASSERT_FALSE(ui.logs.empty());
        } else {
            EXPECT_TRUE(ui.boxes.empty());
        }
        if (!c.logged.empty()) {
            ASSERT_FALSE(ui.logs.empty());
            EXPECT_EQ(ui.logs.back(), c.logged);
        }
    }
    // Latin-1 names come back byte for byte, in the backup the read wrote too.
    ASSERT_TRUE(Load("L,M\xFC" "1,\x80\xFF, 10 ,,,,,,,\xC9,T\xE9\r\nEND\r\n").ok());
    EXPECT_EQ(m.Lines[1].From.rtrim(), "M\xFC" "1");
    EXPECT_EQ(m.Lines[1].to.rtrim(), "\x80\xFF");
    EXPECT_EQ(m.Lines[1].Latral.rtrim(), "\xC9");
    EXPECT_EQ(m.Lines[1].MhType.rtrim(), "T\xE9");
    EXPECT_EQ(ReadBytes(dir / "net.bak").rfind("L,M\xFC" "1" + std::string(22, ' ') + ",\x80\xFF" + std::string(23, ' ') + ",", 0), 0u);
}

// Number fields read as their correctly rounded single-precision value, as a
// plain reading of the text gives it: plain decimals of every length, texts
// lying next to or exactly between two neighbouring values, and exponents.
TEST_F(NetworkFile, NumberFieldsReadAsTheNearestValue) {
    std::vector<std::string> texts = {"16777217", "16777219", "-33554434", "0", "-0", "-0.000", ".5", "5.", "0.1",
                                      "1234567890123456789", "12345678901234567890", "9007199254740993",
                                      "0.0000000000000000000001", "0.00000000000000000000001",
                                      "0.000000000000000000000000000000000000011754942", "3.4028235E+38", "1e-50",
                                      "1.5D2", "12.5 \t", "0." + std::string(49, '0') + "1", "-1E-50",
                                      "-0." + std::string(60, '0') + "7"};
    std::mt19937_64 rng(20);
    char buf[64];
    while (texts.size() < 7 * 300) {
        std::uint32_t bits = static_cast<std::uint32_t>(rng()) & 0x7F7FFFFF;
        float v;
        std::memcpy(&v, &bits, sizeof v);
        // Halfway to the next value, and the plain digits of a value.
        const double half = (static_cast<double>(v) + std::nextafter(v, std::numeric_limits<float>::infinity())) / 2;
        std::snprintf(buf, sizeof buf, "%.*g", 9 + static_cast<int>(rng() % 12), half);
        texts.emplace_back(buf);
        std::snprintf(buf, sizeof buf, "%.*f", static_cast<int>(rng() % 10), std::ldexp(v, -100 + int(rng() % 100)));
        texts.emplace_back(buf);
    }
    texts.resize(7 * 300);
    std::string bytes;
    for (std::size_t k = 0; k < texts.size(); k += 7) {
        bytes += "L,A" + std::to_string(k) + ",B";
        for (std::size_t f = k; f < k + 7; ++f) bytes += "," + texts[f];
        bytes += ",01,T\r\n";
    }
    ASSERT_TRUE(Load(bytes + "END\r\n").ok());
    ASSERT_EQ(m.LineCount, static_cast<int>(texts.size() / 7));
    for (std::size_t k = 0; k < texts.size(); ++k) {
        std::string t = texts[k];
        t.erase(t.find_last_not_of(" \t") + 1);
        std::replace(t.begin(), t.end(), 'D', 'e');
        float expected = 0;
        if (std::from_chars(t.data(), t.data() + t.size(), expected).ec == std::errc::result_out_of_range)
            expected = t[0] == '-' ? -0.0f : 0.0f;  // too small for a single, plain or with an exponent
        const LineRecord& l = m.Lines[static_cast<int>(k / 7) + 1];
        const float got[] = {l.Len, l.Gr1, l.Gr2, l.Inv1, l.Inv2, l.slope, l.Dia};
        ASSERT_EQ(std::bit_cast<std::uint32_t>(got[k % 7]), std::bit_cast<std::uint32_t>(expected)) << texts[k];
    }
}

// A file the writer did not finish still opens as far as it goes, and the
// log names the row where it may have been cut.
TEST_F(NetworkFile, AFileThatMayBeCutShortOpensAndSaysSo) {
    struct Case {
        const char* name;
        std::string bytes;
        int lines;
        const char* logged;  // nullptr: no such line
    } cases[] = {
        {"complete", kRowA + "\r\n" + kRowC + "\r\nEND\r\n", 2, nullptr},
        {"END without a line end", kRowA + "\r\nEND", 1, nullptr},
        {"short row, END after it", "L,C,D, 20\r\n" + kRowA + "\r\nEND\r\n", 2, nullptr},
        {"no END row", kRowA + "\r\n" + kRowC + "\r\n", 2, "net.asb has no \"END\" row after row 2: the file may be cut short"},
        {"cut in the last field", kRowA + "\r\n" + kRowC.substr(0, kRowC.size() - 1), 2,
         "net.asb has no \"END\" row after row 2, which has no line end: the file may be cut short"},
        {"cut in a number", kRowA + "\r\nL,C,D, 20 , 6", 2,
         "net.asb holds 5 of its 12 fields: the file may be cut short"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        m = Model();
        ui.clear();
        m.SetUi(&ui);
        Outcome r = Load(c.bytes);
        EXPECT_TRUE(r.ok());
        EXPECT_EQ(m.LineCount, c.lines);
        EXPECT_TRUE(ui.boxes.empty());
        bool said = false;
        for (const std::string& line : ui.logs) said = said || line.find("cut short") != std::string::npos;
        EXPECT_EQ(said, c.logged != nullptr);
        if (c.logged) {
            ASSERT_FALSE(ui.logs.empty());
            const std::string& last = ui.logs.back();
            EXPECT_EQ(last.substr(last.size() - std::string(c.logged).size()), c.logged) << last;
            if (std::string(c.name) == "cut in a number") {
                EXPECT_EQ(last.rfind("Row 2 of ", 0), 0u) << last;
            }
        }
    }
}

// Linking tells " A" from "A", so a save and reopen must keep leading blanks.
TEST_F(NetworkFile, NamesBeginningWithBlanksKeepThem) {
    test::NetBuilder net(m);
    net.line(" A", "  B").lat(" 01").mhType(" T2");
    net.line("\tC", "D\x7F").lat("01");
    net.line("E", " 0");
    m.LineCount = 4;  // line 4 never assigned: its fillers go out as always
    ASSERT_TRUE(SaveNetworkText(m, "net.asb", folder));
    const std::string file = ReadBytes(dir / "net.asb");
    EXPECT_NE(file.find("L,\" A"), std::string::npos);
    EXPECT_EQ(CountOf(file, "\" 0 "), 1) << "only the name \" 0\" of line 3 is quoted";

    Model back = ReadBack("net");
    ASSERT_EQ(back.LineCount, 4);
    EXPECT_EQ(back.Lines[1].From.rtrim(), " A");
    EXPECT_EQ(back.Lines[1].to.rtrim(), "  B");
    EXPECT_EQ(back.Lines[1].Latral.rtrim(), " 01");
    EXPECT_EQ(back.Lines[1].MhType.rtrim(), " T2");
    EXPECT_EQ(back.Lines[2].From.rtrim(), " C");  // a control character goes out as a blank
    EXPECT_EQ(back.Lines[2].to.rtrim(), "D");     // and so does DEL
    EXPECT_EQ(back.Lines[3].to.rtrim(), " 0");
    EXPECT_EQ(back.Lines[4].to.rtrim(), "0");
    EXPECT_EQ(back.Lines[4].Latral.rtrim(), "0");
}

// Exactly one lateral is no lateral order: the lines go out as they stand.
TEST_F(NetworkFile, OneLateralIsWrittenInLineOrder) {
    test::NetBuilder net(m);
    net.line("B", "C").lat("01");  // 1, the lower line
    net.line("A", "B").lat("01");  // 2, the head
    m.Links[2].NextLine = 1;
    m.Links[1].UpLine = 2;
    m.CreateLatTable(1);
    m.LatTable[1][LatFirst] = 2;
    m.LatTable[1][LatLast] = 1;
    m.LatCount = 1;
    ASSERT_TRUE(SaveNetworkText(m, "net.asb", folder));
    const std::string file = ReadBytes(dir / "net.asb");
    EXPECT_LT(file.find("L,B "), file.find("L,A "));
    m.LatCount = 2;  // the same table read as two laterals: head first
    ASSERT_TRUE(SaveNetworkText(m, "net.asb", folder));
    EXPECT_GT(ReadBytes(dir / "net.asb").find("L,B "), ReadBytes(dir / "net.asb").find("L,A "));
}

// Reading holds the file and a few rows' worth of fields, however the rows
// are shaped.
TEST_F(NetworkFile, ReadingTakesMemoryInProportionToTheFile) {
    const std::size_t size = 8u << 20;
    const std::string shapes[] = {
        "L," + std::string(size, ','),          // one row of commas
        std::string(size, '\n'),                // rows without fields
        "L,A,B, 1 ," + std::string(size, 'x'),  // one long name
    };
    for (const std::string& bytes : shapes) {
        WriteBytes(dir / "net.asb", bytes);
        m = Model();
        m.SetUi(&ui);
        m.ProjectFolder = folder;
        m.ProjectName = "net";
        const std::size_t before = test::HeapInUse();
        test::ResetHeapPeak();
        (void)LoadNetworkText(m, folder + "net.asb");
        EXPECT_LT(test::HeapPeak() - before, 3 * size) << bytes.substr(0, 12);
    }
}

TEST_F(NetworkFile, FilesWithNeverAssignedFieldsWrittenAsNulsStillOpen) {
    // Older saves in lateral order wrote an unassigned manhole type as NULs.
    const std::string nuls(30, '\0');
    Outcome r = Load(kRowA + "\r\n" + kRowC.substr(0, kRowC.size() - 2) + nuls + "\r\nEND\r\n");
    ASSERT_TRUE(r.ok());
    ASSERT_EQ(m.LineCount, 2);
    EXPECT_EQ(m.Lines[1].MhType.rtrim(), "T2");
    EXPECT_EQ(m.Lines[2].Latral.rtrim(), "02");
    // Read as never assigned, so the backup written after the read fills it.
    EXPECT_EQ(m.Lines[2].MhType.rtrim(), " 0");
    EXPECT_EQ(ReadBytes(dir / "net.bak").find('\0'), std::string::npos);
}

TEST_F(NetworkFile, ValuesThatAreNoNumberAreWrittenSoTheFileReadsBack) {
    MakeWorkedLine();
    m.Lines[1].Gr1 = std::numeric_limits<float>::infinity();
    m.Lines[1].Inv2 = -std::numeric_limits<float>::infinity();
    m.Lines[1].slope = std::numeric_limits<float>::quiet_NaN();
    ASSERT_TRUE(SaveNetworkText(m, "net.asb", folder));
    Outcome r;
    Model back = ReadBack("net", &r);
    ASSERT_TRUE(r.ok());
    ASSERT_EQ(back.LineCount, 1);
    EXPECT_EQ(back.Lines[1].Gr1, 0.0f);
    EXPECT_EQ(back.Lines[1].Inv2, 0.0f);
    EXPECT_EQ(back.Lines[1].slope, 0.0f);
    EXPECT_EQ(back.Lines[1].Gr2, 100.25f);
    EXPECT_TRUE(ui.boxes.empty());
}

TEST_F(NetworkFile, ShortRowsKeepTheirUnreadFields) {
    m.Lines[1].Gr1 = 99;
    m.Lines[1].Inv1 = 42;
    m.Lines[2].Gr1 = 77;
    m.Lines[3].Len = 33;
    Outcome r = Load("L,C,D, 20,,\r\n" + kRowA + "\r\nL,E, F");
    ASSERT_TRUE(r.ok());
    ASSERT_EQ(m.LineCount, 3);
    EXPECT_EQ(m.Lines[1].Len, 20.0f);
    EXPECT_EQ(m.Lines[1].Gr1, 0.0f);  // present but empty
    EXPECT_EQ(m.Lines[1].Gr2, 0.0f);
    EXPECT_EQ(m.Lines[1].Inv1, 42.0f);  // not in the row
    EXPECT_EQ(m.Lines[2].From.trim(), "A");
    EXPECT_EQ(m.Lines[2].Gr1, 5.0f);
    EXPECT_EQ(m.Lines[3].to.rtrim(), "F");
    EXPECT_EQ(m.Lines[3].Len, 33.0f);
    EXPECT_EQ(m.Lines[3].Latral.rtrim(), " 0");  // filled by the backup written after the read
}

TEST_F(NetworkFile, FieldsAreReadAsStored) {
    std::string longName(60, 'N');
    Outcome r = Load("L ,   " + longName + ",\"B\" , -1.5E+2 , 1D1 ,+.5 ,0, 7. , .005 ,300,  01 ,T2\r\nEND\r\n");
    ASSERT_TRUE(r.ok());
    const LineRecord& l = m.Lines[1];
    EXPECT_EQ(l.From.str(), std::string(25, 'N'));
    EXPECT_EQ(l.to.str(), "B" + std::string(24, ' '));
    EXPECT_EQ(l.Len, -150.0f);
    EXPECT_EQ(l.Gr1, 10.0f);
    EXPECT_EQ(l.Gr2, 0.5f);
    EXPECT_EQ(l.Inv2, 7.0f);
    EXPECT_EQ(l.slope, 0.005f);
    EXPECT_EQ(l.Dia, 300.0f);
    EXPECT_EQ(l.Latral.rtrim(), "01");
}

TEST_F(NetworkFile, MissingAndEmptyFiles) {
    m.LatCount = 3;
    Outcome missing = LoadNetworkText(m, folder + "nothing.asb");
    EXPECT_FALSE(missing.ok());
    EXPECT_EQ(missing.message(), " Error in file open");
    EXPECT_EQ(ui.boxes, std::vector<std::string>{" Error in file open"});
    EXPECT_EQ(m.LatCount, 0);

    ui.clear();
    Outcome empty = Load("");
    EXPECT_TRUE(empty.ok());
    EXPECT_EQ(m.LineCount, 0);
    EXPECT_FALSE(empty.message().empty());
    EXPECT_FALSE(ui.logs.empty());
    EXPECT_TRUE(ui.boxes.empty());
}

// The tables follow the file: they grow past the start-up size with it,
// shrink back to that size for a small network, and are never left larger.
// Beyond the limit the read is refused, counting the lines it would take,
// not the line rows after "END".
TEST_F(NetworkFile, TablesAreSizedToTheFile) {
    const struct {
        int startUpper;        // the tables' last row before the read; 0: as a new model has them
        int lines, afterEnd;   // line rows, then "END" and as many line rows again
        int upper, linkUpper;  // 0: refused as too many lines
    } cases[] = {{0, 2001, 0, 2011, 2021},       {0, 5000, 0, 5010, 5020},       {0, 3, 0, 2000, 2000},
                 {31999, 32000, 5, 32000, 32020}, {31999, 32001, 5, 0, 0}, {0, 32001, 0, 0, 0}};
    for (const auto& c : cases) {
        SCOPED_TRACE(std::to_string(c.startUpper) + " " + std::to_string(c.lines));
        ui.clear();
        if (c.startUpper) m.CreateLineTables(c.startUpper, c.startUpper);
        std::string bytes;
        for (int i = 1; i <= c.lines; ++i) bytes += "L,M" + std::to_string(i) + ",M" + std::to_string(i + 1) + ", 1\r\n";
        bytes += "END\r\n";
        for (int i = 1; i <= c.afterEnd; ++i) bytes += "L,X,Y, 1\r\n";
        Outcome r = Load(bytes);
        if (c.upper == 0) {
            EXPECT_FALSE(r.ok());
            EXPECT_EQ(ui.boxes, std::vector<std::string>{TooManyLinesText(folder + "net.asb", c.lines)});
            EXPECT_LE(m.LineCount, kMaxLineUpper);
            continue;
        }
        EXPECT_TRUE(r.ok()) << c.lines << r.message();
        EXPECT_EQ(m.LineCount, c.lines);
        EXPECT_EQ(m.LineUpper(), c.upper);
        EXPECT_EQ(m.LinkUpper(), c.linkUpper);
        EXPECT_EQ(m.Results.size(), m.Lines.size());
        EXPECT_EQ(m.Lines[c.lines].From.trim(), "M" + std::to_string(c.lines));
        EXPECT_TRUE(ui.boxes.empty());
    }
}

TEST_F(NetworkFile, CoordinatesFile) {
    const std::string three = kRowA + "\r\n" + kRowA + "\r\n" + kRowA + "\r\nEND\r\n";
    // A lower-case tag is stored and then stops the reading.
    WriteBytes(dir / "net.cor", "MHB,1,2,3,4\r\nmhb,5,6,7,8\r\nMHB,9,9,9,9\r\n");
    ASSERT_TRUE(Load(three).ok());
    EXPECT_EQ(m.Lines[1].X1, 1.0f);
    EXPECT_EQ(m.Lines[1].Y2, 4.0f);
    EXPECT_EQ(m.Lines[2].X1, 5.0f);
    EXPECT_EQ(m.Lines[2].Y2, 8.0f);
    EXPECT_EQ(m.Lines[3].X1, 0.0f);
    // With rows left unread, the stop is said: the next save writes zeros.
    const std::string stop = "Row 2 of " + folder + "net.cor has the tag \"mhb\" where \"MHB\" belongs; the coordinates "
                             "stop there and 1 line has none.";
    EXPECT_EQ(ui.boxes, std::vector<std::string>{stop});
    EXPECT_NE(std::find(ui.logs.begin(), ui.logs.end(), stop), ui.logs.end());
    // So is a blank row with rows after it.
    m = Model();
    m.SetUi(&ui);
    ui.clear();
    WriteBytes(dir / "net.cor", "MHB,1,2,3,4\r\n \r\nMHB,9,9,9,9\r\n");
    ASSERT_TRUE(Load(three).ok());
    EXPECT_EQ(ui.boxes, std::vector<std::string>{"Row 2 of " + folder +
                                                 "net.cor is blank; the coordinates stop there and 2 lines have none."});

    // Fewer rows than lines fill the first lines only; nothing unread, nothing said.
    for (const char* cor : {"MHB, 1.5 , 2 , 3 , 4\n", "MHB, 1.5 , 2 , 3 , 4\nMHb,1,1,1,1\n\n  \n"}) {
        m = Model();
        m.SetUi(&ui);
        ui.clear();
        WriteBytes(dir / "net.cor", cor);
        ASSERT_TRUE(Load(three).ok());
        EXPECT_EQ(m.Lines[1].X1, 1.5f);
        EXPECT_EQ(m.Lines[3].X1, 0.0f);
        EXPECT_TRUE(ui.boxes.empty());
    }

    // A row with too few fields fails the read.
    ui.clear();
    fs::remove(dir / "net.bak");
    WriteBytes(dir / "net.cor", "MHB,1,2\r\n");
    Outcome r = Load(three);
    EXPECT_FALSE(r.ok());
    EXPECT_EQ(ui.boxes, std::vector<std::string>{" Error in file open"});
    EXPECT_FALSE(fs::exists(dir / "net.bak"));

    // A coordinate too large for a single value is said to be that.
    ui.clear();
    WriteBytes(dir / "net.cor", "MHB,1,2,3,4\r\nMHB,1,2, 3.4028236e38 ,4\r\n");
    EXPECT_FALSE(Load(three).ok());
    EXPECT_EQ(ui.boxes, std::vector<std::string>{" Error in file open"});
    ASSERT_FALSE(ui.logs.empty());
    EXPECT_EQ(ui.logs.back(), "The coordinates file could not be read: Row 2 of " + folder +
                                  "net.cor: field 4 (X2) \"3.4028236e38\" is a number too large for its field.");
    EXPECT_FALSE(fs::exists(dir / "net.bak"));
}

TEST_F(NetworkFile, CoordinatesAreWrittenInTheNetworkFilesRowOrder) {
    test::NetBuilder net(m);
    net.line("A", "B").lat("01");
    net.line("B", "C").lat("01");
    net.line("D", "B").lat("0101");
    // Beyond seven digits, as plan coordinates in metres often are.
    const float xy[4][4] = {{}, {512345.67f, 1.25f, -3, 4}, {5, 6, 7, 8}, {9.1f, 9.2f, 9.3f, 9.4f}};
    for (int i = 1; i <= 3; ++i) {
        m.Lines[i].X1 = xy[i][0];
        m.Lines[i].Y1 = xy[i][1];
        m.Lines[i].X2 = xy[i][2];
        m.Lines[i].Y2 = xy[i][3];
    }
    m.Links[1].NextLine = 2;
    m.Links[2].UpLine = 1;
    m.Links[3].NextLine = 2;
    m.CreateLatTable(2);
    m.LatTable[1][LatFirst] = m.LatTable[1][LatLast] = 3;
    m.LatTable[2][LatFirst] = 1;
    m.LatTable[2][LatLast] = 2;
    m.LatCount = 2;
    EXPECT_TRUE(HasCoordinates(m));
    ASSERT_TRUE(SaveNetworkText(m, "net.asb", folder));
    ASSERT_TRUE(SaveCoordinatesText(m, "net.cor", folder));

    Model back = ReadBack("net");
    ASSERT_EQ(back.LineCount, 3);
    const int was[] = {0, 3, 1, 2};  // D first, then A and B
    for (int i = 1; i <= 3; ++i) {
        const LineRecord& l = back.Lines[i];
        EXPECT_EQ(l.From, m.Lines[was[i]].From);
        EXPECT_EQ((std::array<float, 4>{l.X1, l.Y1, l.X2, l.Y2}),
                  (std::array<float, 4>{xy[was[i]][0], xy[was[i]][1], xy[was[i]][2], xy[was[i]][3]}))
            << "row " << i;
    }

    Model none;
    test::NetBuilder(none).line("A", "B");
    EXPECT_FALSE(HasCoordinates(none));
}

// A project saved without plan coordinates must not reopen with the
// coordinates of the network saved there before.
TEST_F(NetworkFile, SaveWithoutCoordinatesMovesAnOlderCoordinatesFileAside) {
    MakeWorkedLine();
    m.Lines[1].X1 = 7;
    ASSERT_TRUE(SaveProject(m, "net", folder).ok());
    ASSERT_TRUE(fs::exists(dir / "net.cor"));
    const std::string cor = ReadBytes(dir / "net.cor");

    m.Lines[1].X1 = 0;
    ASSERT_TRUE(SaveProject(m, "net", folder).ok());
    EXPECT_FALSE(fs::exists(dir / "net.cor"));
    EXPECT_EQ(ReadBytes(dir / "net.cor.bak"), cor);
    EXPECT_NE(ui.logs.back().find("net.cor.bak"), std::string::npos);
    Model back = ReadBack("net");
    EXPECT_EQ(back.Lines[1].X1, 0.0f);

    Outcome failed = SaveProject(m, "net", folder + "no/such/");
    EXPECT_FALSE(failed.ok());
    EXPECT_EQ(failed.message(), "Not saved: " + folder + "no/such/net.asb");
}

TEST_F(NetworkFile, BackupGoesBesideTheFileWithoutAProjectFolder) {
    fs::create_directory(dir / "sub");
    WriteBytes(dir / "sub" / "plan.asb", kRowA + "\r\nEND\r\n");
    m.ProjectFolder.clear();
    m.ProjectName = "plan";
    ASSERT_TRUE(LoadNetworkText(m, (dir / "sub" / "plan.asb").string()).ok());
    EXPECT_TRUE(fs::exists(dir / "sub" / "plan.bak"));
}

TEST_F(NetworkFile, FailedSaveKeepsTheOldFileAndSaysWhy) {
    MakeWorkedLine();
    WriteBytes(dir / "net.asb", "old contents");

    EXPECT_FALSE(SaveNetworkText(m, "net.asb", folder + "no/such/"));
    EXPECT_EQ(ui.boxes, std::vector<std::string>{"Error # = 76"});

    // A folder standing where the file should go cannot be replaced.
    fs::create_directory(dir / "taken.asb");
    ui.clear();
    EXPECT_FALSE(SaveNetworkText(m, "taken.asb", folder));
    EXPECT_EQ(ui.boxes, std::vector<std::string>{" Can not save backup on drive"});
    EXPECT_TRUE(fs::is_directory(dir / "taken.asb"));
    fs::remove(dir / "taken.asb");

    // A folder the user may not write to, whoever runs the test.
    ScopedSaveFault denied([](SaveStep s) { return s == SaveStep::Create ? EACCES : 0; });
    ui.clear();
    EXPECT_FALSE(SaveNetworkText(m, "net.asb", folder));
    EXPECT_EQ(ui.boxes, std::vector<std::string>{" Can not save backup on drive"});
    EXPECT_EQ(ReadBytes(dir / "net.asb"), "old contents");
    EXPECT_EQ(std::distance(fs::directory_iterator(dir), fs::directory_iterator()), 1);
}

}  // namespace
}  // namespace vd
