// A small builder for networks in tests:
//   NetBuilder net(m);
//   net.line("MH1", "MH2").len(50).dia(300).gr(101, 100.5).inv(99, 98.75);
// Lines are appended as 1, 2, 3, ...; LineCount follows.
#pragma once

#include <string>

#include "engine/model.h"

namespace vd::test {

class NetBuilder {
public:
    explicit NetBuilder(Model& m) : m_(m) {}

    class Line {
    public:
        Line(Model& m, int i) : m_(m), i_(i) {}
        Line& len(float v) { rec().Len = v; return *this; }
        Line& dia(float v) { rec().Dia = v; return *this; }
        Line& slope(float v) { rec().slope = v; return *this; }
        Line& gr(float g1, float g2) { rec().Gr1 = g1; rec().Gr2 = g2; return *this; }
        Line& inv(float i1, float i2) { rec().Inv1 = i1; rec().Inv2 = i2; return *this; }
        Line& lat(const std::string& name) { rec().Latral = name; return *this; }
        Line& status(const std::string& s) { rec().Status = s; return *this; }
        Line& mhType(const std::string& s) { rec().MhType = s; return *this; }
        Line& xy(float x1, float y1, float x2, float y2) {
            rec().X1 = x1; rec().Y1 = y1; rec().X2 = x2; rec().Y2 = y2;
            return *this;
        }
        int number() const { return i_; }
        LineRecord& rec() { return m_.Lines[i_]; }

    private:
        Model& m_;
        int i_;
    };

    // Appends a line from one manhole to another.
    Line line(const std::string& from, const std::string& to) {
        int i = ++m_.LineCount;
        m_.Lines[i].From = from;
        m_.Lines[i].to = to;
        return Line(m_, i);
    }

private:
    Model& m_;
};

}  // namespace vd::test
