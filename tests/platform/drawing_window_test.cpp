#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QFileInfo>
#include <QKeyEvent>
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

// A view the user chose stays while commands show the window and draw.
TEST(DrawingWindow, UserZoomSurvivesTheNextCommand) {
    CadApplication app;
    DrawingWindow w(app);
    app.NewDocument();
    app.setVisible(true);
    app.ActiveDocument().ModelSpace().AddLine({0, 0, 0}, {100, 100, 0});
    app.Update();
    EXPECT_FALSE(w.view()->userMoved());
    QPointF far = w.view()->toScreen(100, 100);
    QKeyEvent plus(QEvent::KeyPress, Qt::Key_Plus, Qt::NoModifier);
    QCoreApplication::sendEvent(w.view(), &plus);
    EXPECT_TRUE(w.view()->userMoved());
    QPointF zoomed = w.view()->toScreen(100, 100);
    EXPECT_NE(zoomed, far);
    app.setVisible(true);  // the next command shows the window again
    app.ActiveDocument().ModelSpace().AddLine({0, 0, 0}, {500, 0, 0});
    app.Update();
    EXPECT_TRUE(w.view()->userMoved());
    EXPECT_EQ(w.view()->toScreen(100, 100), zoomed);
    app.ZoomExtents();  // asked for explicitly
    EXPECT_FALSE(w.view()->userMoved());
}

}  // namespace
}  // namespace vd
