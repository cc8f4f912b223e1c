#include <gtest/gtest.h>

#include <QCloseEvent>
#include <QCoreApplication>
#include <QFile>
#include <QTemporaryDir>
#include <optional>

#include "engine/model.h"
#include "cad/cad_document.h"
#include "platform/dialogs.h"
#include "platform/drawing_window.h"
#include "stub_views.h"
#include "workspace/main_window.h"

namespace vd {
namespace {

// Closing the program with an unsaved drawing asks first; a cancel keeps the
// program open, a discard lets it close.
TEST(MainWindow, ClosingAsksAboutAnUnsavedDrawing) {
    Model m;
    ScriptedDialogs dialogs;
    Form1 form(m, dialogs, test::StubViews());
    form.show();
    int answer = 2, asked = 0;
    form.Drawing().dialogs.askSave = [&](const QString&) { ++asked; return answer; };

    CadApplication& app = form.workspace().AcadApp();
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

// Network changes since the last Open or save are not lost unasked either.
TEST(MainWindow, ClosingAsksAboutUnsavedNetworkChanges) {
    using Choice = Dialogs::SaveChoice;
    QTemporaryDir dir;
    struct Case {
        const char* name;
        bool change;
        std::optional<Choice> answer;  // nullopt: no question expected
        bool closes;
    } cases[] = {
        {"nothing changed", false, std::nullopt, true},
        {"cancel", true, Choice::Cancel, false},
        {"discard", true, Choice::Discard, true},
        {"save", true, Choice::Save, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Model m;
        ScriptedDialogs dialogs;
        Form1 form(m, dialogs, test::StubViews());
        m.ProjectFolder = (dir.path() + "/").toStdString();
        m.ProjectName = "net";
        if (c.change) {
            m.Lines[1].From = "A";
            m.LineCount = 1;
        }
        if (c.answer) dialogs.saveChoices.push_back(*c.answer);
        QFile::remove(dir.path() + "/net.asb");
        QCloseEvent close;
        QCoreApplication::sendEvent(&form, &close);
        EXPECT_EQ(close.isAccepted(), c.closes);
        const bool asked = !dialogs.asked.empty() && dialogs.asked[0].kind == ScriptedDialogs::Asked::SaveChanges;
        EXPECT_EQ(asked, c.answer.has_value());
        EXPECT_EQ(QFile::exists(dir.path() + "/net.asb"), c.answer == Choice::Save);
        m.SetUi(nullptr);
    }
}

}  // namespace
}  // namespace vd
