// Every sheet of the sample town network, written as a profile DXF file, read
// back by a reader this project did not write: each TEXT and LINE with its
// layer, colour and coordinates as the sheet routine drew it.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include <QColor>
#include <QImage>

#include "cad/aci_palette.h"
#include "cad/cad_document.h"
#include "engine/lateral_naming.h"
#include "engine/linking.h"
#include "engine/network_file.h"
#include "engine/number_text.h"
#include "engine/process.h"
#include "engine/sheet_cutting.h"
#include "platform/profile_canvas.h"
#include "profile_drawing/canvas_target.h"
#include "profile_drawing/cad_output.h"
#include "profile_drawing/drawing_settings.h"
#include "profile_drawing/dxf_output.h"
#include "profile_drawing/recording_output.h"
#include "profile_drawing/sheet_routine.h"
#include "recording_ui.h"
#include "temp_dir.h"
#include "python_checker.h"
#include "town_network.h"

namespace vd {
namespace {

namespace fs = std::filesystem;
using Mark = test::OutputMark;

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

// The sample network opened and processed as the workspace does, its sheets cut.
void OpenTown(Model& m, test::RecordingUi& ui, const fs::path& dir) {
    m.SetUi(&ui);
    ASSERT_TRUE(test::OpenProcessedTown(m, dir));
    ASSERT_GE(m.SheetCount, 2);
}

std::string RunPython(const fs::path& dir, const char* script, const std::vector<std::string>& args, int& status) {
    test::PythonRun run = test::RunSystemPython(dir, script, args);
    status = run.status;
    return run.output;
}

TEST(TownProfileDxf, EverySheetReadsBackAsDrawn) {
    test::TempDir tmp("vd_town_dxf");
    Model m;
    test::RecordingUi ui;
    OpenTown(m, ui, tmp.path());
    if (HasFatalFailure()) return;

    std::vector<std::vector<Mark>> drawn;
    std::vector<std::string> files;
    ProfileViewState v;
    for (int i = 0; i < m.SheetCount; ++i) {
        DxfProfileWriter writer;
        test::RecordingOutput rec;
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
        ASSERT_GT(rec.of(Mark::Line).size(), 20u) << "sheet " << i;
    }

    int status = 0;
    std::string output = RunPython(tmp.path(), kReader, files, status);
    ASSERT_EQ(status, 0) << output.substr(0, 2000);

    std::istringstream lines(output);
    std::string row;
    int sheet = -1;
    std::size_t k = 0;
    auto near = [](double read, double drawn) { return std::fabs(read - 10 * drawn) <= 1e-4 * std::max(1.0, std::fabs(read)); };
    while (std::getline(lines, row)) {
        if (row.rfind("FILE ", 0) == 0) {
            if (sheet >= 0) { EXPECT_EQ(k, drawn[sheet].size()) << "sheet " << sheet; }
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
    if (sheet >= 0) { EXPECT_EQ(k, drawn[sheet].size()); }
}

const char* kAudit = R"(import sys, ezdxf
doc = ezdxf.readfile(sys.argv[1])
auditor = doc.audit()
print("ERRORS", len(auditor.errors))
for e in auditor.errors:
    print("E", e.message)
names = sorted(b.name.upper() for b in doc.blocks if not b.name.startswith("*"))
print("BLOCKS", ",".join(names))
tags = sorted(set(b.name.upper() + ":" + a.dxf.tag.upper() for b in doc.blocks for a in b.query("ATTDEF")))
print("TAGS", ",".join(tags))
msp = doc.modelspace()
print("COUNT", len(msp.query("LINE")), len(msp.query("TEXT")), len(msp.query("INSERT")))
)";

// Every sheet into the CAD drawing, one above the other, as lines and texts
// and as attribute blocks; the saved drawing passes an independent audit.
TEST(TownProfileCad, SheetsInBothCadModesPassAnAudit) {
    test::TempDir tmp("vd_town_cad");
    Model m;
    test::RecordingUi ui;
    OpenTown(m, ui, tmp.path());
    if (HasFatalFailure()) return;
    for (int mode : {kDrawCadLines, kDrawCadBlocks}) {
        CadDocument doc;
        OutputSet out;
        out.Acad = &doc;
        CadOutput lines(out.Acad, false), blocks(out.Acad, true);
        out.CadLines = &lines;
        out.CadBlocks = &blocks;
        ProfileViewState v;
        for (int i = 0; i < m.SheetCount; ++i) {
            v.LoadSheet(m.SheetTable[i]);
            v.InsertionPoint = {0, 100.0 * i, 0};
            v.DrawMode = static_cast<int16_t>(mode);
            Outcome o = scrp(m, v, out);
            ASSERT_TRUE(o.ok()) << "mode " << mode << " sheet " << i << ": " << o.message();
            EXPECT_EQ(v.DrawMode, kDrawCanvas);
        }
        std::string path = (tmp.path() / ("cad" + std::to_string(mode) + ".dxf")).string();
        doc.SaveAs(path);
        int status = 0;
        std::string output = RunPython(tmp.path(), kAudit, {path}, status);
        ASSERT_EQ(status, 0) << output.substr(0, 2000);
        EXPECT_NE(output.find("ERRORS 0\n"), std::string::npos) << output.substr(0, 2000);
        for (const char* block : {"KADR", "RL", "NEXTPIPE", "TITLE", "TABLE", "TEXT1", "TEXT2", "FROM"})
            EXPECT_NE(output.find(block), std::string::npos) << block;
        for (const char* tag : {"KADR:DWG", "FROM:MH", "FROM:DIAS", "FROM:INV", "FROM:DWG", "NEXTPIPE:MH"})
            EXPECT_NE(output.find(tag), std::string::npos) << tag;
        std::istringstream counts(output.substr(output.find("COUNT")));
        std::string word;
        int nLines = 0, nTexts = 0, nInserts = 0;
        counts >> word >> nLines >> nTexts >> nInserts;
        EXPECT_GT(nLines, 100 * m.SheetCount / 10);
        EXPECT_GT(nTexts, 0);
        // Every sheet has its frame; block mode adds the rulers and tables.
        EXPECT_GE(nInserts, mode == kDrawCadBlocks ? 12 * m.SheetCount : m.SheetCount);
    }
}

// A sheet painted on the canvas image: the ground line shows in its colour.
// Set VIDODUV_CANVAS_PNG to a file name to keep the picture.
TEST(TownProfileCanvas, SheetPaintsTheGroundLine) {
    test::TempDir tmp("vd_town_canvas");
    Model m;
    test::RecordingUi ui;
    OpenTown(m, ui, tmp.path());
    if (HasFatalFailure()) return;
    ProfileCanvas canvas(1200, 800);
    canvas.SetScale(120, 80);
    canvas.SetBackColour(AciToRgb(static_cast<int>(m.ObjectStyles[0].Color)));
    canvas.Clear();
    CanvasTarget target(canvas);
    OutputSet out;
    out.Canvas = &target;
    ProfileViewState v;
    v.ViewTopY = 75;
    v.LoadSheet(m.SheetTable[0]);
    v.SelPos = v.SelPosEnd = static_cast<int16_t>(v.Band1End > 0 ? v.Band1Start : v.Band2Start);
    ASSERT_TRUE(scrp(m, v, out).ok());
    if (const char* keep = std::getenv("VIDODUV_CANVAS_PNG")) canvas.image().save(keep);
    int32_t ground = AciToRgb(static_cast<int>(m.ObjectStyles[18].Color));
    QColor want(AciRed(ground), AciGreen(ground), AciBlue(ground));
    int hits = 0;
    const QImage& img = canvas.image();
    for (int y = 0; y < img.height(); ++y)
        for (int x = 0; x < img.width(); ++x) hits += QColor(img.pixel(x, y)) == want;
    EXPECT_GT(hits, 200);
}

// ---- the annotations: both layouts, block mode, attributes read back ----

// Audit errors, then every TEXT value and every block reference with its attributes.
const char* kBlockReader = R"(import sys, ezdxf
for path in sys.argv[1:]:
    doc = ezdxf.readfile(path)
    print("FILE", len(doc.audit().errors))
    for e in doc.modelspace():
        if e.dxftype() == "TEXT":
            print("T|" + e.dxf.text)
        elif e.dxftype() == "INSERT":
            print("I|" + e.dxf.name.upper() + "".join("|%s=%s" % (a.dxf.tag.upper(), a.dxf.text) for a in e.attribs))
)";

struct ReadBack {
    std::vector<int> auditErrors;
    std::vector<std::vector<std::string>> rows;  // per file
};

ReadBack Read(const fs::path& dir, const std::vector<std::string>& files) {
    int status = 0;
    std::string out = RunPython(dir, kBlockReader, files, status);
    ReadBack r;
    EXPECT_EQ(status, 0) << out.substr(0, 2000);
    std::istringstream lines(out);
    std::string row;
    while (std::getline(lines, row)) {
        if (row.rfind("FILE ", 0) == 0) {
            r.auditErrors.push_back(std::stoi(row.substr(5)));
            r.rows.emplace_back();
        } else if (!r.rows.empty()) {
            r.rows.back().push_back(row);
        }
    }
    return r;
}

// The model space as the reader prints it.
std::vector<std::string> Expected(const CadDocument& doc) {
    std::vector<std::string> rows;
    for (const auto& e : doc.ModelSpace().entities()) {
        if (e->kind == CadKind::Text) {
            rows.push_back("T|" + e->TextString);
        } else if (e->kind == CadKind::Insert) {
            std::string row = "I|" + UpperCase(e->Name);
            for (const auto& a : e->GetAttributes()) row += "|" + UpperCase(Trim(a->TagString)) + "=" + a->TextString;
            rows.push_back(row);
        }
    }
    return rows;
}

// A reader keeps a value's leading blanks; trailing ones may go, so compare without them.
std::vector<std::string> WithoutTrailingBlanks(std::vector<std::string> rows) {
    for (auto& r : rows) {
        std::string out;
        std::size_t start = 0;
        while (start <= r.size()) {
            std::size_t bar = r.find('|', start);
            if (bar == std::string::npos) bar = r.size();
            out += TrimRight(r.substr(start, bar - start));
            if (bar < r.size()) out += '|';
            start = bar + 1;
        }
        r = out;
    }
    return rows;
}

class TownAnnotations : public ::testing::Test {
protected:
    void SetUp() override {
        OpenTown(m, ui, tmp.path());
    }
    void ViewSheet(ProfileViewState& v, int i) {
        v.LoadSheet(m.SheetTable[i]);
        v.SelPos = v.SelPosEnd = static_cast<int16_t>(v.Band1End > 0 ? v.Band1Start : v.Band2Start);
    }
    test::TempDir tmp{"vd_town_annot"};
    Model m;
    test::RecordingUi ui;
};

TEST_F(TownAnnotations, EverySheetToDxfInBothLayouts) {
    if (HasFatalFailure()) return;
    for (int layout : {1, 2}) {
        std::vector<std::string> files;
        std::vector<std::vector<std::string>> drawn;
        for (int i = 0; i < m.SheetCount; ++i) {
            DxfProfileWriter writer;
            test::RecordingOutput screen;
            OutputSet out;
            out.Dxf = &writer;
            out.Canvas = &screen;
            ProfileViewState v;
            ViewSheet(v, i);
            v.TextSizeMode = layout;
            v.ShowLineInfo = 1;
            v.DrawMode = kDrawDxf;
            writer.Begin();
            Outcome o = scrp(m, v, out);
            ASSERT_TRUE(o.ok()) << "layout " << layout << " sheet " << i << ": " << o.message();
            writer.End();
            // The file's texts, read from its own bytes: the values of group 1, pair by pair.
            std::vector<std::string> texts;
            std::istringstream bytes(writer.bytes());
            std::string code, value;
            while (std::getline(bytes, code) && std::getline(bytes, value)) {
                if (!value.empty() && value.back() == '\r') value.pop_back();
                if (code == " 1 \r") texts.push_back("T|" + value);
            }
            drawn.push_back(texts);
            for (const auto& mk : screen.marks) {
                const std::string& t = mk.text;
                EXPECT_TRUE(t == "S,D" || t == "DDF" || t == "SDF" || t.rfind("Vd=", 0) == 0 || t.rfind("VM1=", 0) == 0)
                    << "only the screen marks reach the screen: " << t;
            }
            std::string path = (tmp.path() / ("l" + std::to_string(layout) + "s" + std::to_string(i) + ".dxf")).string();
            ASSERT_TRUE(writer.SaveTo(path).ok());
            files.push_back(path);
        }
        ReadBack back = Read(tmp.path(), files);
        ASSERT_EQ(back.rows.size(), files.size());
        for (std::size_t i = 0; i < files.size(); ++i) {
            EXPECT_EQ(back.auditErrors[i], 0) << files[i];
            EXPECT_EQ(WithoutTrailingBlanks(back.rows[i]), WithoutTrailingBlanks(drawn[i])) << files[i];
            auto has = [&](const std::string& prefix) {
                return std::any_of(drawn[i].begin(), drawn[i].end(), [&](const std::string& t) { return t.rfind(prefix, 0) == 0; });
            };
            EXPECT_TRUE(has("T|TO ")) << files[i];
            EXPECT_TRUE(has("T|l= ")) << files[i];
            if (layout == 1) { EXPECT_TRUE(has("T|G.E. ") && has("T|I.E. ")) << files[i]; }
            for (const char* never : {"T|Vd=", "T|VM1=", "T|S,D", "T|DDF", "T|SDF"}) EXPECT_FALSE(has(never)) << never;
        }
    }
}

TEST_F(TownAnnotations, EverySheetIntoTheCadDrawingReadsBackItsBlocks) {
    if (HasFatalFailure()) return;
    struct Run { int mode, layout; bool explode; } runs[] = {
        {kDrawCadLines, 1, false}, {kDrawCadLines, 2, false}, {kDrawCadBlocks, 1, false}, {kDrawCadBlocks, 2, true}};
    for (const Run& run : runs) {
        CadDocument doc;
        OutputSet out;
        out.Acad = &doc;
        CadOutput lines(out.Acad, false), blocks(out.Acad, true);
        out.CadLines = &lines;
        out.CadBlocks = &blocks;
        ProfileViewState v;
        v.ExplodeAttrib = run.explode;
        for (int i = 0; i < m.SheetCount; ++i) {
            ViewSheet(v, i);
            v.TextSizeMode = run.layout;
            v.ShowLineInfo = 1;
            v.InsertionPoint = {0, 100.0 * i, 0};
            v.DrawMode = static_cast<int16_t>(run.mode);
            Outcome o = scrp(m, v, out);
            ASSERT_TRUE(o.ok()) << "mode " << run.mode << " sheet " << i << ": " << o.message();
        }
        std::string path = (tmp.path() / ("cad" + std::to_string(run.mode) + std::to_string(run.layout) + ".dxf")).string();
        doc.SaveAs(path);
        ReadBack back = Read(tmp.path(), {path});
        ASSERT_EQ(back.rows.size(), 1u);
        EXPECT_EQ(back.auditErrors[0], 0) << path;
        std::vector<std::string> expected = Expected(doc);
        EXPECT_EQ(WithoutTrailingBlanks(back.rows[0]), WithoutTrailingBlanks(expected)) << path;
        if (run.mode != kDrawCadBlocks) continue;
        for (const char* block : {"I|TEXT2|", "I|TEXT1|", "I|NEXTPIPE|", "I|FROM|", "I|KADR|"}) {
            bool found = std::any_of(expected.begin(), expected.end(), [&](const std::string& r) { return r.rfind(block, 0) == 0; });
            EXPECT_TRUE(found) << block;
        }
        // Filled blocks carry the drawn values; exploded ones keep their defaults beside the texts.
        bool filledKm = std::any_of(expected.begin(), expected.end(), [](const std::string& r) {
            return r.rfind("I|TEXT1|", 0) == 0 && r.find("|KM=0+") != std::string::npos;
        });
        EXPECT_EQ(filledKm, !run.explode);
        bool textKm = std::any_of(expected.begin(), expected.end(), [](const std::string& r) { return r.rfind("T|0+", 0) == 0; });
        EXPECT_EQ(textKm, run.explode);
    }
}

// A sheet on the canvas image in each layout. Set VIDODUV_CANVAS_PNG_DIR to keep the pictures.
TEST_F(TownAnnotations, SheetOnTheCanvasInEachLayout) {
    if (HasFatalFailure()) return;
    for (int layout : {1, 2}) {
        ProfileCanvas canvas(1400, 900);
        canvas.SetScale(70, 45);
        canvas.SetBackColour(AciToRgb(static_cast<int>(m.ObjectStyles[0].Color)));
        canvas.Clear();
        CanvasTarget target(canvas);
        OutputSet out;
        out.Canvas = &target;
        ProfileViewState v;
        v.ViewOriginX = 2;
        v.ViewTopY = layout == 1 ? 40 : 36;
        v.TextSizeMode = layout;
        v.ShowLineInfo = 1;
        ViewSheet(v, 0);
        ASSERT_TRUE(scrp(m, v, out).ok());
        if (const char* dir = std::getenv("VIDODUV_CANVAS_PNG_DIR"))
            canvas.image().save(QString::fromStdString(std::string(dir) + "/sheet_layout" + std::to_string(layout) + ".png"));
        int32_t back = canvas.BackColour();
        int inked = 0;
        const QImage& img = canvas.image();
        for (int y = 0; y < img.height(); ++y)
            for (int x = 0; x < img.width(); ++x) {
                QRgb p = img.pixel(x, y);
                inked += (qRed(p) | (qGreen(p) << 8) | (qBlue(p) << 16)) != back;
            }
        EXPECT_GT(inked, 5000) << layout;
    }
}

}  // namespace
}  // namespace vd
