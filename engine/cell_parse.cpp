#include <cmath>
#include <optional>
#include <string_view>

#include "engine/errors.h"
#include "engine/cell_text.h"
#include "engine/number_text.h"

namespace vd {

namespace {

// A row the edit may write: inside the table and not the template row 0.
template <typename T>
bool Writable(const T& table, int row) {
    return row >= 1 && static_cast<std::size_t>(row) < table.size();
}

float ToSingle(double v) {
    if (const std::optional<float> f = SingleValue(v)) return *f;
    throw RuntimeError(6, kOverflowText);
}

// A lateral's first or last line, when the lateral and that line exist and
// the line is not the template.
std::optional<int> LateralLine(const Model& m, int lateral, int column) {
    if (m.LatCount < 1 || lateral < 0 || lateral > m.LatCount ||
        static_cast<std::size_t>(lateral) >= m.LatTable.size())
        return std::nullopt;
    double v = RoundHalfEven(m.LatTable[lateral][column]);
    if (!std::isfinite(v) || v < 1 || v >= static_cast<double>(m.Lines.size()) ||
        v >= static_cast<double>(m.Results.size()))
        return std::nullopt;
    return static_cast<int>(v);
}

// The float field of a number code, or null when the code or row has none.
float* NumberField(Model& m, int code, int row) {
    bool line = Writable(m.Lines, row) && Writable(m.Results, row);
    if (code >= 60 && code <= 67) {
        if (!Writable(m.DiaTable, row)) return nullptr;
        DiaRecord& d = m.DiaTable[row];
        switch (code) {
            case 60: return &d.Dia;
            case 61: return &d.Mins;
            case 62: return &d.Maxvel;
            case 63: return &d.HdMax;
            case 64: return &d.nCoef;
            case 65: return &d.Pipeprice;
            case 66: return &d.PipeCons;
            default: return &d.MhCons;
        }
    }
    if (code >= 82 && code <= 87) {
        if (row < 0 || static_cast<std::size_t>(row) >= m.ObjectStyles.size()) return nullptr;
        ObjectStyle& s = m.ObjectStyles[row];
        switch (code) {
            case 82: return &s.Color;
            case 85: return &s.VSpace;
            case 86: return &s.DivideLen;
            case 87: return &s.Rotate;
            default: return nullptr;
        }
    }
    if (code == 91) {
        std::optional<int> last = LateralLine(m, row, LatLast);
        return last ? &m.Results[*last].Chainage : nullptr;
    }
    if (!line) return nullptr;
    LineRecord& l = m.Lines[row];
    ResultRecord& r = m.Results[row];
    switch (code) {
        case 3: return &l.Area1_sub;
        case 4: return &r.Area1_total;
        case 5: return &l.Pop1;
        case 6: return &r.Pop1_total;
        case 7: return &l.Area2_sub;
        case 8: return &r.Area2_Total;
        case 9: return &l.Pop2;
        case 10: return &r.Pop2_total;
        case 11: return &r.Qsw;
        case 15: return &r.Qinf1;
        case 17: return &r.QmaxBig;
        case 18: return &r.VmaxBig;
        case 20: return &r.QavgEnd;
        case 21: return &r.VavgEnd;
        case 24: return &r.Qinf2;
        case 26: return &r.QaddTotal;
        case 27: return &r.QmaxEnd;
        case 28: return &r.VmaxEnd;
        case 31: return &l.Dia;
        case 32: return &l.slope;  // as typed; display rounds it
        case 37: return &l.Gr1;
        case 38: return &l.Gr2;
        case 40: return &l.Len;
        case 41: return &l.Inv1;
        case 42: return &l.Inv2;
        case 55: return &l.Qadd;
        case 57: return &l.Mincover;
        case 68: return &l.X1;
        case 69: return &l.Y1;
        case 70: return &l.X2;
        case 71: return &l.Y2;
        default: return nullptr;
    }
}

// The whole-number field of codes 53 and 88.
int16_t* WholeField(Model& m, int code, int row) {
    if (code == 53) {
        if (!Writable(m.Results, row)) return nullptr;
        double sheet = RoundHalfEven(m.Results[row].SheetIdx);
        if (!std::isfinite(sheet) || sheet < 0 || sheet >= static_cast<double>(m.SheetTable.size()))
            return nullptr;
        return &m.SheetTable[static_cast<std::size_t>(sheet)].DwgNo;
    }
    if (code == 88) {
        std::optional<int> first = LateralLine(m, row, LatFirst);
        return first ? &m.Lines[*first].Level : nullptr;
    }
    return nullptr;
}

template <std::size_t N>
std::span<char> Bytes(FixedText<N>& t) {
    return {t.data(), N};
}

// The field of a text code, empty when the row has none; nothing when the
// code is not a text code.
std::optional<std::span<char>> TextField(Model& m, int code, int row) {
    auto lineRow = [&]() -> LineRecord* { return Writable(m.Lines, row) ? &m.Lines[row] : nullptr; };
    auto style = [&]() -> ObjectStyle* {
        return row >= 0 && static_cast<std::size_t>(row) < m.ObjectStyles.size() ? &m.ObjectStyles[row] : nullptr;
    };
    auto lateral = [&](int column) -> LineRecord* {
        std::optional<int> i = LateralLine(m, row, column);
        return i ? &m.Lines[*i] : nullptr;
    };
    const std::span<char> none;
    switch (code) {
        case 1: if (auto* l = lineRow()) return Bytes(l->From); return none;
        case 2: if (auto* l = lineRow()) return Bytes(l->to); return none;
        case 52: if (auto* l = lineRow()) return Bytes(l->Latral); return none;
        case 54: if (auto* l = lineRow()) return Bytes(l->Status); return none;
        case 100: if (auto* l = lineRow()) return Bytes(l->MhType); return none;
        case 79: if (auto* s = style()) return Bytes(s->EntityName); return none;
        case 80: if (auto* s = style()) return Bytes(s->Visible); return none;
        case 81: if (auto* s = style()) return Bytes(s->StyleName); return none;
        case 83: if (auto* s = style()) return Bytes(s->RowLocate); return none;
        case 84: if (auto* s = style()) return Bytes(s->HSpace); return none;
        case 89: if (auto* l = lateral(LatFirst)) return Bytes(l->From); return none;
        case 90: if (auto* l = lateral(LatLast)) return Bytes(l->to); return none;
        case 96: if (auto* l = lateral(LatFirst)) return Bytes(l->Latral); return none;
        default: return std::nullopt;
    }
}

}  // namespace

void CellToLineField(Model& m, int code, int row, std::span<GridColumnDef> catalogue) {
    if (code < 1 || code > 100 || static_cast<std::size_t>(code) >= catalogue.size()) return;
    StoreCellText(m, code, row, catalogue[code].CellText.view());
}

void StoreCellText(Model& m, int code, int row, std::string_view text) {
    if (code < 1 || code > 100) return;
    if (std::optional<std::span<char>> field = TextField(m, code, row)) {
        // Left-assigned: cut or padded with blanks to the field's width.
        for (std::size_t i = 0; i < field->size(); ++i) (*field)[i] = i < text.size() ? text[i] : ' ';
        return;
    }
    if (code == 53 || code == 88) {
        double v = Val(text);
        if (int16_t* field = WholeField(m, code, row)) *field = CInt(v);
        return;
    }
    // Codes without a field are told apart before the text is read.
    if (!NumberField(m, code, row)) return;
    double v = Val(text);
    if (float* field = NumberField(m, code, row)) *field = ToSingle(v);
}

std::span<char> CellFieldBytes(Model& m, int code, int row) {
    if (code < 1 || code > 100) return {};
    if (std::optional<std::span<char>> field = TextField(m, code, row)) return *field;
    if (int16_t* whole = WholeField(m, code, row)) return {reinterpret_cast<char*>(whole), sizeof *whole};
    if (float* number = NumberField(m, code, row)) return {reinterpret_cast<char*>(number), sizeof *number};
    return {};
}

}  // namespace vd
