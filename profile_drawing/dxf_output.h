// The profile DXF file: one ENTITIES section of TEXT and LINE entities,
// written by hand line by line (CR LF after each line), either in memory or
// streamed through the one atomic save into its file.
#pragma once

#include <memory>
#include <string>

#include "engine/outcome.h"
#include "profile_drawing/output.h"

namespace vd {

class AtomicFileWriter;

// A number value line: the shortest decimal text with at most 15 significant
// digits, a blank before a value that is not negative, a blank after, and no
// zero before the point (" .5 ", "-.5 ", " 0 "). A value that needs more than
// 12 digits and lies within single-precision resolution of its 7-digit form
// is written in that form, since the sheet's numbers come from single-
// precision data. Not finite: error 6.
std::string DxfNumber(double value);
// The same text into out, which holds at least kDxfNumberMax characters;
// returns the end of the text.
inline constexpr int kDxfNumberMax = 32;
char* WriteDxfNumber(double value, char* out);

class DxfProfileWriter : public ProfileOutput {
public:
    DxfProfileWriter();
    ~DxfProfileWriter() override;

    // Starts a new text in memory: the section header. Anything written
    // before, or a file begun and not finished, is dropped.
    void Begin();
    // Starts a new file at path, written as the sheets are drawn; the file
    // replaces path only when Commit succeeds. Fails when no file can be made.
    Outcome BeginFile(const std::string& path);
    // Writes the ending; the text is then complete.
    void End();
    bool isOpen() const { return open_; }
    // The text written in memory (for a file: what is not yet in it).
    const std::string& bytes() const { return bytes_; }

    // Writes the whole text in memory to path, replacing the file only when complete.
    Outcome SaveTo(const std::string& path) const;
    // A file begun with BeginFile: writes the rest, flushes it and puts it in
    // place. Any failure on the way is said here and leaves the target as it was.
    Outcome Commit();

    void Text(const Placement& at, double x, double y, double colour, double height, double angle,
              const std::string& style, const std::string& text) override;
    void Line(const Placement& at, double x1, double y1, double x2, double y2, double colour,
              const std::string& lineType) override;

private:
    void code(int groupCode);
    void value(std::string_view text);
    // Room for n bytes of an entity, put together there; close adds them,
    // up to end, to the text.
    char* room(std::size_t n);
    void close(const char* end);
    void requireOpen() const;
    // ColourLayerName, kept for the colour asked last: runs of marks share one.
    const std::string& layerName(double colour);
    // Hands what is gathered to the file once it is large enough.
    void spill();

    std::string bytes_;
    std::string entity_;  // the entity being put together, kept from one to the next
    std::string layer_;
    double layerColour_ = 0;
    std::unique_ptr<AtomicFileWriter> file_;
    bool open_ = false;
};

}  // namespace vd
