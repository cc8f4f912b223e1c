// The profile canvas: a back-buffer image with a user scale (drawing units
// across and down), lines, selection boxes and rotated Arial text. The profile
// view shows the image; the drawing engine paints it through its canvas target.
#pragma once

#include <QImage>
#include <cstdint>
#include <string>
#include <string_view>

class QColor;
class QPainter;
class QPointF;
class QString;

namespace vd {

// Capitals shorter than this many pixels cannot be read: such a text is
// painted as a bar of its colour over the room its letters take, as CAD
// viewers do when zoomed out, so a whole sheet still shows where its labels
// stand. The files and the CAD drawing keep every text as it is.
inline constexpr double kSmallestCanvasTextPixels = 3;

// Paints a Latin-1 text whose baseline starts at `at` (pixels), turned angle
// degrees counter-clockwise about that point, in Arial whose capital letters
// stand capPixels tall; below kSmallestCanvasTextPixels, its bar, at least a
// pixel thick. Every canvas text is painted through it.
void PaintCanvasText(QPainter& p, const QPointF& at, std::string_view text, double capPixels, double angle,
                     const QColor& colour);

// How many pixels along its baseline a Latin-1 text's letters take when its
// capitals stand capPixels tall; trailing blanks take none.
double CanvasTextLength(std::string_view text, double capPixels);

class ProfileCanvas {
public:
    explicit ProfileCanvas(int widthPx = 607, int heightPx = 400);

    // Pixel size of the image; the content is cleared to the back colour.
    void Resize(int widthPx, int heightPx);
    int widthPx() const { return image_.width(); }
    int heightPx() const { return image_.height(); }

    // The user scale: units across and down the whole image.
    void SetScale(double scaleWidth, double scaleHeight);
    double ScaleWidth() const { return scaleWidth_; }
    double ScaleHeight() const { return scaleHeight_; }

    // Colours are R + 256 G + 65536 B.
    void SetBackColour(int32_t rgb) { back_ = rgb; }
    int32_t BackColour() const { return back_; }
    void Clear();

    // Coordinates in user units, y growing downwards.
    void Line(double x1, double y1, double x2, double y2, int32_t rgb);
    void Box(double x1, double y1, double x2, double y2, int32_t rgb);
    // Latin-1 text whose baseline starts at (x, y), turned angle degrees
    // counter-clockwise about that point, its capitals capPixels tall.
    void Print(double x, double y, const std::string& text, double angle, double capPixels, int32_t rgb);

    const QImage& image() const { return image_; }

private:
    QPointF toPixels(double x, double y) const;
    QImage image_;
    double scaleWidth_ = 600, scaleHeight_ = 400;
    int32_t back_ = 0;
};

}  // namespace vd
