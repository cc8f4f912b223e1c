// An output target for tests: keeps every mark in drawing units, as the
// sheet routine gave it, with its colour, line type and text.
#pragma once

#include <cmath>
#include <string>
#include <vector>

#include "profile_drawing/output.h"

namespace vd::test {

struct Mark {
    enum Kind { Text, Line, Solid, Box } kind;
    double x1 = 0, y1 = 0, x2 = 0, y2 = 0;
    double colour = 0, height = 0, angle = 0;
    std::string style, text, lineType;
    std::array<double, 4> xs{}, ys{};
};

class MarkRecorder : public CanvasOutput {
public:
    std::vector<Mark> marks;

    void Text(const Placement&, double x, double y, double colour, double height, double angle,
              const std::string& style, const std::string& text) override {
        Mark m{Mark::Text};
        m.x1 = x, m.y1 = y, m.colour = colour, m.height = height, m.angle = angle, m.style = style, m.text = text;
        marks.push_back(m);
    }
    void Line(const Placement&, double x1, double y1, double x2, double y2, double colour,
              const std::string& lineType) override {
        Mark m{Mark::Line};
        m.x1 = x1, m.y1 = y1, m.x2 = x2, m.y2 = y2, m.colour = colour, m.lineType = lineType;
        marks.push_back(m);
    }
    void Solid(const Placement&, const std::array<double, 4>& x, const std::array<double, 4>& y,
               int layerColour) override {
        Mark m{Mark::Solid};
        m.xs = x, m.ys = y, m.colour = layerColour;
        marks.push_back(m);
    }
    double ScaleWidth() const override { return 600; }
    void Box(const Placement&, double x1, double y1, double x2, double y2, int32_t rgb) override {
        Mark m{Mark::Box};
        m.x1 = x1, m.y1 = y1, m.x2 = x2, m.y2 = y2, m.colour = rgb;
        marks.push_back(m);
    }

    std::vector<Mark> texts(const std::string& text) const {
        std::vector<Mark> out;
        for (const Mark& m : marks)
            if (m.kind == Mark::Text && m.text == text) out.push_back(m);
        return out;
    }
    // Lines from (x1, y1) to (x2, y2) within tol, either direction.
    int countLine(double x1, double y1, double x2, double y2, double tol = 1e-6) const {
        int n = 0;
        auto near = [&](double a, double b) { return std::fabs(a - b) <= tol; };
        for (const Mark& m : marks)
            if (m.kind == Mark::Line && ((near(m.x1, x1) && near(m.y1, y1) && near(m.x2, x2) && near(m.y2, y2)) ||
                                         (near(m.x1, x2) && near(m.y1, y2) && near(m.x2, x1) && near(m.y2, y1))))
                ++n;
        return n;
    }
    const Mark* findLine(double x1, double y1, double x2, double y2, double tol = 1e-6) const {
        auto near = [&](double a, double b) { return std::fabs(a - b) <= tol; };
        for (const Mark& m : marks)
            if (m.kind == Mark::Line && near(m.x1, x1) && near(m.y1, y1) && near(m.x2, x2) && near(m.y2, y2))
                return &m;
        return nullptr;
    }
    int count(Mark::Kind k) const {
        int n = 0;
        for (const Mark& m : marks) n += m.kind == k;
        return n;
    }
};

}  // namespace vd::test
