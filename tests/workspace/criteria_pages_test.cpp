#include <gtest/gtest.h>

#include <QAction>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QRadioButton>
#include <QStandardPaths>
#include <QTabBar>
#include <QTabWidget>
#include <QTest>

#include "widget_lookup.h"
#include "xlsx_fixture.h"
#include "engine/column_catalogue.h"
#include "engine/project_reset.h"
#include "workspace/criteria_pages.h"
#include "stub_views.h"
#include "workspace/main_window.h"

namespace vd {
namespace {

class CriteriaWindow : public ::testing::Test {
protected:
    void SetUp() override {
        QStandardPaths::setTestModeEnabled(true);
        form = std::make_unique<Form1>(m, dialogs, test::StubViews());
        w = &form->workspace();
        p = w->findChild<CriteriaPages*>();
        form->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(form.get()));
    }
    void TearDown() override { form.reset(); }

    void openFromMenu() {
        for (QAction* a : test::Child<QMenu>(w, "mnufile")->actions())
            if (a->text() == "Criteria") a->trigger();
    }
    // The panel's widgets, by their form names.
    QTabWidget* tabStrip() const { return test::Child<QTabWidget>(w, "TabStrip1"); }
    QGroupBox* optionFrame() const { return test::Child<QGroupBox>(w, "Frame1"); }
    QGroupBox* listFrame() const { return test::Child<QGroupBox>(w, "Frame3"); }
    QPushButton* closeBox() const { return test::Child<QPushButton>(w, "Command8"); }
    QRadioButton* option(int k) const { return test::Child<QRadioButton>(w, test::Indexed("Option1", k)); }
    QLineEdit* optionBox(int k) const { return test::Child<QLineEdit>(w, test::Indexed("Text1", k)); }
    QLabel* optionLabel(int k) const { return test::Child<QLabel>(w, test::Indexed("Label1", k)); }
    QLineEdit* listBox(int k) const { return test::Child<QLineEdit>(w, test::Indexed("Text2", k)); }
    QLabel* listLabel(int k) const { return test::Child<QLabel>(w, test::Indexed("Label2", k)); }

    void tab(int k) { QTest::mouseClick(tabStrip()->tabBar(), Qt::LeftButton, {}, tabCentre(k)); }
    QPoint tabCentre(int k) const { return tabStrip()->tabBar()->tabRect(k - 1).center(); }
    void type(QLineEdit* box, const QString& text) {
        box->selectAll();
        QTest::keyClicks(box, text);
    }
    // Labels of the option boxes shown.
    std::vector<QString> optionLabels() const {
        std::vector<QString> v;
        for (int k = 0; k < kOptionBoxes; ++k)
            if (optionBox(k)->isVisible()) v.push_back(optionLabel(k)->text());
        return v;
    }

    Model m;
    ScriptedDialogs dialogs;
    std::unique_ptr<Form1> form;
    Vorlan* w;
    CriteriaPages* p;
};

TEST_F(CriteriaWindow, OpensOnTheTitlePageAndClosesStoring) {
    w->Command14_Click();  // the import frame gives way to the panel
    openFromMenu();
    EXPECT_TRUE(test::Child<QGroupBox>(w, "Frame2")->isHidden());
    EXPECT_TRUE(p->isOpen());
    EXPECT_EQ(w->statusText(), "Project" + std::string(22, ' '));
    EXPECT_EQ(listFrame()->title(), "Title");
    EXPECT_TRUE(optionFrame()->isHidden());
    EXPECT_EQ(listLabel(1)->text(), "Designer :");
    EXPECT_TRUE(listBox(3)->isHidden());
    EXPECT_EQ(closeBox()->text(), "---");
    EXPECT_EQ(tabStrip()->tabText(4), "Infiltration");
    EXPECT_EQ(tabStrip()->tabBar()->tabData(4).toString(), "mnuinfilt");
    EXPECT_EQ(w->findChild<QLineEdit*>("Text2(0)"), listBox(0));

    // The start-up gave the criteria their defaults.
    tab(2);
    EXPECT_EQ(listFrame()->title(), "Basic Criteria");
    EXPECT_EQ(listBox(2)->text(), "100");
    EXPECT_EQ(listBox(10)->text(), "N");
    type(listBox(0), "180");

    openFromMenu();  // the second call closes
    EXPECT_FALSE(p->isOpen());
    EXPECT_TRUE(listFrame()->isHidden());
    EXPECT_EQ(w->statusText(), std::string(26, ' '));
    EXPECT_EQ(m.Criteria.LPCD1, 180.0);
}

TEST_F(CriteriaWindow, ModesChosenAreKeptAndTitlesFollow) {
    w->ShowProjectSettings();
    tab(3);
    EXPECT_EQ(optionFrame()->title(), "Population1");
    EXPECT_TRUE(option(0)->isChecked());
    EXPECT_TRUE(optionLabels().empty());
    QTest::mouseClick(option(3), Qt::LeftButton);
    EXPECT_EQ(optionLabels(), (std::vector<QString>{"Area1(ha):", "Dencity1:", "Area2(ha):", "Dencity2"}));
    QTest::mouseClick(option(1), Qt::LeftButton);
    EXPECT_TRUE(optionLabels().empty());

    // The close box stores the option page shown, its mode included.
    QTest::mouseClick(closeBox(), Qt::LeftButton);
    EXPECT_FALSE(p->isOpen());
    EXPECT_EQ(m.Criteria.Pop1Mode, 2);
    std::array<GridColumnDef, 106> catalogue{};
    SetColumnTitles(m, catalogue);
    EXPECT_EQ(catalogue[5].Title1.str(), "   Pop.1 ");

    // Reopened, the tab strip keeps its tab and a click on it builds its page.
    w->ShowProjectSettings();
    EXPECT_EQ(listFrame()->title(), "Title");
    tab(3);
    EXPECT_EQ(optionFrame()->title(), "Population1");
    EXPECT_TRUE(option(1)->isChecked());
    QTest::mouseClick(option(0), Qt::LeftButton);
    tab(4);
    EXPECT_EQ(m.Criteria.Pop1Mode, 1);
    QTest::mouseClick(option(3), Qt::LeftButton);
    EXPECT_EQ(optionLabel(1)->text(), "Decity1:");
}

TEST_F(CriteriaWindow, EnterInAnOptionBoxStoresItsPage) {
    w->ShowProjectSettings();
    tab(5);
    EXPECT_EQ(optionLabels(), (std::vector<QString>{"Min :", "Max :"}));
    type(optionBox(0), "5");
    type(optionBox(1), "6");
    QTest::mouseClick(option(2), Qt::LeftButton);
    EXPECT_EQ(optionLabels(), (std::vector<QString>{"Area1(ha):", "inf1(m3/ha/d):", "Area2(ha):", "inf2(m3/ha/d)"}));
    EXPECT_EQ(optionBox(0)->text(), "5");
    EXPECT_EQ(m.Criteria.InfMode, 1);
    type(optionBox(3), "2.5");
    QTest::keyClick(optionBox(3), Qt::Key_Return);
    EXPECT_EQ(m.Criteria.InfMode, 3);
    EXPECT_EQ(m.Criteria.InfRate2, 2.5);
    EXPECT_TRUE(dialogs.messages.empty());

    type(optionBox(2), "wide");
    QTest::keyClick(optionBox(2), Qt::Key_Return);
    ASSERT_EQ(dialogs.messages.size(), 1u);
    EXPECT_EQ(dialogs.messages[0], "Area2(ha): \"wide\" is not a number; the value is kept.");
    EXPECT_EQ(optionBox(2)->text(), "0");
    EXPECT_EQ(m.Criteria.InfArea2, 0.0);
}

TEST_F(CriteriaWindow, CommandsThatReplaceTheCriteriaCloseThePanelFirst) {
    w->ShowProjectSettings();
    tab(2);
    type(listBox(5), "15");
    w->mnublock_Click();
    EXPECT_FALSE(p->isOpen());
    EXPECT_EQ(m.Criteria.InflowPercent, 15.0);
}

// Whatever replaces the criteria, a page built before never stores over
// them: opening the panel and walking every tab stores what it shows, which
// is what the criteria hold.
TEST_F(CriteriaWindow, PagesBuiltBeforeTheCriteriaWereReplacedStoreNothing) {
    test::TempDir dir("vd_criteria_book");
    const std::string book = dir.folder() + "criteria.xlsx";
    // PROJECT: every criterion; InfMode 2, Inf2 12, Inf1 11, both population modes 2.
    auto number = [](int r) {
        return r == 13 || r == 17 ? "2" : r == 14 ? "12" : r == 15 ? "11" : std::to_string(100 + r) + ".5";
    };
    std::string rows;
    for (int r : {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 13, 14, 15, 17, 20, 21, 22, 23, 24, 25, 26, 27, 28, 29, 30, 31}) {
        const std::string at = "B" + std::to_string(r);
        const std::string value = r == 11 ? "<c r=\"" + at + "\" t=\"inlineStr\"><is><t>Y</t></is></c>"
                                  : "<c r=\"" + at + "\"><v>" + number(r) + "</v></c>";
        rows += "<row r=\"" + std::to_string(r) + "\">" + value + "</row>";
    }
    test::WriteZip(book, test::WorkbookParts({{"PROJECT", test::SheetXml(rows)}}));
    const std::function<void()> replacers[] = {
        [&] {
            dialogs.files = {QString::fromStdString(book)};
            w->mnuexcelbook_Click();
        },
        [&] {
            ResetProject(m);
            m.Criteria.Pop2Mode = 3;
            m.Criteria.Inf1 = 7;
        },
    };
    for (std::size_t i = 0; i < std::size(replacers); ++i) {
        // The option pages as they were, built and left in their frames.
        ApplyDefaultCriteria(m.Criteria);
        w->ShowProjectSettings();
        for (int t : {3, 4, 5, 2}) tab(t);
        w->ShowProjectSettings();
        replacers[i]();
        const DesignCriteria replaced = m.Criteria;
        ASSERT_NE(replaced.Replaced, 0u);
        if (i == 0) {
            ASSERT_EQ(replaced.InfMode, 2);
            ASSERT_EQ(replaced.Inf1, 11.0);
            ASSERT_EQ(replaced.Pop1Mode, 2);
        }
        w->ShowProjectSettings();
        for (int t : {3, 4, 5, 6, 1, 5}) {
            tab(t);
            EXPECT_TRUE(m.Criteria == replaced) << "replacement " << i << ", tab " << t;
        }
        // The Infiltration page shows the replaced values.
        EXPECT_TRUE(option(replaced.InfMode - 1)->isChecked()) << i;
        EXPECT_EQ(optionBox(0)->text().toStdString(), CriterionText(replaced.Inf1)) << i;
        QTest::mouseClick(closeBox(), Qt::LeftButton);
        EXPECT_TRUE(m.Criteria == replaced) << i;
    }
    EXPECT_TRUE(dialogs.messages.empty());
}

// A number too large to hold is refused alike written out or in hex, and a
// title keeps what Latin-1 holds and names what it could not keep.
TEST_F(CriteriaWindow, RefusedNumbersAndUnkeptCharactersAreSaid) {
    w->ShowProjectSettings();
    listBox(0)->setText(QString::fromUtf8("Kanal \u2116 3 \u2013 Caf\u00e9 \U0001F6A7"));
    tab(2);
    ASSERT_EQ(dialogs.messages.size(), 1u);
    EXPECT_EQ(dialogs.messages[0].toStdString(),
              "Project: the characters \"\u2116\u2013\U0001F6A7\" cannot be kept, as these texts hold Latin-1 "
              "characters only; each is stored as \"?\".");
    EXPECT_EQ(m.Criteria.ProjectTitle, "Kanal ? 3 ? Caf\xe9 ?");
    const struct {
        const char* text;
        const char* says;  // after the text as quoted: without the blanks around it
    } cases[] = {{"1E400", "\"1E400\" is a number too large to hold"},
                 {"&H1FFFFFFFF", "\"&H1FFFFFFFF\" is a number too large to hold"},
                 {"&O77777777777", "\"&O77777777777\" is a number too large to hold"},
                 {"abc", "\"abc\" is not a number"},
                 {"0,004", "\"0,004\" is not a number"},
                 {" 12abc", "\"12abc\" is not a number"}};
    for (const auto& c : cases) {
        tab(2);
        type(listBox(1), "150");
        tab(6);
        dialogs.messages.clear();
        tab(2);
        type(listBox(1), c.text);
        tab(6);
        ASSERT_EQ(dialogs.messages.size(), 1u) << c.text;
        EXPECT_EQ(dialogs.messages[0].toStdString(), std::string("LPCD2: ") + c.says + "; the value is kept.");
        EXPECT_EQ(m.Criteria.LPCD2, 150.0) << c.text;
    }
}

}  // namespace
}  // namespace vd
