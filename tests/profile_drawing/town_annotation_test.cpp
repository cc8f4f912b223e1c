// Every sheet of the sample town network with its annotations, in both text
// layouts and in block mode, written as a profile DXF file and into the CAD
// drawing, read back by a reader this project did not write.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

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
#include "profile_drawing/cad_output.h"
#include "profile_drawing/canvas_target.h"
#include "profile_drawing/drawing_settings.h"
#include "profile_drawing/dxf_output.h"
#include "profile_drawing/recording_output.h"
#include "profile_drawing/sheet_routine.h"
#include "recording_ui.h"
#include "temp_dir.h"

namespace vd {
namespace {

namespace fs = std::filesystem;

void OpenTown(Model& m, test::RecordingUi& ui, const fs::path& dir) {
    const fs::path src = fs::path(VIDODUV_SOURCE_DIR) / "examples";
    for (const char* f : {"town.asb", "town.cor"})
        fs::copy_file(src / f, dir / f, fs::copy_options::overwrite_existing);
    m.SetUi(&ui);
    ApplyDefaultStyles(m);
    m.SheetLayoutMode = CInt(m.ObjectStyles[26].Color);
    m.ProjectFolder = dir.string() + "/";
    m.ProjectName = "town";
    ASSERT_TRUE(LoadNetworkText(m, (dir / "town.asb").string()).ok());
    BuildNetworkLinks(m);
    NameLaterals(m);
    ProcessNetwork(m);
    CutSheets(m, 0);
    ASSERT_GE(m.SheetCount, 2);
}

std::string RunPython(const fs::path& dir, const char* script, const std::vector<std::string>& args, int& status) {
    fs::path file = dir / "read.py";
    std::ofstream(file) << script;
    std::string cmd = "/usr/bin/python3 " + file.string();
    for (const auto& a : args) cmd += " " + a;
    cmd += " 2>&1";
    std::string output;
    FILE* pipe = popen(cmd.c_str(), "r");
    if (!pipe) {
        status = -1;
        return output;
    }
    char buf[4096];
    while (size_t n = fread(buf, 1, sizeof buf, pipe)) output.append(buf, n);
    status = pclose(pipe);
    return output;
}

// Audit errors, then every TEXT value and every block reference with its attributes.
const char* kReader = R"(import sys, ezdxf
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
    std::string out = RunPython(dir, kReader, files, status);
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
            // The file's texts, read from its own bytes: group 1 values after each TEXT.
            std::vector<std::string> texts;
            std::istringstream bytes(writer.bytes());
            std::string line, prev;
            while (std::getline(bytes, line)) {
                if (!line.empty() && line.back() == '\r') line.pop_back();
                if (prev == " 1 ") texts.push_back("T|" + line);
                prev = line;
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
            if (layout == 1) EXPECT_TRUE(has("T|G.E. ") && has("T|I.E. ")) << files[i];
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
