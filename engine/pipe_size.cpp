#include "engine/errors.h"
#include "engine/pipe_size.h"

#include <algorithm>
#include <cmath>

#include "engine/hydraulics.h"
#include "engine/number_text.h"

namespace vd {

namespace {

bool LineInTable(const Model& m, int line) {
    return line >= 0 && line <= m.LineUpper() && line < static_cast<int>(m.Results.size());
}

float DiaOf(const Model& m, int line) { return line >= 0 && line <= m.LineUpper() ? m.Lines[line].Dia : 0.0f; }

int LinkField(const Model& m, int line, int16_t LinkRecord::*field) {
    return line >= 0 && line <= m.LinkUpper() ? m.Links[line].*field : 0;
}

}  // namespace

int UsableDiaCount(const Model& m) {
    return std::clamp(m.DiaCount, 0, static_cast<int>(m.DiaTable.size()) - 1);
}

std::optional<int> FindPipeSize(const Model& m, double value) {
    int count = UsableDiaCount(m);
    for (int i = 1; i <= count; ++i)
        if (m.DiaTable[i].Dia >= value) return i;
    return std::nullopt;
}

const DiaRecord& PipeSizeRow(const Model& m, int line) {
    return m.DiaTable[FindPipeSize(m, DiaOf(m, line)).value_or(0)];
}

double LineManningN(Model& m, int line) {
    if (line < 0 || line > m.LineUpper()) return 0;
    const LineRecord& rec = m.Lines[line];
    double n = PipeSizeRow(m, line).nCoef;
    const std::string_view status = rec.Status.view();
    std::size_t pos = 0;
    while (pos < status.size() && status[pos] != 'N' && status[pos] != 'n') ++pos;
    if (pos < status.size()) {
        // A number too large to read ("N1E999") is above the range like any
        // other: the size row's n, not an error in the middle of a redraw.
        double v = 0;
        try {
            v = Val(rec.Status.view().substr(pos + 1, 7));
        } catch (const RuntimeError&) {
            v = 1;
        }
        // The bounds are single-precision constants and the number is held in
        // single precision before the test, so a typed 0.04 counts as inside.
        float f = static_cast<float>(v);
        if (f >= 0.01f && f <= 0.04f) n = v;
    }
    // The n a line holds is single precision; the hydraulics compute with
    // that same value, the one the grid shows.
    m.ManningN = static_cast<float>(n);
    return m.ManningN;
}

bool NextSmallerPipe(Model& m, int line, std::optional<double>& slopeOut, std::optional<double>& diaOut) {
    if (line < 0 || line > m.LineUpper()) return false;
    const double n = LineManningN(m, line);
    const LineRecord& rec = m.Lines[line];

    const int up = LinkField(m, line, &LinkRecord::UpLine);
    const double dmax = std::max({static_cast<double>(DiaOf(m, up)),
                                  static_cast<double>(DiaOf(m, LinkField(m, up, &LinkRecord::Branch1))),
                                  static_cast<double>(DiaOf(m, LinkField(m, up, &LinkRecord::Branch2)))});

    std::optional<int> i = FindPipeSize(m, rec.Dia);
    if (!i || *i == 1 || dmax == rec.Dia) {
        slopeOut = rec.slope;
        diaOut = rec.Dia;
        return true;
    }
    diaOut = m.DiaTable[*i - 1].Dia;

    double x = m.DiaTable[FindPipeSize(m, *diaOut).value_or(0)].HdMax;
    if (x < 0.5) {
        diaOut = rec.Dia;
        slopeOut = rec.slope;
        return true;
    }
    // The fitted angle curve holds for depth ratios up to a full pipe; past
    // that its denominator heads for zero.
    x = std::min(x, 1.0);

    const double theta = std::sqrt((0.0077222766 + 15.773371 * x - 13.845662 * x * x) /
                                   (1 - 1.2602747 * x + 0.31362942 * x * x));
    const double a = (theta / 2) / kDesignPi - (std::sin(theta) / 2) / kDesignPi;
    const double r = 1 - std::sin(theta) / theta;
    const double q = std::pow(r, 2.0 / 3.0) * a;
    const double qmaxEnd = LineInTable(m, line) ? m.Results[line].QmaxEnd : 0.0;
    const double qf = qmaxEnd / q;
    if (!(qf > 0)) return true;  // no design flow: no slope to offer
    if (!(n > 0) || !std::isfinite(qf)) return false;

    const double k = kDesignPi / (std::pow(4.0, 5.0 / 3.0) * n);
    const double d = *diaOut / 1000;
    const double s = std::pow(qf / (k * std::pow(d, 8.0 / 3.0) * 1000), 2);
    const double scaled = RoundHalfEven(s * 10000);
    if (!std::isfinite(scaled) || scaled > 32767 || scaled < -32768) return false;
    slopeOut = scaled / 10000 + 0.0005;
    return true;
}

void ChangePipeSizeKey(Model& m, std::string_view key, int line) {
    if (line < 1 || line > m.LineCount || line > m.LineUpper()) return;
    LineRecord& rec = m.Lines[line];
    std::optional<int> i = FindPipeSize(m, rec.Dia);
    if (!i) return;  // larger than every size: no size row to step from
    if (key == "F2") {
        if (*i < UsableDiaCount(m)) rec.Dia = m.DiaTable[*i + 1].Dia;
    } else if (key == "aF2") {
        if (*i <= 1) return;
        std::optional<double> s, d;
        if (!NextSmallerPipe(m, line, s, d)) return;
        // No slope offered counts as 0, so only a negative slope moves.
        const double wanted = s.value_or(0);
        if (rec.slope < wanted) rec.slope = static_cast<float>(wanted);
    }
}

}  // namespace vd
