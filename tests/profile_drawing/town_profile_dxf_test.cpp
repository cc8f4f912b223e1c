// Every sheet of the sample town network, written as a profile DXF file, read
// back by a reader this project did not write: each TEXT and LINE with its
// layer, colour and coordinates as the sheet routine drew it.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "engine/lateral_naming.h"
#include "engine/linking.h"
#include "engine/network_file.h"
#include "engine/number_text.h"
#include "engine/process.h"
#include "engine/sheet_cutting.h"
#include "profile_drawing/drawing_settings.h"
#include "profile_drawing/dxf_output.h"
#include "profile_drawing/mark_recorder.h"
#include "profile_drawing/sheet_routine.h"
#include "recording_ui.h"
#include "temp_dir.h"

namespace vd {
namespace {

namespace fs = std::filesystem;
using test::Mark;

// Sends every mark to two targets.
class Tee : public ProfileOutput {
public:
    Tee(ProfileOutput& a, ProfileOutput& b) : a_(a), b_(b) {}
    void Text(const Placement& at, double x, double y, double c, double h, double ang, const std::string& s,
              const std::string& t) override {
        a_.Text(at, x, y, c, h, ang, s, t);
        b_.Text(at, x, y, c, h, ang, s, t);
    }
    void Line(const Placement& at, double x1, double y1, double x2, double y2, double c,
              const std::string& lt) override {
        a_.Line(at, x1, y1, x2, y2, c, lt);
        b_.Line(at, x1, y1, x2, y2, c, lt);
    }

private:
    ProfileOutput& a_;
    ProfileOutput& b_;
};

const char* kReader = R"(import sys, ezdxf
for path in sys.argv[1:]:
    doc = ezdxf.readfile(path)
    print("FILE", path)
    for e in doc.modelspace():
        t = e.dxftype()
        if t == "TEXT":
            p = e.dxf.insert
            print("TEXT|%s|%d|%r|%r|%r|%r|%s" % (e.dxf.layer, e.dxf.color, p.x, p.y, e.dxf.height, e.dxf.rotation, e.dxf.text))
        elif t == "LINE":
            a, b = e.dxf.start, e.dxf.end
            print("LINE|%s|%d|%r|%r|%r|%r|%s" % (e.dxf.layer, e.dxf.color, a.x, a.y, b.x, b.y, e.dxf.linetype))
        else:
            print("OTHER|" + t)
)";

std::vector<std::string> Split(const std::string& s, char sep) {
    std::vector<std::string> out;
    std::string cur;
    for (char c : s) {
        if (c == sep && out.size() < 7) {
            out.push_back(cur);
            cur.clear();
        } else {
            cur += c;
        }
    }
    out.push_back(cur);
    return out;
}

TEST(TownProfileDxf, EverySheetReadsBackAsDrawn) {
    test::TempDir tmp("vd_town_dxf");
    const fs::path src = fs::path(VIDODUV_SOURCE_DIR) / "examples";
    for (const char* f : {"town.asb", "town.cor"})
        fs::copy_file(src / f, tmp.path() / f, fs::copy_options::overwrite_existing);

    Model m;
    test::RecordingUi ui;
    m.SetUi(&ui);
    ApplyDefaultStyles(m);
    m.SheetLayoutMode = CInt(m.ObjectStyles[26].Color);
    m.ProjectFolder = tmp.path().string() + "/";
    m.ProjectName = "town";
    ASSERT_TRUE(LoadNetworkText(m, (tmp.path() / "town.asb").string()).ok);
    BuildNetworkLinks(m);
    NameLaterals(m);
    ProcessNetwork(m);
    CutSheets(m, 0);
    ASSERT_GE(m.SheetCount, 2);

    std::vector<std::vector<Mark>> drawn;
    std::vector<std::string> files;
    ProfileViewState v;
    for (int i = 0; i < m.SheetCount; ++i) {
        DxfProfileWriter writer;
        test::MarkRecorder rec;
        Tee both(writer, rec);
        OutputSet out;
        out.Dxf = &both;
        writer.Begin();
        v.LoadSheet(m.SheetTable[i]);
        v.SelPos = v.SelPosEnd = static_cast<int16_t>(v.Band1End > 0 ? v.Band1Start : v.Band2Start);
        v.DrawMode = kDrawDxf;
        Outcome o = scrp(m, v, out);
        ASSERT_TRUE(o.ok()) << "sheet " << i << ": " << o.message();
        writer.End();
        std::string path = (tmp.path() / ("sheet" + std::to_string(i) + ".dxf")).string();
        ASSERT_TRUE(writer.SaveTo(path).ok());
        files.push_back(path);
        drawn.push_back(rec.marks);
        ASSERT_GT(rec.count(Mark::Line), 20) << "sheet " << i;
    }

    fs::path script = tmp.path() / "read.py";
    std::ofstream(script) << kReader;
    std::string cmd = "/usr/bin/python3 " + script.string();
    for (const auto& f : files) cmd += " " + f;
    cmd += " 2>&1";
    FILE* pipe = popen(cmd.c_str(), "r");
    ASSERT_NE(pipe, nullptr);
    std::string output;
    char buf[4096];
    while (size_t n = fread(buf, 1, sizeof buf, pipe)) output.append(buf, n);
    ASSERT_EQ(pclose(pipe), 0) << output.substr(0, 2000);

    std::istringstream lines(output);
    std::string row;
    int sheet = -1;
    std::size_t k = 0;
    auto near = [](double read, double drawn) { return std::fabs(read - 10 * drawn) <= 1e-4 * std::max(1.0, std::fabs(read)); };
    while (std::getline(lines, row)) {
        if (row.rfind("FILE ", 0) == 0) {
            if (sheet >= 0) EXPECT_EQ(k, drawn[sheet].size()) << "sheet " << sheet;
            ++sheet;
            k = 0;
            continue;
        }
        ASSERT_GE(sheet, 0) << row;
        ASSERT_LT(k, drawn[sheet].size()) << "sheet " << sheet << " has more entities than were drawn";
        const Mark& mk = drawn[sheet][k++];
        std::vector<std::string> f = Split(row, '|');
        ASSERT_EQ(f.size(), 8u) << row;
        int colour = static_cast<int>(mk.colour);
        if (mk.kind == Mark::Text) {
            ASSERT_EQ(f[0], "TEXT") << row;
            EXPECT_EQ(f[1], ColourLayerName(mk.colour)) << row;
            EXPECT_EQ(std::stoi(f[2]), colour == 0 ? 256 : colour) << row;
            EXPECT_TRUE(near(std::stod(f[3]), mk.x1) && near(std::stod(f[4]), mk.y1)) << row;
            EXPECT_TRUE(near(std::stod(f[5]), mk.height)) << row;
            EXPECT_EQ(f[7], TrimLeft(mk.text)) << row;
        } else {
            ASSERT_EQ(f[0], "LINE") << row;
            EXPECT_EQ(f[1], mk.lineType == "DOT" ? "S" : ColourLayerName(mk.colour)) << row;
            EXPECT_EQ(std::stoi(f[2]), colour == 0 ? 256 : colour == 4 ? 30 : colour) << row;
            EXPECT_TRUE(near(std::stod(f[3]), mk.x1) && near(std::stod(f[4]), mk.y1) && near(std::stod(f[5]), mk.x2) &&
                        near(std::stod(f[6]), mk.y2))
                << row;
        }
    }
    EXPECT_EQ(sheet + 1, m.SheetCount);
    if (sheet >= 0) EXPECT_EQ(k, drawn[sheet].size());
}

}  // namespace
}  // namespace vd
