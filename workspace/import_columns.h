// The import column map "import.col": for each of the fifteen Excel import
// fields, its column number, negative when the field is not ticked.
#pragma once

#include <array>
#include <string>

#include "engine/errors.h"
#include "engine/outcome.h"

namespace vd {

inline constexpr int kImportFields = 15;

extern const std::array<const char*, kImportFields> kImportFieldCaptions;

struct ImportColumnMap {
    std::array<std::string, kImportFields> column;  // the column-number boxes
    std::array<bool, kImportFields> ticked;
    ImportColumnMap();  // columns 1 to 15, all ticked
};

// One row of the file: " 3 " for a ticked column 3, "-12 " for an unticked 12.
// A box whose number is too large raises RuntimeError 6.
std::string ImportColumnRow(const std::string& boxText, bool ticked);

// Applies the file's rows to the map: each row's leading number shows as its
// magnitude, a negative one unticks; rows after the fifteenth are ignored.
// Returns the number of rows applied.
int ApplyImportColumnRows(ImportColumnMap& map, const std::string& bytes);

// Reads the file into the map; a missing or unreadable file changes nothing.
bool ReadImportColumns(const std::string& path, ImportColumnMap& map);

// Writes the fifteen rows; on failure the old file is kept and the message
// says why.
Outcome WriteImportColumns(const std::string& path, const ImportColumnMap& map);

}  // namespace vd
