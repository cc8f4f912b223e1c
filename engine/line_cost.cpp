#include "engine/line_cost.h"

#include <cmath>

#include "engine/number_text.h"
#include "engine/pipe_size.h"

namespace vd {

namespace {

bool ReadableLine(const Model& m, int line) { return line >= 0 && line <= m.LineUpper(); }

// Cost of one manhole at a line end.
double ManholeCost(double ground, double invert, double mhCons, double gwl, const double cp[7]) {
    const double e = (ground - invert) + 0.3;
    const double w = ground > gwl ? gwl : ground;
    double M = mhCons * e;
    if (invert < w) M += (gwl - invert) * (cp[0] - 1) * mhCons;
    if (e > 5) return M + M * cp[5] * (1 + (e - 5)) * cp[4] * cp[3] * cp[2];
    if (e > 4) return M + M * cp[4] * (1 + (e - 4)) * cp[3] * cp[2];
    if (e > 3) return M + M * cp[3] * (1 + (e - 3)) * cp[2];
    if (e > 2) return M + M * cp[2] * (1 + (e - 2)) * cp[1];
    if (e >= 1.5) return M + M * cp[1] * (1 + (e - 1.5));
    return M;
}

}  // namespace

std::optional<DepthBands> DepthBandLengths(const Model& m, int line) {
    if (!ReadableLine(m, line)) return std::nullopt;
    const LineRecord& rec = m.Lines[line];
    const double len = rec.Len;
    if (!(len > 0)) return std::nullopt;

    DepthBands b;
    const double d1 = rec.Gr1 - rec.Inv1;
    const double d2 = rec.Gr2 - rec.Inv2;
    b.shallow = d1 > d2 ? d2 : d1;
    b.deep = d1 > d2 ? d1 : d2;
    const double g = (b.deep - b.shallow) / len;

    double deep = b.deep;
    double above = 0;  // lengths of the deeper bands found so far
    double* band[] = {nullptr, nullptr, &b.L2, &b.L3, &b.L4, &b.L5};
    for (int k = 5; k >= 2; --k) {
        double& Lk = *band[k];
        if (deep > k && b.shallow <= k) {
            // The split is rounded through a 32-bit whole number of centimetres.
            const double cm = RoundHalfEven((deep - k) / g * 100);
            if (!(cm >= -2147483648.0 && cm <= 2147483647.0)) return std::nullopt;
            Lk = cm / 100;
            deep = k;
        } else if (b.shallow > k) {
            Lk = len - above;
        }
        above += Lk;
    }
    if (b.shallow <= 2) b.L1 = len - b.L5 - b.L4 - b.L3 - b.L2;
    if (!std::isfinite(b.L1 + b.L2 + b.L3 + b.L4 + b.L5)) return std::nullopt;
    return b;
}

bool DepthBandLengths(const Model& m, int line, double& L1, double& L2, double& L3, double& L4, double& L5,
                      double& shallow, double& deep) {
    std::optional<DepthBands> b = DepthBandLengths(m, line);
    if (!b) return false;
    L1 = b->L1;
    L2 = b->L2;
    L3 = b->L3;
    L4 = b->L4;
    L5 = b->L5;
    shallow = b->shallow;
    deep = b->deep;
    return true;
}

std::optional<int32_t> LineCost(Model& m, int line, CostMessages* messages) {
    std::optional<DepthBands> bands = DepthBandLengths(m, line);
    if (!bands) return std::nullopt;
    const LineRecord& rec = m.Lines[line];
    const DiaRecord& row = PipeSizeRow(m, line);
    const DesignCriteria& c = m.Criteria;
    const double cp[7] = {Num(c.CostParam0), Num(c.CostParam1), Num(c.CostParam2), Num(c.CostParam3),
                          Num(c.CostParam4), Num(c.CostParam5), Num(c.CostParam6)};
    const double gwl = Num(c.GroundWaterLevel);
    const double pipeCons = row.PipeCons;
    const double len = rec.Len;
    const double sh = bands->shallow;

    // Pipe by band, deepest first; each band's own factor rides on the
    // factors of every shallower band.
    struct Band {
        double length, lower, own, chained;
    };
    const Band pipeBands[] = {
        {bands->L5, 5, cp[5], cp[4] * cp[3] * cp[2] * cp[1]},
        {bands->L4, 4, cp[4], cp[3] * cp[2] * cp[1]},
        {bands->L3, 3, cp[3], cp[2] * cp[1]},
        {bands->L2, 2, cp[2], cp[1]},
    };
    double C = 0;
    double d = bands->deep;
    for (const Band& b : pipeBands) {
        if (!(b.length > 0)) continue;
        const double mean = sh > b.lower ? (sh + d) / 2 - b.lower : (d + b.lower) / 2 - b.lower;
        C += pipeCons * b.length * (mean * (b.own - 1) + 1) * b.chained;
        d = b.lower;
    }
    if (bands->L1 > 0) {
        if (d > 1.5) {
            const double mean = sh > 1.5 ? (sh + d) / 2 - 1.5 : (d + 1.5) / 2 - 1.5;
            C += pipeCons * bands->L1 * (mean * (cp[1] - 1) + 1);
        } else {
            C += pipeCons * bands->L1;
        }
    }

    // Groundwater over the pipe.
    const double gr1 = rec.Gr1, gr2 = rec.Gr2, inv1 = rec.Inv1, inv2 = rec.Inv2;
    std::optional<double> h;
    if (inv2 < gwl && gwl < gr2) {
        if (inv1 < gwl) {
            h = gwl - (inv1 + inv2) / 2;
        } else if (gwl < gr1 && inv1 > gwl) {
            if (rec.slope == 0) return std::nullopt;
            h = ((gwl - inv2) * (gwl - inv2) / rec.slope / len) / 2;
        }
    } else if (gwl >= gr2) {
        h = (gr1 + gr2) / 2 - (inv1 + inv2) / 2;
    }
    if (h) C += *h * (cp[6] - 1) * pipeCons * len;

    double T = C + ManholeCost(gr1, inv1, row.MhCons, gwl, cp);
    const int next = line <= m.LinkUpper() ? m.Links[line].NextLine : 0;
    if (next == 0) T += ManholeCost(gr2, inv2, row.MhCons, gwl, cp);

    if (T > 1000000000.0) {
        if (!messages || !messages->costErrorShown) m.Ui->MessageBox("Cost Error");
        if (messages) messages->costErrorShown = true;
        return 0;
    }
    const float price = row.Pipeprice * rec.Len;
    const double total = RoundHalfEven(T + price);
    if (!std::isfinite(total) || total < -2147483648.0 || total > 2147483647.0) return std::nullopt;
    return static_cast<int32_t>(total);
}

}  // namespace vd
