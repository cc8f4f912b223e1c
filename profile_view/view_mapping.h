// The window the canvas shows onto a sheet's drawing plane: the zoom bar's
// scale extents, the two stored zoom presets, panning by drag, and the
// mapping of mouse pixels to canvas units.
#pragma once

#include <string>

#include "engine/model.h"
#include "profile_drawing/context.h"

namespace vd {

// A rectangle of the drawing plane, in drawing units, y upwards.
struct DrawingRect {
    double left = 0, bottom = 0, right = 0, top = 0;
    bool any = false;  // false until a point is taken in

    double width() const { return right - left; }
    double height() const { return top - bottom; }
    bool empty() const { return !any || !(width() > 0 && height() > 0); }
    void include(double x, double y);
    bool contains(const DrawingRect& r) const {
        return r.left >= left && r.right <= right && r.bottom >= bottom && r.top <= top;
    }
};

// The zoom bar. Its far end shows the whole sheet, its near end a few lines
// across the canvas, and every step changes the scale by the same factor.
// Larger values show more. The range is the one the stored presets are
// clamped to.
inline constexpr int kZoomBarMin = -11;
inline constexpr int kZoomBarMax = 60;
// Drawing units across the canvas at the bar's near end: three or four
// lines of a usual length.
inline constexpr double kCloseUpWidth = 24;
// Blank left round the whole sheet, as a share of the canvas on each side.
inline constexpr double kFrameMargin = 0.015;

// Drawing units across a canvas of the given pixel size that show the whole
// of `sheet` with a thin margin; 600 when there is no sheet.
double WholeSheetWidth(const DrawingRect& sheet, int widthPx, int heightPx);
// Units across at bar value `zoom` on a sheet whose whole view is wholeWidth across.
double ZoomWidth(int zoom, double wholeWidth);
// The nearest bar value that shows at least `width` units across; the bar's
// far end when none does.
int ZoomBarFor(double width, double wholeWidth);
// The bar value a stored preset zoom asks for, kept within the bar's range.
int ZoomBarValue(double presetScale);

// The canvas window: `width` units across, and down as the canvas's pixel
// shape gives, one scale both ways.
void SetViewWidth(ProfileViewState& v, double width, int widthPx, int heightPx);
// The whole sheet, centred, filling the canvas.
void FrameSheet(ProfileViewState& v, const DrawingRect& sheet, int widthPx, int heightPx);
// Puts the middle of `r` at the middle of the canvas, the scale unchanged.
void CentreOn(ProfileViewState& v, const DrawingRect& r);
// A new scale about the point at the canvas's centre; then, as little moved
// as can be, the sheet stays on the canvas: whole when the canvas is larger
// than it, filling the canvas when smaller.
void ZoomAboutCentre(ProfileViewState& v, double width, int widthPx, int heightPx, const DrawingRect& sheet);
// The selected line's selection box as the drawing draws it.
DrawingRect SelectionBoxOf(const ProfileViewState& v, const Model& m);
// Zoom to selection: the preset Zoom1 scale, or less close when the selection
// box would not fit, with the box at the canvas's middle. The bar value used.
int ZoomToSelection(ProfileViewState& v, const Model& m, double wholeWidth, int widthPx, int heightPx);

// Preset Zoom1: the view's top measured from the selected strip's base.
void GoToZoom1(ProfileViewState& v);
// Preset Zoom2: the sheet's left edge; on two-strip sheets the top is measured
// from the upper strip's base 56 instead of the selected strip's.
void GoToZoom2(ProfileViewState& v, double monoSheet);

// "Zoom1 Set" / "Zoom2 Set": the current bar value and vertical offset into
// the presets and into style row 25 (record 26 of the settings file).
void StoreZoom1(ProfileViewState& v, int barValue, ObjectStyle& row25);
void StoreZoom2(ProfileViewState& v, int barValue, ObjectStyle& row25);
// Zoom2's offset as RowLocate holds it, in 7 characters: the first 7 of its
// plain text when that cut drops only decimals, else the number with as many
// digits as fit.
std::string ZoomOffsetText(double offset);
// The presets as style row 25 holds them.
void LoadZoomPresets(ProfileViewState& v, const ObjectStyle& row25);

// A number's plain text: up to 15 significant digits, no leading blank.
std::string PlainNumberText(double value);

// Pixel position to canvas units.
double PixelsToUnits(double px, int pixelsAcross, double unitsAcross);
// A drag from (fromX, fromY) to (toX, toY) in canvas units: the drawing follows the mouse.
void DragPan(ProfileViewState& v, double fromX, double fromY, double toX, double toY);

// Pan step label click: 1..10, wrapping.
int NextPanStep(int panStep);

}  // namespace vd
