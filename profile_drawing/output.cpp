#include <exception>

#include "cad/cad_document.h"
#include "engine/fixed_text.h"
#include "engine/number_text.h"
#include "profile_drawing/context.h"
#include "profile_drawing/output.h"

namespace vd {

namespace {

Placement PlacementOf(const DrawContext& c) {
    Placement p;
    p.ViewOriginX = c.v.ViewOriginX;
    p.ViewTopY = c.v.ViewTopY;
    p.InsertionPoint = c.v.InsertionPoint;
    p.DxfOffsetX = Num(c.m.DxfOffsetX);
    p.DxfOffsetY = Num(c.m.DxfOffsetY);
    return p;
}

// Said with the line being drawn, as the routine's own skipped steps are.
void Skipped(DrawContext& c, const std::string& what, const std::exception& e) {
    std::string entry = what + ": " + e.what();
    if (c.r.CurLine > 0) entry += " (line " + NumText(c.r.CurLine) + ")";
    c.skipped.push_back(entry);
}

}  // namespace

void txtplot(DrawContext& ctx, double x, double y, double colour, double height, double angle,
             const std::string& style, const std::string& text, int mode) {
    ProfileOutput* target = ctx.Out.ForMode(mode);
    if (!target) return;
    try {
        target->Text(PlacementOf(ctx), x, y, colour, height, angle, style, text);
    } catch (const std::exception& e) {
        Skipped(ctx, "text \"" + text + "\"", e);
    }
}

void LINEplot(DrawContext& ctx, double x1, double y1, double x2, double y2, int mode, double colour,
              std::string& lineType) {
    lineType = UpperCase(TrimRight(lineType));
    ProfileOutput* target = ctx.Out.ForMode(mode);
    if (!target) return;
    try {
        target->Line(PlacementOf(ctx), x1, y1, x2, y2, colour, lineType);
    } catch (const std::exception& e) {
        Skipped(ctx, "line", e);
    }
}

void LINEplot(DrawContext& ctx, double x1, double y1, double x2, double y2, int mode, double colour,
              const std::string& lineType) {
    std::string type = lineType;
    LINEplot(ctx, x1, y1, x2, y2, mode, colour, type);
}

void solid(DrawContext& ctx, double x1, double x2, double x3, double x4, double y1, double y2, double y3,
           double y4, int mode) {
    if (mode != kDrawCadLines && mode != kDrawCadBlocks) return;
    ProfileOutput* target = ctx.Out.ForMode(mode);
    if (!target) return;
    target->Solid(PlacementOf(ctx), {x1, x2, x3, x4}, {y1, y2, y3, y4}, ColourIndex(ctx.m.ObjectStyles[21].Color));
}

void attplot(DrawContext& ctx, const std::shared_ptr<CadEntity>& blockRef, const std::string& tag,
             const std::string& text) {
    if (!blockRef) throw CadError(caderr::ObjectNotSet, kNoDrawingOpen);
    const std::string wanted = Trim(tag);
    for (const auto& a : blockRef->GetAttributes()) {
        if (UpperCase(Trim(a->TagString)) != wanted) continue;
        const CadPoint at = a->InsertionPoint;
        if (!ctx.v.ExplodeAttrib) {
            a->TextString = text;
            if (CadDocument* d = blockRef->document()) d->setModified(true);
            continue;
        }
        CadDocument* d = ctx.Out.Acad;
        if (!d) throw CadError(caderr::ObjectNotSet, kNoDrawingOpen);
        auto t = d->ModelSpace().AddText(text, at, 1);
        t->Rotation = a->Rotation;
        t->setLayer(a->layer());
        t->Color = a->Color;
        t->Height = a->Height;
        t->StyleName = a->StyleName;
        t->Alignment = a->Alignment;
        if (a->Alignment > 0) t->TextAlignmentPoint = at;
    }
}

void SelectionBox(DrawContext& ctx, double x1, double y1, double x2, double y2, int32_t rgb) {
    if (ctx.Out.Canvas) ctx.Out.Canvas->Box(PlacementOf(ctx), x1, y1, x2, y2, rgb);
}

}  // namespace vd
