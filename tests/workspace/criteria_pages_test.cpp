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
#include "engine/column_catalogue.h"
#include "workspace/criteria_pages.h"
#include "workspace/main_window.h"

namespace vd {
namespace {

class CriteriaWindow : public ::testing::Test {
protected:
    void SetUp() override {
        QStandardPaths::setTestModeEnabled(true);
        form = std::make_unique<Form1>(m, dialogs);
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
    void tab(int k) { QTest::mouseClick(p->tabStrip->tabBar(), Qt::LeftButton, {}, tabCentre(k)); }
    QPoint tabCentre(int k) const { return p->tabStrip->tabBar()->tabRect(k - 1).center(); }
    void type(QLineEdit* box, const QString& text) {
        box->selectAll();
        QTest::keyClicks(box, text);
    }
    // Labels of the option boxes shown.
    std::vector<QString> optionLabels() const {
        std::vector<QString> v;
        for (int k = 0; k < kOptionBoxes; ++k)
            if (p->optionBoxes[k]->isVisible()) v.push_back(p->optionLabels[k]->text());
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
    EXPECT_EQ(p->listFrame->title(), "Title");
    EXPECT_TRUE(p->optionFrame->isHidden());
    EXPECT_EQ(p->listLabels[1]->text(), "Designer :");
    EXPECT_TRUE(p->listBoxes[3]->isHidden());
    EXPECT_EQ(p->closeBox->text(), "---");
    EXPECT_EQ(p->tabStrip->tabText(4), "Infiltration");
    EXPECT_EQ(p->tabStrip->tabBar()->tabData(4).toString(), "mnuinfilt");
    EXPECT_EQ(w->findChild<QLineEdit*>("Text2(0)"), p->listBoxes[0]);

    // The start-up gave the criteria their defaults.
    tab(2);
    EXPECT_EQ(p->listFrame->title(), "Basic Criteria");
    EXPECT_EQ(p->listBoxes[2]->text(), "100");
    EXPECT_EQ(p->listBoxes[10]->text(), "N");
    type(p->listBoxes[0], "180");

    openFromMenu();  // the second call closes
    EXPECT_FALSE(p->isOpen());
    EXPECT_TRUE(p->listFrame->isHidden());
    EXPECT_EQ(w->statusText(), std::string(26, ' '));
    EXPECT_EQ(m.Criteria.LPCD1, 180.0);
}

TEST_F(CriteriaWindow, ModesChosenAreKeptAndTitlesFollow) {
    w->ShowProjectSettings();
    tab(3);
    EXPECT_EQ(p->optionFrame->title(), "Population1");
    EXPECT_TRUE(p->options[0]->isChecked());
    EXPECT_TRUE(optionLabels().empty());
    QTest::mouseClick(p->options[3], Qt::LeftButton);
    EXPECT_EQ(optionLabels(), (std::vector<QString>{"Area1(ha):", "Dencity1:", "Area2(ha):", "Dencity2"}));
    QTest::mouseClick(p->options[1], Qt::LeftButton);
    EXPECT_TRUE(optionLabels().empty());

    // The close box stores the option page shown, its mode included.
    QTest::mouseClick(p->closeBox, Qt::LeftButton);
    EXPECT_FALSE(p->isOpen());
    EXPECT_EQ(m.Criteria.Pop1Mode, 2);
    std::array<GridColumnDef, 106> catalogue{};
    SetColumnTitles(m, catalogue);
    EXPECT_EQ(catalogue[5].Title1.str(), "   Pop.1 ");

    // Reopened, the tab strip keeps its tab and a click on it builds its page.
    w->ShowProjectSettings();
    EXPECT_EQ(p->listFrame->title(), "Title");
    tab(3);
    EXPECT_EQ(p->optionFrame->title(), "Population1");
    EXPECT_TRUE(p->options[1]->isChecked());
    QTest::mouseClick(p->options[0], Qt::LeftButton);
    tab(4);
    EXPECT_EQ(m.Criteria.Pop1Mode, 1);
    QTest::mouseClick(p->options[3], Qt::LeftButton);
    EXPECT_EQ(p->optionLabels[1]->text(), "Decity1:");
}

TEST_F(CriteriaWindow, EnterInAnOptionBoxStoresItsPage) {
    w->ShowProjectSettings();
    tab(5);
    EXPECT_EQ(optionLabels(), (std::vector<QString>{"Min :", "Max :"}));
    type(p->optionBoxes[0], "5");
    type(p->optionBoxes[1], "6");
    QTest::mouseClick(p->options[2], Qt::LeftButton);
    EXPECT_EQ(optionLabels(), (std::vector<QString>{"Area1(ha):", "inf1(m3/ha/d):", "Area2(ha):", "inf2(m3/ha/d)"}));
    EXPECT_EQ(p->optionBoxes[0]->text(), "5");
    EXPECT_EQ(m.Criteria.InfMode, 1);
    type(p->optionBoxes[3], "2.5");
    QTest::keyClick(p->optionBoxes[3], Qt::Key_Return);
    EXPECT_EQ(m.Criteria.InfMode, 3);
    EXPECT_EQ(m.Criteria.InfRate2, 2.5);
    EXPECT_TRUE(dialogs.messages.empty());

    type(p->optionBoxes[2], "wide");
    QTest::keyClick(p->optionBoxes[2], Qt::Key_Return);
    ASSERT_EQ(dialogs.messages.size(), 1u);
    EXPECT_EQ(dialogs.messages[0], "Area2(ha): \"wide\" is not a number; the value is kept.");
    EXPECT_EQ(p->optionBoxes[2]->text(), "0");
    EXPECT_EQ(m.Criteria.InfArea2, 0.0);
}

TEST_F(CriteriaWindow, CommandsThatReplaceTheCriteriaCloseThePanelFirst) {
    w->ShowProjectSettings();
    tab(2);
    type(p->listBoxes[5], "15");
    w->mnublock_Click();
    EXPECT_FALSE(p->isOpen());
    EXPECT_EQ(m.Criteria.InflowPercent, 15.0);
}

}  // namespace
}  // namespace vd
