#include "engine/hydraulics.h"

#include <cmath>
#include <numbers>

#include "engine/fixed_text.h"
#include "engine/pipe_size.h"

namespace vd {

namespace {

constexpr int kMaxSteps = 50;

}  // namespace

double DepthFactor(double y) {
    static constexpr double c[] = {0.82997542705, -0.184986211517, 0.488764745884,
                                   -12.3042623535, 81.04860072,    -225.346147974,
                                   316.595718096,  -221.478942978, 61.3512950339};
    double p = 0;
    for (int k = 8; k >= 0; --k) p = p * y + c[k];
    return p;
}

std::optional<PartialFlow> SolvePartialFlow(double Q, double n, double r, double S) {
    if (!(S > 0) || !std::isfinite(Q) || !std::isfinite(n) || !std::isfinite(r)) return std::nullopt;
    const double rootS = std::sqrt(S);
    double theta = kDesignPi;
    for (int step = 1; step <= kMaxSteps; ++step) {
        const double sinT = std::sin(theta), cosT = std::cos(theta);
        const double A = (r * r) * (theta - sinT) / 2;
        const double dA = (r * r) * (1 - cosT) / 2;
        const double R = (r * (theta - sinT) / 2) / theta;
        const double dR = (r * (sinT - theta * cosT) / 2) / (theta * theta);
        const double F = A * std::pow(R, 2.0 / 3.0) * rootS - Q * n;
        const double dF = rootS * (dA * std::pow(R, 2.0 / 3.0) + (2.0 / 3.0) * std::pow(R, -1.0 / 3.0) * dR * A);
        const double next = theta - F / dF;
        if (!std::isfinite(next)) return std::nullopt;
        const bool settled = std::fabs(next - theta) < 0.001;
        theta = next;
        if (settled) {
            // Past a full circle, or below an empty pipe, the angle describes no section.
            if (!(theta > 0 && theta < 2 * std::numbers::pi)) return std::nullopt;
            PartialFlow pf;
            pf.theta = theta;
            pf.y = (1 - std::cos(theta / 2)) / 2;
            pf.P = DepthFactor(pf.y);
            pf.steps = step;
            return pf;
        }
    }
    return std::nullopt;
}

std::optional<double> FullPipeCapacity(double dia, double s, double n) {
    if (!(n > 0) || !(s >= 0) || !(dia >= 0)) return std::nullopt;
    const double k = kDesignPi / (std::pow(4.0, 5.0 / 3.0) * n);
    const double q = std::floor(k * std::pow(dia / 1000, 8.0 / 3.0) * std::sqrt(s) * 1000 * 100) / 100;
    if (!std::isfinite(q)) return std::nullopt;
    return q;
}

std::optional<double> LineHydraulics(Model& m, int line) {
    if (line < 0 || line > m.LineUpper() || line >= static_cast<int>(m.Results.size())) return std::nullopt;
    const float qmaxBig = m.Results[line].QmaxBig;
    if (qmaxBig == 0) return std::nullopt;

    const double n = LineManningN(m, line);
    const LineRecord& rec = m.Lines[line];
    const double mins = PipeSizeRow(m, line).Mins;
    std::optional<double> qcap = FullPipeCapacity(rec.Dia, mins, n);
    if (!qcap || !(*qcap > 0)) return std::nullopt;
    if (qmaxBig / *qcap > 1) return mins;

    double Q = static_cast<float>(qmaxBig / 1000.0);
    const double r = static_cast<float>(rec.Dia / 2.0 / 1000.0);
    const double S = rec.slope;
    std::optional<PartialFlow> pf = SolvePartialFlow(Q, n, r, S);
    if (!pf) return std::nullopt;
    if (UpperCase(m.Criteria.NVariable) == "Y") {
        // P is full-pipe n over partial-flow n: a rougher part-full pipe
        // carries its flow as if the flow were Q / P at the full-pipe n.
        if (!(pf->P > 0)) return std::nullopt;
        Q = static_cast<float>(Q / pf->P);  // Q is held in single precision throughout
        pf = SolvePartialFlow(Q, n, r, S);
        if (!pf) return std::nullopt;
    }
    const double result = mins / (1 - std::sin(pf->theta) / pf->theta);
    if (!std::isfinite(result)) return std::nullopt;
    return result;
}

}  // namespace vd
