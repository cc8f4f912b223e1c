#include "workspace/manhole_types.h"

#include <algorithm>

namespace vd {

namespace {

// Depth limits per diameter of the depth rules.
struct DepthBand {
    float dia;
    float t2Below;   // "T2" below this depth
    float t3Below;   // "T3"/"T4" from t2Below up to this depth, "T9" above it
};
constexpr DepthBand kBands[] = {
    {250.0f, 3.65f, 6.15f}, {300.0f, 3.75f, 6.25f}, {400.0f, 3.85f, 6.35f}, {500.0f, 3.95f, 6.45f},
    {600.0f, 4.05f, 6.55f}, {700.0f, 4.10f, 6.65f}, {800.0f, 4.20f, 6.75f},
};

bool ValidLine(const Model& m, int i) {
    return i > 0 && i <= m.LineUpper() && i <= m.LinkUpper();
}

}  // namespace

std::string ManholeType(const ManholeCase& c) {
    const float dia = c.Dia, d = c.Depth, drop = c.Drop, ref = c.RefDia;
    const bool j = c.Junction;
    std::string type;
    auto rule = [&type](bool holds, const char* t) {
        if (holds) type = t;
    };

    // Rules 1 to 7.
    rule(dia <= 250.0f && d < 3.65f, "T2");
    rule((dia == 300.0f || dia == 350.0f) && d < 3.75f, "T2");
    for (int k = 2; k < 7; ++k) rule(dia == kBands[k].dia && d < kBands[k].t2Below, "T2");
    // Rules 8 to 14: the first band holds every diameter up to 250.
    rule(dia <= 250.0f && d >= 3.65f && d < 6.15f, "T3");
    for (int k = 1; k < 7; ++k)
        rule(dia == kBands[k].dia && d >= kBands[k].t2Below && d < kBands[k].t3Below, "T3");
    // Rules 15 to 21: junctions start at exactly 250.
    for (const DepthBand& b : kBands) rule(dia == b.dia && d >= b.t2Below && d < b.t3Below && j, "T4");
    // Rules 22 to 24.
    rule(drop > 0.7f && drop < 1.2f && dia < 600.0f, "T5");
    rule(drop >= 1.2f && ref < 600.0f && dia < 600.0f, "T6");
    rule(drop > 0.75f && dia > 500.0f && ref > 500.0f, "T7");
    // Rules 25 to 31.
    for (const DepthBand& b : kBands) rule(dia == b.dia && d > b.t3Below && j, "T9");
    // Rules 32 to 36.
    rule(drop > 0.6f && drop < 1.2f && dia < 600.0f, "T5");
    rule(drop >= 1.2f && ref < 600.0f && dia < 500.0f, "T6");
    rule(drop > 0.65f && ref > 500.0f, "T7");
    rule(dia > 800.0f, "T13");
    rule(drop > 0.6f && drop < 2.5f && ref > 800.0f && dia > 800.0f, "T10");
    return type;
}

void ApplyManholeTypes(Model& m) {
    const int n = std::min(m.LineCount, std::min(m.LineUpper(), m.LinkUpper()));
    for (int i = 1; i <= n; ++i) {
        LineRecord& line = m.Lines[i];
        LinkRecord& link = m.Links[i];
        ManholeCase c;
        c.Dia = line.Dia;
        c.Depth = line.Gr1 - line.Inv1;
        c.RefDia = line.Dia;
        link.Drop = 0;
        const int up = link.UpLine;
        if (up != 0 && ValidLine(m, up)) {
            float drop = m.Lines[up].Inv2 - line.Inv1;
            float ref = line.Dia;
            for (int branch : {static_cast<int>(m.Links[up].Branch1), static_cast<int>(m.Links[up].Branch2)}) {
                if (branch > 0 && ValidLine(m, branch)) {
                    float d = m.Lines[branch].Inv2 - line.Inv1;
                    if (d > drop) {
                        drop = d;
                        ref = m.Lines[branch].Dia;
                    }
                }
            }
            link.Drop = drop;
            c.Drop = drop;
            c.RefDia = ref;
            c.Junction = m.Links[up].Branch1 > 0;
        }
        line.MhType = ManholeType(c);
        line.Mincover = line.Gr1 - line.Inv1 - line.Dia / 1000.0f;
    }
}

}  // namespace vd
