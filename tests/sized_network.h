// Networks of any size up to the limit for the tests of large networks: lines
// in laterals of fifty, each lateral a run of 40 m lines whose links are
// made, and every field the files and the plan carry differing from line to line.
#pragma once

#include <algorithm>
#include <string>

#include "engine/model.h"

namespace vd::test {

inline void SizedNetwork(Model& m, int count) {
    m.CreateLineTables(std::max(count + 10, kStartupLineUpper), std::max(count + 20, kStartupLineUpper));
    m.LineCount = count;
    m.LatCount = 0;
    for (int i = 1; i <= count; ++i) {
        LineRecord& l = m.Lines[static_cast<size_t>(i)];
        const float x = 500000.0f + 40.0f * static_cast<float>(i % 50);
        const float y = 4000000.0f + 60.0f * static_cast<float>(i / 50);
        l.From = "MH" + std::to_string(i);
        l.to = "MH" + std::to_string(i + 1);
        l.Latral = "L" + std::to_string((i - 1) / 50);
        l.MhType = "T" + std::to_string(i % 7);
        l.X1 = x;
        l.Y1 = y;
        l.X2 = x + 40;
        l.Y2 = y;
        l.Len = 40;
        l.Gr1 = 100.0f + 0.01f * static_cast<float>(i % 997);
        l.Gr2 = l.Gr1 - 0.2f;
        l.Inv1 = l.Gr1 - 2.0f - 0.001f * static_cast<float>(i % 13);
        l.slope = 0.001f * static_cast<float>(1 + i % 9);
        l.Inv2 = l.Inv1 - 40 * l.slope;
        l.Dia = 200.0f + 50.0f * static_cast<float>(i % 6);
        LinkRecord& k = m.Links[static_cast<size_t>(i)];
        k.NextLine = static_cast<int16_t>(i % 50 && i < count ? i + 1 : 0);
        k.UpLine = static_cast<int16_t>(i % 50 != 1 ? i - 1 : 0);
    }
}

}  // namespace vd::test
