// The drawing context of a profile sheet: the profile view's state that the
// sheet routine reads and writes, the routine's running values shared by the
// region procedures, and the references to the model and the output.
//
// Strip bounds: the model's SheetTable keeps Band1Start as the lowest drawing
// position of a strip; the drawing walks a strip from its highest position
// down and calls that one the start. LoadSheet swaps the two on loading, so
// everything here reads "start" as the first position drawn.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "engine/model.h"
#include "profile_drawing/output.h"

namespace vd {

// Texts of the selected line's edit boxes, filled by each redraw.
struct SelectedLineTexts {
    std::string Gr1;    // Text11
    std::string Gr2;    // Text8
    std::string Inv1;   // Text9
    std::string Inv2;   // Text10
    std::string Slope;  // Text2, per mille
    std::string Cover;  // Text3
};

// The profile view's members. The view owns one; every redraw hands it to
// the sheet routine.
struct ProfileViewState {
    // The shown sheet's strips, as drawn: a strip runs from its Start
    // position down to its End position; End <= 0 means no strip.
    int Band1End = 0;
    int Band1Start = 0;
    int Band2End = 0;
    int Band2Start = 0;
    int SheetIndex = 0;
    int16_t SheetNumberBase = 0;

    int32_t SelPos = 0;
    int16_t SelPosEnd = 0;
    int16_t SelBand = 1;
    double SelBaseY = 0;

    double ViewOriginX = 0;
    double ViewTopY = 60;
    double Zoom1Scale = 0, Zoom1Offset = 0, Zoom2Scale = 0, Zoom2Offset = 0;
    int16_t PanStep = 1;
    // The canvas's user scale (drawing units across and down the canvas).
    double ScaleWidth = 600;
    double ScaleHeight = 400;

    int16_t BandLift = 1;
    int TextSizeMode = 1;
    float BandBaseY = 0;
    // Largest row position of the visible table rows 1..16 seen since the
    // view started; never lowered.
    float MaxRowLocate = 0;

    int16_t DrawMode = 1;  // 1 canvas, 2 DXF file, 3 CAD lines and texts, 4 CAD blocks
    // Sheet numbers on the sheet (its label, the notes' "DWG#"): off until Alt+R.
    bool ShowSheetLabel = false;
    // Which parts of the sheet are drawn; no command changes it, so 0.
    int16_t DrawPart = 0;
    std::array<double, 3> InsertionPoint{0, 0, 0};

    // Check boxes and key switches of the view.
    bool ForcePipe = false;      // "Force Pipe" (Check5)
    bool ExplodeAttrib = false;  // "Explode Attrib" (Check2)
    int LKeySwitch = 0;          // key L: lateral labels
    int ShowLineInfo = 0;        // line information labels

    // The sheet reference last written by a lateral note.
    std::string SheetRefText;
    SelectedLineTexts EditBoxes;
    std::array<GridColumnDef, 121> ColumnCatalogue{};

    // Loads the strips of a sheet row, swapping each strip's ends.
    void LoadSheet(const SheetRecord& row) {
        Band1End = row.Band1Start;
        Band1Start = row.Band1End;
        Band2End = row.Band2Start;
        Band2Start = row.Band2End;
    }
};

// The sheet routine's running values: set up per strip, carried from line to
// line and from the upper strip into the lower one.
struct SheetRunValues {
    float TextFactor = 0.3f;
    int NoteColour = 0;
    int BandStartPos = 0;
    int BandEndPos = 0;
    int BandLayout = 1;
    int Pos = 0;  // the position being drawn
    float NextX = 8.4f;
    double XCursor = 0, XNext = 0, LineStartX = 0;
    int CurLine = 0;
    int32_t LatShift = 0;
    double YGr1 = 0, YGr2 = 0;
    double YInv1 = 0, YInv2 = 0;
    double YCrown1 = 0, YCrown2 = 0;
    double YNextInv = 0;
    double ElevOffset = 0;
    double PipeAngle = 0;
    std::string DiaPrefix;
    std::string SlopeUnit;

    // Lateral frame and axis lines.
    double TableLeftX = 0, TableRightX = 0;
    double AxisTopY = 0;

    // Table cell inputs and the shift the cell's style row gave.
    double CellX = 0, CellDX = 0;
    int CellRow = 0;
    std::string CellText;
    double CellShift = 0;

    // Outgoing stub and the notes at a strip's ends.
    double OutAngle = 0, OutCrownY = 0;
    double InInvY = 0, InCrownY = 0;
    double NoteX = 0;
    std::string EndChainageText;

    // A line's manhole and pipe texts, shared by its table, profile and block
    // annotations; the upstream manhole's cells set the level texts again.
    std::string ToName;
    std::string GroundText, InvertText, StepInvertText;
    std::string LabelText, DiaText;

    // The strip ended early ("Out of Range").
    bool StripEnded = false;
};

// Everything one drawing call works on.
struct DrawContext {
    DrawContext(Model& model, ProfileViewState& view, OutputSet& out) : m(model), v(view), Out(out) {}

    Model& m;
    ProfileViewState& v;
    OutputSet& Out;
    SheetRunValues r;

    // Drawing steps that failed and were skipped, in order, for the status
    // the routine returns.
    std::vector<std::string> skipped;
    // The block definitions were made once after a missing block; never again
    // in the same call.
    bool blocksDefined = false;
};

}  // namespace vd
