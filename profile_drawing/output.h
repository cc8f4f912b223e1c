// The output side of the profile drawing: one target interface and the
// primitives that send every mark of a sheet to the target of its draw mode.
//
// Targets: the screen canvas (canvas_target.h), the profile DXF file
// (dxf_output.h) and the CAD drawing as plain entities or with attribute
// blocks (cad_output.h). Each maps drawing units into its own coordinates;
// the primitives only choose the target and decide what a failure does.
#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace vd {

class CadDocument;
class CadEntity;
struct DrawContext;  // profile_drawing/context.h

// Values of DrawMode.
inline constexpr int16_t kDrawCanvas = 1;     // the screen canvas
inline constexpr int16_t kDrawDxf = 2;        // the open profile DXF file
inline constexpr int16_t kDrawCadLines = 3;   // the CAD drawing, lines and texts
inline constexpr int16_t kDrawCadBlocks = 4;  // the CAD drawing, attribute blocks

// The placement values as they stand at the call of a primitive.
struct Placement {
    double ViewOriginX = 0;  // drawing x at the canvas's left edge
    double ViewTopY = 0;     // drawing y at the canvas's top edge
    std::array<double, 3> InsertionPoint{};  // added to every CAD coordinate
    double DxfOffsetX = 0;   // added to every DXF coordinate after scaling by 10
    double DxfOffsetY = 0;
};

// One output target. Coordinates are drawing units; a failing mark throws
// (RuntimeError, CadError) and the primitive decides what happens next.
class ProfileOutput {
public:
    virtual ~ProfileOutput() = default;
    // angle in degrees, counter-clockwise; colour an AutoCAD colour number.
    virtual void Text(const Placement& at, double x, double y, double colour, double height, double angle,
                      const std::string& style, const std::string& text) = 0;
    // lineType already upper-cased and right-trimmed; colour as the caller gave it.
    virtual void Line(const Placement& at, double x1, double y1, double x2, double y2, double colour,
                      const std::string& lineType) = 0;
    // Four corners given ten times the drawing units; layerColour names the layer.
    virtual void Solid(const Placement& at, const std::array<double, 4>& x, const std::array<double, 4>& y,
                       int layerColour);
};

// The screen target: adds what only the canvas has.
class CanvasOutput : public ProfileOutput {
public:
    // The canvas's current scale width in drawing units (the text height rule divides by it).
    virtual double ScaleWidth() const = 0;
    // A selection box between two corners in drawing units, in a screen colour (R + 256 G + 65536 B).
    virtual void Box(const Placement& at, double x1, double y1, double x2, double y2, int32_t rgb) = 0;
};

// The targets of one drawing, chosen per call by the mode argument. A null
// target draws nothing (a batch export runs without a canvas).
struct OutputSet {
    CanvasOutput* Canvas = nullptr;      // mode 1, and the marks that always go to the screen
    ProfileOutput* Dxf = nullptr;        // mode 2
    ProfileOutput* CadLines = nullptr;   // mode 3
    ProfileOutput* CadBlocks = nullptr;  // mode 4
    // The connected CAD drawing, for block inserts and attplot's texts; null when none.
    CadDocument* Acad = nullptr;

    ProfileOutput* ForMode(int mode) const;
};

// The primitives. mode is the draw mode of this one mark: the sheet routine
// passes its DrawMode, or 1 for the marks that always go to the screen. Any
// other mode draws nothing.
//
// txtplot and LINEplot skip a failing mark and add what failed to
// ctx.skipped, so a failed export never looks successful; solid and attplot
// pass a failure to the caller.
void txtplot(DrawContext& ctx, double x, double y, double colour, double height, double angle,
             const std::string& style, const std::string& text, int mode);
// lineType comes back upper-cased with trailing blanks removed. The caller's
// colour is never changed (the DXF file alone writes colour 4 as 30).
void LINEplot(DrawContext& ctx, double x1, double y1, double x2, double y2, int mode, double colour,
              std::string& lineType);
void LINEplot(DrawContext& ctx, double x1, double y1, double x2, double y2, int mode, double colour,
              const std::string& lineType = std::string());
// Corners ten times the drawing units; modes 3 and 4 only, on the layer of style row 21's colour.
void solid(DrawContext& ctx, double x1, double x2, double x3, double x4, double y1, double y2, double y3,
           double y4, int mode);
// Fills every attribute of blockRef whose trimmed, upper-cased tag equals the
// trimmed tag; with "Explode Attrib" ticked writes a text at its place instead.
void attplot(DrawContext& ctx, const std::shared_ptr<CadEntity>& blockRef, const std::string& tag,
             const std::string& text);
// The selection box of the first pass (screen only).
void SelectionBox(DrawContext& ctx, double x1, double y1, double x2, double y2, int32_t rgb);

// Text of a colour number as layer names use it: 3 -> "3", 46 -> "46".
std::string ColourLayerName(double colour);
// A colour number taken to the nearest whole number, halves to even; 0 when
// it is not a number or far outside the palette.
int ColourIndex(double colour);

}  // namespace vd
