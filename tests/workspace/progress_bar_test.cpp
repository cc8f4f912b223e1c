#include <gtest/gtest.h>

#include <QLabel>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QTest>

#include "platform/dialogs.h"
#include "workspace/workspace.h"

namespace vd {
namespace {

// Values faster than the display are not all painted, but the bar always
// ends on the last one given.
TEST(WorkspaceProgress, BarEndsOnTheLastValueGiven) {
    QPlainTextEdit log;
    QLabel status;
    QProgressBar bar;
    bar.setRange(0, 100);
    ScriptedDialogs dialogs;
    WorkspaceUi ui(&log, &status, &bar, dialogs);
    for (int last : {0, 57}) {
        QTest::qWait(30);
        ui.SetProgress(40);
        EXPECT_EQ(bar.value(), 40);  // the first after a pause is shown at once
        for (int v = 41; v <= 100; ++v) ui.SetProgress(v);
        ui.SetProgress(last);
        QTest::qWait(40);
        EXPECT_EQ(bar.value(), last);
    }
    ui.SetProgress(250);
    QTest::qWait(40);
    EXPECT_EQ(bar.value(), 100);
}

}  // namespace
}  // namespace vd
