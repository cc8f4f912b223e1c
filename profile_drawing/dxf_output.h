// The profile DXF file: one ENTITIES section of TEXT and LINE entities,
// written by hand line by line (CR LF after each line), in memory, and saved
// through a temporary file and a rename.
#pragma once

#include <string>

#include "engine/outcome.h"
#include "profile_drawing/output.h"

namespace vd {

// A number value line: the shortest decimal text with at most 15 significant
// digits, a blank before a value that is not negative, a blank after, and no
// zero before the point (" .5 ", "-.5 ", " 0 "). A value that needs more than
// 12 digits and lies within single-precision resolution of its 7-digit form
// is written in that form, since the sheet's numbers come from single-
// precision data. Not finite: error 6.
std::string DxfNumber(double value);

class DxfProfileWriter : public ProfileOutput {
public:
    // Starts a new file: the section header. Anything written before is dropped.
    void Begin();
    // Writes the ending; the text is then complete.
    void End();
    bool isOpen() const { return open_; }
    const std::string& bytes() const { return bytes_; }

    // Writes the whole text to path, replacing the file only when complete.
    Outcome SaveTo(const std::string& path) const;

    void Text(const Placement& at, double x, double y, double colour, double height, double angle,
              const std::string& style, const std::string& text) override;
    void Line(const Placement& at, double x1, double y1, double x2, double y2, double colour,
              const std::string& lineType) override;

private:
    void code(int groupCode);
    void value(const std::string& text);
    void number(double v) { bytes_ += DxfNumber(v) + "\r\n"; }
    void requireOpen() const;

    std::string bytes_;
    bool open_ = false;
};

}  // namespace vd
