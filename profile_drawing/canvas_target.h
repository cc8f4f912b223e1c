// The screen target of the profile drawing: maps drawing units through the
// view origin onto the profile canvas and prints texts the canvas way.
#pragma once

#include "profile_drawing/output.h"

namespace vd {

class ProfileCanvas;

// How tall, in pixels, a text of `height` drawing units stands on a canvas
// showing pixelsPerUnit pixels to a drawing unit: scaled with the lines, so
// the canvas shows a text as the DXF and the CAD drawing do, with its capital
// letters `height` units tall; below kSmallestCanvasTextPixels it is painted
// as a bar of that height. 0 when it has no usable size. The one rule for the
// size of every canvas text.
double CanvasTextPixels(double height, double pixelsPerUnit);

class CanvasTarget : public CanvasOutput {
public:
    explicit CanvasTarget(ProfileCanvas& canvas) : canvas_(canvas) {}

    double ScaleWidth() const override;
    void Text(const Placement& at, double x, double y, double colour, double height, double angle,
              const std::string& style, const std::string& text) override;
    void Line(const Placement& at, double x1, double y1, double x2, double y2, double colour,
              const std::string& lineType) override;
    void Box(const Placement& at, double x1, double y1, double x2, double y2, int32_t rgb) override;

    // Text at canvas coordinates (already mapped through the view origin),
    // its baseline starting there as in the DXF.
    void FontStuff(double x, double y, const std::string& text, double angle, double height, double colour);

private:
    ProfileCanvas& canvas_;
};

}  // namespace vd
