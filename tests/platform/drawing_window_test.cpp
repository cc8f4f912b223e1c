#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QFileInfo>
#include <QKeyEvent>
#include <QLineEdit>
#include <QTemporaryDir>
#include <QTimer>
#include <fstream>
#include <functional>
#include <optional>
#include <string>
#include <vector>

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

    // Typed: a text that is no point is refused, naming the box, and the
    // prompt goes on asking until a point comes.
    auto* box = w.findChild<QLineEdit*>("pointEdit");
    ASSERT_TRUE(box);
    std::vector<QString> said;
    w.dialogs.message = [&](const QString& t) { said.push_back(t); };
    QTimer::singleShot(0, [&] {
        for (const char* text : {"12abc, 5", "7, 8"}) {
            box->setText(text);
            emit box->returnPressed();
        }
    });
    p = app.ActiveDocument().Utility().GetPoint("Enter Insertion point: ");
    EXPECT_EQ(p, (CadPoint{7, 8, 0}));
    ASSERT_EQ(said.size(), 1u);
    EXPECT_EQ(said[0], "Insertion point: \"12abc\" is not a number; type the point as x, y or x, y, z.");
}

TEST(DrawingWindow, TypedPointReadsEachNumberWhole) {
    const std::string digits(1000, '3');
    const std::string again = "; type the point as x, y or x, y, z.";
    const struct {
        std::string text;
        std::optional<CadPoint> point;
        std::string refusal;  // after "Insertion point: "
    } cases[] = {
        {"3, 4", CadPoint{3, 4, 0}, ""},
        {" -1.5;2e3 ", CadPoint{-1.5, 2000, 0}, ""},
        {"1 2 3", CadPoint{1, 2, 3}, ""},
        {"&H10,1D2", CadPoint{16, 100, 0}, ""},
        {"abc", std::nullopt, "\"abc\" is not a number"},
        {"3, 4abc", std::nullopt, "\"4abc\" is not a number"},
        {"inf, 1", std::nullopt, "\"inf\" is not a number"},
        {"1E400, 1", std::nullopt, "\"1E400\" is a number too large to hold"},
        {digits + ", 1", std::nullopt, "\"" + digits.substr(0, 40) + "...\" is a number too large to hold"},
        {"5", std::nullopt, "\"5\" is not a point"},
        {"1, 2, 3, 4", std::nullopt, "\"1, 2, 3, 4\" is not a point"},
        {"  ", std::nullopt, "the box is empty"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text.substr(0, 20));
        const TypedPoint t = ReadTypedPoint("Enter Insertion point: ", c.text);
        EXPECT_EQ(t.point, c.point);
        EXPECT_EQ(t.refusal, c.point ? "" : "Insertion point: " + c.refusal + again);
    }
    EXPECT_EQ(ReadTypedPoint("", "x").refusal, "Point: \"x\" is not a number" + again);
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

namespace vd {
namespace {

// A drawing read with losses is never saved over its file: Save says what
// would be lost and asks for a new name.
TEST(DrawingWindow, SaveNeverReplacesAFileWithLessThanItHeld) {
    QTemporaryDir dir;
    const QString source = dir.filePath("other.dxf");
    {
        std::ofstream f(source.toStdString(), std::ios::binary);
        f << "  0\nSECTION\n  2\nENTITIES\n  0\nLINE\n  8\n0\n 10\n0\n 20\n0\n 11\n1\n 21\n1\n"
             "  0\nHATCH\n  8\n0\n  0\nENDSEC\n  0\nEOF\n";
    }
    auto sourceBytes = [&] {
        std::ifstream f(source.toStdString(), std::ios::binary);
        return std::string((std::istreambuf_iterator<char>(f)), {});
    };
    const std::string before = sourceBytes();
    CadApplication app;
    DrawingWindow w(app);
    QStringList said;
    QString target;  // the Save As dialog's answer; empty: cancelled
    w.dialogs.message = [&](const QString& t) { said << t; };
    w.dialogs.saveFileName = [&](const QString&) { return target; };
    w.dialogs.askSave = [](const QString&) { return 0; };
    ASSERT_TRUE(w.openDrawing(source));
    app.ActiveDocument().ModelSpace().AddLine({0, 0, 0}, {5, 5, 0});
    said.clear();
    EXPECT_FALSE(w.save());  // Save As offered and cancelled
    ASSERT_EQ(said.size(), 1);
    EXPECT_TRUE(said[0].contains("HATCH")) << said[0].toStdString();
    target = source;  // the same file chosen again
    EXPECT_FALSE(w.save());
    EXPECT_EQ(sourceBytes(), before);
    EXPECT_TRUE(app.ActiveDocument().modified());
    target = dir.filePath("copy.dxf");
    EXPECT_TRUE(w.maybeSave());  // closing the program: saved to the new file
    EXPECT_TRUE(QFileInfo::exists(target));
    EXPECT_EQ(sourceBytes(), before);
    app.ActiveDocument().ModelSpace().AddLine({0, 0, 0}, {6, 6, 0});
    said.clear();
    EXPECT_TRUE(w.save());  // the new file holds all the drawing has
    EXPECT_TRUE(said.isEmpty());
}

// The view keeps what it painted and draws only what a command added; after
// every kind of change it must show what drawing everything anew shows.
TEST(DrawingWindow, KeptPictureShowsWhatAFullRedrawShows) {
    CadApplication app;
    DrawingWindow w(app);
    w.resize(400, 300);
    app.NewDocument();
    CadDocument& doc = app.ActiveDocument();
    CadBlock& space = doc.ModelSpace();
    space.AddLine({0, 0, 0}, {100, 60, 0})->setLayer("sewer");
    space.AddLine({0, 60, 0}, {100, 0, 0})->Color = 3;
    app.setVisible(true);
    app.ZoomWindow({-10, -10, 0}, {110, 70, 0});
    auto shown = [&] { return w.view()->grab().toImage(); };
    QImage before = shown();
    const std::vector<std::pair<const char*, std::function<void()>>> steps = {
        {"a line added", [&] { space.AddLine({0, 30, 0}, {100, 30, 0})->setLayer("sewer"); app.ShowAdded(); }},
        {"a text added", [&] { space.AddText("VORLAN-Profile", {10, 10, 0}, 8); app.ShowAdded(); }},
        {"a layer's colour", [&] { doc.Layers().Item("sewer").Color = 1; app.ShowAdded(); }},
        {"a line erased", [&] { space.Item(0)->Erase(); app.ShowAdded(); }},
        {"a colour changed", [&] { space.Item(0)->Color = 5; app.Update(); }},
        {"zoomed", [&] { QKeyEvent plus(QEvent::KeyPress, Qt::Key_Plus, Qt::NoModifier);
                         QCoreApplication::sendEvent(w.view(), &plus); }},
        {"resized", [&] { w.resize(500, 350); }},
    };
    for (const auto& [what, change] : steps) {
        change();
        const QImage kept = shown();
        w.view()->redrawAll();
        EXPECT_EQ(kept, shown()) << what;
        EXPECT_NE(kept, before) << what << " left the picture as it was";
        before = kept;
    }
}

}  // namespace
}  // namespace vd
