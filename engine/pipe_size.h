// Pipe sizes: the size row of a diameter, the Manning n of a line, the next
// smaller size a line could take, and the profile view's F2 keys.
#pragma once

#include <optional>
#include <string_view>

#include "engine/model.h"

namespace vd {

// DiaCount limited to the rows DiaTable has (1..20), never negative.
int UsableDiaCount(const Model& m);

// First row 1..DiaCount whose Dia is equal to or greater than value (mm);
// no value when none is.
std::optional<int> FindPipeSize(const Model& m, double value);

// The size row of a line's diameter, or the blank row 0 when no size fits.
const DiaRecord& PipeSizeRow(const Model& m, int line);

// Manning n of a line: the number after "N" in Status when it lies in
// 0.01..0.04, else nCoef of the line's size row, in single precision as the
// line holds it. Also stored in m.ManningN.
// An out-of-range line gives 0.
double LineManningN(Model& m, int line);

// The next smaller size for a line (diaOut, mm) and the slope that size needs
// for the line's QmaxEnd (slopeOut, m/m). Either may stay unassigned.
// False when the slope cannot be worked out (no Manning n, a slope beyond
// the 16-bit scale); the outputs then mean nothing.
bool NextSmallerPipe(Model& m, int line, std::optional<double>& slopeOut,
                     std::optional<double>& diaOut);

// "F2": next larger size; "aF2": raise the slope to what the next smaller
// size needs. Any other key, or a line outside 1..LineCount, does nothing.
void ChangePipeSizeKey(Model& m, std::string_view key, int line);

}  // namespace vd
