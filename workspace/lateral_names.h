// The lateral-name file ".prf": records of lateral name, start key and end
// key, the keys being the leading numbers of manhole names.
#pragma once

#include <string>
#include <vector>

#include "engine/model.h"

namespace vd {

struct LateralNameRecord {
    std::string name;
    double startKey = 0;
    double endKey = 0;
};

struct LateralNameFile {
    bool ok = false;
    std::string error;  // description of why the file cannot be read
    std::vector<LateralNameRecord> records;
};

// Free-format fields: separated by commas or line ends, blanks around a field
// ignored, a field in double quotes may hold commas. Three fields a record.
LateralNameFile ParseLateralNames(const std::string& bytes);

struct LateralNameOutcome {
    bool applied = false;
    std::string error;  // why nothing was changed, when not applied
    int linesNamed = 0;
    std::vector<std::string> notes;  // per-record remarks, also logged
};

// Gives each run of lines its record's name; every other line gets "0". The
// caller has linked the lines. Walks stop after LineCount steps or at a line
// already visited in the same walk. A file that names no lateral, or a start
// manhole no line starts at, changes nothing: a wrong file must not wipe the
// names the network holds.
LateralNameOutcome ApplyLateralNames(Model& m, const std::vector<LateralNameRecord>& records);

}  // namespace vd
