// The edit boxes, the search frame and the sheet commands on the profile view
// of the sample network: captions, a typed invert the neighbouring line
// follows, a search that jumps to its line's sheet, and re-cut sheets whose
// list offers only sheets that exist.
#include <gtest/gtest.h>

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>

#include <filesystem>
#include <functional>
#include <memory>

#include "engine/lateral_naming.h"
#include "engine/linking.h"
#include "engine/fixed_text.h"
#include "engine/network_file.h"
#include "engine/number_text.h"
#include "engine/process.h"
#include "profile_view/canvas_widget.h"
#include "profile_view/edit_boxes.h"
#include "profile_view/profile_control.h"
#include "profile_view/search.h"
#include "profile_view/selection.h"
#include "profile_view/sheet_frame_commands.h"
#include "profile_view/style_page.h"
#include "recording_ui.h"
#include "temp_dir.h"
#include "widget_lookup.h"
#include "town_network.h"

namespace vd {
namespace {

namespace fs = std::filesystem;

struct TownView {
    test::TempDir dir{"view_frames"};
    test::RecordingUi ui;
    Model m;
    ScriptedDialogs dialogs;
    std::unique_ptr<ProfileControl> c;

    TownView() {
        m.SetUi(&ui);
        EXPECT_TRUE(test::OpenProcessedTown(m, dir.path()));
        c = std::make_unique<ProfileControl>(m, dialogs, nullptr, QString::fromStdString(dir.folder()));
        c->resize(1000, 700);
        c->ReloadSheetOptions();
        m.SheetLayoutMode = CInt(m.ObjectStyles[26].Color);
        c->ff();
        c->Resize1();
    }
    ~TownView() {
        c.reset();
        m.SetUi(nullptr);
    }
    template <class W>
    W* child(const char* name) {
        W* w = c->findChild<W*>(name);
        EXPECT_TRUE(w) << name;
        return w;
    }
    int selected() { return SelectedLine(c->view(), m); }
};

TEST(ViewFrames, CaptionsOfTheBoxesSearchAndSheetFrames) {
    TownView t;
    QStringList labels;
    for (QLabel* l : t.c->findChild<EditBoxPanel*>()->findChildren<QLabel*>()) labels << l->text();
    EXPECT_EQ(labels, (QStringList{"Gr1 :", "Gr2 :", "Inv1:", "Inv2:", "Slope :", "Cover :"}));
    EXPECT_EQ(t.child<QLineEdit>("Text2")->toolTip(), "Slope Value");
    EXPECT_EQ(t.child<QLineEdit>("Text3")->toolTip(), "Mincover Value");

    struct Caption {
        const char* name;
        const char* text;
    };
    for (const Caption& b : std::vector<Caption>{{"Command18", "Search"},
                                                 {"Comand1", "Find"},
                                                 {"Comand2", "Find &Next"},
                                                 {"Command24", "Info"},
                                                 {"Command27", "Msg"},
                                                 {"Command28", ""},
                                                 {"Command19", "Close"},
                                                 {"Command17", "Sheet"},
                                                 {"Command39", "Sheet By Lat"},
                                                 {"Command34", "Close"}})
        if (auto* w = t.child<QPushButton>(b.name)) { EXPECT_EQ(w->text(), b.text) << b.name; }
    EXPECT_EQ(t.child<QPushButton>("Command17")->toolTip(), "select sheet ");
    EXPECT_EQ(t.child<QPushButton>("Command39")->toolTip(), "Sheeting by lateral");
    for (int i = 0; i < kSearchFilterCount; ++i)
        EXPECT_EQ(t.child<QRadioButton>(QStringLiteral("Option2_%1").arg(i).toLatin1())->text(), kSearchFilterCaptions[i]);
    const char* lengths[] = {"700m", " 1400m", "300m", ""};
    for (int i = 0; i < 4; ++i)
        EXPECT_EQ(t.child<QRadioButton>(QStringLiteral("Option1_%1").arg(i).toLatin1())->text(), lengths[i]);
    EXPECT_EQ(t.child<QCheckBox>("Check4")->text(), "Mono sheet");
    EXPECT_EQ(t.child<QCheckBox>("Check5")->text(), "Force Pipe");
    t.child<QCheckBox>("Check5")->click();
    EXPECT_TRUE(t.c->view().ForcePipe);
    EXPECT_EQ(t.child<QComboBox>("Combo4")->count(), 1);
    EXPECT_EQ(t.child<QComboBox>("Combo4")->itemText(0), "LatName");
    // Start-up shows the stored choice and sorts nothing.
    EXPECT_TRUE(t.child<QRadioButton>(QStringLiteral("Option1_%1").arg(CInt(t.m.ObjectStyles[26].Color)).toLatin1())->isChecked());
}

TEST(ViewFrames, TypedInvertMovesTheNeighbourAndTheBoxesFollowTheSelection) {
    TownView t;
    // A line of the first sheet that has a downstream line.
    int line = 0;
    for (int tries = 0; tries < 40 && !line; ++tries) {
        const int l = t.selected();
        if (l && t.m.Links[l].NextLine > 0 && t.m.Lines[l].Len > 0) line = l;
        else t.c->Command3_Click();
    }
    ASSERT_GT(line, 0);
    const int next = t.m.Links[line].NextLine;
    QLineEdit* inv2 = t.child<QLineEdit>("Text10");
    EXPECT_EQ(inv2->text().toStdString(), " " + FloatText(t.m.Lines[line].Inv2));

    const float lowered = t.m.Lines[next].Inv1 - 0.5f;
    inv2->setText(QString::fromStdString(FloatText(lowered)));
    QTest::keyClick(inv2, Qt::Key_Return);
    EXPECT_FLOAT_EQ(t.m.Lines[line].Inv2, lowered);
    EXPECT_FLOAT_EQ(t.m.Lines[next].Inv1, lowered);
    EXPECT_FLOAT_EQ(t.m.Lines[next].slope, (t.m.Lines[next].Inv1 - t.m.Lines[next].Inv2) / t.m.Lines[next].Len);
    EXPECT_EQ(inv2->text().toStdString(), " " + FloatText(lowered));
    EXPECT_TRUE(t.dialogs.asked.empty());

    // Out of range: a message, the stored value back in the box.
    inv2->setText("999");
    QTest::keyClick(inv2, Qt::Key_Return);
    EXPECT_FLOAT_EQ(t.m.Lines[line].Inv2, lowered);
    ASSERT_EQ(t.dialogs.asked.size(), 1u);
    EXPECT_EQ(inv2->text().toStdString(), " " + FloatText(lowered));

    // The next selection refills the boxes.
    t.c->Command3_Click();
    const int other = t.selected();
    ASSERT_GT(other, 0);
    EXPECT_EQ(t.child<QLineEdit>("Text11")->text().toStdString(), " " + FloatText(t.m.Lines[other].Gr1));
}

TEST(ViewFrames, SearchJumpsToTheSheetOfEachRow) {
    TownView t;
    SearchFrame* frame = t.c->findChild<SearchFrame*>();
    ASSERT_TRUE(frame);
    EXPECT_TRUE(frame->isHidden());
    int f8 = 119;
    t.c->prof1_KeyDown(f8, 0);
    EXPECT_FALSE(frame->isHidden());

    frame->setFilter(SearchFilter::LengthAtLeast);
    QListWidget* rows = test::Child<QListWidget>(frame, "List1");
    ASSERT_NE(rows, nullptr);
    test::Child<QLineEdit>(frame, "Txt1")->setText("0");
    frame->Comand1_Click();
    ASSERT_EQ(rows->count(), t.m.LineCount);
    const SearchResult listed = RunSearch(t.m, {SearchFilter::LengthAtLeast, "0", MarkOption::None, ""});
    // Step through a few rows; each shows its line's sheet with the line selected.
    for (int step = 0; step < 12; ++step) {
        const int line = listed.lines.at(static_cast<std::size_t>(step));
        EXPECT_EQ(t.selected(), line) << "row " << step;
        EXPECT_EQ(t.child<QComboBox>("Combo1")->currentIndex(), static_cast<int>(t.m.Results[line].SheetIdx)) << "row " << step;
        frame->Comand2_Click();
    }
    const double before = t.c->CanvasStep;
    t.child<QPushButton>("Command28")->click();
    EXPECT_EQ(t.c->CanvasStep, NextCanvasStep(before));
    t.child<QPushButton>("Command19")->click();
    EXPECT_TRUE(frame->isHidden());
}

TEST(ViewFrames, SheetCommandsRecutAndRefillTheList) {
    TownView t;
    SheetFrame* frame = t.c->findChild<SheetFrame*>();
    ASSERT_TRUE(frame);
    QPushButton* sheet = t.child<QPushButton>("Command17");
    sheet->click();
    EXPECT_FALSE(frame->isHidden());
    sheet->click();
    EXPECT_TRUE(frame->isHidden());

    // From the last sheet: the list is refilled and shows the first.
    t.child<QComboBox>("Combo1")->setCurrentIndex(t.child<QComboBox>("Combo1")->count() - 1);
    t.child<QPushButton>("Command39")->click();
    EXPECT_EQ(t.child<QComboBox>("Combo1")->count(), t.m.SheetCount);
    EXPECT_EQ(t.child<QComboBox>("Combo1")->currentIndex(), 0);
    EXPECT_GT(t.selected(), 0);

    t.child<QComboBox>("Combo4")->setCurrentIndex(0);
    emit t.child<QComboBox>("Combo4")->activated(0);
    EXPECT_EQ(t.child<QComboBox>("Combo1")->count(), t.m.SheetCount);
    for (int i = 0; i < t.child<QComboBox>("Combo1")->count(); ++i) {
        t.child<QComboBox>("Combo1")->setCurrentIndex(i);
        EXPECT_GT(t.selected(), 0) << "sheet " << i;
    }
}

// Every box of the view where a number is typed reads it whole: a text that
// is not one number, or one too large to hold, is refused with one message
// naming the box in the one wording, the box shows again what it showed,
// and neither the network nor the settings file changes; a number is taken.
TEST(ViewFrames, EveryNumberBoxReadsItsTextWholeOrRefusesIt) {
    TownView t;
    const int line = t.selected();
    ASSERT_GT(line, 0);
    SearchFrame* search = t.c->findChild<SearchFrame*>();
    ASSERT_TRUE(search);
    auto enter = [&](const char* box) { return [&t, box] { QTest::keyClick(t.child<QLineEdit>(box), Qt::Key_Return); }; };
    auto click = [&](const char* button) { return [&t, button] { t.child<QPushButton>(button)->click(); }; };
    auto none = [] {};
    const float gr1 = t.m.Lines[line].Gr1 - 0.25f;
    const float dia = t.m.Lines[1].Dia;
    struct Row {
        const char* box;                     // the QLineEdit
        const char* name;                    // as the refusal names it
        std::function<void()> prepare, commit;
        std::string valid;
        std::function<bool()> taken;
    };
    const std::vector<Row> rows = {
        // The slope box only checks what it is given: the slope as shown passes.
        {"Text2", "Slope", none, enter("Text2"), t.child<QLineEdit>("Text2")->text().toStdString(),
         [&] { return t.dialogs.messages.empty(); }},
        {"Text11", "Gr1", none, enter("Text11"), FloatText(gr1), [&] { return t.m.Lines[line].Gr1 == gr1; }},
        {"Text10", "Inv2", none, enter("Text10"), FloatText(t.m.Lines[line].Inv2),
         [&] { return t.dialogs.messages.empty(); }},
        {"Text3", "Cover", none, enter("Text3"), "1.75", [&] { return t.m.Lines[line].Mincover == 1.75f; }},
        {"Text6", kCustomLengthBoxName, none, enter("Text6"), "2500",
         [&] { return t.m.ObjectStyles[26].Rotate == 2500 && t.m.ObjectStyles[26].Color == kCustomLengthChoice; }},
        {"Text12", "Sheets per file", [&] { t.dialogs.files.assign(8, std::nullopt); }, click("Command11"), "5",
         [&] { return !t.dialogs.asked.empty() && t.dialogs.asked[0].kind == ScriptedDialogs::Asked::Save; }},
        {"Txt1", kSearchBoxName, [&] { search->setFilter(SearchFilter::LengthAtLeast); }, click("Comand1"), "0",
         [&] { return test::Child<QListWidget>(search, "List1")->count() == t.m.LineCount; }},
        {"Text5", kMarkBoxName,
         [&] {
             search->setFilter(SearchFilter::None);
             search->setMark(MarkOption::Diameter);
         },
         click("Comand1"), FloatText(dia), [&] { return test::Child<QListWidget>(search, "List1")->count() > 0; }},
        {"Text1_1", "Color",
         [&] {
             if (test::Child<QWidget>(t.c.get(), "Frame1")->isHidden()) t.child<QPushButton>("Command14")->click();
             test::Child<QListWidget>(t.c.get(), "List2")->setCurrentRow(3);
         },
         enter("Text1_1"), "23", [&] { return t.m.ObjectStyles[3].Color == 23; }},
        {"Text1_5", "Text height", none, enter("Text1_5"), "0.4", [&] { return t.m.ObjectStyles[3].TextHeight == 0.4f; }},
    };
    const std::string digits(1000, '6');
    for (const Row& r : rows) {
        SCOPED_TRACE(r.box);
        QLineEdit* box = t.child<QLineEdit>(r.box);
        ASSERT_TRUE(box);
        r.prepare();
        t.dialogs.asked.clear();
        t.dialogs.messages.clear();
        box->setText(QString::fromStdString(r.valid));
        r.commit();
        EXPECT_TRUE(r.taken()) << (t.dialogs.messages.empty() ? "" : t.dialogs.messages[0].toStdString());
        for (const std::string& text : {std::string("abc"), std::string("12abc"), digits, std::string("1E400")}) {
            SCOPED_TRACE(text.substr(0, 12));
            r.prepare();
            t.dialogs.messages.clear();
            const QString before = box->text();
            const std::uint64_t network = NetworkFingerprint(t.m);
            const std::string settings = test::ReadBytes(t.m.SettingsFilePath);
            box->setText(QString::fromStdString(text));
            r.commit();
            ASSERT_EQ(t.dialogs.messages.size(), 1u);
            const std::string said = t.dialogs.messages[0].toStdString();
            EXPECT_EQ(said.rfind(std::string(r.name) + ": " + NumberRefusal(text, ReadOneNumber(text).kind) + "; ", 0), 0u)
                << said;
            EXPECT_EQ(box->text(), before);
            EXPECT_EQ(NetworkFingerprint(t.m), network);
            EXPECT_EQ(test::ReadBytes(t.m.SettingsFilePath), settings);
        }
    }
}

}  // namespace
}  // namespace vd
