// Manhole types, drops and cover of the Process command's "Mh Type" step.
// Everything is single precision, as the classification table is written.
#pragma once

#include <string>

#include "engine/model.h"

namespace vd {

// What the table rules look at for one line's upstream manhole.
struct ManholeCase {
    float Dia = 0;      // the line's own diameter, mm
    float Depth = 0;    // Gr1 - Inv1, m
    float Drop = 0;     // drop into the manhole, m
    float RefDia = 0;   // diameter of the line that gives the drop, mm
    bool Junction = false;
};

// The type text ("T2" ... "T13") of the last rule that holds; "" when none.
std::string ManholeType(const ManholeCase& c);

// For every line 1..LineCount: Drop, MhType and Mincover from its levels and
// the lines coming into its upstream manhole.
void ApplyManholeTypes(Model& m);

}  // namespace vd
