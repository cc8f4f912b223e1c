// The note of a lateral joining at a manhole: a mark at the joining pipe, a
// short leader and upright texts, or the block "FROM" in block mode.
#include <cmath>

#include "cad/cad_document.h"
#include "engine/number_text.h"
#include "profile_drawing/annotation_text.h"
#include "profile_drawing/output.h"
#include "profile_drawing/sheet_parts.h"

namespace vd {

namespace {

// A failing piece of the note is skipped and reported; the rest of the note
// and of the sheet still goes to the same target.
template <class F>
void NotePiece(DrawContext& ctx, const char* what, F&& piece) {
    try {
        piece();
    } catch (const std::exception& e) {
        RecordSkippedStep(ctx, what, e.what(), false);
    }
}

std::string PerMille(float slope) { return Str(CLngSingle(slope, 10000) / 10.0); }

}  // namespace

void fromsub(DrawContext& ctx, int line, double x, double y, int colour, double height, int mode, double dx,
             double dy, bool sheetFlag, int invertFlag, int labelFlag) {
    if (NextOf(ctx, line) == 0) return;
    const LineRecord& l = LineOf(ctx, line);
    const ObjectStyle& info = ctx.m.ObjectStyles[22];
    double invert = l.Inv2;
    int sheet = PrintedSheetNumber(ctx, line);
    // The screen shows a blank where CAD shows the diameter sign.
    std::string unit = mode == kDrawCanvas ? "%o" : " o/oo";

    NotePiece(ctx, "lateral note", [&] { txtplot(ctx, x - 0.075, y, colour, height, 0, "", "0", mode); });

    if (mode >= kDrawCanvas && mode <= kDrawCadLines) {
        NotePiece(ctx, "lateral note", [&] {
            if (labelFlag == 1)
                txtplot(ctx, x + dx + 0.3, y + dy - 1.2, 60, height + 0.1, 90, "",
                        "L" + TrimLeft(Str(LinkOf(ctx, line).LatNo)), mode);
            std::string origin = "FROM " + l.From.rtrim() + (mode > kDrawCanvas ? " %%C" : " ") + FloatText(l.Dia) +
                                 "-" + PerMille(l.slope) + unit;
            txtplot(ctx, x + dx - 0.1, y + dy, info.Color, height - 0.05, 90, "", origin, mode);
            if (invertFlag == 0) {
                std::string ie = sheetFlag ? "I.E. " + FormatFixed(invert, 2) + Str(sheet)
                                           : "I.E. " + FormatFixed(invert, 3);
                txtplot(ctx, x + dx + 0.4, y + dy, info.Color, height - 0.05, 90, "", ie, mode);
            }
            // Leader: up from the mark, then across to the foot of the texts.
            LINEplot(ctx, x, y, x + dx / 2, y + dy - 0.5, mode, info.Color);
            LINEplot(ctx, x + dx / 2, y + dy - 0.5, x + dx + 0.3, y + dy - 0.5, mode, info.Color);
        });
    }
    if (sheetFlag) ctx.v.SheetRefText = TrimLeft(Str(sheet));

    if (mode != kDrawCadBlocks) return;
    // Statement by statement: a drawing without "FROM" still gets the note's
    // layer and its mark "0".
    const auto& ip = ctx.v.InsertionPoint;
    std::shared_ptr<CadEntity> block;
    NotePiece(ctx, "lateral note block", [&] { block = PlaceProfileBlock(ctx, ip[0] + x + dx, ip[1] + y + dy, "FROM"); });
    const std::string layer = ColourLayerName(info.Color);
    NotePiece(ctx, "lateral note layer", [&] { ConnectedDrawing(ctx).Layers().Add(layer).Color = ColourIndex(info.Color); });
    std::shared_ptr<CadEntity> mark;
    NotePiece(ctx, "lateral note mark", [&] {
        mark = ConnectedDrawing(ctx).ModelSpace().AddText("0", CadPoint{ip[0] + x - 0.075, ip[1] + y, 0}, 0.25);
    });
    if (mark) {
        NotePiece(ctx, "lateral note mark", [&] { mark->setLayer(layer); });
        mark->Color = 256;
    }
    if (!block) return;  // its failure is reported already
    const std::string dwg = "(DWG#" + Str(sheet) + ")";
    for (const auto& att : block->GetAttributes()) {
        std::string tag = Trim(att->TagString);
        if (tag == "MH") att->TextString = "From " + Stored(l.From);
        else if (tag == "DIAS") att->TextString = "%%C" + FloatText(l.Dia) + "-" + FormatFixed(l.slope * 1000.0, 1) + " o/oo";
        else if (tag == "INV") att->TextString = "I.E." + FormatFixed(invert, 3);
        else if (tag == "LATRAL") att->TextString = l.Latral.rtrim();
        else if (tag == "DWG") {
            att->TextString = dwg;
            ctx.v.SheetRefText = dwg;
        }
    }
}

}  // namespace vd
