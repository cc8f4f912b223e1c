// A generated sewer tree for the benchmarks.
#pragma once

#include <algorithm>
#include <cmath>
#include <random>
#include <string>
#include <vector>

#include "engine/model.h"

namespace vd {

// A sewer tree of `count` lines: each manhole has one outgoing line and at
// most three incoming ones; lines mostly continue the previous run, so the
// laterals are long, and the rest branch off at random. Grounds rise away
// from the outfalls, covers stay within 1.2 to 4 m where the ground allows,
// and diameters grow with the area drained. Line order is shuffled.
inline void GenerateNetwork(Model& m, int count, unsigned seed) {
    std::mt19937 rng(seed);
    std::uniform_real_distribution<double> unit(0.0, 1.0);
    const int outfalls = std::max(1, count / 1500);
    std::vector<int> parent(count + 1, 0), inflows(count + 1, 0), drained(count + 1, 1);
    for (int k = outfalls + 1; k <= count; ++k) {
        int p = 0;
        if (unit(rng) < 0.75 && inflows[k - 1] < 3) p = k - 1;
        for (int tries = 0; p == 0; ++tries) {
            int c = 1 + static_cast<int>(rng() % (k - 1));
            if (inflows[c] < 3) p = c;
            if (tries > 50 && p == 0) p = 1;  // never reached: a tree has room
        }
        parent[k] = p;
        ++inflows[p];
    }
    for (int k = count; k > outfalls; --k) drained[parent[k]] += drained[k];

    std::vector<double> ground(count + 1), invert(count + 1), x(count + 1), y(count + 1), len(count + 1),
        slope(count + 1);
    for (int k = 1; k <= count; ++k) {
        len[k] = 30 + 50 * unit(rng);
        const double angle = 6.2831853 * unit(rng);
        if (parent[k] == 0) {
            ground[k] = 95 + 10 * unit(rng);
            x[k] = 1000.0 * k;
            y[k] = 0;
            invert[k] = ground[k] - 2.0;
            slope[k] = 0.004;
            continue;
        }
        const int p = parent[k];
        x[k] = x[p] + len[k] * std::cos(angle);
        y[k] = y[p] + len[k] * std::sin(angle);
        ground[k] = ground[p] + len[k] * (0.002 + 0.01 * unit(rng));
        double s = 0.003 + 0.005 * unit(rng);
        double up = invert[p] + s * len[k];
        if (ground[k] - up > 4.0) up = ground[k] - 2.5;  // a drop at the lower manhole
        if (ground[k] - up < 1.2) up = ground[k] - 1.2;
        slope[k] = (up - invert[p]) / len[k];
        invert[k] = up;
    }

    std::vector<int> order(count);
    for (int k = 0; k < count; ++k) order[k] = k + 1;
    std::shuffle(order.begin(), order.end(), rng);

    m.CreateLineTables(count + 10, count + 20);
    m.LineCount = count;
    m.LatCount = 0;
    for (int i = 1; i <= count; ++i) {
        const int k = order[i - 1];
        const int p = parent[k];
        LineRecord& r = m.Lines[i];
        r.From = "MH" + std::to_string(k);
        r.to = p ? "MH" + std::to_string(p) : std::string("0");
        r.Len = static_cast<float>(len[k]);
        r.Gr1 = static_cast<float>(ground[k]);
        r.Gr2 = static_cast<float>(p ? ground[p] : ground[k] - 0.2);
        r.Inv1 = static_cast<float>(invert[k]);
        r.Inv2 = static_cast<float>(invert[k] - slope[k] * len[k]);
        r.slope = static_cast<float>(slope[k]);
        const int d = drained[k];
        r.Dia = d < 15 ? 200 : d < 40 ? 250 : d < 100 ? 300 : d < 300 ? 400 : d < 1000 ? 500 : 600;
        r.X1 = static_cast<float>(x[k]);
        r.Y1 = static_cast<float>(y[k]);
        r.X2 = static_cast<float>(p ? x[p] : x[k] + len[k]);
        r.Y2 = static_cast<float>(p ? y[p] : y[k]);
    }
}

}  // namespace vd
