// A profile target that records every mark it is given, for tests. It
// stands in for the canvas too (Box, ScaleWidth).
#pragma once

#include <string>
#include <vector>

#include "profile_drawing/output.h"

namespace vd::test {

struct OutputMark {
    enum Kind { Text, Line, Solid, Box } kind;
    double x1 = 0, y1 = 0, x2 = 0, y2 = 0;  // Text: x1, y1; Solid: corners in xs, ys
    double colour = 0, height = 0, angle = 0;
    std::string style{}, text{}, lineType{};
    std::array<double, 4> xs{}, ys{};
    int layerColour = 0;
    int32_t rgb = 0;
    Placement at{};
};

class RecordingOutput : public CanvasOutput {
public:
    double ScaleWidth() const override { return scaleWidth; }
    void Text(const Placement& at, double x, double y, double colour, double height, double angle,
              const std::string& style, const std::string& text) override {
        OutputMark m{OutputMark::Text};
        m.x1 = x, m.y1 = y, m.colour = colour, m.height = height, m.angle = angle, m.style = style, m.text = text, m.at = at;
        marks.push_back(m);
    }
    void Line(const Placement& at, double x1, double y1, double x2, double y2, double colour,
              const std::string& lineType) override {
        OutputMark m{OutputMark::Line};
        m.x1 = x1, m.y1 = y1, m.x2 = x2, m.y2 = y2, m.colour = colour, m.lineType = lineType, m.at = at;
        marks.push_back(m);
    }
    void Solid(const Placement& at, const std::array<double, 4>& x, const std::array<double, 4>& y,
               int layerColour) override {
        OutputMark m{OutputMark::Solid};
        m.xs = x, m.ys = y, m.layerColour = layerColour, m.at = at;
        marks.push_back(m);
    }
    void Box(const Placement& at, double x1, double y1, double x2, double y2, int32_t rgb) override {
        OutputMark m{OutputMark::Box};
        m.x1 = x1, m.y1 = y1, m.x2 = x2, m.y2 = y2, m.rgb = rgb, m.at = at;
        marks.push_back(m);
    }

    std::vector<const OutputMark*> of(OutputMark::Kind kind) const {
        std::vector<const OutputMark*> out;
        for (const auto& m : marks)
            if (m.kind == kind) out.push_back(&m);
        return out;
    }
    std::vector<const OutputMark*> texts(const std::string& text) const {
        std::vector<const OutputMark*> out;
        for (const auto& m : marks)
            if (m.kind == OutputMark::Text && m.text == text) out.push_back(&m);
        return out;
    }

    std::vector<OutputMark> marks;
    double scaleWidth = 600;
};

}  // namespace vd::test
