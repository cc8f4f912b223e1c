// The main window as it opens, with the profile view and each of its frames
// shown: every caption fits its control and every control lies in sight.
#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QCheckBox>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollArea>
#include <QStandardPaths>
#include <QStyle>
#include <QTest>

#include "grid/flex.h"
#include "profile_view/profile_control.h"
#include "recording_ui.h"
#include "temp_dir.h"
#include "town_network.h"
#include "widget_lookup.h"
#include "workspace/main_window.h"

namespace vd {
namespace {

// Room a control's caption needs, beside its indicator for check and option boxes.
int CaptionNeeds(const QWidget* w, const QString& caption) {
    QString text = caption;
    text.remove('&');
    int need = w->fontMetrics().horizontalAdvance(text);
    if (qobject_cast<const QCheckBox*>(w) || qobject_cast<const QRadioButton*>(w))
        need += w->style()->pixelMetric(QStyle::PM_IndicatorWidth) +
                w->style()->pixelMetric(QStyle::PM_CheckBoxLabelSpacing);
    return need;
}

// Controls under `root` shown now whose caption does not fit.
QStringList Clipped(const QWidget* root) {
    QStringList out;
    for (const QWidget* w : root->findChildren<QWidget*>()) {
        if (!w->isVisibleTo(root->window()) || !w->isVisible()) continue;
        QString caption;
        if (auto* b = qobject_cast<const QAbstractButton*>(w)) caption = b->text();
        else if (auto* l = qobject_cast<const QLabel*>(w)) caption = l->text();
        if (caption.trimmed().isEmpty()) continue;
        if (CaptionNeeds(w, caption) > w->contentsRect().width()) out << caption;
    }
    return out;
}

TEST(WindowCaptions, NothingClippedAtTheDefaultSize) {
    QStandardPaths::setTestModeEnabled(true);
    test::TempDir dir{"window_captions"};
    Model m;
    ScriptedDialogs dialogs;
    ASSERT_TRUE(test::OpenProcessedTown(m, dir.path()));
    auto* profile = new ProfileControl(m, dialogs, nullptr, QString::fromStdString(dir.folder()));
    Form1 form(m, dialogs, {new Flex(m, dialogs), profile});
    form.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&form));
    Vorlan& w = form.workspace();

    // The button row, "Mh Type" at its end included, inside the window.
    EXPECT_EQ(Clipped(&w), QStringList{});
    auto* check = test::Child<QCheckBox>(&w, "Check3");
    ASSERT_NE(check, nullptr);
    EXPECT_LE(check->mapTo(&form, QPoint(check->width(), 0)).x(), form.width());

    // The profile view: its panel shows at its full width, above the status bar.
    w.Command3_Click();
    QApplication::processEvents();
    auto* scroll = profile->findChild<QScrollArea*>();
    ASSERT_NE(scroll, nullptr);
    auto panelFits = [&] { return scroll->widget()->width() <= scroll->viewport()->width(); };
    EXPECT_TRUE(panelFits());
    EXPECT_LE(scroll->mapTo(&form, QPoint(0, scroll->height())).y(),
              test::Child<QWidget>(&w, "StatusBar1")->mapTo(&form, QPoint(0, 0)).y());
    EXPECT_EQ(Clipped(profile), QStringList{});

    // Each frame of the panel opened in turn: the style page, the search, the sheet options, the Draw frame.
    for (const char* opener : {"Command14", "Command18", "Command17", "Command21"}) {
        auto* button = profile->findChild<QPushButton*>(opener);
        ASSERT_NE(button, nullptr) << opener;
        button->click();
        QApplication::processEvents();
        EXPECT_TRUE(panelFits()) << opener;
        EXPECT_EQ(Clipped(profile), QStringList{}) << opener;
        button->click();
        QApplication::processEvents();
    }
}

}  // namespace
}  // namespace vd
