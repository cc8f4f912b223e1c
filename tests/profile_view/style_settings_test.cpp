// The drawing-style page driven as a user drives it, on the sample network:
// the focus left in a box, the page's own buttons, the settings file read
// back record by record; settings files refused at start-up and on Load;
// and damaged settings files that must never leave the canvas empty.
#include <gtest/gtest.h>

#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QTest>
#include <sys/stat.h>

#include <cstring>
#include <filesystem>
#include <random>

#include "byte_mutator.h"
#include "engine/number_text.h"
#include "profile_drawing/drawing_settings.h"
#include "profile_view/canvas_widget.h"
#include "profile_view/profile_control.h"
#include "profile_view/sheet_frame_commands.h"
#include "profile_view/style_page.h"
#include "recording_ui.h"
#include "temp_dir.h"
#include "town_network.h"
#include "widget_lookup.h"

namespace vd {
namespace {

namespace fs = std::filesystem;

std::string Record(const std::string& file, int n) {
    return file.substr(static_cast<std::size_t>(n - 1) * kSettingsRecordBytes, kStyleImageBytes);
}

// The sample network in a shown profile view whose program folder holds
// `settings` as "vorlan.cfg" (none: the file is created).
struct Styled {
    test::TempDir dir{"vd_style_settings"};
    test::RecordingUi ui;
    Model m;
    ScriptedDialogs dialogs;
    std::unique_ptr<ProfileControl> c;

    explicit Styled(const std::string* settings = nullptr) {
        m.SetUi(&ui);
        EXPECT_TRUE(test::OpenProcessedTown(m, dir.path()));
        if (settings) test::WriteBytes(path(), *settings);
        // As in the program, the view starts before the workspace hands the
        // model its window: the start-up's message waits for the first "Profile".
        m.SetUi(nullptr);
        c = std::make_unique<ProfileControl>(m, dialogs, nullptr, QString::fromStdString(dir.folder()));
        m.SetUi(&ui);
        c->resize(1100, 700);
        c->ReloadSheetOptions();
        c->ff();
        c->Resize1();
        c->show();
        QApplication::setActiveWindow(c.get());
        EXPECT_TRUE(QTest::qWaitForWindowActive(c.get()));
    }
    ~Styled() {
        c.reset();
        m.SetUi(nullptr);
    }
    std::string path() const { return dir.folder() + kSettingsFileName; }
    std::string bytes() const { return test::ReadBytes(m.SettingsFilePath); }
    StylePage& page() { return *c->findChild<StylePage*>(); }
    QLineEdit* box(int k) { return test::Child<QLineEdit>(&page(), QString("Text1_%1").arg(k)); }
    QPushButton* button(const char* name) { return test::Child<QPushButton>(&page(), name); }
    QListWidget* list() { return test::Child<QListWidget>(&page(), "List2"); }
    std::size_t marks() { return c->canvasWidget().marks().marks().size(); }
    // The frame open on row r, as the user opens it and picks the row.
    void pick(int r) {
        if (test::Child<QWidget>(&page(), "Frame1")->isHidden()) {
            QTest::mouseClick(button("Command14"), Qt::LeftButton);
            QCoreApplication::processEvents();  // the frame lays out its buttons
        }
        list()->setCurrentRow(r);
    }
    // Text typed into box k, the focus left in it.
    void type(int k, const QString& text) {
        box(k)->setFocus(Qt::MouseFocusReason);
        box(k)->selectAll();
        QTest::keyClicks(box(k), text);
        ASSERT_TRUE(box(k)->hasFocus());
    }
    void click(const char* name) { QTest::mouseClick(button(name), Qt::LeftButton); }
};

// A colour typed and left in its box is applied before the button acts,
// whichever button of the page is clicked next.
TEST(StyleSettings, ATypedValueIsCommittedBeforeAnyButtonActs) {
    const struct {
        const char* button;
        bool savesElsewhere;
    } cases[] = {{"Command31", false}, {"Command33", true}, {"Command14", false}, {"Command32", false}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.button);
        Styled s;
        const std::string other = s.dir.folder() + "other.cfg";
        s.dialogs.files = {c.savesElsewhere ? std::optional<QString>(QString::fromStdString(other)) : std::nullopt};
        s.pick(3);
        s.type(1, "23");
        s.click(c.button);
        EXPECT_EQ(s.m.ObjectStyles[3].Color, 23);
        ObjectStyle expected = s.m.ObjectStyles[3];
        EXPECT_EQ(Record(s.bytes(), 4), StyleImage(expected));
        if (c.savesElsewhere) {
            EXPECT_EQ(s.m.SettingsFilePath, other);
        }
        EXPECT_TRUE(s.dialogs.messages.empty()) << s.dialogs.messages.front().toStdString();
    }
}

// Apply with nothing changed writes the row as shown, every number as it
// was: VSpace is the "Middle" tick's alone, and unchanged boxes keep their
// fields' bytes.
TEST(StyleSettings, ApplyWithNothingChangedChangesNoByte) {
    Styled s;
    s.m.ObjectStyles[21].VSpace = 3;  // the flow labels' step
    s.m.ObjectStyles[5].VSpace = 2.5f;
    s.m.ObjectStyles[7].Rotate = 1.0000001f;
    s.m.ObjectStyles[4].RowLocate = "-1E6";  // its plain text would not fit the field
    ASSERT_TRUE(CloseStyles(s.m).ok());
    const std::string before = s.bytes();
    for (int r = 0; r < s.list()->count(); ++r) {
        s.pick(r);  // showing a row stores its texts back trimmed
        const std::string shown = StyleImage(s.m.ObjectStyles[r]);
        s.click("Command30");
        EXPECT_EQ(Record(s.bytes(), r + 1), shown) << "row " << r;
        EXPECT_EQ(shown.substr(44), Record(before, r + 1).substr(44)) << "numbers of row " << r;
    }
    EXPECT_EQ(Val(StyleText(StyleFromImage(Record(s.bytes(), 5)).RowLocate)), -1e6);
    EXPECT_TRUE(s.dialogs.messages.empty());
}

// Values a field cannot hold, or the drawing could not use, and number
// boxes that hold no one number are refused, with the box named and its
// text put back, and nothing changes in the row or the file.
TEST(StyleSettings, ValuesTheFieldOrTheDrawingCannotHoldAreRefused) {
    Styled s;
    const char* const names[] = {"Select Box Color", "Color", "Style", "Row Locate", "H-Space",
                                 "Text height", "Divide-Line", "Rotation", "Height text"};
    const std::string digits(1000, '4');
    const struct {
        int row, box;
        std::string text;
        std::string says;
    } cases[] = {
        {1, 3, "-9999999", "does not fit the 7 characters"},
        {5, 8, "-1234567", "does not fit the 7 characters"},
        {2, 2, "ROMANSXL", "does not fit the 7 characters"},
        {7, 4, "M123.456", "does not fit the 7 characters"},
        {1, 3, "9E99999", "too large to hold"},
        {8, 4, "9E99999", "too large to hold"},
        {8, 4, "M9E9999", "too large to hold"},
        {3, 8, "1E300", "out of the range"},
        {0, 0, "1E9999", "too large to hold"},
        {0, 0, "99999", "out of the range"},
        {4, 1, "40000", "out of the range"},
        {4, 5, "1E39", "out of the range"},
        {4, 7, "&H1FFFFFFFF", "too large to hold"},
        {2, 4, "M1E308", "out of the range"},
        {3, 1, "abc", "\"abc\" is not a number"},
        {3, 5, "12abc", "\"12abc\" is not a number"},
        {0, 0, "7x", "\"7x\" is not a number"},
        {6, 7, "1E400", "\"1E400\" is a number too large to hold"},
        {6, 3, digits, "\"" + digits.substr(0, 40) + "...\" is a number too large to hold"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text.substr(0, 20));
        s.pick(c.row);
        const std::string file = s.bytes();
        const std::string row = StyleImage(s.m.ObjectStyles[c.row]);
        const QString shown = s.box(c.box)->text();
        const std::size_t marks = s.marks();
        s.dialogs.messages.clear();
        s.type(c.box, QString::fromLatin1(c.text));
        QTest::keyClick(s.box(c.box), Qt::Key_Return);
        ASSERT_EQ(s.dialogs.messages.size(), 1u);
        const std::string said = s.dialogs.messages[0].toStdString();
        EXPECT_NE(said.find(c.says), std::string::npos) << said;
        EXPECT_EQ(said.rfind(std::string(names[c.box]) + ": \"" + c.text.substr(0, 40), 0), 0u) << said;
        EXPECT_TRUE(said.ends_with("; nothing is applied.")) << said;
        EXPECT_EQ(StyleImage(s.m.ObjectStyles[c.row]), row);
        EXPECT_EQ(s.bytes(), file);
        s.c->Redraw();
        EXPECT_EQ(s.marks(), marks);
        // The box shows the row's value again: Close has nothing left to refuse.
        EXPECT_EQ(s.box(c.box)->text(), shown);
        s.click("Command31");
        EXPECT_EQ(s.dialogs.messages.size(), 1u);
        EXPECT_TRUE(test::Child<QWidget>(&s.page(), "Frame1")->isHidden());
        EXPECT_EQ(StyleImage(s.m.ObjectStyles[c.row]), row);
    }
    s.pick(1);
    // Enter with no row picked says that a row must be picked.
    s.dialogs.messages.clear();
    s.list()->setCurrentRow(-1);
    s.type(1, "5");
    QTest::keyClick(s.box(1), Qt::Key_Return);
    ASSERT_EQ(s.dialogs.messages.size(), 1u);
    EXPECT_NE(s.dialogs.messages[0].indexOf("Pick a row"), -1);
}

// Save over a larger file writes exactly the new file, which Load takes back.
TEST(StyleSettings, SaveOverAnExistingFileWritesExactlyTheNewFile) {
    Styled s;
    const std::string target = s.dir.folder() + "office.cfg";
    test::WriteBytes(target, std::string(8000, 'z'));
    s.m.ObjectStyles[9].Color = 0;  // written as 3
    s.dialogs.files = {QString::fromStdString(target)};
    s.dialogs.answers = {true};
    s.pick(1);
    s.click("Command33");
    ASSERT_TRUE(s.dialogs.messages.empty());
    Model expected = s.m;
    expected.ObjectStyles[9].Color = 3;
    EXPECT_EQ(test::ReadBytes(target), SettingsFileBytes(expected));
    EXPECT_EQ(s.m.SettingsFilePath, target);
    s.dialogs.files = {QString::fromStdString(target)};
    s.click("Command32");
    EXPECT_TRUE(s.dialogs.messages.empty());
}

// A file refused at start-up is never written; the edits live in memory,
// the page says so, and a Save to a good file keeps them from then on.
TEST(StyleSettings, AFileRefusedAtStartUpIsNeverWritten) {
    Model reference;
    ApplyDefaultStyles(reference);
    std::string damaged = SettingsFileBytes(reference);
    std::memcpy(&damaged[3 * kSettingsRecordBytes + 37], "9E99999", 7);  // row 3's RowLocate
    Styled s(&damaged);
    ASSERT_EQ(s.ui.boxes.size(), 1u);
    EXPECT_NE(s.ui.boxes[0].find("style row 3 (record 4), field RowLocate"), std::string::npos) << s.ui.boxes[0];
    EXPECT_NE(s.ui.boxes[0].find("kept in memory only"), std::string::npos);
    EXPECT_GT(s.marks(), 100u);

    s.pick(2);
    EXPECT_FALSE(test::Child<QLabel>(&s.page(), "memoryNote")->isHidden());
    s.type(1, "23");
    s.click("Command30");
    s.click("Command31");
    ASSERT_TRUE(SetMonoSheet(s.m, true).ok());
    s.c->Command8_Click();  // "Zoom1 Set"
    s.pick(2);
    s.click("Command29");  // "Set Defult" asks before writing anywhere: No
    EXPECT_EQ(test::ReadBytes(s.path()), damaged);
    EXPECT_TRUE(s.m.SettingsFileRefused);
    ASSERT_FALSE(s.dialogs.asked.empty());
    EXPECT_NE(s.dialogs.asked.back().title.indexOf("Write the default drawing styles to a new settings file?"), -1);

    // Sheet options rebuild the view, which keeps the rows in memory.
    s.m.ObjectStyles[4].Color = 41;
    s.c->UserControl_Initialize();
    EXPECT_EQ(s.m.ObjectStyles[4].Color, 41);
    EXPECT_EQ(s.ui.boxes.size(), 1u);

    const std::string good = s.dir.folder() + "good.cfg";
    s.dialogs.files = {QString::fromStdString(good)};
    s.click("Command33");
    EXPECT_FALSE(s.m.SettingsFileRefused);
    EXPECT_TRUE(test::Child<QLabel>(&s.page(), "memoryNote")->isHidden());
    s.pick(4);
    s.type(1, "44");
    s.click("Command31");
    EXPECT_EQ(StyleFromImage(Record(test::ReadBytes(good), 5)).Color, 44);
    EXPECT_EQ(test::ReadBytes(s.path()), damaged);

    // The next start takes the good file.
    Model next;
    next.SettingsFilePath = good;
    EXPECT_TRUE(LoadDrawingSettings(next, s.dir.folder()).ok());
    EXPECT_EQ(next.ObjectStyles[4].Color, 44);
}

// Set Defult on a refused file writes the defaults to a new file, asked first.
TEST(StyleSettings, DefaultsGoToANewFileWhenAsked) {
    const std::string junk(500, 'j');
    Styled s(&junk);
    const std::string fresh = s.dir.folder() + "fresh.cfg";
    s.dialogs.answers = {true};
    s.dialogs.files = {QString::fromStdString(fresh)};
    s.pick(0);
    s.click("Command29");
    EXPECT_EQ(test::ReadBytes(s.path()), junk);
    ASSERT_EQ(test::ReadBytes(fresh).size(), 60u * kSettingsRecordBytes);
    EXPECT_EQ(s.m.SettingsFilePath, fresh);
    EXPECT_FALSE(s.m.SettingsFileRefused);
}

// Load says what a path is when it is no file, and checks the size first.
TEST(StyleSettings, LoadNamesWhatThePathIsAndChecksTheSizeFirst) {
    Styled s;
    const std::string folder = s.dir.folder() + "folder.cfg", fifo = s.dir.folder() + "pipe.cfg",
                      huge = s.dir.folder() + "huge.cfg";
    fs::create_directory(folder);
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    { std::ofstream(huge).close(); }
    fs::resize_file(huge, 1ull << 30);  // sparse: a gigabyte of nothing
    s.pick(6);
    const std::string before = s.bytes(), rows = StyleImage(s.m.ObjectStyles[6]);
    const struct {
        std::string path;
        const char* says;
    } cases[] = {{folder, "is a folder"},
                 {fifo, "is a pipe (FIFO)"},
                 // Refused by its size, not by what reading it found.
                 {huge, "is 1073741824 bytes long, where a drawing-settings file holds at most"},
                 {s.dir.folder() + "gone.cfg", "does not exist"}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.path);
        s.dialogs.messages.clear();
        s.dialogs.files = {QString::fromStdString(c.path)};
        s.pick(6);
        s.click("Command32");
        ASSERT_EQ(s.dialogs.messages.size(), 1u);
        EXPECT_NE(s.dialogs.messages[0].indexOf(c.says), -1) << s.dialogs.messages[0].toStdString();
        EXPECT_EQ(s.m.SettingsFilePath, s.path());
        EXPECT_EQ(StyleImage(s.m.ObjectStyles[6]), rows);
    }
    EXPECT_EQ(s.bytes(), before);
}

// ---- damaged settings files ------------------------------------------------------

// A valid file with a few fields of its style records replaced by hostile
// values, or bytes damaged at random.
class SettingsDamage {
public:
    explicit SettingsDamage(uint32_t seed) : mut_(seed, {"9E99999", "1E9999", "M9E999", "-9999999", "&HFFFFFFFF"}) {
        Model reference;
        ApplyDefaultStyles(reference);
        good_ = SettingsFileBytes(reference);
    }
    std::string next() {
        if (mut_.below(4) == 0) return mut_.mutate(good_);
        std::string out = good_;
        static const char* const texts[] = {"9E99999", "1E9999", "-9999999", "M9E9999", "&H1FFFFFFFF", "1E38",
                                            "M1E300", "99999", "1E307", "-1E7", "M-3", "0.2", "", "\x01\x02", "Y"};
        static const float numbers[] = {std::numeric_limits<float>::quiet_NaN(), std::numeric_limits<float>::infinity(),
                                        -std::numeric_limits<float>::infinity(), 3e38f, -3e38f, 32767, 32768, -40000,
                                        1e7f, -1e7f, 2e7f, 0, 1, 2.5f, -4, 90, 1e-30f};
        static const int textAt[] = {0, 15, 16, 23, 30, 37};
        static const int textWidth[] = {15, 1, 7, 7, 7, 7};
        const int fields = 1 + static_cast<int>(mut_.below(3));
        for (int k = 0; k < fields; ++k) {
            const std::size_t record = mut_.below(kStyleRecords) * static_cast<std::size_t>(kSettingsRecordBytes);
            const uint32_t field = mut_.below(11);
            if (field < 6) {
                std::string t = texts[mut_.below(std::size(texts))];
                t.resize(static_cast<std::size_t>(textWidth[field]), ' ');
                out.replace(record + textAt[field], t.size(), t);
            } else {
                const float v = numbers[mut_.below(std::size(numbers))];
                std::memcpy(&out[record + 44 + 4 * (field - 6)], &v, 4);
            }
        }
        return out;
    }

private:
    test::ByteMutator mut_;
    std::string good_;
};

// Whatever a settings file holds, at start-up or through Load, it is either
// refused with a message or drawn whole: the canvas keeps its marks and no
// drawing step is left out.
TEST(StyleSettings, ADamagedSettingsFileIsRefusedOrDrawnWhole) {
    Styled s;
    s.pick(2);
    const std::size_t full = s.marks();
    ASSERT_GT(full, 100u);
    SettingsDamage damage(2121);
    int refused = 0, drawn = 0;
    for (int i = 0; i < test::HostileIterations(160); ++i) {
        const std::string bytes = damage.next();
        const bool atStartUp = i % 2 == 0;
        const std::string file = s.dir.folder() + "fuzz" + std::to_string(i % 2) + ".cfg";
        test::WriteBytes(file, bytes);
        s.ui.clear();
        s.dialogs.messages.clear();
        bool accepted = false;
        std::string said;
        if (atStartUp) {
            Model& m = s.m;
            m.SettingsFilePath = file;
            m.SettingsFileRefused = false;
            accepted = LoadDrawingSettings(m, s.dir.folder()).ok();
            if (!s.ui.boxes.empty()) said = s.ui.boxes.front();
            EXPECT_EQ(s.ui.boxes.size(), accepted ? 0u : 1u) << i;
        } else {
            s.dialogs.files = {QString::fromStdString(file)};
            s.click("Command32");
            accepted = s.m.SettingsFilePath == file;
            if (!s.dialogs.messages.empty()) said = s.dialogs.messages.front().toStdString();
            EXPECT_EQ(s.dialogs.messages.size(), accepted ? 0u : 1u) << i;
        }
        if (!accepted) {
            EXPECT_NE(said.find(file), std::string::npos) << said;
        }
        (accepted ? drawn : refused) += 1;
        s.ui.status.clear();
        s.c->Redraw();
        EXPECT_GT(s.marks(), 0u) << "file " << i << (accepted ? " accepted" : " refused");
        EXPECT_EQ(s.ui.status, "") << "file " << i;
        EXPECT_EQ(test::ReadBytes(file), bytes) << "reading wrote file " << i;
        // The next round starts from a good file in use.
        Model fresh;
        ApplyDefaultStyles(fresh);
        s.m.ObjectStyles = fresh.ObjectStyles;
        s.m.SettingsFilePath = s.path();
        s.m.SettingsFileRefused = false;
    }
    EXPECT_GT(refused, 10);
    EXPECT_GT(drawn, 10);
}

}  // namespace
}  // namespace vd
