// The "Drawing" window: shows the CAD document the commands draw into, with
// zoom and pan, answers point prompts by a click or typed coordinates, and
// opens and saves the drawing as DXF.
#pragma once

#include <QImage>
#include <QMainWindow>
#include <QWidget>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "cad/cad_document.h"

class QLabel;
class QLineEdit;
class QEventLoop;

namespace vd {

class DrawingView : public QWidget {
    Q_OBJECT
public:
    explicit DrawingView(CadApplication& app, QWidget* parent = nullptr);
    void zoomExtents();
    // Fits the plan area to the view; the view then stays until the user or
    // a command moves it.
    void zoomWindow(double x0, double y0, double x1, double y1);
    // True once the user zoomed or panned since the last zoom to extents.
    bool userMoved() const { return userMoved_; }
    // True while the view frames what a command asked to show.
    bool framed() const { return framed_; }
    // Screen <-> drawing coordinates of the current view.
    QPointF toScreen(double x, double y) const;
    CadPoint toDrawing(const QPointF& p) const;
    bool picking = false;
    // The next paint draws the whole drawing again rather than only what was
    // added to model space since the last one.
    void redrawAll();

signals:
    void picked(double x, double y);
    void cancelled();
    void cursorAt(double x, double y);

protected:
    void paintEvent(QPaintEvent*) override;
    void wheelEvent(QWheelEvent*) override;
    void mousePressEvent(QMouseEvent*) override;
    void mouseMoveEvent(QMouseEvent*) override;
    void mouseReleaseEvent(QMouseEvent*) override;
    void keyPressEvent(QKeyEvent*) override;

private:
    void fitArea(double x0, double y0, double x1, double y1);
    // Brings the kept image up to date: entities added since it was drawn
    // are drawn onto it; anything else draws it anew.
    void updateImage(CadDocument& doc);
    void drawEntities(QPainter& p, CadDocument& doc, size_t from);
    CadApplication& app_;
    double scale_ = 1;              // pixels per drawing unit
    double centreX_ = 0, centreY_ = 0;
    QPoint panFrom_;
    bool panning_ = false;
    bool userMoved_ = false;
    bool framed_ = false;
    // The drawing as last painted, and what it shows.
    QImage image_;
    bool imageValid_ = false;
    const CadDocument* imageDoc_ = nullptr;
    size_t imageCount_ = 0;                // model space entities drawn
    const CadEntity* imageLast_ = nullptr;  // the last of them
    double imageScale_ = 0, imageCentreX_ = 0, imageCentreY_ = 0;
    std::vector<std::pair<std::string, int>> imageLayers_;  // names and colours
};

// A point typed at a prompt: "x, y" or "x, y, z", the parts apart by commas,
// semicolons or blanks, each one number read whole. The point, or why the
// text is refused, naming the box by the prompt ("Enter Insertion point: "
// names "Insertion point").
struct TypedPoint {
    std::optional<CadPoint> point;
    std::string refusal;
};
TypedPoint ReadTypedPoint(std::string_view prompt, std::string_view text);

// Questions the window asks, replaceable so tests answer them headless.
struct DrawingDialogs {
    // 0 save, 1 discard, 2 cancel
    std::function<int(const QString& name)> askSave;
    std::function<QString(const QString& suggested)> saveFileName;
    std::function<QString()> openFileName;
    std::function<void(const QString& text)> message;
};

class DrawingWindow : public QMainWindow, public CadHost {
    Q_OBJECT
public:
    explicit DrawingWindow(CadApplication& app, QWidget* parent = nullptr);
    ~DrawingWindow() override;

    // Before the program closes: asks about an unsaved drawing. False when the
    // user cancelled (the program stays open) or saving failed.
    bool maybeSave();
    bool newDrawing();
    bool openDrawing(const QString& path = {});
    bool save();
    bool saveAs(const QString& path = {});

    DrawingView* view() const { return view_; }
    DrawingDialogs dialogs;

    // CadHost
    void cadShow(bool visible) override;
    void cadActivate() override;
    void cadZoomExtents() override;
    void cadZoomWindow(double x0, double y0, double x1, double y1) override;
    void cadChanged() override;
    void cadAdded() override;
    std::optional<CadPoint> cadGetPoint(const std::string& prompt) override;

protected:
    void closeEvent(QCloseEvent*) override;

private:
    void updateTitle();
    void finishPick(std::optional<CadPoint> p);
    CadApplication& app_;
    DrawingView* view_;
    QLabel* promptLabel_;
    QLineEdit* pointEdit_;
    QLabel* cursorLabel_;
    QEventLoop* pickLoop_ = nullptr;
    std::optional<CadPoint> pickResult_;
    std::string prompt_;  // of the point asked for
};

}  // namespace vd
