// The region procedures of the sheet routine and the small helpers they
// share. Each works on the one drawing context; none keeps state of its own.
#pragma once

#include <limits>
#include <memory>
#include <string>

#include "engine/errors.h"
#include "engine/model.h"
#include "engine/walk.h"
#include "profile_drawing/cfgplot.h"
#include "profile_drawing/context.h"

namespace vd {

class CadDocument;
class CadEntity;

// ---- shared helpers -------------------------------------------------------

// A style row; rows outside 0..26 read as the blank row 0 would not, so the
// caller checks the range first.
inline const ObjectStyle& Style(const DrawContext& ctx, int row) { return ctx.m.ObjectStyles[row]; }
// A style row is shown when its Visible flag is "Y"; a never-assigned flag is not.
inline bool Shown(const DrawContext& ctx, int row) { return ctx.m.ObjectStyles[row].Visible.view() == "Y"; }
inline std::string StyleLineType(const DrawContext& ctx, int row) { return ctx.m.ObjectStyles[row].StyleName.trim(); }

// A number stored in a single-precision field; beyond its range it becomes
// an infinity rather than an undefined conversion.
inline float ToFloat(double v) {
    if (v > std::numeric_limits<float>::max()) return std::numeric_limits<float>::infinity();
    if (v < -std::numeric_limits<float>::max()) return -std::numeric_limits<float>::infinity();
    return static_cast<float>(v);
}

// Lines that exist in every per-line table.
inline int LineLimit(const DrawContext& ctx) { return UsableLines(ctx.m); }
// A line number as a row to read: anything outside the tables reads the
// blank template row 0.
inline int LineRow(const DrawContext& ctx, int line) { return (line >= 1 && line <= LineLimit(ctx)) ? line : 0; }
inline const LineRecord& LineOf(const DrawContext& ctx, int line) { return ctx.m.Lines[LineRow(ctx, line)]; }
inline const LinkRecord& LinkOf(const DrawContext& ctx, int line) { return ctx.m.Links[LineRow(ctx, line)]; }
inline ResultRecord& ResultOf(DrawContext& ctx, int line) { return ctx.m.Results[LineRow(ctx, line)]; }
inline int NextOf(const DrawContext& ctx, int line) { return LinkedLine(LinkOf(ctx, line).NextLine, LineLimit(ctx)); }
inline int UpOf(const DrawContext& ctx, int line) { return LinkedLine(LinkOf(ctx, line).UpLine, LineLimit(ctx)); }
// The line drawn at a position; 0 when the position or its line lies outside the tables.
inline int LineAt(const DrawContext& ctx, int pos) {
    if (pos < 1 || pos > ctx.m.LinkUpper()) return 0;
    return LinkedLine(ctx.m.Links[pos].PosLine, LineLimit(ctx));
}
// A lateral's first or last line; 0 when the lateral is not in the table.
inline int LatFirstOf(const DrawContext& ctx, int line) { return ctx.m.Lat(LinkOf(ctx, line).LatNo, LatFirst); }
inline int LatLastOf(const DrawContext& ctx, int line) { return ctx.m.Lat(LinkOf(ctx, line).LatNo, LatLast); }
int LatLayoutOf(const DrawContext& ctx, int line);
double LatBaseOf(const DrawContext& ctx, int line);

// The printed number of the sheet a line is drawn on (SheetNumberBase plus
// the sheet's DwgNo); SheetNumberBase alone when the line has no sheet row.
int PrintedSheetNumber(const DrawContext& ctx, int line);

// The connected CAD drawing; none is the error saying no drawing is open,
// which the caller's guard handles.
CadDocument& ConnectedDrawing(DrawContext& ctx);

// Inserts a profile block into the CAD drawing at a point already offset by
// the insertion point. When the drawing lacks the block, cfgplot defines the
// missing profile blocks and this insert alone runs once more, so nothing the
// step drew before it is drawn twice.
std::shared_ptr<CadEntity> InsertProfileBlock(DrawContext& ctx, double x, double y, const std::string& name,
                                              double xScale = 1);
// The same insert without defining a missing block: the lateral notes keep
// their own guard.
std::shared_ptr<CadEntity> PlaceProfileBlock(DrawContext& ctx, double x, double y, const std::string& name,
                                             double xScale = 1);

// Runs one drawing step. A failure skips the rest of the step, is recorded
// for the routine's status, and sends the rest of the sheet to the screen.
template <class F>
void DrawStep(DrawContext& ctx, const char* what, F&& step);
// toScreen: the rest of the sheet goes to the canvas, as after any failed step
// of the routine; a lateral note's own failure keeps the mode.
void RecordSkippedStep(DrawContext& ctx, const std::string& what, const std::string& why, bool toScreen = true);
bool AsksForProfileBlocks(int errorNumber);

// ---- level scale and chainage positions -----------------------------------

void blksub(DrawContext& ctx, int startPos, int endPos);
// levelOffset is added to every level written: the lateral's shift at a
// profile start, 0 where the datum was just fixed.
void elvsub(DrawContext& ctx, int line, int count, double x, double height, double y, int colour, int mode,
            int stopFlag, int labelFlag, double levelOffset);

// ---- sheet frame, title, label, depth guard ------------------------------

void DrawSheetLabel(DrawContext& ctx, int sheetNumber);
void InsertFrameBlock(DrawContext& ctx, int sheetNumber);
void InsertTitleBlock(DrawContext& ctx);
// True when the line is too deep for its strip: it is marked and the strip ends.
bool DepthGuard(DrawContext& ctx);

// ---- profile grid, table frame, axis lines, table cells -------------------

void DrawLateralFrame(DrawContext& ctx);
void DrawAxisLines(DrawContext& ctx);
void TableCellText(DrawContext& ctx);

// ---- the line itself -------------------------------------------------------

// Where the downstream ground or invert leaves the strip's height, a new datum
// at this line's upstream manhole.
void DrawBandShifts(DrawContext& ctx);
void DrawLineGeometry(DrawContext& ctx);
void DrawJoiningLateralNotes(DrawContext& ctx);
void DrawOutgoingStub(DrawContext& ctx);
// The next lateral on the strip starts 5 units after a lateral's end.
void LateralEndGap(DrawContext& ctx);
// lowerGround: the ground lies too high, so the new datum puts it 8 units lower.
void shiftsub(DrawContext& ctx, bool lowerGround);
inline void shiftsub1(DrawContext& ctx) { shiftsub(ctx, true); }
void fromsub(DrawContext& ctx, int line, double x, double y, int colour, double height, int mode, double dx,
             double dy, bool sheetFlag, int invertFlag, int labelFlag);

// Number texts: Str puts a blank before a number that is not negative and
// writes no zero before the point of a fraction (" .5", "-.25"). A double
// keeps 15 significant digits; a single-precision field (a level, a
// diameter, a length) keeps its own 7, and from 1E7 up, or below 1E-4, takes
// the exponent form: 12345678 is " 1.234568E+07", 45.3 " 45.3", not the
// digits of its binary value.
std::string Str(double v);
std::string StrSingle(float v);
// The never-assigned (all NUL) text counts as empty.
template <std::size_t N>
std::string Stored(const FixedText<N>& t) {
    return t.unassigned() ? std::string() : t.str();
}

// ---- annotation steps (line texts, blocks and notes) ----------------------

void IncomingPipeNote(DrawContext& ctx);  // a strip that starts inside a lateral
void HeadManholeWall(DrawContext& ctx);   // the head of a lateral
void DrawManholeCells(DrawContext& ctx);  // the upstream manhole's cells and block
void OutgoingPipeNote(DrawContext& ctx);  // a strip or lateral that ends here
void LineTableTexts(DrawContext& ctx);    // table layout of the line's texts
void LineProfileTexts(DrawContext& ctx);  // profile layout of the line's texts
void LineBlocks(DrawContext& ctx);        // block mode
void LineInfoLabels(DrawContext& ctx);

// ---- implementation of DrawStep ---------------------------------------------

template <class F>
void DrawStep(DrawContext& ctx, const char* what, F&& step) {
    try {
        step();
    } catch (const std::exception& e) {
        RecordSkippedStep(ctx, what, e.what());
    }
}

}  // namespace vd
