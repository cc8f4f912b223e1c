#include <gtest/gtest.h>

#include <QCloseEvent>
#include <QCoreApplication>

#include "engine/model.h"
#include "cad/cad_document.h"
#include "platform/dialogs.h"
#include "platform/drawing_window.h"
#include "workspace/main_window.h"

namespace vd {
namespace {

// Closing the program with an unsaved drawing asks first; a cancel keeps the
// program open, a discard lets it close.
TEST(MainWindow, ClosingAsksAboutAnUnsavedDrawing) {
    Model m;
    ScriptedDialogs dialogs;
    Form1 form(m, dialogs);
    form.show();
    int answer = 2, asked = 0;
    form.Drawing().dialogs.askSave = [&](const QString&) { ++asked; return answer; };

    CadApplication& app = form.VORLAN1->AcadApp();
    app.NewDocument();
    app.ActiveDocument().ModelSpace().AddLine({0, 0, 0}, {10, 10, 0});

    QCloseEvent cancelled;
    QCoreApplication::sendEvent(&form, &cancelled);
    EXPECT_FALSE(cancelled.isAccepted());
    EXPECT_EQ(asked, 1);
    EXPECT_EQ(app.ActiveDocument().ModelSpace().Count(), 1);

    answer = 1;  // discard
    QCloseEvent discarded;
    QCoreApplication::sendEvent(&form, &discarded);
    EXPECT_TRUE(discarded.isAccepted());
    EXPECT_EQ(asked, 2);
    m.SetUi(nullptr);
}

}  // namespace
}  // namespace vd
