#include <gtest/gtest.h>

#include "net_builder.h"
#include "workspace/manhole_types.h"

namespace vd {
namespace {

struct TypeCase {
    float dia, depth, drop, ref;
    bool junction;
    const char* type;
};

TEST(ManholeTypes, RuleTable) {
    const TypeCase cases[] = {
        {300, 3.0f, 0, 300, false, "T2"},
        {300, 5.0f, 0, 300, false, "T3"},
        {300, 5.0f, 0, 300, true, "T4"},
        {300, 7.0f, 0, 300, true, "T9"},
        {300, 7.0f, 0, 300, false, ""},
        {200, 5.0f, 0, 200, true, "T3"},   // junction rules start at 250
        {250, 5.0f, 0, 250, true, "T4"},
        {350, 3.0f, 0, 350, false, "T2"},
        {350, 5.0f, 0, 350, false, ""},    // 350 has only the shallow rule
        {450, 3.0f, 0, 450, false, ""},
        {1000, 3.0f, 0, 1000, false, "T13"},
        {1000, 3.0f, 1.0f, 1000, false, "T10"},
        {1000, 3.0f, 3.0f, 1000, false, "T13"},
        {400, 3.0f, 0.65f, 400, false, "T5"},  // rule 32 without rule 22
        {400, 3.0f, 0.6f, 400, false, "T2"},   // a drop of exactly 0.6 is no drop manhole
        {1000, 3.0f, 0.6f, 1000, false, "T13"},
        {300, 3.0f, 1.2f, 300, false, "T6"},   // 1.2 ends T5 and starts T6
        {1000, 3.0f, 2.5f, 1000, false, "T13"},
        {600, 3.0f, 0.65f, 600, false, "T2"},  // rule 34 needs more than 0.65
        {300, 3.0f, 1.3f, 300, false, "T6"},
        {500, 3.0f, 1.3f, 500, false, "T6"},   // rule 23 decides, rule 33 does not hold
        {600, 3.0f, 1.3f, 600, false, "T7"},
        {300, 3.0f, 0.7f, 600, false, "T7"},   // a large branch gives the drop
        {800, 4.19f, 0, 800, false, "T2"},
        {800, 4.2f, 0, 800, false, "T3"},
        {250, 3.65f, 0, 250, false, "T3"},
        {250, 6.15f, 0, 250, true, ""},        // neither below nor above 6.15
    };
    for (const TypeCase& c : cases) {
        ManholeCase mc{c.dia, c.depth, c.drop, c.ref, c.junction};
        EXPECT_EQ(ManholeType(mc), c.type) << c.dia << " mm, D " << c.depth << ", drop " << c.drop;
    }
}

TEST(ManholeTypes, DepthIsTakenInSinglePrecision) {
    Model m;
    test::NetBuilder net(m);
    net.line("1", "2").dia(250).gr(103.65f, 103.0f).inv(100.0f, 99.0f);
    ApplyManholeTypes(m);
    // 103.65f - 100f is 3.6500015 in single precision: not below 3.65.
    EXPECT_EQ(m.Lines[1].MhType.trim(), "T3");
    EXPECT_EQ(m.Lines[1].MhType.str().size(), 30u);
}

TEST(ManholeTypes, DropCoverAndJunctionFromTheLinks) {
    Model m;
    test::NetBuilder net(m);
    net.line("A", "C").dia(300).gr(101, 100).inv(98.0f, 97.65f);   // 1: main line in
    net.line("B", "C").dia(600).gr(101, 100).inv(98.0f, 97.9f);    // 2: branch, higher
    net.line("C", "D").dia(300).gr(100, 99).inv(97.0f, 96.5f);     // 3
    net.line("X", "Y").dia(300).gr(100, 99).inv(97.0f, 96.5f);     // 4: lateral head
    m.Links[3].UpLine = 1;
    m.Links[1].Branch1 = 2;
    m.Links[1].NextLine = 3;
    m.Links[2].NextLine = 3;
    m.Links[4].Drop = 5;
    ApplyManholeTypes(m);
    // The branch's 0.9 beats the main line's 0.65 and brings its 600 mm.
    EXPECT_FLOAT_EQ(m.Links[3].Drop, 97.9f - 97.0f);
    EXPECT_EQ(m.Lines[3].MhType.trim(), "T7");
    EXPECT_FLOAT_EQ(m.Lines[3].Mincover, 100.0f - 97.0f - 0.3f);
    EXPECT_FLOAT_EQ(m.Links[4].Drop, 0.0f);
    EXPECT_EQ(m.Lines[4].MhType.trim(), "T2");
    EXPECT_NEAR(m.Lines[4].Mincover, 2.70f, 1e-5);
}

TEST(ManholeTypes, LinksOutsideTheTableAreIgnored) {
    Model m;
    test::NetBuilder net(m);
    net.line("A", "B").dia(300).gr(100, 99).inv(97, 96);
    m.Links[1].UpLine = 30000;
    ApplyManholeTypes(m);
    EXPECT_FLOAT_EQ(m.Links[1].Drop, 0.0f);
    EXPECT_EQ(m.Lines[1].MhType.trim(), "T2");
}

}  // namespace
}  // namespace vd
