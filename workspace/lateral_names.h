// The lateral-name file ".prf": records of lateral name, start key and end
// key, the keys being the leading numbers of manhole names.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "engine/model.h"
#include "engine/outcome.h"

namespace vd {

struct LateralNameRecord {
    std::string name;
    double startKey = 0;
    double endKey = 0;
};

// The records of a file, held compactly: a 10 MB file may hold three million.
// A name is kept to the 40 characters the lateral field holds.
class LateralNameList {
public:
    void add(std::string_view name, double startKey, double endKey);
    void clear();
    std::size_t size() const { return startKey_.size(); }
    bool empty() const { return startKey_.empty(); }
    std::string_view name(std::size_t r) const;
    double startKey(std::size_t r) const { return startKey_[r]; }
    double endKey(std::size_t r) const { return endKey_[r]; }
    LateralNameRecord operator[](std::size_t r) const { return {std::string(name(r)), startKey(r), endKey(r)}; }

private:
    std::string names_;
    std::vector<uint32_t> nameEnd_;
    std::vector<double> startKey_, endKey_;
};

// Free-format fields: separated by commas or line ends (CR LF, LF or CR),
// blanks and tabs around a field ignored, a field in double quotes may hold
// commas; byte 0x1A ends the file. Three fields a record. A field holding a
// control character, a manhole number too large to read (beyond
// the single range) or a last record cut
// short fails, naming the record; records is then empty.
Outcome ParseLateralNames(std::string_view bytes, LateralNameList& records);
// The same from the file at path, read a piece at a time.
Outcome ReadLateralNames(const std::string& path, LateralNameList& records);

// Gives each run of lines its record's name; every other line gets "0". The
// caller has linked the lines. The result is that of walking each record's
// runs in file order (the later name stays on shared lines), a walk ending
// at its end manhole, at the outfall, after LineCount lines or at a line it
// has already named; it is found in one pass over the records from the last,
// each line named once. Rings met and ends never met are logged (at most 20
// of each, then their count). A file that names no lateral, or a record whose
// start manhole no line starts at, changes nothing: a wrong file must not
// wipe the names the network holds; the refusal lists the first 20 such
// records and says how many there are.
Outcome ApplyLateralNames(Model& m, const LateralNameList& records);
Outcome ApplyLateralNames(Model& m, const std::vector<LateralNameRecord>& records);

}  // namespace vd
