// Readers of outside data on damaged and random bytes: each call returns (or
// raises the fault its callers catch) and the tables stay in bounds.
#include <gtest/gtest.h>

#include <cmath>
#include <fstream>
#include <sstream>

#include "engine/errors.h"
#include "byte_mutator.h"
#include "recording_ui.h"
#include "temp_dir.h"
#include "engine/cell_text.h"
#include "engine/network_file.h"
#include "engine/number_text.h"

namespace vd {
namespace {

std::string ReadExample(const std::string& name) {
    return test::ReadBytes(std::filesystem::path(VIDODUV_SOURCE_DIR) / "examples" / name);
}

template <std::size_t N>
bool HasNul(const FixedText<N>& t) {
    return !t.unassigned() && t.view().find('\0') != std::string_view::npos;
}

bool TemplateRowBlank(const Model& m) {
    const LineRecord& l = m.Lines[0];
    return l.From.unassigned() && l.to.unassigned() && l.Latral.unassigned() && l.MhType.unassigned() &&
           l.Status.unassigned() && l.SeqText.unassigned() && l.Len == 0 && l.Dia == 0 && l.slope == 0 &&
           l.Gr1 == 0 && l.Gr2 == 0 && l.Inv1 == 0 && l.Inv2 == 0 && l.X1 == 0 && l.Y1 == 0 && l.X2 == 0 &&
           l.Y2 == 0 && l.Level == 0 && m.Links[0].NextLine == 0 && m.Links[0].UpLine == 0;
}

bool NoNul(const std::vector<std::string>& texts) {
    for (const auto& t : texts)
        if (t.find('\0') != std::string::npos) return false;
    return true;
}

// Loads asb (and cor beside it) into a fresh model and checks what it left.
void LoadAndCheck(const test::TempDir& dir, const std::string& asb, const std::string& cor, bool withCor,
                  const std::string& label) {
    test::WriteBytes(dir.path() / "net.asb", asb);
    std::filesystem::remove(dir.path() / "net.cor");
    if (withCor) test::WriteBytes(dir.path() / "net.cor", cor);
    test::RecordingUi ui;
    Model m;
    m.SetUi(&ui);
    m.ProjectFolder = dir.folder();
    m.ProjectName = "net";
    Outcome r = LoadNetworkText(m, (dir.path() / "net.asb").string());
    ASSERT_GE(m.LineCount, 0) << label;
    ASSERT_LE(m.LineCount, std::min(m.LineUpper(), m.LinkUpper())) << label;
    EXPECT_TRUE(r.ok() || !r.message().empty()) << label;
    EXPECT_EQ(m.LatCount, 0) << label;
    EXPECT_TRUE(TemplateRowBlank(m)) << label;
    EXPECT_TRUE(NoNul(ui.logs) && NoNul(ui.boxes)) << label;
    if (asb.find('\0') == std::string::npos) {
        for (int i = 1; i <= m.LineCount; ++i) {
            const LineRecord& l = m.Lines[i];
            ASSERT_FALSE(HasNul(l.From) || HasNul(l.to) || HasNul(l.Latral) || HasNul(l.MhType))
                << label << " line " << i;
            ASSERT_TRUE(std::isfinite(l.Len) && std::isfinite(l.Gr1) && std::isfinite(l.Inv2) &&
                        std::isfinite(l.slope) && std::isfinite(l.Dia))
                << label << " line " << i;
        }
    }
}

TEST(HostileNetworkFile, DamagedSampleAndNoiseNeverCrash) {
    const std::string asb = ReadExample("town.asb");
    const std::string cor = ReadExample("town.cor");
    ASSERT_FALSE(asb.empty());
    ASSERT_FALSE(cor.empty());
    test::TempDir dir("hostile_asb");
    test::ByteMutator mut(20240611u, {"L,", "END", "MHB,"});
    const int n = test::HostileIterations(300);
    for (int it = 0; it < n; ++it) {
        std::string a = asb, c = cor;
        switch (mut.below(4)) {
            case 0: a = mut.mutate(asb); break;
            case 1: c = mut.mutate(cor); break;
            case 2: a = mut.mutate(asb), c = mut.mutate(cor); break;
            default: (mut.below(2) ? a : c) = mut.noise();
        }
        LoadAndCheck(dir, a, c, mut.below(5) != 0, "iteration " + std::to_string(it));
        if (HasFailure()) return;
    }
}

// Inputs once found to misbehave, and the edges that matter most.
TEST(HostileNetworkFile, KnownHardRows) {
    const std::string tooMany = [] {
        std::string s;
        for (int i = 0; i < 2005; ++i) s += "L,A,B,1,2,3,4,5,0.01,200,0,0\r\n";
        return s;
    }();
    const struct {
        const char* name;
        std::string asb;
        std::string cor;
    } cases[] = {
        {"empty", "", ""},
        {"only quote", "\"", ""},
        {"unclosed quote", "L,\"A,B,1,2\r\n", ""},
        {"huge number", "L,A,B,1E39,2,3,4,5,0.01,200,0,0\r\n", ""},
        {"tiny number", "L,A,B,1E-60,2,3,4,5,0.01,200,0,0\r\n", ""},
        {"lone exponent", "L,A,B,1E,2\r\n", ""},
        {"more rows than the table", tooMany, ""},
        {"cor longer than the network", "L,A,B,1\r\n", "MHB,1,2,3,4\r\nMHB,1,2,3,4\r\nMHB,5,6,7,8\r\n"},
        {"cor short row", "L,A,B,1\r\n", "MHB,1\r\n"},
        {"cor huge value", "L,A,B,1\r\n", "MHB,1E300,2,3,4\r\n"},
        {"control bytes", std::string("L,A\x01,B\r\n"), ""},
        {"end then lines", "END\r\nL,A,B\r\n", ""},
        {"long line", "L," + std::string(100000, 'x') + ",B\r\n", ""},
    };
    test::TempDir dir("hostile_asb_cases");
    for (const auto& c : cases) LoadAndCheck(dir, c.asb, c.cor, !c.cor.empty(), c.name);
}

TEST(HostileVal, AnyTextGivesAFiniteNumberOrOverflow) {
    test::ByteMutator mut(7u, {"&H", "&O", "&HFFFFFFFF", "&o77777777777", "1D308", "1E309", "4.9E-325"});
    const std::string seeds[] = {"12.5", "-3E2", "&HFFFF", "&O177777", "1.5D3", " 1 2 3 ", "+.5e-3", "0.0000001"};
    const int n = test::HostileIterations(1500);
    for (int it = 0; it < n; ++it) {
        std::string text = it % 4 == 0 ? mut.noise() : mut.mutate(seeds[mut.below(8)]);
        try {
            double v = Val(text);
            ASSERT_TRUE(std::isfinite(v)) << text;
        } catch (const RuntimeError& e) {
            ASSERT_EQ(e.number(), 6) << text;
        }
    }
}

TEST(HostileCellText, AnyCellIntoAnyFieldStaysInItsRow) {
    test::ByteMutator mut(99u, {"1E39", "-32769", "32767.5", "&H7FFF", "1E-46"});
    test::RecordingUi ui;
    Model m;
    m.SetUi(&ui);
    m.CreateLineTables(30, 30);
    m.LineCount = 20;
    // A lateral table naming lines in and out of the tables, and no numbers at all.
    m.CreateLatTable(6);
    m.LatCount = 6;
    const double odd[] = {1, 20, 31, -1, 1e300, std::nan(""), INFINITY, 0.5};
    for (int r = 0; r <= 6; ++r)
        for (int c = 0; c < 8; ++c) m.LatTable[r][c] = odd[(r * 8 + c) % 8];
    m.Results[3].SheetIdx = 1e30f;
    m.Results[4].SheetIdx = -2;
    m.Results[5].SheetIdx = NAN;
    std::vector<GridColumnDef> catalogue(101);
    const int n = test::HostileIterations(1500);
    for (int it = 0; it < n; ++it) {
        int code = static_cast<int>(mut.below(112)) - 5;
        int row = static_cast<int>(mut.below(45)) - 5;
        std::string text = it % 3 == 0 ? mut.noise() : mut.mutate("123.45");
        if (code >= 0 && code < 101) catalogue[code].CellText = text;
        try {
            CellToLineField(m, code, row, catalogue);
        } catch (const RuntimeError& e) {
            ASSERT_EQ(e.number(), 6) << "code " << code << " row " << row;
        }
        ASSERT_TRUE(TemplateRowBlank(m)) << "code " << code << " row " << row;
    }
    EXPECT_EQ(m.DiaTable[0].Dia, 0);
    EXPECT_EQ(m.LineCount, 20);
}

}  // namespace
}  // namespace vd
