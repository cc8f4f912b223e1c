#include <gtest/gtest.h>

#include <QFileInfo>
#include <QTemporaryDir>
#include <QTimer>

#include "platform/drawing_window.h"

namespace vd {
namespace {

TEST(DrawingWindow, UnsavedDrawingIsNotLostWithoutAQuestion) {
    CadApplication app;
    DrawingWindow w(app);
    QTemporaryDir dir;
    int answer = 2, asked = 0;
    QString target = dir.filePath("saved");
    w.dialogs.askSave = [&](const QString&) { ++asked; return answer; };
    w.dialogs.saveFileName = [&](const QString&) { return target; };
    w.dialogs.message = [](const QString&) {};
    EXPECT_TRUE(w.maybeSave());  // nothing open
    app.NewDocument();
    EXPECT_TRUE(w.maybeSave());  // nothing changed
    EXPECT_EQ(asked, 0);
    app.ActiveDocument().ModelSpace().AddLine({0, 0, 0}, {1, 1, 0});
    EXPECT_FALSE(w.maybeSave());  // cancel keeps the program open
    EXPECT_FALSE(w.newDrawing());
    EXPECT_EQ(app.ActiveDocument().ModelSpace().Count(), 1);
    answer = 0;
    EXPECT_TRUE(w.maybeSave());
    EXPECT_TRUE(QFileInfo::exists(dir.filePath("saved.dxf")));
    EXPECT_FALSE(app.ActiveDocument().modified());
    EXPECT_TRUE(w.openDrawing(dir.filePath("saved.dxf")));
    EXPECT_EQ(app.ActiveDocument().ModelSpace().Count(), 1);
    QString said;
    w.dialogs.message = [&](const QString& t) { said = t; };
    EXPECT_FALSE(w.openDrawing(dir.filePath("missing.dxf")));
    EXPECT_TRUE(said.contains("was not opened"));
    EXPECT_EQ(app.ActiveDocument().ModelSpace().Count(), 1);
}

TEST(DrawingWindow, PointPromptAnsweredInTheView) {
    CadApplication app;
    DrawingWindow w(app);
    app.NewDocument();
    QTimer::singleShot(0, [&] { emit w.view()->picked(3, 4); });
    CadPoint p = app.ActiveDocument().Utility().GetPoint("Enter Insertion point: ");
    EXPECT_EQ(p[0], 3);
    EXPECT_EQ(p[1], 4);
    QTimer::singleShot(0, [&] { emit w.view()->cancelled(); });
    EXPECT_THROW(app.ActiveDocument().Utility().GetPoint("again"), CadError);
}

}  // namespace
}  // namespace vd
