// The profile view's canvas. A redraw records the screen marks of the sheet
// in canvas units (the view origin already applied); painting maps them onto
// the widget's pixels, so a resize or an expose repaints without walking the
// sheet again. Keys, Tab and Shift+Tab included, and mouse presses are passed
// on in virtual-key codes and canvas units.
#pragma once

#include <QWidget>
#include <cstdint>
#include <string>
#include <vector>

#include "profile_drawing/output.h"
#include "profile_view/key_table.h"
#include "profile_view/view_mapping.h"

namespace vd {

struct CanvasMark {
    enum Kind { Line, Box, Text } kind = Line;
    double x1 = 0, y1 = 0, x2 = 0, y2 = 0;  // canvas units, y downwards; where a text's baseline starts in x1, y1
    int32_t rgb = 0;                        // R + 256 G + 65536 B
    std::string text;                       // Latin-1
    int escapement = 0;                     // tenths of a degree, counter-clockwise
    double height = 0;                      // drawing units; sized against the widget as it is painted
};

// Everything the marks cover, in drawing units, for a view whose canvas shows
// viewOriginX at its left edge and viewTopY at its top. A text counts with
// the room its letters take.
DrawingRect MarksExtent(const std::vector<CanvasMark>& marks, double viewOriginX, double viewTopY);

// The screen target of the drawing: keeps the marks of the last draw.
class CanvasMarks : public CanvasOutput {
public:
    double ScaleWidth() const override { return scaleWidth_; }
    double ScaleHeight() const { return scaleHeight_; }
    void SetScale(double width, double height);

    void Text(const Placement& at, double x, double y, double colour, double height, double angle,
              const std::string& style, const std::string& text) override;
    void Line(const Placement& at, double x1, double y1, double x2, double y2, double colour,
              const std::string& lineType) override;
    void Box(const Placement& at, double x1, double y1, double x2, double y2, int32_t rgb) override;

    void Clear() { marks_.clear(); }
    const std::vector<CanvasMark>& marks() const { return marks_; }

private:
    std::vector<CanvasMark> marks_;
    double scaleWidth_ = 600, scaleHeight_ = 400;
};

// A mouse button as the view's handlers number it: 1 left, 2 right, 4 middle, 0 other.
int MouseButtonCode(Qt::MouseButton button);

class ProfileCanvasWidget : public QWidget {
    Q_OBJECT
public:
    explicit ProfileCanvasWidget(QWidget* parent = nullptr);

    CanvasMarks& marks() { return marks_; }
    const CanvasMarks& marks() const { return marks_; }
    // The canvas's scale extents, in drawing units across and down; repaints.
    // One unit takes as many pixels down as across.
    void SetScale(double width, double height);
    // Pixels to a drawing unit.
    double PixelsPerUnit() const;
    void SetBackColour(int32_t rgb);
    int32_t BackColour() const { return back_; }
    // Clears the marks (the drawing's Cls); the next marks are made for a view
    // with viewOriginX at the canvas's left edge and viewTopY at its top.
    void Cls(double viewOriginX = 0, double viewTopY = 0);
    // The view moved without a new draw (a resize keeping the centre): the
    // kept marks are painted where the moved view shows them.
    void MoveView(double viewOriginX, double viewTopY);

    // Pixel point to canvas units.
    QPointF ToUnits(const QPointF& px) const;

signals:
    void KeyDown(int keyCode, int mask);
    // Canvas units; button 1 left, 2 right, 4 middle.
    void MouseDown(int button, double x, double y);
    void MouseUp(int button, double x, double y);

protected:
    bool event(QEvent* e) override;
    void keyPressEvent(QKeyEvent* e) override;
    void mousePressEvent(QMouseEvent* e) override;
    void mouseReleaseEvent(QMouseEvent* e) override;
    void paintEvent(QPaintEvent* e) override;

private:
    CanvasMarks marks_;
    int32_t back_ = 0;
    double marksOriginX_ = 0, marksTopY_ = 0;  // the view the marks were made for
    double shiftX_ = 0, shiftY_ = 0;           // canvas units from that view to the one shown
};

}  // namespace vd
