#include "engine/errors.h"
#include "workspace/import_columns.h"

#include <charconv>
#include <cmath>
#include <vector>

#include "engine/atomic_save.h"
#include "engine/whole_file.h"
#include "engine/number_text.h"
#include "engine/ui_sink.h"
#include "workspace/text_import.h"

namespace vd {

const std::array<const char*, kImportFields> kImportFieldCaptions = {
    " From", " To", " Gr.El.From", " Gr.El.To", "Length", " INV.EL.From", " INV.EL.To", "Dia",
    "Slope", " Lateral", "Manhole Type", "X1", "Y1", "X2", "Y2"};

ImportColumnMap::ImportColumnMap() {
    for (int k = 0; k < kImportFields; ++k) {
        column[k] = NumText(k + 1);
        ticked[k] = true;
    }
}

namespace {

// Shortest plain decimal text that reads back as the number: the file's
// rows and the boxes hold column numbers, never exponent forms.
std::string NumberText(double v) {
    if (v == 0) return "0";
    char buf[400];
    auto res = std::to_chars(buf, buf + sizeof buf, v, std::chars_format::fixed);
    return std::string(buf, res.ptr);
}

}  // namespace

std::string ImportColumnRow(const std::string& boxText, bool ticked) {
    double v = Val(boxText);
    if (!ticked) v = -v;
    if (v == 0) v = 0;  // no "-0"
    std::string digits = NumberText(std::fabs(v));
    return (v < 0 ? "-" : " ") + digits + " ";
}

int ApplyImportColumnRows(ImportColumnMap& map, const std::string& bytes) {
    std::vector<std::string> rows = SplitFileRows(bytes);
    int k = 0;
    for (; k < kImportFields && k < static_cast<int>(rows.size()); ++k) {
        double v = 0;
        try {
            v = Val(rows[k]);
        } catch (const RuntimeError&) {
            break;  // reading ends at a row it cannot take; earlier rows stay
        }
        map.column[k] = NumberText(std::fabs(v));
        if (v < 0) map.ticked[k] = false;
    }
    return k;
}

Outcome ReadImportColumns(const std::string& path, ImportColumnMap& map) {
    std::string bytes;
    if (Outcome read = ReadWholeFile(path, bytes); !read) return read;
    ApplyImportColumnRows(map, bytes);
    return Outcome::Ok();
}

Outcome WriteImportColumns(const std::string& path, const ImportColumnMap& map) {
    std::string text;
    for (int k = 0; k < kImportFields; ++k) {
        // A box is saved as the one number it holds, or not at all.
        const OneNumber n = ReadOneNumber(map.column[k]);
        if (n.kind == OneNumber::NotANumber || n.kind == OneNumber::TooLarge)
            return Outcome::Fail("import.col was not saved: " + Trim(kImportFieldCaptions[k]) + ": " +
                                 NumberRefusal(map.column[k], n.kind) + ".");
        text += ImportColumnRow(map.column[k], map.ticked[k]) + "\r\n";
    }
    return SaveFileAtomically(path, text);
}

}  // namespace vd
