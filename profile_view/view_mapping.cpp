#include "profile_view/view_mapping.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <string_view>

#include "engine/number_text.h"
#include "profile_view/selection.h"

namespace vd {

void DrawingRect::include(double x, double y) {
    if (!std::isfinite(x) || !std::isfinite(y)) return;
    if (!any) {
        left = right = x;
        bottom = top = y;
        any = true;
        return;
    }
    left = std::min(left, x);
    right = std::max(right, x);
    bottom = std::min(bottom, y);
    top = std::max(top, y);
}

namespace {

double Aspect(int widthPx, int heightPx) { return double(std::max(1, widthPx)) / std::max(1, heightPx); }

// Units across that show all of `r`, with the frame's margin.
double WidthShowing(const DrawingRect& r, int widthPx, int heightPx) {
    return std::max(r.width(), r.height() * Aspect(widthPx, heightPx)) / (1 - 2 * kFrameMargin);
}

// One axis of the canvas window, [lo, lo + span], moved as little as can be
// so that it holds the sheet's [sheetLo, sheetHi] or lies within it.
double KeepOnSheet(double lo, double span, double sheetLo, double sheetHi) {
    if (span >= sheetHi - sheetLo) return std::clamp(lo, sheetHi - span, sheetLo);
    return std::clamp(lo, sheetLo, sheetHi - span);
}

}  // namespace

double WholeSheetWidth(const DrawingRect& sheet, int widthPx, int heightPx) {
    if (sheet.empty()) return 600;
    return WidthShowing(sheet, widthPx, heightPx);
}

double ZoomWidth(int zoom, double wholeWidth) {
    zoom = std::clamp(zoom, kZoomBarMin, kZoomBarMax);
    if (!(wholeWidth > 0) || !std::isfinite(wholeWidth)) wholeWidth = 600;
    const double close = std::min(kCloseUpWidth, wholeWidth);
    const double share = double(kZoomBarMax - zoom) / (kZoomBarMax - kZoomBarMin);
    return wholeWidth * std::pow(close / wholeWidth, share);
}

int ZoomBarFor(double width, double wholeWidth) {
    for (int z = kZoomBarMin; z < kZoomBarMax; ++z)
        if (ZoomWidth(z, wholeWidth) >= width * (1 - 1e-9)) return z;
    return kZoomBarMax;
}

int ZoomBarValue(double presetScale) {
    if (!std::isfinite(presetScale)) return 0;
    double z = RoundHalfEven(std::clamp(presetScale, double(kZoomBarMin), double(kZoomBarMax)));
    return static_cast<int>(z);
}

void SetViewWidth(ProfileViewState& v, double width, int widthPx, int heightPx) {
    if (!(width > 0) || !std::isfinite(width)) return;
    v.ScaleWidth = width;
    v.ScaleHeight = width / Aspect(widthPx, heightPx);
}

void CentreOn(ProfileViewState& v, const DrawingRect& r) {
    if (!r.any) return;
    v.ViewOriginX = (r.left + r.right) / 2 - v.ScaleWidth / 2;
    v.ViewTopY = (r.bottom + r.top) / 2 + v.ScaleHeight / 2;
}

void FrameSheet(ProfileViewState& v, const DrawingRect& sheet, int widthPx, int heightPx) {
    SetViewWidth(v, WholeSheetWidth(sheet, widthPx, heightPx), widthPx, heightPx);
    CentreOn(v, sheet);
}

void ZoomAboutCentre(ProfileViewState& v, double width, int widthPx, int heightPx, const DrawingRect& sheet) {
    const double cx = v.ViewOriginX + v.ScaleWidth / 2, cy = v.ViewTopY - v.ScaleHeight / 2;
    SetViewWidth(v, width, widthPx, heightPx);
    v.ViewOriginX = cx - v.ScaleWidth / 2;
    v.ViewTopY = cy + v.ScaleHeight / 2;
    if (sheet.empty()) return;
    v.ViewOriginX = KeepOnSheet(v.ViewOriginX, v.ScaleWidth, sheet.left, sheet.right);
    v.ViewTopY = KeepOnSheet(v.ViewTopY - v.ScaleHeight, v.ScaleHeight, sheet.bottom, sheet.top) + v.ScaleHeight;
}

DrawingRect SelectionBoxOf(const ProfileViewState& v, const Model& m) {
    DrawingRect box;
    const int line = SelectedLine(v, m);
    if (line == 0) return box;
    const double x = m.Results[line].ProfX;
    box.include(x, v.SelBaseY + 4.5);
    box.include(x + m.Lines[line].Len / 10.0, v.SelBaseY - (4 * v.BandLift + 14));
    return box;
}

int ZoomToSelection(ProfileViewState& v, const Model& m, double wholeWidth, int widthPx, int heightPx) {
    const DrawingRect box = SelectionBoxOf(v, m);
    int z = ZoomBarValue(v.Zoom1Scale);
    if (box.any) z = std::max(z, ZoomBarFor(WidthShowing(box, widthPx, heightPx), wholeWidth));
    SetViewWidth(v, ZoomWidth(z, wholeWidth), widthPx, heightPx);
    if (box.any)
        CentreOn(v, box);
    else
        GoToZoom1(v);
    return z;
}

void GoToZoom1(ProfileViewState& v) { v.ViewTopY = v.SelBaseY - v.Zoom1Offset; }

void GoToZoom2(ProfileViewState& v, double monoSheet) {
    v.ViewOriginX = 0;
    v.ViewTopY = (monoSheet == 0.5 ? 56.0 : v.SelBaseY) - v.Zoom2Offset;
}

void StoreZoom1(ProfileViewState& v, int barValue, ObjectStyle& row25) {
    v.Zoom1Scale = barValue;
    v.Zoom1Offset = v.SelBaseY - v.ViewTopY;
    row25.TextHeight = static_cast<float>(v.Zoom1Scale);
    row25.VSpace = static_cast<float>(v.Zoom1Offset);
}

std::string ZoomOffsetText(double offset) {
    const std::string t = PlainNumberText(offset);
    if (t.size() <= 7) return t;
    // Cutting to the field's 7 characters may drop decimals, never digits
    // before the point nor an exponent: "1.52587890625E-06" cut would read
    // back as 1.52587. Such a number is written with fewer digits instead.
    const std::size_t point = t.find('.');
    if (t.find('E') == std::string::npos && point != std::string::npos && point <= 7) return t.substr(0, 7);
    for (int digits = 6; digits > 1; --digits)
        if (std::string g = GeneralNumberText(offset, digits); g.size() <= 7) return g;
    return GeneralNumberText(offset, 1);
}

void StoreZoom2(ProfileViewState& v, int barValue, ObjectStyle& row25) {
    v.Zoom2Scale = barValue;
    v.Zoom2Offset = v.SelBaseY - v.ViewTopY;
    row25.DivideLen = static_cast<float>(v.Zoom2Scale);
    row25.RowLocate = ZoomOffsetText(v.Zoom2Offset);
}

void LoadZoomPresets(ProfileViewState& v, const ObjectStyle& row25) {
    v.Zoom1Scale = row25.TextHeight;
    v.Zoom2Scale = row25.DivideLen;
    v.Zoom1Offset = row25.VSpace;
    v.Zoom2Offset = Val(row25.RowLocate.unassigned() ? std::string_view() : row25.RowLocate.view());
}

std::string PlainNumberText(double value) {
    if (!std::isfinite(value)) return "0";
    std::string t = GeneralNumberText(value, 15);
    return t == "-0" ? "0" : t;
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
