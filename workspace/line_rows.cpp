#include "workspace/line_rows.h"

#include <algorithm>

namespace vd {

namespace {

bool SameRecord(const LineRecord& a, const LineRecord& b, bool ignoreLatral) {
    return a.SeqText == b.SeqText && (ignoreLatral || a.Latral == b.Latral) && a.MhType == b.MhType &&
           a.Status == b.Status && a.From == b.From && a.to == b.to && a.Area2_sub == b.Area2_sub &&
           a.Area1_sub == b.Area1_sub && a.Qadd == b.Qadd && a.Len == b.Len && a.Dia == b.Dia &&
           a.CalcSlope == b.CalcSlope && a.slope == b.slope && a.Pop1 == b.Pop1 && a.Pop2 == b.Pop2 &&
           a.Gr1 == b.Gr1 && a.Gr2 == b.Gr2 && a.Inv1 == b.Inv1 && a.Inv2 == b.Inv2 && a.Level == b.Level &&
           a.Mincover == b.Mincover && a.XData13 == b.XData13 && a.X1 == b.X1 && a.X2 == b.X2 &&
           a.Y1 == b.Y1 && a.Y2 == b.Y2;
}

}  // namespace

int HighestRowInUse(const Model& m) {
    if (m.Lines.empty()) return 0;
    const LineRecord& blank = m.Lines[0];
    FixedText<40> none("0");
    for (int i = m.LineUpper(); i >= 1; --i) {
        const LineRecord& r = m.Lines[i];
        if (!SameRecord(r, blank, true)) return i;
        if (!(r.Latral == blank.Latral) && !(r.Latral == none)) return i;
    }
    return 0;
}

void ClearLineRows(Model& m, int upTo) {
    upTo = std::min(upTo, m.LineUpper());
    for (int i = 1; i <= upTo; ++i) {
        m.ClearLine(i);
        m.Lines[i].Latral = "0";
    }
}

}  // namespace vd
