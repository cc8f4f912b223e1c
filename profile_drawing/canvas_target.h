// The screen target of the profile drawing: maps drawing units through the
// view origin onto the profile canvas and prints texts the canvas way.
#pragma once

#include "profile_drawing/output.h"

namespace vd {

class ProfileCanvas;

// The character height in pixels of a canvas text of the given height in
// drawing units, on a canvas scaleWidth units and widthPx pixels across. The
// one place where the canvas text size is calibrated against the screen.
int CanvasTextPixels(double height, double scaleWidth, int widthPx);

class CanvasTarget : public CanvasOutput {
public:
    explicit CanvasTarget(ProfileCanvas& canvas) : canvas_(canvas) {}

    double ScaleWidth() const override;
    void Text(const Placement& at, double x, double y, double colour, double height, double angle,
              const std::string& style, const std::string& text) override;
    void Line(const Placement& at, double x1, double y1, double x2, double y2, double colour,
              const std::string& lineType) override;
    void Box(const Placement& at, double x1, double y1, double x2, double y2, int32_t rgb) override;

    // Text at canvas coordinates (already mapped through the view origin).
    void FontStuff(double x, double y, const std::string& text, double angle, double height, double colour);

private:
    ProfileCanvas& canvas_;
};

}  // namespace vd
