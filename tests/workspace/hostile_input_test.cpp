// Workspace readers on damaged and random bytes, and the drawing read-backs on
// drawings with odd extended data and attributes.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <fstream>
#include <sstream>

#include "engine/errors.h"
#include "byte_mutator.h"
#include "engine/linking.h"
#include "engine/network_file.h"
#include "net_builder.h"
#include "cad/cad_document.h"
#include "recording_ui.h"
#include "temp_dir.h"
#include "workspace/acad_commands.h"
#include "workspace/import_columns.h"
#include "workspace/lateral_names.h"
#include "workspace/text_import.h"

namespace vd {
namespace {

std::string ReadExample(const std::string& name) {
    std::ifstream f(std::string(VIDODUV_SOURCE_DIR) + "/examples/" + name, std::ios::binary);
    std::stringstream s;
    s << f.rdbuf();
    return s.str();
}

template <std::size_t N>
bool HasNul(const FixedText<N>& t) {
    return !t.unassigned() && t.view().find('\0') != std::string_view::npos;
}

bool LinesClean(const Model& m, int from, int to) {
    for (int i = from; i <= to; ++i) {
        const LineRecord& l = m.Lines[i];
        if (HasNul(l.From) || HasNul(l.to) || HasNul(l.Latral) || HasNul(l.MhType) || HasNul(l.Status)) return false;
    }
    return true;
}

bool TemplateRowBlank(const Model& m) {
    const LineRecord& l = m.Lines[0];
    return l.From.unassigned() && l.to.unassigned() && l.Latral.unassigned() && l.MhType.unassigned() &&
           l.Status.unassigned() && l.Len == 0 && l.Dia == 0 && l.slope == 0 && l.Gr1 == 0 && l.Inv1 == 0 &&
           l.X1 == 0 && l.Y1 == 0 && m.Links[0].NextLine == 0 && m.Links[0].UpLine == 0;
}

bool AllFinite(const Model& m) {
    for (int i = 1; i <= m.LineCount; ++i) {
        const LineRecord& l = m.Lines[i];
        for (float v : {l.Len, l.Dia, l.slope, l.Gr1, l.Gr2, l.Inv1, l.Inv2, l.X1, l.Y1, l.X2, l.Y2, l.Qadd,
                        l.Area1_sub, l.Area2_sub, l.Pop1, l.Pop2, l.Mincover, l.CalcSlope, l.XData13,
                        i <= m.LinkUpper() ? m.Links[i].Drop : 0.0f})
            if (!std::isfinite(v)) return false;
    }
    return true;
}

const std::array<bool, kTextImportFields> kAllTicked = {true, true, true, true, true, true,
                                                        true, true, true, true, true, true};

TEST(HostileTextTable, DamagedTableAndNoise) {
    const std::string table = ReadExample("lines.txt");
    ASSERT_FALSE(table.empty());
    test::ByteMutator mut(31337u, {"\xB3", ",,", " , "});
    const int n = test::HostileIterations(400);
    for (int it = 0; it < n; ++it) {
        std::string bytes = it % 5 == 0 ? mut.noise() : mut.mutate(table);
        std::array<bool, kTextImportFields> ticked = kAllTicked;
        for (auto& t : ticked) t = mut.below(4) != 0;
        for (const std::string& row : SplitFileRows(bytes)) {
            RowSplit s = SplitTextRow(row);
            ASSERT_LE(s.values.size(), static_cast<std::size_t>(kTextImportMaxValues)) << it;
        }
        test::RecordingUi ui;
        Model m;
        m.SetUi(&ui);
        Outcome r = ImportTextTable(m, bytes, ticked, m.LineUpper());
        ASSERT_GE(m.LineCount, 0);
        ASSERT_LE(m.LineCount, m.LineUpper());
        ASSERT_TRUE(r.ok() || !r.message().empty()) << it;
        ASSERT_TRUE(TemplateRowBlank(m)) << it;
        ASSERT_TRUE(AllFinite(m)) << it;
        if (bytes.find('\0') == std::string::npos) {
            ASSERT_TRUE(LinesClean(m, 1, m.LineCount)) << it;
        }
    }
}

TEST(HostileImportColumns, DamagedMapAndNoise) {
    ImportColumnMap good;
    std::string file;
    for (int k = 0; k < kImportFields; ++k) file += ImportColumnRow(good.column[k], k % 3 != 0) + "\r\n";
    test::ByteMutator mut(4242u, {"1E400", "-1E400", "&HFFFF", "&O7", "1D5"});
    const int n = test::HostileIterations(1000);
    for (int it = 0; it < n; ++it) {
        std::string bytes = it % 4 == 0 ? mut.noise() : mut.mutate(file);
        ImportColumnMap map;
        int applied = ApplyImportColumnRows(map, bytes);
        ASSERT_GE(applied, 0);
        ASSERT_LE(applied, kImportFields);
        // What was read must write back as the same rows.
        for (int k = 0; k < kImportFields; ++k) {
            ASSERT_FALSE(map.column[k].empty()) << it;
            std::string row;
            try {
                row = ImportColumnRow(map.column[k], map.ticked[k]);
            } catch (const RuntimeError& e) {
                ASSERT_EQ(e.number(), 6);
                continue;
            }
            ASSERT_FALSE(row.empty()) << it;
        }
    }
}

// The sample network, linked, with its own lateral-name file.
class HostileLateralNames : public ::testing::Test {
protected:
    void SetUp() override {
        m.SetUi(&ui);
        const std::filesystem::path src = std::filesystem::path(VIDODUV_SOURCE_DIR) / "examples";
        for (const char* f : {"town.asb", "town.cor"})
            std::filesystem::copy_file(src / f, dir.path() / f);
        m.ProjectFolder = dir.folder();
        m.ProjectName = "town";
        ASSERT_TRUE(LoadNetworkText(m, dir.folder() + "town.asb").ok());
        BuildNetworkLinks(m);
        base = m;
    }
    test::TempDir dir{"hostile_prf"};
    test::RecordingUi ui;
    Model m;
    Model base;
};

TEST_F(HostileLateralNames, DamagedFileAndNoise) {
    const std::string prf = ReadExample("town.prf");
    ASSERT_FALSE(prf.empty());
    test::ByteMutator mut(8086u, {"\"", "\",\"", "1E400", ",,,"});
    const int n = test::HostileIterations(400);
    for (int it = 0; it < n; ++it) {
        std::string bytes = it % 5 == 0 ? mut.noise() : mut.mutate(prf);
        LateralNameList records;
        Outcome f = ParseLateralNames(bytes, records);
        ASSERT_TRUE(f.ok() || !f.message().empty()) << it;
        if (!f.ok()) continue;
        m = base;
        m.SetUi(&ui);
        // Now and then links that lead out of the table or round in a ring.
        if (it % 3 == 0) {
            for (int k = 0; k < 5; ++k) {
                int line = 1 + static_cast<int>(mut.below(m.LineCount));
                m.Links[line].NextLine = static_cast<int16_t>(static_cast<int>(mut.below(m.LineCount + 20)) - 10);
            }
        }
        Outcome o = ApplyLateralNames(m, records);
        ASSERT_TRUE(o.ok() || !o.message().empty()) << it;
        ASSERT_EQ(m.LineCount, base.LineCount);
        ASSERT_TRUE(TemplateRowBlank(m)) << it;
        ASSERT_TRUE(LinesClean(m, 1, m.LineCount)) << it;
    }
}

// Odd values for the read-backs: numbers out of every range, texts that are
// no numbers, or too large ones.
XValue OddValue(test::ByteMutator& mut, bool text) {
    static const double numbers[] = {0, -1, 1, 2, 3, 1e300, -1e300, 3.4e38, 1e39, 32767.5, 32768, -32769,
                                     0.5, 1e-300, 4e9, -4e9, 2000, 2001};
    static const char* texts[] = {"", "1E400", "-1E400", "&HFFFF", "abc", "2", "1e39", "0.61", "E", "F",
                                  "99999999999999999999999"};
    if (!text) return numbers[mut.below(sizeof numbers / sizeof numbers[0])];
    if (mut.below(3) == 0) return mut.mutate(texts[mut.below(sizeof texts / sizeof texts[0])]);
    return std::string(texts[mut.below(sizeof texts / sizeof texts[0])]);
}

void Damage(test::ByteMutator& mut, CadEntity& e, const std::string& app) {
    XData d = e.GetXData(app);
    if (d.empty()) return;
    std::vector<int16_t> codes{1001};
    std::vector<XValue> values{d[0].text};
    std::size_t keep = mut.below(4) == 0 ? mut.below(static_cast<uint32_t>(d.size()) + 1) : d.size();
    for (std::size_t i = 1; i < keep; ++i) {
        bool asText = mut.below(2) == 0;
        if (mut.below(2) == 0) {
            codes.push_back(asText ? 1000 : 1040);
            values.push_back(OddValue(mut, asText));
        } else {
            codes.push_back(d[i].code);
            values.push_back(d[i].isText() ? XValue(d[i].text) : XValue(d[i].number));
        }
    }
    e.SetXData(codes, values);
}

void CheckReadBack(const Model& m, const std::string& label) {
    ASSERT_GE(m.LineCount, 0) << label;
    ASSERT_LE(m.LineCount, std::min(m.LineUpper(), m.LinkUpper())) << label;
    ASSERT_GE(m.LatCount, 0) << label;
    ASSERT_LE(m.LatCount, static_cast<int>(m.LatTable.size()) - (m.LatCount > 0 ? 1 : 0)) << label;
    ASSERT_TRUE(TemplateRowBlank(m)) << label;
    ASSERT_TRUE(LinesClean(m, 1, m.LineCount)) << label;
    ASSERT_TRUE(AllFinite(m)) << label;
}

TEST(HostileReadBack, GetAcadOnOddExtendedData) {
    test::ByteMutator mut(1977u);
    const int n = test::HostileIterations(100);
    for (int it = 0; it < n; ++it) {
        test::RecordingUi ui;
        Model src;
        src.SetUi(&ui);
        test::NetBuilder net(src);
        net.line("1", "2").len(40).dia(300).slope(0.005f).gr(101, 100).inv(99, 98.8f).lat("A").xy(0, 0, 40, 0);
        net.line("2", "3").len(30).dia(300).slope(0.005f).gr(100, 99).inv(98.7f, 98.5f).lat("A").xy(40, 0, 70, 0);
        net.line("4", "2").len(25).dia(250).slope(0.01f).gr(101, 100).inv(99.5f, 99.2f).lat("B").xy(40, 25, 40, 0);
        src.Links[1].NextLine = 2;
        src.Links[2].UpLine = 1;
        src.Links[3].NextLine = 2;
        CadApplication app;
        ASSERT_TRUE(AcadPlanCommand(src, app));
        CadDocument& doc = app.ActiveDocument();
        for (int i = 0; i < doc.ModelSpace().Count(); ++i) {
            CadEntityPtr e = doc.ModelSpace().Item(i);
            if (e->kind != CadKind::Line) continue;
            if (mut.below(2)) Damage(mut, *e, "DUV");
            if (mut.below(2)) Damage(mut, *e, "SEWER");
            if (mut.below(4) == 0) e->StartPoint = {1e300, -1e300, 1e300};
        }
        Model m;
        m.SetUi(&ui);
        (void)GetAcadCommand(m, app);
        ASSERT_EQ(ui.progress, 0) << it;
        CheckReadBack(m, "iteration " + std::to_string(it));
        if (HasFailure()) return;
    }
}

TEST(HostileReadBack, GetAcadBlockOnOddAttributes) {
    test::ByteMutator mut(2001u);
    const char* tags[] = {"Mhname1", "MHNAME2", "gr-el", "Inv-El", "DIA", "slope", "Dist", "lat", "", "Other"};
    const int n = test::HostileIterations(100);
    for (int it = 0; it < n; ++it) {
        test::RecordingUi ui;
        CadApplication app;
        CadDocument& doc = app.NewDocument();
        doc.Blocks().Add({0, 0, 0}, "Mhblock");
        const int blocks = 1 + static_cast<int>(mut.below(6));
        for (int b = 0; b < blocks; ++b) {
            auto ref = doc.ModelSpace().InsertBlock({mut.below(2) ? 1e300 : 10.0 * b, 5, 0}, "Mhblock");
            ref->setLayer(mut.below(5) ? "sewer" : "SEWER1");
            const int atts = static_cast<int>(mut.below(10));
            for (int k = 0; k < atts; ++k) {
                auto a = std::make_shared<CadEntity>(CadKind::Attribute, &doc, nullptr);
                a->TagString = tags[mut.below(10)];
                a->TextString = mut.below(4) ? std::get<std::string>(OddValue(mut, true)) : mut.noise();
                // A drawing file cannot carry NULs; the read-back must not add any.
                std::replace(a->TextString.begin(), a->TextString.end(), '\0', 'x');
                ref->attributeList().push_back(a);
            }
        }
        Model m;
        m.SetUi(&ui);
        (void)GetAcadBlockCommand(m, app);
        ASSERT_EQ(ui.progress, 0) << it;
        CheckReadBack(m, "iteration " + std::to_string(it));
        if (HasFailure()) return;
    }
}

// Drawings once found to misbehave: each read-back ends cleanly and says why.
TEST(HostileReadBack, KnownHardDrawings) {
    const std::vector<XValue> line1 = {1.0, 0.0, 0.0, 0.0, 0.0, 0.0, 0.0};
    const struct {
        const char* name;
        bool blocks;
        std::vector<XValue> duv;   // items 1.. of "DUV"
        std::string attribute;     // the text of a block's attribute
        bool ok;
        const char* tag = "Gr-el";  // that attribute's tag
        std::string from = "";      // item 1 of "SEWER", a name text when given
        std::string box = kOverflowText;
        bool kept = false;          // the project is left as it was
        double x = 0;               // of the LINE's start, or the block's insertion point
        std::size_t item = 0;       // an item of "SEWER" given `value`, 0 for none
        XValue value = 0.0;
    } cases[] = {
        {"link number 1E23", false, {1.0, 1e23, -1e23, 0.0, 0.0, 0.0, 0.0}, "", true},
        {"line number text 1E400", false, {std::string("1E400"), 0.0, 0.0, 0.0, 0.0, 0.0, 0.0}, "", false, "Gr-el",
         "", kOverflowText, true},
        // A number beyond its single-precision field is refused whole, naming
        // the line or block and the field, before the project is reset.
        {"ground level text 1E400", true, {}, "1E400", false, "Gr-el", "",
         "Block 1 at 0, 0: its Gr-el \"1E400\" is a number too large to hold. The project is left as it was.", true},
        {"ground level text 1e39", true, {}, "1e39", false, "GR-EL", "",
         "Block 1 at 0, 0: its GR-EL \"1e39\" is a number too large to hold. The project is left as it was.", true},
        {"length text -1e39", true, {}, "-1e39", false, "Dist", "",
         "Block 1 at 0, 0: its Dist \"-1e39\" is a number too large to hold. The project is left as it was.", true},
        {"block at x 1e300", true, {}, "12", false, "Gr-el", "",
         "Block 1 at 1E+300, 0: the x of its insertion point \"1E+300\" is a number too large to hold. The project is "
         "left as it was.",
         true, 1e300},
        {"line starting at x 1e300", false, line1, "", false, "Gr-el", "",
         "Plan line 1: the x of its start point (X1) \"1E+300\" is a number too large to hold. The project is left as "
         "it was.",
         true, 1e300},
        {"added flow 1e39", false, line1, "", false, "Gr-el", "",
         "Plan line 1: SEWER item 3 (Qadd) \"1E+39\" is a number too large to hold. The project is left as it was.",
         true, 0, 3, 1e39},
        {"invert text -1e39", false, line1, "", false, "Gr-el", "",
         "Plan line 1: SEWER item 14 (Inv1) \"-1e39\" is a number too large to hold. The project is left as it was.",
         true, 0, 14, std::string("-1e39")},
        {"slope whose downstream invert overflows", false, line1, "", false, "Gr-el", "",
         "Plan line 1: its downstream invert (Inv2, Inv1 less Len times slope) \"-1E+39\" is a number too large to "
         "hold. The project is left as it was.",
         true, 0, 10, 1e38},
        {"ground level text 12", true, {}, "12", true},
        // Names holding a control character are refused whole, naming the
        // line or block and the field; Latin-1 letters are names.
        {"From with a tab", false, line1, "", false, "Gr-el", "MH\t1",
         "Plan line 1: its From name holds a control character (byte 0x09), which no name may hold. The project is "
         "left as it was.",
         true},
        {"From with DEL", false, line1, "", false, "Gr-el", "MH\x7F", "Plan line 1: its From name holds a control "
         "character (byte 0x7F), which no name may hold. The project is left as it was.", true},
        {"From with a Latin-1 letter", false, line1, "", true, "Gr-el", "M\xC4"},
        {"Lat with DEL", true, {}, "L\x7F", false, "Lat", "", "Block 1 at 0, 0: its Lat holds a control character "
         "(byte 0x7F), which no name may hold. The project is left as it was.", true},
        {"Mhname2 with a line feed", true, {}, "A\nB", false, "MHNAME2", "", "Block 1 at 0, 0: its MHNAME2 holds a "
         "control character (byte 0x0A), which no name may hold. The project is left as it was.", true},
        {"Mhname1 with a Latin-1 letter", true, {}, "M\xE9", true, "Mhname1"},
    };
    for (const auto& c : cases) {
        test::RecordingUi ui;
        CadApplication app;
        CadDocument& doc = app.NewDocument();
        if (c.blocks) {
            doc.Blocks().Add({0, 0, 0}, "Mhblock");
            auto ref = doc.ModelSpace().InsertBlock({c.x, 0, 0}, "Mhblock");
            ref->setLayer("sewer");
            auto a = std::make_shared<CadEntity>(CadKind::Attribute, &doc, nullptr);
            a->TagString = c.tag;
            a->TextString = c.attribute;
            ref->attributeList().push_back(a);
        } else {
            auto line = doc.ModelSpace().AddLine({c.x, 0, 0}, {10, 0, 0});
            line->setLayer("sewer");
            std::vector<int16_t> codes{1001};
            std::vector<XValue> values{std::string("DUV")};
            for (const auto& v : c.duv) {
                codes.push_back(std::holds_alternative<std::string>(v) ? 1000 : 1040);
                values.push_back(v);
            }
            line->SetXData(codes, values);
            std::vector<int16_t> sc(17, 1040);
            sc[0] = 1001;
            std::vector<XValue> sv(17, XValue(0.0));
            sv[0] = std::string("SEWER");
            if (!c.from.empty()) {
                sc[1] = 1000;
                sv[1] = c.from;
            }
            if (c.item) {
                sc[c.item] = std::holds_alternative<std::string>(c.value) ? 1000 : 1040;
                sv[c.item] = c.value;
            }
            line->SetXData(sc, sv);
        }
        Model m;
        m.SetUi(&ui);
        test::NetBuilder(m).line("KEEP", "ME");
        bool ok = (c.blocks ? GetAcadBlockCommand(m, app) : GetAcadCommand(m, app)).ok();
        EXPECT_EQ(ok, c.ok) << c.name;
        EXPECT_EQ(ui.progress, 0) << c.name;
        if (!c.ok) {
            EXPECT_NE(ui.status.find("failed"), std::string::npos) << c.name;
            ASSERT_FALSE(ui.boxes.empty()) << c.name;
            EXPECT_EQ(ui.boxes.back(), c.box) << c.name;
        }
        if (c.kept) {
            EXPECT_EQ(m.Lines[1].From.trim(), "KEEP") << c.name;
        }
        if (c.ok && !c.from.empty()) {
            EXPECT_EQ(m.Lines[1].From.trim(), c.from) << c.name;
        }
        if (c.ok && std::string(c.tag) == "Mhname1") {
            EXPECT_EQ(m.Lines[1].From.trim(), c.attribute) << c.name;
        }
        CheckReadBack(m, c.name);
    }
}

}  // namespace
}  // namespace vd
