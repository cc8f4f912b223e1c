#include "profile_view/view_mapping.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <string_view>

#include "engine/number_text.h"
#include "profile_view/selection.h"

namespace vd {

ScaleExtents ZoomExtents(int zoom) {
    zoom = std::clamp(zoom, kZoomBarMin, kZoomBarMax);
    const double width = 600.0 + 50.0 * zoom;
    return {width, zoom < 0 ? width * 2 / 3 : 400.0 + 50.0 * zoom};
}

int ZoomBarValue(double presetScale) {
    if (!std::isfinite(presetScale)) return 0;
    double z = RoundHalfEven(std::clamp(presetScale, double(kZoomBarMin), double(kZoomBarMax)));
    return static_cast<int>(z);
}

void RecentreAtZoomZero(ProfileViewState& v) {
    v.ViewTopY = v.SelBaseY + 4;
    v.ViewOriginX = 0;
}

void GoToZoom1(ProfileViewState& v) { v.ViewTopY = v.SelBaseY - v.Zoom1Offset; }

void GoToZoom2(ProfileViewState& v, double monoSheet) {
    v.ViewOriginX = 0;
    v.ViewTopY = (monoSheet == 0.5 ? 56.0 : v.SelBaseY) - v.Zoom2Offset;
}

void ZoomToSelectionOrigin(ProfileViewState& v, const Model& m) {
    int line = SelectedLine(v, m);
    v.ViewOriginX = static_cast<float>(m.Results[line].ProfX - 9.0);
    v.ViewTopY = v.SelBaseY - v.Zoom1Offset;
}

void StoreZoom1(ProfileViewState& v, int barValue, ObjectStyle& row25) {
    v.Zoom1Scale = barValue;
    v.Zoom1Offset = v.SelBaseY - v.ViewTopY;
    row25.TextHeight = static_cast<float>(v.Zoom1Scale);
    row25.VSpace = static_cast<float>(v.Zoom1Offset);
}

void StoreZoom2(ProfileViewState& v, int barValue, ObjectStyle& row25) {
    v.Zoom2Scale = barValue;
    v.Zoom2Offset = v.SelBaseY - v.ViewTopY;
    row25.DivideLen = static_cast<float>(v.Zoom2Scale);
    // The field keeps the first 7 characters, blank-padded.
    row25.RowLocate = PlainNumberText(v.Zoom2Offset).substr(0, 7);
}

void LoadZoomPresets(ProfileViewState& v, const ObjectStyle& row25) {
    v.Zoom1Scale = row25.TextHeight;
    v.Zoom2Scale = row25.DivideLen;
    v.Zoom1Offset = row25.VSpace;
    v.Zoom2Offset = Val(row25.RowLocate.unassigned() ? std::string_view() : row25.RowLocate.view());
}

std::string PlainNumberText(double value) {
    if (!std::isfinite(value)) return "0";
    char buf[40];
    std::snprintf(buf, sizeof buf, "%.15G", value);
    if (std::string_view(buf) == "-0") return "0";
    return buf;
}

double PixelsToUnits(double px, int pixelsAcross, double unitsAcross) {
    if (pixelsAcross <= 0) return 0;
    return px * unitsAcross / pixelsAcross;
}

void DragPan(ProfileViewState& v, double fromX, double fromY, double toX, double toY) {
    v.ViewTopY += toY - fromY;
    v.ViewOriginX -= toX - fromX;
}

int NextPanStep(int panStep) { return panStep >= 10 ? 1 : panStep + 1; }

}  // namespace vd
