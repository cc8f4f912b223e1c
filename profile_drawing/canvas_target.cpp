#include "profile_drawing/canvas_target.h"

#include <cmath>

#include "cad/aci_palette.h"
#include "engine/number_text.h"
#include "platform/profile_canvas.h"

namespace vd {

// Text size goes as height over the scale width, as the sheet's lines do. The
// device width that makes it true to the sheet is the canvas's own width in
// pixels; texts are drawn at twice that, which keeps the smallest table text
// legible once a sheet fills the window and still clear of the pipe band.
// (A fixed device width of 28800 made every text 20 to 50 times its drawing
// height and buried the sheet under its own labels.)
constexpr double kScreenTextEnlargement = 2.0;

int CanvasTextPixels(double height, double scaleWidth, int widthPx) {
    if (scaleWidth == 0) return 0;
    const double px = kScreenTextEnlargement * widthPx * height / scaleWidth;
    if (!std::isfinite(px) || std::fabs(px) > 1e6) return 0;
    return static_cast<int>(std::fabs(RoundHalfEven(px)));
}

double CanvasTarget::ScaleWidth() const { return canvas_.ScaleWidth(); }

void CanvasTarget::Text(const Placement& at, double x, double y, double colour, double height, double angle,
                        const std::string&, const std::string& text) {
    FontStuff(x - at.ViewOriginX, at.ViewTopY - y, text, angle, height, colour);
}

void CanvasTarget::Line(const Placement& at, double x1, double y1, double x2, double y2, double colour,
                        const std::string&) {
    canvas_.Line(x1 - at.ViewOriginX, at.ViewTopY - y1, x2 - at.ViewOriginX, at.ViewTopY - y2,
                 AciToRgb(ColourIndex(colour)));
}

void CanvasTarget::Box(const Placement& at, double x1, double y1, double x2, double y2, int32_t rgb) {
    canvas_.Box(x1 - at.ViewOriginX, at.ViewTopY - y1, x2 - at.ViewOriginX, at.ViewTopY - y2, rgb);
}

void CanvasTarget::FontStuff(double x, double y, const std::string& text, double angle, double height,
                             double colour) {
    const double tenths = angle * 10;
    const int escapement = std::isfinite(tenths) && std::fabs(tenths) < 1e9 ? static_cast<int>(RoundHalfEven(tenths)) : 0;
    const double a = angle * 3.14 / 180;
    // The text cell's top-left sits 1.333 heights above the given point.
    const double px = x - height * 0.4 * std::sin(a) / 0.3;
    const double py = y - height * 0.4 * std::cos(a) / 0.3;
    canvas_.Print(px, py, text, escapement, CanvasTextPixels(height, canvas_.ScaleWidth(), canvas_.widthPx()),
                  AciToRgb(ColourIndex(colour)));
}

}  // namespace vd
