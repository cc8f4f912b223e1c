// The drawing-settings file: the bytes of a created file, loading as is,
// damaged files, record writes and the sheet options.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <filesystem>

#include "cad/cad_document.h"
#include "profile_drawing/drawing_settings.h"
#include "byte_mutator.h"
#include "recording_ui.h"
#include "temp_dir.h"

namespace vd {
namespace {

std::string RecordOf(const std::string& bytes, int n) { return bytes.substr(static_cast<std::size_t>(n - 1) * 128, 128); }

float FloatAt(const std::string& s, std::size_t at) {
    float v;
    std::memcpy(&v, s.data() + at, 4);
    return v;
}

std::string Hex(const std::string& s) {
    static const char* d = "0123456789ABCDEF";
    std::string out;
    for (unsigned char c : s) out += std::string{d[c >> 4], d[c & 15], ' '};
    return out;
}

struct Loaded {
    test::TempDir dir;
    test::RecordingUi ui;
    Model m;
    Loaded() { m.SetUi(&ui); }
    std::string path() const { return dir.folder() + "vorlan.cfg"; }
};

TEST(DrawingSettings, CreatedFileBytes) {
    Loaded l;
    ASSERT_TRUE(LoadDrawingSettings(l.m, l.dir.folder()).ok());
    EXPECT_EQ(l.m.SettingsFilePath, l.path());
    EXPECT_TRUE(l.ui.boxes.empty());
    const std::string bytes = test::ReadBytes(l.path());
    ASSERT_EQ(bytes.size(), 60u * 128);

    // Row 1 exactly as the layout gives it; never-assigned texts are NULs.
    std::string row1 = "Mhname" + std::string(9, ' ') + "Y" + "0.2    " + "ROMANS " + std::string(7, '\0') +
                       "25     " + std::string("\x00\x00\x40\x40\x00\x00\x80\x3F", 8) + std::string(4, '\0') +
                       std::string("\xCD\xCC\x4C\x3E", 4) + std::string(4, '\0');
    row1.resize(128, '\0');
    EXPECT_EQ(Hex(RecordOf(bytes, 2)), Hex(row1));

    // Every default row: name, visible, hspace, rowlocate, colour, vspace, dividelen, rotate.
    const struct {
        int row;
        const char *name, *visible, *hspace, *rowLocate;
        float colour, vspace, divide, rotate;
    } rows[] = {
        {1, "Mhname", "Y", "", "25", 3, 1, 0, 0},       {2, "GR.EL", "Y", "", "18", 3, 0, 0, 90},
        {3, "INV.EL", "Y", "", "20", 3, 0, 0, 90},      {4, "Lateral", "Y", "", "16", 3, 0, 0, 90},
        {5, "DIST", "Y", "M0", "21", 3, 0, 5, 0},       {6, "KM", "Y", "", "22", 3, 1, 0, 0},
        {7, "Diameter", "Y", "M0", "23", 3, 1, 0, 0},   {8, "SLOPE", "Y", "M0", "24", 3, 1, 2, 0},
        {9, "Depth", "", "M0", "", 3, 0, 0, 0},         {10, "Cordinate", "", "", "", 3, 0, 0, 0},
        {11, "Package", "", "M0", "", 3, 1, 0, 0},      {15, "Vmax1 ", "", "M0", "", 3, 1, 0, 0},
        {16, "Line#", "", "M0", "", 3, 1, 0, 0},        {17, "Base line", "Y", "", "", 46, 0, 0, 0},
        {18, "GR.line", "Y", "", "", 2, 0, 0, 0},       {19, "Axline", "Y", "", "", 50, 0, 0, 0},
        {20, "project line", "Y", "", "", 4, 0, 0, 0},  {21, "", "", "0", "", 3, 0, 0, 0},
        {22, "Lateral info", "", "", "", 3, 0, 0, 0},   {24, "", "", "", "", 3, 0, 0, 0},
        {25, "", "", "", "-7", 3, -4, 50, 0},
    };
    auto text = [](const std::string& want, std::size_t width) {
        if (want.empty()) return std::string(width, '\0');
        std::string t = want;
        t.resize(width, ' ');
        return t;
    };
    for (const auto& r : rows) {
        SCOPED_TRACE(r.row);
        const std::string rec = RecordOf(bytes, r.row + 1);
        EXPECT_EQ(rec.substr(0, 15), text(r.name, 15));
        EXPECT_EQ(rec.substr(15, 1), text(r.visible, 1));
        EXPECT_EQ(rec.substr(16, 7), "0.2    ");
        EXPECT_EQ(rec.substr(23, 7), "ROMANS ");
        EXPECT_EQ(rec.substr(30, 7), text(r.hspace, 7));
        EXPECT_EQ(rec.substr(37, 7), text(r.rowLocate, 7));
        EXPECT_EQ(FloatAt(rec, 44), r.colour);
        EXPECT_EQ(FloatAt(rec, 48), r.vspace);
        EXPECT_EQ(FloatAt(rec, 52), r.divide);
        EXPECT_EQ(FloatAt(rec, 56), 0.2f);
        EXPECT_EQ(FloatAt(rec, 60), r.rotate);
    }

    // Record 1 (canvas colours) and record 27 (sheet options) are written too.
    const ObjectStyle r0 = StyleFromImage(RecordOf(bytes, 1));
    EXPECT_EQ(r0.Color, 8);
    EXPECT_EQ(r0.StyleName.str(), "5      ");
    EXPECT_TRUE(r0.EntityName.unassigned());
    EXPECT_EQ(r0.VSpace, 50);
    EXPECT_EQ(r0.DivideLen, 120);
    EXPECT_EQ(r0.TextHeight, 100);
    const ObjectStyle r26 = StyleFromImage(RecordOf(bytes, 27));
    EXPECT_EQ(r26.Color, 1);
    EXPECT_EQ(r26.DivideLen, 0);
    EXPECT_EQ(r26.Rotate, 2000);
    EXPECT_TRUE(r26.Visible.unassigned());
    for (int n = 28; n <= 39; ++n) EXPECT_EQ(RecordOf(bytes, n), std::string(128, '\0')) << n;
    // Column map rows 0, 1, 6 and 13; the rest zero.
    EXPECT_EQ(RecordOf(bytes, 40), std::string(128, '\0'));
    const ColumnMapRecord c1 = ColumnMapFromImage(RecordOf(bytes, 41));
    const ColumnMapRecord c6 = ColumnMapFromImage(RecordOf(bytes, 46));
    const ColumnMapRecord c13 = ColumnMapFromImage(RecordOf(bytes, 53));
    EXPECT_EQ(std::tuple(c1.Map1, c1.Map2, c1.Map3, c1.Map4, c1.Map5), std::tuple(1, 1, 1, 1.0f, 1));
    EXPECT_EQ(std::tuple(c6.Map1, c6.Map2, c6.Map3, c6.Map4, c6.Map5), std::tuple(40, 15, 35, 41.0f, 107));
    EXPECT_EQ(std::tuple(c13.Map1, c13.Map2, c13.Map3, c13.Map4, c13.Map5), std::tuple(0, 0, 29, 0.0f, 0));
    EXPECT_EQ(RecordOf(bytes, 54), std::string(128, '\0'));
    EXPECT_EQ(l.m.SheetLayoutMode, 1);
}

TEST(DrawingSettings, ExistingFileLoadsAsItIsAndIsNeverWritten) {
    Loaded l;
    ASSERT_TRUE(LoadDrawingSettings(l.m, l.dir.folder()).ok());
    std::string bytes = test::ReadBytes(l.path());
    bytes[128 * 3 + 15] = 'y';  // row 3 visible "y"
    ColumnMapRecord c;
    c.Map2 = 77;
    bytes.replace(128 * 58, 16, ColumnMapImage(c));  // column map row 19, record 59
    test::WriteBytes(l.path(), bytes);
    const auto stamp = std::filesystem::last_write_time(l.path());

    Model again;
    again.SettingsFilePath = l.path();
    ASSERT_TRUE(LoadDrawingSettings(again, "/nowhere/").ok());
    EXPECT_EQ(again.ObjectStyles[3].Visible.str(), "y");
    EXPECT_EQ(again.ObjectStyles[0].Color, 8);  // canvas colour kept on the second start
    EXPECT_EQ(again.ObjectStyles[26].Rotate, 2000);
    EXPECT_EQ(again.ObjectStyles[15].EntityName.str(), "Vmax1          ");
    EXPECT_EQ(again.ColumnMap[19].Map2, 77);
    EXPECT_EQ(test::ReadBytes(l.path()), bytes);
    EXPECT_EQ(std::filesystem::last_write_time(l.path()), stamp);
}

TEST(DrawingSettings, DamagedFileGivesDefaultsAndAMessageAndStaysAsItIs) {
    Model reference;
    ApplyDefaultStyles(reference);
    const std::string good = SettingsFileBytes(reference);
    std::string controlByte = good, notANumber = good, hugeColour = good;
    controlByte[128 * 4 + 3] = '\x07';
    const float nan = std::nanf("");
    std::memcpy(&notANumber[128 * 10 + 56], &nan, 4);
    const float huge = 1e30f;
    std::memcpy(&hugeColour[128 * 26 + 44], &huge, 4);
    const struct {
        const char* name;
        std::string bytes;
        const char* says;
    } cases[] = {
        {"truncated", good.substr(0, 26 * 128 + 5), "shorter"},
        {"empty", std::string(), "shorter"},
        {"oversized", good + std::string(128, '\0'), "7808 bytes long"},
        {"control bytes in a text", controlByte, "record 5"},
        {"a number that is none", notANumber, "record 11"},
        {"a colour beyond any index", hugeColour, "record 27"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        Loaded l;
        test::WriteBytes(l.path(), c.bytes);
        const Outcome o = LoadDrawingSettings(l.m, l.dir.folder());
        EXPECT_FALSE(o.ok());
        ASSERT_EQ(l.ui.boxes.size(), 1u);
        EXPECT_EQ(l.ui.boxes[0], o.message());
        EXPECT_NE(o.message().find(c.says), std::string::npos) << o.message();
        EXPECT_NE(o.message().find(l.path()), std::string::npos);
        EXPECT_EQ(SettingsFileBytes(l.m), good);
        EXPECT_EQ(test::ReadBytes(l.path()), c.bytes);
    }
}

TEST(DrawingSettings, RandomDamageNeverCrashesNorRewritesTheFile) {
    Model reference;
    ApplyDefaultStyles(reference);
    const std::string good = SettingsFileBytes(reference);
    test::ByteMutator mutator(44);
    for (int i = 0; i < test::HostileIterations(150); ++i) {
        const std::string bytes = i % 5 == 4 ? mutator.noise() : mutator.mutate(good);
        Loaded l;
        test::WriteBytes(l.path(), bytes);
        const Outcome o = LoadDrawingSettings(l.m, l.dir.folder());
        EXPECT_EQ(l.ui.boxes.size(), o.ok() ? 0u : 1u);
        EXPECT_EQ(test::ReadBytes(l.path()), bytes) << i;
        if (o.ok()) { EXPECT_TRUE(ReloadSheetOptions(l.m).ok()) << i; }
    }
}

TEST(DrawingSettings, RecordWritesKeepTheRestAndSheetOptionsReadBack) {
    Loaded l;
    ASSERT_TRUE(LoadDrawingSettings(l.m, l.dir.folder()).ok());
    const std::string before = test::ReadBytes(l.path());

    l.m.ObjectStyles[26].Color = 3;
    l.m.ObjectStyles[26].Rotate = 4500;
    ASSERT_TRUE(PutStyleRecord(l.m, 26).ok());
    std::string after = test::ReadBytes(l.path());
    ASSERT_EQ(after.size(), before.size());
    EXPECT_EQ(after.substr(0, 26 * 128), before.substr(0, 26 * 128));
    EXPECT_EQ(after.substr(27 * 128), before.substr(27 * 128));
    EXPECT_FALSE(PutStyleRecord(l.m, 27).ok());

    Model other;
    other.SettingsFilePath = l.path();
    ASSERT_TRUE(ReloadSheetOptions(other).ok());
    EXPECT_EQ(other.SheetLayoutMode, 3);
    EXPECT_EQ(other.ObjectStyles[26].Rotate, 4500);

    // A file ending before record 27 reads it as zeros; a missing file says so.
    test::WriteBytes(l.path(), before.substr(0, 20 * 128));
    ASSERT_TRUE(ReloadSheetOptions(other).ok());
    EXPECT_EQ(other.SheetLayoutMode, 0);
    other.SettingsFilePath = l.dir.folder() + "gone.cfg";
    EXPECT_FALSE(ReloadSheetOptions(other).ok());

    // A whole save to another name holds records 1 to 27 and 40 to 60.
    const std::string copy = l.dir.folder() + "copy.cfg";
    ASSERT_TRUE(SaveDrawingSettings(l.m, copy).ok());
    EXPECT_EQ(test::ReadBytes(copy), SettingsFileBytes(l.m));
}

TEST(DrawingSettings, UnwritableFolderAndConnectedDrawing) {
    Loaded l;
    const Outcome o = LoadDrawingSettings(l.m, l.dir.folder() + "missing/");
    EXPECT_FALSE(o.ok());
    ASSERT_EQ(l.ui.boxes.size(), 1u);
    EXPECT_NE(o.message().find("missing/vorlan.cfg was not saved: the folder does not exist."), std::string::npos) << o.message();
    EXPECT_EQ(l.m.ObjectStyles[20].Color, 4);  // the defaults are in use

    Loaded c;
    CadDocument doc;
    ASSERT_TRUE(LoadDrawingSettings(c.m, c.dir.folder(), &doc).ok());
    for (const char* name : {"3", "46", "2", "50", "4"}) {
        ASSERT_NE(doc.Layers().Find(name), nullptr) << name;
        EXPECT_EQ(doc.Layers().Find(name)->Color, std::stoi(name));
    }
    ASSERT_NE(doc.TextStyles().Find("ROMANS"), nullptr);
    EXPECT_EQ(doc.TextStyles().Find("ROMANS")->fontFile(), "ROMANS");
}

}  // namespace
}  // namespace vd
