// dxflib's group writer, gathering an R12 DXF file in memory so that the file
// can be saved in one piece (a stream writing straight to the target would
// leave half a drawing behind a failed save, and flushes after every number).
#pragma once

#include <dxflib/dl_writer.h>

#include <string>
#include <string_view>

namespace vd {

// Groups come out as dxflib's ASCII writer prints them: the code right-aligned
// in three places, numbers in fixed notation with sixteen decimals cut down to
// the last digit that counts (one zero kept after the point), hex in capitals.
// Beyond that writer's reach the file stays readable: a magnitude of 1e15 and
// more takes the shortest exact form, a value that is no number is written as
// 0.0, and a text loses the line breaks and NULs that would split its group.
class DxfStringWriter final : public DL_Writer {
public:
    DxfStringWriter();

    void dxfReal(int gc, double value) const override;
    void dxfInt(int gc, int value) const override;
    void dxfHex(int gc, int value) const override;
    void dxfString(int gc, const char* value) const override;
    void dxfString(int gc, const std::string& value) const override;

    const std::string& bytes() const { return bytes_; }
    // Hands the gathered file over, leaving the writer empty.
    std::string take();

private:
    void code(int gc) const;
    void value(std::string_view v) const;
    void text(std::string_view v) const;

    // dxflib's interface writes through const members.
    mutable std::string bytes_;
};

}  // namespace vd
