// The small plan network the CAD tests draw and read back: MH1 -> MH2 -> MH3
// with MH4 -> MH2 joining, plan coordinates set and the links made.
#pragma once

#include "engine/model.h"
#include "net_builder.h"

namespace vd::test {

inline void BuildPlanNetwork(Model& m) {
    NetBuilder net(m);
    net.line("MH1", "MH2").len(40).dia(300).slope(0.005f).gr(101.37f, 100.85f).inv(99.5f, 99.3f).lat("01")
        .xy(1000.5f, 2000.25f, 1040.5f, 2000.25f);
    net.line("MH2", "MH3").len(30).dia(400).slope(0.004f).gr(100.85f, 100.2f).inv(99.2f, 99.08f).lat("01")
        .xy(1040.5f, 2000.25f, 1070.5f, 2000.25f);
    net.line("MH4", "MH2").len(25).dia(250).slope(0.01f).gr(101.5f, 100.85f).inv(99.9f, 99.65f).lat("0101")
        .xy(1040.5f, 2025.25f, 1040.5f, 2000.25f);
    m.Links[1].NextLine = 2;
    m.Links[2].UpLine = 1;
    m.Links[3].NextLine = 2;
    m.Links[1].Branch1 = 3;
}

}  // namespace vd::test
