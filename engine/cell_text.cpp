#include "engine/errors.h"
#include "engine/cell_text.h"

#include <cmath>
#include <cstring>
#include <optional>
#include <string>
#include <string_view>

#include "engine/hydraulics.h"
#include "engine/number_text.h"
#include "engine/pipe_size.h"

namespace vd {

namespace {

// Where the texts of one call go; records missing from a short catalogue are
// skipped.
class Cells {
public:
    explicit Cells(std::span<GridColumnDef> catalogue) : cat_(catalogue) {}
    bool has(int code) const { return code >= 0 && static_cast<std::size_t>(code) < cat_.size(); }
    void put(int code, std::string_view text) {
        if (has(code)) cat_[code].CellText = text;
    }
    // A stored text field; one never assigned is NUL-filled and shows empty.
    // Written into CellText directly: a block copy of bytes just stored one
    // by one waits for them, and a large view makes a million such texts.
    void text(int code, std::string_view field) {
        if (!has(code)) return;
        FixedText<20>& cell = cat_[code].CellText;
        char* d = cell.data();
        for (std::size_t i = 0; i < FixedText<20>::Width; ++i)
            d[i] = i < field.size() && field[i] != '\0' ? field[i] : ' ';
    }
    // The general number-to-text form of a single-precision value.
    void plain(int code, float value) {
        if (!std::isfinite(value)) return blank(code);
        put(code, FloatText(value));
    }
    void blank(int code) { put(code, std::string_view()); }
    void fixed(int code, double value, int decimals) {
        // Non-finite or absurd values would only turn into an overflow.
        if (!std::isfinite(value)) return blank(code);
        try {
            // Straight into CellText where it fits, as text() does.
            if (has(code)) {
                FixedText<20>& cell = cat_[code].CellText;
                if (std::size_t n = FormatFixedInto(value, decimals, std::span<char>(cell.data(), FixedText<20>::Width))) {
                    std::memset(cell.data() + n, ' ', FixedText<20>::Width - n);
                    return;
                }
            }
            put(code, FormatFixed(value, decimals));
        } catch (const RuntimeError&) {
            blank(code);
        }
    }

private:
    std::span<GridColumnDef> cat_;
};

template <typename T>
bool InTable(const T& table, long long i) {
    return i >= 0 && static_cast<unsigned long long>(i) < table.size();
}

// A LatTable cell as a line number; no value when it is not a whole-number
// index into Lines.
std::optional<int> LateralLine(const Model& m, int lateral, int column) {
    if (m.LatCount < 1 || lateral < 0 || lateral > m.LatCount || !InTable(m.LatTable, lateral))
        return std::nullopt;
    double v = RoundHalfEven(m.LatTable[lateral][column]);
    if (!std::isfinite(v) || v < 0 || v >= static_cast<double>(m.Lines.size()) ||
        v >= static_cast<double>(m.Results.size()))
        return std::nullopt;
    return static_cast<int>(v);
}

// Peak factor of a zone's population, two decimals, capped by KmaxText.
double PeakFactor(const Model& m, double population) {
    if (!(population > 0)) return 0;
    double k = RoundHalfEven(5.0 / std::pow(population / 1000.0, 0.167) * 100.0) / 100.0;
    double cap = Val(m.Criteria.KmaxText);
    return k > cap ? cap : k;
}

// The Manning n of a line without disturbing the n last shown in its column.
double QuietManningN(Model& m, int line) {
    const float saved = m.ManningN;
    double n = LineManningN(m, line);
    m.ManningN = saved;
    return n;
}

// Velocity (m/s) of a flow (l/s) in a line: from the partial-flow depth while
// the pipe can carry it, over the full section once it cannot.
std::optional<double> FlowVelocity(Model& m, int line, double flow) {
    const LineRecord& l = m.Lines[line];
    double n = QuietManningN(m, line);
    double d = l.Dia / 1000.0;
    double s = l.slope;
    if (!(n > 0) || !(d > 0) || !(s > 0) || !(flow > 0)) return std::nullopt;
    double q = flow / 1000.0;
    double fullArea = kDesignPi * d * d / 4.0;
    double full = kDesignPi / (std::pow(4.0, 5.0 / 3.0) * n) * std::pow(d, 8.0 / 3.0) * std::sqrt(s);
    if (q >= full) return q / fullArea;
    double r = d / 2.0;
    std::optional<PartialFlow> pf = SolvePartialFlow(q, n, r, s);
    if (!pf) return std::nullopt;
    double area = r * r * (pf->theta - std::sin(pf->theta)) / 2.0;
    if (!(area > 0) || area > fullArea) return std::nullopt;
    double v = q / area;
    return std::isfinite(v) ? std::optional<double>(v) : std::nullopt;
}

// Line and results fields shown as they stand: a code, the field, and its
// decimals (-1: the general form of a single-precision number).
template <typename Record>
struct StoredNumber {
    int code;
    float Record::*field;
    int decimals;
};
constexpr StoredNumber<LineRecord> kLineNumbers[] = {
    {3, &LineRecord::Area1_sub, 3}, {5, &LineRecord::Pop1, 0},  {7, &LineRecord::Area2_sub, 3},
    {9, &LineRecord::Pop2, 0},      {31, &LineRecord::Dia, 0},  {37, &LineRecord::Gr1, 2},
    {38, &LineRecord::Gr2, 2},      {40, &LineRecord::Len, 2},  {41, &LineRecord::Inv1, 2},
    {42, &LineRecord::Inv2, 2},     {55, &LineRecord::Qadd, 2}, {57, &LineRecord::Mincover, 2},
    {68, &LineRecord::X1, -1},      {69, &LineRecord::Y1, -1},  {70, &LineRecord::X2, -1},
    {71, &LineRecord::Y2, -1},
};
constexpr StoredNumber<ResultRecord> kResultNumbers[] = {
    {4, &ResultRecord::Area1_total, 3}, {6, &ResultRecord::Pop1_total, 0}, {8, &ResultRecord::Area2_Total, 3},
    {10, &ResultRecord::Pop2_total, 0}, {11, &ResultRecord::Qsw, 2},       {15, &ResultRecord::Qinf1, 3},
    {17, &ResultRecord::QmaxBig, 2},    {18, &ResultRecord::VmaxBig, 2},   {20, &ResultRecord::QavgEnd, 2},
    {21, &ResultRecord::VavgEnd, 2},    {24, &ResultRecord::Qinf2, 3},     {26, &ResultRecord::QaddTotal, 2},
    {27, &ResultRecord::QmaxEnd, 2},    {28, &ResultRecord::VmaxEnd, 2},
};

template <typename Record, std::size_t N>
bool StoredNumberCell(const StoredNumber<Record> (&table)[N], const Record& rec, int code, Cells& cells) {
    for (const auto& s : table) {
        if (s.code != code) continue;
        if (s.decimals < 0) cells.plain(code, rec.*s.field);
        else cells.fixed(code, rec.*s.field, s.decimals);
        return true;
    }
    return false;
}

// Line texts shown as they stand.
struct StoredText {
    int code;
    std::string_view (*field)(const LineRecord&);
};
constexpr StoredText kStoredTexts[] = {
    {1, [](const LineRecord& l) { return l.From.view(); }},
    {2, [](const LineRecord& l) { return l.to.view(); }},
    {52, [](const LineRecord& l) { return l.Latral.view(); }},
    {54, [](const LineRecord& l) { return l.Status.view(); }},
    {100, [](const LineRecord& l) { return l.MhType.view(); }},
};

bool StoredCell(const LineRecord& l, const ResultRecord& r, int code, Cells& cells) {
    if (StoredNumberCell(kLineNumbers, l, code, cells) || StoredNumberCell(kResultNumbers, r, code, cells))
        return true;
    for (const StoredText& t : kStoredTexts) {
        if (t.code != code) continue;
        cells.text(code, t.field(l));
        return true;
    }
    return false;
}

// Codes 14 and 16, or 23 and 25: a zone's peak factor and its inflow.
void ZonePeakCells(const Model& m, const ResultRecord& r, int zone, Cells& cells) {
    const DesignCriteria& c = m.Criteria;
    if (zone == 1) {
        double p = r.Pop1_total;
        double k = PeakFactor(m, p);
        double qmax = p * Num(c.LPCD1) / 86400.0 * Num(c.Connect1) / 100.0 * k;
        cells.fixed(14, k, 2);
        cells.fixed(16, Num(c.InflowPercent) / 100.0 * qmax, 2);
    } else {
        double p = r.Pop2_total;
        double k = PeakFactor(m, p);
        double q = p > 0 ? k * r.QavgEnd : 0.0;
        cells.fixed(23, k, 2);
        cells.fixed(25, Num(c.InflowPercent) / 100.0 * q, 2);
    }
}

// Code 32: the slope rounded to 4 decimals, stored back (never into the
// template row 0).
void RoundedSlopeCell(LineRecord& l, int row, Cells& cells) {
    std::optional<float> rounded = SingleValue(RoundHalfEven(static_cast<double>(l.slope) * 10000.0) / 10000.0);
    if (!rounded) return;
    if (row > 0) l.slope = *rounded;
    cells.fixed(32, *rounded, 4);
}

// Codes 34 and 35: full-pipe flow and velocity, while there is a flow.
void FullPipeCells(Model& m, int row, Cells& cells) {
    const LineRecord& l = m.Lines[row];
    if (!(m.Results[row].QmaxEnd > 0)) return;
    std::optional<double> qf = FullPipeCapacity(l.Dia, l.slope, QuietManningN(m, row));
    if (!qf) return;
    cells.fixed(34, *qf, 2);
    double area = kDesignPi * std::pow(l.Dia / 1000.0, 2) / 4.0;
    if (area > 0) cells.fixed(35, *qf / 1000.0 / area, 2);
}

// Code 36: the self-cleaning slope; no design flow is a slope of 0, any
// other input without an answer a blank.
void SelfCleaningCell(Model& m, int row, Cells& cells) {
    std::optional<double> s = LineHydraulics(m, row);
    if (s) return cells.fixed(36, *s, 4);
    if (m.Results[row].QmaxBig == 0) cells.fixed(36, 0, 4);
}

// Code 45: drop to the next line.
void DropToNextCell(const Model& m, int row, Cells& cells) {
    if (!InTable(m.Links, row)) return;
    int next = m.Links[row].NextLine;
    if (next < 1) return cells.fixed(45, 0, 2);
    if (InTable(m.Lines, next)) cells.fixed(45, static_cast<double>(m.Lines[row].Inv2) - m.Lines[next].Inv1, 2);
}

// Code 53: the printed number of the line's sheet.
void SheetNumberCell(const Model& m, const ResultRecord& r, Cells& cells) {
    double sheet = RoundHalfEven(r.SheetIdx);
    if (std::isfinite(sheet) && sheet >= 0 && sheet < static_cast<double>(m.SheetTable.size()))
        cells.fixed(53, m.SheetTable[static_cast<std::size_t>(sheet)].DwgNo, 0);
}

// Code 101: how many lines drain into the line's upstream manhole.
void ConnectionCountCell(const Model& m, int row, Cells& cells) {
    if (!InTable(m.Links, row)) return;
    int u = m.Links[row].UpLine;
    if (!InTable(m.Links, u)) return;
    const LinkRecord& up = m.Links[u];
    if (u > 0 && up.Branch1 == 0) cells.put(101, "1");
    if (up.Branch1 > 0 && up.Branch2 == 0) cells.put(101, "2");
    if (up.Branch1 > 0 && up.Branch2 > 0) cells.put(101, "3");
    if (u == 0) cells.put(101, "0");
}

// Code 102: the largest drop of a line into the line's upstream manhole.
void LargestDropCell(const Model& m, int row, Cells& cells) {
    if (!InTable(m.Links, row)) return;
    const LineRecord& l = m.Lines[row];
    int u = m.Links[row].UpLine;
    if (!InTable(m.Links, u) || !InTable(m.Lines, u)) return;
    double d = u < 1 ? 0.0 : static_cast<double>(m.Lines[u].Inv2) - l.Inv1;
    for (int b : {static_cast<int>(m.Links[u].Branch1), static_cast<int>(m.Links[u].Branch2)}) {
        if (b < 1) continue;
        if (!InTable(m.Lines, b)) return;
        double db = static_cast<double>(m.Lines[b].Inv2) - l.Inv1;
        if (db > d) d = db;
    }
    cells.fixed(102, d, 2);
}

// Codes of the line view: stored fields from the tables above, derived
// values by their steps. 13, 19, 22, 29 and 30 have no conversion.
void LineCell(Model& m, int code, int row, Cells& cells, CostMessages* fill) {
    if (!InTable(m.Lines, row) || !InTable(m.Results, row)) return;
    LineRecord& l = m.Lines[row];
    const ResultRecord& r = m.Results[row];
    if (StoredCell(l, r, code, cells)) return;
    switch (code) {
        case 12:
            if (r.Qsw > 0)
                if (auto v = FlowVelocity(m, row, r.Qsw)) cells.fixed(code, *v, 2);
            return;
        case 14:
        case 16: return ZonePeakCells(m, r, 1, cells);
        case 23:
        case 25: return ZonePeakCells(m, r, 2, cells);
        case 32: return RoundedSlopeCell(l, row, cells);
        case 33:
            // The shared n is single-precision: 0.0125 is held as 0.01250000019 and shows 0.013.
            LineManningN(m, row);
            return cells.fixed(code, m.ManningN, 3);
        case 34:
        case 35: return FullPipeCells(m, row, cells);
        case 36: return SelfCleaningCell(m, row, cells);
        case 39:
            if (l.Len == 0) return;
            if (auto slope = SingleValue((static_cast<double>(l.Gr1) - l.Gr2) / l.Len)) cells.fixed(code, *slope, 4);
            return;
        case 43: return cells.fixed(code, static_cast<double>(l.Gr1) - l.Inv1, 2);
        case 44: return cells.fixed(code, static_cast<double>(l.Gr2) - l.Inv2, 2);
        case 45: return DropToNextCell(m, row, cells);
        case 46:
        case 47:
        case 48:
        case 49:
        case 50: return cells.fixed(code, 0, 2);  // band lengths are not computed on display
        case 51: {
            if (l.Len == 0) return;
            std::optional<int32_t> cost = LineCost(m, row, fill);
            if (cost) cells.fixed(code, static_cast<double>(*cost) / l.Len, 0);
            return;
        }
        case 53: return SheetNumberCell(m, r, cells);
        case 56: return cells.fixed(code, r.QavgEnd * PeakFactor(m, r.Pop2_total), 2);
        case 101: return ConnectionCountCell(m, row, cells);
        case 102: return LargestDropCell(m, row, cells);
        default: return;
    }
}

void PipeSizeCell(const Model& m, int code, int row, Cells& cells) {
    if (row > m.DiaCount || !InTable(m.DiaTable, row)) return;
    const DiaRecord& d = m.DiaTable[row];
    switch (code) {
        case 60: return cells.fixed(code, d.Dia, 0);
        case 61: return cells.fixed(code, d.Mins, 4);
        case 62: return cells.fixed(code, d.Maxvel, 1);
        case 63: return cells.fixed(code, d.HdMax, 2);
        case 64: return cells.fixed(code, d.nCoef, 3);
        case 65: return cells.fixed(code, d.Pipeprice, 0);
        case 66: return cells.fixed(code, d.PipeCons, 0);
        case 67: return cells.fixed(code, d.MhCons, 0);
        default: return;
    }
}

void StyleCell(const Model& m, int code, int row, Cells& cells) {
    if (!InTable(m.ObjectStyles, row)) return;
    const ObjectStyle& s = m.ObjectStyles[row];
    switch (code) {
        case 79: return cells.text(code, s.EntityName.view());
        case 80: return cells.text(code, s.Visible.view());
        case 81: return cells.text(code, s.StyleName.view());
        case 82: return cells.plain(code, s.Color);
        case 83: return cells.text(code, s.RowLocate.view());
        case 84: return cells.text(code, s.HSpace.view());
        case 85: return cells.fixed(code, s.VSpace, 2);
        case 86: return cells.fixed(code, s.DivideLen, 2);
        case 87: return cells.fixed(code, s.Rotate, 0);
        default: return;
    }
}

void LateralCell(const Model& m, int code, int row, Cells& cells) {
    std::optional<int> first = LateralLine(m, row, LatFirst);
    std::optional<int> last = LateralLine(m, row, LatLast);
    if (!first || !last) return;
    const LineRecord& f = m.Lines[*first];
    const LineRecord& l = m.Lines[*last];
    const ResultRecord& lr = m.Results[*last];
    switch (code) {
        case 88: return cells.fixed(code, f.Level, 0);
        case 89: return cells.text(code, f.From.view());
        case 90: return cells.text(code, l.to.view());
        case 91: return cells.fixed(code, lr.Chainage, 2);
        case 92: return cells.fixed(code, f.Gr1, 2);
        case 93: return cells.fixed(code, f.Inv1, 2);
        case 94: return cells.fixed(code, l.Gr2, 2);
        case 95: return cells.fixed(code, l.Inv2, 2);
        case 96: return cells.text(code, f.Latral.view());
        case 97: return cells.fixed(code, lr.Pop2_total, 2);
        case 98: return cells.fixed(code, lr.QmaxEnd, 2);
        case 99: return cells.fixed(code, l.Dia, 0);
        default: return;
    }
}

// The other record a paired code writes.
int Partner(int code) {
    switch (code) {
        case 14: return 16;
        case 16: return 14;
        case 23: return 25;
        case 25: return 23;
        case 34: return 35;
        case 35: return 34;
        default: return -1;
    }
}

}  // namespace

void LineFieldToCell(Model& m, int code, int row, std::span<GridColumnDef> catalogue,
                     CostMessages* fill) {
    Cells cells(catalogue);
    cells.blank(code);
    int partner = Partner(code);
    if (partner > 0) cells.blank(partner);
    if (row < 0 || code < 1 || code > 102) return;
    try {
        if (code >= 60 && code <= 67) PipeSizeCell(m, code, row, cells);
        else if (code >= 79 && code <= 87) StyleCell(m, code, row, cells);
        else if (code >= 88 && code <= 99) LateralCell(m, code, row, cells);
        else LineCell(m, code, row, cells, fill);
    } catch (const RuntimeError&) {
        // A value the rules cannot give (an overflow on the way) is no text.
        cells.blank(code);
        if (partner > 0) cells.blank(partner);
    }
}

}  // namespace vd
