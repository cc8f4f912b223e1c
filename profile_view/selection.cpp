#include "profile_view/selection.h"

#include <string>

namespace vd {

StripRange Strip(const ProfileViewState& v, int band) {
    return band == 1 ? StripRange{v.Band1Start, v.Band1End} : StripRange{v.Band2Start, v.Band2End};
}

int StripOf(const ProfileViewState& v, int pos) {
    if (Strip(v, 1).holds(pos)) return 1;
    if (Strip(v, 2).holds(pos)) return 2;
    return 0;
}

double StripBaseY(int band, int bandLift) {
    return band == 1 ? 58.2f + 8 * bandLift : 4 * bandLift + 22;
}

double FirstViewBaseY(const ProfileViewState& v) {
    return v.Band1End > 0 ? StripBaseY(1, v.BandLift) : 58 + 4 * v.BandLift;
}

int LineAtPosition(const ProfileViewState& v, const Model& m, int pos) {
    if (StripOf(v, pos) == 0 || pos > m.LinkUpper()) return 0;
    int line = m.Links[pos].PosLine;
    return line > 0 && line <= m.LineUpper() && line <= m.LinkUpper() ? line : 0;
}

int SelectedLine(const ProfileViewState& v, const Model& m) { return LineAtPosition(v, m, v.SelPos); }
int RunLowerLine(const ProfileViewState& v, const Model& m) { return LineAtPosition(v, m, v.SelPosEnd); }

namespace {

void SelectAt(ProfileViewState& v, int pos, int band) {
    v.SelPos = pos;
    v.SelPosEnd = static_cast<int16_t>(pos);
    if (band != v.SelBand) {
        v.SelBand = static_cast<int16_t>(band);
        v.SelBaseY = StripBaseY(band, v.BandLift);
    }
}

// The first position of the sheet: the upper strip's start, else the lower one's.
void SelectFirst(ProfileViewState& v) {
    if (v.Band1End > 0) {
        v.SelPos = v.Band1Start;
        v.SelBand = 1;
    } else {
        v.SelPos = v.Band2Start;
        v.SelBand = 2;
    }
    v.SelPosEnd = static_cast<int16_t>(v.SelPos);
}

// The strip the selection is in; a selection off both strips restarts at the
// sheet's first position.
int CurrentStrip(ProfileViewState& v) {
    int band = StripOf(v, v.SelPos);
    if (band == 0) {
        SelectFirst(v);
        band = StripOf(v, v.SelPos);
    }
    return band;
}

std::string TrimmedFrom(const Model& m, int line) { return m.Lines[line].From.trim(); }

}  // namespace

void ShowSheet(ProfileViewState& v, const Model& m, int index) {
    v.SheetIndex = index;
    v.Band1End = v.Band1Start = v.Band2End = v.Band2Start = 0;
    v.SelBand = 1;
    v.SelBaseY = 56;
    if (index >= 0 && index < static_cast<int>(m.SheetTable.size())) v.LoadSheet(m.SheetTable[index]);
    SelectFirst(v);
}

void NextSelection(ProfileViewState& v) {
    int band = CurrentStrip(v);
    if (band == 0) return;
    StripRange here = Strip(v, band);
    if (v.SelPos - 1 >= here.end) {
        SelectAt(v, v.SelPos - 1, band);
        return;
    }
    int other = 3 - band;
    if (Strip(v, other).present())
        SelectAt(v, Strip(v, other).start, other);
    else
        SelectAt(v, here.start, band);
}

void PreviousSelection(ProfileViewState& v) {
    int band = CurrentStrip(v);
    if (band == 0) return;
    StripRange here = Strip(v, band);
    if (v.SelPos + 1 <= here.start) {
        SelectAt(v, v.SelPos + 1, band);
        return;
    }
    int other = 3 - band;
    if (Strip(v, other).present())
        SelectAt(v, Strip(v, other).end, other);
    else
        SelectAt(v, here.end, band);
}

bool AddToSelection(ProfileViewState& v, const Model& m) {
    int q = RunLowerLine(v, m);
    if (q == 0 || SelectedLine(v, m) == 0) return false;
    // The run stays within its strip.
    if (StripOf(v, v.SelPosEnd - 1) != StripOf(v, v.SelPosEnd)) return false;
    int n = m.Links[q].NextLine;
    if (n <= 0 || n > m.LinkUpper() || m.Links[n].UpLine != q) return false;
    v.SelPosEnd = static_cast<int16_t>(v.SelPosEnd - 1);
    return true;
}

bool RemoveFromSelection(ProfileViewState& v, const Model& m) {
    if (v.SelPosEnd >= v.SelPos) return false;
    int q = RunLowerLine(v, m);
    if (q == 0 || m.Links[q].UpLine <= 0) return false;
    v.SelPosEnd = static_cast<int16_t>(v.SelPosEnd + 1);
    return true;
}

bool PickLine(ProfileViewState& v, const Model& m, double x, double y) {
    const bool upper = v.ViewTopY - y > 30;
    int band = 0;
    if (upper)
        band = Strip(v, 1).present() ? 1 : (Strip(v, 2).present() ? 2 : 0);
    else
        band = Strip(v, 2).present() ? 2 : 0;
    if (band == 0) return false;
    StripRange s = Strip(v, band);
    const double at = x + v.ViewOriginX;
    int picked = 0;
    for (int p = s.end; p <= s.start; ++p) {
        int line = LineAtPosition(v, m, p);
        if (line == 0) continue;
        double x1 = m.Results[line].ProfX;
        double x2 = x1 + m.Lines[line].Len / 10.0;
        if (x1 < at && at < x2) picked = p;
    }
    if (picked == 0) return false;
    SelectAt(v, picked, band);
    return true;
}

bool FindLineSheet(ProfileViewState& v, const Model& m, int line) {
    if (line <= 0 || line > m.LineUpper() || line > m.LinkUpper()) return false;
    double idx = m.Results[line].SheetIdx;
    ShowSheet(v, m, idx >= 0 && idx < 32768 ? static_cast<int>(idx) : -1);
    const std::string from = TrimmedFrom(m, line);
    for (int band : {2, 1}) {
        StripRange s = Strip(v, band);
        if (!s.present()) continue;
        for (int p = s.start; p >= s.end; --p) {
            int at = LineAtPosition(v, m, p);
            if (at != 0 && TrimmedFrom(m, at) == from) {
                v.SelBand = 0;  // force the base to follow the strip found
                SelectAt(v, p, band);
                return true;
            }
        }
    }
    return true;
}

}  // namespace vd
