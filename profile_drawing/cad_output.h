// The CAD drawing as a profile target: modes 3 (lines and texts) and 4
// (attribute blocks, where texts come from the blocks and txtplot draws
// nothing). Entities go into the model space at the insertion point, on the
// layer named by their colour number, with colour 256 (by layer).
#pragma once

#include "profile_drawing/output.h"

namespace vd {

class CadOutput : public ProfileOutput {
public:
    // drawing: the variable holding the connected drawing (OutputSet::Acad),
    // read at every mark; none is the error that says no drawing is open.
    CadOutput(CadDocument* const& drawing, bool blockMode) : drawing_(drawing), blockMode_(blockMode) {}
    CadOutput(CadDocument*&&, bool) = delete;  // a temporary would leave the target dangling

    void Text(const Placement& at, double x, double y, double colour, double height, double angle,
              const std::string& style, const std::string& text) override;
    void Line(const Placement& at, double x1, double y1, double x2, double y2, double colour,
              const std::string& lineType) override;
    void Solid(const Placement& at, const std::array<double, 4>& x, const std::array<double, 4>& y,
               int layerColour) override;

private:
    CadDocument& drawing() const;
    CadDocument* const& drawing_;
    bool blockMode_;
};

}  // namespace vd
