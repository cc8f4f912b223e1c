// The window the canvas shows onto a sheet's drawing plane: the zoom bar's
// scale extents, the two stored zoom presets, panning by drag, and the
// mapping of mouse pixels to canvas units.
#pragma once

#include <string>

#include "engine/model.h"
#include "profile_drawing/context.h"

namespace vd {

// Range of the zoom bar. The scale extents are 16-bit values, which would
// allow 643; 60 already shows a whole sheet. Below 0 the bar zooms in past
// the 600-unit window, down to 50 units across, so that a sheet can fill the
// canvas and its smallest texts can be read.
inline constexpr int kZoomBarMin = -11;
inline constexpr int kZoomBarMax = 60;

struct ScaleExtents {
    double width = 600;
    double height = 400;
};

// Canvas scale for a zoom bar value: 600 + 50 z across, 400 + 50 z down; below
// zoom 0 the height keeps the 3:2 shape of zoom 0, as 400 + 50 z would reach
// nothing at z = -8.
ScaleExtents ZoomExtents(int zoom);
// The bar value a stored preset zoom asks for, kept within the bar's range.
int ZoomBarValue(double presetScale);

// The user moved the zoom bar to 0: back to the sheet's left edge, just above
// the selected strip.
void RecentreAtZoomZero(ProfileViewState& v);
// Preset Zoom1: the view's top measured from the selected strip's base.
void GoToZoom1(ProfileViewState& v);
// Preset Zoom2: the sheet's left edge; on two-strip sheets the top is measured
// from the upper strip's base 56 instead of the selected strip's.
void GoToZoom2(ProfileViewState& v, double monoSheet);
// Zoom to selection's origin: 9 units left of the selected line's start.
void ZoomToSelectionOrigin(ProfileViewState& v, const Model& m);

// "Zoom1 Set" / "Zoom2 Set": the current bar value and vertical offset into
// the presets and into style row 25 (record 26 of the settings file).
void StoreZoom1(ProfileViewState& v, int barValue, ObjectStyle& row25);
void StoreZoom2(ProfileViewState& v, int barValue, ObjectStyle& row25);
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
