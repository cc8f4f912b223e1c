#include "profile_drawing/canvas_target.h"

#include <cmath>

#include "cad/aci_palette.h"
#include "engine/fixed_text.h"
#include "platform/profile_canvas.h"

namespace vd {

double CanvasTextPixels(double height, double pixelsPerUnit) {
    const double px = std::fabs(height * pixelsPerUnit);
    if (!std::isfinite(px)) return 0;
    return px;
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
    const double pixels = CanvasTextPixels(height, canvas_.widthPx() / canvas_.ScaleWidth());
    if (pixels <= 0) return;
    // The DXF drops a text's leading blanks; so does the canvas, to put it in the same place.
    canvas_.Print(x, y, TrimLeft(text), angle, pixels, AciToRgb(ColourIndex(colour)));
}

}  // namespace vd
