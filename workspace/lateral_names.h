// The lateral-name file ".prf": records of lateral name, start key and end
// key, the keys being the leading numbers of manhole names.
#pragma once

#include <string>
#include <vector>

#include "engine/model.h"
#include "engine/outcome.h"

namespace vd {

struct LateralNameRecord {
    std::string name;
    double startKey = 0;
    double endKey = 0;
};

// Free-format fields: separated by commas or line ends, blanks around a field
// ignored, a field in double quotes may hold commas. Three fields a record.
// A file that cannot be read as a whole leaves records empty.
Outcome ParseLateralNames(const std::string& bytes, std::vector<LateralNameRecord>& records);

// Gives each run of lines its record's name; every other line gets "0". The
// caller has linked the lines. Walks stop after LineCount steps or at a line
// already visited in the same walk; such stops and ends never met are
// logged. A file that names no lateral, or a start manhole no line starts
// at, changes nothing: a wrong file must not wipe the names the network holds.
Outcome ApplyLateralNames(Model& m, const std::vector<LateralNameRecord>& records);

}  // namespace vd
