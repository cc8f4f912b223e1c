// The sheet frame, the lateral order commands and the sheet options: the
// frame toggle, re-cutting by lateral name and by start, the sheet list that
// follows, and the custom length clamped on every path into record 27.
#include <gtest/gtest.h>

#include <QButtonGroup>
#include <QCheckBox>
#include <QLineEdit>
#include <QTest>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "engine/fixed_text.h"
#include "engine/lateral_naming.h"
#include "engine/linking.h"
#include "engine/network_file.h"
#include "engine/number_text.h"
#include "engine/process.h"
#include "engine/sheet_cutting.h"
#include "profile_drawing/drawing_settings.h"
#include "profile_view/sheet_frame_commands.h"
#include "recording_ui.h"
#include "temp_dir.h"
#include "widget_lookup.h"
#include "town_network.h"

namespace vd {
namespace {

namespace fs = std::filesystem;

void OpenTown(Model& m, test::RecordingUi& ui, const fs::path& dir) {
    m.SetUi(&ui);
    ASSERT_TRUE(test::OpenProcessedTown(m, dir));
    ASSERT_GE(m.SheetCount, 2);
}

// The settings file as created, for the record writes.
void MakeSettings(Model& m, const fs::path& dir) {
    ApplyDefaultStyles(m);
    m.SettingsFilePath = (dir / "vorlan.cfg").string();
    std::ofstream(m.SettingsFilePath, std::ios::binary) << SettingsFileBytes(m);
}

// Record 27 as the file holds it.
ObjectStyle StoredOptions(const Model& m) {
    Model reader;
    reader.SettingsFilePath = m.SettingsFilePath;
    EXPECT_TRUE(ReloadSheetOptions(reader).ok());
    return reader.ObjectStyles[26];
}

std::vector<std::string> LateralKeys(const Model& m, bool byName) {
    std::vector<std::string> keys;
    for (int k = 1; k <= m.LatCount; ++k) {
        const LineRecord& l = m.Lines[m.Lat(k, LatFirst)];
        keys.push_back(byName ? l.Latral.str() : l.From.str());
    }
    return keys;
}

std::vector<std::array<int, 4>> Sheets(const Model& m) {
    std::vector<std::array<int, 4>> rows;
    for (int s = 0; s < m.SheetCount; ++s) {
        const SheetRecord& r = m.SheetTable[s];
        rows.push_back({r.Band1Start, r.Band1End, r.Band2Start, r.Band2End});
    }
    return rows;
}

TEST(SheetFrameCommands, SheetButtonTogglesOnlyItsOwnFrame) {
    struct Case {
        bool sheet, config, after;
    };
    for (const Case& c : std::vector<Case>{{false, false, true}, {true, false, false}, {true, true, false}, {false, true, false}})
        EXPECT_EQ(SheetFrameShownAfterToggle(c.sheet, c.config), c.after) << c.sheet << c.config;
}

TEST(SheetFrameCommands, LateralOrdersCutTheSheetsAgainAndTheListFollows) {
    test::TempDir dir;
    Model m;
    test::RecordingUi ui;
    OpenTown(m, ui, dir.path());
    const auto processed = Sheets(m);

    // Entries other than "LatName" cut nothing.
    for (const char* choice : {"Depth", "Dia", "Length", "Color", "Package", ""}) {
        EXPECT_FALSE(SortLateralsByChoice(m, choice)) << choice;
        EXPECT_EQ(Sheets(m), processed) << choice;
    }

    struct Case {
        const char* name;
        bool byName;
    };
    for (const Case& c : std::vector<Case>{{"Sheet By Lat", true}, {"LatName", false}}) {
        SCOPED_TRACE(c.name);
        m.SheetTable.assign(40, SheetRecord{});  // a longer table left from before
        if (c.byName) ASSERT_TRUE(SheetByLat(m).ok());
        else ASSERT_TRUE(SortLateralsByChoice(m, "LatName"));
        auto keys = LateralKeys(m, c.byName);
        EXPECT_TRUE(std::is_sorted(keys.begin(), keys.end(), [](const std::string& a, const std::string& b) {
            return CompareText(a, b) < 0;
        }));
        const auto items = SheetListItems(m, 0);
        ASSERT_EQ(static_cast<int>(items.size()), m.SheetCount);
        ASSERT_LE(m.SheetCount, static_cast<int>(m.SheetTable.size()));
        for (int i = 0; i < m.SheetCount; ++i) EXPECT_EQ(items[i], NumText(m.SheetTable[i].DwgNo));
        // Every line is on a sheet the list offers.
        for (int i = 1; i <= m.LineCount; ++i) EXPECT_LT(m.Results[i].SheetIdx, m.SheetCount) << "line " << i;
    }
    EXPECT_EQ(SheetListItems(m, 5).front(), NumText(m.SheetTable[0].DwgNo + 5));
}

TEST(SheetFrameCommands, EmptyNetworkIsLeftAlone) {
    Model m;
    const Outcome o = SheetByLat(m);
    EXPECT_FALSE(o.ok());
    EXPECT_FALSE(o.message().empty());
    EXPECT_FALSE(SortLateralsByChoice(m, "LatName"));
    EXPECT_EQ(m.LineCount, 0);
    EXPECT_EQ(m.LatCount, 0);
    EXPECT_TRUE(SheetListItems(m, 0).empty());
}

TEST(SheetFrameCommands, CustomLengthIsClampedOnEveryPath) {
    struct Case {
        const char* text;
        bool ok;
        double metres;
        const char* box;
    };
    const std::vector<Case> cases = {
        {"9000", true, 8000, "8000"}, {"12", true, 300, "300"},        {" 2500 ", true, 2500, "2500"},
        {"300", true, 300, "300"},    {"8000", true, 8000, "8000"},    {"7999.5", true, 7999.5, "7999.5"},
        {"-5", true, 300, "300"},     {"1e9", true, 8000, "8000"},     {"abc", false, 0, "\"abc\" is not a number"},
        {"", false, 0, "the box is empty"},  {"2000m", false, 0, "\"2000m\" is not a number"},
        {"1E400", false, 0, "\"1E400\" is a number too large to hold"},
    };
    for (const Case& c : cases) {
        const CustomLength r = ReadCustomSheetLength(c.text);
        EXPECT_EQ(r.ok, c.ok) << c.text;
        EXPECT_EQ(r.message.empty(), c.ok) << c.text;
        if (!c.ok) {
            EXPECT_EQ(r.message, std::string("Custom sheet length: ") + c.box + "; the sheet options stay as they were.");
            continue;
        }
        EXPECT_EQ(r.metres, c.metres) << c.text;
        EXPECT_EQ(r.boxText, c.box) << c.text;
    }

    test::TempDir dir;
    Model m;
    MakeSettings(m, dir.path());
    struct Write {
        int choice;
        const char* text;
        bool ok;
        float color, rotate;
        const char* note;
    };
    const std::vector<Write> writes = {
        {3, "9000", true, 3, 8000, "8000"}, {3, "12", true, 3, 300, "300"}, {0, "junk", true, 0, 300, ""},
        {3, "junk", false, 0, 300, ""},     {4, "2000", false, 0, 300, ""}, {2, "", true, 2, 300, ""},
        {3, "4500", true, 3, 4500, "4500"},
    };
    for (const Write& w : writes) {
        SCOPED_TRACE(std::to_string(w.choice) + " " + w.text);
        const Outcome o = SetSheetLengthChoice(m, w.choice, w.text);
        EXPECT_EQ(o.ok(), w.ok) << o.message();
        if (o.ok()) { EXPECT_EQ(o.message(), w.note); }
        const ObjectStyle stored = StoredOptions(m);
        EXPECT_EQ(stored.Color, w.color);
        EXPECT_EQ(stored.Rotate, w.rotate);
        EXPECT_EQ(m.SheetLayoutMode, static_cast<int16_t>(w.color));
    }

    EXPECT_TRUE(SetMonoSheet(m, true).ok());
    EXPECT_EQ(StoredOptions(m).DivideLen, 1.0f);
    EXPECT_EQ(m.MonoSheet, 1.0);
    EXPECT_TRUE(SetMonoSheet(m, false).ok());
    EXPECT_EQ(StoredOptions(m).DivideLen, 0.0f);
    EXPECT_EQ(m.MonoSheet, 0.5);

    // A settings file that cannot be written says so.
    m.SettingsFilePath = (dir.path() / "missing" / "vorlan.cfg").string();
    EXPECT_FALSE(SetSheetLengthChoice(m, 1, "").ok());
}

TEST(SheetFrameCommands, FrameStoresTheOptionsAndRebuilds) {
    test::TempDir dir;
    Model m;
    test::RecordingUi ui;
    m.SetUi(&ui);
    MakeSettings(m, dir.path());
    m.ObjectStyles[26].Color = 3;
    m.ObjectStyles[26].Rotate = 12;  // damaged: start-up shows the length in use
    SheetFrame frame(m);
    int rebuilds = 0;
    std::vector<std::string> shown;
    frame.rebuild = [&] { ++rebuilds; };
    frame.showMessage = [&](const std::string& s) { shown.push_back(s); };
    QLineEdit* customLength = test::Child<QLineEdit>(&frame, "Text6");
    ASSERT_NE(customLength, nullptr);
    frame.LoadFromSettings();
    EXPECT_EQ(customLength->text(), "300");
    EXPECT_EQ(frame.lengthChoice(), 3);
    EXPECT_EQ(rebuilds, 0);  // showing the options stores nothing

    customLength->setText("9000");
    QTest::keyClick(customLength, Qt::Key_Return);
    EXPECT_EQ(customLength->text(), "8000");
    EXPECT_EQ(StoredOptions(m).Rotate, 8000.0f);
    EXPECT_EQ(rebuilds, 1);

    frame.Option1_Click(0);
    customLength->setText("20000");
    frame.Option1_Click(3);
    EXPECT_EQ(customLength->text(), "8000");
    EXPECT_EQ(StoredOptions(m).Color, 3.0f);
    EXPECT_EQ(rebuilds, 3);

    customLength->setText("far");
    QTest::keyClick(customLength, Qt::Key_Return);
    EXPECT_EQ(shown.size(), 1u);
    EXPECT_EQ(StoredOptions(m).Rotate, 8000.0f);
    EXPECT_EQ(rebuilds, 3);
    EXPECT_EQ(customLength->text(), "8000");  // the length stored, back in the box
    // A click on the box with no length in it keeps the choice and the box as stored.
    frame.Option1_Click(1);
    customLength->setText("12abc");
    frame.Option1_Click(3);
    EXPECT_EQ(shown.size(), 2u);
    EXPECT_EQ(customLength->text(), "8000");
    EXPECT_EQ(frame.lengthChoice(), 1);
    EXPECT_EQ(StoredOptions(m).Color, 1.0f);
    EXPECT_EQ(rebuilds, 4);

    test::Child<QCheckBox>(&frame, "Check4")->click();
    EXPECT_EQ(StoredOptions(m).DivideLen, 1.0f);
    EXPECT_EQ(rebuilds, 5);

    // The stored length shows as the single-precision field holds it.
    m.ObjectStyles[26].Color = kCustomLengthChoice;
    m.ObjectStyles[26].Rotate = 2500.3f;
    frame.LoadFromSettings();
    EXPECT_EQ(customLength->text(), "2500.3");
}

}  // namespace
}  // namespace vd
