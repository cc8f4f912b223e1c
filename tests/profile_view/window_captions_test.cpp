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
#include <QAction>
#include <QPlainTextEdit>
#include <QStyle>
#include <QTabWidget>
#include <QTest>
#include <memory>
#include <set>

#include "grid/flex.h"
#include "profile_view/canvas_widget.h"
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

// The sample town opened and processed in the main window, with the grid and
// the profile view, shown at `size` (the default size when empty).
struct TownWindow {
    explicit TownWindow(const char* dirName, QSize size = {}) : dir{dirName} {
        ok = test::OpenProcessedTown(m, dir.path());
        profile = new ProfileControl(m, dialogs, nullptr, QString::fromStdString(dir.folder()));
        form = std::make_unique<Form1>(m, dialogs, Vorlan::Views{new Flex(m, dialogs), profile});
        if (size.isValid()) form->resize(size);
        form->show();
        ok = ok && QTest::qWaitForWindowExposed(form.get());
    }
    ~TownWindow() { m.SetUi(nullptr); }
    test::TempDir dir;
    Model m;
    ScriptedDialogs dialogs;
    ProfileControl* profile = nullptr;
    std::unique_ptr<Form1> form;
    bool ok = false;
};

TEST(WindowCaptions, NothingClippedAtTheDefaultSize) {
    QStandardPaths::setTestModeEnabled(true);
    TownWindow t("window_captions");
    ASSERT_TRUE(t.ok);
    Form1& form = *t.form;
    ProfileControl* profile = t.profile;
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

// A widget's place in the window.
QRect InWindow(const QWidget* w) { return QRect(w->mapTo(w->window(), QPoint(0, 0)), w->size()); }

// Maximized on the common screens, under a title bar: the criteria tabs stand
// clear of the log box; the profile view's canvas and panel lie side by side
// above the status bar; each frame of the panel opens in sight, wholly where
// it fits; the key help lies on the canvas. On a netbook's low screen the
// search frame is taller than the panel and opens with its top in sight.
TEST(WindowCaptions, EveryPanelInSightAtCommonScreenSizes) {
    QStandardPaths::setTestModeEnabled(true);
    for (const QSize screen : {QSize(1366, 768), QSize(1920, 1080), QSize(1024, 600)}) {
        SCOPED_TRACE(std::to_string(screen.width()) + "x" + std::to_string(screen.height()));
        TownWindow t("window_sizes", QSize(screen.width(), screen.height() - 30));
        ASSERT_TRUE(t.ok);
        Form1& form = *t.form;
        ProfileControl* profile = t.profile;
        Vorlan& w = form.workspace();
        const QRect window = form.rect();
        const QRect status = InWindow(test::Child<QWidget>(&w, "StatusBar1"));

        test::Child<QAction>(&w, "mnusettings")->trigger();
        const QRect tabs = InWindow(test::Child<QTabWidget>(&w, "TabStrip1"));
        EXPECT_FALSE(tabs.intersects(InWindow(test::Child<QPlainTextEdit>(&w, "Textwin"))));
        EXPECT_TRUE(window.contains(tabs));
        EXPECT_LE(tabs.bottom(), status.top());
        test::Child<QAction>(&w, "mnusettings")->trigger();

        w.Command3_Click();
        QApplication::processEvents();
        auto* scroll = profile->findChild<QScrollArea*>();
        ASSERT_NE(scroll, nullptr);
        const QRect canvas = InWindow(&profile->canvasWidget()), panel = InWindow(scroll->viewport());
        EXPECT_FALSE(canvas.intersects(panel));
        for (const QRect& r : {canvas, panel}) {
            EXPECT_TRUE(window.contains(r));
            EXPECT_LT(r.bottom(), status.top());
        }
        auto shownFrames = [&] {
            std::set<QWidget*> out;
            for (QWidget* f : scroll->widget()->findChildren<QWidget*>())
                if (f->layout() && f->isVisible()) out.insert(f);
            return out;
        };
        const struct {
            const char *open, *close;
        } frames[] = {{"Command14", "Command14"}, {"Command18", "Command19"}, {"Command17", "Command17"},
                      {"Command21", "Command38"}};
        int taller = 0;  // frames taller than the panel
        for (const auto& f : frames) {
            SCOPED_TRACE(f.open);
            const std::set<QWidget*> before = shownFrames();
            profile->findChild<QPushButton*>(f.open)->click();
            QApplication::processEvents();
            QRect opened;
            for (QWidget* frame : shownFrames())
                if (!before.count(frame)) opened |= InWindow(frame);
            ASSERT_FALSE(opened.isEmpty());
            taller += opened.height() > panel.height();
            // Its top in sight, and all of it where it fits.
            EXPECT_GE(opened.top(), panel.top());
            EXPECT_LT(opened.top() + 20, panel.bottom());
            if (opened.height() <= panel.height()) { EXPECT_LE(opened.bottom(), panel.bottom()); }
            profile->findChild<QPushButton*>(f.close)->click();
            QApplication::processEvents();
        }
        EXPECT_EQ(taller > 0, screen.height() < 700);
        profile->findChild<QPushButton*>("Command41")->click();
        EXPECT_TRUE(canvas.contains(InWindow(profile->findChild<QFrame*>("Frame9"))));
    }
}

}  // namespace
}  // namespace vd
