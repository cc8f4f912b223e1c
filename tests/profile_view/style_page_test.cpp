// The drawing-style page: the records Apply, Close, Set Defult, Load and Save
// write or read, refusals that leave the file and the rows as they were, and
// the page's dialogs.
#include <gtest/gtest.h>

#include <QGroupBox>
#include <QListWidget>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <cstring>
#include <filesystem>

#include "engine/fixed_text.h"
#include "profile_drawing/drawing_settings.h"
#include "profile_view/profile_control.h"
#include "profile_view/style_page.h"
#include "recording_ui.h"
#include "temp_dir.h"
#include "widget_lookup.h"

namespace vd {
namespace {

namespace fs = std::filesystem;

struct Settings {
    test::TempDir dir{"vd_styles"};
    test::RecordingUi ui;
    Model m;
    Settings() {
        m.SetUi(&ui);
        EXPECT_TRUE(LoadDrawingSettings(m, dir.folder()).ok());
    }
    ~Settings() { m.SetUi(nullptr); }
    std::string bytes() const { return test::ReadBytes(m.SettingsFilePath); }
    ObjectStyle record(int n) const {
        return StyleFromImage(std::string_view(bytes()).substr(static_cast<std::size_t>(n - 1) * kSettingsRecordBytes));
    }
};

std::string Image(const ObjectStyle& s) { return StyleImage(s); }

TEST(StylePage, ShowAndApplyARow) {
    Settings s;
    ObjectStyle& mh = s.m.ObjectStyles[1];
    mh.StyleName = " ROMANS";
    mh.RowLocate = " 25.0";
    StyleBoxes b = ShowStyleRow(s.m, 1);
    EXPECT_EQ(b.text[1], "3");
    EXPECT_EQ(b.text[2], "ROMANS");
    EXPECT_EQ(StyleText(mh.StyleName), "ROMANS");
    EXPECT_EQ(mh.RowLocate.view(), "25     ");  // stored back as the text of its number
    EXPECT_TRUE(b.visible);
    EXPECT_TRUE(b.middle);

    struct Case {
        int box;
        const char* text;
        std::function<bool(const ObjectStyle&)> holds;
    } cases[] = {
        {1, "46", [](const ObjectStyle& r) { return r.Color == 46; }},
        {1, "", [](const ObjectStyle& r) { return r.Color == 0; }},  // an empty box: 0
        {2, "TXT", [](const ObjectStyle& r) { return r.StyleName.view() == "TXT    "; }},
        {3, "18.50", [](const ObjectStyle& r) { return r.RowLocate.view() == "18.5   "; }},
        {4, "M0", [](const ObjectStyle& r) { return r.HSpace.view() == "M0     "; }},
        {5, "0.35", [](const ObjectStyle& r) { return r.TextHeight == 0.35f; }},
        {6, "5", [](const ObjectStyle& r) { return r.DivideLen == 5; }},
        {7, "90", [](const ObjectStyle& r) { return r.Rotate == 90; }},
        {8, "0.25", [](const ObjectStyle& r) { return r.HeightText.view() == "0.25   "; }},
    };
    for (const Case& c : cases) {
        StyleBoxes boxes = ShowStyleRow(s.m, 1);
        boxes.text[c.box] = c.text;
        ASSERT_TRUE(ApplyStyleRow(s.m, 1, boxes).ok()) << c.text;
        EXPECT_TRUE(c.holds(s.m.ObjectStyles[1])) << "box " << c.box << " " << c.text;
        EXPECT_EQ(Image(s.record(2)), Image(s.m.ObjectStyles[1])) << "record 2 after box " << c.box;
    }

    // "Mhname" made invisible writes "N" into record 2; VSpace is Middle's alone.
    b = ShowStyleRow(s.m, 1);
    b.visible = false;
    b.middle = false;
    ASSERT_TRUE(ApplyStyleRow(s.m, 1, b).ok());
    EXPECT_EQ(s.record(2).Visible.view(), "N");
    EXPECT_EQ(s.record(2).VSpace, 1);

    // Row 0: the canvas colour and the selection-box colour, record 1.
    b = ShowStyleRow(s.m, 0);
    b.text[0] = " 12 ";
    b.text[1] = "7";
    ASSERT_TRUE(ApplyStyleRow(s.m, 0, b).ok());
    EXPECT_EQ(s.record(1).Color, 7);
    EXPECT_EQ(StyleText(s.record(1).StyleName), "12");
}

TEST(StylePage, ApplyRefusesNumbersNoStyleHoldsAndAMissingRow) {
    Settings s;
    const std::string before = s.bytes();
    (void)ShowStyleRow(s.m, 4);
    const ObjectStyle row = s.m.ObjectStyles[4];
    const std::string digits(1000, '9');
    const struct {
        int box;
        std::string text;
        std::string says;
    } cases[] = {
        {1, "40000", "Color: \"40000\" is out of the range a drawing style can use"},
        {5, "1e39", "Text height: \"1e39\" is out of the range a drawing style can use"},
        {7, "-1e9", "Rotation: \"-1e9\" is out of the range a drawing style can use"},
        // A number box reads its text whole: no 0 for letters, no 18.5 for "18.50x".
        {1, "abc", "Color: \"abc\" is not a number"},
        {3, "18.50x", "Row Locate: \"18.50x\" is not a number"},
        {8, " 12abc ", "Height text: \"12abc\" is not a number"},
        {6, "1E400", "Divide-Line: \"1E400\" is a number too large to hold"},
        {5, digits, "Text height: \"" + digits.substr(0, 40) + "...\" is a number too large to hold"},
    };
    for (const auto& c : cases) {
        StyleBoxes b = ShowStyleRow(s.m, 4);
        b.text[c.box] = c.text;
        int refused = -1;
        Outcome o = ApplyStyleRow(s.m, 4, b, nullptr, &refused);
        EXPECT_FALSE(o.ok()) << c.says;
        EXPECT_EQ(o.message(), c.says + "; nothing is applied.");
        EXPECT_EQ(refused, c.box) << c.says;
    }
    EXPECT_FALSE(ApplyStyleRow(s.m, -1, StyleBoxes{}).ok());
    EXPECT_EQ(s.bytes(), before);
    EXPECT_EQ(Image(s.m.ObjectStyles[4]), Image(row));
}

TEST(StylePage, CloseAndSetDefultWriteEveryRecordIncluding1And27) {
    Settings s;
    s.m.ObjectStyles[0].Color = 0;
    s.m.ObjectStyles[5].Color = -2;
    s.m.ObjectStyles[6].Visible = "n";
    s.m.ObjectStyles[26].Color = 2;
    s.m.ObjectStyles[26].Rotate = 3500;
    s.m.ColumnMap[3].Map1 = 77;
    ASSERT_TRUE(CloseStyles(s.m).ok());
    EXPECT_EQ(s.record(1).Color, 3);
    EXPECT_EQ(s.record(6).Color, 3);
    EXPECT_EQ(s.record(7).Visible.view(), "N");
    EXPECT_EQ(s.record(27).Color, 2);
    EXPECT_EQ(ColumnMapFromImage(std::string_view(s.bytes()).substr(42 * kSettingsRecordBytes)).Map1, 77);

    // Set Defult: the defaults in rows 0..25, row 26 keeps its options but
    // for the length choice 0, SheetLayoutMode and the column map as they were.
    s.m.ObjectStyles[1].Color = 99;
    s.m.ObjectStyles[0].Color = 5;
    s.m.SheetLayoutMode = 2;
    ASSERT_TRUE(SetDefaultStyles(s.m).ok());
    EXPECT_EQ(s.m.ObjectStyles[1].Color, 3);
    EXPECT_EQ(s.record(2).Color, 3);
    EXPECT_EQ(s.record(1).Color, 8);
    EXPECT_EQ(s.record(27).Color, 0);
    EXPECT_EQ(s.record(27).Rotate, 3500);
    EXPECT_EQ(s.m.SheetLayoutMode, 2);
    EXPECT_EQ(s.m.ColumnMap[3].Map1, 77);
}

TEST(StylePage, SaveThenLoadRestoresTheRowsAndSwitchesTheFile) {
    Settings s;
    const std::string first = s.m.SettingsFilePath;
    s.m.ObjectStyles[3].Color = 0;  // written as 3, kept in memory
    s.m.ObjectStyles[12].TextHeight = 0.7f;
    s.m.ObjectStyles[26].Rotate = 4100;
    const std::string copy = s.dir.folder() + "office.cfg";
    ASSERT_TRUE(SaveStyleFile(s.m, copy).ok());
    EXPECT_EQ(s.m.SettingsFilePath, copy);
    EXPECT_EQ(s.m.ObjectStyles[3].Color, 0);
    EXPECT_EQ(fs::file_size(copy), 60u * kSettingsRecordBytes);

    std::array<ObjectStyle, 27> saved = s.m.ObjectStyles;
    saved[3].Color = 3;
    for (auto& r : s.m.ObjectStyles) r = ObjectStyle{};
    s.m.ColumnMap[1].Map2 = 55;  // the column map stays as it is in memory
    s.m.SettingsFilePath = first;
    ASSERT_TRUE(LoadStyleFile(s.m, copy).ok());
    for (int r = 0; r < 27; ++r) EXPECT_EQ(Image(s.m.ObjectStyles[r]), Image(saved[r])) << r;
    EXPECT_EQ(s.m.SettingsFilePath, copy);
    EXPECT_EQ(s.m.ColumnMap[1].Map2, 55);
}

TEST(StylePage, LoadAndSaveRefuseBadFilesAndKeepEverything) {
    Settings s;
    const std::string path = s.m.SettingsFilePath;
    const std::string rows = Image(s.m.ObjectStyles[7]);
    struct Case {
        const char* name;
        std::string bytes;  // empty: no file
        const char* says;
    } cases[] = {
        {"missing.cfg", "", "does not exist"},
        {"short.cfg", std::string(1000, 'x'), "1000 bytes"},
        {"long.cfg", std::string(61 * 128, '\0'), "7808 bytes"},
        {"odd.cfg", std::string(27 * 128 + 5, '\0'), "3461 bytes"},
    };
    for (const Case& c : cases) {
        const std::string file = s.dir.folder() + c.name;
        if (!c.bytes.empty()) test::WriteBytes(file, c.bytes);
        Outcome o = LoadStyleFile(s.m, file);
        EXPECT_FALSE(o.ok()) << c.name;
        EXPECT_NE(o.message().find(c.says), std::string::npos) << o.message();
        EXPECT_EQ(s.m.SettingsFilePath, path);
        EXPECT_EQ(Image(s.m.ObjectStyles[7]), rows);
        EXPECT_EQ(c.bytes.empty(), !fs::exists(file)) << "Load made a file";
    }
    std::string nan(27 * 128, '\0');
    const float bad = std::numeric_limits<float>::quiet_NaN();
    std::memcpy(nan.data() + 5 * 128 + 44, &bad, 4);
    test::WriteBytes(s.dir.folder() + "nan.cfg", nan);
    EXPECT_FALSE(LoadStyleFile(s.m, s.dir.folder() + "nan.cfg").ok());

    Outcome saved = SaveStyleFile(s.m, s.dir.folder() + "no/folder/x.cfg");
    EXPECT_FALSE(saved.ok());
    EXPECT_EQ(s.m.SettingsFilePath, path);
}

// ---- the page in the view ------------------------------------------------------------

struct Page {
    test::TempDir dir{"vd_style_page"};
    test::RecordingUi ui;
    Model m;
    ScriptedDialogs dialogs;
    std::unique_ptr<ProfileControl> c;
    Page() {
        m.SetUi(&ui);
        c = std::make_unique<ProfileControl>(m, dialogs, nullptr, QString::fromStdString(dir.folder()));
    }
    ~Page() {
        c.reset();
        m.SetUi(nullptr);
    }
    StylePage& page() { return *c->findChild<StylePage*>(); }
};

TEST(StylePage, PageListDialogsAndSaveQuestion) {
    Page p;
    StylePage& page = p.page();
    auto* list = test::Child<QListWidget>(&page, "List2");
    auto* colourBox = test::Child<QLineEdit>(&page, "Text1_1");
    ASSERT_TRUE(list && colourBox);
    ASSERT_GE(list->count(), 25);
    EXPECT_EQ(list->item(0)->text(), "Viewbox");
    EXPECT_EQ(list->item(1)->text(), "Mhname");
    EXPECT_EQ(list->item(24)->text(), "Other");
    EXPECT_EQ(test::Child<QPushButton>(&page, "Command29")->text(), "Set Defult");
    EXPECT_EQ(test::Child<QRadioButton>(&page, "Option4")->text(), "Visiable");
    EXPECT_EQ(test::Child<QRadioButton>(&page, "Option5")->text(), "Unvisiable");

    // Apply with no row picked is refused.
    list->setCurrentRow(-1);
    page.Command30_Click();
    ASSERT_EQ(p.dialogs.messages.size(), 1u);
    EXPECT_NE(p.dialogs.messages[0].indexOf("Pick a row"), -1);

    // Config shows the frame on row 0.
    page.Command14_Click();
    EXPECT_FALSE(test::Child<QGroupBox>(&page, "Frame1")->isHidden());
    EXPECT_EQ(list->currentRow(), 0);

    // Save over an existing file answered No: nothing switches, nothing written.
    const std::string settings = p.m.SettingsFilePath;
    const std::string other = p.dir.folder() + "other.cfg";
    test::WriteBytes(other, "theirs");
    p.dialogs.files = {QString::fromStdString(other), std::nullopt};
    p.dialogs.answers = {false};
    page.Command33_Click();
    page.Command32_Click();  // Load cancelled: nothing said
    const auto& a = p.dialogs.asked;
    ASSERT_EQ(a.size(), 4u);
    EXPECT_EQ(a[1].title, "Save As");
    EXPECT_EQ(a[1].filter, "vrl File (*.cfg)|*.cfg");
    EXPECT_EQ(a[1].preset.toStdString(), settings);
    EXPECT_EQ(a[2].title.toStdString(), other + " Overwrite ?");
    EXPECT_EQ(a[2].preset, "No");
    EXPECT_EQ(a[3].title, "Open");
    EXPECT_EQ(a[3].filter, "VORLAN File (*.cfg)|*.cfg");
    EXPECT_EQ(p.m.SettingsFilePath, settings);
    EXPECT_EQ(test::ReadBytes(other), "theirs");

    // A box's Enter applies row 2's colour.
    list->setCurrentRow(2);
    colourBox->setText("5");
    emit colourBox->returnPressed();
    EXPECT_EQ(p.m.ObjectStyles[2].Color, 5);
    EXPECT_EQ(StyleFromImage(std::string_view(test::ReadBytes(settings)).substr(2 * 128)).Color, 5);
}

}  // namespace
}  // namespace vd
